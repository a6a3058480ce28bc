// A track row as drawn: bands, separators, columns where the peak mapping
// puts them, other rates, vanished files, blank tracks and live recording.
#include "control_fixture.h"
#include "sample_mapping.h"
#include "vorlain/messages.h"
#include "vorlain/timeline.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

using namespace brimsel::test;
using brimsel::FullBandY;
using brimsel::HalfBandY;
using brimsel::OffsetSample;
using vorlain::test::Samples;

namespace {

const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kPanel = qRgb(225, 225, 225);
const QRgb kBlack = qRgb(0, 0, 0);

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

/** A 441 Hz sine per channel with its own amplitude: every 5248-frame column
 *  sees whole periods, so every column has the same peaks. */
Samples TwoSines(int64_t frames, int left, int right)
{
    Samples s(frames * 2);
    for (int64_t f = 0; f < frames; ++f) {
        const double v = std::sin(2 * M_PI * 441.0 * double(f) / 44100.0);
        s[2 * f] = static_cast<int16_t>(std::lround(left * v));
        s[2 * f + 1] = static_cast<int16_t>(std::lround(right * v));
    }
    return s;
}

std::pair<int, int> Extremes(const Samples& s, int channels, int ch)
{
    int lo = 65536, hi = -1;
    for (size_t i = ch; i < s.size(); i += channels) {
        lo = std::min<int>(lo, OffsetSample(s[i]));
        hi = std::max<int>(hi, OffsetSample(s[i]));
    }
    return {lo, hi};
}

class TrackView : public ControlTest {};

TEST_F(TrackView, AStereoRowShowsBothBandsTheSeparatorAndTheDivider)
{
    const Samples stereo = TwoSines(3 * 44100, 24000, 9000);
    CTrack* a = LoadTrack(stereo, 44100, 2, "stereo.wav");
    const Samples mono = vorlain::test::Sine(3 * 44100, 44100, 1, 441.0, 12000);
    CTrack* b = LoadTrack(mono, 44100, 1, "mono.wav");
    ASSERT_TRUE(AddTrack(a));
    ASSERT_TRUE(AddTrack(b));
    WaitForPeaks();
    QWidget* view = View(IdOf(a));
    const int columns = view->property("columns").toInt();
    EXPECT_EQ(columns, 3 * 44100 / 5248);

    // Row a is not the selected one: light background, no click line.
    const QImage image = Grab(view);
    const auto [lMin, lMax] = Extremes(stereo, 2, 0);
    const auto [rMin, rMax] = Extremes(stereo, 2, 1);
    const int lTop = HalfBandY(lMin), lBottom = HalfBandY(lMax);
    const int rTop = 75 + HalfBandY(rMin), rBottom = 75 + HalfBandY(rMax);
    EXPECT_LT(lBottom, 75);
    EXPECT_GT(rTop, 75);
    for (int x = 141; x <= 140 + columns - 2; ++x)
        for (int y = 1; y < 149; ++y) {
            if (y == 75)
                continue;
            const bool wave = (y >= lTop && y <= lBottom) || (y >= rTop && y <= rBottom);
            ASSERT_EQ(At(image, x, y), wave ? kGreen : kPanel) << x << "," << y;
        }
    for (int y = 0; y < 150; ++y) {
        const bool wave = (y >= lTop && y <= lBottom) || (y >= rTop && y <= rBottom);
        EXPECT_EQ(At(image, 140, y), wave ? kGreen : kRed) << y;
    }
    for (int x = 121; x < view->width(); ++x)
        EXPECT_EQ(At(image, x, 75), kRed) << x;
    for (int x = 140 + columns + 1; x < view->width() - 1; ++x)
        EXPECT_EQ(At(image, x, 30), kPanel) << x;

    // Row b is the selected one: black background, full-height band, no divider.
    QWidget* monoView = View(IdOf(b));
    const QImage monoImage = Grab(monoView);
    const auto [mMin, mMax] = Extremes(mono, 1, 0);
    const int x = 150;
    for (int y = 1; y < 149; ++y) {
        const bool wave = y >= FullBandY(mMin) && y <= FullBandY(mMax);
        EXPECT_EQ(At(monoImage, x, y), wave ? kGreen : kBlack) << y;
    }
    EXPECT_EQ(At(monoImage, 300, 75), kBlack);
}

TEST_F(TrackView, A48000HzTrackKeepsItsTimesOnTheSharedScale)
{
    // A click one second in, at 44100 Hz and at 48000 Hz: both land in the
    // column of 1 s, x = 148.
    CTrack* a = LoadTrack(vorlain::test::Clicks(2 * 44100, 2, {44100}), 44100, 2, "a.wav");
    CTrack* b = LoadTrack(vorlain::test::Clicks(2 * 48000, 2, {48000}), 48000, 2, "b.wav");
    ASSERT_TRUE(AddTrack(a));
    ASSERT_TRUE(AddTrack(b));
    WaitForPeaks();
    const int clickY = HalfBandY(OffsetSample(20000));
    ASSERT_GT(clickY, 37);
    for (CTrack* track : {a, b}) {
        QWidget* view = View(IdOf(track));
        EXPECT_EQ(view->property("columns").toInt(), 2 * 44100 / 5248);
        const QImage image = Grab(view);
        for (int x = 141; x < 155; ++x)
            EXPECT_EQ(At(image, x, clickY) == kGreen, x == 148) << IdOf(track) << " x=" << x;
    }
    EXPECT_EQ(qobject_cast<QLabel*>(Child(View(IdOf(b)), "id211"))->text(), "Samples: 48000Hz");
    EXPECT_EQ(qobject_cast<QLabel*>(Child(View(IdOf(b)), "id209"))->text(), "Time: 00:00:02.000");
}

TEST_F(TrackView, AVanishedDataFileEndsTheRowThere)
{
    CTrack* track = LoadSine(12, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    QWidget* view = View(IdOf(track));
    EXPECT_EQ(view->property("columns").toInt(), 12 * 44100 / 5248);

    TrackBaseInfo info{};
    ASSERT_TRUE(Kestrum_GetTrackBaseInfoEx(track, &info));
    ASSERT_NE(info.timeline, nullptr);
    const std::optional<TrackSegment> second = info.timeline->Lookup(2); // 0 is the header
    ASSERT_TRUE(second.has_value());
    ASSERT_EQ(second->state, vorlain::kAudioSegment);
    ASSERT_EQ(std::remove(second->path), 0);

    EXPECT_TRUE(ForceRedrawTrack(IdOf(track)));
    WaitForPeaks();
    EXPECT_EQ(view->property("columns").toInt(), 5 * 44100 / 5248);
    const QImage image = Grab(view);
    EXPECT_EQ(At(image, 140 + 5 * 44100 / 5248 + 2, 20), kBlack);
}

TEST_F(TrackView, ABlankTrackDrawsTheRowWithoutAWave)
{
    CTrack* blank = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_NE(blank, nullptr);
    ASSERT_TRUE(AddTrack(blank));
    WaitForPeaks();
    QWidget* view = View(IdOf(blank));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->property("columns").toInt(), 0);
    EXPECT_FALSE(IsScrollable(IdOf(blank)));
    EXPECT_EQ(qobject_cast<QLabel*>(Child(view, "id209"))->text(), "Time: 00:00:00.000");
    const QImage image = Grab(view);
    for (int x = 142; x < view->width() - 1; ++x)
        for (int y = 1; y < 149; y += 3)
            ASSERT_NE(At(image, x, y), kGreen) << x << "," << y;
    EXPECT_TRUE(ForceRedrawTrackEx(IdOf(blank), 1, QVariant::fromValue<qint64>(0),
                                   QVariant::fromValue<qint64>(0)));
    EXPECT_TRUE(ZoomIn());
    EXPECT_FALSE(ZoomOut()); // nothing wider than the wave area to zoom out to
}

TEST_F(TrackView, ARedrawAfterACutShowsTheShorterTrack)
{
    CTrack* track = LoadSine(4, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    ASSERT_TRUE(Kestrum_Cut(m_session, id, kSecond, 2 * kSecond));
    EXPECT_TRUE(ForceRedrawTrackEx(id, 1, QVariant::fromValue<qint64>(kSecond),
                                   QVariant::fromValue<qint64>(kSecond)));
    WaitForPeaks();
    QWidget* view = View(id);
    EXPECT_EQ(view->property("columns").toInt(), 3 * 44100 / 5248);
    EXPECT_EQ(qobject_cast<QLabel*>(Child(view, "id209"))->text(), "Time: 00:00:03.000");
    QWidget* clickLine = Child(view, "id205");
    EXPECT_TRUE(clickLine->isVisible());
    EXPECT_EQ(clickLine->x(), 148);
    EXPECT_EQ(Scale()->property("markStart").toInt(), 148);
}

TEST_F(TrackView, LivePeaksGrowARecordingRowAndTheEndReleasesIt)
{
    CTrack* record = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_TRUE(AddTrack(record));
    WaitForPeaks();
    const int id = IdOf(record);
    QWidget* view = View(id);
    QWidget* panel = Child(m_control, "CDlgPanel");
    HWND hwnd = reinterpret_cast<HWND>(GetBrimselHwnd(id));
    ASSERT_TRUE(IsWindow(hwnd));

    auto send = [hwnd](int idx, int lMin, int lMax, int rMin, int rMax) {
        RecordPeaks left{idx, lMin, idx, lMax};
        RecordPeaks right{idx, rMin, idx, rMax};
        return SendMessage(hwnd, vorlain::WM_RECORD_PEAKS, reinterpret_cast<WPARAM>(&left),
                           reinterpret_cast<LPARAM>(&right));
    };
    for (int idx = 0; idx < 30; ++idx)
        send(idx, 10000, 50000, 20000, 40000);
    EXPECT_EQ(view->property("columns").toInt(), 30);
    EXPECT_TRUE(panel->property("recording").toBool());
    EXPECT_FALSE(Child(view, "id212")->isEnabled());
    EXPECT_TRUE(Child(view, "id216")->isEnabled());

    // The kernel sends from its capture thread and waits for the view.
    std::atomic<bool> done{false};
    std::thread capture([&] {
        for (int idx = 30; idx < 700; ++idx)
            send(idx, 0, 65535, 30000, 35000);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    capture.join();
    Pump();
    EXPECT_EQ(view->property("columns").toInt(), 700);
    // Reaching the right edge scrolled the rows so that the newest column shows.
    const int pos = HScrollPos();
    EXPECT_GT(pos, 699 - (view->width() - 140));
    EXPECT_LE(pos, (view->width() - 140) / 2 - 10);

    const QImage image = Grab(view);
    const int x = 699 - pos + 140; // the last column: full scale left, narrow right
    EXPECT_EQ(At(image, x - 1, HalfBandY(0)), kGreen);
    EXPECT_EQ(At(image, x - 1, HalfBandY(65535)), kGreen);
    EXPECT_EQ(At(image, x - 1, 75 + HalfBandY(32000)), kGreen);
    EXPECT_NE(At(image, x - 1, 75 + HalfBandY(25000)), kGreen);

    RecordPeaks left{-1, 0, -1, 0};
    RecordPeaks right{-1, 0, -1, 0};
    SendMessage(hwnd, vorlain::WM_RECORD_PEAKS, reinterpret_cast<WPARAM>(&left),
                reinterpret_cast<LPARAM>(&right));
    EXPECT_FALSE(panel->property("recording").toBool());
    EXPECT_TRUE(Child(view, "id212")->isEnabled());
    EXPECT_EQ(view->property("columns").toInt(), 700);               // the end draws nothing
    EXPECT_EQ(SendMessage(hwnd, vorlain::WM_RECORD_PEAKS, 0, 0), 0); // no pointers: ignored
}

TEST_F(TrackView, LivePeaksOfTheFirstColumnsAreDrawnWhereTheBandsPutThem)
{
    CTrack* record = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_TRUE(AddTrack(record));
    WaitForPeaks();
    HWND hwnd = reinterpret_cast<HWND>(GetBrimselHwnd(IdOf(record)));
    for (int idx = 0; idx < 20; ++idx) {
        RecordPeaks left{idx, 10000, idx, 50000};
        RecordPeaks right{idx, 20000, idx, 40000};
        SendMessage(hwnd, vorlain::WM_RECORD_PEAKS, reinterpret_cast<WPARAM>(&left),
                    reinterpret_cast<LPARAM>(&right));
    }
    const QImage image = Grab(View(IdOf(record)));
    const int x = 145;
    for (int y = 1; y < 149; ++y) {
        if (y == 75)
            continue;
        const bool wave = (y >= HalfBandY(10000) && y <= HalfBandY(50000)) ||
                          (y >= 75 + HalfBandY(20000) && y <= 75 + HalfBandY(40000));
        EXPECT_EQ(At(image, x, y) == kGreen, wave) << y;
    }
}

TEST_F(TrackView, ThePlayingLineStaysOnItsTimeThroughZoomAndScroll)
{
    CTrack* track = LoadSine(10, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    QWidget* view = View(id);
    QWidget* line = Child(view, "id203");
    ASSERT_NE(line, nullptr);
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(3 * kSecond), 1));
    EXPECT_EQ(line->x(), XAtTime(3 * kSecond));
    EXPECT_TRUE(line->isVisible());

    for (int i = 0; i < 6; ++i) { // down to 82: 5378 columns
        ASSERT_TRUE(ZoomIn());
        WaitForPeaks();
        SCOPED_TRACE(testing::Message() << "zoom " << GetZoomfactor());
        const int x = XAtTime(3 * kSecond);
        EXPECT_EQ(line->x(), x);
        EXPECT_EQ(line->isVisible(), x >= 140 && x < view->width());
    }
    ASSERT_TRUE(IsScrollable(id));

    // Scrolled past: hidden; scrolled back: on its time again, in the pixels too.
    ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(5 * kSecond)));
    WaitForPeaks();
    ASSERT_GT(HScrollPos(), 0);
    EXPECT_LT(XAtTime(3 * kSecond), 140);
    EXPECT_FALSE(line->isVisible());
    ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(2 * kSecond)));
    WaitForPeaks();
    const int x = XAtTime(3 * kSecond);
    ASSERT_GT(x, 140);
    EXPECT_EQ(line->x(), x);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(At(Grab(view), x, 5), kRed);

    // Zoomed out again to the start: the line is where 3 s is, not where it was.
    while (ZoomOut()) {
    }
    ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(0)));
    WaitForPeaks();
    EXPECT_EQ(line->x(), XAtTime(3 * kSecond));
    EXPECT_EQ(At(Grab(view), XAtTime(3 * kSecond), 5), kRed);

    // A hidden line stays hidden whatever the scroll.
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(3 * kSecond), 0));
    ASSERT_TRUE(ZoomIn());
    EXPECT_FALSE(line->isVisible());
}

TEST_F(TrackView, TheRedLineOfTimeZeroLeavesWithTimeZero)
{
    CTrack* track = LoadSine(10, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    QWidget* view = View(IdOf(track));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(ZoomIn());
    ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(2 * kSecond)));
    WaitForPeaks();
    ASSERT_GT(HScrollPos(), 0);
    const QImage row = Grab(view);
    for (int y = 1; y < 149; ++y)
        if (y != 75) { // the divider between the channels
            ASSERT_NE(At(row, 140, y), kRed) << y;
        }
}

} // namespace
