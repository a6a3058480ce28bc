// The ruler's marked range: where its two markers stand and where they
// stood before the last change.
#pragma once

#include "time_mapping.h"

#include <cstdint>

namespace brimsel {

/** Marker positions are content x (view x + scroll position), so that a
 *  scroll moves them with the rows; kNone is no marker. */
class CRangeMarks {
public:
    int Start() const { return m_start; }
    int End() const { return m_end; }
    int PrevStart() const { return m_prevStart; }
    int PrevEnd() const { return m_prevEnd; }
    /** Set by a start placed alone (SetStart) until the next range. */
    bool StartLocked() const { return m_startLocked; }

    /**
     * Markers from view x a and b at scroll position pos, in order; (kNone,
     * kNone) removes both. @returns false when a click hardly moved (b
     * within two pixels of a): the markers stay where they are.
     */
    bool SetRange(int a, int b, int64_t pos);
    /** The start marker alone at view x a; locks the start. */
    void SetStart(int a, int64_t pos);
    /** Keeps the markers on the same times when the zoom halves or doubles. */
    void ZoomIn();
    void ZoomOut();

private:
    int m_start = kNone;
    int m_end = kNone;
    int m_prevStart = kNone;
    int m_prevEnd = kNone;
    bool m_startLocked = true;
};

} // namespace brimsel
