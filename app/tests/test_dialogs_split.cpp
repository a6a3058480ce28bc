// The split dialog: the number of files with its arrows, the output folder
// that outlives the dialog, and the warning when there is none.
#include "dialog_fixture.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_track_split.h"
#include "dialogs/up_down.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace app::test {
namespace {

using SplitDialog = DialogTest;

QToolButton* Arrow(QWidget* dialog, const char* which)
{
    auto* upDown = Control<CUpDown>(dialog, 1023);
    return upDown ? upDown->findChild<QToolButton*>(QString::fromLatin1(which)) : nullptr;
}

TEST_F(SplitDialog, SplitWithoutAFolderWarnsAndStays)
{
    const QString folder = QString::fromStdString(env().makeDir("parts"));
    Values().splitCount = 9;
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        EXPECT_EQ(Values().splitCount, 2);
        auto* split = Control<QPushButton>(dialog, 1026);
        ASSERT_TRUE(split);
        Click(split);
        EXPECT_TRUE(dialog->isVisible());
        ASSERT_EQ(m_prompts->Calls().size(), 1u);
        const PromptCall& box = m_prompts->Calls()[0];
        EXPECT_EQ(box.kind, PromptCall::Message);
        EXPECT_EQ(box.text, QStringLiteral("Please set the output path!"));
        EXPECT_EQ(box.icon, QMessageBox::Warning);
        EXPECT_EQ(box.caption, QStringLiteral("Vorlain")); // the program's name

        m_prompts->AnswerFolder(folder);
        Click(Control<QPushButton>(dialog, 1025));
        EXPECT_EQ(m_prompts->Calls().back().caption,
                  QStringLiteral("Please select the output path"));
        EXPECT_EQ(Control<QLineEdit>(dialog, 1024)->text(), folder);
        EXPECT_EQ(Values().splitFolder, folder);
        Click(split);
    });
    CDlgTrackSplit dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Values().splitCount, 2);
    EXPECT_EQ(Values().splitFolder, folder);
    EXPECT_EQ(m_prompts->Messages().size(), 1);
}

TEST_F(SplitDialog, RemembersTheFolderOfAnEarlierSplit)
{
    const QString folder = QString::fromStdString(env().makeDir("parts"));
    m_prompts->AnswerFolder(folder);
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        Click(Control<QPushButton>(dialog, 1025));
        Type(Control<QLineEdit>(dialog, 1022), QStringLiteral("4"));
        Click(Control<QPushButton>(dialog, 1026));
    });
    CDlgTrackSplit first;
    ASSERT_EQ(first.exec(), QDialog::Accepted);
    EXPECT_EQ(Values().splitCount, 4);

    QString shown = QStringLiteral("<unread>");
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        shown = Control<QLineEdit>(dialog, 1024)->text();
        Click(Control<QPushButton>(dialog, 1026));
    });
    CDlgTrackSplit second;
    EXPECT_EQ(second.exec(), QDialog::Accepted);
    EXPECT_EQ(shown, QString());
    EXPECT_EQ(Values().splitFolder, folder);
    EXPECT_EQ(Values().splitCount, 2);
    EXPECT_TRUE(m_prompts->Messages().isEmpty());
}

TEST_F(SplitDialog, ACancelledBrowserEmptiesTheFolder)
{
    Values().splitFolder = QStringLiteral("/earlier");
    m_prompts->AnswerFolder(QString::fromStdString(env().makeDir("parts")));
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        auto* browse = Control<QPushButton>(dialog, 1025);
        Click(browse);
        Click(browse); // cancelled
        EXPECT_EQ(Control<QLineEdit>(dialog, 1024)->text(), QString());
        EXPECT_EQ(Values().splitFolder, QString());
        Click(Control<QPushButton>(dialog, 1026));
        EXPECT_EQ(m_prompts->Messages(),
                  QStringList{QStringLiteral("Please set the output path!")});
        Click(Control<QPushButton>(dialog, 1019));
    });
    CDlgTrackSplit dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(Values().splitFolder, QString());
}

TEST_F(SplitDialog, TheNumberIsTakenAsTypedAndTheArrowsStayInRange)
{
    Values().splitFolder = QString::fromStdString(env().makeDir("parts"));
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        auto* count = Control<QLineEdit>(dialog, 1022);
        auto* upDown = Control<CUpDown>(dialog, 1023);
        ASSERT_TRUE(count && upDown);
        EXPECT_EQ(count->text(), QStringLiteral("2"));
        EXPECT_EQ(upDown->Minimum(), 1);
        EXPECT_EQ(upDown->Maximum(), 100);
        EXPECT_EQ(upDown->Value(), 2);

        Type(count, QStringLiteral("7x"));
        EXPECT_EQ(count->text(), QStringLiteral("7"));
        EXPECT_EQ(upDown->Value(), 7);
        Click(Arrow(dialog, "up"));
        EXPECT_EQ(count->text(), QStringLiteral("8"));
        QTest::keyClick(count, Qt::Key_Down);
        QTest::keyClick(count, Qt::Key_Down);
        EXPECT_EQ(count->text(), QStringLiteral("6"));

        // A zero leaves the arrows where they were; a large number moves
        // them to their end while the edit keeps what was typed.
        Type(count, QStringLiteral("0"));
        EXPECT_EQ(upDown->Value(), 6);
        Click(Arrow(dialog, "down"));
        EXPECT_EQ(count->text(), QStringLiteral("5"));
        Type(count, QStringLiteral("150"));
        EXPECT_EQ(upDown->Value(), 100);
        EXPECT_EQ(count->text(), QStringLiteral("150"));
        Click(Control<QPushButton>(dialog, 1026));
    });
    CDlgTrackSplit dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Values().splitCount, 150);

    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        auto* count = Control<QLineEdit>(dialog, 1022);
        Type(count, QStringLiteral("1"));
        Click(Arrow(dialog, "down")); // already at the bottom
        EXPECT_EQ(count->text(), QStringLiteral("1"));
        Type(count, QStringLiteral("0"));
        Click(Control<QPushButton>(dialog, 1026));
    });
    CDlgTrackSplit zero;
    EXPECT_EQ(zero.exec(), QDialog::Accepted);
    EXPECT_EQ(Values().splitCount, 0);

    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        Type(Control<QLineEdit>(dialog, 1022), QStringLiteral("12"));
        Click(Control<QPushButton>(dialog, 1019));
    });
    CDlgTrackSplit cancelled;
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_EQ(Values().splitCount, 2); // as set at opening
}

TEST_F(SplitDialog, ATypedFolderIsTakenAndOneThatCannotBeUsedIsRefusedVisibly)
{
    const QString folder = QString::fromStdString(env().makeDir("typed parts"));
    bool editable = false;
    QString reason;
    bool hiddenAgain = false;
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1024);
        auto* why = dialog->findChild<QLabel*>(QStringLiteral("folderProblem"));
        ASSERT_TRUE(edit && why);
        editable = !edit->isReadOnly();
        Type(edit, QStringLiteral("/nonexistent/dir"));
        Click(Control<QPushButton>(dialog, 1026));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(why->isVisible());
        reason = why->text();
        Type(edit, folder);
        hiddenAgain = !why->isVisible();
        Click(Control<QPushButton>(dialog, 1026));
    });
    CDlgTrackSplit dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(editable);
    EXPECT_EQ(reason, LanguageText("main", "00000020").arg(QStringLiteral("/nonexistent/dir")));
    EXPECT_TRUE(hiddenAgain);
    EXPECT_EQ(Values().splitFolder, folder);
    EXPECT_TRUE(m_prompts->Calls().empty()); // neither a warning box nor a browser
}

TEST_F(SplitDialog, AKeptFolderThatIsGoneIsRefused)
{
    Values().splitFolder = QStringLiteral("/nonexistent/earlier");
    bool refused = false;
    Work<CDlgTrackSplit>([&](CDlgTrackSplit* dialog) {
        Click(Control<QPushButton>(dialog, 1026));
        refused = dialog->isVisible() &&
                  dialog->findChild<QLabel*>(QStringLiteral("folderProblem"))->isVisible();
        Click(Control<QPushButton>(dialog, 1019));
    });
    CDlgTrackSplit dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(refused);
}

} // namespace
} // namespace app::test
