// Stopping a long operation (Kestrum_Stop). Each long call of a session
// opens a CStopScope over the session's stop flag: the flag is cleared as
// the call starts, and the call's loops ask StopRequested() as they go and
// end early, by the same way out as a failed write, so that a stopped call
// leaves everything as it was. The scope then puts the last error back: a
// stopped call returns 0 without a code of its own.
#pragma once

#include <atomic>
#include <cstdint>

namespace kernel {

class CStopScope {
public:
    explicit CStopScope(std::atomic<uint32_t>& flag);
    ~CStopScope();
    CStopScope(const CStopScope&) = delete;
    CStopScope& operator=(const CStopScope&) = delete;

    /** Whether a stop was asked since the scope began. */
    bool Stopped() const { return m_flag.load(std::memory_order_relaxed) != 0; }

private:
    std::atomic<uint32_t>& m_flag;
    std::atomic<uint32_t>* m_outer;
    uint32_t m_error;
};

/** Whether the long call running on this thread was asked to stop; false
 *  outside one. Cheap enough for every block a loop copies. */
bool StopRequested();

} // namespace kernel
