// Playback through the real wave output layer over ALSA. Exact bytes come
// from the `file` plugin over `null`; to stop playback half-way at a known
// point, the played file is a FIFO that the test drains at its own pace. The
// paced test plays into the PulseAudio null sink when that server runs.
#include "kernel_fixture.h"

#include "vorlain/test/alsa_tap.h"

#include "playback/audo_play_mgr.h"
#include "store/byte_offset.h"
#include "vorlain/test/pulse_server.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

using namespace kernel::test;
using namespace vorlain::test;
using namespace std::chrono_literals;

namespace {

constexpr int64_t kBytesPerSecond = 176400; // 44100 Hz 16-bit stereo

// Drains a FIFO the ALSA file plugin writes into, slower than an unclocked
// device would play but fast enough to keep tests short: a writer blocks
// while the pipe is full, so playback runs at the reader's pace.
class PacedSink {
public:
    explicit PacedSink(std::string path) : m_path(std::move(path))
    {
        if (mkfifo(m_path.c_str(), 0600) != 0)
            throw std::runtime_error("mkfifo failed");
        m_thread = std::thread([this] { run(); });
    }
    ~PacedSink()
    {
        m_quit = true;
        // A reader blocked in open() waits for a writer: be that writer.
        int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        m_thread.join();
    }
    size_t size()
    {
        std::lock_guard g(m_lock);
        return m_bytes.size();
    }
    std::vector<uint8_t> bytes()
    {
        std::lock_guard g(m_lock);
        return m_bytes;
    }
    /** Waits until at least count bytes arrived. */
    bool waitFor(size_t count, std::chrono::milliseconds limit = 20s)
    {
        auto end = std::chrono::steady_clock::now() + limit;
        while (size() < count) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

private:
    void run()
    {
        while (!m_quit) {
            int fd = ::open(m_path.c_str(), O_RDONLY); // each play opens the file anew
            if (fd < 0)
                return;
            uint8_t chunk[4096];
            for (;;) {
                ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                {
                    std::lock_guard g(m_lock);
                    m_bytes.insert(m_bytes.end(), chunk, chunk + n);
                }
                std::this_thread::sleep_for(2ms); // about 11 times real speed
            }
            ::close(fd);
        }
    }

    std::string m_path;
    std::atomic<bool> m_quit{false};
    std::mutex m_lock;
    std::vector<uint8_t> m_bytes;
    std::thread m_thread;
};

} // namespace

class Playback : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        m_played = env().path("played.raw");
        m_tap.emplace(m_played);
    }
    void TearDown() override
    {
        m_tap.reset();
        KernelTest::TearDown();
    }

    /** Polls position and status every few milliseconds until the player
     *  stops; returns the positions seen (the last one after the stop). */
    std::vector<int64_t> followUntilStopped(CAudoPlayMgr* player, std::chrono::seconds limit = 30s)
    {
        std::vector<int64_t> times;
        auto end = std::chrono::steady_clock::now() + limit;
        while (AudioPlay_QueryStauts(player) != 0) {
            times.push_back(AudioPlay_GetPlayingTime(player));
            if (std::chrono::steady_clock::now() > end) {
                ADD_FAILURE() << "playback did not end";
                break;
            }
            std::this_thread::sleep_for(2ms);
        }
        times.push_back(AudioPlay_GetPlayingTime(player));
        return times;
    }
    static void expectNonDecreasing(const std::vector<int64_t>& times)
    {
        for (size_t i = 1; i < times.size(); ++i)
            ASSERT_GE(times[i], times[i - 1]) << "position went back at poll " << i;
    }

    std::string m_played;
    std::optional<vorlain::test::AlsaTapScope> m_tap;
};

TEST_F(Playback, PlaysEveryByteIncludingTheLastPartialBlock)
{
    // 12.3 s: two full data files and a last one whose size is no multiple
    // of the 8192-byte block, so the ring ends on a partial block.
    const int64_t frames = 542430;
    CTrack* track = loadRamp(frames);
    ASSERT_NE(track, nullptr);
    const std::vector<uint8_t> all = PcmBytes(Ramp(frames, 2));
    ASSERT_NE(all.size() % CAudoPlayMgr::kBlockBytes, 0u);

    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_EQ(AudioPlay_GetPlayingTime(player), 0);
    ASSERT_EQ(AudioPlay_Play(player), 1);
    std::vector<int64_t> times = followUntilStopped(player);
    expectNonDecreasing(times);
    EXPECT_EQ(times.back(), track->m_length);
    EXPECT_EQ(track->m_length, int64_t(all.size()) * kSecond / kBytesPerSecond);
    EXPECT_EQ(ReadBytes(m_played), all);
    EXPECT_EQ(player->FreeBlocks(), CAudoPlayMgr::kBlockCount);

    // The manager plays again, from m_timeFrom (still 0), with a fresh position.
    std::remove(m_played.c_str());
    ASSERT_EQ(AudioPlay_Play(player), 1);
    times = followUntilStopped(player);
    expectNonDecreasing(times);
    EXPECT_EQ(times.back(), track->m_length);
    EXPECT_EQ(ReadBytes(m_played), all);
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, TrackShorterThanOneBlockIsPlayedWhole)
{
    // 1000 stereo frames are 4000 bytes: less than one block, which used to
    // be left unqueued so that nothing at all was heard.
    CTrack* track = loadRamp(1000);
    ASSERT_NE(track, nullptr);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(AudioPlay_Play(player), 1);
    std::vector<int64_t> times = followUntilStopped(player);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_EQ(times.back(), track->m_length);
    EXPECT_EQ(ReadBytes(m_played), PcmBytes(Ramp(1000, 2)));

    // A mono track at another rate plays with its own format, byte for byte.
    CTrack* mono = loadRamp(22050 * 3 + 17, 22050, 1);
    ASSERT_NE(mono, nullptr);
    CAudoPlayMgr* monoPlayer = AudioPlay_Open(m_session, mono->m_trackId);
    std::remove(m_played.c_str());
    ASSERT_EQ(AudioPlay_Play(monoPlayer), 1);
    times = followUntilStopped(monoPlayer);
    EXPECT_EQ(times.back(), mono->m_length);
    EXPECT_EQ(ReadBytes(m_played), PcmBytes(Ramp(22050 * 3 + 17, 1)));
    EXPECT_EQ(AudioPlay_Close(monoPlayer), 1);
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, SeekInsideTheSecondSegmentStartsThereOnAFrameBoundary)
{
    const int64_t frames = 542430;
    CTrack* track = loadRamp(frames);
    ASSERT_NE(track, nullptr);
    const std::vector<uint8_t> all = PcmBytes(Ramp(frames, 2));
    ASSERT_EQ(Describe(segments(track)), "H [0,5000000)00000001.dat [5000000,10000000)00000002.dat "
                                         "[10000000,12300000)00000003.dat ");

    // 7.123457 s lies 2.123457 s into the second file: 374577.8 bytes, so
    // 374576 after rounding down to a whole frame.
    const int64_t seek = 7'123'457;
    const int64_t offset = 882000 + 374576;
    ASSERT_EQ(offset - 882000, kernel::ByteOffset(seek - 5 * kSecond, 2, 44100, 2));

    PacedSink sink(m_played); // paced, so the position is seen while feeding
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(AudioPlay_PlaySeekTime(player, seek), 1);
    EXPECT_EQ(player->m_timeFrom, seek);
    std::vector<int64_t> times = followUntilStopped(player);
    ASSERT_GT(times.size(), 10u);
    for (int64_t t : times)
        ASSERT_GE(t, seek) << "the position fell below the seek time";
    expectNonDecreasing(times);
    EXPECT_EQ(times.back(), track->m_length);
    EXPECT_TRUE(std::any_of(times.begin(), times.end(), [&](int64_t t) {
        return t > seek && t < track->m_length;
    })) << "no position between the seek time and the end was ever reported";
    ASSERT_TRUE(sink.waitFor(all.size() - offset));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(sink.bytes(), std::vector<uint8_t>(all.begin() + offset, all.end()));

    // A seek at a segment boundary skips the files before it entirely.
    CAudoPlayMgr* second = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_EQ(AudioPlay_PlaySeekTime(second, 10 * kSecond), 1);
    times = followUntilStopped(second);
    EXPECT_EQ(times.back(), track->m_length);
    ASSERT_TRUE(sink.waitFor(all.size() - offset + all.size() - 2 * 882000));
    std::this_thread::sleep_for(50ms);
    std::vector<uint8_t> got = sink.bytes();
    EXPECT_TRUE(
        std::equal(all.begin() + 2 * 882000, all.end(), got.begin() + (all.size() - offset)));
    EXPECT_EQ(got.size(), all.size() - offset + all.size() - 2 * 882000);
    EXPECT_EQ(AudioPlay_Close(second), 1);
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, PauseAndContinueNeitherLoseNorRepeatAudio)
{
    const int64_t frames = 44100 * 12;
    CTrack* track = loadRamp(frames);
    ASSERT_NE(track, nullptr);
    const std::vector<uint8_t> all = PcmBytes(Ramp(frames, 2));

    PacedSink sink(m_played);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    ASSERT_EQ(AudioPlay_Play(player), 1);
    std::vector<int64_t> times;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(sink.waitFor(all.size() * size_t(round + 1) / 5)) << "round " << round;
        ASSERT_EQ(AudioPlay_QueryStauts(player), 1);
        EXPECT_EQ(AudioPlay_Continue(player), 0) << "continue while playing";
        EXPECT_EQ(AudioPlay_PlaySeekTime(player, 0), 0) << "a second start while playing";
        ASSERT_EQ(AudioPlay_Pause(player), 1);
        EXPECT_EQ(AudioPlay_QueryStauts(player), 2);
        EXPECT_EQ(AudioPlay_Pause(player), 1); // pausing twice is harmless
        // What the device already held drains; then nothing more comes.
        std::this_thread::sleep_for(500ms);
        size_t held = sink.size();
        int64_t heldTime = AudioPlay_GetPlayingTime(player);
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(sink.size(), held) << "audio was played while paused";
        EXPECT_EQ(AudioPlay_GetPlayingTime(player), heldTime);
        EXPECT_LT(held, all.size());
        times.push_back(heldTime);
        ASSERT_EQ(AudioPlay_Continue(player), 1);
        EXPECT_EQ(AudioPlay_QueryStauts(player), 1);
    }
    std::vector<int64_t> rest = followUntilStopped(player);
    times.insert(times.end(), rest.begin(), rest.end());
    expectNonDecreasing(times);
    EXPECT_EQ(times.back(), track->m_length);
    ASSERT_TRUE(sink.waitFor(all.size()));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(sink.bytes(), all);
    EXPECT_EQ(AudioPlay_Continue(player), 0) << "continue after the end";
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, StopHandsTheBlocksBackAndEndsPausedOrPlaying)
{
    const int64_t frames = 44100 * 12;
    CTrack* track = loadRamp(frames);
    ASSERT_NE(track, nullptr);
    const std::vector<uint8_t> all = PcmBytes(Ramp(frames, 2));
    PacedSink sink(m_played);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);

    // Stop while playing.
    ASSERT_EQ(AudioPlay_Play(player), 1);
    ASSERT_TRUE(sink.waitFor(all.size() / 10));
    EXPECT_EQ(AudioPlay_Stop(player), 1);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_EQ(player->FreeBlocks(), CAudoPlayMgr::kBlockCount);
    int64_t stoppedAt = AudioPlay_GetPlayingTime(player);
    EXPECT_GT(stoppedAt, 0);
    EXPECT_LT(stoppedAt, track->m_length);
    std::this_thread::sleep_for(200ms);
    size_t firstPlay = sink.size();
    EXPECT_LT(firstPlay, all.size());
    EXPECT_TRUE(std::equal(all.begin(), all.begin() + firstPlay, sink.bytes().begin()))
        << "what was played before the stop is the start of the track";
    EXPECT_EQ(AudioPlay_Stop(player), 1); // twice: at once
    EXPECT_EQ(AudioPlay_Continue(player), 0);

    // Stop while paused: the paused device hands its blocks back too.
    ASSERT_EQ(AudioPlay_Play(player), 1);
    ASSERT_TRUE(sink.waitFor(firstPlay + all.size() / 10));
    ASSERT_EQ(AudioPlay_Pause(player), 1);
    EXPECT_EQ(AudioPlay_Stop(player), 1);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_EQ(player->FreeBlocks(), CAudoPlayMgr::kBlockCount);
    EXPECT_EQ(AudioPlay_Pause(player), 0) << "nothing to pause";

    // Closing a playing manager stops it first.
    ASSERT_EQ(AudioPlay_Play(player), 1);
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, BadHandlesTracksAndDevicesFailCleanly)
{
    CTrack* track = loadRamp(44100);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(AudioPlay_Open(nullptr, 1), nullptr);
    EXPECT_EQ(AudioPlay_Open(m_session, 99), nullptr);
    EXPECT_EQ(AudioPlay_Open(m_session, 0), nullptr);

    // A closed handle (0).
    EXPECT_EQ(AudioPlay_Play(nullptr), 0);
    EXPECT_EQ(AudioPlay_PlaySeekTime(nullptr, kSecond), 0);
    EXPECT_EQ(AudioPlay_Pause(nullptr), 0);
    EXPECT_EQ(AudioPlay_Continue(nullptr), 0);
    EXPECT_EQ(AudioPlay_Stop(nullptr), 1);
    EXPECT_EQ(AudioPlay_GetPlayingTime(nullptr), 0);
    EXPECT_EQ(AudioPlay_QueryStauts(nullptr), 0);
    EXPECT_EQ(AudioPlay_Close(nullptr), 1);

    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    // Nothing plays yet: pause, continue and stop have nothing to act on.
    EXPECT_EQ(AudioPlay_Pause(player), 0);
    EXPECT_EQ(AudioPlay_Continue(player), 0);
    EXPECT_EQ(AudioPlay_Stop(player), 1);
    EXPECT_EQ(AudioPlay_Stop(player), 1);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);

    // A device that does not exist: Play fails and nothing changes.
    setenv("VORLAIN_PCM", "vorlain_no_such_pcm", 1);
    EXPECT_EQ(AudioPlay_Play(player), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0E40B001u);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_EQ(AudioPlay_PlaySeekTime(player, 500'000), 0);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_EQ(AudioPlay_Stop(player), 1);
    setenv("VORLAIN_PCM", "tap", 1);

    // A negative seek plays from the start; one beyond the end plays nothing
    // and ends at the track's length.
    ASSERT_EQ(AudioPlay_PlaySeekTime(player, -5 * kSecond), 1);
    EXPECT_EQ(followUntilStopped(player).back(), track->m_length);
    EXPECT_EQ(ReadBytes(m_played), PcmBytes(Ramp(44100, 2)));
    std::remove(m_played.c_str());
    ASSERT_EQ(AudioPlay_PlaySeekTime(player, 60 * kSecond), 1);
    EXPECT_EQ(followUntilStopped(player).back(), track->m_length);
    EXPECT_EQ(ReadBytes(m_played).size(), 0u);

    EXPECT_EQ(AudioPlay_Close(player), 1);
    EXPECT_EQ(AudioPlay_Close(player), 0) << "a handle already closed";
    EXPECT_EQ(AudioPlay_Play(player), 0);

    // A blank track plays nothing and ends at once.
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    CAudoPlayMgr* blankPlayer = AudioPlay_Open(m_session, blank->m_trackId);
    ASSERT_NE(blankPlayer, nullptr);
    std::remove(m_played.c_str());
    ASSERT_EQ(AudioPlay_Play(blankPlayer), 1);
    EXPECT_EQ(followUntilStopped(blankPlayer).back(), 0);
    EXPECT_EQ(ReadBytes(m_played).size(), 0u);
    EXPECT_EQ(AudioPlay_Close(blankPlayer), 1);
}

TEST_F(Playback, MissingDataFilesEndPlaybackWhereTheyStart)
{
    const int64_t frames = 44100 * 12;
    CTrack* track = loadRamp(frames);
    ASSERT_NE(track, nullptr);
    const std::vector<uint8_t> all = PcmBytes(Ramp(frames, 2));
    std::vector<TrackSegment> s = segments(track);
    ASSERT_EQ(s.size(), 4u);

    // Deleted before playing: the first file plays, then playback ends.
    ASSERT_EQ(std::remove(s[2].path), 0);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_EQ(AudioPlay_Play(player), 1);
    std::vector<int64_t> times = followUntilStopped(player);
    expectNonDecreasing(times);
    EXPECT_EQ(times.back(), 5 * kSecond);
    EXPECT_EQ(ReadBytes(m_played), std::vector<uint8_t>(all.begin(), all.begin() + 882000));

    // Deleted while playing: the open file plays to its end at most, and
    // playback ends normally without a crash or a hang.
    std::remove(m_played.c_str());
    PacedSink sink(m_played);
    ASSERT_EQ(AudioPlay_Play(player), 1);
    ASSERT_TRUE(sink.waitFor(100000));
    for (const TrackSegment& segment : s)
        std::remove(segment.path);
    times = followUntilStopped(player);
    expectNonDecreasing(times);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    std::this_thread::sleep_for(100ms);
    std::vector<uint8_t> got = sink.bytes();
    ASSERT_LE(got.size(), 882000u);
    EXPECT_EQ(got.size() % 4, 0u);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), all.begin()));
    EXPECT_EQ(times.back(), int64_t(got.size()) * kSecond / kBytesPerSecond);
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, AStartLateInTheTrackOpensNoFileBeforeIt)
{
    const int64_t frames = 44100 * 12;
    CTrack* track = loadRamp(frames);
    ASSERT_NE(track, nullptr);
    const std::vector<uint8_t> all = PcmBytes(Ramp(frames, 2));
    std::vector<TrackSegment> s = segments(track);
    ASSERT_EQ(s.size(), 4u);
    // The files before the start are gone: a start at 11 s needs none of
    // them, neither to play nor to tell the time.
    ASSERT_EQ(std::remove(s[1].path), 0);
    ASSERT_EQ(std::remove(s[2].path), 0);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_EQ(AudioPlay_PlaySeekTime(player, 11 * kSecond), 1);
    std::vector<int64_t> times = followUntilStopped(player);
    for (int64_t t : times)
        ASSERT_GE(t, 11 * kSecond);
    EXPECT_EQ(times.back(), track->m_length);
    EXPECT_EQ(ReadBytes(m_played), std::vector<uint8_t>(all.begin() + 11 * 176400, all.end()));
    EXPECT_EQ(AudioPlay_Close(player), 1);
}

TEST_F(Playback, PacedThroughPulseAudioPausesContinuesAndStopsInRealTime)
{
    if (!PulseServerAnswers())
        GTEST_SKIP() << "no PulseAudio test server at " << kPulseSocket;
    PulseServerScope pulse;
    unsetenv("VORLAIN_PCM"); // "default", which routes to the server
    snd_config_update_free_global();

    CTrack* track = loadTrack(Sine(44100 * 8, 44100, 2, 440.0));
    ASSERT_NE(track, nullptr);
    CAudoPlayMgr* player = AudioPlay_Open(m_session, track->m_trackId);
    ASSERT_NE(player, nullptr);
    auto now = [] { return std::chrono::steady_clock::now(); };
    auto waitForTime = [&](int64_t atLeast) {
        auto end = now() + 15s;
        while (AudioPlay_GetPlayingTime(player) < atLeast && now() < end)
            std::this_thread::sleep_for(20ms);
        return AudioPlay_GetPlayingTime(player) >= atLeast;
    };

    auto started = now();
    ASSERT_EQ(AudioPlay_Play(player), 1);
    ASSERT_TRUE(waitForTime(kSecond / 2));
    EXPECT_EQ(AudioPlay_QueryStauts(player), 1);
    // A clocked sink plays at real speed: over a wall-clock stretch the
    // position cannot run far ahead of the time that passed.
    int64_t t0 = AudioPlay_GetPlayingTime(player);
    auto w0 = now();
    std::this_thread::sleep_for(1500ms);
    int64_t t1 = AudioPlay_GetPlayingTime(player);
    double wall = std::chrono::duration<double, std::micro>(now() - w0).count();
    EXPECT_GT(t1, t0) << "the position did not move while playing";
    EXPECT_LT(double(t1 - t0), wall + 700'000.0) << "faster than real time";
    double sinceStart = std::chrono::duration<double, std::micro>(now() - started).count();
    EXPECT_LE(double(t1), sinceStart + 700'000.0);

    ASSERT_EQ(AudioPlay_Pause(player), 1);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 2);
    std::this_thread::sleep_for(500ms);
    int64_t paused = AudioPlay_GetPlayingTime(player);
    std::this_thread::sleep_for(1s);
    EXPECT_LE(AudioPlay_GetPlayingTime(player) - paused, 300'000)
        << "the position ran on while paused";

    ASSERT_EQ(AudioPlay_Continue(player), 1);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 1);
    ASSERT_TRUE(waitForTime(AudioPlay_GetPlayingTime(player) + kSecond / 2));
    int64_t beforeStop = AudioPlay_GetPlayingTime(player);
    EXPECT_LT(beforeStop, track->m_length);

    EXPECT_EQ(AudioPlay_Stop(player), 1);
    EXPECT_EQ(AudioPlay_QueryStauts(player), 0);
    EXPECT_GE(AudioPlay_GetPlayingTime(player), beforeStop);
    EXPECT_EQ(player->FreeBlocks(), CAudoPlayMgr::kBlockCount);

    // Played to its end in real time, the position ends at the length.
    CTrack* shortTrack = loadTrack(Sine(44100 * 2, 44100, 2, 440.0));
    CAudoPlayMgr* second = AudioPlay_Open(m_session, shortTrack->m_trackId);
    started = now();
    ASSERT_EQ(AudioPlay_Play(second), 1);
    std::vector<int64_t> times = followUntilStopped(second);
    double took = std::chrono::duration<double>(now() - started).count();
    expectNonDecreasing(times);
    EXPECT_EQ(times.back(), shortTrack->m_length);
    EXPECT_GT(took, 1.0) << "two seconds of sound cannot play in " << took << " s";
    EXPECT_EQ(AudioPlay_Close(second), 1);
    EXPECT_EQ(AudioPlay_Close(player), 1);
}
