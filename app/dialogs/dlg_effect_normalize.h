// Normalize: a slider of -20.0 dB to 0.0 dB, the peak the range is brought to.
#pragma once

#include <QDialog>

/**
 * Slider 1101 runs from -200 to 0 tenths of a dB and starts where the last
 * use left it (-1.0 dB at first); label 1102 shows it as "-1.0 dB".
 * app::Values().peakMilliDb follows the slider. The caller decides on the
 * result.
 */
class CDlgEffectNormalize : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEffectNormalize(QWidget* parent = nullptr);
};
