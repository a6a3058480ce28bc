// Inputs, outputs and arguments the converter must refuse cleanly: a 0
// result, no crash, no hang and no file left behind.
#include "MedrixTestFiles.h"
#include "vorlain/test/temp_env.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace medrix_test;
using vorlain::test::Exists;
using vorlain::test::IsolatedTest;
using vorlain::test::ListDir;
using vorlain::test::ReadBytes;
using vorlain::test::Sine;
using vorlain::test::WriteBytes;
using vorlain::test::WriteWave;

namespace {

class MedrixBadInput : public IsolatedTest {
  protected:
    /** Runs the import sequence to a wave file; @returns whether any step
     *  succeeded past the input, and checks that no output remains. */
    void expectRefused(const std::string& in)
    {
        const std::string out = env().path("out.wav");
        MedrixHandle h = AV_Open();
        ASSERT_NE(h, nullptr);
        MedrixAudioAttr attr{};
        std::strcpy(attr.codecName, "pcm_s16le");
        attr.channels = 2;
        attr.sampleRate = 44100;
        const bool converted = AV_SetInputpath(h, in.c_str()) && AV_SetOutputPath(h, out.c_str()) &&
                               AV_SetAudioAttr(h, attr) && AV_Convert(h);
        EXPECT_FALSE(converted);
        EXPECT_LT(AV_GetProgress(h), 100);
        AV_Close(h);
        EXPECT_FALSE(Exists(out));
        for (const std::string& name : ListDir(env().root()))
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    }

    std::string encoded(const char* codec, const char* name)
    {
        const std::string wav = env().path("src.wav");
        const std::string out = env().path(name);
        EXPECT_TRUE(WriteWave(wav, Sine(44100 * 4, 44100, 2, 700), 44100, 2));
        EXPECT_TRUE(Convert(wav, out, Target{codec, 2, 44100, 128000}));
        std::remove(wav.c_str());
        return out;
    }

    static void truncateToHalf(const std::string& path)
    {
        std::vector<uint8_t> b = ReadBytes(path);
        b.resize(b.size() / 2);
        ASSERT_TRUE(WriteBytes(path, b));
    }

    static MedrixAudioAttr attr(const char* codec, uint32_t channels, uint32_t rate)
    {
        MedrixAudioAttr a{};
        std::strcpy(a.codecName, codec);
        a.channels = channels;
        a.sampleRate = rate;
        return a;
    }
};

} // namespace

TEST_F(MedrixBadInput, NullHandleIsRefusedByEveryCall)
{
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    EXPECT_EQ(AV_SetInputpath(nullptr, "x.wav"), 0);
    EXPECT_EQ(AV_GetInputFileAttr(nullptr, &file, &audio, 0), 0);
    EXPECT_EQ(AV_SetOutputPath(nullptr, "x.wav"), 0);
    EXPECT_EQ(AV_SetAudioAttr(nullptr, audio), 0);
    EXPECT_EQ(AV_Convert(nullptr), 0);
    EXPECT_EQ(AV_GetProgress(nullptr), 0);
    EXPECT_EQ(AV_Stop(nullptr), 0);
    EXPECT_EQ(AV_Close(nullptr), 0);
}

TEST_F(MedrixBadInput, NullAndEmptyPathsAndAnUnconfiguredConvertAreRefused)
{
    MedrixHandle h = AV_Open();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(AV_Convert(h), 0);
    EXPECT_EQ(AV_SetInputpath(h, nullptr), 0);
    EXPECT_EQ(AV_SetInputpath(h, ""), 0);
    EXPECT_EQ(AV_SetOutputPath(h, nullptr), 0);
    EXPECT_EQ(AV_SetOutputPath(h, ""), 0);
    EXPECT_EQ(AV_Convert(h), 0);
    EXPECT_EQ(AV_Close(h), 1);
}

TEST_F(MedrixBadInput, InputsThatAreNotReadableAudioAreRefused)
{
    const std::string text = env().path("notes.mp3");
    ASSERT_TRUE(WriteBytes(
        text, std::vector<uint8_t>(
                  reinterpret_cast<const uint8_t*>("Just some notes, not music.\n"),
                  reinterpret_cast<const uint8_t*>("Just some notes, not music.\n") + 28)));
    const std::string empty = env().path("empty.wav");
    ASSERT_TRUE(WriteBytes(empty, {}));
    const std::string headerOnly = env().path("header.wav");
    ASSERT_TRUE(WriteBytes(headerOnly, vorlain::test::WaveHeader(44100, 2, 0)));
    std::vector<uint8_t> noise(20000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<uint8_t>((i * 7919) >> 3);
    const std::string random = env().path("noise.m4a");
    ASSERT_TRUE(WriteBytes(random, noise));

    for (const std::string& in : {env().path("missing.wav"), env().makeDir("folder.wav"), text,
                                  empty, headerOnly, random}) {
        SCOPED_TRACE(in);
        expectRefused(in);
    }
}

TEST_F(MedrixBadInput, DamagedInputWritesNothingToStderr)
{
    if (std::getenv("VORLAIN_DEBUG"))
        GTEST_SKIP() << "VORLAIN_DEBUG routes diagnostics to stderr on purpose";
    const std::string mp3 = encoded("libmp3lame", "damaged.mp3");
    std::vector<uint8_t> b = ReadBytes(mp3);
    for (size_t i = b.size() / 3; i < b.size() / 2; i += 7)
        b[i] = static_cast<uint8_t>(b[i] ^ 0x5A); // corrupt frames in the middle
    ASSERT_TRUE(WriteBytes(mp3, b));
    const std::string cut = encoded("mpeg4aac", "cut.m4a");
    truncateToHalf(cut);

    const std::string captured = env().path("stderr.txt");
    std::fflush(stderr);
    const int saved = dup(2);
    const int file = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    dup2(file, 2);
    close(file);
    Decode(mp3, env().path("a.wav"));
    Decode(cut, env().path("b.wav"));
    Decode(env().path("missing.ogg"), env().path("c.wav"));
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_EQ(vorlain::test::FileSize(captured), 0);
}

TEST_F(MedrixBadInput, VideoWithoutAudioIsRefused)
{
    const std::string movie = env().path("silent.mov");
    ASSERT_TRUE(WriteMovie(movie, nullptr, 44100, 2));
    MedrixHandle h = AV_Open();
    EXPECT_EQ(AV_SetInputpath(h, movie.c_str()), 0);
    AV_Close(h);
    expectRefused(movie);
}

TEST_F(MedrixBadInput, PlaylistsAndListsOfOtherFilesAreNotFollowed)
{
    // Only the named file is read: a playlist naming a perfectly good wave
    // file (or a device) is not a way into other files.
    const std::string wav = env().path("good.wav");
    ASSERT_TRUE(WriteWave(wav, Sine(4410, 44100, 2, 440), 44100, 2));
    ASSERT_TRUE(Decode(wav, env().path("check.wav")));
    std::remove(env().path("check.wav").c_str());
    const std::string hls = "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:1,\n" + wav +
                            "\n#EXTINF:1,\n/dev/zero\n#EXT-X-ENDLIST\n";
    const std::string concat = "ffconcat version 1.0\nfile " + wav + "\n";
    for (auto [name, body] : {std::pair{"list.m3u8", hls}, std::pair{"list.ffconcat", concat}}) {
        SCOPED_TRACE(name);
        const std::string path = env().path(name);
        ASSERT_TRUE(WriteBytes(path, std::vector<uint8_t>(body.begin(), body.end())));
        expectRefused(path);
    }
}

TEST_F(MedrixBadInput, TruncatedCompressedFilesAreRefused)
{
    for (auto [codec, name] : {std::pair{"libmp3lame", "cut.mp3"}, std::pair{"mpeg4aac", "cut.m4a"},
                               std::pair{"flac", "cut.flac"}}) {
        SCOPED_TRACE(name);
        const std::string file = encoded(codec, name);
        ASSERT_TRUE(Decode(file, env().path("whole.wav"))) << "the intact file must decode";
        std::remove(env().path("whole.wav").c_str());
        truncateToHalf(file);
        expectRefused(file);
    }
}

TEST_F(MedrixBadInput, UnusableOutputPathsAreRefused)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(4410, 44100, 2, 440), 44100, 2));
    MedrixHandle h = AV_Open();
    ASSERT_NE(AV_SetInputpath(h, in.c_str()), 0);
    EXPECT_EQ(AV_SetOutputPath(h, env().path("no/such/folder/out.wav").c_str()), 0);
    EXPECT_EQ(AV_SetOutputPath(h, env().makeDir("isafolder.wav").c_str()), 0);
    EXPECT_EQ(AV_SetOutputPath(h, (env().root() + "/").c_str()), 0);
    EXPECT_EQ(AV_SetOutputPath(h, in.c_str()), 0) << "converting a file onto itself";
    EXPECT_EQ(AV_SetOutputPath(h, (env().root() + "//in.wav").c_str()), 0);
    EXPECT_EQ(AV_SetOutputPath(h, std::string(5000, 'a').c_str()), 0);
    AV_Close(h);
    EXPECT_EQ(ReadBytes(in).size(), 44u + 4410u * 4);
}

TEST_F(MedrixBadInput, ReadOnlyFolderIsRefused)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(4410, 44100, 2, 440), 44100, 2));
    const std::string ro = env().makeDir("ro");
    // The unprivileged child must reach the files; the folder itself is read-only.
    ASSERT_EQ(chmod(env().root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(in.c_str(), 0644), 0);
    ASSERT_EQ(chmod(ro.c_str(), 0555), 0);
    EXPECT_TRUE(RunUnprivileged([&] {
        MedrixHandle h = AV_Open();
        MedrixAudioAttr a = attr("pcm_s16le", 2, 44100);
        bool refused =
            AV_SetInputpath(h, in.c_str()) && !AV_SetOutputPath(h, (ro + "/out.wav").c_str());
        // Even when a caller goes on regardless, nothing is converted.
        refused = refused && !(AV_SetAudioAttr(h, a) && AV_Convert(h));
        AV_Close(h);
        return refused;
    }));
    EXPECT_TRUE(ListDir(ro).empty());
}

TEST_F(MedrixBadInput, OutputFolderRemovedBeforeConvertFailsCleanly)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(4410, 44100, 2, 440), 44100, 2));
    const std::string folder = env().makeDir("gone");
    MedrixHandle h = AV_Open();
    ASSERT_NE(AV_SetInputpath(h, in.c_str()), 0);
    ASSERT_NE(AV_SetOutputPath(h, (folder + "/out.mp3").c_str()), 0);
    ASSERT_NE(AV_SetAudioAttr(h, attr("libmp3lame", 2, 44100)), 0);
    ASSERT_EQ(rmdir(folder.c_str()), 0);
    EXPECT_EQ(AV_Convert(h), 0);
    AV_Close(h);
    EXPECT_FALSE(Exists(folder));
}

TEST_F(MedrixBadInput, AWriteErrorMidwayFailsAndLeavesNothing)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(44100 * 10, 44100, 2, 440), 44100, 2)); // 1.7 MB
    for (const char* name : {"out.wav", "out.mp3", "out.m4a", "out.flac"}) {
        SCOPED_TRACE(name);
        const std::string out = env().path(name);
        EXPECT_TRUE(RunWithFileSizeLimit(40000, [&] {
            // The output would be far larger than the 40 kB the disk can take.
            return Convert(in, out, Target{"", 2, 44100, 128000}) == 0;
        }));
        EXPECT_EQ(ListDir(env().root()), (std::vector<std::string>{"home", "in.wav", "tmp"}));
    }
}

TEST_F(MedrixBadInput, UnknownCodecsExtensionsAndFormatsAreRefused)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(WriteWave(in, Sine(4410, 44100, 2, 440), 44100, 2));
    MedrixHandle h = AV_Open();
    ASSERT_NE(AV_SetInputpath(h, in.c_str()), 0);
    ASSERT_NE(AV_SetOutputPath(h, env().path("out.xyz").c_str()), 0);
    EXPECT_EQ(AV_SetAudioAttr(h, attr("", 2, 44100)), 0) << "no codec for .xyz";
    EXPECT_EQ(AV_Convert(h), 0);
    ASSERT_NE(AV_SetOutputPath(h, env().path("noextension").c_str()), 0);
    EXPECT_EQ(AV_SetAudioAttr(h, attr("", 2, 44100)), 0);
    ASSERT_NE(AV_SetOutputPath(h, env().path("out.wav").c_str()), 0);
    EXPECT_EQ(AV_SetAudioAttr(h, attr("vorbis-ish", 2, 44100)), 0);
    EXPECT_EQ(AV_SetAudioAttr(h, attr("pcm_s16le", 3, 44100)), 0);
    EXPECT_EQ(AV_SetAudioAttr(h, attr("pcm_s16le", 2, 500)), 0);
    EXPECT_EQ(AV_SetAudioAttr(h, attr("pcm_s16le", 2, 800000)), 0);
    // A codec name that fills its field with no terminator is read to 128 bytes only.
    MedrixAudioAttr full{};
    std::memset(full.codecName, 'x', sizeof full.codecName);
    EXPECT_EQ(AV_SetAudioAttr(h, full), 0);
    EXPECT_EQ(AV_Convert(h), 0) << "the last refused format is not used";
    AV_Close(h);
    EXPECT_FALSE(Exists(env().path("out.wav")));
    EXPECT_FALSE(Exists(env().path("out.xyz")));
}
