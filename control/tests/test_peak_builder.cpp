// The peak walk over data files: the columns it makes, where it stops, and
// that the reused summaries give exactly what reading every file gives.
#include "peak_builder.h"
#include "peak_fixture.h"
#include "sample_mapping.h"
#include "store/peak_summary_writer.h"
#include "wave_peaks.h"

#include <gtest/gtest.h>

#include <map>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <thread>
#include <tuple>

using namespace brimsel;
using brimsel::test::ReferenceDisplay;
using brimsel::test::Slice;
using brimsel::test::WriteDataFile;
using vorlain::test::IsolatedTest;
using vorlain::test::Samples;

namespace {

/** Audio with a different peak in every short stretch: a sine whose
 *  amplitude rises and falls, plus clicks. */
Samples Varied(int64_t frames, int channels)
{
    Samples s(frames * channels);
    for (int64_t f = 0; f < frames; ++f)
        for (int ch = 0; ch < channels; ++ch) {
            double amp = 4000 + 28000 * (0.5 + 0.5 * std::sin(f / 3001.0 + ch));
            double v = amp * std::sin(f * (0.05 + 0.02 * ch));
            if (f % 7919 == 0)
                v = ch ? -32768 : 32767;
            s[f * channels + ch] = static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
        }
    return s;
}

/** A request for every column of the files. */
PeakRequest Whole(const std::vector<std::string>& files, int channels, uint32_t rate, uint64_t zoom)
{
    PeakRequest request;
    request.files = files;
    request.channels = channels;
    request.sampleRate = rate;
    request.zoomFactor = zoom;
    return request;
}

class PeakBuilderTest : public IsolatedTest {
protected:
    /** Splits s into data files at the given frame positions. */
    std::vector<std::string> Files(const Samples& s, int channels, std::vector<int64_t> cuts,
                                   const std::string& prefix)
    {
        std::vector<std::string> files;
        const int64_t frames = static_cast<int64_t>(s.size()) / channels;
        cuts.push_back(frames);
        int64_t from = 0;
        for (int64_t to : cuts) {
            std::string path = env().path(prefix + std::to_string(files.size()) + ".dat");
            files.push_back(WriteDataFile(path, Slice(s, channels, from, to)));
            from = to;
        }
        return files;
    }

    static PeakResult Build(const std::vector<std::string>& files, int channels, uint64_t zoom,
                            uint32_t rate, CSummaryStore* store)
    {
        PeakRequest request = Whole(files, channels, rate, zoom);
        return CPeakBuilder(store).Build(request);
    }
};

TEST_F(PeakBuilderTest, StraightWalkMakesOneColumnPerZoomFactorFramesAcrossFiles)
{
    for (int channels : {1, 2}) {
        Samples s = Varied(10 * 1000 + 537, channels);
        auto files = Files(s, channels, {1234, 1235, 5000}, "c" + std::to_string(channels));
        PeakResult r = Build(files, channels, 1000, 44100, nullptr);
        EXPECT_EQ(r.display.Columns(), 10u); // the last 537 frames make no column
        EXPECT_EQ(r.frames, 10537u);
        EXPECT_EQ(r.filesWalked, 4u);
        EXPECT_EQ(r.display, ReferenceDisplay(s, channels, 1000, 44100)) << channels;
        if (channels == 1) {
            EXPECT_TRUE(r.display.channel[1].empty());
        }
    }
}

TEST_F(PeakBuilderTest, TheBandsOfEachLayoutHoldTheExtremeSamples)
{
    // One frame per column at zoom 1: every sample is its own column.
    const Samples stereo = {32767, 32767, -32767, -32767, -32768, -32768, 0, 0};
    PeakResult r = Build({WriteDataFile(env().path("s.dat"), stereo)}, 2, 1, 44100, nullptr);
    ASSERT_EQ(r.display.Columns(), 4u);
    const uint8_t left[] = {74, 0, 74, 37};
    const uint8_t right[] = {149, 75, 149, 112};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(r.display.channel[0][c], (ColumnPeak{left[c], left[c]})) << c;
        EXPECT_EQ(r.display.channel[1][c], (ColumnPeak{right[c], right[c]})) << c;
    }
    const Samples mono = {32767, -32767, -32768, 0};
    r = Build({WriteDataFile(env().path("m.dat"), mono)}, 1, 1, 44100, nullptr);
    ASSERT_EQ(r.display.Columns(), 4u);
    const uint8_t y[] = {149, 0, 149, 74};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(r.display.channel[0][c], (ColumnPeak{y[c], y[c]})) << c;
}

TEST_F(PeakBuilderTest, AColumnKeepsTheLargestAndTheSmallestYOfItsFrames)
{
    // Left: -16000 then 16000 inside one column; right silent.
    Samples s = {-16000, 0, 16000, 0, 0, 0, 0, 0};
    PeakResult r = Build({WriteDataFile(env().path("a.dat"), s)}, 2, 4, 44100, nullptr);
    ASSERT_EQ(r.display.Columns(), 1u);
    EXPECT_EQ(r.display.channel[0][0].maxY, HalfBandY(OffsetSample(16000)));
    EXPECT_EQ(r.display.channel[0][0].minY, HalfBandY(OffsetSample(-16000)));
    EXPECT_EQ(r.display.channel[1][0], (ColumnPeak{112, 112}));
}

TEST_F(PeakBuilderTest, AFileThatCannotBeOpenedEndsTheWalk)
{
    Samples s = Varied(3000, 2);
    auto files = Files(s, 2, {1000, 2000}, "gone");
    std::remove(files[1].c_str());
    PeakResult r = Build(files, 2, 100, 44100, nullptr);
    EXPECT_EQ(r.filesWalked, 1u);
    EXPECT_EQ(r.display, ReferenceDisplay(Slice(s, 2, 0, 1000), 2, 100, 44100));
    EXPECT_EQ(CPeakBuilder::CountFrames(files, 2), 1000u);

    CSummaryStore store(1 << 20);
    EXPECT_EQ(Build(files, 2, 1000, 44100, &store).display.Columns(), 1u);
}

TEST_F(PeakBuilderTest, ShortTracksAndEmptyFilesDrawNothingWithoutFailing)
{
    Samples s = Varied(99, 2);
    auto files = Files(s, 2, {}, "short");
    EXPECT_EQ(Build(files, 2, 100, 44100, nullptr).display.Columns(), 0u);
    EXPECT_EQ(Build(files, 2, 99, 44100, nullptr).display.Columns(), 1u);
    std::string empty = WriteDataFile(env().path("empty.dat"), {});
    EXPECT_EQ(Build({empty}, 2, 16, 44100, nullptr).display.Columns(), 0u);
    EXPECT_EQ(Build({}, 2, 16, 44100, nullptr).display.Columns(), 0u);
    // Channel counts the view cannot draw, and no rate: nothing, no crash.
    EXPECT_EQ(Build(files, 6, 16, 44100, nullptr).display.Columns(), 0u);
    EXPECT_EQ(Build(files, 0, 16, 44100, nullptr).display.Columns(), 0u);
    EXPECT_EQ(Build(files, 2, 16, 0, nullptr).display.Columns(), 0u);
    EXPECT_EQ(Build(files, 2, 0, 44100, nullptr).display.Columns(), 0u);
}

TEST_F(PeakBuilderTest, AnOddByteAtAFileEndIsDroppedAndTheCountRunsOnInTheNextFile)
{
    Samples a = Varied(150, 1), b = Varied(150, 1);
    std::vector<uint8_t> bytes = vorlain::test::PcmBytes(a);
    bytes.push_back(0x7F);
    vorlain::test::WriteBytes(env().path("odd.dat"), bytes);
    std::string second = WriteDataFile(env().path("next.dat"), b);
    Samples joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    PeakResult r = Build({env().path("odd.dat"), second}, 1, 100, 44100, nullptr);
    EXPECT_EQ(r.display, ReferenceDisplay(joined, 1, 100, 44100));
    EXPECT_EQ(r.display.Columns(), 3u);
}

TEST_F(PeakBuilderTest, OtherRatesKeepTheTimeScaleOfTheRuler)
{
    // One second at 48000 Hz spans the same 8 columns as one second at 44100 Hz.
    CColumnGrid grid48(5248, 48000), grid44(5248, 44100);
    EXPECT_EQ(grid44.CompleteColumns(44100), 8u);
    EXPECT_EQ(grid48.CompleteColumns(48000), 8u);
    EXPECT_EQ(grid44.Boundary(3), 3u * 5248);
    EXPECT_EQ(grid48.Boundary(3), 3u * 5248 * 48000 / 44100);
    EXPECT_EQ(CColumnGrid(5248, 22050).CompleteColumns(22050), 8u);
    EXPECT_FALSE(CColumnGrid(1, 8000).IsValid());

    for (uint32_t rate : {48000u, 22050u, 8000u}) {
        Samples s = Varied(rate * 2, 2);
        auto files = Files(s, 2, {rate / 3, rate}, "r" + std::to_string(rate));
        PeakResult r = Build(files, 2, 656, rate, nullptr);
        EXPECT_EQ(r.display, ReferenceDisplay(s, 2, 656, rate)) << rate;
        EXPECT_EQ(r.display.Columns(), CColumnGrid(656, rate).CompleteColumns(rate * 2));
    }
}

TEST_F(PeakBuilderTest, SummariesGiveTheSameColumnsAsReadingEveryFile)
{
    const int channels = 2;
    Samples s = Varied(44100 * 4, channels);
    auto before = Files(s, channels, {44100, 88200, 132300}, "v1_");
    CSummaryStore store(64 << 20);
    // Files without a summary file get one computed, and their columns come from it.
    PeakResult first = Build(before, channels, 5248, 44100, &store);
    EXPECT_EQ(first.filesFromSummary, 4u);
    EXPECT_EQ(store.Count(), 4u);
    EXPECT_EQ(first.display, ReferenceDisplay(s, channels, 5248, 44100));

    // A cut of 1234 frames inside the second file: its two sides become new
    // files, everything after it shifts by a count no block size divides.
    Samples cut = Slice(s, channels, 0, 50000);
    Samples rest = Slice(s, channels, 51234, 44100 * 4);
    cut.insert(cut.end(), rest.begin(), rest.end());
    std::vector<std::string> after = {
        before[0], WriteDataFile(env().path("v2_a.dat"), Slice(s, channels, 44100, 50000)),
        WriteDataFile(env().path("v2_b.dat"), Slice(s, channels, 51234, 88200)), before[2],
        before[3]};
    for (uint64_t zoom : {5248u, 2624u, 1312u, 656u, 600u, 513u, 328u, 41u}) {
        for (uint32_t rate : {44100u, 48000u}) {
            PeakResult straight = Build(after, channels, zoom, rate, nullptr);
            PeakResult reused = Build(after, channels, zoom, rate, &store);
            EXPECT_EQ(straight.display, ReferenceDisplay(cut, channels, zoom, rate))
                << zoom << " " << rate;
            EXPECT_EQ(reused.display, straight.display) << zoom << " " << rate;
            if (zoom >= CPeakBuilder::kMinSummaryColumn) {
                EXPECT_GE(reused.filesFromSummary, 3u) << zoom;
            }
        }
    }
}

TEST_F(PeakBuilderTest, MonoSummariesAgreeToo)
{
    Samples s = Varied(30011, 1);
    auto files = Files(s, 1, {7, 9000, 9001, 20000}, "mono");
    CSummaryStore store(1 << 20);
    Build(files, 1, 5248, 44100, &store);
    for (uint64_t zoom : {600u, 1000u, 5248u})
        EXPECT_EQ(Build(files, 1, zoom, 44100, &store).display,
                  ReferenceDisplay(s, 1, zoom, 44100));
}

TEST_F(PeakBuilderTest, ASummaryIsNotReusedForANewFileUnderAnOldName)
{
    const std::string path = env().path("same.dat");
    WriteDataFile(path, Samples(2000 * 2, 0));
    CSummaryStore store(1 << 20);
    Build({path}, 2, 1000, 44100, &store);
    std::remove(path.c_str());
    Samples loud(2000 * 2, 30000);
    WriteDataFile(path, loud);
    PeakResult r = Build({path}, 2, 1000, 44100, &store);
    EXPECT_EQ(r.display, ReferenceDisplay(loud, 2, 1000, 44100));
}

TEST_F(PeakBuilderTest, TheStoreKeepsItsBudgetByDroppingTheLeastRecentlyUsed)
{
    auto make = [](int n) {
        FileIdentity id;
        id.path = "/f" + std::to_string(n);
        id.size = 100;
        id.channels = 2;
        return id;
    };
    CSummaryStore probe(size_t(1) << 30);
    probe.Insert(make(0), std::make_shared<CFileSummary>(2, 64 * 100));
    const size_t one = probe.Bytes(); // the summary and what keeping it costs
    CSummaryStore store(3 * one);
    for (int i = 0; i < 3; ++i)
        store.Insert(make(i), std::make_shared<CFileSummary>(2, 64 * 100));
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_TRUE(store.Find(make(0))); // now the most recent
    store.Insert(make(3), std::make_shared<CFileSummary>(2, 64 * 100));
    EXPECT_EQ(store.Count(), 3u);
    EXPECT_TRUE(store.Find(make(0)));
    EXPECT_FALSE(store.Find(make(1)));
    EXPECT_TRUE(store.Find(make(3)));
    FileIdentity other = make(3);
    other.channels = 1;
    EXPECT_FALSE(store.Find(other));
    // A summary whose fine level stays in its file costs a fraction.
    EXPECT_LT(CFileSummary(2, 220500, "/f.pks", 48).Bytes() * 10, CFileSummary(2, 220500).Bytes());
}

namespace {

/** The columns [first, first + count) of a whole-track display list. */
CDisplayList Window(const CDisplayList& all, uint64_t first, uint64_t count)
{
    CDisplayList out;
    out.first = std::min<uint64_t>(first, all.Columns());
    const uint64_t end =
        std::min<uint64_t>(all.Columns(), out.first + std::min(count, all.Columns() - out.first));
    for (int ch = 0; ch < 2; ++ch)
        if (!all.channel[ch].empty())
            out.channel[ch].assign(all.channel[ch].begin() + out.first,
                                   all.channel[ch].begin() + end);
    return out;
}

} // namespace

TEST_F(PeakBuilderTest, WindowsFromSummariesEqualTheStraightReadAtManyZoomsScrollsAndRates)
{
    for (int channels : {2, 1}) {
        for (uint32_t rate : {44100u, 48000u, 22050u}) {
            const std::string tag = std::to_string(channels) + "_" + std::to_string(rate) + "_";
            Samples s = Varied(rate * 9 + 4321, channels);
            auto files =
                Files(s, channels, {rate * 2, rate * 2 + 1, rate * 5 + 63, rate * 7 - 17}, tag);
            // Some files have the kernel's summary file, one a stale one that
            // must be passed over, the rest get theirs computed.
            ASSERT_TRUE(kernel::WritePeakSummary(files[0], channels));
            ASSERT_TRUE(kernel::WritePeakSummary(files[2], channels));
            ASSERT_TRUE(kernel::WritePeakSummary(files[3], channels));
            const std::string stale = vorlain::PeakSummaryPath(files[3]);
            std::vector<uint8_t> bytes = vorlain::test::ReadBytes(stale);
            bytes[40] ^= 1; // another modification time
            vorlain::test::WriteBytes(stale, bytes);
            CSummaryStore store(64 << 20);
            for (uint64_t zoom : {41u, 100u, 513u, 600u, 1312u, 5248u, 20992u, 83968u}) {
                const CDisplayList all = ReferenceDisplay(s, channels, zoom, rate);
                const uint64_t n = all.Columns();
                const std::vector<std::pair<uint64_t, uint64_t>> windows = {
                    {0, UINT64_MAX},      {0, 3},  {3, 5},     {n / 2, 7}, {n / 3, n / 3},
                    {n ? n - 2 : 0, 100}, {n, 10}, {n + 5, 10}};
                for (const auto& [first, count] : windows) {
                    PeakRequest request = Whole(files, channels, rate, zoom);
                    request.firstColumn = first;
                    request.columnCount = count;
                    PeakResult r = CPeakBuilder(&store).Build(request);
                    const CDisplayList expected = Window(all, first, count);
                    EXPECT_EQ(r.display, expected)
                        << tag << zoom << " [" << first << "+" << count << ")";
                    EXPECT_EQ(r.totalColumns, n);
                    EXPECT_EQ(CPeakBuilder(nullptr).Build(request).display, expected)
                        << tag << zoom;
                }
            }
        }
    }
}

TEST_F(PeakBuilderTest, AWindowReadsOnlyTheFilesUnderItAndAudioOnlyAtColumnEdges)
{
    Samples s = Varied(44100 * 20, 2);
    std::vector<int64_t> cuts;
    for (int64_t f = 220500; f < 44100 * 20; f += 220500)
        cuts.push_back(f);
    auto files = Files(s, 2, cuts, "w");
    for (const std::string& f : files)
        ASSERT_TRUE(kernel::WritePeakSummary(f, 2));
    std::vector<std::tuple<CPeakBuilder::ReadKind, std::string, uint64_t, uint64_t>> reads;
    CPeakBuilder::SetReadObserver(
        [&](CPeakBuilder::ReadKind kind, const std::string& path, uint64_t offset, uint64_t bytes) {
            reads.emplace_back(kind, path, offset, bytes);
        });
    CSummaryStore store(8 << 20);
    // Columns 100..150 at zoom 5248 lie in frames 524800..792448: files 2 and 3.
    PeakRequest request = Whole(files, 2, 44100, 5248);
    request.firstColumn = 100;
    request.columnCount = 50;
    PeakResult r = CPeakBuilder(&store).Build(request);
    CPeakBuilder::SetReadObserver(nullptr);
    EXPECT_EQ(r.display, Window(ReferenceDisplay(s, 2, 5248, 44100), 100, 50));
    ASSERT_FALSE(reads.empty());
    std::set<std::string> touched;
    for (const auto& [kind, path, offset, bytes] : reads) {
        touched.insert(path.substr(path.rfind('/') + 1));
        if (kind == CPeakBuilder::ReadKind::Audio) {
            EXPECT_LE(bytes, 64u * 4) << "audio only inside a fine block an edge splits";
        }
    }
    EXPECT_EQ(touched, (std::set<std::string>{"w2.dat", "w3.dat", "w2.pks", "w3.pks"}));
}

TEST_F(PeakBuilderTest, ManySummariesAreReadOnTwoThreadsEachOnceAndGiveTheSameColumns)
{
    // 400 files of 5,000 frames: a long track's first draw in little. Half
    // of the summary files are read on a second thread; each head exactly
    // once, and the columns are those of the audio. One file has no summary and
    // is computed from its audio.
    Samples s = Varied(5000 * 400, 2);
    std::vector<int64_t> cuts;
    for (int64_t f = 5000; f < 5000 * 400; f += 5000)
        cuts.push_back(f);
    auto files = Files(s, 2, cuts, "many");
    for (size_t i = 0; i < files.size(); ++i) {
        if (i != 123) {
            ASSERT_TRUE(kernel::WritePeakSummary(files[i], 2));
        }
    }
    std::map<std::string, int> summaryReads;
    CPeakBuilder::SetReadObserver(
        [&](CPeakBuilder::ReadKind kind, const std::string& path, uint64_t offset, uint64_t) {
            if (kind == CPeakBuilder::ReadKind::Summary && offset == 0) // a head, not fine entries
                ++summaryReads[path];
        });
    CSummaryStore store(64 << 20);
    PeakResult r = CPeakBuilder(&store).Build(Whole(files, 2, 44100, 5248));
    CPeakBuilder::SetReadObserver(nullptr);
    EXPECT_EQ(r.display, ReferenceDisplay(s, 2, 5248, 44100));
    EXPECT_EQ(r.filesFromSummary, 400u);
    EXPECT_EQ(store.Count(), 400u);
    EXPECT_EQ(summaryReads.size(), 399u);
    for (const auto& [path, count] : summaryReads)
        EXPECT_EQ(count, 1) << path;
}

TEST_F(PeakBuilderTest, TheTimelineWalkSkipsHeaderSegmentsAndStopsAtTheLastIndex)
{
    CTimeline timeline = brimsel::test::MakeTimeline({"/a.dat", "/b.dat"});
    TrackSegment header{};
    header.state = vorlain::kHeaderSegment;
    timeline.Append(header);
    TrackSegment last{};
    last.state = vorlain::kAudioSegment;
    // No terminator: the timeline keeps what fits the field with one.
    std::memset(last.path, 'x', sizeof last.path);
    timeline.Append(last);
    auto files = CPeakBuilder::AudioFiles(&timeline);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], "/a.dat");
    EXPECT_EQ(files[1], "/b.dat");
    EXPECT_EQ(files[2], std::string(sizeof last.path - 1, 'x'));
    EXPECT_TRUE(CPeakBuilder::AudioFiles(nullptr).empty());
}

TEST_F(PeakBuilderTest, ACancelledBuildStopsAndSaysSo)
{
    Samples s = Varied(44100 * 3, 2);
    auto files = Files(s, 2, {44100, 88200}, "cancel");
    std::atomic<bool> cancel{true};
    PeakRequest request = Whole(files, 2, 44100, 5248);
    PeakResult r = CPeakBuilder(nullptr).Build(request, &cancel);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.display.Columns(), 0u);
}

TEST_F(PeakBuilderTest, TheBackgroundBuilderHandsBackOnlyTheNewestRequest)
{
    Samples s = Varied(44100 * 2, 2);
    auto files = Files(s, 2, {44100}, "bg");
    CSummaryStore store(8 << 20);
    CWavePeaks peaks(&store);
    std::atomic<int> notified{0};
    peaks.SetNotify([&] { ++notified; });

    EXPECT_FALSE(peaks.Pending());
    peaks.Start(Whole(files, 2, 44100, 5248));
    peaks.Start(Whole(files, 2, 44100, 1312));
    EXPECT_TRUE(peaks.Pending());
    ASSERT_TRUE(peaks.WaitIdle(10000));
    std::optional<PeakResult> r = peaks.Take();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->display, ReferenceDisplay(s, 2, 1312, 44100));
    EXPECT_FALSE(peaks.Pending());
    EXPECT_FALSE(peaks.Take().has_value());
    // The notice follows the stored result from the builder thread.
    for (int i = 0; i < 1000 && notified.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(notified.load(), 1);

    peaks.Start(Whole(files, 2, 44100, 5248));
    peaks.Invalidate();
    EXPECT_FALSE(peaks.Pending());
    ASSERT_TRUE(peaks.WaitIdle(10000));
    EXPECT_FALSE(peaks.Take().has_value());
}

TEST_F(PeakBuilderTest, ABuilderCanBeDestroyedWhileItRuns)
{
    Samples s = Varied(44100 * 4, 2);
    auto files = Files(s, 2, {44100, 88200}, "dtor");
    for (int i = 0; i < 5; ++i) {
        CWavePeaks peaks(nullptr);
        peaks.Start(Whole(files, 2, 44100, 16));
        EXPECT_TRUE(peaks.Pending());
        std::this_thread::sleep_for(std::chrono::milliseconds(i));
    }
}

} // namespace
