// Tag records through real files made by the converter: round trips, UTF-8,
// cutting at character boundaries, untagged files and bad input.
#include "vorlain/medrix.h"
#include "vorlain/tagorix.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <algorithm>
#include <cstring>

using vorlain::test::IsolatedTest;

namespace {

class TagorixTest : public IsolatedTest {
  protected:
    /** A short sine encoded by the converter, the output's extension deciding the format. */
    std::string makeAudio(const std::string& name)
    {
        const std::string wav = env().path("src.wav");
        const std::string out = env().path(name);
        EXPECT_TRUE(
            vorlain::test::WriteWave(wav, vorlain::test::Sine(22050, 44100, 2, 440), 44100, 2));
        MedrixHandle h = AV_Open();
        MedrixAudioAttr attr{};
        attr.channels = 2;
        attr.sampleRate = 44100;
        attr.bitRate = 128000;
        EXPECT_TRUE(AV_SetInputpath(h, wav.c_str()) && AV_SetOutputPath(h, out.c_str()) &&
                    AV_SetAudioAttr(h, attr) && AV_Convert(h));
        AV_Close(h);
        return out;
    }

    static TagInfo sample()
    {
        TagInfo t{};
        std::strcpy(t.title, "Größe ♪ – Überraschung");
        std::strcpy(t.artist, "Zoë & the Ümlauts");
        std::strcpy(t.album, "日本語のアルバム");
        std::strcpy(t.comment, "Recorded live.\nSecond line.");
        std::strcpy(t.genre, "Ambient");
        std::strcpy(t.year, "1999");
        return t;
    }

    static void expectSameTexts(const TagInfo& a, const TagInfo& b)
    {
        EXPECT_STREQ(a.title, b.title);
        EXPECT_STREQ(a.artist, b.artist);
        EXPECT_STREQ(a.album, b.album);
        EXPECT_STREQ(a.comment, b.comment);
        EXPECT_STREQ(a.genre, b.genre);
        EXPECT_STREQ(a.year, b.year);
    }

    static bool allZero(const char* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            if (p[i] != 0)
                return false;
        return true;
    }
};

class TagorixFormats : public TagorixTest, public ::testing::WithParamInterface<const char*> {};

} // namespace

TEST_P(TagorixFormats, TagsRoundTripWithUtf8Texts)
{
    const std::string file = makeAudio(std::string("song.") + GetParam());
    const TagInfo written = sample();
    ASSERT_EQ(SetTagInfo(file.c_str(), written), 1);

    TagInfo read;
    std::memset(&read, 0, sizeof read);
    ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
    expectSameTexts(read, written);
    // Every field is zero-padded after its text.
    EXPECT_TRUE(
        allZero(read.title + std::strlen(read.title), sizeof read.title - std::strlen(read.title)));
    EXPECT_TRUE(allZero(read.year + 4, sizeof read.year - 4));

    // The tagged file still decodes to the same length.
    MedrixHandle h = AV_Open();
    MedrixFileAttr fa{};
    MedrixAudioAttr aa{};
    ASSERT_TRUE(AV_SetInputpath(h, file.c_str()) && AV_GetInputFileAttr(h, &fa, &aa, 0));
    AV_Close(h);
    EXPECT_NEAR(static_cast<double>(fa.duration), 500000.0, 60000.0);
}

INSTANTIATE_TEST_SUITE_P(ConverterOutputs, TagorixFormats,
                         ::testing::Values("mp3", "m4a", "flac", "ogg", "opus"));

TEST_F(TagorixTest, UntaggedConverterOutputGivesAnAllZeroRecord)
{
    for (const char* name : {"plain.mp3", "plain.m4a"}) {
        SCOPED_TRACE(name);
        const std::string file = makeAudio(name);
        TagInfo read;
        std::memset(&read, 0, sizeof read);
        ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
        EXPECT_TRUE(allZero(reinterpret_cast<const char*>(&read), sizeof read));
    }
}

TEST_F(TagorixTest, ReservedFieldIsNeitherReadNorWritten)
{
    const std::string file = makeAudio("r.mp3");
    TagInfo written = sample();
    std::memset(written.reserved, 'R', sizeof written.reserved);
    ASSERT_EQ(SetTagInfo(file.c_str(), written), 1);
    TagInfo read;
    std::memset(&read, 0, sizeof read);
    std::memset(read.reserved, 0x77, sizeof read.reserved);
    ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
    for (char c : read.reserved)
        ASSERT_EQ(c, 0x77);
    EXPECT_STREQ(read.title, written.title);
    // Nor does it find its way into the file.
    const std::vector<uint8_t> bytes = vorlain::test::ReadBytes(file);
    const std::string run(16, 'R');
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), run.begin(), run.end()), bytes.end());
}

TEST_F(TagorixTest, ReadingOverwritesStaleFieldsOfTheCallersRecord)
{
    const std::string file = makeAudio("s.m4a");
    TagInfo only{};
    std::strcpy(only.title, "T");
    ASSERT_EQ(SetTagInfo(file.c_str(), only), 1);
    TagInfo read;
    std::memset(&read, 'x', sizeof read);
    ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
    EXPECT_STREQ(read.title, "T");
    EXPECT_TRUE(allZero(read.title + 1, sizeof read.title - 1));
    EXPECT_TRUE(allZero(read.artist, sizeof read.artist));
    EXPECT_TRUE(allZero(read.year, sizeof read.year));
}

TEST_F(TagorixTest, EmptyFieldsClearEarlierTags)
{
    for (const char* name : {"c.mp3", "c.m4a"}) {
        SCOPED_TRACE(name);
        const std::string file = makeAudio(name);
        ASSERT_EQ(SetTagInfo(file.c_str(), sample()), 1);
        TagInfo cleared{};
        std::strcpy(cleared.album, "Kept");
        ASSERT_EQ(SetTagInfo(file.c_str(), cleared), 1);
        TagInfo read{};
        ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
        EXPECT_STREQ(read.title, "");
        EXPECT_STREQ(read.artist, "");
        EXPECT_STREQ(read.year, "");
        EXPECT_STREQ(read.album, "Kept");
    }
}

TEST_F(TagorixTest, YearIsANumberOrNothing)
{
    const std::string file = makeAudio("y.mp3");
    struct Case {
        const char* written;
        const char* read;
    };
    for (Case c : {Case{"2024", "2024"}, Case{" 1987 ", "1987"}, Case{"", ""}, Case{"0", ""},
                   Case{"nineteen", ""}, Case{"2024-05-01", ""}, Case{"-5", ""}}) {
        SCOPED_TRACE(c.written);
        TagInfo t = sample();
        std::memset(t.year, 0, sizeof t.year);
        std::strcpy(t.year, c.written);
        ASSERT_EQ(SetTagInfo(file.c_str(), t), 1);
        TagInfo read{};
        ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
        EXPECT_STREQ(read.year, c.read);
    }
}

TEST_F(TagorixTest, OverlongTextsAreCutOnACharacterBoundary)
{
    const std::string file = makeAudio("long.mp3");
    // Fields filled to their last byte (no terminator) with two-byte
    // characters, and a genre of three-byte characters: the whole texts are
    // stored in the file; reading them back must cut before the character
    // that no longer fits with its terminator.
    TagInfo t{};
    for (size_t i = 0; i + 1 < sizeof t.title; i += 2)
        std::memcpy(t.title + i, "ä", 2);
    for (size_t i = 0; i + 2 < sizeof t.genre; i += 3)
        std::memcpy(t.genre + i, "♪", 3);
    t.genre[30] = 'x';
    t.genre[31] = 'y';
    ASSERT_EQ(SetTagInfo(file.c_str(), t), 1);
    TagInfo read{};
    ASSERT_EQ(GetTagInfo(file.c_str(), &read), 1);
    EXPECT_EQ(std::strlen(read.title), 510u); // 255 × "ä"; the 256th would need byte 511
    EXPECT_EQ(std::memcmp(read.title, t.title, 510), 0);
    EXPECT_EQ(std::strlen(read.genre), 31u); // 10 × "♪" + "x"
    EXPECT_EQ(std::memcmp(read.genre, t.genre, 31), 0);
}

TEST_F(TagorixTest, BadInputIsRefusedAndLeavesTheRecordAlone)
{
    const std::string text = env().path("notes.mp3");
    ASSERT_TRUE(vorlain::test::WriteBytes(text, std::vector<uint8_t>(100, 'a')));
    const std::string unknown = env().path("data.xyz");
    ASSERT_TRUE(vorlain::test::WriteBytes(unknown, std::vector<uint8_t>(100, 0)));
    const std::string empty = env().path("empty.m4a");
    ASSERT_TRUE(vorlain::test::WriteBytes(empty, {}));
    const TagInfo t = sample();
    for (const std::string& path : {env().path("missing.mp3"), env().makeDir("folder.mp3"), text,
                                    unknown, empty, std::string()}) {
        SCOPED_TRACE(path);
        TagInfo read;
        std::memset(&read, 0, sizeof read);
        EXPECT_EQ(GetTagInfo(path.c_str(), &read), 0);
        EXPECT_TRUE(allZero(reinterpret_cast<const char*>(&read), sizeof read));
        EXPECT_EQ(SetTagInfo(path.c_str(), t), 0);
    }
    TagInfo read{};
    EXPECT_EQ(GetTagInfo(nullptr, &read), 0);
    EXPECT_EQ(SetTagInfo(nullptr, t), 0);
    const std::string good = makeAudio("good.mp3");
    EXPECT_EQ(GetTagInfo(good.c_str(), nullptr), 0);
    // A refused write leaves the bytes of a text file as they were.
    EXPECT_EQ(vorlain::test::ReadBytes(text), std::vector<uint8_t>(100, 'a'));
}
