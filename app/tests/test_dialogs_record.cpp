// The record-source dialog and its device list, over the real capture
// library: both inputs are ALSA file plugins over null, so which options
// open is decided by the device names the tests store.
#include "dialog_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_capture_devices.h"
#include "dialogs/dlg_record_xp.h"

#include "vorlain/capturo.h"
#include "vorlain/platform.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <fstream>

namespace app::test {
namespace {

class RecordSourceDialog : public DialogTest {
protected:
    void Store(const char* key, const char* value)
    {
        ASSERT_TRUE(VorlainWriteProfileString("Capturo", key, value, CapturoIni().c_str()));
    }
    /** Which of 1083, 1084, 1085 is checked (0 for none), and whether they are enabled. */
    static int Checked(QWidget* dialog, bool* enabled = nullptr)
    {
        int checked = 0;
        bool allEnabled = true;
        for (int id : {1083, 1084, 1085}) {
            auto* button = Control<QRadioButton>(dialog, id);
            if (!button)
                return -1;
            if (button->isChecked())
                checked = checked ? -1 : id;
            allEnabled &= button->isEnabled();
        }
        if (enabled)
            *enabled = allEnabled;
        return checked;
    }
};

using CaptureDevicesDialog = RecordSourceDialog;

TEST_F(RecordSourceDialog, NothingStoredSelectsBothInputs)
{
    int checked = 0;
    bool enabled = false;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        checked = Checked(dialog, &enabled);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.OpeningOption(), 3);
    EXPECT_EQ(checked, 1083);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(crxGetOption(), 3);
    // Opening chose nothing that it wrote down.
    EXPECT_EQ(CapturoSetting("ComputerSoundDevice"), "tapin2");
    EXPECT_EQ(CapturoSetting("Option"), "<missing>");

    // Cancel saves the input in force at opening.
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) { Click(Control<QPushButton>(dialog, 2)); });
    CDlgRecordXp cancelled;
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_EQ(CapturoSetting("Option"), "3");
}

TEST_F(RecordSourceDialog, OpeningFallsBackToTheFirstInputThatOpens)
{
    Store("ComputerSoundDevice", "vorlain_no_such_pcm");
    int checked = 0;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        checked = Checked(dialog);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.OpeningOption(), 1);
    EXPECT_EQ(checked, 1084);

    // No input opens: nothing to choose from.
    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    bool enabled = true;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        checked = Checked(dialog, &enabled);
        EXPECT_TRUE(Control<QPushButton>(dialog, 1086)->isEnabled());
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp none;
    EXPECT_EQ(none.exec(), QDialog::Rejected);
    EXPECT_LE(none.OpeningOption(), 0);
    EXPECT_EQ(checked, 0);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(CapturoSetting("Option"), "<missing>");
}

TEST_F(RecordSourceDialog, AClickChoosesAndSavesAtOnce)
{
    Store("Option", "3");
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        EXPECT_EQ(Checked(dialog), 1083);
        Click(Control<QRadioButton>(dialog, 1085));
        EXPECT_EQ(Checked(dialog), 1085);
        EXPECT_EQ(crxGetOption(), 2);
        EXPECT_EQ(CapturoSetting("Option"), "2");
        Click(Control<QRadioButton>(dialog, 1084));
        EXPECT_EQ(crxGetOption(), 1);
        EXPECT_EQ(CapturoSetting("Option"), "1");
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(CapturoSetting("Option"), "1");
    EXPECT_TRUE(m_prompts->Calls().empty());
}

TEST_F(RecordSourceDialog, CancelRestoresTheInputSetAtOpening)
{
    Store("Option", "3");
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        Click(Control<QRadioButton>(dialog, 1084));
        EXPECT_EQ(CapturoSetting("Option"), "1");
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(crxGetOption(), 3);
    EXPECT_EQ(CapturoSetting("Option"), "3");

    // Escape cancels the same way.
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        Click(Control<QRadioButton>(dialog, 1085));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    CDlgRecordXp escaped;
    EXPECT_EQ(escaped.exec(), QDialog::Rejected);
    EXPECT_EQ(CapturoSetting("Option"), "3");
}

TEST_F(RecordSourceDialog, ARefusedChoiceKeepsShowingTheInputInForce)
{
    Store("Option", "1");
    Store("ComputerSoundDevice", "vorlain_no_such_pcm");
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        EXPECT_EQ(Checked(dialog), 1084);
        Click(Control<QRadioButton>(dialog, 1085)); // its device does not open
        EXPECT_EQ(Checked(dialog), 1084);
        Click(Control<QRadioButton>(dialog, 1083));
        EXPECT_EQ(Checked(dialog), 1084);
        EXPECT_EQ(crxGetOption(), 1);
        EXPECT_EQ(CapturoSetting("Option"), "1");
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

TEST_F(RecordSourceDialog, AFailedSaveIsReported)
{
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        // The settings file turns into a folder: it can no longer be replaced.
        ASSERT_TRUE(QFile::remove(QString::fromStdString(CapturoIni())));
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(CapturoIni())));
        Click(Control<QRadioButton>(dialog, 1085));
        EXPECT_EQ(Checked(dialog), 1085); // in force, only not kept
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        EXPECT_EQ(m_prompts->Calls()[0].text, LanguageText("pl08", "0000000D"));
        EXPECT_EQ(m_prompts->Calls()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(m_prompts->Calls()[0].caption, QStringLiteral("Vorlain"));
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(crxGetOption(), 3);
}

TEST_F(RecordSourceDialog, TheRatePickedIsKeptByOkAndNotByCancel)
{
    // Nothing kept, and the file plugin takes any rate: 44100 Hz.
    EXPECT_EQ(CDlgRecordXp::RateInForce(), 44100);
    QStringList offered;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        auto* rate = Control<QComboBox>(dialog, 1087);
        ASSERT_NE(rate, nullptr);
        EXPECT_EQ(rate->currentData().toInt(), 44100);
        EXPECT_EQ(rate->currentText(), QStringLiteral("44100 Hz"));
        for (int i = 0; i < rate->count(); ++i)
            offered << rate->itemText(i);
        rate->setCurrentIndex(rate->findData(48000));
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp cancelled;
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_TRUE(offered.contains(QStringLiteral("48000 Hz")));
    EXPECT_TRUE(offered.contains(QStringLiteral("8000 Hz")));
    EXPECT_TRUE(offered.contains(QStringLiteral("192000 Hz")));
    EXPECT_EQ(RecordRate(), 0);

    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        auto* rate = Control<QComboBox>(dialog, 1087);
        rate->setCurrentIndex(rate->findData(48000));
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp kept;
    EXPECT_EQ(kept.exec(), QDialog::Accepted);
    EXPECT_EQ(RecordRate(), 48000);
    EXPECT_EQ(CDlgRecordXp::RateInForce(), 48000);
    int shown = 0;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        shown = Control<QComboBox>(dialog, 1087)->currentData().toInt();
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp reopened;
    reopened.exec();
    EXPECT_EQ(shown, 48000);
}

TEST_F(RecordSourceDialog, WithoutASettingsFileNothingCanBeChosen)
{
    // A configuration folder that cannot be had.
    const std::string blocker = env().path("not-a-folder");
    std::ofstream(blocker) << "x";
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    ASSERT_EQ(CapturoIniPath(), QString());
    int checked = -1;
    bool enabled = true;
    bool devices = true;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        checked = Checked(dialog, &enabled);
        devices = Control<QPushButton>(dialog, 1086)->isEnabled();
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(checked, 0);
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(devices);
}

TEST_F(CaptureDevicesDialog, ListsTheDevicesAndStoresAChangedOne)
{
    QStringList microphones, computerSound;
    QString micShown, soundShown;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        Work<CDlgCaptureDevices>([&](CDlgCaptureDevices* devices) {
            auto* mic = devices->findChild<QComboBox*>(QStringLiteral("microphoneDevices"));
            auto* sound = devices->findChild<QComboBox*>(QStringLiteral("computerSoundDevices"));
            ASSERT_TRUE(mic && sound);
            for (int i = 0; i < mic->count(); ++i)
                microphones << mic->itemText(i);
            for (int i = 0; i < sound->count(); ++i)
                computerSound << sound->itemText(i);
            micShown = mic->currentText();
            soundShown = sound->currentText();
            Type(mic->lineEdit(), QStringLiteral("tapin"));
            Click(Control<QPushButton>(devices, 1));
        });
        Click(Control<QPushButton>(dialog, 1086));
        EXPECT_EQ(CapturoSetting("MicrophoneDevice"), "tapin");
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_FALSE(microphones.isEmpty());
    EXPECT_EQ(microphones.first(), QStringLiteral("default")); // the stored one leads
    ASSERT_FALSE(computerSound.isEmpty());
    EXPECT_EQ(computerSound.first(), QStringLiteral("tapin2"));
    EXPECT_EQ(micShown, QStringLiteral("default"));
    EXPECT_EQ(soundShown, QStringLiteral("tapin2"));
    char name[256] = {};
    ASSERT_TRUE(crxGetSelectedDevice(CRX_OPTION_MICROPHONE, name, sizeof name));
    EXPECT_STREQ(name, "tapin");
    EXPECT_EQ(CapturoSetting("ComputerSoundDevice"), "tapin2");
}

TEST_F(CaptureDevicesDialog, ARefusedNameIsReportedAndTheDialogStays)
{
    ASSERT_TRUE(crxInitSetting(CapturoIni().c_str()));
    Work<CDlgCaptureDevices>([&](CDlgCaptureDevices* devices) {
        auto* sound = devices->findChild<QComboBox*>(QStringLiteral("computerSoundDevices"));
        Type(sound->lineEdit(), QString());
        Click(Control<QPushButton>(devices, 1));
        EXPECT_TRUE(devices->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        EXPECT_EQ(m_prompts->Calls()[0].text, LanguageText("pl08", "0000000D"));
        EXPECT_EQ(m_prompts->Calls()[0].icon, QMessageBox::Critical);
        Click(Control<QPushButton>(devices, 2));
    });
    CDlgCaptureDevices dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(CapturoSetting("ComputerSoundDevice"), "tapin2");
}

TEST_F(RecordSourceDialog, WithoutACaptureDeviceTheDialogSaysWhyNothingCanBeChosen)
{
    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    Store("ComputerSoundDevice", "vorlain_no_such_pcm");
    bool enabled = true;
    bool told = false;
    QString reason;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        EXPECT_EQ(Checked(dialog, &enabled), 0);
        auto* why = dialog->findChild<QLabel*>(QStringLiteral("recordProblem"));
        ASSERT_TRUE(why);
        told = why->isVisible();
        reason = why->text();
        // Inside the dialog, below the choices.
        EXPECT_TRUE(dialog->rect().contains(why->geometry()));
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp dialog;
    dialog.exec();
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(told);
    EXPECT_EQ(reason, LanguageText("pl08", "0000000F"));
    EXPECT_FALSE(reason.isEmpty());
}

TEST_F(RecordSourceDialog, WithADeviceNothingIsExplained)
{
    bool told = true;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        told = dialog->findChild<QLabel*>(QStringLiteral("recordProblem"))->isVisible();
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgRecordXp dialog;
    dialog.exec();
    EXPECT_FALSE(told);
}

TEST_F(RecordSourceDialog, WithoutASettingsFileTheDialogSaysWhy)
{
    const std::string blocker = env().path("not-a-folder");
    std::ofstream(blocker) << "x";
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    QString reason;
    Work<CDlgRecordXp>([&](CDlgRecordXp* dialog) {
        auto* why = dialog->findChild<QLabel*>(QStringLiteral("recordProblem"));
        ASSERT_TRUE(why);
        if (why->isVisible())
            reason = why->text();
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgRecordXp dialog;
    dialog.exec();
    EXPECT_EQ(reason, LanguageText("pl08", "00000010"));
}

} // namespace
} // namespace app::test
