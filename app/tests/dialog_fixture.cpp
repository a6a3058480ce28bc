#include "dialog_fixture.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"

#include "vorlain/capturo.h"
#include "vorlain/platform.h"
#include "vorlain/test/audio.h"

#include <QCheckBox>
#include <QRadioButton>

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <fstream>

namespace app::test {

void Type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    for (QChar c : text) {
        // QTest knows the keys of ASCII only; other letters come as a key
        // with just their text, as from an input method.
        if (c.unicode() < 0x80)
            QTest::keyClick(edit, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void Click(QAbstractButton* button)
{
    const bool hasMark = qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
    const QPoint at =
        hasMark ? QPoint(button->height() / 2, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

void DialogTest::SetUp()
{
    IsolatedTest::SetUp();
    Values() = DialogValues{};
    SetLanguageFileOverride(QString());
    m_prompts.emplace();

    // Two capture devices that always open: the microphone through the
    // environment, computer sound as the stored device. Nothing plays or
    // records here; only opening them matters.
    if (const char* pcm = std::getenv("VORLAIN_CAPTURE_PCM"))
        m_savedCapture = pcm;
    std::ofstream rc(std::string(std::getenv("HOME")) + "/.asoundrc");
    for (const char* name : {"tapin", "tapin2"}) {
        const std::string infile = env().path(std::string(name) + ".raw");
        ASSERT_TRUE(vorlain::test::WriteBytes(infile, {})); // the plugin needs its infile
        rc << "pcm." << name << " { type file; slave.pcm \"null\"; file \"/dev/null\"; infile \""
           << infile << "\"; format \"raw\" }\n";
    }
    rc.close();
    snd_config_update_free_global(); // alsa-lib reads this test's asoundrc afresh
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    char folder[VORLAIN_MAX_PATH];
    ASSERT_TRUE(VorlainGetConfigDir(folder, sizeof folder));
    m_capturoIni = std::string(folder) + "/Capturo.ini";
    ASSERT_TRUE(VorlainWriteProfileString("Capturo", "ComputerSoundDevice", "tapin2",
                                          m_capturoIni.c_str()));
}

void DialogTest::TearDown()
{
    m_prompts.reset();
    SetLanguageFileOverride(QString());
    if (m_savedCapture)
        setenv("VORLAIN_CAPTURE_PCM", m_savedCapture->c_str(), 1);
    else
        unsetenv("VORLAIN_CAPTURE_PCM");
    snd_config_update_free_global();
    IsolatedTest::TearDown();
}

std::string DialogTest::CapturoSetting(const char* key) const
{
    char value[512] = {};
    VorlainGetProfileString("Capturo", key, "<missing>", value, sizeof value, m_capturoIni.c_str());
    return value;
}

void DialogTest::UseLanguageFile(const std::string& text)
{
    const std::string file = env().path("lang.ini");
    std::ofstream(file) << text;
    SetLanguageFileOverride(QString::fromStdString(file));
}

} // namespace app::test
