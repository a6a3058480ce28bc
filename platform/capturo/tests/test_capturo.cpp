// Capturo against real ALSA: the file plugin over null returns the bytes of a
// known file as captured sound (unpaced); a PulseAudio null sink's monitor
// (when the test server runs) records what is played to it.
#include "vorlain/capturo.h"
#include "vorlain/platform.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/pulse_server.h"
#include "vorlain/test/temp_env.h"
#include "vorlain/waveout.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

using namespace vorlain::test;
using namespace std::chrono_literals;

namespace {

// Collects what the capture callback delivers. The null plugin is unclocked:
// once its file is read it delivers silence as fast as it can, so only the
// first `keep` bytes are stored and the rest only counted.
struct Collector {
    explicit Collector(size_t keepBytes) : keep(keepBytes) {}

    std::mutex lock;
    std::condition_variable grew;
    size_t keep;
    std::vector<uint8_t> bytes;
    size_t total = 0;
    std::vector<unsigned> sizes;
    std::set<std::thread::id> threads;
    size_t calls = 0;

    static void Callback(void* context, const void* buffer, unsigned int byteCount)
    {
        auto* self = static_cast<Collector*>(context);
        std::lock_guard g(self->lock);
        const auto* p = static_cast<const uint8_t*>(buffer);
        size_t room = self->keep - std::min(self->keep, self->bytes.size());
        self->bytes.insert(self->bytes.end(), p, p + std::min<size_t>(room, byteCount));
        if (self->sizes.size() < 100000)
            self->sizes.push_back(byteCount);
        self->threads.insert(std::this_thread::get_id());
        self->total += byteCount;
        ++self->calls;
        self->grew.notify_all();
    }
    bool waitFor(size_t count, std::chrono::milliseconds limit = 20s)
    {
        std::unique_lock g(lock);
        return grew.wait_for(g, limit, [&] { return total >= count; });
    }
    size_t callCount()
    {
        std::lock_guard g(lock);
        return calls;
    }
    size_t totalNow()
    {
        std::lock_guard g(lock);
        return total;
    }
};

class CapturoTest : public IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        if (const char* pcm = std::getenv("VORLAIN_CAPTURE_PCM"))
            m_savedCapture = pcm;
        unsetenv("VORLAIN_CAPTURE_PCM");
        m_mic = env().path("mic.raw");
        m_sound = env().path("sound.raw");
        std::ofstream rc(env().path("home/.asoundrc"));
        for (auto [pcm, file] : {std::pair{"tapin", m_mic}, std::pair{"tapin2", m_sound}})
            rc << "pcm." << pcm << " { type file; slave.pcm \"null\"; file \"/dev/null\"; "
               << "infile \"" << file << "\"; format \"raw\" }\n";
        rc.close();
        // The file plugin refuses to open without its infile.
        ASSERT_TRUE(WriteBytes(m_mic, {}));
        ASSERT_TRUE(WriteBytes(m_sound, {}));
        snd_config_update_free_global(); // this test's HOME holds a new asoundrc
        char dir[VORLAIN_MAX_PATH];
        ASSERT_TRUE(VorlainGetConfigDir(dir, sizeof dir));
        m_ini = std::string(dir) + "/Capturo.ini";
        ASSERT_TRUE(crxInitSetting(m_ini.c_str()));
        ASSERT_TRUE(crxSetFormat(2, 44100, 16));
    }
    void TearDown() override
    {
        crxEndRecord();
        if (m_savedCapture)
            setenv("VORLAIN_CAPTURE_PCM", m_savedCapture->c_str(), 1);
        else
            unsetenv("VORLAIN_CAPTURE_PCM");
        snd_config_update_free_global();
        IsolatedTest::TearDown();
    }
    std::string Profile(const char* key)
    {
        char value[300] = {};
        VorlainGetProfileString("Capturo", key, "<missing>", value, sizeof value, m_ini.c_str());
        return value;
    }
    std::string Selected(int option)
    {
        char name[300] = {};
        EXPECT_TRUE(crxGetSelectedDevice(option, name, sizeof name));
        return name;
    }

    std::string m_ini;
    std::string m_mic;
    std::string m_sound;
    std::optional<std::string> m_savedCapture;
};

TEST_F(CapturoTest, MissingSettingsFileIsCreatedWithDefaultsAndNoOption)
{
    EXPECT_EQ(crxGetOption(), CRX_OPTION_NONE);
    ASSERT_TRUE(Exists(m_ini));
    EXPECT_EQ(Profile("MicrophoneDevice"), "default");
    EXPECT_EQ(Profile("ComputerSoundDevice"), "pulse:@DEFAULT_MONITOR@");
    EXPECT_EQ(Profile("Option"), "<missing>");
    EXPECT_EQ(Selected(1), "default");
    EXPECT_EQ(Selected(2), "pulse:@DEFAULT_MONITOR@");
}

TEST_F(CapturoTest, SettingsRoundTripThroughTheFile)
{
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSelectDevice(1, "hw:1,0"));
    ASSERT_TRUE(crxSelectDevice(2, "pulse:nullsink.monitor"));
    // Selecting a device writes it at once; the option waits for a save.
    EXPECT_EQ(Profile("MicrophoneDevice"), "hw:1,0");
    EXPECT_EQ(Profile("ComputerSoundDevice"), "pulse:nullsink.monitor");
    ASSERT_TRUE(crxSetOption(1)); // the environment's tapin opens
    EXPECT_EQ(Profile("Option"), "<missing>");
    ASSERT_TRUE(crxSaveSetting());
    EXPECT_EQ(Profile("Option"), "1");

    // Another file, then back: everything comes from the file again.
    std::string other = env().path("other.ini");
    ASSERT_TRUE(crxInitSetting(other.c_str()));
    EXPECT_EQ(crxGetOption(), CRX_OPTION_NONE);
    EXPECT_EQ(Selected(1), "default");
    ASSERT_TRUE(crxInitSetting(m_ini.c_str()));
    EXPECT_EQ(crxGetOption(), 1);
    EXPECT_EQ(Selected(1), "hw:1,0");
    EXPECT_EQ(Selected(2), "pulse:nullsink.monitor");

    // A hand-edited file: keys in any case, a bad option number means none.
    std::string edited = env().path("edited.ini");
    std::ofstream(edited) << "[capturo]\noption=3\nmicrophonedevice=tapin\n";
    ASSERT_TRUE(crxInitSetting(edited.c_str()));
    EXPECT_EQ(crxGetOption(), 3);
    EXPECT_EQ(Selected(1), "tapin");
    EXPECT_EQ(Selected(2), "pulse:@DEFAULT_MONITOR@");
    std::ofstream(edited) << "[Capturo]\nOption=7\n";
    ASSERT_TRUE(crxInitSetting(edited.c_str()));
    EXPECT_EQ(crxGetOption(), CRX_OPTION_NONE);

    // Saving with no option removes the key rather than writing -1.
    ASSERT_TRUE(crxSaveSetting());
    char value[16];
    VorlainGetProfileString("Capturo", "Option", "<missing>", value, sizeof value, edited.c_str());
    EXPECT_STREQ(value, "<missing>");
}

TEST_F(CapturoTest, InitRefusesPathsThatCannotHoldTheFile)
{
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSetOption(1));
    EXPECT_FALSE(crxInitSetting(nullptr));
    EXPECT_FALSE(crxInitSetting(""));
    EXPECT_FALSE(crxInitSetting(env().path("no/such/folder/Capturo.ini").c_str()));
    EXPECT_FALSE(crxInitSetting(env().makeDir("a-folder").c_str()));
    std::string file = env().path("plain-file");
    WriteBytes(file, {'x'});
    EXPECT_FALSE(crxInitSetting((file + "/Capturo.ini").c_str()));
    EXPECT_FALSE(Exists(env().path("no")));
    // A failed init leaves the settings in use as they were.
    EXPECT_EQ(crxGetOption(), 1);
}

TEST_F(CapturoTest, OptionFallbackTakesTheFirstInputThatOpens)
{
    // The kernel's order: both, then microphone, then computer sound.
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSelectDevice(2, "vorlain_no_such_pcm"));
    EXPECT_FALSE(crxSetOption(3));
    EXPECT_EQ(crxGetOption(), CRX_OPTION_NONE);
    EXPECT_TRUE(crxSetOption(1));
    EXPECT_EQ(crxGetOption(), 1);
    EXPECT_FALSE(crxSetOption(2));
    EXPECT_EQ(crxGetOption(), 1);
    EXPECT_FALSE(crxSetOption(0));
    EXPECT_FALSE(crxSetOption(4));
    EXPECT_FALSE(crxSetOption(-1));
    EXPECT_EQ(crxGetOption(), 1);

    // With the computer-sound device there, every option opens.
    ASSERT_TRUE(crxSelectDevice(2, "tapin2"));
    EXPECT_TRUE(crxSetOption(3));
    EXPECT_EQ(crxGetOption(), 3);
    EXPECT_TRUE(crxSetOption(2));
    EXPECT_EQ(crxGetOption(), 2);

    // Without the environment the stored microphone counts.
    unsetenv("VORLAIN_CAPTURE_PCM");
    ASSERT_TRUE(crxSelectDevice(1, "vorlain_no_such_pcm"));
    EXPECT_FALSE(crxSetOption(1));
    ASSERT_TRUE(crxSelectDevice(1, "tapin"));
    EXPECT_TRUE(crxSetOption(1));
}

TEST_F(CapturoTest, CapturesTheFileBytesExactlyAndInOrder)
{
    const std::vector<uint8_t> known = PcmBytes(Ramp(88200, 2)); // two seconds
    ASSERT_TRUE(WriteBytes(m_mic, known));
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSetOption(CRX_OPTION_MICROPHONE));

    constexpr unsigned kBufferBytes = 4410 * 4; // 100 ms of 44.1 kHz stereo
    Collector got(known.size() + 3 * kBufferBytes);
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &got));
    ASSERT_TRUE(got.waitFor(got.keep));
    ASSERT_TRUE(crxEndRecord());
    size_t calls = got.callCount();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(got.callCount(), calls) << "a callback came after crxEndRecord returned";

    std::lock_guard g(got.lock);
    ASSERT_GE(got.bytes.size(), known.size());
    EXPECT_TRUE(std::equal(known.begin(), known.end(), got.bytes.begin()));
    // What follows the file is not defined: alsa-lib 1.2.8's file plugin over
    // null then hands out stale ring-buffer bytes, not silence.
    for (size_t i = 0; i + 1 < got.sizes.size(); ++i)
        ASSERT_EQ(got.sizes[i], kBufferBytes) << "buffer " << i;
    EXPECT_EQ(got.sizes.back() % 4, 0u);
    EXPECT_LE(got.sizes.back(), kBufferBytes);
    ASSERT_EQ(got.threads.size(), 1u);
    EXPECT_NE(*got.threads.begin(), std::this_thread::get_id());
}

TEST_F(CapturoTest, MonoAtAnotherRateKeepsFramesWhole)
{
    const std::vector<uint8_t> known = PcmBytes(Sine(22050, 22050, 1, 440.0));
    ASSERT_TRUE(WriteBytes(m_mic, known));
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSetFormat(1, 22050, 16));
    ASSERT_TRUE(crxSetOption(1));
    Collector got(known.size());
    ASSERT_TRUE(crxBeginRecord(50, &Collector::Callback, &got));
    ASSERT_TRUE(got.waitFor(known.size()));
    ASSERT_TRUE(crxEndRecord());
    std::lock_guard g(got.lock);
    EXPECT_EQ(got.bytes, known);
    EXPECT_EQ(got.sizes.front(), 1102u * 2); // 50 ms of 22050 Hz mono, whole frames
}

TEST_F(CapturoTest, BothInputsAreMixedSampleBySampleWithClamping)
{
    // Loud enough that the sum leaves 16 bits in both directions.
    Samples mic = Sine(44100, 44100, 2, 300.0, 25000);
    Samples sound = Sine(44100, 44100, 2, 700.0, 24000);
    sound[0] = -32768; // with mic[0] = 0: stays at the bottom edge
    sound[2] = 32767;
    ASSERT_TRUE(WriteBytes(m_mic, PcmBytes(mic)));
    ASSERT_TRUE(WriteBytes(m_sound, PcmBytes(sound)));
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSelectDevice(2, "tapin2"));
    ASSERT_TRUE(crxSetOption(CRX_OPTION_BOTH));

    Samples expected(mic.size());
    bool clampedHigh = false, clampedLow = false;
    for (size_t i = 0; i < mic.size(); ++i) {
        int sum = mic[i] + sound[i];
        clampedHigh |= sum > 32767;
        clampedLow |= sum < -32768;
        expected[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
    }
    ASSERT_TRUE(clampedHigh && clampedLow);

    Collector got(expected.size() * 2);
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &got));
    ASSERT_TRUE(got.waitFor(got.keep));
    ASSERT_TRUE(crxEndRecord());
    std::lock_guard g(got.lock);
    EXPECT_EQ(got.bytes, PcmBytes(expected));
}

TEST_F(CapturoTest, EndWithoutBeginAndBeginTwice)
{
    EXPECT_TRUE(crxEndRecord()); // nothing runs: nothing to stop
    EXPECT_TRUE(crxEndRecord());

    ASSERT_TRUE(WriteBytes(m_mic, PcmBytes(Ramp(4410, 2))));
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSetOption(1));
    Collector first(0), second(0);
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &first));
    EXPECT_FALSE(crxBeginRecord(100, &Collector::Callback, &second));
    EXPECT_FALSE(crxSetFormat(1, 8000, 16)); // not while recording
    // The refused second start left the first one running.
    size_t before = first.callCount();
    ASSERT_TRUE(first.waitFor(first.totalNow() + 10 * 17640));
    EXPECT_GT(first.callCount(), before);
    ASSERT_TRUE(crxEndRecord());
    EXPECT_TRUE(crxEndRecord());
    EXPECT_EQ(second.callCount(), 0u);

    // A new recording after the end works again.
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &second));
    ASSERT_TRUE(second.waitFor(17640));
    ASSERT_TRUE(crxEndRecord());
}

TEST_F(CapturoTest, EndGivesUpOnACallbackThatDoesNotReturn)
{
    // A callback that waits for the thread calling crxEndRecord (as a
    // synchronous message to a UI thread would) must not hang that thread.
    ASSERT_TRUE(WriteBytes(m_mic, PcmBytes(Ramp(4410, 2))));
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSetOption(1));
    struct Gate {
        std::mutex lock;
        std::condition_variable changed;
        bool inside = false;
        bool open = false;
        int calls = 0;
    } gate;
    auto blocking = [](void* context, const void*, unsigned int) {
        auto* g = static_cast<Gate*>(context);
        std::unique_lock l(g->lock);
        ++g->calls;
        g->inside = true;
        g->changed.notify_all();
        g->changed.wait(l, [&] { return g->open; });
    };
    ASSERT_TRUE(crxBeginRecord(100, blocking, &gate));
    {
        std::unique_lock l(gate.lock);
        ASSERT_TRUE(gate.changed.wait_for(l, 10s, [&] { return gate.inside; }));
    }
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(crxEndRecord());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1500ms);
    Collector other(0);
    EXPECT_FALSE(crxBeginRecord(100, &Collector::Callback, &other)) << "still running";
    EXPECT_FALSE(crxSetFormat(1, 8000, 16));
    {
        std::lock_guard l(gate.lock);
        gate.open = true;
        gate.changed.notify_all();
    }
    EXPECT_TRUE(crxEndRecord());
    {
        std::lock_guard l(gate.lock);
        EXPECT_EQ(gate.calls, 1) << "no call may follow the stop";
    }
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &other));
    ASSERT_TRUE(other.waitFor(17640));
    ASSERT_TRUE(crxEndRecord());
}

TEST_F(CapturoTest, MissingDeviceAndBadArgumentsFailCleanly)
{
    ASSERT_TRUE(WriteBytes(m_mic, PcmBytes(Ramp(4410, 2))));
    Collector got(0);
    // No option chosen yet.
    EXPECT_FALSE(crxBeginRecord(100, &Collector::Callback, &got));

    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxSetOption(1));
    EXPECT_FALSE(crxBeginRecord(100, nullptr, &got));
    EXPECT_FALSE(crxBeginRecord(0, &Collector::Callback, &got));
    EXPECT_FALSE(crxBeginRecord(5001, &Collector::Callback, &got));
    EXPECT_FALSE(crxSetFormat(2, 44100, 8));
    EXPECT_FALSE(crxSetFormat(2, 44100, 24));
    EXPECT_FALSE(crxSetFormat(3, 44100, 16));
    EXPECT_FALSE(crxSetFormat(0, 44100, 16));
    EXPECT_FALSE(crxSetFormat(2, 0, 16));
    EXPECT_FALSE(crxSetFormat(2, 1000000, 16));

    // The device disappears between choosing it and recording.
    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    EXPECT_FALSE(crxBeginRecord(100, &Collector::Callback, &got));
    setenv("VORLAIN_CAPTURE_PCM", "hw:97,0", 1);
    EXPECT_FALSE(crxBeginRecord(100, &Collector::Callback, &got));
    EXPECT_TRUE(crxEndRecord());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(got.callCount(), 0u);

    // Nothing was left running: a good device records at once.
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &got));
    ASSERT_TRUE(got.waitFor(17640));
    ASSERT_TRUE(crxEndRecord());
}

TEST_F(CapturoTest, DeviceListingAndSelection)
{
    ASSERT_GE(crxGetDeviceCount(1), 1);
    char name[64] = {};
    ASSERT_TRUE(crxGetDeviceName(1, 0, name, sizeof name));
    EXPECT_STREQ(name, "default"); // the stored microphone comes first

    ASSERT_TRUE(crxSelectDevice(1, "tapin"));
    int count = crxGetDeviceCount(1);
    ASSERT_GE(count, 2);
    ASSERT_TRUE(crxGetDeviceName(1, 0, name, sizeof name));
    EXPECT_STREQ(name, "tapin");
    std::set<std::string> seen;
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(crxGetDeviceName(1, i, name, sizeof name));
        EXPECT_TRUE(seen.insert(name).second) << "listed twice: " << name;
    }
    EXPECT_TRUE(seen.count("default"));
    EXPECT_FALSE(seen.count("lavrate")) << "a rate converter is no input";
    EXPECT_FALSE(crxGetDeviceName(1, count, name, sizeof name));
    EXPECT_FALSE(crxGetDeviceName(1, -1, name, sizeof name));
    EXPECT_FALSE(crxGetDeviceName(1, 0, name, 5)); // "tapin" needs 6 bytes
    EXPECT_TRUE(crxGetDeviceName(1, 0, name, 6));
    EXPECT_FALSE(crxGetDeviceName(1, 0, nullptr, 6));

    ASSERT_TRUE(crxSelectDevice(2, "pulse:nullsink.monitor"));
    ASSERT_GE(crxGetDeviceCount(2), 1);
    ASSERT_TRUE(crxGetDeviceName(2, 0, name, sizeof name));
    EXPECT_STREQ(name, "pulse:nullsink.monitor");

    EXPECT_EQ(crxGetDeviceCount(3), 0);
    EXPECT_EQ(crxGetDeviceCount(0), 0);
    EXPECT_FALSE(crxGetDeviceName(3, 0, name, sizeof name));
    EXPECT_FALSE(crxSelectDevice(3, "default"));
    EXPECT_FALSE(crxSelectDevice(1, ""));
    EXPECT_FALSE(crxSelectDevice(1, nullptr));
    EXPECT_FALSE(crxSelectDevice(1, "two\nlines"));
    EXPECT_FALSE(crxSelectDevice(1, " padded"));
    EXPECT_FALSE(crxSelectDevice(1, std::string(256, 'x').c_str()));
    EXPECT_TRUE(crxSelectDevice(1, std::string(255, 'x').c_str()));
    EXPECT_FALSE(crxGetSelectedDevice(1, name, sizeof name)); // 255 bytes do not fit in 64
    EXPECT_FALSE(crxGetSelectedDevice(3, name, sizeof name));
    ASSERT_TRUE(crxSelectDevice(1, "tapin"));
    EXPECT_EQ(Selected(1), "tapin");
    EXPECT_EQ(Profile("MicrophoneDevice"), "tapin");

    // A file that can no longer be written keeps the device as it was.
    std::string locked = env().makeDir("locked");
    std::string lockedIni = locked + "/Capturo.ini";
    ASSERT_TRUE(crxInitSetting(lockedIni.c_str()));
    chmod(locked.c_str(), 0500);
    if (access((locked + "/.").c_str(), W_OK) != 0) { // root writes anywhere
        EXPECT_FALSE(crxSelectDevice(1, "hw:2,0"));
        EXPECT_EQ(Selected(1), "default");
    }
    chmod(locked.c_str(), 0700);
}

TEST_F(CapturoTest, RecordsTheNullSinkMonitorWhileSomethingPlays)
{
    if (!PulseServerAnswers())
        GTEST_SKIP() << "no PulseAudio test server at " << kPulseSocket;
    PulseServerScope pulse;
    snd_config_update_free_global();

    // Computer sound by its default name: the monitor of the default sink.
    ASSERT_TRUE(crxSetOption(CRX_OPTION_COMPUTER_SOUND));
    ASSERT_EQ(Selected(2), "pulse:@DEFAULT_MONITOR@");

    // Play five seconds of a loud sine to the default output (the null sink).
    VorlainWaveOut* out = nullptr;
    VorlainWaveFormat f{1, 2, 44100, 176400, 4, 16};
    ASSERT_EQ(VorlainWaveOutOpen(&out, "default", &f, nullptr, nullptr), VORLAIN_WAVE_OK);
    std::vector<uint8_t> tone = PcmBytes(Sine(5 * 44100, 44100, 2, 1000.0, 20000));
    std::vector<VorlainWaveHeader> headers(tone.size() / 8192);
    for (size_t i = 0; i < headers.size(); ++i) {
        headers[i].data = reinterpret_cast<char*>(tone.data() + i * 8192);
        headers[i].bufferLength = 8192;
        ASSERT_EQ(VorlainWaveOutPrepareHeader(out, &headers[i]), VORLAIN_WAVE_OK);
        ASSERT_EQ(VorlainWaveOutWrite(out, &headers[i]), VORLAIN_WAVE_OK);
    }

    Collector got(2 * 176400);
    ASSERT_TRUE(crxBeginRecord(100, &Collector::Callback, &got));
    ASSERT_TRUE(got.waitFor(got.keep, 30s));
    ASSERT_TRUE(crxEndRecord());
    ASSERT_EQ(VorlainWaveOutClose(out), VORLAIN_WAVE_OK);

    // Other tests may play to the same sink at the same time, so look for the
    // tone itself: its amplitude at 1000 Hz over 100 ms windows (exactly 100
    // periods each, so nothing leaks from neighbouring frequencies).
    std::lock_guard g(got.lock);
    const size_t window = 4410;
    double best = 0;
    for (size_t start = 0; (start + window) * 4 <= got.bytes.size(); start += window) {
        double re = 0, im = 0;
        for (size_t n = 0; n < window; ++n) {
            size_t at = (start + n) * 4; // left channel
            double x = int16_t(got.bytes[at] | got.bytes[at + 1] << 8);
            double phase = 2 * M_PI * 1000.0 * double(n) / 44100.0;
            re += x * std::cos(phase);
            im += x * std::sin(phase);
        }
        best = std::max(best, 2 * std::sqrt(re * re + im * im) / double(window));
    }
    EXPECT_GT(best, 12000) << "the monitor did not carry the 1000 Hz tone of amplitude 20000";
    EXPECT_LT(best, 21000);
}

} // namespace
