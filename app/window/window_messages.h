// Messages the main window's own helpers post to it through the registry.
#pragma once

#include "vorlain/messages.h"
#include "vorlain/window.h"

namespace app {

/** The control forwards a right click in the selected row with this number. */
using vorlain::WM_RBUTTONDOWN;
/** A recording's stop ended on its thread; wParam = the kernel's result. */
inline constexpr UINT WM_RECORD_STOPPED = 0x7F20;

} // namespace app
