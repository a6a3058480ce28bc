// Adjust Volume: a slider of 10 % to 200 % that sets the program-wide gain.
#pragma once

#include <QDialog>

/**
 * Slider 1031 runs from 1 to 20 and starts at 10; label 1032 shows it as a
 * percentage. app::Values().gain is set to position * 256 / 10, truncated
 * (25 .. 512, 256 = unchanged), when the dialog opens and every time the
 * slider settles. The caller decides on the result.
 */
class CDlgEffectVolume : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEffectVolume(QWidget* parent = nullptr);
};
