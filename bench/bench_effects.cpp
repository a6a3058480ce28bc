// The effects over 10 minutes of a 1-hour stereo track, each timed beside
// SoX doing the same to the same audio in the same run (silence beside SoX's
// volume 0, echo beside its one-second echo of the same decay, normalize
// beside sox --norm), loudness normalization beside ffmpeg's one-pass
// loudnorm filter, and tempo and pitch beside the rubberband program. SoX
// reads the 10 minutes from the wave file and writes them to a new one
// (rubberband a wave file of the same 10 minutes, written beforehand); the
// kernel reads the ten minutes' data files and writes new ones.
#include "bench_util.h"

#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int64_t kSecond = 1'000'000;
constexpr int kRepeats = 3;

// Whether the peer program is installed.
bool have(const std::string& program)
{
    return std::system(("command -v " + program + " > /dev/null 2>&1").c_str()) == 0;
}
} // namespace

int main()
{
    vorlain::test::TempEnvironment env;
    bench::QuietKernel();
    const std::string wav = env.root() + "/hour.wav";
    vorlain::test::WriteRampWave(wav, 3600LL * 44100, 44100, 2);
    CEditSession* session = Kestrum_Open(nullptr);
    CTrack* track = Kestrum_AddTrack(session, nullptr);
    track->Load(wav.c_str());
    const int64_t from = 1200 * kSecond, to = 1800 * kSecond;

    // The peer's input for the rows whose peer reads a whole file.
    const std::string ten = env.root() + "/ten.wav";
    Kestrum_SaveTrackToFile(session, 1, from, to, ten.c_str());

    struct Case {
        const char* name;
        std::function<void()> kernel;
        std::string peer; // a command line; its first word names the program
    };
    const std::string out = env.root() + "/sox-out.wav";
    std::vector<Case> cases = {
        {"volume x0.5", [&] { Kestrum_AdjustVolumn(session, 1, from, to, 128); },
         "sox " + wav + " " + out + " trim 1200 600 vol 0.5"},
        {"linear fade in", [&] { Kestrum_FadeIn(session, 1, from, to, 0); },
         "sox " + wav + " " + out + " trim 1200 600 fade t 600"},
        {"linear fade out", [&] { Kestrum_FadeOut(session, 1, from, to, 0); },
         "sox " + wav + " " + out + " trim 1200 600 fade t 0 600 600"},
        {"silence", [&] { Kestrum_Silence(session, 1, from, to); },
         "sox " + wav + " " + out + " trim 1200 600 vol 0"},
        {"echo 1 s, 0.5",
         [&] { Kestrum_Echo(session, 1, from, to, 0, 0, vorlain::FloatBits(0.5f)); },
         "sox " + wav + " " + out + " trim 1200 600 echo 1 1 1000 0.5"},
        {"normalize -1 dB", [&] { Kestrum_Normalize(session, 1, from, to, -1000); },
         "sox --norm=-1 " + wav + " " + out + " trim 1200 600"},
        {"loudness -16 LUFS", [&] { Kestrum_NormalizeLoudness(session, 1, from, to, -160); },
         "ffmpeg -v error -y -ss 1200 -t 600 -i " + wav + " -af loudnorm=I=-16:TP=-1 -ar 44100 " +
             out},
        {"tempo +10%", [&] { Kestrum_ChangeTempo(session, 1, from, to, 10); },
         "rubberband -T1.1 " + ten + " " + out},
        {"pitch +200 cents", [&] { Kestrum_ChangePitch(session, 1, from, to, 200); },
         "rubberband -p2 " + ten + " " + out},
    };
    std::printf("10 minutes of a 1-hour stereo 44.1 kHz track, median of %d runs\n", kRepeats);
    std::printf("%-16s %12s %12s %8s\n", "operation", "Vorlain (s)", "peer (s)", "ratio");
    for (const Case& c : cases) {
        const std::string program = c.peer.substr(0, c.peer.find(' '));
        const bool peer = have(program);
        std::vector<double> k, s;
        for (int i = 0; i < kRepeats; ++i) {
            k.push_back(bench::Time(c.kernel));
            Kestrum_GoBack(session);
            if (peer)
                s.push_back(
                    bench::Time([&] { (void)std::system((c.peer + " 2>/dev/null").c_str()); }));
        }
        double tk = bench::Median(k), ts = bench::Median(s);
        if (peer)
            std::printf("%-16s %12.3f %12.3f %8.2f\n", c.name, tk, ts, tk / ts);
        else
            std::printf("%-16s %12.3f %12s %8s\n", c.name, tk, ("no " + program).c_str(), "-");
    }
    Kestrum_Close(session);
    return 0;
}
