// Change Pitch: semitones and cents, how far the range's pitch moves.
#pragma once

#include <QDialog>

class QSlider;

/**
 * Slider 1114 runs from -24 to 24 semitones (label 1115 shows "+2
 * semitones"), slider 1117 from -99 to 99 cents (label 1118 shows "+50
 * cents"). app::Values().cents follows both as semitones * 100 + cents,
 * kept within two octaves: at +24 semitones the cents slider goes back to at
 * most 0, at -24 to at least 0. Both start where the last use left them (+2
 * semitones at first). The caller decides on the result.
 */
class CDlgEffectPitch : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEffectPitch(QWidget* parent = nullptr);

private:
    /** Stores the two sliders' total, first bringing the cents back within
     *  two octaves. */
    void storeTotal();

    QSlider* m_semitones = nullptr;
    QSlider* m_cents = nullptr;
};
