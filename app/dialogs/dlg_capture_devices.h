// The capture library's devices: which microphone and which computer-sound
// source (a monitor or loopback) it records from.
#pragma once

#include <QDialog>

class QComboBox;

/**
 * Lists the library's devices for the microphone and for computer sound,
 * each showing the stored one; a name may also be typed (any ALSA capture
 * device). OK stores every changed name with crxSelectDevice, which writes
 * Capturo.ini at once; a name the library refuses (empty, too long, or a
 * file that cannot be written) gets an error box and the dialog stays open.
 * Expects crxInitSetting to have been called.
 */
class CDlgCaptureDevices : public QDialog {
    Q_OBJECT
public:
    explicit CDlgCaptureDevices(QWidget* parent = nullptr);

    void accept() override;

private:
    QComboBox* m_microphone;
    QComboBox* m_computerSound;
};
