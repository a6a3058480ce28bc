// The program's icons, drawn in code: the toolbar buttons' images and the
// window icon. Every toolbar icon is a 32 x 32 drawing in one style (2-pixel
// strokes, one palette, one corner radius) with three looks: normal, active
// (under the mouse, brighter) and disabled (grey and light).
#pragma once

#include <QIcon>
#include <QImage>

namespace app {

/** The toolbar image of a toolbar command id, with QIcon::Normal, Active
 *  and Disabled pixmaps at 32 x 32 for device pixel ratios 1 and 2; a null
 *  icon for an id that has no toolbar button. */
QIcon ToolIcon(int commandId);

/** The program's window icon at 16, 22, 24, 32, 48, 64, 128 and 256 pixels. */
QIcon AppIcon();

/** The window icon at size x size pixels, on a transparent background. */
QImage RenderAppIcon(int size);

} // namespace app
