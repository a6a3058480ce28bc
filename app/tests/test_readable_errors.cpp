// What a failure tells the user: the family a code and the file behind it
// fall in, the sentence of that family, and the one spelling of the code.
#include "window_fixture.h"

#include "config/language.h"
#include "main/failure_text.h"

#include <sys/stat.h>
#include <unistd.h>

namespace app::test {
namespace {

class ReadableErrors : public WindowTest {};

TEST_F(ReadableErrors, EachCodeFallsInItsFamily)
{
    using F = FailureFamily;
    // The kinds the codes carry.
    EXPECT_EQ(ClassifyFailure(0x0376B007), F::kDiskFull); // import, no room
    EXPECT_EQ(ClassifyFailure(0x0D85B007), F::kDiskFull); // a write of a call
    EXPECT_EQ(ClassifyFailure(0x031AB004), F::kMissing);  // a project's data file
    EXPECT_EQ(ClassifyFailure(0x0D86B004), F::kMissing);  // a data file an edit reads
    // The places.
    EXPECT_EQ(ClassifyFailure(0x0B3BB001), F::kNoCaptureDevice);
    EXPECT_EQ(ClassifyFailure(0x0B21B001), F::kNoCaptureDevice);
    EXPECT_EQ(ClassifyFailure(0x0E40B001), F::kNoPlaybackDevice);
    EXPECT_EQ(ClassifyFailure(0x0B0CB001), F::kGeneral);        // a track of another format
    EXPECT_EQ(ClassifyFailure(0x02CAB002), F::kProjectDamaged); // not XML
    EXPECT_EQ(ClassifyFailure(0x0300B002), F::kProjectDamaged); // an element missing
    EXPECT_EQ(ClassifyFailure(0x0308B002), F::kProjectDamaged); // an unsafe name
    EXPECT_EQ(ClassifyFailure(0x0320B002), F::kGeneral);        // recovery held elsewhere
    EXPECT_EQ(ClassifyFailure(0x035DB001), F::kNotAudio);
    EXPECT_EQ(ClassifyFailure(0x03C0B001), F::kNotAudio);
    EXPECT_EQ(ClassifyFailure(0x0720B002), F::kGeneral);
    EXPECT_EQ(ClassifyFailure(0), F::kGeneral);
}

TEST_F(ReadableErrors, TheFileBehindACallTellsMissingAndRefusedFromDamaged)
{
    using F = FailureFamily;
    const std::string text = env().path("notes.wav");
    ASSERT_TRUE(vorlain::test::WriteBytes(text, {'n', 'o'}));
    const QString path = QString::fromStdString(text);
    EXPECT_EQ(ClassifyFailure(0x035DB001, {path}), F::kNotAudio);
    EXPECT_EQ(ClassifyFailure(0x035DB001, {path + "x"}), F::kMissing);
    // A full disk is said whatever the file.
    EXPECT_EQ(ClassifyFailure(0x0376B007, {path + "x"}), F::kDiskFull);
    // Writing into a folder that is a file, or that is gone.
    EXPECT_EQ(ClassifyFailure(0x00FEB001, {path + "/out.wav", true}), F::kMissing);
    EXPECT_EQ(ClassifyFailure(0x00FEB001, {QString::fromStdString(env().path("no/out.wav")), true}),
              F::kMissing);
    EXPECT_EQ(ClassifyFailure(0x00FEB001, {QString::fromStdString(env().path("out.wav")), true}),
              F::kGeneral);
    // Permissions: root reads and writes everything, so only a user sees them.
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(text.c_str(), 0), 0);
        EXPECT_EQ(ClassifyFailure(0x035DB001, {path}), F::kNoPermission);
        const std::string locked = env().makeDir("locked");
        ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
        EXPECT_EQ(ClassifyFailure(0x00FEB001, {QString::fromStdString(locked + "/o.wav"), true}),
                  F::kNoPermission);
        ::chmod(locked.c_str(), 0755);
        ::chmod(text.c_str(), 0644);
    }
}

TEST_F(ReadableErrors, TheMessageIsASentenceThenTheCodeInItsOneSpelling)
{
    EXPECT_EQ(FailureCode(0x0B3BB001), "Failed! ErrorCode=0x0b3bb001");
    const QString message = FailureMessage(0x0B3BB001);
    EXPECT_EQ(message, LanguageText("errors", "00000005") + "\n\nFailed! ErrorCode=0x0b3bb001");
    // Every family has its own sentence in the language file, each ending
    // as a sentence does.
    QStringList sentences;
    for (const char* key :
         {"00000000", "00000001", "00000002", "00000003", "00000004", "00000005", "00000006"}) {
        const QString sentence = LanguageText("errors", key);
        EXPECT_FALSE(sentence.isEmpty()) << key;
        EXPECT_TRUE(sentence.endsWith('.')) << key;
        EXPECT_FALSE(sentences.contains(sentence)) << key;
        sentences << sentence;
    }
    EXPECT_TRUE(FailureMessage(0x12345678).startsWith(sentences.first()));
}

TEST_F(ReadableErrors, MessageBoxesWithoutACaptionCarryTheProgramsName)
{
    Start();
    ShowMessage(&Window(), QString(), QStringLiteral("x"), QMessageBox::Warning);
    ASSERT_FALSE(Prompts().Calls().empty());
    EXPECT_EQ(Prompts().Calls().back().caption, LanguageText("main", "00000000"));
    EXPECT_EQ(Prompts().Calls().back().caption, "Vorlain");
}

} // namespace
} // namespace app::test
