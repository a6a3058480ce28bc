#include "common/stop.h"

#include "common/last_error.h"

namespace kernel {

namespace {
thread_local std::atomic<uint32_t>* t_flag = nullptr;
} // namespace

CStopScope::CStopScope(std::atomic<uint32_t>& flag)
    : m_flag(flag), m_outer(t_flag), m_error(LastError())
{
    // An inner call of the same session (an import inside Insert File)
    // goes on under the outer scope: a stop asked meanwhile still counts.
    if (m_outer != &flag)
        flag.store(0, std::memory_order_relaxed);
    t_flag = &flag;
}

CStopScope::~CStopScope()
{
    t_flag = m_outer;
    if (Stopped() && LastError() != m_error)
        SetLastError(m_error);
}

bool StopRequested()
{
    return t_flag && t_flag->load(std::memory_order_relaxed) != 0;
}

} // namespace kernel
