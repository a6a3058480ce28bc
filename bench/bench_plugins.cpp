// LV2 plugins through the helper process, two figures:
//  - the example amplifier (eg-amp) over 10 minutes of a 1-hour stereo track
//    beside the built-in volume change of the same range in the same run:
//    what the isolation costs;
//  - live preview: from a control change to the first block run with the
//    new value being written to the output device, over many changes while
//    the preview plays in real time into the PulseAudio test server's null
//    sink (tools/ci-services.sh); ALSA's null device when the server is not
//    up, which takes blocks as fast as they come.
#include "bench_util.h"

#include "plugins/plugin_catalog.h"
#include "plugins/plugin_preview.h"
#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/test/pulse_server.h"
#include "vorlain/test/temp_env.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {
constexpr int64_t kSecond = 1'000'000;
constexpr int kRepeats = 3;
constexpr const char* kAmp = "http://lv2plug.in/plugins/eg-amp";
} // namespace

int main()
{
    vorlain::test::TempEnvironment env;
    bench::QuietKernel();
    CEditSession* session = bench::HourSession(env.root() + "/hour.wav", 1);
    const int64_t from = 1200 * kSecond, to = 1800 * kSecond;

    std::vector<double> amp, volume;
    bool ok = true;
    for (int i = 0; i < kRepeats; ++i) {
        amp.push_back(bench::Time([&] {
            ok = ok && Kestrum_ApplyPlugin(session, 1, from, to, kAmp, "gain=-6.0206") == 1;
        }));
        Kestrum_GoBack(session);
        volume.push_back(bench::Time([&] { Kestrum_AdjustVolumn(session, 1, from, to, 128); }));
        Kestrum_GoBack(session);
    }
    if (!ok) {
        std::fprintf(stderr, "eg-amp did not run (is lv2-examples installed?)\n");
        return 1;
    }
    std::printf("10 minutes of a 1-hour stereo 44.1 kHz track, median of %d runs\n", kRepeats);
    std::printf("%-22s %12s %16s %8s\n", "operation", "Vorlain (s)", "built-in vol (s)", "ratio");
    const double ta = bench::Median(amp), tv = bench::Median(volume);
    std::printf("%-22s %12.3f %16.3f %8.2f\n", "eg-amp -6 dB (helper)", ta, tv, ta / tv);

    // Preview: a loop of 10 s, the gain moved 40 times, 150 ms apart.
    const bool paced = vorlain::test::PulseServerAnswers();
    std::unique_ptr<vorlain::test::PulseServerScope> server;
    if (paced)
        server = std::make_unique<vorlain::test::PulseServerScope>();
    setenv("VORLAIN_PCM", paced ? "default" : "null", 1);
    snd_config_update_free_global();
    if (Kestrum_StartPreview(session, 1, from, from + 10 * kSecond, kAmp, "gain=0") != 1) {
        std::fprintf(stderr, "the preview did not start: 0x%08x\n", Kestrum_GetLastError());
        return 1;
    }
    std::vector<double> waits;
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const std::string gain = "gain=" + std::to_string(-(i % 12));
        Kestrum_SetPreviewControls(session, gain.c_str());
        for (int w = 0; w < 400 && !session->m_preview->LastChange().done; ++w)
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        const auto change = session->m_preview->LastChange();
        if (change.done)
            waits.push_back(
                std::chrono::duration<double, std::milli>(change.written - change.changed).count());
    }
    Kestrum_StopPreview(session);
    std::sort(waits.begin(), waits.end());
    const double queued = 1000.0 * kernel::CPluginPreview::kBlockCount *
                          kernel::CPluginPreview::kBlockFrames / 44100.0;
    std::printf("\npreview into %s, %zu control changes\n",
                paced ? "the PulseAudio null sink (real time)" : "ALSA null (not paced)",
                waits.size());
    if (!waits.empty())
        std::printf("change to written: median %.1f ms, max %.1f ms; heard at most %.1f ms later "
                    "(%d blocks of %u frames queued)\n",
                    waits[waits.size() / 2], waits.back(), queued,
                    kernel::CPluginPreview::kBlockCount, kernel::CPluginPreview::kBlockFrames);
    Kestrum_Close(session);
    return 0;
}
