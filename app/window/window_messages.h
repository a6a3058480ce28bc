// Messages the main window takes through the registry from the control.
#pragma once

#include "vorlain/messages.h"
#include "vorlain/window.h"

namespace app {

/** The control forwards a right click in the selected row with this number. */
using vorlain::WM_RBUTTONDOWN;

} // namespace app
