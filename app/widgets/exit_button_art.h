// The Exit button's four looks, drawn in code: a rounded blue-grey button,
// darker when pressed, lighter under the mouse, grey when disabled.
#pragma once

#include <QPixmap>
#include <QSize>

namespace app {

struct HotBtnBitmaps {
    QPixmap normal, pressed, hover, disabled;
};

/** The four looks at size (logical pixels) for a screen of the given
 *  device pixel ratio; the corners outside the rounding are transparent. */
HotBtnBitmaps MakeExitButtonBitmaps(QSize size, qreal devicePixelRatio);

} // namespace app
