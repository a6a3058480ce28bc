// The wave output layer against real ALSA: the file plugin over null records
// every played byte unpaced; a PulseAudio null sink (when running) plays in
// real time.
#include "vorlain/test/audio.h"
#include "vorlain/test/pulse_server.h"
#include "vorlain/test/temp_env.h"
#include "vorlain/waveout.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace vorlain::test;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr uint32_t kBlockBytes = 8192;

VorlainWaveFormat Format(int rate = kRate, int channels = kChannels)
{
    VorlainWaveFormat f{};
    f.formatTag = 1;
    f.channels = static_cast<uint16_t>(channels);
    f.samplesPerSec = static_cast<uint32_t>(rate);
    f.bitsPerSample = 16;
    f.blockAlign = static_cast<uint16_t>(channels * 2);
    f.avgBytesPerSec = f.blockAlign * f.samplesPerSec;
    return f;
}

// Records the done callbacks: which blocks, in which order, on which thread.
struct DoneLog {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<void*> users;
    std::vector<std::thread::id> threads;

    static void Callback(void* context, VorlainWaveHeader* header)
    {
        auto* self = static_cast<DoneLog*>(context);
        std::lock_guard g(self->lock);
        self->users.push_back(header->user);
        self->threads.push_back(std::this_thread::get_id());
        self->changed.notify_all();
    }
    bool waitFor(size_t count, std::chrono::milliseconds limit = 20s)
    {
        std::unique_lock g(lock);
        return changed.wait_for(g, limit, [&] { return users.size() >= count; });
    }
    size_t count()
    {
        std::lock_guard g(lock);
        return users.size();
    }
    std::vector<void*> snapshot()
    {
        std::lock_guard g(lock);
        return users;
    }
};

// A block whose buffer holds a distinct slice of a ramp, so that any byte
// played twice, dropped or out of order shows in the played file.
struct Block {
    VorlainWaveHeader header{};
    std::vector<uint8_t> bytes;
};

std::vector<Block> MakeBlocks(size_t count, uint32_t size = kBlockBytes)
{
    std::vector<uint8_t> all =
        PcmBytes(Ramp(static_cast<int64_t>(count * size / (kChannels * 2)), kChannels));
    std::vector<Block> blocks(count);
    for (size_t i = 0; i < count; ++i) {
        blocks[i].bytes.assign(all.begin() + static_cast<ptrdiff_t>(i * size),
                               all.begin() + static_cast<ptrdiff_t>((i + 1) * size));
        blocks[i].header.data = reinterpret_cast<char*>(blocks[i].bytes.data());
        blocks[i].header.bufferLength = size;
        blocks[i].header.user = &blocks[i];
    }
    return blocks;
}

std::vector<uint8_t> Concat(const std::vector<Block>& blocks, size_t from = 0,
                            size_t to = SIZE_MAX)
{
    std::vector<uint8_t> out;
    for (size_t i = from; i < blocks.size() && i < to; ++i)
        out.insert(out.end(), blocks[i].bytes.begin(), blocks[i].bytes.end());
    return out;
}

class WaveOutTest : public IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        if (const char* pcm = std::getenv("VORLAIN_PCM"))
            m_savedPcm = pcm;
        unsetenv("VORLAIN_PCM");
        m_played = env().path("played.raw");
        std::ofstream rc(env().path("home/.asoundrc"));
        rc << "pcm.tap { type file; slave.pcm \"null\"; file \"" << m_played
           << "\"; format \"raw\" }\n";
        rc.close();
        // alsa-lib keeps its configuration per process; this test's HOME holds
        // a new one.
        snd_config_update_free_global();
    }
    void TearDown() override
    {
        if (m_savedPcm)
            setenv("VORLAIN_PCM", m_savedPcm->c_str(), 1);
        else
            unsetenv("VORLAIN_PCM");
        snd_config_update_free_global();
        IsolatedTest::TearDown();
    }
    VorlainWaveOut* OpenTap(DoneLog& log)
    {
        VorlainWaveOut* device = nullptr;
        VorlainWaveFormat f = Format();
        EXPECT_EQ(VorlainWaveOutOpen(&device, "tap", &f, &DoneLog::Callback, &log),
                  VORLAIN_WAVE_OK);
        return device;
    }
    void Queue(VorlainWaveOut* device, std::vector<Block>& blocks, size_t from = 0,
               size_t to = SIZE_MAX)
    {
        for (size_t i = from; i < blocks.size() && i < to; ++i) {
            ASSERT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[i].header), VORLAIN_WAVE_OK);
            ASSERT_EQ(VorlainWaveOutWrite(device, &blocks[i].header), VORLAIN_WAVE_OK);
        }
    }
    std::vector<void*> Users(std::vector<Block>& blocks, size_t from = 0, size_t to = SIZE_MAX)
    {
        std::vector<void*> users;
        for (size_t i = from; i < blocks.size() && i < to; ++i)
            users.push_back(&blocks[i]);
        return users;
    }

    std::string m_played;
    std::optional<std::string> m_savedPcm;
};

TEST_F(WaveOutTest, RingOfTwentyBlocksPlaysEveryByteInOrder)
{
    // The playback manager's use: 20 blocks reused as a ring, a free counter
    // raised by the callback and a writer that waits for a free block.
    struct Ring {
        std::mutex lock;
        std::condition_variable freed;
        int freeBlocks = 20;
        std::vector<void*> order;
        std::vector<std::thread::id> threads;
    } ring;
    auto done = [](void* context, VorlainWaveHeader* header) {
        auto* r = static_cast<Ring*>(context);
        std::lock_guard g(r->lock);
        ++r->freeBlocks;
        r->order.push_back(header->user);
        r->threads.push_back(std::this_thread::get_id());
        r->freed.notify_all();
    };
    VorlainWaveOut* device = nullptr;
    VorlainWaveFormat f = Format();
    ASSERT_EQ(VorlainWaveOutOpen(&device, "tap", &f, done, &ring), VORLAIN_WAVE_OK);
    ASSERT_NE(device, nullptr);

    constexpr size_t kTotal = 75; // nearly four turns of the ring
    std::vector<uint8_t> source =
        PcmBytes(Ramp(static_cast<int64_t>(kTotal * kBlockBytes / 4), kChannels));
    std::vector<Block> ringBlocks(20);
    for (size_t i = 0; i < ringBlocks.size(); ++i) {
        ringBlocks[i].bytes.resize(kBlockBytes);
        ringBlocks[i].header.data = reinterpret_cast<char*>(ringBlocks[i].bytes.data());
        ringBlocks[i].header.user = reinterpret_cast<void*>(i);
    }
    for (size_t n = 0; n < kTotal; ++n) {
        Block& b = ringBlocks[n % 20];
        {
            std::unique_lock g(ring.lock);
            ASSERT_TRUE(ring.freed.wait_for(g, 20s, [&] { return ring.freeBlocks > 0; }));
            --ring.freeBlocks;
        }
        ASSERT_EQ(VorlainWaveOutUnprepareHeader(device, &b.header), VORLAIN_WAVE_OK);
        std::memcpy(b.bytes.data(), source.data() + n * kBlockBytes, kBlockBytes);
        b.header.bufferLength = kBlockBytes;
        ASSERT_EQ(VorlainWaveOutPrepareHeader(device, &b.header), VORLAIN_WAVE_OK);
        ASSERT_EQ(VorlainWaveOutWrite(device, &b.header), VORLAIN_WAVE_OK);
    }
    {
        std::unique_lock g(ring.lock);
        ASSERT_TRUE(ring.freed.wait_for(g, 20s, [&] { return ring.freeBlocks == 20; }));
        ASSERT_EQ(ring.order.size(), kTotal);
        for (size_t n = 0; n < kTotal; ++n)
            EXPECT_EQ(ring.order[n], reinterpret_cast<void*>(n % 20)) << "callback " << n;
        for (std::thread::id id : ring.threads)
            EXPECT_NE(id, std::this_thread::get_id());
    }
    int64_t position = -1;
    ASSERT_EQ(VorlainWaveOutGetPosition(device, &position), VORLAIN_WAVE_OK);
    EXPECT_EQ(position, static_cast<int64_t>(kTotal * kBlockBytes / 4));
    for (Block& b : ringBlocks) {
        EXPECT_EQ(VorlainWaveHeaderFlags(&b.header),
                  VORLAIN_WHDR_DONE | VORLAIN_WHDR_PREPARED);
        EXPECT_EQ(VorlainWaveOutUnprepareHeader(device, &b.header), VORLAIN_WAVE_OK);
        EXPECT_EQ(VorlainWaveHeaderFlags(&b.header), VORLAIN_WHDR_DONE);
    }
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(ReadBytes(m_played), source);
}

TEST_F(WaveOutTest, DeviceNameComesFromTheEnvironment)
{
    setenv("VORLAIN_PCM", "tap", 1);
    DoneLog log;
    VorlainWaveOut* device = nullptr;
    VorlainWaveFormat f = Format(22050, 1);
    ASSERT_EQ(VorlainWaveOutOpen(&device, nullptr, &f, &DoneLog::Callback, &log),
              VORLAIN_WAVE_OK);
    std::vector<Block> blocks = MakeBlocks(3);
    Queue(device, blocks);
    ASSERT_TRUE(log.waitFor(3));
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(ReadBytes(m_played), Concat(blocks));

    // An empty name means the environment too.
    std::remove(m_played.c_str());
    ASSERT_EQ(VorlainWaveOutOpen(&device, "", &f, nullptr, nullptr), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
    EXPECT_TRUE(Exists(m_played));
}

TEST_F(WaveOutTest, PauseHoldsQueuedBlocksAndRestartPlaysThemOnce)
{
    DoneLog log;
    VorlainWaveOut* device = OpenTap(log);
    ASSERT_NE(device, nullptr);
    std::vector<Block> blocks = MakeBlocks(8);
    Queue(device, blocks, 0, 2);
    ASSERT_TRUE(log.waitFor(2));

    ASSERT_EQ(VorlainWaveOutPause(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(VorlainWaveOutPause(device), VORLAIN_WAVE_OK); // twice is harmless
    Queue(device, blocks, 2, 6);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(log.count(), 2u) << "blocks were played while paused";
    int64_t position = -1;
    VorlainWaveOutGetPosition(device, &position);
    EXPECT_EQ(position, 2 * kBlockBytes / 4);
    // A queued block cannot be taken back while it waits.
    EXPECT_EQ(VorlainWaveOutUnprepareHeader(device, &blocks[3].header),
              VORLAIN_WAVE_STILLPLAYING);
    EXPECT_EQ(VorlainWaveHeaderFlags(&blocks[3].header),
              VORLAIN_WHDR_PREPARED | VORLAIN_WHDR_INQUEUE);

    ASSERT_EQ(VorlainWaveOutRestart(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(VorlainWaveOutRestart(device), VORLAIN_WAVE_OK);
    Queue(device, blocks, 6, 8);
    ASSERT_TRUE(log.waitFor(8));
    EXPECT_EQ(log.snapshot(), Users(blocks));
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(ReadBytes(m_played), Concat(blocks));
}

TEST_F(WaveOutTest, ResetHandsBackEveryQueuedBlockBeforeReturning)
{
    DoneLog log;
    VorlainWaveOut* device = OpenTap(log);
    ASSERT_NE(device, nullptr);
    std::vector<Block> blocks = MakeBlocks(9);
    Queue(device, blocks, 0, 2);
    ASSERT_TRUE(log.waitFor(2));

    ASSERT_EQ(VorlainWaveOutPause(device), VORLAIN_WAVE_OK);
    Queue(device, blocks, 2, 7);
    ASSERT_EQ(VorlainWaveOutReset(device), VORLAIN_WAVE_OK);
    // No waiting: Reset returns only after the callbacks ran.
    ASSERT_EQ(log.count(), 7u);
    EXPECT_EQ(log.snapshot(), Users(blocks, 0, 7));
    for (size_t i = 2; i < 7; ++i) {
        EXPECT_EQ(VorlainWaveHeaderFlags(&blocks[i].header),
                  VORLAIN_WHDR_DONE | VORLAIN_WHDR_PREPARED);
        EXPECT_EQ(VorlainWaveOutUnprepareHeader(device, &blocks[i].header), VORLAIN_WAVE_OK);
    }
    int64_t position = -1;
    VorlainWaveOutGetPosition(device, &position);
    EXPECT_EQ(position, 0);

    // Still paused after the reset; restart and the device plays again from
    // the next block written, without any of the dropped ones.
    Queue(device, blocks, 7, 8);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.count(), 7u);
    ASSERT_EQ(VorlainWaveOutRestart(device), VORLAIN_WAVE_OK);
    Queue(device, blocks, 8, 9);
    ASSERT_TRUE(log.waitFor(9));
    VorlainWaveOutGetPosition(device, &position);
    EXPECT_EQ(position, 2 * kBlockBytes / 4);
    ASSERT_EQ(VorlainWaveOutReset(device), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(log.count(), 9u);

    std::vector<uint8_t> expected = Concat(blocks, 0, 2);
    std::vector<uint8_t> tail = Concat(blocks, 7, 9);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(ReadBytes(m_played), expected);
}

TEST_F(WaveOutTest, CloseHandsBackQueuedBlocksAndNoCallbackFollows)
{
    DoneLog log;
    VorlainWaveOut* device = OpenTap(log);
    ASSERT_NE(device, nullptr);
    std::vector<Block> blocks = MakeBlocks(4);
    ASSERT_EQ(VorlainWaveOutPause(device), VORLAIN_WAVE_OK);
    Queue(device, blocks);
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
    EXPECT_EQ(log.snapshot(), Users(blocks));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.count(), 4u);
    for (const Block& b : blocks)
        EXPECT_EQ(VorlainWaveHeaderFlags(&b.header), VORLAIN_WHDR_DONE | VORLAIN_WHDR_PREPARED);
    EXPECT_EQ(ReadBytes(m_played).size(), 0u);
}

TEST_F(WaveOutTest, MissingDeviceAndBadFormatsFailCleanly)
{
    DoneLog log;
    VorlainWaveFormat f = Format();
    VorlainWaveOut* device = reinterpret_cast<VorlainWaveOut*>(&log); // must be cleared
    EXPECT_EQ(VorlainWaveOutOpen(&device, "vorlain_no_such_pcm", &f, &DoneLog::Callback, &log),
              VORLAIN_WAVE_BADDEVICE);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(VorlainWaveOutOpen(&device, "hw:97,0", &f, &DoneLog::Callback, &log),
              VORLAIN_WAVE_BADDEVICE);
    setenv("VORLAIN_PCM", "vorlain_no_such_pcm", 1);
    EXPECT_EQ(VorlainWaveOutOpen(&device, nullptr, &f, nullptr, nullptr),
              VORLAIN_WAVE_BADDEVICE);
    EXPECT_EQ(device, nullptr);

    VorlainWaveFormat bad = Format();
    bad.bitsPerSample = 8;
    EXPECT_EQ(VorlainWaveOutOpen(&device, "tap", &bad, nullptr, nullptr), VORLAIN_WAVE_BADFORMAT);
    bad = Format(kRate, 3);
    EXPECT_EQ(VorlainWaveOutOpen(&device, "tap", &bad, nullptr, nullptr), VORLAIN_WAVE_BADFORMAT);
    bad = Format();
    bad.blockAlign = 2; // does not match two channels
    EXPECT_EQ(VorlainWaveOutOpen(&device, "tap", &bad, nullptr, nullptr), VORLAIN_WAVE_BADFORMAT);
    bad = Format();
    bad.formatTag = 3;
    EXPECT_EQ(VorlainWaveOutOpen(&device, "tap", &bad, nullptr, nullptr), VORLAIN_WAVE_BADFORMAT);
    EXPECT_EQ(VorlainWaveOutOpen(&device, "tap", nullptr, nullptr, nullptr),
              VORLAIN_WAVE_BADFORMAT);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(VorlainWaveOutOpen(nullptr, "tap", &f, nullptr, nullptr), VORLAIN_WAVE_INVALPARAM);

    VorlainWaveHeader h{};
    int64_t frames = 0;
    EXPECT_EQ(VorlainWaveOutPrepareHeader(nullptr, &h), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutUnprepareHeader(nullptr, &h), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutWrite(nullptr, &h), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutPause(nullptr), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutRestart(nullptr), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutReset(nullptr), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutClose(nullptr), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveOutGetPosition(nullptr, &frames), VORLAIN_WAVE_INVALHANDLE);
    EXPECT_EQ(VorlainWaveHeaderFlags(nullptr), 0u);
}

TEST_F(WaveOutTest, HeadersMustBePreparedWholeFramesAndQueuedOnce)
{
    DoneLog log;
    VorlainWaveOut* device = OpenTap(log);
    ASSERT_NE(device, nullptr);
    std::vector<Block> blocks = MakeBlocks(3);
    EXPECT_EQ(VorlainWaveOutWrite(device, &blocks[0].header), VORLAIN_WAVE_UNPREPARED);
    EXPECT_EQ(VorlainWaveOutPrepareHeader(device, nullptr), VORLAIN_WAVE_INVALPARAM);
    EXPECT_EQ(VorlainWaveOutWrite(device, nullptr), VORLAIN_WAVE_INVALPARAM);
    int64_t* noFrames = nullptr;
    EXPECT_EQ(VorlainWaveOutGetPosition(device, noFrames), VORLAIN_WAVE_INVALPARAM);

    // Half a stereo frame would shift every later sample into the other channel.
    blocks[1].header.bufferLength = 6;
    EXPECT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[1].header), VORLAIN_WAVE_INVALPARAM);
    blocks[1].header.bufferLength = 8;
    ASSERT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[1].header), VORLAIN_WAVE_OK);
    blocks[1].header.bufferLength = 10; // changed after Prepare
    EXPECT_EQ(VorlainWaveOutWrite(device, &blocks[1].header), VORLAIN_WAVE_INVALPARAM);
    blocks[1].header.bufferLength = 8;
    VorlainWaveHeader noData{};
    noData.bufferLength = 4;
    EXPECT_EQ(VorlainWaveOutPrepareHeader(device, &noData), VORLAIN_WAVE_INVALPARAM);
    // A block of no bytes is legal and comes back in its turn.
    blocks[2].header.bufferLength = 0;

    ASSERT_EQ(VorlainWaveOutPause(device), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[0].header), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[0].header), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutWrite(device, &blocks[0].header), VORLAIN_WAVE_OK);
    EXPECT_EQ(VorlainWaveOutWrite(device, &blocks[0].header), VORLAIN_WAVE_STILLPLAYING);
    EXPECT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[0].header), VORLAIN_WAVE_STILLPLAYING);
    EXPECT_EQ(VorlainWaveOutUnprepareHeader(device, &blocks[0].header),
              VORLAIN_WAVE_STILLPLAYING);
    ASSERT_EQ(VorlainWaveOutPrepareHeader(device, &blocks[2].header), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutWrite(device, &blocks[2].header), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutWrite(device, &blocks[1].header), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutRestart(device), VORLAIN_WAVE_OK);
    ASSERT_TRUE(log.waitFor(3));
    EXPECT_EQ(log.snapshot(), (std::vector<void*>{&blocks[0], &blocks[2], &blocks[1]}));
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);

    std::vector<uint8_t> expected = blocks[0].bytes;
    expected.insert(expected.end(), blocks[1].bytes.begin(), blocks[1].bytes.begin() + 8);
    EXPECT_EQ(ReadBytes(m_played), expected);
}

TEST_F(WaveOutTest, CallbackMayQueueTheNextBlockButNotResetOrClose)
{
    struct Chain {
        VorlainWaveOut* device = nullptr;
        std::vector<Block>* blocks = nullptr;
        size_t next = 1;
        std::vector<int> refusals;
        DoneLog log;
    } chain;
    auto done = [](void* context, VorlainWaveHeader* header) {
        auto* c = static_cast<Chain*>(context);
        c->refusals.push_back(VorlainWaveOutReset(c->device));
        c->refusals.push_back(VorlainWaveOutPause(c->device));
        c->refusals.push_back(VorlainWaveOutClose(c->device));
        if (c->next < c->blocks->size()) {
            VorlainWaveHeader* h = &(*c->blocks)[c->next++].header;
            VorlainWaveOutPrepareHeader(c->device, h);
            VorlainWaveOutWrite(c->device, h);
        }
        DoneLog::Callback(&c->log, header);
    };
    std::vector<Block> blocks = MakeBlocks(5);
    chain.blocks = &blocks;
    VorlainWaveFormat f = Format();
    ASSERT_EQ(VorlainWaveOutOpen(&chain.device, "tap", &f, done, &chain), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutPrepareHeader(chain.device, &blocks[0].header), VORLAIN_WAVE_OK);
    ASSERT_EQ(VorlainWaveOutWrite(chain.device, &blocks[0].header), VORLAIN_WAVE_OK);
    ASSERT_TRUE(chain.log.waitFor(5));
    ASSERT_EQ(VorlainWaveOutClose(chain.device), VORLAIN_WAVE_OK);
    EXPECT_EQ(chain.log.snapshot(), Users(blocks));
    ASSERT_EQ(chain.refusals.size(), 15u);
    for (int r : chain.refusals)
        EXPECT_EQ(r, VORLAIN_WAVE_BADCALL);
    EXPECT_EQ(ReadBytes(m_played), Concat(blocks));
}

TEST_F(WaveOutTest, PlaysInRoughlyRealTimeThroughPulseAudio)
{
    if (!PulseServerAnswers())
        GTEST_SKIP() << "no PulseAudio test server at " << kPulseSocket;
    PulseServerScope pulse;
    snd_config_update_free_global(); // so that "default" routes to the server

    DoneLog log;
    VorlainWaveOut* device = nullptr;
    VorlainWaveFormat f = Format();
    ASSERT_EQ(VorlainWaveOutOpen(&device, nullptr, &f, &DoneLog::Callback, &log),
              VORLAIN_WAVE_OK);
    // One second of sound: 176400 bytes, 21 blocks and a bit of a 22nd.
    std::vector<Block> blocks = MakeBlocks(22);
    blocks[21].header.bufferLength = 176400 - 21 * kBlockBytes;
    auto start = std::chrono::steady_clock::now();
    Queue(device, blocks);
    ASSERT_TRUE(log.waitFor(22, 30s));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(seconds, 0.5) << "a null sink is clocked; one second cannot play in " << seconds;
    EXPECT_LT(seconds, 6.0);
    EXPECT_EQ(log.snapshot(), Users(blocks));
    int64_t position = -1;
    VorlainWaveOutGetPosition(device, &position);
    EXPECT_EQ(position, 44100);
    ASSERT_EQ(VorlainWaveOutClose(device), VORLAIN_WAVE_OK);
}

} // namespace
