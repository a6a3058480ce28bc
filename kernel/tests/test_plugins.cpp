// LV2 plugins: the lists, a real plugin (the LV2 example amplifier) over a
// range with undo and redo, the host's wiring of mono and stereo plugins and
// of latency, plugins that crash, hang or give NaN, and live preview.
#include "kernel_fixture.h"

#include "plugins/plugin_preview.h"
#include "store/byte_offset.h"
#include "vorlain/test/alsa_tap.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

using namespace kernel;
using namespace kernel::test;
using namespace std::chrono_literals;
using vorlain::test::Samples;

namespace {

constexpr const char* kAmp = "http://lv2plug.in/plugins/eg-amp";

std::string listOf(int (*get)(char*, uint32_t))
{
    const int needed = get(nullptr, 0);
    std::string text(static_cast<size_t>(needed), '\0');
    EXPECT_EQ(get(text.data(), static_cast<uint32_t>(text.size())), needed);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::string describedBy(int (*get)(const char*, char*, uint32_t), const char* uri)
{
    const int needed = get(uri, nullptr, 0);
    if (needed <= 0)
        return "";
    std::string text(static_cast<size_t>(needed), '\0');
    get(uri, text.data(), static_cast<uint32_t>(text.size()));
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::vector<int16_t> samplesOf(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

int16_t clamp16(double v)
{
    return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
}

// A sine loud enough that doubling clips its peaks, plus quiet stretches.
Samples testAudio(int64_t frames, int channels)
{
    Samples s = vorlain::test::Sine(frames, 44100, channels, 330.0, 20000);
    for (size_t i = 0; i < s.size(); i += 7)
        s[i] = static_cast<int16_t>(s[i] / 5);
    return s;
}

} // namespace

class Plugins : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        // This suite's own bundle first, then what the system has installed.
        setenv("LV2_PATH", VORLAIN_TEST_LV2_DIR ":/usr/lib/x86_64-linux-gnu/lv2:/usr/lib/lv2", 1);
        setenv("VORLAIN_PLUGIN_TIMEOUT_MS", "1500", 1);
    }
    void TearDown() override
    {
        unsetenv("VORLAIN_PLUGIN_TIMEOUT_MS");
        KernelTest::TearDown();
    }

    ActionRecord lastAction()
    {
        ActionRecord action{};
        Kestrum_GetLastActionAttr(m_session, &action);
        return action;
    }
};

TEST_F(Plugins, TheListsNameUsablePluginsAndWhyTheOthersAreNot)
{
    EXPECT_EQ(Kestrum_GetPluginList(nullptr, 0),
              static_cast<int>(listOf(Kestrum_GetPluginList).size() + 1));
    const std::string usable = listOf(Kestrum_GetPluginList);
    EXPECT_NE(usable.find(std::string(kAmp) + "\tSimple Amplifier\tAmplifier\t1\t1\n"),
              std::string::npos)
        << usable;
    EXPECT_NE(usable.find("urn:vorlain:test:swap\tVorlain Test Swap\tMixer\t2\t2\n"),
              std::string::npos);
    // A MIDI instrument and a MIDI filter take no audio in.
    EXPECT_EQ(usable.find("urn:vorlain:test:midi"), std::string::npos);
    EXPECT_EQ(usable.find("eg-fifths"), std::string::npos);
    for (size_t at = 0; at < usable.size();) {
        const size_t end = usable.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(std::count(usable.begin() + at, usable.begin() + end, '\t'), 4);
        at = end + 1;
    }

    const std::string unsupported = listOf(Kestrum_GetUnsupportedPlugins);
    EXPECT_NE(unsupported.find("urn:vorlain:test:midi\tVorlain Test MIDI\tport \"events\" takes "
                               "events such as MIDI\n"),
              std::string::npos)
        << unsupported;

    // A buffer one byte short is left alone.
    const int needed = Kestrum_GetPluginList(nullptr, 0);
    std::string small(static_cast<size_t>(needed - 1), 'x');
    EXPECT_EQ(Kestrum_GetPluginList(small.data(), static_cast<uint32_t>(small.size())), needed);
    EXPECT_EQ(small, std::string(static_cast<size_t>(needed - 1), 'x'));
}

TEST_F(Plugins, ControlsAndPresetsComeFromThePluginsData)
{
    EXPECT_EQ(describedBy(Kestrum_GetPluginControls, kAmp),
              "gain\tGain\t-90\t24\t0\t-\t-10=-10|-5=-5|0=0|5=+5\n");
    EXPECT_EQ(describedBy(Kestrum_GetPluginControls, "urn:vorlain:test:swap"),
              "mode\tMode\t0\t2\t1\tinteger,enumeration\t0=Off|1=Swap|2=Both\n");
    EXPECT_EQ(describedBy(Kestrum_GetPluginPresets, "urn:vorlain:test:swap"), "Quiet\tmode=2\n");
    EXPECT_EQ(describedBy(Kestrum_GetPluginPresets, kAmp), "");
    EXPECT_EQ(Kestrum_GetPluginControls("urn:vorlain:no-such-plugin", nullptr, 0), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E72B002u);
}

TEST_F(Plugins, TheAmplifierDoublesTheRangeAndLeavesTheRestByteForByte)
{
    CTrack* track = loadTrack(testAudio(44100 * 12, 2));
    const auto before = samplesOf(pcm(track));
    const auto files = segments(track);
    const int64_t from = 2'000'000, to = 7'500'000; // across the second file's start
    // +6.0206 dB is a factor of 2.0000 (+6 dB is 1.9953).
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, track->m_trackId, from, to, kAmp, "gain=6.0206"), 1);
    const auto after = samplesOf(pcm(track));
    ASSERT_EQ(after.size(), before.size());
    const size_t a = static_cast<size_t>(ByteOffset(from, 2, 44100, 2)) / 2;
    const size_t b = static_cast<size_t>(ByteOffset(to, 2, 44100, 2)) / 2;
    for (size_t i = 0; i < before.size(); ++i) {
        if (i < a || i >= b) {
            ASSERT_EQ(after[i], before[i]) << "sample " << i;
        } else {
            ASSERT_NEAR(after[i], clamp16(2.0 * before[i]), 1) << "sample " << i;
        }
    }
    EXPECT_EQ(progress().back(), 100u);
    const ActionRecord action = lastAction();
    EXPECT_EQ(action.type, 24u);
    EXPECT_STREQ(action.name, "Simple Amplifier");
    // The file after the range is the same file.
    EXPECT_EQ(std::string(segments(track).back().path), files.back().path);

    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(samplesOf(pcm(track)), before);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(samplesOf(pcm(track)), after);

    // +6 dB as the plugin computes it, over the whole mono track.
    CTrack* mono = loadTrack(testAudio(44100 * 3, 1), 44100, 1, "mono.wav");
    const auto monoBefore = samplesOf(pcm(mono));
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, mono->m_trackId, 0, 0, kAmp, "gain=6"), 1);
    const auto monoAfter = samplesOf(pcm(mono));
    const double factor = std::pow(10.0, 6.0 / 20.0);
    for (size_t i = 0; i < monoBefore.size(); ++i)
        ASSERT_NEAR(monoAfter[i], clamp16(std::nearbyint(factor * monoBefore[i])), 1) << i;
}

TEST_F(Plugins, ArgumentsAreCheckedBeforeAnyWork)
{
    CTrack* track = loadTrack(testAudio(44100 * 2, 2));
    const auto before = pcm(track);
    const std::string files = Describe(segments(track));
    const uint32_t id = track->m_trackId;
    const uint32_t actionType = lastAction().type;
    struct Case {
        int64_t from, to;
        const char* uri;
        const char* controls;
        uint32_t code;
    };
    for (const Case& c : {
             Case{0, 0, kAmp, "volume=3", 0x0E73B002}, // no such control
             Case{0, 0, kAmp, "gain=25", 0x0E73B002},  // past the maximum
             Case{0, 0, kAmp, "gain=-91", 0x0E73B002}, // below the minimum
             Case{0, 0, kAmp, "gain=3,5", 0x0E73B002}, // not a C-locale number
             Case{0, 0, kAmp, "gain", 0x0E73B002},     // no value
             Case{0, 0, kAmp, "gain=nan", 0x0E73B002},
             Case{0, 0, "urn:vorlain:no-such-plugin", "", 0x0E72B002},
             Case{0, 0, "urn:vorlain:test:midi", "", 0x0E72B002}, // found, not usable
             Case{0, 0, nullptr, "", 0x0E72B002},
             Case{500'000, 400'000, kAmp, "", 0x0E71B002},
             Case{0, 3'000'000, kAmp, "", 0x0E71B002},
             Case{-1, 1'000'000, kAmp, "", 0x0E71B002},
         }) {
        SCOPED_TRACE(c.controls);
        EXPECT_EQ(Kestrum_ApplyPlugin(m_session, id, c.from, c.to, c.uri, c.controls), 0);
        EXPECT_EQ(Kestrum_GetLastError(), c.code);
        EXPECT_EQ(pcm(track), before);
        EXPECT_EQ(Describe(segments(track)), files);
        EXPECT_EQ(lastAction().type, actionType);
    }
    EXPECT_EQ(Kestrum_ApplyPlugin(m_session, 999, 0, 0, kAmp, ""), 0);
    EXPECT_EQ(Kestrum_ApplyPlugin(nullptr, id, 0, 0, kAmp, ""), 0);
    // Controls not named keep their defaults: gain 0 dB leaves every sample.
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, id, 0, 0, kAmp, ""), 1);
    EXPECT_EQ(pcm(track), before);
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, id, 0, 0, kAmp, "gain=-90;gain=0;"), 1);
    EXPECT_EQ(pcm(track), before);
}

TEST_F(Plugins, APluginThatCrashesHangsOrGivesNaNFailsAloneAndTheNextOneWorks)
{
    CTrack* track = loadTrack(testAudio(44100 * 8, 1), 44100, 1);
    const auto before = pcm(track);
    const std::string files = Describe(segments(track));
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, track->m_trackId, 0, 1'000'000, kAmp, "gain=-6"), 1);
    const auto once = pcm(track);
    const ActionRecord action = lastAction();
    for (auto [uri, code] : {std::pair{"urn:vorlain:test:crash", 0x0E75B001u},
                             {"urn:vorlain:test:hang", 0x0E76B001u},
                             {"urn:vorlain:test:nan", 0x0E77B001u}}) {
        SCOPED_TRACE(uri);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Kestrum_ApplyPlugin(m_session, track->m_trackId, 500'000, 7'000'000, uri, ""), 0);
        EXPECT_EQ(Kestrum_GetLastError(), code);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
        EXPECT_EQ(pcm(track), once);
        EXPECT_EQ(lastAction().type, action.type);
        EXPECT_EQ(progress().back(), 100u); // the progress dialog is let go
        // The helper is gone and reaped: no child is left.
        errno = 0;
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }
    // The history is as it was: undo takes back the amplifier.
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(pcm(track), before);
    EXPECT_EQ(Describe(segments(track)), files);
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, track->m_trackId, 0, 0, kAmp, "gain=0"), 1);
    EXPECT_EQ(pcm(track), before);
}

TEST_F(Plugins, APluginsReportedLatencyIsTakenOut)
{
    // The test delay lags by 1000 frames and says so: the range comes out
    // in place, sample for sample, even where it spans data files.
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        CTrack* track = loadTrack(testAudio(44100 * 11, channels), 44100, channels);
        const auto before = pcm(track);
        ASSERT_EQ(Kestrum_ApplyPlugin(m_session, track->m_trackId, 1'000'000, 10'000'000,
                                      "urn:vorlain:test:latency", ""),
                  1);
        EXPECT_EQ(pcm(track), before);
    }
}

TEST_F(Plugins, AStereoPluginOnAMonoTrackIsAveragedAndMonoPluginsRunPerChannel)
{
    const Samples source = testAudio(44100 * 2, 2);
    CTrack* stereo = loadTrack(source, 44100, 2);
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, stereo->m_trackId, 0, 0, "urn:vorlain:test:swap", ""),
              1);
    const auto swapped = samplesOf(pcm(stereo));
    ASSERT_EQ(swapped.size(), source.size());
    for (size_t i = 0; i + 1 < source.size(); i += 2) {
        ASSERT_EQ(swapped[i], source[i + 1]) << i;
        ASSERT_EQ(swapped[i + 1], static_cast<int16_t>(std::nearbyint(source[i] * 0.5f))) << i;
    }

    Samples monoSource(source.size() / 2);
    for (size_t i = 0; i < monoSource.size(); ++i)
        monoSource[i] = source[2 * i];
    CTrack* mono = loadTrack(monoSource, 44100, 1, "mono.wav");
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, mono->m_trackId, 0, 0, "urn:vorlain:test:swap", ""),
              1);
    const auto averaged = samplesOf(pcm(mono));
    for (size_t i = 0; i < monoSource.size(); ++i)
        ASSERT_EQ(averaged[i], static_cast<int16_t>(std::nearbyint(monoSource[i] * 0.75f))) << i;

    // The mono amplifier on a stereo track: each channel by itself.
    CTrack* again = loadTrack(source, 44100, 2, "again.wav");
    ASSERT_EQ(Kestrum_ApplyPlugin(m_session, again->m_trackId, 0, 0, kAmp, "gain=-6.0206"), 1);
    const auto halved = samplesOf(pcm(again));
    for (size_t i = 0; i < source.size(); ++i)
        ASSERT_NEAR(halved[i], source[i] / 2.0, 1) << i;
}

class PluginPreview : public Plugins {
protected:
    void SetUp() override
    {
        Plugins::SetUp();
        m_played = env().path("played.raw");
        m_tap.emplace(m_played);
    }
    void TearDown() override
    {
        m_tap.reset();
        Plugins::TearDown();
    }

    std::string m_played;
    std::optional<vorlain::test::AlsaTapScope> m_tap;
};

TEST_F(PluginPreview, APlayingLoopTakesNewControlsAtTheNextBlock)
{
    const Samples source = vorlain::test::Sine(44100, 44100, 1, 441.0, 8000);
    CTrack* track = loadTrack(source, 44100, 1);
    const int64_t from = 250'000, to = 500'000; // a quarter of a second, looped
    ASSERT_EQ(Kestrum_StartPreview(m_session, track->m_trackId, from, to, kAmp, "gain=0"), 1);
    EXPECT_EQ(Kestrum_PreviewStatus(m_session), 1);
    // The null device takes blocks as fast as they come: wait for a few loops.
    for (int i = 0; i < 500 && vorlain::test::FileSize(m_played) < 4 * 22050; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Kestrum_SetPreviewControls(m_session, "gain=zero"), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E73B002u);
    ASSERT_EQ(Kestrum_SetPreviewControls(m_session, "gain=6.0206"), 1);
    for (int i = 0; i < 500 && !m_session->m_preview->LastChange().done; ++i)
        std::this_thread::sleep_for(5ms);
    const auto change = m_session->m_preview->LastChange();
    ASSERT_TRUE(change.done);
    EXPECT_GE(change.written, change.changed);
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(Kestrum_StopPreview(m_session), 1);
    EXPECT_EQ(Kestrum_PreviewStatus(m_session), 0);

    // What was played is the range in a loop, first as it is, then doubled
    // from one block boundary on.
    const auto played = samplesOf(vorlain::test::ReadBytes(m_played));
    // The loop's ends as the track's byte offsets put them (a mono boundary
    // falls on an even sample).
    const auto first = static_cast<size_t>(ByteOffset(from, 2, 44100, 1) / 2);
    const size_t frames = static_cast<size_t>(ByteOffset(to, 2, 44100, 1) / 2) - first;
    ASSERT_GT(played.size(), 6 * frames);
    std::optional<size_t> switched;
    for (size_t i = 0; i < played.size(); ++i) {
        const int16_t x = source[first + i % frames];
        if (!switched && played[i] != x) {
            // The change shows from its block's first sample that is not
            // silence: a silent sample doubled is silent still.
            const size_t block = i - i % kernel::CPluginPreview::kBlockFrames;
            for (size_t j = block; j < i; ++j)
                EXPECT_EQ(source[first + j % frames], 0) << j;
            switched = block;
        }
        if (switched) {
            ASSERT_NEAR(played[i], clamp16(2.0 * x), 1) << i;
        }
    }
    ASSERT_TRUE(switched);
    EXPECT_GE(*switched, 4 * frames / 2);
}

TEST_F(PluginPreview, APluginThatCrashesEndsThePreviewWithItsCode)
{
    CTrack* track = loadTrack(testAudio(44100, 1), 44100, 1);
    ASSERT_EQ(Kestrum_StartPreview(m_session, track->m_trackId, 0, 0, "urn:vorlain:test:crash", ""),
              1);
    for (int i = 0; i < 1000 && Kestrum_PreviewStatus(m_session) == 1; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Kestrum_PreviewStatus(m_session), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E75B001u);
    EXPECT_EQ(Kestrum_SetPreviewControls(m_session, ""), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E75B001u);
    EXPECT_EQ(Kestrum_StopPreview(m_session), 1);
    // The next preview starts a fresh helper.
    ASSERT_EQ(Kestrum_StartPreview(m_session, track->m_trackId, 0, 0, kAmp, ""), 1);
    EXPECT_EQ(Kestrum_PreviewStatus(m_session), 1);
    EXPECT_EQ(Kestrum_StopPreview(m_session), 1);
}

TEST_F(PluginPreview, AHungPluginEndsThePreviewWithItsCodeAndStopDoesNotWaitForIt)
{
    CTrack* track = loadTrack(testAudio(44100, 1), 44100, 1);
    // Left alone, the time limit (1.5 s here) ends it with its code.
    ASSERT_EQ(Kestrum_StartPreview(m_session, track->m_trackId, 0, 0, "urn:vorlain:test:hang", ""),
              1);
    for (int i = 0; i < 2000 && Kestrum_PreviewStatus(m_session) == 1; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Kestrum_PreviewStatus(m_session), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E76B001u);

    // Stopped while it hangs: Stop returns without waiting for the limit,
    // and a stop is not a failure.
    setenv("VORLAIN_PLUGIN_TIMEOUT_MS", "60000", 1);
    ASSERT_EQ(Kestrum_StartPreview(m_session, track->m_trackId, 0, 0, "urn:vorlain:test:hang", ""),
              1);
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Kestrum_StopPreview(m_session), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(Kestrum_PreviewStatus(m_session), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0u);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1); // the helper is gone and reaped
    EXPECT_EQ(errno, ECHILD);
}
