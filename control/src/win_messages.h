// The window-message numbers and parameter packing the control uses besides
// the messages shared with the kernel and the program (vorlain/messages.h).
#pragma once

#include "vorlain/messages.h"
#include "vorlain/window.h"

#include <cstdint>

namespace brimsel {

inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
using vorlain::WM_RBUTTONDOWN; // forwarded to the main window
/** Private to the control: a view's background build has a result. */
inline constexpr UINT WM_BRIMSEL_PEAKS_READY = 0x7F01;

inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;

/** MAKELPARAM(x, y): x in the low 16 bits, y in the next 16. */
inline LPARAM MakeLParam(int x, int y)
{
    return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(x)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}
/** The signed x and y of a packed mouse position. */
inline int XOfLParam(LPARAM l)
{
    return static_cast<int16_t>(static_cast<uint16_t>(l & 0xFFFF));
}
inline int YOfLParam(LPARAM l)
{
    return static_cast<int16_t>(static_cast<uint16_t>((l >> 16) & 0xFFFF));
}

} // namespace brimsel
