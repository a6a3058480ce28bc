// Recording into a track through Capturo and ALSA: the capture device is the
// `file` plugin over `null`, which hands out the bytes of a known file (then,
// past its end, stale ring-buffer bytes, so only the first part is compared).
// The paced tests record the PulseAudio test server's null source in real time.
#include "kernel_fixture.h"

#include "history/action_type.h"
#include "record/live_peaks.h"
#include "record/track_recorder.h"
#include "vorlain/capturo.h"
#include "vorlain/platform.h"
#include "vorlain/test/pulse_server.h"

#include <alsa/asoundlib.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;
using namespace std::chrono_literals;

namespace {

constexpr int64_t kBytesPerSecond = 176400;
constexpr size_t kPieceBytes = 882000;    // 5 s of 44100 Hz 16-bit stereo
constexpr size_t kBufferBytes = 4410 * 4; // what the capture hands over per 100 ms

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t to)
{
    return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(from),
                                bytes.begin() + static_cast<ptrdiff_t>(to));
}

std::string LocalTimeName(std::time_t t)
{
    std::tm local{};
    localtime_r(&t, &local);
    char name[64];
    std::strftime(name, sizeof name, "Record Track(%H:%M:%S)", &local);
    return name;
}

} // namespace

class Recording : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        if (const char* pcm = std::getenv("VORLAIN_CAPTURE_PCM"))
            m_savedCapture = pcm;
        m_capture = env().path("capture.raw");
        std::ofstream rc(std::string(std::getenv("HOME")) + "/.asoundrc");
        rc << "pcm.tapin { type file; slave.pcm \"null\"; file \"/dev/null\"; infile \""
           << m_capture << "\"; format \"raw\" }\n";
        rc.close();
        ASSERT_TRUE(WriteBytes(m_capture, {})); // the plugin opens only with its infile
        snd_config_update_free_global();
        setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
        // No input chosen yet, and the computer-sound device does not exist:
        // the kernel's choice falls from "both" to the microphone.
        char folder[VORLAIN_MAX_PATH];
        ASSERT_TRUE(VorlainGetConfigDir(folder, sizeof folder));
        m_ini = std::string(folder) + "/Capturo.ini";
        ASSERT_TRUE(VorlainWriteProfileString("Capturo", "ComputerSoundDevice",
                                              "vorlain_no_such_pcm", m_ini.c_str()));

        m_view.onSend([this](const Message& m) {
            if (m.msg != vorlain::WM_RECORD_PEAKS)
                return LRESULT(0);
            std::lock_guard g(m_peaksLock);
            m_peaks.push_back({*reinterpret_cast<const RecordPeaks*>(m.wParam),
                               *reinterpret_cast<const RecordPeaks*>(m.lParam)});
            if (m_onPeaks)
                m_onPeaks(m_peaks.back().left);
            return LRESULT(0);
        });
    }
    void TearDown() override
    {
        crxEndRecord();
        m_pulse.reset();
        if (m_savedCapture)
            setenv("VORLAIN_CAPTURE_PCM", m_savedCapture->c_str(), 1);
        else
            unsetenv("VORLAIN_CAPTURE_PCM");
        snd_config_update_free_global();
        KernelTest::TearDown();
    }

    /** Records from the PulseAudio test server's null source, after idling
     *  for longer than a sound server waits before it suspends an unused
     *  source (PulseAudio: 5 s), so that the start wakes it. */
    void usePulseSource()
    {
        m_pulse.emplace();
        // The microphone is ALSA's default, the server's null source; the
        // computer-sound device does not exist, so "both" cannot open.
        unsetenv("VORLAIN_CAPTURE_PCM");
        snd_config_update_free_global();
        std::this_thread::sleep_for(5500ms);
    }

    struct Peaks {
        RecordPeaks left;
        RecordPeaks right;
    };
    std::vector<Peaks> peaks()
    {
        std::lock_guard g(m_peaksLock);
        return m_peaks;
    }
    /** The track's data files after the header, concatenated. */
    static std::vector<uint8_t> audioBytes(const CTrack* track)
    {
        std::vector<uint8_t> out;
        for (const TrackSegment& s : segments(track)) {
            if (s.state & vorlain::kHeaderSegment)
                continue;
            std::vector<uint8_t> b = ReadBytes(s.path);
            out.insert(out.end(), b.begin(), b.end());
        }
        return out;
    }
    static bool isEndMarker(const Peaks& p)
    {
        return p.left.minIndex == -1 && p.left.minimum == -1 && p.left.maxIndex == -1 &&
               p.left.maximum == -1 && p.right.minIndex == -1 && p.right.maximum == -1;
    }

    std::string m_capture;
    std::string m_ini;
    std::optional<std::string> m_savedCapture;
    MessageQueueWindow m_view;
    std::mutex m_peaksLock;
    std::vector<Peaks> m_peaks;
    std::function<void(const RecordPeaks&)> m_onPeaks;
    std::optional<PulseServerScope> m_pulse;
};

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/** The moments around one call: the track must hold what was captured from
 *  some moment inside the start call on, so the bounds take either end. */
struct Call {
    Clock::time_point before;
    Clock::time_point after;
};

template <typename F> Call Timed(F&& call)
{
    Call c{Clock::now(), {}};
    call();
    c.after = Clock::now();
    return c;
}

// What a paced recording may differ by: less than a tenth of a second.
constexpr double kTolerance = 0.100;

} // namespace

TEST_F(Recording, TwelveSecondsMakeAHeaderTwoFullFilesAndALastOne)
{
    // Thirteen seconds of known sound; the recording keeps the first twelve.
    const std::vector<uint8_t> known = PcmBytes(Ramp(44100 * 13, 2));
    ASSERT_TRUE(WriteBytes(m_capture, known));
    const size_t recorded = 12 * kBytesPerSecond;

    std::time_t before = std::time(nullptr);
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 4410, 7);
    std::time_t after = std::time(nullptr);
    ASSERT_NE(track, nullptr);
    EXPECT_TRUE(track->m_name == LocalTimeName(before) || track->m_name == LocalTimeName(after))
        << track->m_name;
    EXPECT_EQ(track->m_displayHwnd, m_view.hwnd());
    EXPECT_EQ(track->m_zoomFactor, 4410u);
    EXPECT_EQ(track->m_deviceIndex, 7u);
    const uint32_t id = Kestrum_GetTrackId(m_session, track);
    ActionRecord action{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &action), 1);
    EXPECT_EQ(action.type, 13u);
    EXPECT_EQ(action.trackId, id);
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, id), 1);

    // The capture runs unclocked: the view pauses the recording once twelve
    // seconds are in, as a user would, and buffers after that are dropped.
    std::atomic<bool> paused{false};
    m_onPeaks = [&](const RecordPeaks& left) {
        if (left.minIndex >= 0 && !paused && Kestrum_GetTrackTime(m_session, id) >= 12 * kSecond) {
            paused = true;
            Kestrum_RecordPause(m_session, id);
        }
    };
    ASSERT_EQ(Kestrum_RecordStart(m_session, id), 1);
    EXPECT_EQ(crxGetOption(), CRX_OPTION_MICROPHONE)
        << "both inputs cannot open; the microphone can";
    auto end = std::chrono::steady_clock::now() + 30s;
    while (!paused && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(paused);
    std::this_thread::sleep_for(300ms); // the capture goes on; none of it is kept
    EXPECT_TRUE(CTrackRecorder::Instance().IsRecording(track));
    ASSERT_EQ(Kestrum_RecordStop(m_session, id), 1);
    EXPECT_FALSE(CTrackRecorder::Instance().IsRecording(track));

    ASSERT_EQ(Describe(segments(track)), "H [0,5000000)00000001.dat [5000000,10000000)00000002.dat "
                                         "[10000000,12000000)00000003.dat ");
    std::vector<TrackSegment> s = segments(track);
    // The header file: a 44-byte wave header for 44100 Hz 16-bit stereo, sizes 0.
    std::vector<uint8_t> header = ReadBytes(s[0].path);
    ASSERT_EQ(header.size(), 44u);
    EXPECT_EQ(std::string(header.begin(), header.begin() + 4), "RIFF");
    EXPECT_EQ(U32(header, 4), 0u);
    EXPECT_EQ(std::string(header.begin() + 8, header.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(header, 16), 16u);
    EXPECT_EQ(U16(header, 20), 1u);
    EXPECT_EQ(U16(header, 22), 2u);
    EXPECT_EQ(U32(header, 24), 44100u);
    EXPECT_EQ(U32(header, 28), 176400u);
    EXPECT_EQ(U16(header, 32), 4u);
    EXPECT_EQ(U16(header, 34), 16u);
    EXPECT_EQ(std::string(header.begin() + 36, header.begin() + 40), "data");
    EXPECT_EQ(U32(header, 40), 0u);
    EXPECT_EQ(s[0].start, 0);
    EXPECT_EQ(s[0].end, 0);
    // Two files of five seconds and the last two seconds, byte for byte.
    EXPECT_EQ(ReadBytes(s[1].path), Slice(known, 0, kPieceBytes));
    EXPECT_EQ(ReadBytes(s[2].path), Slice(known, kPieceBytes, 2 * kPieceBytes));
    EXPECT_EQ(ReadBytes(s[3].path), Slice(known, 2 * kPieceBytes, recorded));
    // Each file got its peak summary as it was written: the first draw of
    // the recorded track reads no audio.
    for (size_t i = 1; i < s.size(); ++i)
        EXPECT_EQ(CheckPeakSummary(s[i].path, 2), "") << i;
    EXPECT_EQ(track->m_length, 12 * kSecond);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, id), 12 * kSecond);
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, id), 0);
    TrackBaseInfo info{};
    ASSERT_EQ(Kestrum_GetTrackBaseInfoEx(track, &info), 1);
    EXPECT_EQ(info.blank, 0u);
    EXPECT_EQ(info.timeline, track->Timeline());
    EXPECT_EQ(info.channels, 2u);
    EXPECT_EQ(info.sampleRate, 44100u);
    // The recorded track is an ordinary track: its export is the sound.
    EXPECT_EQ(pcm(track), Slice(known, 0, recorded));

    // One peak message per 4410 frames, then the end marker; all sent.
    std::vector<Peaks> p = peaks();
    ASSERT_EQ(p.size(), 121u);
    for (size_t i = 0; i < 120; ++i) {
        ASSERT_EQ(p[i].left.minIndex, int32_t(i));
        ASSERT_EQ(p[i].left.maxIndex, int32_t(i));
        ASSERT_EQ(p[i].right.minIndex, int32_t(i));
        ASSERT_EQ(p[i].right.maxIndex, int32_t(i));
    }
    EXPECT_TRUE(isEndMarker(p[120]));
    // Block 0 against the known samples, offset as the view expects them.
    Samples first = Ramp(4410, 2);
    int32_t minL = 65535, maxL = 0;
    for (size_t f = 0; f < 4410; ++f) {
        int32_t u = static_cast<uint16_t>(static_cast<uint16_t>(first[2 * f]) + 32767);
        minL = std::min(minL, u);
        maxL = std::max(maxL, u);
    }
    EXPECT_EQ(p[0].left.minimum, minL);
    EXPECT_EQ(p[0].left.maximum, maxL);
    for (const Message& m : m_view.messages())
        EXPECT_TRUE(m.sent);

    // Stopping again only repeats the end marker.
    ASSERT_EQ(Kestrum_RecordStop(m_session, id), 1);
    EXPECT_EQ(peaks().size(), 122u);
    EXPECT_TRUE(isEndMarker(peaks().back()));
    EXPECT_EQ(segments(track).size(), 4u);
}

TEST_F(Recording, BytesPendingAtStopAreWrittenAndNoEmptyFileIsNamed)
{
    // The callback fed directly with buffers that do not line up with the
    // 5-second files: the bytes past a file's end start the next file at
    // once, so a stop right after cannot lose them.
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_NE(track, nullptr);
    CTrackRecorder& recorder = CTrackRecorder::Instance();
    ASSERT_TRUE(recorder.Prepare(*track));
    const std::vector<uint8_t> known = PcmBytes(Ramp(44100 * 6, 2));
    const size_t odd = kBufferBytes + 4;
    size_t fed = 0;
    while (fed < kPieceBytes) { // the last buffer crosses the file's end by 200 bytes
        recorder.OnData(known.data() + fed, odd);
        fed += odd;
    }
    ASSERT_EQ(fed, kPieceBytes + 200);
    ASSERT_EQ(Kestrum_RecordStop(m_session, track->m_trackId), 1);
    EXPECT_EQ(Describe(segments(track)),
              "H [0,5000000)00000001.dat [5000000,5001133)00000002.dat ");
    EXPECT_EQ(audioBytes(track), Slice(known, 0, fed));
    EXPECT_EQ(track->m_length, 5'001'133);
    EXPECT_TRUE(isEndMarker(peaks().back()));
    // A buffer after the stop is ignored.
    recorder.OnData(known.data(), odd);
    EXPECT_EQ(audioBytes(track), Slice(known, 0, fed));

    // Exactly ten seconds end on a file boundary: no third, empty file.
    CTrack* even = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_TRUE(recorder.Prepare(*even));
    const std::vector<uint8_t> ten = PcmBytes(Ramp(44100 * 10, 2));
    for (size_t at = 0; at < ten.size(); at += kBufferBytes)
        recorder.OnData(ten.data() + at, kBufferBytes);
    ASSERT_EQ(Kestrum_RecordStop(m_session, even->m_trackId), 1);
    EXPECT_EQ(Describe(segments(even)),
              "H [0,5000000)00000001.dat [5000000,10000000)00000002.dat ");
    EXPECT_FALSE(Exists(even->m_trackFolder + "/00000003.dat"));
    EXPECT_EQ(audioBytes(even), ten);
    EXPECT_EQ(even->m_length, 10 * kSecond);

    // The buffer that comes with the stop request is what was captured up
    // to the stop: it is kept; anything after it is not.
    CTrack* third = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_TRUE(recorder.Prepare(*third));
    recorder.OnData(known.data(), kBufferBytes);
    third->m_recordStop = 1;
    recorder.OnData(known.data() + kBufferBytes, kBufferBytes);
    recorder.OnData(known.data() + 2 * kBufferBytes, kBufferBytes);
    ASSERT_EQ(Kestrum_RecordStop(m_session, third->m_trackId), 1);
    EXPECT_EQ(audioBytes(third), Slice(known, 0, 2 * kBufferBytes));
    EXPECT_EQ(third->m_length, 200'000);
}

TEST_F(Recording, PauseDropsTheSoundOfThePauseWithoutAGap)
{
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 4410, 0);
    ASSERT_NE(track, nullptr);
    const uint32_t id = track->m_trackId;
    CTrackRecorder& recorder = CTrackRecorder::Instance();
    ASSERT_TRUE(recorder.Prepare(*track));
    const std::vector<uint8_t> known = PcmBytes(Ramp(44100, 2));
    recorder.OnData(known.data(), 3 * kBufferBytes);
    ASSERT_EQ(Kestrum_RecordPause(m_session, id), 1);
    EXPECT_EQ(track->m_recordPause, 1u);
    recorder.OnData(known.data() + 3 * kBufferBytes, 2 * kBufferBytes);
    EXPECT_EQ(track->m_length, 300'000) << "the length counts recorded bytes only";
    ASSERT_EQ(Kestrum_RecordContinue(m_session, id), 1);
    EXPECT_EQ(track->m_recordPause, 0u);
    recorder.OnData(known.data() + 5 * kBufferBytes, 4 * kBufferBytes);
    ASSERT_EQ(Kestrum_RecordStop(m_session, id), 1);

    std::vector<uint8_t> expected = Slice(known, 0, 3 * kBufferBytes);
    std::vector<uint8_t> resumed = Slice(known, 5 * kBufferBytes, 9 * kBufferBytes);
    expected.insert(expected.end(), resumed.begin(), resumed.end());
    EXPECT_EQ(audioBytes(track), expected);
    EXPECT_EQ(track->m_length, 700'000);
    // Seven blocks of 4410 frames were fed to the view, then the end marker.
    std::vector<Peaks> p = peaks();
    ASSERT_EQ(p.size(), 8u);
    EXPECT_EQ(p[6].left.minIndex, 6);
    EXPECT_TRUE(isEndMarker(p[7]));

    // A second recording on the same track starts a fresh timeline.
    ASSERT_TRUE(recorder.Prepare(*track));
    recorder.OnData(known.data(), kBufferBytes);
    ASSERT_EQ(Kestrum_RecordStop(m_session, id), 1);
    EXPECT_EQ(Describe(segments(track)), "H [0,100000)00000003.dat ");
    EXPECT_EQ(audioBytes(track), Slice(known, 0, kBufferBytes));
    EXPECT_EQ(track->m_length, 100'000);
}

TEST_F(Recording, BadInputFailsCleanly)
{
    EXPECT_EQ(Kestrum_RecordInit(nullptr, nullptr, 0, 0), nullptr);
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_NE(track, nullptr);
    uint32_t id = track->m_trackId;
    for (uint32_t bad : {0u, 99u}) {
        EXPECT_EQ(Kestrum_RecordSetBrimselHwnd(m_session, bad, m_view.hwnd()), 0);
        EXPECT_EQ(Kestrum_RecordSetZoomfactor(m_session, bad, 10), 0);
        EXPECT_EQ(Kestrum_RecordSetDeviceIndex(m_session, bad, 1), 0);
        EXPECT_EQ(Kestrum_RecordStart(m_session, bad), 0);
        EXPECT_EQ(Kestrum_RecordPause(m_session, bad), 0);
        EXPECT_EQ(Kestrum_RecordContinue(m_session, bad), 0);
        EXPECT_EQ(Kestrum_RecordStop(m_session, bad), 0);
    }
    EXPECT_EQ(Kestrum_RecordSetBrimselHwnd(nullptr, id, nullptr), 0);
    EXPECT_EQ(Kestrum_RecordSetZoomfactor(nullptr, id, 10), 0);
    EXPECT_EQ(Kestrum_RecordSetDeviceIndex(nullptr, id, 1), 0);
    EXPECT_EQ(Kestrum_RecordStart(nullptr, id), 0);
    EXPECT_EQ(Kestrum_RecordPause(nullptr, id), 0);
    EXPECT_EQ(Kestrum_RecordContinue(nullptr, id), 0);
    EXPECT_EQ(Kestrum_RecordStop(nullptr, id), 0);

    EXPECT_EQ(Kestrum_RecordSetZoomfactor(m_session, id, 2205), 1);
    EXPECT_EQ(track->m_zoomFactor, 2205u);
    EXPECT_EQ(Kestrum_RecordSetDeviceIndex(m_session, id, 0xFFFFFFFFu), 1);
    EXPECT_EQ(track->m_deviceIndex, 0xFFFFFFFFu);
    MessageQueueWindow other;
    EXPECT_EQ(Kestrum_RecordSetBrimselHwnd(m_session, id, other.hwnd()), 1);
    EXPECT_EQ(track->m_displayHwnd, other.hwnd());
    EXPECT_EQ(Kestrum_RecordSetBrimselHwnd(m_session, id, m_view.hwnd()), 1);

    // Stop without start, twice: the end marker each time, the track blank.
    EXPECT_EQ(Kestrum_RecordStop(m_session, id), 1);
    EXPECT_EQ(Kestrum_RecordStop(m_session, id), 1);
    ASSERT_EQ(peaks().size(), 2u);
    EXPECT_TRUE(isEndMarker(peaks()[0]) && isEndMarker(peaks()[1]));
    EXPECT_TRUE(track->IsBlank());
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, id), 1);

    // A missing capture device: no input opens, so the capture cannot begin.
    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    EXPECT_EQ(Kestrum_RecordStart(m_session, id), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B3BB001u);
    EXPECT_TRUE(track->IsBlank());
    EXPECT_FALSE(CTrackRecorder::Instance().IsRecording(track));
    EXPECT_EQ(ListDir(track->m_trackFolder), std::vector<std::string>{}) << "the header file stays";
    EXPECT_EQ(track->m_present, 0u) << "the empty record track goes with the failed start";
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    track = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_NE(track, nullptr);
    id = track->m_trackId;

    // The settings file cannot be had: its folder cannot be created.
    const std::string blocker = env().path("not_a_folder");
    ASSERT_TRUE(WriteBytes(blocker, {1}));
    setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    EXPECT_EQ(Kestrum_RecordStart(m_session, id), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B21B001u);
    EXPECT_TRUE(track->IsBlank());
    setenv("XDG_CONFIG_HOME", env().path("home/.config").c_str(), 1);

    // A track holding audio of another format cannot take a recording as its
    // next version.
    CTrack* mono = loadRamp(22050, 22050, 1);
    ASSERT_NE(mono, nullptr);
    const std::string monoBefore = Describe(segments(mono));
    EXPECT_EQ(Kestrum_RecordStart(m_session, mono->m_trackId), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B0CB001u);
    EXPECT_EQ(Describe(segments(mono)), monoBefore);
    EXPECT_EQ(mono->m_channels, 1u);
    EXPECT_EQ(mono->m_sampleRate, 22050u);

    // One recording at a time: a second one is refused and the first goes on.
    ASSERT_TRUE(WriteBytes(m_capture, PcmBytes(Ramp(44100, 2))));
    ASSERT_EQ(Kestrum_RecordStart(m_session, id), 1);
    CTrack* second = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    EXPECT_EQ(Kestrum_RecordStart(m_session, second->m_trackId), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B3BB001u);
    EXPECT_EQ(Kestrum_RecordStart(m_session, id), 0) << "the same track twice";
    auto end = std::chrono::steady_clock::now() + 20s; // until something was captured
    while (peaks().size() < 3 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(Kestrum_RecordStop(m_session, id), 1);
    EXPECT_FALSE(track->IsBlank());
    EXPECT_GT(track->m_length, 0);
    EXPECT_TRUE(second->IsBlank());
    EXPECT_TRUE(second->m_trackFolder.empty()) << "nothing was made for the refused recording";
}

TEST_F(Recording, AStartThatFailsLeavesNoTrackAndNothingToUndo)
{
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_NE(blank, nullptr);
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->m_present, 1u);
    ActionRecord last{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &last), 1);
    EXPECT_EQ(last.type, uint32_t(kActionRecord));

    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    EXPECT_EQ(Kestrum_RecordStart(m_session, track->m_trackId), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0B3BB001u) << "the capture's code, not a later one";
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    EXPECT_EQ(track->m_present, 0u);
    EXPECT_FALSE(CTrackRecorder::Instance().IsRecording(track));

    // The history is as it was before the record track: its last action is
    // the blank track's, and no redo brings the record track back.
    ASSERT_EQ(Kestrum_GetLastActionAttr(m_session, &last), 1);
    EXPECT_EQ(last.type, uint32_t(kActionAddTrack));
    EXPECT_EQ(last.trackId, blank->m_trackId);
    ActionRecord next{};
    ASSERT_EQ(Kestrum_GetNextActionAttr(m_session, &next), 1);
    EXPECT_EQ(next.type, 0u) << "nothing to redo";
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(blank->m_present, 0u);
    ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    EXPECT_EQ(blank->m_present, 1u);
    EXPECT_EQ(track->m_present, 0u);

    // A record track that already took a sound keeps it when a later start
    // fails.
    ASSERT_TRUE(WriteBytes(m_capture, PcmBytes(Ramp(44100, 2))));
    CTrack* kept = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_EQ(Kestrum_RecordStart(m_session, kept->m_trackId), 1);
    auto end = std::chrono::steady_clock::now() + 20s;
    while (peaks().size() < 2 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(Kestrum_RecordStop(m_session, kept->m_trackId), 1);
    ASSERT_GT(kept->m_length, 0);
    setenv("VORLAIN_CAPTURE_PCM", "vorlain_no_such_pcm", 1);
    EXPECT_EQ(Kestrum_RecordStart(m_session, kept->m_trackId), 0);
    setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
    EXPECT_EQ(kept->m_present, 1u);
}

TEST_F(Recording, ClosingTheSessionStopsARunningRecording)
{
    CEditSession* other = Kestrum_Open(nullptr);
    CTrack* track = Kestrum_RecordInit(other, m_view.hwnd(), 100, 0);
    ASSERT_NE(track, nullptr);
    CTrackRecorder& recorder = CTrackRecorder::Instance();
    ASSERT_TRUE(recorder.Prepare(*track));
    const std::vector<uint8_t> known = PcmBytes(Ramp(4410, 2));
    recorder.OnData(known.data(), known.size());
    ASSERT_TRUE(recorder.IsRecording(track));
    ASSERT_EQ(Kestrum_Close(other), 1);
    EXPECT_FALSE(recorder.IsRecording(track));
    // A late buffer of the capture thread finds no track to write into.
    recorder.OnData(known.data(), known.size());
    // And a new recording can start.
    CTrack* next = Kestrum_RecordInit(m_session, m_view.hwnd(), 100, 0);
    ASSERT_TRUE(recorder.Prepare(*next));
    ASSERT_EQ(Kestrum_RecordStop(m_session, next->m_trackId), 1);
}

TEST_F(Recording, PacedStraightThroughKeepsEveryMomentBetweenStartAndStop)
{
    if (!PulseServerAnswers())
        GTEST_SKIP() << "no PulseAudio test server at " << kPulseSocket;
    usePulseSource();
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 4410, 0);
    ASSERT_NE(track, nullptr);
    const uint32_t id = track->m_trackId;
    int started = 0;
    const Call start = Timed([&] { started = Kestrum_RecordStart(m_session, id); });
    ASSERT_EQ(started, 1);
    std::this_thread::sleep_for(4s); // the real time being recorded
    int stopped = 0;
    const Call stop = Timed([&] { stopped = Kestrum_RecordStop(m_session, id); });
    ASSERT_EQ(stopped, 1);

    const double recorded = double(track->m_length) / kSecond;
    // Capture ran when the start returned and kept everything up to the stop.
    EXPECT_GE(recorded, Seconds(stop.before - start.after) - kTolerance);
    EXPECT_LE(recorded, Seconds(stop.before - start.before) + kTolerance);
    EXPECT_TRUE(isEndMarker(peaks().back()));
}

TEST_F(Recording, PacedPauseAndResumeBehindASlowViewLoseNothing)
{
    if (!PulseServerAnswers())
        GTEST_SKIP() << "no PulseAudio test server at " << kPulseSocket;
    usePulseSource();
    // A view that takes 12 ms for each of the ten peak messages of a buffer,
    // as a busy window thread may: the buffers fall behind the device, so
    // pause and stop land while the device still holds sound for us.
    CTrack* track = Kestrum_RecordInit(m_session, m_view.hwnd(), 441, 0);
    ASSERT_NE(track, nullptr);
    const uint32_t id = track->m_trackId;
    m_onPeaks = [](const RecordPeaks& left) {
        if (left.minIndex >= 0)
            std::this_thread::sleep_for(12ms);
    };
    int ok = 0;
    const Call start = Timed([&] { ok = Kestrum_RecordStart(m_session, id); });
    ASSERT_EQ(ok, 1);
    std::this_thread::sleep_for(2500ms);
    const double shownAtPause = double(Kestrum_GetTrackTime(m_session, id)) / kSecond;
    const Call pause = Timed([&] { ok = Kestrum_RecordPause(m_session, id); });
    ASSERT_EQ(ok, 1);
    std::this_thread::sleep_for(1500ms);
    const Call resume = Timed([&] { ok = Kestrum_RecordContinue(m_session, id); });
    ASSERT_EQ(ok, 1);
    std::this_thread::sleep_for(2500ms);
    const Call stop = Timed([&] { ok = Kestrum_RecordStop(m_session, id); });
    ASSERT_EQ(ok, 1);

    const double recorded = double(track->m_length) / kSecond;
    const double shortest =
        Seconds(stop.before - start.after) - Seconds(resume.after - pause.before);
    const double longest =
        Seconds(stop.before - start.before) - Seconds(resume.before - pause.after);
    EXPECT_GE(recorded, shortest - kTolerance) << "shown at the pause: " << shownAtPause;
    EXPECT_LE(recorded, longest + kTolerance) << "shown at the pause: " << shownAtPause;
    EXPECT_TRUE(isEndMarker(peaks().back()));
}
