// Exporting a 1-hour stereo track to WAV, beside `cp --reflink=never` of
// the same WAV in the same run: the export is the header and byte ranges of
// the data files, so the copy is its limit. Median of 3, turn about.
#include "bench_util.h"

#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Empties the page cache where the bench may (as root): a cold run reads
// every byte from the disk, as an export of a project opened after a
// restart does.
static void dropCaches(bool cold)
{
    ::sync();
    if (!cold)
        return;
    if (FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w")) {
        std::fputs("1", f);
        std::fclose(f);
    }
}

int main(int argc, char** argv)
{
    const bool cold = argc > 1 && std::string(argv[1]) == "--cold";
    vorlain::test::TempEnvironment env;
    bench::QuietKernel();
    const std::string wav = env.root() + "/hour.wav";
    CEditSession* session = bench::HourSession(wav, 1);
    // A cut inside a file, so that the export also copies range edges.
    Kestrum_Delete(session, 1, 1'800'123'456, 1'801'123'456);
    const std::string out = env.root() + "/out.wav";
    const std::string copy = env.root() + "/copy.wav";
    const std::string cp = "cp --reflink=never '" + wav + "' '" + copy + "'";

    std::vector<double> exports, copies;
    // Each starts with the file system's write-back done: the import and the
    // turn before leave hundreds of megabytes for the disk, and a copy timed
    // while the disk takes them measures the disk.
    for (int r = 0; r < 3; ++r) {
        std::remove(out.c_str());
        std::remove(copy.c_str());
        dropCaches(cold);
        exports.push_back(
            bench::Time([&] { Kestrum_SaveTrackToFile(session, 1, 0, 0, out.c_str()); }));
        dropCaches(cold);
        copies.push_back(bench::Time([&] {
            if (std::system(cp.c_str()) != 0)
                std::printf("cp failed\n");
        }));
    }
    const double e = bench::Median(exports), c = bench::Median(copies);
    std::printf("%-28s %10s\n", cold ? "1 hour to WAV, cold" : "1 hour to WAV", "seconds");
    std::printf("%-28s %10.3f\n", "Vorlain export", e);
    std::printf("%-28s %10.3f\n", "cp --reflink=never", c);
    std::printf("%-28s %10.2f\n", "ratio", c > 0 ? e / c : 0.0);
    Kestrum_Close(session);
    return 0;
}
