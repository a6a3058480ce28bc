// Change Tempo: a slider of -90 % to +900 %, how much faster the range plays.
#pragma once

#include <QDialog>

/**
 * Slider 1111 runs from -90 to 900 percent and starts where the last use
 * left it (+10 % at first); label 1112 shows it as "+10%". +100 plays twice
 * as fast (the range halves), -50 half as fast (it doubles); the pitch stays.
 * app::Values().tempoPercent follows the slider. The caller decides on the
 * result.
 */
class CDlgEffectTempo : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEffectTempo(QWidget* parent = nullptr);
};
