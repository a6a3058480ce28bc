// The background builder of one view: runs peak builds off the UI thread,
// one at a time, and hands the newest result back.
#pragma once

#include "peak_builder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace brimsel {

/**
 * A view asks for a build with Start(); a newer request cancels the build in
 * progress (it stops within one chunk or a few thousand blocks). The worker
 * thread exists only while there is work; it builds under the view's build
 * lock and never touches a window. When a result is ready it calls the
 * notify function (on the worker thread); the view then collects it with
 * Take() on the UI thread. The UI thread never waits for a file read: it
 * takes only the short result lock.
 */
class CWavePeaks {
public:
    using Notify = std::function<void()>;

    explicit CWavePeaks(CSummaryStore* store);
    ~CWavePeaks();
    CWavePeaks(const CWavePeaks&) = delete;
    CWavePeaks& operator=(const CWavePeaks&) = delete;

    /** Called on the worker thread after a result was stored; must not block. */
    void SetNotify(Notify notify);

    /** Queues a build, cancelling any older one. Returns its generation. */
    uint64_t Start(PeakRequest request);
    /** Forgets every queued or running build; their results are dropped. */
    void Invalidate();
    /** The result of the newest request once it is ready. */
    std::optional<PeakResult> Take();
    /** True from Start() until the newest request's result was taken or dropped. */
    bool Pending() const;
    /** Waits (for tests and benchmarks) until the newest request is done. */
    bool WaitIdle(int timeoutMs) const;

private:
    void Run();

    CPeakBuilder m_builder;
    mutable std::mutex m_lock; // the result slot and the request queue
    mutable std::condition_variable m_idle;
    std::mutex m_buildLock; // held by the worker for the length of a build
    std::optional<PeakRequest> m_queued;
    std::optional<PeakResult> m_result;
    uint64_t m_generation = 0;       // of the newest request
    uint64_t m_resultGeneration = 0; // of the stored result
    bool m_pending = false;
    bool m_running = false;
    bool m_building = false;
    std::atomic<bool> m_cancel{false};
    Notify m_notify;
    std::thread m_thread;
};

} // namespace brimsel
