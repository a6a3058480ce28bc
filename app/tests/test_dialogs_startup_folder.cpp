// Start-up's word on the temporary folder of Config.ini: one warning that
// names the folder that cannot be used and the default used instead.
#include "dialog_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "main/startup_checks.h"

#include <gtest/gtest.h>

namespace app::test {
namespace {

using StartupFolder = DialogTest;

TEST_F(StartupFolder, AFolderThatCannotBeUsedIsToldOnceWithTheDefault)
{
    ASSERT_TRUE(WriteTmpPath(QStringLiteral("/nonexistent/dir")));
    EXPECT_EQ(ReadTmpPath(), QString()); // the default is used
    EXPECT_TRUE(WarnOfUnusableTmpPath(nullptr));
    ASSERT_EQ(m_prompts->Calls().size(), 1u);
    const PromptCall& box = m_prompts->Calls()[0];
    EXPECT_EQ(box.kind, PromptCall::Message);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains(QStringLiteral("/nonexistent/dir")));
    EXPECT_FALSE(DefaultTmpPath().isEmpty());
    EXPECT_TRUE(box.text.contains(DefaultTmpPath()));
    EXPECT_TRUE(
        box.text.startsWith(LanguageText("main", "00000023")
                                .arg(QStringLiteral("/nonexistent/dir"), DefaultTmpPath())));
}

TEST_F(StartupFolder, AUsableFolderOrNoneIsNotMentioned)
{
    EXPECT_FALSE(WarnOfUnusableTmpPath(nullptr));
    const QString folder = QString::fromStdString(env().makeDir("mine"));
    ASSERT_TRUE(WriteTmpPath(folder));
    EXPECT_EQ(ReadTmpPath(), folder);
    EXPECT_FALSE(WarnOfUnusableTmpPath(nullptr));
    EXPECT_TRUE(m_prompts->Calls().empty());
}

} // namespace
} // namespace app::test
