// Progress seen from another thread, and stopping a running conversion.
#include "MedrixTestFiles.h"
#include "vorlain/test/temp_env.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using namespace medrix_test;
using vorlain::test::IsolatedTest;
using vorlain::test::ListDir;
using vorlain::test::ReadBytes;

namespace {

class MedrixProgressAndStop : public IsolatedTest {
  protected:
    MedrixHandle prepare(const std::string& in, const std::string& out, const char* codec)
    {
        MedrixHandle h = AV_Open();
        MedrixAudioAttr attr{};
        std::strcpy(attr.codecName, codec);
        attr.channels = 1;
        attr.sampleRate = 44100;
        attr.bitRate = 128000;
        if (!h || !AV_SetInputpath(h, in.c_str()) || !AV_SetOutputPath(h, out.c_str()) ||
            !AV_SetAudioAttr(h, attr)) {
            AV_Close(h);
            return nullptr;
        }
        return h;
    }
};

using Clock = std::chrono::steady_clock;

} // namespace

TEST_F(MedrixProgressAndStop, ProgressRisesMonotonicallyToHundred)
{
    const std::string in = env().path("in.wav");
    ASSERT_TRUE(vorlain::test::WriteRampWave(in, 44100 * 60, 44100, 1));
    MedrixHandle h = prepare(in, env().path("out.mp3"), "libmp3lame");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(AV_GetProgress(h), 0);

    std::atomic<bool> done{false};
    std::vector<int> seen;
    std::thread poller([&] {
        while (!done.load()) {
            seen.push_back(AV_GetProgress(h));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const int ok = AV_Convert(h);
    done.store(true);
    poller.join();
    EXPECT_NE(ok, 0);
    EXPECT_EQ(AV_GetProgress(h), 100);
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i)
        ASSERT_LE(seen[i - 1], seen[i]) << "at poll " << i;
    for (int p : seen) {
        ASSERT_GE(p, 0);
        ASSERT_LE(p, 100);
    }
    AV_Close(h);
}

TEST_F(MedrixProgressAndStop, StopEndsALongConversionSoonAndLeavesNoOutput)
{
    const std::string in = env().path("long.wav");
    const std::string out = env().path("long.mp3");
    ASSERT_TRUE(vorlain::test::WriteRampWave(in, 44100LL * 600, 44100, 1)); // ten minutes
    MedrixHandle h = prepare(in, out, "libmp3lame");
    ASSERT_NE(h, nullptr);

    std::atomic<int> result{-1};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        result.store(AV_Convert(h));
        returned.store(true);
    });
    // Wait (generously) until the conversion is under way.
    const auto started = Clock::now();
    while (AV_GetProgress(h) < 1 && !returned.load() &&
           Clock::now() - started < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(returned.load()) << "finished before it could be stopped";
    const auto stopAt = Clock::now();
    EXPECT_NE(AV_Stop(h), 0);
    while (!returned.load() && Clock::now() - stopAt < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto took = Clock::now() - stopAt;
    worker.join();
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(result.load(), 0);
    EXPECT_LT(AV_GetProgress(h), 100);
    AV_Close(h);
    EXPECT_EQ(ListDir(env().root()), (std::vector<std::string>{"home", "long.wav", "tmp"}));
}

TEST_F(MedrixProgressAndStop, StopBeforeConvertFailsAtOnceUntilANewInputIsSet)
{
    const std::string in = env().path("in.wav");
    const std::string out = env().path("out.wav");
    ASSERT_TRUE(vorlain::test::WriteWave(in, vorlain::test::Ramp(1000, 1), 44100, 1));
    MedrixHandle h = prepare(in, out, "pcm_s16le");
    ASSERT_NE(h, nullptr);
    EXPECT_NE(AV_Stop(h), 0);
    EXPECT_EQ(AV_Convert(h), 0);
    EXPECT_FALSE(vorlain::test::Exists(out));
    ASSERT_NE(AV_SetInputpath(h, in.c_str()), 0);
    EXPECT_NE(AV_Convert(h), 0);
    EXPECT_EQ(ReadBytes(out), ReadBytes(in));
    AV_Close(h);
}

TEST_F(MedrixProgressAndStop, StoppedConversionKeepsAnExistingOutputUnchanged)
{
    const std::string in = env().path("long.wav");
    const std::string out = env().path("keep.wav");
    ASSERT_TRUE(vorlain::test::WriteRampWave(in, 44100LL * 120, 44100, 1));
    const std::vector<uint8_t> old(4096, 0x5A);
    ASSERT_TRUE(vorlain::test::WriteBytes(out, old));
    MedrixHandle h = prepare(in, out, "mpeg4aac");
    ASSERT_NE(h, nullptr);
    std::atomic<int> result{-1};
    std::thread worker([&] { result.store(AV_Convert(h)); });
    const auto started = Clock::now();
    while (AV_GetProgress(h) < 1 && result.load() < 0 &&
           Clock::now() - started < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    AV_Stop(h);
    worker.join();
    EXPECT_EQ(result.load(), 0);
    AV_Close(h);
    EXPECT_EQ(ReadBytes(out), old);
    EXPECT_EQ(ListDir(env().root()),
              (std::vector<std::string>{"home", "keep.wav", "long.wav", "tmp"}));
}
