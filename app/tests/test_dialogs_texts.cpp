// Where the dialogs' words come from: every caption, label and button from
// its section of the language file, nothing built in; and the About dialog's
// version and links.
#include "dialog_catalog.h"
#include "dialog_fixture.h"

#include "config/language.h"
#include "dialogs/dlg_about.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <set>

namespace app::test {
namespace {

using DialogTexts = DialogTest;
using AboutDialog = DialogTest;

TEST_F(DialogTexts, EveryTextComesFromTheDialogsSection)
{
    std::string file;
    std::set<std::string> sections;
    for (const ShownText& t : ShownTexts())
        sections.insert(t.section);
    for (const std::string& section : sections) {
        file += "[" + section + "]\n";
        for (const ShownText& t : ShownTexts())
            if (t.section == section)
                file += std::string(t.key) + "=" + section + " " + t.key + "\n";
    }
    UseLanguageFile(file);
    for (const DialogEntry& entry : AllDialogs()) {
        std::unique_ptr<QDialog> dialog = MakeDialog(entry.kind);
        for (const ShownText& t : ShownTexts())
            if (t.kind == entry.kind) {
                EXPECT_EQ(
                    TextOf(dialog.get(), t.control),
                    QStringLiteral("%1 %2").arg(QLatin1String(t.section), QLatin1String(t.key)))
                    << entry.name << " " << t.control;
            }
    }
}

TEST_F(DialogTexts, AFileWithoutTheSectionsLeavesEveryTextEmpty)
{
    UseLanguageFile("[main]\n00000000=Vorlain\n");
    for (const DialogEntry& entry : AllDialogs()) {
        std::unique_ptr<QDialog> dialog = MakeDialog(entry.kind);
        for (const ShownText& t : ShownTexts())
            if (t.kind == entry.kind) {
                EXPECT_EQ(TextOf(dialog.get(), t.control), QString())
                    << entry.name << " " << t.control;
            }
    }
}

TEST_F(DialogTexts, TheShippedFileHasEveryText)
{
    ASSERT_FALSE(LanguageFile().isEmpty());
    for (const ShownText& t : ShownTexts())
        EXPECT_FALSE(LanguageText(t.section, t.key).isEmpty()) << t.section << " " << t.key;
    // Messages and links, which no control shows at opening.
    for (auto [section, key] : {std::pair{"pl08", "0000000D"}, std::pair{"pl09", "00000005"},
                                std::pair{"pl09", "00000006"}, std::pair{"about", "00000005"},
                                std::pair{"about", "00000007"}})
        EXPECT_FALSE(LanguageText(section, key).isEmpty()) << section << " " << key;
    EXPECT_TRUE(LanguageText("about", "00000002").contains(QLatin1String("%1")));
}

TEST_F(AboutDialog, ShowsTheBuildsVersionAndOpensTheLinksThroughTheDesktop)
{
    UseLanguageFile("[about]\n00000001=Vorlain\n00000002=Version %1\n"
                    "00000004=Home page\n00000005=https://example.org/home\n"
                    "00000006=Report a problem\n00000007=https://example.org/report?a=1&b=2\n"
                    "00000008=OK\n");
    EXPECT_EQ(CDlgAbout::Version(), QStringLiteral(VORLAIN_EXPECTED_VERSION));
    QString version;
    Work<CDlgAbout>([&](CDlgAbout* dialog) {
        version = dialog->findChild<QLabel*>(QStringLiteral("version"))->text();
        for (const char* name : {"firstLink", "secondLink"}) {
            auto* link = dialog->findChild<QLabel*>(QString::fromLatin1(name));
            ASSERT_TRUE(link);
            // The link text starts at the label's left edge.
            QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier,
                              QPoint(link->contentsMargins().left() + 3, link->height() / 2));
        }
        Click(Control<QPushButton>(dialog, 1018));
    });
    CDlgAbout dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(version, QStringLiteral("Version " VORLAIN_EXPECTED_VERSION));
    EXPECT_EQ(m_prompts->Externals(),
              (QStringList{QStringLiteral("https://example.org/home"),
                           QStringLiteral("https://example.org/report?a=1&b=2")}));
}

} // namespace
} // namespace app::test
