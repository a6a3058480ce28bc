// Insert Silence: asks for the length of silence, in milliseconds.
#pragma once

#include <QDialog>

class QLineEdit;

/**
 * Edit 1041 takes digits only and starts at 2000. OK sets
 * app::Values().silenceLength to the number typed times 1000 microseconds
 * (an empty edit reads 0); Cancel changes nothing.
 */
class CDlgAddSilence : public QDialog {
    Q_OBJECT
public:
    explicit CDlgAddSilence(QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* m_length;
};
