#include "alsa_pcm.h"

namespace vorlain::alsa {

bool ConfigureS16Interleaved(snd_pcm_t* pcm, unsigned channels, unsigned rate,
                             unsigned bufferMicros, unsigned periodMicros,
                             snd_pcm_uframes_t* buffer, snd_pcm_uframes_t* period)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) < 0)
        return false;
    snd_pcm_hw_params_set_rate_resample(pcm, hw, 1);
    if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, channels) < 0)
        return false;
    unsigned actual = rate;
    if (snd_pcm_hw_params_set_rate_near(pcm, hw, &actual, nullptr) < 0 || actual != rate)
        return false;
    unsigned bufferTime = bufferMicros;
    unsigned periodTime = periodMicros;
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, nullptr);
    if (snd_pcm_hw_params(pcm, hw) < 0)
        return false;
    if (period)
        snd_pcm_hw_params_get_period_size(hw, period, nullptr);
    if (buffer)
        snd_pcm_hw_params_get_buffer_size(hw, buffer);
    return true;
}

} // namespace vorlain::alsa
