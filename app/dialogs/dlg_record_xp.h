// Record / Option: what the capture library records (computer sound,
// microphone, or both) and, through its device list, from which devices.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QRadioButton;

/**
 * Works only through the capture library. Opening loads Capturo.ini from the
 * configuration folder; when no input is chosen there it tries both inputs,
 * then option 1, then option 2, and remembers what is in force as the value
 * at opening. The buttons show it: 1083 option 3 (both), 1084 option 1,
 * 1085 option 2; with no option (or no settings file to keep one in) they are
 * disabled, and "recordProblem" below them says why: no capture device
 * opens, or the settings cannot be kept. A click chooses and saves at once; a choice the library
 * refuses leaves the buttons showing what is in force. Button 1086 opens the device list
 * (CDlgCaptureDevices). Combo box 1087 ("recordRate") picks the rate a new
 * recording captures at: the one chosen before, else the device's own where
 * the capture library can tell it, else 44100 Hz. OK keeps the rate and
 * closes; Cancel first brings back and saves the value at opening.
 */
class CDlgRecordXp : public QDialog {
    Q_OBJECT
public:
    explicit CDlgRecordXp(QWidget* parent = nullptr);

    /** The option in force when the dialog opened; 0 or less for none. */
    int OpeningOption() const { return m_openingOption; }

    void accept() override;
    void reject() override;

    /** The rate a recording starts at: the one kept, else the device's own,
     *  else 44100 Hz. */
    static int RateInForce();

private:
    void OnOption(int option);
    void OnDevices();
    void ShowOption(int option);

    QRadioButton* m_both;
    QRadioButton* m_option1;
    QRadioButton* m_option2;
    QLabel* m_problem;
    QComboBox* m_rate;
    bool m_settingsLoaded = false;
    int m_openingOption = -1;
};
