// One conversion on the kernel's converter thread: the thread runs the
// blocking AV_Convert while the caller polls its progress every 100 ms.
#pragma once

#include "vorlain/medrix.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kernel {

class CConverterJob {
public:
    /** Owns the handle: AV_Close runs on every path once it was opened. */
    explicit CConverterJob(MedrixHandle handle) : m_handle(handle) {}
    ~CConverterJob();
    CConverterJob(const CConverterJob&) = delete;
    CConverterJob& operator=(const CConverterJob&) = delete;

    MedrixHandle Handle() const { return m_handle; }

    /** Starts the converter thread. false when it cannot be started. */
    bool Start();

    /** Polls until the thread ends: every 100 ms, and once more as it ends,
     *  calls onProgress with the converter's 0..100. When shouldStop turns
     *  true the converter is asked to stop and the wait goes on until the
     *  thread has ended; returns false then. */
    bool Wait(const std::function<void(int)>& onProgress, const std::function<bool()>& shouldStop);

    /** The thread's exit code: 0 when the conversion succeeded, 1 when it failed. */
    int ExitCode() const { return m_exitCode.load(); }

private:
    MedrixHandle m_handle;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    std::atomic<bool> m_done{false};
    std::atomic<int> m_exitCode{1};
};

} // namespace kernel
