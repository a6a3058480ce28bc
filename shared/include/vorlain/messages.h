// Window message numbers exchanged between the kernel, the control and the program.
#pragma once

#include "vorlain/window.h"

namespace vorlain {

/** Progress of a long operation; wParam = percent 0..100, 100 ends it. */
inline constexpr UINT WM_PROGRESS_NOTIFY = 0x04A8;
/** Control → main window: the user asked to delete a track; wParam = track id. */
inline constexpr UINT WM_TRACK_DELETE_REQUEST = 0x04A9;
/** Control → main window: wParam/lParam = selection start/end in microseconds. */
inline constexpr UINT WM_TRACK_RANGE_REQUEST = 0x04AA;
/** Project-opening worker → main window: wParam = track handle. */
inline constexpr UINT WM_ADD_TRACK_VIEW = 0x04AB;
/** Control → main window: a right click in the selected row; wParam = the
 *  mouse flags, lParam = the packed position. */
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
/** Recording → record track view (sent): wParam/lParam point at RecordPeaks. */
inline constexpr UINT WM_RECORD_PEAKS = 0x0658;

} // namespace vorlain
