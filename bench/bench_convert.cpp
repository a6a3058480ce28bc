// Importing a 1-hour MP3 and exporting 1 hour to MP3, timed beside the ffmpeg
// program doing the same conversions in the same run: ffmpeg encodes the very
// audio the track holds (LAME's speed depends on what it encodes), at the
// same bit rate. Median of 3, turn about.
#include "bench_util.h"

#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/medrix.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool encode(const std::string& wav, const std::string& mp3)
{
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr attr{};
    bool ok = AV_SetInputpath(h, wav.c_str()) && AV_GetInputFileAttr(h, &file, &attr, 0) &&
              AV_SetOutputPath(h, mp3.c_str());
    std::snprintf(attr.codecName, sizeof attr.codecName, "libmp3lame");
    attr.bitRate = 128000;
    ok = ok && AV_SetAudioAttr(h, attr) && AV_Convert(h);
    AV_Close(h);
    return ok;
}

double run(const std::string& command)
{
    return bench::Time([&] { (void)std::system((command + " > /dev/null 2>&1").c_str()); });
}

} // namespace

int main()
{
    vorlain::test::TempEnvironment env;
    bench::QuietKernel();
    const bool ffmpeg = std::system("ffmpeg -version > /dev/null 2>&1") == 0;
    const std::string wav = env.root() + "/hour.wav";
    const std::string mp3 = env.root() + "/hour.mp3";
    std::printf("Preparing 1 hour of stereo 44.1 kHz audio...\n");
    vorlain::test::WriteRampWave(wav, 3600LL * 44100, 44100, 2);
    if (!encode(wav, mp3)) {
        std::printf("could not encode the test MP3\n");
        return 1;
    }

    CEditSession* session = Kestrum_Open(nullptr);
    std::vector<double> imports, importPeers, exports, exportPeers;
    for (int r = 0; r < 3; ++r) {
        if (r > 0)
            Kestrum_DeleteTrack(session, 1);
        imports.push_back(bench::Time([&] { Kestrum_AddTrack(session, mp3.c_str()); }));
        if (ffmpeg)
            importPeers.push_back(run("ffmpeg -y -i " + mp3 + " " + env.root() + "/peer.wav"));
    }
    // The track's own audio as a wave, for the peer to encode.
    const uint32_t track = 3;
    const std::string own = env.root() + "/own.wav";
    Kestrum_SaveTrackToFile(session, track, 0, 0, own.c_str());
    for (int r = 0; r < 3; ++r) {
        exports.push_back(bench::Time([&] {
            Kestrum_SaveTrackToFile(session, track, 0, 0, (env.root() + "/out.mp3").c_str());
        }));
        if (ffmpeg)
            exportPeers.push_back(
                run("ffmpeg -y -i " + own + " -b:a 128k " + env.root() + "/peer.mp3"));
    }
    Kestrum_Close(session);
    const double importKernel = bench::Median(imports), exportKernel = bench::Median(exports);
    const double importPeer = ffmpeg ? bench::Median(importPeers) : 0;
    const double exportPeer = ffmpeg ? bench::Median(exportPeers) : 0;

    std::printf("%-26s %12s %12s %8s\n", "operation", "Vorlain (s)", "ffmpeg (s)", "ratio");
    auto row = [&](const char* name, double k, double p) {
        if (ffmpeg)
            std::printf("%-26s %12.2f %12.2f %8.2f\n", name, k, p, k / p);
        else
            std::printf("%-26s %12.2f %12s %8s\n", name, k, "no ffmpeg", "-");
    };
    row("import 1 h MP3", importKernel, importPeer);
    row("export 1 h to MP3", exportKernel, exportPeer);
    return 0;
}
