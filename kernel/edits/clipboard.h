// The session's clipboard: a list of copied or cut ranges, each naming the
// immutable timeline version it was taken from, with a current entry that
// undo and redo of Copy and Cut move.
#pragma once

#include "vorlain/records.h"

#include <cstdint>

class CTrack;

namespace kernel {

class CClipboard {
public:
    CClipboard();
    ~CClipboard();
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;

    /** Drops the entries after the current one and appends a new current
     *  entry. The source track keeps the timeline version alive as long as
     *  the entry exists, whatever later edits and undos do. */
    void Add(CTrack& source, int64_t from, int64_t to, const CTimeline* timeline);
    const ClipboardEntry& Current() const { return *m_current; }
    /** The source track of the current entry; null for the sentinel. */
    CTrack* CurrentSource() const;
    bool IsPasteAble() const { return m_current->trackId != 0 && m_current->timeline != nullptr; }
    /** Moves the current entry one back or forward; false when there is none. */
    bool Back();
    bool Forward();

private:
    struct Node;
    void freeAfter(ClipboardEntry* entry);

    ClipboardEntry* m_sentinel;
    ClipboardEntry* m_current;
};

} // namespace kernel
