#include "wave_peaks.h"

#include <chrono>

namespace brimsel {

CWavePeaks::CWavePeaks(CSummaryStore* store) : m_builder(store) {}

CWavePeaks::~CWavePeaks()
{
    {
        std::lock_guard guard(m_lock);
        m_queued.reset();
        ++m_generation;
        m_cancel = true;
        m_notify = nullptr;
    }
    if (m_thread.joinable())
        m_thread.join();
}

void CWavePeaks::SetNotify(Notify notify)
{
    std::lock_guard guard(m_lock);
    m_notify = std::move(notify);
}

uint64_t CWavePeaks::Start(PeakRequest request)
{
    std::unique_lock guard(m_lock);
    ++m_generation;
    m_cancel = true; // the running build, if any, is stale now
    m_queued = std::move(request);
    m_result.reset();
    m_pending = true;
    uint64_t generation = m_generation;
    if (!m_running) {
        // A worker that has cleared m_running is about to return: joining it is immediate.
        if (m_thread.joinable())
            m_thread.join();
        m_running = true;
        m_thread = std::thread(&CWavePeaks::Run, this);
    }
    return generation;
}

void CWavePeaks::Invalidate()
{
    std::lock_guard guard(m_lock);
    ++m_generation;
    m_cancel = true;
    m_queued.reset();
    m_result.reset();
    m_pending = false;
    m_idle.notify_all();
}

std::optional<PeakResult> CWavePeaks::Take()
{
    std::lock_guard guard(m_lock);
    if (!m_result || m_resultGeneration != m_generation)
        return std::nullopt;
    std::optional<PeakResult> out = std::move(m_result);
    m_result.reset();
    m_pending = false;
    m_idle.notify_all();
    return out;
}

bool CWavePeaks::Pending() const
{
    std::lock_guard guard(m_lock);
    return m_pending;
}

bool CWavePeaks::WaitIdle(int timeoutMs) const
{
    std::unique_lock guard(m_lock);
    return m_idle.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                           [this] { return !m_queued && !m_building && (m_result || !m_pending); });
}

void CWavePeaks::Run()
{
    for (;;) {
        PeakRequest request;
        uint64_t generation;
        {
            std::lock_guard guard(m_lock);
            if (!m_queued) {
                m_running = false;
                m_idle.notify_all();
                return;
            }
            request = std::move(*m_queued);
            m_queued.reset();
            generation = m_generation;
            m_cancel = false;
            m_building = true;
        }
        PeakResult result;
        {
            std::lock_guard build(m_buildLock);
            result = m_builder.Build(request, &m_cancel);
        }
        Notify notify;
        {
            std::lock_guard guard(m_lock);
            m_building = false;
            if (!result.cancelled && generation == m_generation) {
                m_result = std::move(result);
                m_resultGeneration = generation;
                notify = m_notify;
            }
            m_idle.notify_all();
        }
        if (notify)
            notify();
    }
}

} // namespace brimsel
