#include "import/converter_job.h"

#include <chrono>
#include <system_error>

namespace kernel {

CConverterJob::~CConverterJob()
{
    if (m_thread.joinable()) {
        AV_Stop(m_handle);
        m_thread.join();
    }
    AV_Close(m_handle);
}

bool CConverterJob::Start()
{
    try {
        m_thread = std::thread([this] {
            m_exitCode = AV_Convert(m_handle) ? 0 : 1;
            {
                std::lock_guard lock(m_mutex);
                m_done = true;
            }
            m_ended.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool CConverterJob::Wait(const std::function<void(int)>& onProgress, const std::function<bool()>& shouldStop)
{
    bool stopped = false;
    while (!m_done) {
        if (!stopped && shouldStop && shouldStop()) {
            AV_Stop(m_handle);
            stopped = true;
        }
        {
            // A tick of the poll, cut short when the conversion ends: a short
            // file does not wait out the rest of it.
            std::unique_lock lock(m_mutex);
            m_ended.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done.load(); });
        }
        if (!stopped && onProgress)
            onProgress(AV_GetProgress(m_handle));
    }
    m_thread.join();
    return !stopped;
}

} // namespace kernel
