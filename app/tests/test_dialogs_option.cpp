// The Options dialog: the temporary path shown, browsed, refused when empty
// or unusable, and written to Config.ini.
#include "dialog_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_option.h"

#include "vorlain/platform.h"
#include "vorlain/test/audio.h"

#include <QDir>
#include <QLabel>
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
    const QString folder = QString::fromStdString(env().makeDir("Temp files ä"));
    QString shown = QStringLiteral("<unread>");
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        ASSERT_TRUE(edit);
        shown = edit->text();
        Type(edit, folder);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(shown, QString()); // nothing stored yet
    EXPECT_TRUE(vorlain::test::Exists(configFolder));
    EXPECT_EQ(StoredTmpPath(), folder.toStdString());
    EXPECT_EQ(ReadTmpPath(), folder);
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
    EXPECT_EQ(shown, folder);
    EXPECT_EQ(StoredTmpPath(), folder.toStdString());
}

TEST_F(OptionDialog, EmptyPathIsRefusedWithAnErrorAndTheDialogStays)
{
    ASSERT_TRUE(WriteTmpPath(QStringLiteral("/old")));
    const QString fresh = QString::fromStdString(env().makeDir("new"));
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
        EXPECT_EQ(box.caption, QStringLiteral("Vorlain")); // the program's name
        EXPECT_EQ(StoredTmpPath(), "/old");

        Type(edit, fresh);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(StoredTmpPath(), fresh.toStdString());
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
    // 259 bytes are read back whole; one more would come back cut. The
    // folder of 259 bytes is made, so that it can be taken.
    const QString base = QString::fromStdString(env().makeDir("long")) + QLatin1Char('/');
    const QString longest =
        base + QString(257 - base.toUtf8().size() + 1, QLatin1Char('a')) + QChar(0x00E4);
    ASSERT_EQ(longest.toUtf8().size(), 260);
    ASSERT_TRUE(QDir().mkpath(longest.left(longest.size() - 1) + QLatin1Char('b')));
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        edit->setText(longest); // pasted
        Click(Control<QPushButton>(dialog, 1));
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        EXPECT_EQ(m_prompts->Calls()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(m_prompts->Calls()[0].text, LanguageText("pl09", "00000005"));
        EXPECT_EQ(StoredTmpPath(), "/old");

        edit->setText(longest.left(longest.size() - 1) + QLatin1Char('b'));
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(ReadTmpPath(), longest.left(longest.size() - 1) + QLatin1Char('b'));
}

TEST_F(OptionDialog, AFailedWriteIsReportedAndTheDialogStays)
{
    // A folder where Config.ini belongs: the file cannot be replaced.
    ASSERT_TRUE(QDir().mkpath(ConfigIniPath()));
    const QString fresh = QString::fromStdString(env().makeDir("new"));
    Work<CDlgOption>([&](CDlgOption* dialog) {
        Type(Control<QLineEdit>(dialog, 1039), fresh);
        Click(Control<QPushButton>(dialog, 1));
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        EXPECT_EQ(m_prompts->Calls()[0].text, LanguageText("pl09", "00000006"));
        EXPECT_EQ(m_prompts->Calls()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(m_prompts->Calls()[0].caption, QStringLiteral("Vorlain"));
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

TEST_F(OptionDialog, AFolderThatCannotBeUsedIsRefusedInTheDialogWithTheReason)
{
    ASSERT_TRUE(WriteTmpPath(QStringLiteral("/old")));
    const std::string file = env().path("a file");
    ASSERT_TRUE(vorlain::test::WriteBytes(file, {}));
    const QString usable = QString::fromStdString(env().makeDir("usable"));
    QStringList reasons;
    bool hiddenWhenTyping = false;
    Work<CDlgOption>([&](CDlgOption* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1039);
        auto* why = dialog->findChild<QLabel*>(QStringLiteral("folderProblem"));
        ASSERT_TRUE(why);
        EXPECT_FALSE(why->isVisible());
        // /proc takes no new folder, not even from root.
        for (const QString& path : {QStringLiteral("/nonexistent/dir"),
                                    QString::fromStdString(file), QStringLiteral("/proc")}) {
            Type(edit, path);
            Click(Control<QPushButton>(dialog, 1));
            EXPECT_TRUE(dialog->isVisible()) << path.toStdString();
            EXPECT_TRUE(why->isVisible()) << path.toStdString();
            reasons << why->text();
        }
        Type(edit, usable);
        hiddenWhenTyping = !why->isVisible();
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgOption dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(reasons,
              (QStringList{LanguageText("main", "00000020").arg(QStringLiteral("/nonexistent/dir")),
                           LanguageText("main", "00000021").arg(QString::fromStdString(file)),
                           LanguageText("main", "00000022").arg(QStringLiteral("/proc"))}));
    EXPECT_TRUE(hiddenWhenTyping);
    EXPECT_EQ(StoredTmpPath(), usable.toStdString());
    EXPECT_TRUE(m_prompts->Calls().empty()); // told in the dialog, not in a box
}

TEST_F(OptionDialog, ShowsTheFolderInForceAndWhenAChangeApplies)
{
    // The fixture's TMPDIR is the default temp base.
    QString byDefault = QString::fromLocal8Bit(qgetenv("TMPDIR"));
    while (byDefault.endsWith(QLatin1Char('/')))
        byDefault.chop(1);
    ASSERT_FALSE(byDefault.isEmpty());
    const QString mine = QString::fromStdString(env().makeDir("mine"));
    QString inUse, note, placeholder;
    auto read = [&](CDlgOption* dialog) {
        auto* label = dialog->findChild<QLabel*>(QStringLiteral("folderInUse"));
        auto* applies = dialog->findChild<QLabel*>(QStringLiteral("whenApplied"));
        ASSERT_TRUE(label && applies);
        EXPECT_TRUE(label->isVisible() && applies->isVisible());
        inUse = label->text();
        note = applies->text();
        placeholder = Control<QLineEdit>(dialog, 1039)->placeholderText();
        Click(Control<QPushButton>(dialog, 2));
    };
    const QString inUseText = LanguageText("pl09", "00000007");

    // Nothing stored: the default.
    Work<CDlgOption>(read);
    CDlgOption first;
    first.exec();
    EXPECT_EQ(inUse, inUseText.arg(byDefault));
    EXPECT_EQ(placeholder, byDefault);
    EXPECT_EQ(note, LanguageText("pl09", "00000008"));
    EXPECT_FALSE(note.isEmpty());

    // A usable folder stored: that one.
    ASSERT_TRUE(WriteTmpPath(mine));
    Work<CDlgOption>(read);
    CDlgOption second;
    second.exec();
    EXPECT_EQ(inUse, inUseText.arg(mine));

    // One that cannot be used: the default again.
    ASSERT_TRUE(WriteTmpPath(QStringLiteral("/nonexistent/dir")));
    Work<CDlgOption>(read);
    CDlgOption third;
    third.exec();
    EXPECT_EQ(inUse, inUseText.arg(byDefault));
}

} // namespace
} // namespace app::test
