// A row builds the columns around what it shows, not the whole track, from
// the summaries at two resolutions: after edits, undos, zooms and scrolls
// its picture is the one a straight read of every file gives, and a long
// track scrolled to its middle reads nothing outside the columns around the
// view, and audio only where a column edge splits a summary block.
#include "control_fixture.h"
#include "peak_builder.h"
#include "session/edit_session.h"
#include "store/peak_summary_writer.h"
#include "time_mapping.h"
#include "track/track.h"
#include "wave_painter.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>

using namespace brimsel;
using namespace brimsel::test;
using vorlain::test::Samples;

namespace {

/** Noise under an envelope that changes every few columns: every column has
 *  its own peaks, at every zoom. */
Samples Noisy(int64_t frames, uint32_t seed)
{
    Samples s(frames * 2);
    uint32_t x = seed * 2654435761u + 7;
    for (int64_t f = 0; f < frames; ++f) {
        const int envelope = 300 + static_cast<int>((f / 97 * 7919 + seed) % 32000);
        for (int ch = 0; ch < 2; ++ch) {
            x = x * 1664525u + 1013904223u;
            s[2 * f + ch] = static_cast<int16_t>(static_cast<int32_t>(x >> 16) % envelope);
        }
    }
    return s;
}

/** The row as a straight read of every frame on screen draws it. */
QImage Expected(const CTrack* track, int width, int scrollPos, uint32_t zoom, bool selected)
{
    PeakRequest request;
    request.files = CPeakBuilder::AudioFiles(track->Timeline());
    request.channels = static_cast<int>(track->m_channels);
    request.sampleRate = track->m_sampleRate;
    request.zoomFactor = zoom;
    request.firstColumn = static_cast<uint64_t>(scrollPos);
    request.columnCount = static_cast<uint64_t>(std::max(width - kWaveLeft, 0));
    const CDisplayList display = CPeakBuilder(nullptr).Build(request).display;
    WaveColors colors;
    colors.background = selected ? QColor(0, 0, 0) : QColor(225, 225, 225);
    return CWavePainter::Render(display, request.channels, width, scrollPos, colors, QFont());
}

/** Differences in the wave area (the lines and the letters left out). */
std::string Differences(const QImage& got, const QImage& want)
{
    int wrong = 0;
    std::string first;
    for (int y = 1; y < 149; ++y)
        for (int x = kWaveLeft + 1; x < want.width() - 1; ++x)
            if ((got.pixel(x, y) | 0xFF000000u) != (want.pixel(x, y) | 0xFF000000u) && wrong++ == 0)
                first = std::to_string(x) + "," + std::to_string(y);
    return wrong ? std::to_string(wrong) + " pixels differ, first at " + first : "";
}

class ViewWindow : public ControlTest {
protected:
    void ExpectStraightPicture(CTrack* track, const std::string& context)
    {
        WaitForPeaks();
        QWidget* view = View(IdOf(track));
        const QImage want = Expected(track, view->width(), HScrollPos(),
                                     static_cast<uint32_t>(GetZoomfactor()), true);
        EXPECT_EQ(Differences(Grab(view), want), "") << context;
    }
};

} // namespace

TEST_F(ViewWindow, TheRowDrawsWhatAStraightReadGivesAfterEditsUndosZoomsAndScrolls)
{
    CTrack* track = LoadTrack(Noisy(44100 * 40 + 333, 1), 44100, 2, "noisy.wav");
    ASSERT_TRUE(AddTrack(track));
    const int id = static_cast<int>(IdOf(track));
    const std::vector<std::pair<const char*, std::function<bool()>>> steps = {
        {"as loaded", [] { return true; }},
        {"cut", [&] { return Kestrum_Cut(m_session, id, 3'300'000, 4'100'017) == 1; }},
        {"paste",
         [&] {
             return Kestrum_Copy(m_session, id, 10'000'000, 12'345'678) == 1 &&
                    Kestrum_Paste(m_session, id, 20'700'001) == 1;
         }},
        {"undo", [&] { return Kestrum_GoBack(m_session) == 1; }},
        {"undo again", [&] { return Kestrum_GoBack(m_session) == 1; }},
        {"redo", [&] { return Kestrum_GoNext(m_session) == 1; }},
    };
    for (const auto& [name, step] : steps) {
        ASSERT_TRUE(step()) << name;
        ASSERT_TRUE(ForceRedrawTrack(id));
        // Zoom in from 5248 to 82 and out to 20992, at the start, in the
        // middle and near the end of the track.
        for (int zoom = 0; zoom < 9; ++zoom) {
            if (zoom < 6)
                ASSERT_EQ(zoom == 0 || ZoomIn(), true);
            else
                for (int k = 0; k < (zoom == 6 ? 6 : 1); ++k)
                    ZoomOut();
            for (int64_t at : {int64_t(0), 13 * kSecond + 777, 37 * kSecond}) {
                ScrollH(QVariant::fromValue<qint64>(at));
                ExpectStraightPicture(track, std::string(name) + " zoom " +
                                                 std::to_string(GetZoomfactor()) + " at " +
                                                 std::to_string(at));
            }
        }
        while (GetZoomfactor() > 5248)
            ZoomIn();
        ScrollH(QVariant::fromValue<qint64>(0));
    }
}

TEST_F(ViewWindow, ALongTrackScrolledToItsMiddleReadsOnlyAroundWhatItShows)
{
    // An hour: 720 five-second data files, all one file under many names,
    // each with the summary the kernel writes beside it.
    const int64_t kFileFrames = 5 * 44100;
    const std::string piece = env().path("piece.dat");
    ASSERT_TRUE(vorlain::test::WriteBytes(piece, vorlain::test::PcmBytes(Noisy(kFileFrames, 2))));
    ASSERT_TRUE(kernel::WritePeakSummary(piece, 2));
    const std::string folder = env().makeDir("hour.zvp.data") + "/Track00";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((folder + "/peaks").c_str(), 0755), 0);
    std::string doc =
        "<AudioProject><TmpPath>hour.zvp.data</TmpPath><Track id=\"0\"><Folder>Track00"
        "</Folder><BaseInfo><Name>hour</Name><Time>3600000000</Time><Sample>44100</Sample>"
        "<Channel>2</Channel><BitPerSample>2</BitPerSample></BaseInfo><TAG><Title/><Artist/>"
        "<Album/><Genre/><Year/><Comment/></TAG><TimeLine>";
    for (int i = 0; i < 720; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%.8d", i + 1);
        ASSERT_EQ(::link(piece.c_str(), (folder + "/" + name + ".dat").c_str()), 0);
        ASSERT_EQ(::link(vorlain::PeakSummaryPath(piece).c_str(),
                         (folder + "/peaks/" + name + ".pks").c_str()),
                  0);
        doc += "<Segment><TimeFrom>" + std::to_string(i * 5 * kSecond) + "</TimeFrom><TimeTo>" +
               std::to_string((i + 1) * 5 * kSecond) + "</TimeTo><Path>" + name +
               ".dat</Path></Segment>";
    }
    doc += "</TimeLine></Track></AudioProject>";
    const std::string project = env().path("hour.zvp");
    ASSERT_TRUE(vorlain::test::WriteBytes(project, std::vector<uint8_t>(doc.begin(), doc.end())));
    ASSERT_EQ(Kestrum_OpenProject(m_session, project.c_str()), 1);
    CTrack* track = m_session->FindTrack(1);
    ASSERT_NE(track, nullptr);

    // What the control opens and reads, seen from outside: the control is a
    // plugin with its own copy of the builder, so the file system tells.
    const int notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(notify, 0);
    ASSERT_GE(inotify_add_watch(notify, folder.c_str(), IN_OPEN | IN_ACCESS), 0);
    ASSERT_GE(inotify_add_watch(notify, (folder + "/peaks").c_str(), IN_OPEN | IN_ACCESS), 0);
    auto touchedFiles = [&] {
        std::set<int> numbers;
        alignas(struct inotify_event) char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(notify, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (char* p = buffer; p < buffer + n;) {
                const auto* e = reinterpret_cast<const struct inotify_event*>(p);
                if (e->len > 0)
                    numbers.insert(std::atoi(e->name));
                p += sizeof(struct inotify_event) + e->len;
            }
        }
        return numbers;
    };
    // The files whose frames meet the columns [first, end) at the zoom.
    auto filesOf = [&](int64_t first, int64_t end) {
        const int64_t zoom = GetZoomfactor();
        return std::make_pair(int(first * zoom / kFileFrames) + 1,
                              int((end * zoom - 1) / kFileFrames) + 1);
    };
    auto check = [&](const std::string& context) {
        WaitForPeaks();
        QWidget* view = View(IdOf(track));
        const int64_t visible = view->width() - kWaveLeft;
        const int64_t margin = std::max<int64_t>(visible, 256);
        const int64_t pos = HScrollPos();
        const auto [low, high] =
            filesOf(std::max<int64_t>(pos - margin, 0), pos + visible + margin);
        const std::set<int> touched = touchedFiles();
        ASSERT_FALSE(touched.empty()) << context;
        EXPECT_GE(*touched.begin(), low) << context;
        EXPECT_LE(*touched.rbegin(), high) << context;
        // Three screens of columns at most: the one shown and one either side.
        EXPECT_LE(high - low, 3 * visible * GetZoomfactor() / kFileFrames + 2) << context;
        const QImage want = Expected(track, view->width(), HScrollPos(),
                                     static_cast<uint32_t>(GetZoomfactor()), true);
        EXPECT_EQ(Differences(Grab(view), want), "") << context;
        touchedFiles(); // the straight read of the expected picture
    };

    ASSERT_TRUE(AddTrack(track));
    check("first draw");
    ScrollH(QVariant::fromValue<qint64>(1800 * kSecond));
    EXPECT_GT(HScrollPos(), 10000);
    check("scrolled to the middle");
    ASSERT_TRUE(ZoomIn());
    ScrollH(QVariant::fromValue<qint64>(1800 * kSecond + 123'456));
    check("zoomed in");
    ::close(notify);
}
