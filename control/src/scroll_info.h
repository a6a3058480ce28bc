// A scroll bar's range as the control's algorithms reason about it.
#pragma once

namespace brimsel {

/** nMin..nMax with a page of nPage and the position nPos. The empty range
 *  (nMax -1, nPage -1) is a bar with nothing to scroll. */
struct ScrollInfo {
    int nMin = 0;
    int nMax = -1;
    int nPage = -1;
    int nPos = 0;

    static ScrollInfo Empty() { return ScrollInfo{}; }
    bool Contains(int pos) const { return pos >= nMin && pos <= nMax; }
    bool operator==(const ScrollInfo&) const = default;
};

} // namespace brimsel
