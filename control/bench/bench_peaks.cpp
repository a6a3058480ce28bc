// The peak builder alone, at 1 minute, 1 hour and 10 hours of stereo audio:
// the build of the columns a row shows after a one-second cut, for a view of
// the whole track and for a view of ten seconds in the middle, from the
// summaries the kernel writes beside its data files; beside it the straight
// read of the same columns, which reads every frame under them.
//
// The tracks are one five-second data file (and its summary) under many
// names, as hard links, so that ten hours cost no disk; the cut writes the
// two pieces around it as new files, as the kernel does.
//
// Usage: bench_peaks [width=1000]
#include "file_catalog.h"
#include "peak_builder.h"
#include "store/peak_summary_writer.h"
#include "summary_store.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
constexpr int kRepeats = 5;

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

std::string Write(const std::string& path, const vorlain::test::Samples& s)
{
    vorlain::test::WriteBytes(path, vorlain::test::PcmBytes(s));
    kernel::WritePeakSummary(path, 2);
    return path;
}

/** The zoom of the doubling ladder from 5248 that first shows all columns. */
uint64_t WholeTrackZoom(int64_t frames, int columns)
{
    uint64_t zoom = 5248;
    while (uint64_t(frames) / zoom > uint64_t(columns))
        zoom *= 2;
    return zoom;
}

double Build(CFileCatalog& catalog, const std::vector<std::string>& files, uint64_t zoom,
             uint64_t first, uint64_t count, CSummaryStore* store, PeakResult* out = nullptr)
{
    PeakRequest request;
    request.channels = 2;
    request.sampleRate = kRate;
    request.zoomFactor = zoom;
    request.firstColumn = first;
    request.columnCount = count;
    const auto start = std::chrono::steady_clock::now();
    request.stats = std::make_shared<const FileList>(
        catalog.Resolve(files, 2)); // as the row does it on the UI thread
    PeakResult r = CPeakBuilder(store).Build(request);
    const double s = Seconds(start);
    if (out)
        *out = std::move(r);
    return s;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
    vorlain::test::TempEnvironment env;
    const std::string piece = Write(env.path("piece.dat"), Audio(kFileFrames, 1));
    const vorlain::test::Samples whole = Audio(kFileFrames, 1);

    std::printf("Builds of %d columns after a 1-second cut, stereo 44.1 kHz, median of %d\n", width,
                kRepeats);
    std::printf("%-8s %-22s %10s %12s %8s %10s\n", "track", "view", "build (ms)", "straight (ms)",
                "files", "entries");
    for (int minutes : {1, 60, 600}) {
        const int count = minutes * 12;
        const std::string folder = env.makeDir("t" + std::to_string(minutes));
        ::mkdir((folder + "/peaks").c_str(), 0755);
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%.8d", i + 1);
            const std::string path = folder + "/" + name + ".dat";
            ::link(piece.c_str(), path.c_str());
            ::link(vorlain::PeakSummaryPath(piece).c_str(),
                   (folder + "/peaks/" + name + ".pks").c_str());
            files.push_back(path);
        }
        CSummaryStore store(size_t(64) << 20);
        CFileCatalog catalog;
        const int64_t frames = int64_t(count) * kFileFrames;
        const uint64_t wholeZoom = WholeTrackZoom(frames, width);
        const uint64_t zoomedIn = 328; // ten seconds in 1344 columns
        Build(catalog, files, wholeZoom, 0, width,
              &store); // the first draw leaves the summaries in the store

        std::vector<double> wholeTimes, wholeStraight, tenTimes, tenStraight;
        PeakResult result;
        for (int rep = 0; rep < kRepeats; ++rep) {
            // Cut [0.5 s, 1.5 s) of a file near the middle: two new files.
            const int at = count / 2 + rep;
            std::vector<std::string> cut(files.begin(), files.begin() + at);
            const std::string tag = std::to_string(minutes) + "_" + std::to_string(rep);
            cut.push_back(Write(env.path("cut" + tag + "a.dat"),
                                vorlain::test::Samples(whole.begin(), whole.begin() + kRate)));
            cut.push_back(Write(env.path("cut" + tag + "b.dat"),
                                vorlain::test::Samples(whole.begin() + 3 * kRate, whole.end())));
            cut.insert(cut.end(), files.begin() + at + 1, files.end());
            wholeTimes.push_back(Build(catalog, cut, wholeZoom, 0, width, &store, &result));
            // The straight read of a long whole track takes seconds: once is enough.
            if (rep == 0)
                wholeStraight.push_back(Build(catalog, cut, wholeZoom, 0, width, nullptr));
            const uint64_t middle = uint64_t(frames / 2) / zoomedIn;
            tenTimes.push_back(Build(catalog, cut, zoomedIn, middle, width, &store));
            tenStraight.push_back(Build(catalog, cut, zoomedIn, middle, width, nullptr));
        }
        const char* name = minutes == 1 ? "1 min" : minutes == 60 ? "1 hour" : "10 hours";
        std::printf("%-8s %-22s %10.2f %12.2f %8d %10llu\n", name,
                    ("whole (zoom " + std::to_string(wholeZoom) + ")").c_str(),
                    Median(wholeTimes) * 1000, Median(wholeStraight) * 1000, count + 1,
                    static_cast<unsigned long long>(frames / 4096));
        std::printf("%-8s %-22s %10.2f %12.2f\n", "", "10 s (zoom 328)", Median(tenTimes) * 1000,
                    Median(tenStraight) * 1000);
    }
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("max RSS %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
