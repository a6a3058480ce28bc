// Importing audio files through the converter and exporting tracks as WAV,
// MP3 and M4A with their tags. Compressed inputs are made by the converter
// itself from synthetic audio.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "store/free_space.h"
#include "store/segment_files.h"
#include "vorlain/medrix.h"
#include "vorlain/tagorix.h"
#include "wave/wave_range.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class ImportExport : public KernelTest {
protected:
    void TearDown() override
    {
        SetFreeSpaceProbe(nullptr);
        KernelTest::TearDown();
    }

    /** Converts input to output with the given codec ("" = by extension). */
    static bool convert(const std::string& input, const std::string& output, const char* codec,
                        uint32_t channels = 0, uint32_t rate = 0)
    {
        MedrixHandle h = AV_Open();
        MedrixFileAttr file{};
        MedrixAudioAttr attr{};
        bool ok = AV_SetInputpath(h, input.c_str()) && AV_GetInputFileAttr(h, &file, &attr, 0) &&
                  AV_SetOutputPath(h, output.c_str());
        std::snprintf(attr.codecName, sizeof attr.codecName, "%s", codec);
        if (channels)
            attr.channels = channels;
        if (rate)
            attr.sampleRate = rate;
        ok = ok && AV_SetAudioAttr(h, attr) && AV_Convert(h);
        AV_Close(h);
        return ok;
    }

    /** A compressed file of `seconds` of sine at the given format. */
    std::string makeAudio(const std::string& name, double seconds, int rate, int channels,
                          const char* codec)
    {
        std::string wav = env().path(name + ".src.wav");
        WriteWave(wav, Sine(static_cast<int64_t>(seconds * rate), rate, channels, 440), rate,
                  channels);
        std::string out = env().path(name);
        EXPECT_TRUE(convert(wav, out, codec)) << name;
        return out;
    }

    static TagInfo tags(const char* title, const char* artist)
    {
        TagInfo t{};
        std::snprintf(t.title, sizeof t.title, "%s", title);
        std::snprintf(t.artist, sizeof t.artist, "%s", artist);
        std::snprintf(t.album, sizeof t.album, "Album");
        std::snprintf(t.comment, sizeof t.comment, "Comment");
        std::snprintf(t.genre, sizeof t.genre, "Ambient");
        std::snprintf(t.year, sizeof t.year, "2026");
        return t;
    }

    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> out;
        for (const std::string& name : ListDir(m_session->m_tempFolder))
            if (name.find(".wav") != std::string::npos)
                out.push_back(name);
        return out;
    }
};

TEST_F(ImportExport, AStereo48kMp3BecomesA48kTrackNamedAfterTheFile)
{
    std::string mp3 = makeAudio("tone.mp3", 3.0, 48000, 2, "libmp3lame");
    TagInfo t = tags("Größe ♪", "Artist");
    ASSERT_EQ(SetTagInfo(mp3.c_str(), t), 1);
    m_window->clear();
    CTrack* track = Kestrum_AddTrack(m_session, mp3.c_str());
    ASSERT_NE(track, nullptr) << std::hex << Kestrum_GetLastError();
    EXPECT_EQ(track->m_name, "tone.mp3");
    EXPECT_EQ(track->m_sampleRate, 48000u); // the file's own rate
    EXPECT_EQ(track->m_channels, 2u);
    EXPECT_NEAR(static_cast<double>(track->m_length), 3e6, 30'000);
    TagInfo got{};
    ASSERT_EQ(Kestrum_GetTrackTagInfo(m_session, 1, &got), 1);
    EXPECT_STREQ(got.title, "Größe ♪");
    EXPECT_STREQ(got.artist, "Artist");
    EXPECT_TRUE(leftovers().empty()); // Track01.wav is gone
    auto posted = progress();
    ASSERT_GE(posted.size(), 3u);
    EXPECT_EQ(posted.front(), 0u);
    EXPECT_EQ(posted.back(), 100u);
    for (size_t i = 0; i + 1 < posted.size(); ++i)
        EXPECT_LE(posted[i], 99u);
    EXPECT_EQ(Kestrum_GetProgress(m_session), 100u);
    ActionRecord a{};
    Kestrum_GetLastActionAttr(m_session, &a);
    EXPECT_EQ(a.type, 1u);
}

TEST_F(ImportExport, AMonoFlacBecomesAMonoTrack)
{
    std::string flac = makeAudio("voice.flac", 2.0, 22050, 1, "");
    CTrack* track = Kestrum_AddTrack(m_session, flac.c_str());
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->m_channels, 1u);
    EXPECT_EQ(track->m_sampleRate, 22050u);
    EXPECT_NEAR(static_cast<double>(track->m_length), 2e6, 1000);
    TagInfo zero{};
    EXPECT_EQ(std::memcmp(&track->m_tag, &zero, sizeof zero), 0);
}

TEST_F(ImportExport, AWaveRoundTripIsBitIdentical)
{
    std::string wav = env().path("in.wav");
    Samples ramp = Ramp(44100 * 6 + 17, 2);
    WriteWave(wav, ramp, 44100, 2);
    CTrack* track = Kestrum_AddTrack(m_session, wav.c_str());
    ASSERT_NE(track, nullptr);
    std::string out = env().path("OUT.WAV");
    ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, out.c_str()), 1);
    EXPECT_EQ(ReadBytes(out), ReadBytes(wav));
}

TEST_F(ImportExport, Rf64AndWave64FilesImportSampleExact)
{
    const Samples ramp = Ramp(44100 * 7 + 333, 2);
    for (const char* name : {"in.rf64.wav", "in.w64"}) {
        const std::string path = env().path(name);
        ASSERT_TRUE(std::string(name) == "in.w64" ? WriteW64Wave(path, ramp, 44100, 2)
                                                  : WriteRf64Wave(path, ramp, 44100, 2));
        CTrack* track = Kestrum_AddTrack(m_session, path.c_str());
        ASSERT_NE(track, nullptr) << name << std::hex << Kestrum_GetLastError();
        EXPECT_EQ(pcm(track), PcmBytes(ramp)) << name;
        // One whole piece, then the rest at its truncated time.
        const int64_t rest = (44100LL * 7 + 333) * 4 - 882000;
        EXPECT_EQ(track->m_length, 5 * kSecond + rest * 5 * kSecond / 882000) << name;
        for (const TrackSegment& s : segments(track)) {
            if (!(s.state & vorlain::kHeaderSegment)) {
                EXPECT_EQ(CheckPeakSummary(s.path, 2), "") << name;
            }
        }
    }
}

TEST_F(ImportExport, AnImportThatCannotWriteItsDataFilesSaysSoAndLeavesNothing)
{
    std::string wav = env().path("big.wav");
    WriteRampWave(wav, 44100 * 12, 44100, 2);
    Kestrum_AddTrack(m_session, nullptr); // the session folder exists
    // Files may not grow past 100 kB: the first 882 kB piece cannot be written.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100'000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    SetLastError(0);
    m_window->clear();
    CTrack* track = Kestrum_AddTrack(m_session, wav.c_str());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(track, nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x03C6B001u);
    EXPECT_EQ(progress().back(), 100u);
    EXPECT_EQ(m_session->TrackCount(), 1u);
    EXPECT_EQ(ListDir(m_session->m_tempFolder), std::vector<std::string>{"Recovery.zvp"})
        << "no track folder, no data file";
}

TEST_F(ImportExport, AnUppercaseWavExportGetsNoTags)
{
    CTrack* track = loadRamp(44100);
    Kestrum_SetTrackTagInfo(m_session, 1, tags("T", "A"));
    std::string out = env().path("plain.WAV");
    ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, out.c_str()), 1);
    auto bytes = ReadBytes(out);
    EXPECT_EQ(bytes.size(), 44u + 176400u); // header and audio, nothing else
    (void)track;
}

TEST_F(ImportExport, AnMp3RangeExportCarriesTwoSecondsAndTheTags)
{
    CTrack* track = loadTrack(Sine(44100 * 6, 44100, 2, 440), 44100, 2);
    ASSERT_NE(track, nullptr);
    ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, 1, tags("Range", "Me")), 1);
    std::string out = env().path("range.mp3");
    m_window->clear();
    ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 2 * kSecond, 4 * kSecond, out.c_str()), 1);
    TagInfo got{};
    ASSERT_EQ(GetTagInfo(out.c_str(), &got), 1);
    EXPECT_STREQ(got.title, "Range");
    EXPECT_STREQ(got.artist, "Me");
    EXPECT_STREQ(got.year, "2026");
    // Two runs of percentages: the range's plan, then the encoding; no
    // temporary wave is written.
    auto posted = progress();
    EXPECT_EQ(std::count(posted.begin(), posted.end(), 100u), 2);
    EXPECT_EQ(posted.back(), 100u);
    EXPECT_FALSE(Exists(m_session->m_tempFolder + "/vorlain_tmp.wav"));
    // The decoded audio honours the encoder's delay and padding.
    CTrack* back = Kestrum_AddTrack(m_session, out.c_str());
    ASSERT_NE(back, nullptr);
    EXPECT_NEAR(static_cast<double>(back->m_length), 2e6, 30'000);
}

TEST_F(ImportExport, AnEncodedExportIsTheEncodingOfTheWaveExportInOnePass)
{
    // A range that starts and ends inside data files, over a cut: the
    // stream the encoder reads is the wave export's bytes.
    CTrack* track = loadTrack(Sine(44100 * 12, 44100, 2, 440), 44100, 2);
    ASSERT_NE(track, nullptr);
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 3'100'000, 3'900'000), 1);
    const int64_t from = 1'234'567, to = 9'876'543;
    const std::string wav = env().path("range.wav");
    ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, from, to, wav.c_str()), 1);
    CWaveStream stream(*track, from, to);
    const std::vector<uint8_t> bytes = ReadBytes(wav);
    ASSERT_EQ(stream.Size(), static_cast<int64_t>(bytes.size()));
    std::vector<uint8_t> read(bytes.size());
    int64_t at = 0;
    for (int step = 1; at < stream.Size(); step = step * 3 % 70001 + 1) {
        const int got = stream.Read(read.data() + at, step);
        ASSERT_GT(got, 0);
        at += got;
    }
    EXPECT_EQ(stream.Read(read.data(), 16), 0) << "the end";
    EXPECT_EQ(read, bytes);
    // Seeks anywhere read what lies there.
    for (int64_t offset :
         {int64_t(0), int64_t(43), int64_t(44), stream.Size() / 3, stream.Size() - 5}) {
        uint8_t four[4] = {};
        ASSERT_EQ(stream.Seek(offset), offset);
        const int got = stream.Read(four, 4);
        ASSERT_EQ(got, static_cast<int>(std::min<int64_t>(4, stream.Size() - offset)));
        EXPECT_TRUE(std::equal(four, four + got, bytes.begin() + offset)) << offset;
    }
    EXPECT_EQ(stream.Seek(stream.Size() + 1), -1);

    // The MP3 export is the same encoder's MP3 of that wave, byte for byte,
    // and no temporary wave is made on the way.
    const std::string mp3 = env().path("range.mp3");
    ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, from, to, mp3.c_str()), 1);
    const std::string reference = env().path("reference.mp3");
    MedrixHandle h = AV_Open();
    MedrixAudioAttr attr{};
    std::snprintf(attr.codecName, sizeof attr.codecName, "libmp3lame");
    attr.channels = 2;
    attr.sampleRate = 44100;
    attr.bitRate = 128000;
    ASSERT_TRUE(AV_SetInputpath(h, wav.c_str()) && AV_SetOutputPath(h, reference.c_str()) &&
                AV_SetAudioAttr(h, attr) && AV_Convert(h));
    AV_Close(h);
    EXPECT_EQ(ReadBytes(mp3), ReadBytes(reference));
    for (const std::string& name : ListDir(m_session->m_tempFolder))
        EXPECT_EQ(name.find(".wav"), std::string::npos) << name;
}

TEST_F(ImportExport, TagsRoundTripThroughEveryTaggedFormatAndLengthsSurvive)
{
    loadTrack(Sine(44100 * 5, 44100, 2, 440), 44100, 2);
    Kestrum_SetTrackTagInfo(m_session, 1, tags("AAC title", "AAC artist"));
    for (const char* name : {"out.m4a", "out.mp3", "out.flac", "out.ogg", "out.opus"}) {
        std::string out = env().path(name);
        ASSERT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, out.c_str()), 1) << name;
        TagInfo got{};
        ASSERT_EQ(GetTagInfo(out.c_str(), &got), 1);
        EXPECT_STREQ(got.title, "AAC title");
        EXPECT_STREQ(got.album, "Album");
        CTrack* back = Kestrum_AddTrack(m_session, out.c_str());
        ASSERT_NE(back, nullptr) << name;
        EXPECT_NEAR(static_cast<double>(back->m_length), 5e6, 30'000) << name;
        EXPECT_STREQ(back->m_tag.title, "AAC title");
    }
}

TEST_F(ImportExport, StopDuringConversionReturnsZeroWithoutAFinal100)
{
    std::string wav = env().path("long.wav");
    WriteRampWave(wav, 44100LL * 600, 44100, 2);
    std::string mp3 = env().path("long.mp3");
    ASSERT_TRUE(convert(wav, mp3, "libmp3lame"));
    SetLastError(0x5555B001);
    m_window->clear();
    Kestrum_AddTrack(m_session, nullptr); // the session folder exists
    std::atomic<bool> started{false};
    std::thread stopper([&] {
        while (Kestrum_GetProgress(m_session) == 100 || !started)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Kestrum_Stop(m_session);
    });
    started = true;
    m_session->m_progress = 0;
    CTrack* track = Kestrum_AddTrack(m_session, mp3.c_str());
    stopper.join();
    EXPECT_EQ(track, nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x5555B001u);
    auto posted = progress();
    EXPECT_EQ(std::count(posted.begin(), posted.end(), 100u), 0);
    EXPECT_EQ(m_session->TrackCount(), 1u);
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(ListDir(m_session->m_tempFolder), std::vector<std::string>{"Recovery.zvp"})
        << "the data files so far went too";
}

TEST_F(ImportExport, BadInputsFailCleanlyAndAddNoTrack)
{
    Kestrum_AddTrack(m_session, nullptr);
    std::string text = env().path("notes.mp3");
    WriteBytes(text, std::vector<uint8_t>(4000, 'x'));
    std::string empty = env().path("empty.flac");
    WriteBytes(empty, {});
    std::string mp3 = makeAudio("cut.mp3", 4.0, 44100, 2, "libmp3lame");
    auto bytes = ReadBytes(mp3);
    bytes.resize(bytes.size() / 3);
    std::string truncated = env().path("truncated.mp3");
    WriteBytes(truncated, bytes);

    struct Case {
        std::string path;
        uint32_t code;
    };
    for (const Case& c :
         {Case{env().path("missing.mp3"), 0x035DB001u}, Case{env().root(), 0x035DB001u},
          Case{text, 0u}, Case{empty, 0x035DB001u}}) {
        SetLastError(0);
        m_window->clear();
        EXPECT_EQ(Kestrum_AddTrack(m_session, c.path.c_str()), nullptr) << c.path;
        if (c.code)
            EXPECT_EQ(Kestrum_GetLastError(), c.code) << c.path;
        else
            EXPECT_NE(Kestrum_GetLastError(), 0u) << c.path;
        EXPECT_EQ(progress().back(), 100u) << "a waiting progress dialog is released";
    }
    // A truncated file imports what it holds, or fails with a code; never a
    // crash or a leftover.
    SetLastError(0);
    CTrack* partial = Kestrum_AddTrack(m_session, truncated.c_str());
    if (partial) {
        EXPECT_LT(partial->m_length, 4 * kSecond);
    } else {
        EXPECT_EQ(Kestrum_GetLastError(), 0x03C0B001u);
    }
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(m_session->TrackCount(), partial ? 2u : 1u);
}

TEST_F(ImportExport, AVideoFileImportsItsAudio)
{
    if (std::system("ffmpeg -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ffmpeg program to make a video";
    std::string video = env().path("clip.mp4");
    std::string cmd =
        "ffmpeg -loglevel quiet -f lavfi -i testsrc=size=64x48:rate=10 -f lavfi "
        "-i sine=frequency=440:sample_rate=48000 -t 2 -c:v mpeg4 -c:a aac -shortest '" +
        video + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    CTrack* track = Kestrum_AddTrack(m_session, video.c_str());
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->m_channels, 1u);
    EXPECT_NEAR(static_cast<double>(track->m_length), 2e6, 60'000);
}

TEST_F(ImportExport, ExportFailuresGiveTheirCodes)
{
    loadRamp(44100 * 2);
    EXPECT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, env().path("no/dir/x.wav").c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0966B001u);
    SetLastError(0);
    EXPECT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, env().path("no/dir/x.mp3").c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x00FEB001u);
    EXPECT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, env().path("x.xyz").c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0107B001u);
    EXPECT_FALSE(Exists(env().path("x.xyz")));
    SetFreeSpaceProbe([](const std::string&) { return int64_t(0); });
    EXPECT_EQ(Kestrum_SaveTrackToFile(m_session, 1, 0, 0, env().path("x.mp3").c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x00F6B007u);
    EXPECT_EQ(Kestrum_SaveTrackToFile(m_session, 9, 0, 0, env().path("y.wav").c_str()), 0);
    EXPECT_EQ(Kestrum_SaveTrackToFile(nullptr, 1, 0, 0, env().path("y.wav").c_str()), 0);
    EXPECT_FALSE(Exists(m_session->m_tempFolder + "/vorlain_tmp.wav"));
}

TEST_F(ImportExport, ImportNeedsRoomForTwiceThePcm)
{
    std::string wav = env().path("a.wav");
    WriteWave(wav, Ramp(44100, 2), 44100, 2);
    Kestrum_AddTrack(m_session, nullptr);
    SetFreeSpaceProbe([](const std::string&) { return int64_t(2 * 20480 + 10); });
    EXPECT_EQ(Kestrum_AddTrack(m_session, wav.c_str()), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0376B007u);
    SetFreeSpaceProbe([](const std::string&) { return int64_t(2 * 20480 + 400); });
    EXPECT_NE(Kestrum_AddTrack(m_session, wav.c_str()), nullptr);
}

TEST_F(ImportExport, TagsOfBlankUnknownAndDeletedTracks)
{
    Kestrum_AddTrack(m_session, nullptr);
    TagInfo t{};
    std::memset(&t, 0x7F, sizeof t);
    ASSERT_EQ(Kestrum_GetTrackTagInfo(m_session, 1, &t), 1);
    TagInfo zero{};
    EXPECT_EQ(std::memcmp(&t, &zero, sizeof t), 0);
    EXPECT_EQ(Kestrum_GetTrackTagInfo(m_session, 1, nullptr), 0);
    EXPECT_EQ(Kestrum_SetTrackTagInfo(m_session, 5, tags("x", "y")), 0);
    Kestrum_DeleteTrack(m_session, 1);
    ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, 1, tags("deleted", "still")), 1);
    Kestrum_GetTrackTagInfo(m_session, 1, &t);
    EXPECT_STREQ(t.title, "deleted");
    TagInfo full;
    std::memset(&full, 'a', sizeof full);
    ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, 1, full), 1);
    Kestrum_GetTrackTagInfo(m_session, 1, &t);
    EXPECT_EQ(std::strlen(t.title), 511u);
    EXPECT_EQ(std::strlen(t.genre), 31u);
}
