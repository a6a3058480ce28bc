// The white area below the ruler that holds the track rows.
#pragma once

#include <QWidget>

class CDlgTrackArea : public QWidget {
    Q_OBJECT
public:
    explicit CDlgTrackArea(QWidget* parent);
};
