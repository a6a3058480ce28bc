// The hardware set-up that playback and capture share: interleaved 16-bit
// little-endian samples at exactly the asked rate, with the buffer and
// period nearest to those asked for.
#pragma once

#include <alsa/asoundlib.h>

namespace vorlain::alsa {

/** Installs the hardware parameters on pcm, resampling in ALSA where the
 *  device needs it. False when the device cannot take the channels, the
 *  format or exactly the rate. buffer and period, when given, receive the
 *  sizes in frames the device chose. */
bool ConfigureS16Interleaved(snd_pcm_t* pcm, unsigned channels, unsigned rate,
                             unsigned bufferMicros, unsigned periodMicros,
                             snd_pcm_uframes_t* buffer = nullptr,
                             snd_pcm_uframes_t* period = nullptr);

} // namespace vorlain::alsa
