#include "dlg_track_area.h"

CDlgTrackArea::CDlgTrackArea(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CDlgTrackArea"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);
}
