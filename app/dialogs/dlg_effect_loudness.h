// Normalize Loudness: the integrated loudness (EBU R128) the range is brought
// to, chosen from the common targets or set on a slider in tenths of a LUFS.
#pragma once

#include <QDialog>

class QComboBox;
class QSlider;

/**
 * Combo box 1103 offers -14 LUFS (streaming), -16 LUFS (podcasts) and -23
 * LUFS (broadcast); choosing one moves slider 1105 (-700 to -50 tenths of a
 * LUFS, shown by label 1107 as "-16.0 LUFS"). app::Values().lufsTenths
 * follows the slider, which starts where the last use left it (-16.0 LUFS
 * at first). The caller decides on the result.
 */
class CDlgEffectLoudness : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEffectLoudness(QWidget* parent = nullptr);

private:
    QComboBox* m_presets;
    QSlider* m_target;
};
