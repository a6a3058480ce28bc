// One open ALSA capture PCM delivering interleaved 16-bit frames.
#pragma once

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorlain::capturo {

class CaptureDevice {
public:
    /** Opens and starts name for S16_LE at exactly channels and rate; null
     *  when the PCM does not exist, is busy or refuses the format. */
    static std::unique_ptr<CaptureDevice> Open(const std::string& name, unsigned channels,
                                               unsigned rate);
    ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    /** Reads frames into dst, waiting for the device, until all are read,
     *  interrupt becomes true, deadline passes or the device fails. Returns
     *  the frames read. An overrun loses what the device could not hold and
     *  reading goes on. */
    size_t read(int16_t* dst, size_t frames, const std::atomic<bool>& interrupt,
                std::chrono::steady_clock::time_point deadline =
                    std::chrono::steady_clock::time_point::max());
    /** Whether the last read found the device empty at some point, that is,
     *  caught up with it. */
    bool caughtUp() const { return m_caughtUp; }
    /** Waits up to limit for the first captured frames, without taking
     *  them: a sound server may still be waking a suspended source when
     *  start has returned. False when none came in time. */
    bool waitForSound(std::chrono::milliseconds limit);
    /** The device stopped working for good (unplugged, server gone). */
    bool failed() const { return m_failed; }

private:
    CaptureDevice(snd_pcm_t* pcm, unsigned channels) : m_pcm(pcm), m_channels(channels) {}

    snd_pcm_t* m_pcm;
    const unsigned m_channels;
    bool m_failed = false;
    bool m_caughtUp = false;
};

} // namespace vorlain::capturo
