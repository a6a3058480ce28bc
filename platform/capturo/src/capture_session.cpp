#include "capture_session.h"

#include <algorithm>

namespace vorlain::capturo {

namespace {
thread_local bool t_onCaptureThread = false;
}

CaptureSession::CaptureSession(std::vector<std::unique_ptr<CaptureDevice>> devices,
                               unsigned channels, size_t framesPerBuffer,
                               CrxDataCallback callback, void* context)
    : m_devices(std::move(devices)), m_channels(channels), m_framesPerBuffer(framesPerBuffer),
      m_callback(callback), m_context(context), m_buffer(framesPerBuffer * channels),
      m_second(m_devices.size() > 1 ? framesPerBuffer * channels : 0)
{
}

std::unique_ptr<CaptureSession>
CaptureSession::Start(std::vector<std::unique_ptr<CaptureDevice>> devices, unsigned channels,
                      size_t framesPerBuffer, CrxDataCallback callback, void* context)
{
    if (devices.empty() || devices.size() > 2 || !callback || framesPerBuffer == 0)
        return nullptr;
    std::unique_ptr<CaptureSession> session;
    try {
        session.reset(new CaptureSession(std::move(devices), channels, framesPerBuffer, callback,
                                         context));
        session->m_thread = std::thread([s = session.get()] { s->run(); });
    } catch (...) {
        return nullptr;
    }
    return session;
}

CaptureSession::~CaptureSession()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

bool CaptureSession::stop(std::chrono::milliseconds limit)
{
    m_stop.store(true);
    {
        std::unique_lock lock(m_endLock);
        if (!m_endChanged.wait_for(lock, limit, [&] { return m_ended; }))
            return false;
    }
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

bool CaptureSession::ended()
{
    {
        std::lock_guard lock(m_endLock);
        if (!m_ended)
            return false;
    }
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

bool CaptureSession::OnCaptureThread() { return t_onCaptureThread; }

void CaptureSession::run()
{
    t_onCaptureThread = true;
    while (!m_stop.load()) {
        size_t frames = m_devices[0]->read(m_buffer.data(), m_framesPerBuffer, m_stop);
        if (m_devices.size() > 1) {
            // Both inputs: as many frames of the second as the first gave,
            // added sample by sample and clamped to 16 bits.
            size_t second = m_devices[1]->read(m_second.data(), frames, m_stop);
            frames = std::min(frames, second);
            for (size_t i = 0; i < frames * m_channels; ++i) {
                int sum = int{m_buffer[i]} + int{m_second[i]};
                m_buffer[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
            }
        }
        if (frames > 0)
            m_callback(m_context, m_buffer.data(),
                       static_cast<unsigned>(frames * m_channels * sizeof(int16_t)));
        bool failed = std::any_of(m_devices.begin(), m_devices.end(),
                                  [](const auto& d) { return d->failed(); });
        if (failed)
            break; // the input is gone; the caller's end of recording still works
    }
    std::lock_guard lock(m_endLock);
    m_ended = true;
    m_endChanged.notify_all();
}

} // namespace vorlain::capturo
