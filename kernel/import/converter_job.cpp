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
            m_done = true;
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
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!stopped && onProgress)
            onProgress(AV_GetProgress(m_handle));
    }
    m_thread.join();
    return !stopped;
}

} // namespace kernel
