// Selecting with the mouse: the events fired, edge grabbing, clamping at the
// track's end, the inverted columns, the ruler markers, selections set by the
// program, drag auto-scroll and the context-menu click.
#include "control_fixture.h"
#include "win_messages.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>

using namespace brimsel::test;

namespace {

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

class Selection : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        m_track = LoadSine(10, 44100, 2);
        ASSERT_TRUE(AddTrack(m_track));
        WaitForPeaks();
        m_id = IdOf(m_track);
        m_view = View(m_id);
        ASSERT_NE(m_view, nullptr);
    }

    std::pair<int64_t, int64_t> Last(QSignalSpy& spy) const
    {
        EXPECT_GT(spy.count(), 0);
        return spy.count() ? Times(spy.last()) : std::pair<int64_t, int64_t>{-1, -1};
    }
    std::pair<int64_t, int64_t> T(int a, int b) const { return {TimeAtX(a), TimeAtX(b)}; }

    CTrack* m_track = nullptr;
    int m_id = 0;
    QWidget* m_view = nullptr;
};

TEST_F(Selection, AClickReportsTheTrackAndTheTimeUnderThePointer)
{
    QSignalSpy selectTrack(m_control, SIGNAL(SelectTrack(short)));
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    Press(m_view, {141, 50});
    Release(m_view, {141, 50});
    ASSERT_EQ(selectTrack.count(), 1);
    EXPECT_EQ(selectTrack.at(0).at(0).value<short>(), short(m_id));
    EXPECT_EQ(Last(selecting), std::make_pair(int64_t(119002), int64_t(119002)));
    QWidget* clickLine = Child(m_view, "id205");
    EXPECT_TRUE(clickLine->isVisible());
    EXPECT_EQ(clickLine->geometry(), QRect(141, 0, 1, 150));
}

TEST_F(Selection, ADragReportsOrderedTimesAndInvertsItsColumns)
{
    const QImage before = Grab(m_view);
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    Press(m_view, {160, 50});
    EXPECT_EQ(Last(selecting), T(160, 160));
    Move(m_view, {200, 50});
    EXPECT_EQ(Last(selecting), T(160, 200));
    Move(m_view, {210, 50});
    EXPECT_EQ(Last(selecting), T(160, 210));
    Release(m_view, {210, 50});
    EXPECT_FALSE(m_view->property("peaksPending").toBool()); // a drag builds nothing

    const QImage after = Grab(m_view);
    for (int x = 150; x < 220; ++x)
        for (int y : {5, 37, 74, 76, 112, 140}) {
            const bool inverted = x >= 161 && x < 210; // x = 160 holds the click line
            if (x == 160)
                continue;
            ASSERT_EQ(At(after, x, y),
                      inverted ? (At(before, x, y) ^ 0x00FFFFFFu) : At(before, x, y))
                << x << "," << y;
        }
    EXPECT_EQ(Scale()->property("markStart").toInt(), 160);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 210);

    // Leftwards from the click the times still come ordered.
    Press(m_view, {200, 50});
    Move(m_view, {150, 50});
    EXPECT_EQ(Last(selecting), T(150, 200));
    Release(m_view, {150, 50});
}

TEST_F(Selection, AnEdgeNearThePointerIsGrabbedAndMovedAlone)
{
    // 10 s at zoom 5248 draw 84 columns: x 140 .. 223.
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    Drag(m_view, {160, 50}, {200, 50});
    Move(m_view, {201, 50}, Qt::NoButton); // within 3 pixels of the right edge
    EXPECT_EQ(m_view->cursor().shape(), Qt::SizeHorCursor);
    Press(m_view, {201, 50});
    EXPECT_FALSE(Child(m_view, "id205")->isVisible());
    Move(m_view, {215, 50});
    EXPECT_EQ(Last(selecting), T(160, 215));
    Release(m_view, {215, 50});

    Move(m_view, {158, 50}, Qt::NoButton); // the left edge now
    EXPECT_EQ(m_view->cursor().shape(), Qt::SizeHorCursor);
    Press(m_view, {158, 50});
    Move(m_view, {150, 50});
    EXPECT_EQ(Last(selecting), T(150, 215));
    Release(m_view, {150, 50});

    Move(m_view, {190, 50}, Qt::NoButton); // inside, near no edge
    EXPECT_NE(m_view->cursor().shape(), Qt::SizeHorCursor);
    Press(m_view, {190, 50}); // a fresh click drops the selection
    EXPECT_EQ(Last(selecting), T(190, 190));
    Release(m_view, {190, 50});
}

TEST_F(Selection, DraggingPastTheDrawnDataClampsToTheTrackEnd)
{
    const int columns = m_view->property("columns").toInt();
    ASSERT_EQ(columns, 10 * 44100 / 5248);
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    Press(m_view, {200, 50});
    Move(m_view, {140 + columns + 40, 50});
    EXPECT_EQ(Last(selecting), std::make_pair(TimeAtX(200), 10 * kSecond));
    // Out of the row to the right: still never past the end.
    Move(m_view, {m_view->width() + 60, 50});
    auto [from, to] = Last(selecting);
    EXPECT_EQ(from, TimeAtX(200));
    EXPECT_LE(to, 10 * kSecond);
    EXPECT_GT(to, TimeAtX(140 + columns - 1));
    Release(m_view, {m_view->width() + 60, 50});

    // Back to the start: leaving the wave to the left runs from 0.
    Press(m_view, {200, 50});
    Move(m_view, {170, 50});
    Move(m_view, {130, 50});
    EXPECT_EQ(Last(selecting), std::make_pair(int64_t(0), TimeAtX(200)));
    Release(m_view, {130, 50});
}

TEST_F(Selection, AClickOnTheInfoPanelSelectsTheTrackWithoutARange)
{
    Drag(m_view, {160, 50}, {200, 50});
    QSignalSpy selectTrack(m_control, SIGNAL(SelectTrack(short)));
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    QWidget* info = Child(m_view, "CDlgTrackInfo");
    Press(info, {60, 40});
    Release(info, {60, 40});
    ASSERT_EQ(selectTrack.count(), 1);
    EXPECT_EQ(Last(selecting), std::make_pair(int64_t(0), int64_t(0)));
    EXPECT_EQ(Child(m_view, "id205")->geometry(), QRect(141, 0, 1, 150));
    EXPECT_EQ(Scale()->property("markStart").toInt(), 0);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 0);
    // The selection is gone: nothing is inverted any more.
    const QImage image = Grab(m_view);
    EXPECT_EQ(At(image, 180, 5), qRgb(0, 0, 0));
}

TEST_F(Selection, TheProgramSetsSelectionsAndClickLines)
{
    CTrack* other = LoadSine(10, 44100, 1, 12000, "other.wav");
    ASSERT_TRUE(AddTrack(other));
    WaitForPeaks();
    QWidget* otherView = View(IdOf(other));
    ASSERT_TRUE(otherView->property("selected").toBool());

    EXPECT_TRUE(MoveSelectArea(m_id, QVariant::fromValue<qint64>(kSecond),
                               QVariant::fromValue<qint64>(2 * kSecond)));
    EXPECT_FALSE(otherView->property("selected").toBool());
    EXPECT_FALSE(Child(otherView, "id205")->isVisible());
    EXPECT_EQ(Scale()->property("markStart").toInt(), 148);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 156);
    const QImage image = Grab(m_view);
    EXPECT_EQ(At(image, 150, 5), qRgb(30, 30, 30)); // the light background inverted
    EXPECT_EQ(At(image, 156, 5), qRgb(225, 225, 225));
    EXPECT_EQ(At(image, 147, 5), qRgb(225, 225, 225));

    // A forced redraw restores a click line (equal times) or a range.
    EXPECT_TRUE(ForceRedrawTrackEx(m_id, 1, QVariant::fromValue<qint64>(2 * kSecond),
                                   QVariant::fromValue<qint64>(2 * kSecond)));
    WaitForPeaks();
    EXPECT_TRUE(m_view->property("selected").toBool());
    EXPECT_TRUE(Child(m_view, "id205")->isVisible());
    EXPECT_EQ(Child(m_view, "id205")->x(), 156);
    EXPECT_TRUE(ForceRedrawTrackEx(m_id, 1, QVariant::fromValue<qint64>(kSecond),
                                   QVariant::fromValue<qint64>(3 * kSecond)));
    WaitForPeaks();
    EXPECT_FALSE(Child(m_view, "id205")->isVisible());
    EXPECT_EQ(Scale()->property("markStart").toInt(), 148);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 165);
    const QImage range = Grab(m_view);
    EXPECT_EQ(At(range, 160, 5), qRgb(255, 255, 255)); // the black background inverted
    EXPECT_EQ(At(range, 165, 5), qRgb(0, 0, 0));
}

TEST_F(Selection, ZoomKeepsTheSelectionOnItsTimes)
{
    EXPECT_TRUE(MoveSelectArea(m_id, QVariant::fromValue<qint64>(kSecond),
                               QVariant::fromValue<qint64>(2 * kSecond)));
    EXPECT_TRUE(ZoomIn());
    WaitForPeaks();
    EXPECT_EQ(Scale()->property("markStart").toInt(), 2 * 148 - 140);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 2 * 156 - 140);
    const QImage image = Grab(m_view);
    EXPECT_EQ(At(image, 2 * 148 - 140 + 1, 5), qRgb(255, 255, 255));
    // Zooming out stops where the 10 s fit (zoom 1312): in to 328 and out to there.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ZoomIn());
    EXPECT_EQ(Scale()->property("markStart").toInt(), 16 * 148 - 15 * 140);
    EXPECT_TRUE(ZoomOut());
    EXPECT_TRUE(ZoomOut());
    EXPECT_FALSE(ZoomOut());
    EXPECT_EQ(GetZoomfactor(), 1312);
    EXPECT_EQ(Scale()->property("markStart").toInt(), 4 * 148 - 3 * 140);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 4 * 156 - 3 * 140);
}

TEST_F(Selection, DraggingOutOfAScrollableRowScrollsItAndExtendsTheSelection)
{
    while (GetZoomfactor() > 41)
        ASSERT_TRUE(ZoomIn());
    WaitForPeaks();
    ASSERT_TRUE(IsScrollable(m_id));
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    Press(m_view, {300, 50});
    Move(m_view, {700, 50});
    Move(m_view, {m_view->width() + 20, 50}); // the pointer leaves to the right
    const int64_t atLeave = Last(selecting).second;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (HScrollPos() < 60 && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    EXPECT_GE(HScrollPos(), 60);
    EXPECT_GT(Last(selecting).second, atLeave);
    EXPECT_EQ(Last(selecting).first, TimeAtX(300 - HScrollPos()));
    Release(m_view, {m_view->width() + 20, 50});
    const int stopped = HScrollPos();
    QThread::msleep(250);
    Pump();
    EXPECT_EQ(HScrollPos(), stopped);
}

TEST_F(Selection, ARightClickInTheSelectedRowAsksForTheContextMenu)
{
    Press(m_view, {300, 40}, Qt::RightButton);
    Release(m_view, {300, 40}, Qt::RightButton);
    auto messages = m_main->messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].msg, brimsel::WM_RBUTTONDOWN);
    EXPECT_EQ(messages[0].wParam, brimsel::MK_RBUTTON);
    EXPECT_EQ(messages[0].lParam, brimsel::MakeLParam(300, 40));
    EXPECT_FALSE(messages[0].sent);

    CTrack* other = LoadSine(2, 44100, 2, 8000, "other.wav");
    ASSERT_TRUE(AddTrack(other));
    Pump();
    m_main->clear();
    Press(m_view, {300, 40}, Qt::RightButton); // no longer the selected row
    EXPECT_TRUE(m_main->messages().empty());
    EXPECT_TRUE(MovePlayingLine(IdOf(other), QVariant::fromValue<qint64>(0), 1));
    Press(View(IdOf(other)), {300, 40}, Qt::RightButton); // playing: no menu
    EXPECT_TRUE(m_main->messages().empty());
}

} // namespace
