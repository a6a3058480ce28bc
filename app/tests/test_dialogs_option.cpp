// The Options dialog: the temporary path shown, browsed, refused when empty
// or unusable, and written to Config.ini.
#include "dialog_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_option.h"

#include "vorlain/platform.h"

#include <QDir>
#include <QPushButton>

#include <gtest/gtest.h>

namespace app::test {
namespace {

using OptionDialog = DialogTest;

std::string StoredTmpPath()
{
    char value[4096] = {};
    VorlainGetProfileString("Option", "TmpPath", "<missing>", value, sizeof value,
                            ConfigIniPath().toUtf8().constData());
    return value;
}

TEST_F(OptionDialog, OkWritesTheTemporaryPathToConfigIni)
{
    const std::string configFolder = env().path("home/.config/Vorlain");
    vorlain::test::RemoveTree(configFolder);
    QString shown = QStringLiteral("<unread>");
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        ASSERT_TRUE(edit);
        shown = edit->text();
        Type(edit, QStringLiteral("/srv/audio/Temp files/ä"));
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(shown, QString()); // nothing stored yet
    EXPECT_TRUE(vorlain::test::Exists(configFolder));
    EXPECT_EQ(StoredTmpPath(), "/srv/audio/Temp files/ä");
    EXPECT_EQ(ReadTmpPath(), QStringLiteral("/srv/audio/Temp files/ä"));
    EXPECT_TRUE(m_prompts->Calls().empty());

    // Next time the stored path is shown, and Cancel leaves it alone.
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        shown = edit->text();
        Type(edit, QStringLiteral("/elsewhere"));
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgOption again;
    EXPECT_EQ(again.exec(), QDialog::Rejected);
    EXPECT_EQ(shown, QStringLiteral("/srv/audio/Temp files/ä"));
    EXPECT_EQ(StoredTmpPath(), "/srv/audio/Temp files/ä");
}

TEST_F(OptionDialog, EmptyPathIsRefusedWithAnErrorAndTheDialogStays)
{
    ASSERT_TRUE(WriteTmpPath(QStringLiteral("/old")));
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        Type(edit, QString());
        Click(Control<QPushButton>(dialog, 1));
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        const PromptCall& box = m_prompts->Calls()[0];
        EXPECT_EQ(box.kind, PromptCall::Message);
        EXPECT_EQ(box.text, QStringLiteral("The temporary path is empty!"));
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.caption, QString());
        EXPECT_EQ(StoredTmpPath(), "/old");

        Type(edit, QStringLiteral("/new"));
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(StoredTmpPath(), "/new");
    EXPECT_EQ(m_prompts->Messages().size(), 1);
}

TEST_F(OptionDialog, BrowseFillsThePathAndACancelledBrowserEmptiesIt)
{
    const QString chosen = QString::fromStdString(env().makeDir("chosen folder"));
    m_prompts->AnswerFolder(chosen);
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        auto* browse = Control<QPushButton>(dialog, 1025);
        ASSERT_TRUE(browse);
        Click(browse);
        EXPECT_EQ(edit->text(), chosen);
        Click(browse); // nothing scripted: the browser is cancelled
        EXPECT_EQ(edit->text(), QString());
        Click(browse);
        Click(Control<QPushButton>(dialog, 1));
        EXPECT_EQ(m_prompts->Messages(),
                  QStringList{QStringLiteral("The temporary path is empty!")});
        m_prompts->AnswerFolder(chosen);
        Click(browse);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(StoredTmpPath(), chosen.toStdString());
    int browsers = 0;
    for (const PromptCall& call : m_prompts->Calls())
        if (call.kind == PromptCall::Folder) {
            ++browsers;
            EXPECT_EQ(call.caption, QStringLiteral("Please select the output path"));
        }
    EXPECT_EQ(browsers, 4);
}

TEST_F(OptionDialog, PathsThatCannotBeKeptAreRefused)
{
    ASSERT_TRUE(WriteTmpPath(QStringLiteral("/old")));
    // 259 bytes are read back whole; one more would come back cut.
    const QString longest = QLatin1Char('/') + QString(257, QLatin1Char('a')) + QChar(0x00E4);
    ASSERT_EQ(longest.toUtf8().size(), 260);
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        edit->setText(longest); // pasted
        Click(Control<QPushButton>(dialog, 1));
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        EXPECT_EQ(m_prompts->Calls()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(m_prompts->Calls()[0].text, LanguageText("pl09", "00000005"));
        EXPECT_EQ(StoredTmpPath(), "/old");

        edit->setText(longest.left(258) + QLatin1Char('b'));
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(ReadTmpPath(), longest.left(258) + QLatin1Char('b'));
}

TEST_F(OptionDialog, AFailedWriteIsReportedAndTheDialogStays)
{
    // A folder where Config.ini belongs: the file cannot be replaced.
    ASSERT_TRUE(QDir().mkpath(ConfigIniPath()));
    Work<CDlgOption>([&](CDlgOption* dialog) {
        Type(Control<QLineEdit>(dialog, 1039), QStringLiteral("/new"));
        Click(Control<QPushButton>(dialog, 1));
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        EXPECT_EQ(m_prompts->Calls()[0].text, LanguageText("pl09", "00000006"));
        EXPECT_EQ(m_prompts->Calls()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(m_prompts->Calls()[0].caption, QString());
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

} // namespace
} // namespace app::test
