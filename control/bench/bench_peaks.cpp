// A redraw of a one-hour stereo track after a one-second cut, with and
// without the data-file summaries that earlier redraws left behind.
//
// The track is 720 data files of five seconds. The cut replaces the file that
// holds it with the two pieces around it; every other file is unchanged but
// now lies 44100 frames earlier, which no summary block divides. Without
// summaries the redraw reads all 635 MB again; with them it reads the two new
// files and one small block wherever a column boundary splits a block.
// Both redraws must give the same display list; the bench checks that.
//
// Usage: bench_peaks [minutes=60] [zoom=5248]
#include "peak_builder.h"
#include "summary_store.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace brimsel;

namespace {

constexpr int kRate = 44100;
constexpr int64_t kFileFrames = 5 * kRate;
constexpr int kRepeats = 3;

double Seconds(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/** Noise under a slow envelope, cheap to make and never flat. */
vorlain::test::Samples Audio(int64_t frames, uint32_t seed)
{
    vorlain::test::Samples s(frames * 2);
    uint32_t x = seed * 2654435761u + 1;
    for (int64_t f = 0; f < frames; ++f) {
        const int envelope = 2000 + static_cast<int>((f + seed * 977) % 30000);
        for (int ch = 0; ch < 2; ++ch) {
            x = x * 1664525u + 1013904223u;
            s[2 * f + ch] = static_cast<int16_t>(static_cast<int32_t>(x >> 16) % envelope);
        }
    }
    return s;
}

vorlain::test::Samples Frames(const vorlain::test::Samples& s, int64_t from, int64_t to)
{
    return vorlain::test::Samples(s.begin() + 2 * from, s.begin() + 2 * to);
}

std::string Write(const std::string& path, const vorlain::test::Samples& s)
{
    vorlain::test::WriteBytes(path, vorlain::test::PcmBytes(s));
    return path;
}

PeakResult Redraw(const std::vector<std::string>& files, uint64_t zoom, CSummaryStore* store,
                  double& seconds)
{
    const auto start = std::chrono::steady_clock::now();
    PeakResult r = CPeakBuilder(store).Build(PeakRequest{files, 2, kRate, zoom, false});
    seconds = Seconds(start);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const uint64_t zoom = argc > 2 ? std::max(16, std::atoi(argv[2])) : 5248;
    const int fileCount = minutes * 12;
    vorlain::test::TempEnvironment env;

    std::printf("Writing %d data files (%d min of 44100 Hz stereo)...\n", fileCount, minutes);
    std::vector<std::string> files;
    for (int i = 0; i < fileCount; ++i)
        files.push_back(Write(env.path("f" + std::to_string(i) + ".dat"), Audio(kFileFrames, i)));

    // The redraw before the cut leaves every file's summary in the store.
    CSummaryStore store(size_t(1) << 30);
    double seconds = 0;
    Redraw(files, zoom, &store, seconds);
    std::printf(
        "first redraw (reads every file, makes the summaries): %.3f s, %zu summaries, %.1f MB\n",
        seconds, store.Count(), store.Bytes() / 1048576.0);

    std::vector<double> without, with;
    for (int rep = 0; rep < kRepeats; ++rep) {
        // Cut [0.5 s, 1.5 s) of a file near the middle: a different file each
        // time, so each redraw meets two files it has never seen.
        const int cutFile = fileCount / 2 + rep;
        const vorlain::test::Samples whole = Audio(kFileFrames, cutFile);
        std::vector<std::string> cut(files.begin(), files.begin() + cutFile);
        const std::string tag = std::to_string(rep);
        cut.push_back(Write(env.path("cut" + tag + "a.dat"), Frames(whole, 0, kRate / 2)));
        cut.push_back(
            Write(env.path("cut" + tag + "b.dat"), Frames(whole, kRate * 3 / 2, kFileFrames)));
        cut.insert(cut.end(), files.begin() + cutFile + 1, files.end());

        double plain = 0, reused = 0;
        PeakResult a = Redraw(cut, zoom, nullptr, plain);
        PeakResult b = Redraw(cut, zoom, &store, reused);
        if (!(a.display == b.display)) {
            std::printf("MISMATCH: the summaries gave another display list\n");
            return 1;
        }
        std::printf("redraw after cut %d: %zu columns; without summaries %.3f s, with %.3f s "
                    "(%zu of %zu files from summaries)\n",
                    rep + 1, a.display.Columns(), plain, reused, b.filesFromSummary, cut.size());
        without.push_back(plain);
        with.push_back(reused);
    }
    std::sort(without.begin(), without.end());
    std::sort(with.begin(), with.end());
    const double mWithout = without[without.size() / 2], mWith = with[with.size() / 2];
    std::printf("median redraw after a 1-second cut: without summaries %.3f s, with %.3f s, "
                "ratio %.1fx\n",
                mWithout, mWith, mWith > 0 ? mWithout / mWith : 0.0);
    return 0;
}
