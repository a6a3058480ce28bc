// Tracks at their sources' own rates: imports keep the rate, edits count
// frames at it, and where two rates meet (paste, mix, join, recording into a
// track) the audio is converted, never read at the wrong rate.
#include "kernel_fixture.h"

#include "playback/audo_play_mgr.h"
#include "vorlain/capturo.h"
#include "vorlain/platform.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

using namespace kernel::test;
using namespace vorlain::test;

namespace {

// Two tones well inside every band, at a level that leaves dither far down.
Samples TwoTones(int64_t frames, int rate, int channels)
{
    Samples out(static_cast<size_t>(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double t = double(i) / rate;
            const double v = 9000 * std::sin(2 * M_PI * 1000 * t) +
                             5000 * std::sin(2 * M_PI * (3100 + 200 * c) * t);
            out[static_cast<size_t>(i * channels + c)] = static_cast<int16_t>(std::lround(v));
        }
    return out;
}

Samples AsSamples(const std::vector<uint8_t>& bytes)
{
    Samples out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

// The difference of a against the reference b in dB of b's power.
double DifferenceDb(const Samples& a, const Samples& b)
{
    double diff = 0, ref = 0;
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        diff += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
        ref += double(b[i]) * b[i];
    }
    return 10 * std::log10(std::max(diff, 1e-9) / std::max(ref, 1e-9));
}

Samples Slice(const Samples& s, int channels, int64_t from, int64_t to)
{
    return Samples(s.begin() + from * channels, s.begin() + to * channels);
}

// One PCM of this test's asoundrc, named by an environment variable the
// kernel reads (VORLAIN_PCM, VORLAIN_CAPTURE_PCM) while the scope lives.
class AsoundScope {
public:
    AsoundScope(const std::string& definition, const char* variable, const char* pcm)
        : m_variable(variable)
    {
        if (const char* value = std::getenv(variable))
            m_saved = value;
        std::ofstream(std::string(std::getenv("HOME")) + "/.asoundrc") << definition << "\n";
        snd_config_update_free_global(); // alsa-lib reads the file afresh
        setenv(variable, pcm, 1);
    }
    ~AsoundScope()
    {
        if (m_saved)
            setenv(m_variable, m_saved->c_str(), 1);
        else
            unsetenv(m_variable);
        snd_config_update_free_global();
    }
    AsoundScope(const AsoundScope&) = delete;
    AsoundScope& operator=(const AsoundScope&) = delete;

private:
    const char* m_variable;
    std::optional<std::string> m_saved;
};

} // namespace

class NativeRates : public KernelTest {
protected:
    CTrack* importWave(const Samples& samples, int rate, int channels)
    {
        const std::string path = env().path("in" + std::to_string(m_files++) + ".wav");
        if (!WriteWave(path, samples, rate, channels))
            return nullptr;
        return Kestrum_AddTrack(m_session, path.c_str());
    }
    uint32_t rateOf(uint32_t trackId)
    {
        TrackBaseInfo info{};
        return Kestrum_GetTrackBaseInfo(m_session, trackId, &info) ? info.sampleRate : 0;
    }
    std::vector<uint8_t> exported(uint32_t trackId, const std::string& name)
    {
        const std::string path = env().path(name);
        if (Kestrum_SaveTrackToFile(m_session, trackId, 0, 0, path.c_str()) != 1)
            return {};
        return ReadBytes(path);
    }
};

TEST_F(NativeRates, AnImportKeepsItsRateAndExportsItsOwnSamples)
{
    struct Case {
        int rate;
        int channels;
    };
    for (Case c : {Case{48000, 2}, Case{22050, 1}, Case{96000, 2}, Case{8000, 1}}) {
        SCOPED_TRACE(c.rate);
        // Seven seconds: a whole data file and a part of the next.
        const Samples source = TwoTones(int64_t(c.rate) * 7 + 13, c.rate, c.channels);
        CTrack* track = importWave(source, c.rate, c.channels);
        ASSERT_NE(track, nullptr);
        EXPECT_EQ(rateOf(track->m_trackId), uint32_t(c.rate));
        // A data file holds five seconds at the track's rate.
        const std::vector<TrackSegment> s = segments(track);
        ASSERT_GE(s.size(), 3u);
        EXPECT_EQ(FileSize(s[1].path), int64_t(c.rate) * 5 * 2 * c.channels);
        EXPECT_EQ(s[1].end, 5 * kSecond);

        const std::vector<uint8_t> wav = exported(track->m_trackId, "out.wav");
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(U16(wav, 22), uint16_t(c.channels));
        EXPECT_EQ(U32(wav, 24), uint32_t(c.rate));
        EXPECT_EQ(U32(wav, 28), uint32_t(c.rate * 2 * c.channels));
        EXPECT_TRUE(std::vector<uint8_t>(wav.begin() + 44, wav.end()) == PcmBytes(source));

        // FLAC is lossless at the track's rate: decoded, every sample is back.
        ASSERT_EQ(exported(track->m_trackId, "out.flac").empty(), false);
        CTrack* back = Kestrum_AddTrack(m_session, env().path("out.flac").c_str());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(rateOf(back->m_trackId), uint32_t(c.rate));
        EXPECT_TRUE(pcm(back) == PcmBytes(source));
    }
}

TEST_F(NativeRates, ASecondCutFromA48kTrackTakesExactly48000Frames)
{
    const int rate = 48000;
    const Samples source = Ramp(int64_t(rate) * 12, 2);
    CTrack* track = importWave(source, rate, 2);
    ASSERT_NE(track, nullptr);
    // Inside one data file, then across the boundary between two.
    for (int64_t from : {int64_t(500'000), int64_t(4'500'000)}) {
        SCOPED_TRACE(from);
        const Samples before = AsSamples(pcm(track));
        ASSERT_EQ(Kestrum_Cut(m_session, track->m_trackId, from, from + kSecond), 1);
        const Samples after = AsSamples(pcm(track));
        ASSERT_EQ(before.size() - after.size(), size_t(48000 * 2));
        const int64_t at = from * rate / kSecond;
        EXPECT_TRUE(Slice(after, 2, 0, at) == Slice(before, 2, 0, at));
        EXPECT_TRUE(Slice(after, 2, at, at + 1000) == Slice(before, 2, at + 48000, at + 49000));
        ASSERT_EQ(Kestrum_GoBack(m_session), 1);
        EXPECT_TRUE(AsSamples(pcm(track)) == before);
    }
}

TEST_F(NativeRates, PasteConvertsTheClipAsSoXDoes)
{
    if (std::system("sox --version >/dev/null 2>&1") != 0)
        GTEST_FAIL() << "SoX is the reference here: tools/install-deps.sh installs it";
    const Samples tones = TwoTones(48000 * 3, 48000, 2);
    CTrack* source = importWave(tones, 48000, 2);
    CTrack* dest = importWave(Samples(44100 * 2 * 2, 0), 44100, 2);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(dest, nullptr);
    ASSERT_EQ(Kestrum_Copy(m_session, source->m_trackId, 500'000, 1'500'000), 1);
    ASSERT_EQ(Kestrum_Paste(m_session, dest->m_trackId, kSecond), 1);

    // One second at 44100 Hz went in, and the track stays at its rate. The
    // converted clip's own folder is gone.
    EXPECT_EQ(rateOf(dest->m_trackId), 44100u);
    int folders = 0;
    for (const std::string& name : ListDir(m_session->m_tempFolder))
        folders += name.rfind("Track", 0) == 0;
    EXPECT_EQ(folders, 2);
    const Samples after = AsSamples(pcm(dest));
    ASSERT_EQ(after.size(), size_t(44100 * 3 * 2));
    EXPECT_TRUE(Slice(after, 2, 0, 44100) == Samples(44100 * 2, 0));
    const Samples pasted = Slice(after, 2, 44100, 88200);

    // SoX's high-quality conversion of the same clip, without dither.
    const std::string clip = env().path("clip.wav"), reference = env().path("ref.wav");
    ASSERT_TRUE(WriteWave(clip, Slice(tones, 2, 24000, 72000), 48000, 2));
    ASSERT_EQ(std::system(("sox -D '" + clip + "' '" + reference + "' rate -h 44100").c_str()), 0);
    const std::vector<uint8_t> ref = ReadBytes(reference);
    ASSERT_EQ(ref.size(), 44u + 44100 * 4);
    const Samples expected = AsSamples(std::vector<uint8_t>(ref.begin() + 44, ref.end()));
    EXPECT_LT(DifferenceDb(pasted, expected), -80.0);
    // Not a reinterpretation of the bytes: those differ by far more.
    EXPECT_GT(DifferenceDb(Slice(tones, 2, 24000, 68100), expected), -10.0);

    // Undo takes the whole paste back; redo puts the same audio in again.
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(dest).size(), size_t(44100 * 2 * 4));
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_TRUE(AsSamples(pcm(dest)) == after);
}

TEST_F(NativeRates, AMixOfAnotherRateIsConvertedAndStopsAtTheTrackEnd)
{
    // At 48 kHz stereo and at 22050 Hz mono: the mix's limit is the track's
    // own bytes per second, not 176,400.
    struct Case {
        int rate;
        int channels;
    };
    for (Case c : {Case{48000, 2}, Case{22050, 1}}) {
        SCOPED_TRACE(c.rate);
        const int other = c.rate == 48000 ? 44100 : 32000;
        const Samples tones = TwoTones(int64_t(other) * 4, other, c.channels);
        CTrack* source = importWave(tones, other, c.channels);
        CTrack* silent =
            importWave(Samples(size_t(c.rate) * 2 * c.channels, 0), c.rate, c.channels);
        CTrack* pasted =
            importWave(Samples(size_t(c.rate) * 2 * c.channels, 0), c.rate, c.channels);
        ASSERT_NE(source, nullptr);
        ASSERT_NE(silent, nullptr);
        ASSERT_NE(pasted, nullptr);
        // The whole source mixed at 1 s into a 2 s track: the second that
        // would pass its end is dropped, and its length stays.
        ASSERT_EQ(Kestrum_MixTrackFromTrack(m_session, silent->m_trackId, kSecond,
                                            source->m_trackId, vorlain::FloatBits(1.0f)),
                  1);
        EXPECT_EQ(Kestrum_GetTrackTime(m_session, silent->m_trackId), 2 * kSecond);
        const Samples mixed = AsSamples(pcm(silent));
        ASSERT_EQ(mixed.size(), size_t(c.rate) * 2 * c.channels);
        // Mixed onto silence, the source is exactly what a paste of it brings:
        // one conversion, the same every time.
        ASSERT_EQ(Kestrum_Copy(m_session, source->m_trackId, 0, 4 * kSecond), 1);
        ASSERT_EQ(Kestrum_Paste(m_session, pasted->m_trackId, kSecond), 1);
        const Samples reference = AsSamples(pcm(pasted));
        const int64_t second = c.rate;
        EXPECT_TRUE(Slice(mixed, c.channels, 0, second) == Samples(size_t(second) * c.channels, 0));
        EXPECT_TRUE(Slice(mixed, c.channels, second, 2 * second) ==
                    Slice(reference, c.channels, second, 2 * second));
        EXPECT_GT(DifferenceDb(Slice(mixed, c.channels, second, second + 1000),
                               Slice(tones, c.channels, 0, 1000)),
                  -10.0)
            << "converted, not copied";
    }
}

TEST_F(NativeRates, AJoinIsWrittenAtTheFirstTracksRateOrTheOnePicked)
{
    const Samples first = TwoTones(48000 * 2, 48000, 2);
    const Samples second = TwoTones(22050 * 3, 22050, 1);
    CTrack* a = importWave(first, 48000, 2);
    CTrack* b = importWave(second, 22050, 1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const uint32_t ids[] = {a->m_trackId, b->m_trackId};

    const std::string joined = env().path("joined.wav");
    ASSERT_EQ(Kestrum_JoinTrack(m_session, 2, ids, joined.c_str()), 1);
    std::vector<uint8_t> wav = ReadBytes(joined);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(U16(wav, 22), 2u);
    EXPECT_EQ(U32(wav, 24), 48000u);
    EXPECT_EQ(U32(wav, 28), 192000u);
    // Two seconds as they were, then three converted to 48 kHz on both sides.
    ASSERT_EQ(U32(wav, 40), uint32_t(48000 * 5 * 4));
    ASSERT_EQ(wav.size(), 44u + 48000 * 5 * 4);
    const Samples out = AsSamples(std::vector<uint8_t>(wav.begin() + 44, wav.end()));
    EXPECT_TRUE(Slice(out, 2, 0, 96000) == first);
    const Samples converted = Slice(out, 2, 96000, 96000 + 144000);
    for (int64_t i = 0; i < 144000; ++i)
        ASSERT_EQ(converted[size_t(2 * i)], converted[size_t(2 * i + 1)]) << i;

    // At a rate picked: the 22050 Hz mono track is copied sample for sample,
    // each on both sides.
    const std::string picked = env().path("picked.wav");
    ASSERT_EQ(Kestrum_JoinTrackAtRate(m_session, 2, ids, picked.c_str(), 22050), 1);
    wav = ReadBytes(picked);
    EXPECT_EQ(U32(wav, 24), 22050u);
    EXPECT_EQ(U32(wav, 28), 88200u);
    ASSERT_EQ(wav.size(), 44u + 22050 * 5 * 4);
    const Samples low = AsSamples(std::vector<uint8_t>(wav.begin() + 44, wav.end()));
    for (int64_t i = 0; i < 22050 * 3; ++i) {
        ASSERT_EQ(low[size_t(2 * (44100 + i))], second[size_t(i)]) << i;
        ASSERT_EQ(low[size_t(2 * (44100 + i) + 1)], second[size_t(i)]) << i;
    }

    // A rate outside 8000..192000 Hz is refused and writes nothing.
    const std::string refused = env().path("refused.wav");
    EXPECT_EQ(Kestrum_JoinTrackAtRate(m_session, 2, ids, refused.c_str(), 4000), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0721B002u);
    EXPECT_EQ(FileSize(refused), -1);
}

TEST_F(NativeRates, AProjectKeepsEachTracksRate)
{
    CTrack* a = importWave(TwoTones(48000, 48000, 2), 48000, 2);
    CTrack* b = importWave(TwoTones(22050, 22050, 1), 22050, 1);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const std::vector<uint8_t> aBytes = pcm(a), bBytes = pcm(b);
    const std::string project = env().path("rates.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, project.c_str(), 1), 1);
    Kestrum_Close(m_session);
    m_session = Kestrum_Open(nullptr);
    ASSERT_NE(m_session, nullptr);
    ASSERT_EQ(Kestrum_OpenProject(m_session, project.c_str()), 1);
    EXPECT_EQ(rateOf(1), 48000u);
    EXPECT_EQ(rateOf(2), 22050u);
    ASSERT_NE(m_session->FindTrack(2), nullptr);
    EXPECT_TRUE(pcm(m_session->FindTrack(1)) == aBytes);
    EXPECT_TRUE(pcm(m_session->FindTrack(2)) == bBytes);
}

TEST_F(NativeRates, ARecordingIntoABlankTrackCapturesAtTheRatePicked)
{
    // The microphone is ALSA's file plugin reading known frames, unclocked.
    const std::string capture = env().path("capture.raw");
    const Samples known = Ramp(48000 * 3, 2);
    ASSERT_TRUE(WriteBytes(capture, PcmBytes(known)));
    std::optional<AsoundScope> microphone;
    microphone.emplace("pcm.tapin { type file; slave.pcm \"null\"; file \"/dev/null\"; infile \"" +
                           capture + "\"; format \"raw\" }",
                       "VORLAIN_CAPTURE_PCM", "tapin");
    char folder[VORLAIN_MAX_PATH];
    ASSERT_TRUE(VorlainGetConfigDir(folder, sizeof folder));
    ASSERT_TRUE(VorlainWriteProfileString("Capturo", "ComputerSoundDevice", "vorlain_no_such_pcm",
                                          (std::string(folder) + "/Capturo.ini").c_str()));
    // A plugin that takes any rate has none of its own to tell.
    EXPECT_EQ(crxGetDeviceRate(), 0);

    CTrack* track = Kestrum_RecordInit(m_session, m_window->hwnd(), 100, 0);
    ASSERT_NE(track, nullptr);
    const uint32_t id = track->m_trackId;
    EXPECT_EQ(Kestrum_RecordSetRate(m_session, id, 7999), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B35B002u);
    EXPECT_EQ(Kestrum_RecordSetRate(m_session, id, 192001), 0);
    ASSERT_EQ(Kestrum_RecordSetRate(m_session, id, 48000), 1);
    ASSERT_EQ(Kestrum_RecordStart(m_session, id), 1);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Kestrum_GetTrackTime(m_session, id) < 2 * kSecond &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // What is being captured keeps its rate.
    EXPECT_EQ(Kestrum_RecordSetRate(m_session, id, 44100), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B0CB001u);
    EXPECT_EQ(Kestrum_RecordSetRate(m_session, id, 48000), 1);
    ASSERT_EQ(Kestrum_RecordStop(m_session, id), 1);
    crxEndRecord();
    microphone.reset();

    EXPECT_EQ(rateOf(id), 48000u);
    const std::vector<TrackSegment> s = segments(track);
    ASSERT_GE(s.size(), 2u);
    const std::vector<uint8_t> header = ReadBytes(s[0].path);
    ASSERT_EQ(header.size(), 44u);
    EXPECT_EQ(U32(header, 24), 48000u);
    EXPECT_EQ(U32(header, 28), 192000u);
    // Two seconds are 96,000 frames at this rate, each as it was captured.
    const Samples recorded = AsSamples(pcm(track));
    ASSERT_GE(recorded.size(), size_t(96000 * 2));
    EXPECT_TRUE(Slice(recorded, 2, 0, 96000) == Slice(known, 2, 0, 96000));
    // The track's length is its frames counted at 48 kHz, to a frame.
    EXPECT_NEAR(double(recorded.size() / 2) * kSecond / 48000,
                double(Kestrum_GetTrackTime(m_session, id)), 21.0);
}

TEST_F(NativeRates, PlaybackOpensTheDeviceAtTheTracksRate)
{
    // ALSA's file plugin writing a wave file: its header tells the rate the
    // player set on the device.
    const std::string played = env().path("played.wav");
    std::optional<AsoundScope> device;
    device.emplace("pcm.wavtap { type file; slave.pcm \"null\"; file \"" + played +
                       "\"; format \"wav\" }",
                   "VORLAIN_PCM", "wavtap");

    const Samples tones = TwoTones(48000 / 2 + 7, 48000, 2);
    CTrack* track = importWave(tones, 48000, 2);
    ASSERT_NE(track, nullptr);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(AudioPlay_Play(player), 1);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (AudioPlay_QueryStauts(player) != 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(AudioPlay_GetPlayingTime(player), track->m_length);
    EXPECT_EQ(AudioPlay_Close(player), 1);
    device.reset();

    const std::vector<uint8_t> wav = ReadBytes(played);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(U32(wav, 24), 48000u);
    EXPECT_EQ(U32(wav, 28), 192000u);
    EXPECT_TRUE(std::vector<uint8_t>(wav.begin() + 44, wav.end()) == PcmBytes(tones));
}
