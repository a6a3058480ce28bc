// The level dialog of Echo, Mix with Copy and Mix with File: a slider of
// 10 % to 90 % that sets the program-wide factor.
#pragma once

#include <QDialog>

class QLabel;

/**
 * Slider 1033 runs from 1 to 9 and starts at 5; label 1034 shows it as a
 * percentage. app::Values().factor is set to position / 10 when the dialog
 * opens and every time the slider settles (a drag released, a key, a wheel
 * step or a click on the groove), so it holds the last position also after
 * Cancel. The caller decides on the result.
 */
class CDlgEffectEcho : public QDialog {
    Q_OBJECT
public:
    explicit CDlgEffectEcho(QWidget* parent = nullptr);

    /** The caption, given as the menu names the command: shown without its
     *  mnemonic and trailing ellipsis. Without one the dialog shows its own
     *  ("pl06" "00000000"). */
    void SetCaption(const QString& caption);
    /** Text of label 1064; without one, or with an empty one, it shows
     *  "pl06" "00000003". */
    void SetLabelText(const QString& text);

private:
    QLabel* m_prompt;
};
