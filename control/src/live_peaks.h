// Live recording peaks: the columns the recorder sends a recording row
// (WM_RECORD_PEAKS, one column a message, always two channels), put into
// the row's display list, and the scroll that keeps the newest in view.
#pragma once

#include "display_list.h"
#include "vorlain/records.h"

#include <cstddef>

class CViewState;

namespace brimsel {

/** Whether column idx can go into a list of `have` columns: a negative
 *  index, or one that skips more than a million columns ahead, is garbage. */
bool IsLiveColumn(int idx, size_t have);

/**
 * Scrolls the rows when column idx lies past the right edge of a row
 * rowWidth wide: the range grows and the position moves by a step, a short
 * one while playing, else half the wave area. @returns whether it scrolled.
 */
bool FollowLiveColumn(CViewState& state, int idx, int rowWidth);

/** Puts column idx into display (first column 0): a shorter list is filled
 *  with silent columns up to it, a longer one is cut back to it. */
void PutLiveColumn(CDisplayList& display, int idx, const RecordPeaks& left,
                   const RecordPeaks& right);

} // namespace brimsel
