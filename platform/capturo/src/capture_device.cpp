#include "capture_device.h"

#include "alsa_pcm.h"

#include <algorithm>
#include <cerrno>

namespace vorlain::capturo {

namespace {

// Room for the capture thread's callback to stall (the kernel draws the live
// peaks synchronously from it) without the device overrunning.
constexpr unsigned kBufferMicros = 2000000;
constexpr unsigned kPeriodMicros = 50000;
// The longest wait for data before the stop flag is looked at again.
constexpr int kWaitMillis = 50;
constexpr int kMaxErrors = 8;

bool configure(snd_pcm_t* pcm, unsigned channels, unsigned rate)
{
    if (!alsa::ConfigureS16Interleaved(pcm, channels, rate, kBufferMicros, kPeriodMicros))
        return false;
    // Preparing makes a sound server connect the stream, so a source that
    // does not exist fails here rather than on the capture thread.
    return snd_pcm_prepare(pcm) >= 0 && snd_pcm_start(pcm) >= 0;
}

} // namespace

std::unique_ptr<CaptureDevice> CaptureDevice::Open(const std::string& name, unsigned channels,
                                                   unsigned rate)
{
    snd_pcm_t* pcm = nullptr;
    // Non-blocking, so that a busy device fails at once and a stalled one never
    // keeps the capture thread from seeing its stop flag.
    if (name.empty() ||
        snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        return nullptr;
    if (!configure(pcm, channels, rate)) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return std::unique_ptr<CaptureDevice>(new CaptureDevice(pcm, channels));
}

CaptureDevice::~CaptureDevice()
{
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
}

size_t CaptureDevice::read(int16_t* dst, size_t frames, const std::atomic<bool>& interrupt,
                           std::chrono::steady_clock::time_point deadline)
{
    size_t got = 0;
    int errors = 0;
    m_caughtUp = false;
    while (got < frames && !m_failed && !interrupt.load()) {
        snd_pcm_sframes_t n = snd_pcm_readi(m_pcm, dst + got * m_channels, frames - got);
        if (n == -EAGAIN || n == 0) {
            m_caughtUp = true;
            auto now = std::chrono::steady_clock::now();
            if (now >= deadline)
                break;
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
            snd_pcm_wait(m_pcm, static_cast<int>(std::min<decltype(left)>(left, kWaitMillis)));
            continue;
        }
        if (n < 0) {
            // Overrun or suspend: recover and go on; the lost frames are gone.
            if (snd_pcm_recover(m_pcm, static_cast<int>(n), 1) < 0 || ++errors > kMaxErrors)
                m_failed = true;
            else if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED && snd_pcm_start(m_pcm) < 0)
                m_failed = true;
            continue;
        }
        errors = 0;
        got += static_cast<size_t>(n);
    }
    return got;
}

bool CaptureDevice::waitForSound(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        snd_pcm_sframes_t avail = snd_pcm_avail_update(m_pcm);
        if (avail != 0)
            return avail > 0; // an error is the reader's to recover from
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        snd_pcm_wait(m_pcm, static_cast<int>(std::min<int64_t>(left.count(), kWaitMillis)));
    }
}

} // namespace vorlain::capturo
