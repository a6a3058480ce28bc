#include "range_marks.h"

#include <cstdlib>

namespace brimsel {

namespace {

/** Content x of view x (kNone stays kNone). */
int Shift(int64_t x, int64_t pos)
{
    return x == kNone ? kNone : ToPixel(x + pos);
}

} // namespace

bool CRangeMarks::SetRange(int a, int b, int64_t pos)
{
    if (a == kNone && b == kNone) {
        m_start = m_end = m_prevStart = m_prevEnd = kNone;
        return true;
    }
    if (b != 0 && std::abs(int64_t(a) - int64_t(b)) <= 2)
        return false;
    m_startLocked = false;
    m_prevStart = m_start;
    m_prevEnd = m_end;
    if (b >= a || b < 0) {
        m_start = Shift(a, pos);
        m_end = Shift(b, pos);
    } else {
        m_start = Shift(b, pos);
        m_end = Shift(a, pos);
    }
    return true;
}

void CRangeMarks::SetStart(int a, int64_t pos)
{
    m_startLocked = true;
    m_prevStart = m_start;
    m_prevEnd = m_end;
    m_start = Shift(a, pos);
    m_end = kNone;
}

void CRangeMarks::ZoomIn()
{
    if (m_start != kNone)
        m_start = ToPixel(2 * int64_t(m_start) - kWaveLeft);
    if (m_end != kNone)
        m_end = ToPixel(2 * int64_t(m_end) - kWaveLeft);
}

void CRangeMarks::ZoomOut()
{
    if (m_start != kNone)
        m_start = (m_start - kWaveLeft) / 2 + kWaveLeft;
    if (m_end != kNone)
        m_end = (m_end - kWaveLeft) / 2 + kWaveLeft;
}

} // namespace brimsel
