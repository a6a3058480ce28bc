// How soon each long operation on a 1-hour stereo track answers a stop:
// the operation runs on a thread of its own, Kestrum_Stop is asked once it
// is well under way, and the time until the call returns is measured. The
// import, the first operation that could be stopped, is the peer: each
// line gives its ratio to it, and to the 200 ms a person waits at most.
#include "bench_util.h"

#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int64_t kSecond = 1'000'000;
constexpr int64_t kHour = 3600 * kSecond;
constexpr int kRepeats = 5;
constexpr auto kUnderWay = std::chrono::milliseconds(300);

struct Stop {
    double answerMs; // Kestrum_Stop to the call's return
    bool stopped;    // the call returned 0 (it had not finished)
};

// Runs op on a thread, asks the session to stop after kUnderWay and times
// the answer. Undoes what a call that finished first did.
Stop stopOnce(CEditSession* session, const std::function<int()>& op)
{
    std::atomic<bool> returned{false};
    std::atomic<int> result{0};
    std::chrono::steady_clock::time_point end;
    std::thread worker([&] {
        result = op();
        end = std::chrono::steady_clock::now();
        returned = true;
    });
    std::this_thread::sleep_for(kUnderWay);
    const auto asked = std::chrono::steady_clock::now();
    Kestrum_Stop(session);
    worker.join();
    const bool wasRunning = end > asked;
    return {wasRunning ? std::chrono::duration<double, std::milli>(end - asked).count() : 0.0,
            result == 0};
}

} // namespace

int main()
{
    vorlain::test::TempEnvironment env;
    bench::QuietKernel();
    const std::string wav = env.root() + "/hour.wav";
    CEditSession* session = bench::HourSession(wav, 2);
    Kestrum_Copy(session, 1, 0, kHour);
    const uint32_t half = std::bit_cast<uint32_t>(0.5f);
    const uint32_t ids[] = {1, 2};
    const std::string out = env.root() + "/out";

    const std::vector<std::pair<const char*, std::function<int()>>> operations = {
        {"import", [&] { return Kestrum_AddTrack(session, wav.c_str()) ? 1 : 0; }},
        {"fade in", [&] { return Kestrum_FadeIn(session, 1, 0, kHour, 0); }},
        {"volume", [&] { return Kestrum_AdjustVolumn(session, 1, 0, kHour, half); }},
        {"echo", [&] { return Kestrum_Echo(session, 1, 0, kHour, 0, 0, half); }},
        {"paste", [&] { return Kestrum_Paste(session, 1, kHour / 2 + 1234); }},
        {"copy to new", [&] { return Kestrum_CopyToNew(session, 1, 1234, kHour - 1234) ? 1 : 0; }},
        {"mix clipboard", [&] { return Kestrum_MixTrackFromPaste(session, 1, 0, half); }},
        {"extract", [&] { return Kestrum_ExtractTrack(session, 1, 0) ? 1 : 0; }},
        {"insert file", [&] { return Kestrum_AddFile(session, 1, wav.c_str(), kSecond); }},
        {"export wav",
         [&] { return Kestrum_SaveTrackToFile(session, 1, 0, 0, (out + ".wav").c_str()); }},
        {"export mp3",
         [&] { return Kestrum_SaveTrackToFile(session, 1, 0, 0, (out + ".mp3").c_str()); }},
        {"join", [&] { return Kestrum_JoinTrack(session, 2, ids, (out + "-joined.wav").c_str()); }},
    };

    std::printf("Stopping after %lld ms of each operation on 1 hour, median of %d runs\n",
                static_cast<long long>(kUnderWay.count()), kRepeats);
    std::printf("%-14s %12s %10s %12s %10s\n", "operation", "answer (ms)", "stopped", "/ import",
                "/ 200 ms");
    double peer = 0;
    for (const auto& [name, op] : operations) {
        std::vector<double> answers;
        int stopped = 0;
        for (int r = 0; r < kRepeats; ++r) {
            ActionRecord before{}, after{};
            Kestrum_GetLastActionAttr(session, &before);
            const Stop s = stopOnce(session, op);
            answers.push_back(s.answerMs);
            stopped += s.stopped ? 1 : 0;
            Kestrum_GetLastActionAttr(session, &after);
            if (std::memcmp(&before, &after, sizeof before) != 0)
                Kestrum_GoBack(session); // it finished first: back to the hour as it was
        }
        const double median = bench::Median(answers);
        if (peer == 0)
            peer = median > 0 ? median : 1;
        std::printf("%-14s %12.1f %7d/%d %12.2f %10.2f\n", name, median, stopped, kRepeats,
                    median / peer, median / 200.0);
    }
    Kestrum_Close(session);
    return 0;
}
