// Range edits and undo/redo on a 1-minute and a 1-hour stereo track. Edits
// are copy-on-write at segment granularity, so their cost should not grow
// with the track's length: the printed 1-hour/1-minute ratios stay near 1.
// The two tracks are measured turn about, so a busy machine slows both alike.
#include "bench_util.h"

#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int64_t kSecond = 1'000'000;
constexpr int kRepeats = 21;
constexpr int kSteps = 50; // undo and redo take about a microsecond: time 50 at a time

struct Subject {
    CEditSession* session;
    int64_t mid; // never on a segment boundary
};

Subject makeSubject(int64_t seconds, const std::string& folder)
{
    std::string wav = folder + "/bench.wav";
    vorlain::test::WriteRampWave(wav, seconds * 44100, 44100, 2);
    CEditSession* session = Kestrum_Open(nullptr);
    CTrack* track = Kestrum_AddTrack(session, nullptr);
    track->Load(wav.c_str());
    std::remove(wav.c_str());
    Kestrum_Copy(session, 1, kSecond, 2 * kSecond);
    return {session, seconds * kSecond / 2 + 123'456};
}

using Operation = std::function<double(const Subject&)>;

double undoable(const Subject& s, const std::function<void()>& op)
{
    double t = bench::Time(op);
    Kestrum_GoBack(s.session);
    return t;
}

} // namespace

int main()
{
    vorlain::test::TempEnvironment env;
    bench::QuietKernel();
    Subject minute = makeSubject(60, env.root());
    Subject hour = makeSubject(3600, env.root());

    const std::vector<std::pair<const char*, Operation>> operations = {
        {"cut 1 s", [](const Subject& s) { return undoable(s, [&] { Kestrum_Cut(s.session, 1, s.mid, s.mid + kSecond); }); }},
        {"delete 1 s", [](const Subject& s) { return undoable(s, [&] { Kestrum_Delete(s.session, 1, s.mid, s.mid + kSecond); }); }},
        {"trim to 1 s", [](const Subject& s) { return undoable(s, [&] { Kestrum_Trim(s.session, 1, s.mid, s.mid + kSecond); }); }},
        {"paste 1 s", [](const Subject& s) { return undoable(s, [&] { Kestrum_Paste(s.session, 1, s.mid); }); }},
        {"undo", [](const Subject& s) {
             for (int k = 0; k < kSteps; ++k)
                 Kestrum_Delete(s.session, 1, s.mid, s.mid + 1000);
             double t = bench::Time([&] { for (int k = 0; k < kSteps; ++k) Kestrum_GoBack(s.session); });
             return t / kSteps;
         }},
        {"redo", [](const Subject& s) {
             double t = bench::Time([&] { for (int k = 0; k < kSteps; ++k) Kestrum_GoNext(s.session); });
             for (int k = 0; k < kSteps; ++k)
                 Kestrum_GoBack(s.session);
             return t / kSteps;
         }},
    };

    std::printf("Range edits, median of %d runs, stereo 44.1 kHz\n", kRepeats);
    std::printf("%-12s %12s %12s %8s\n", "operation", "1 min (ms)", "1 hour (ms)", "ratio");
    for (const auto& [name, op] : operations) {
        std::vector<double> m, h;
        for (int i = 0; i < kRepeats; ++i) {
            m.push_back(op(minute));
            h.push_back(op(hour));
        }
        double tm = bench::Median(m), th = bench::Median(h);
        std::printf("%-12s %12.4f %12.4f %8.2f\n", name, tm * 1000, th * 1000, tm > 0 ? th / tm : 0);
    }
    Kestrum_Close(minute.session);
    Kestrum_Close(hour.session);
    return 0;
}
