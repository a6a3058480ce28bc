// The control as the program meets it: created by program id, its sixteen
// methods (typed and by name) and three events, rows, visibility, zoom and
// scrolling.
#include "brimsel/brimsel_factory.h"
#include "brimsel/brimsel_view.h"
#include "brimsel_ctrl.h"
#include "control_fixture.h"
#include "dlg_panel.h"
#include "vorlain/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace brimsel::test;

namespace {

class ControlShell : public ControlTest {};

TEST_F(ControlShell, ThePluginIsFoundByProgramIdAndOffersTheAutomationInterface)
{
    const QMetaObject* meta = m_control->metaObject();
    EXPECT_STREQ(meta->className(), "CBrimselCtrl");
    const char* methods[] = {"AddTrack(qint64)",
                             "ForceRedrawTrack(int)",
                             "MovePlayingLine(int,QVariant,int)",
                             "ForceRedrawTrackEx(int,int,QVariant,QVariant)",
                             "EnableTrack(int,int)",
                             "GetZoomfactor()",
                             "GetBrimselHwnd(int)",
                             "GetVisableTrack(int*)",
                             "SetMainHwnd(qint64)",
                             "MoveSelectArea(int,QVariant,QVariant)",
                             "ZoomIn()",
                             "ZoomOut()",
                             "CloseProject()",
                             "ScrollH(QVariant)",
                             "IsScrollable(int)",
                             "AboutBox()"};
    for (const char* m : methods)
        EXPECT_GE(meta->indexOfMethod(QMetaObject::normalizedSignature(m)), 0) << m;
    for (const char* s :
         {"SelectTrack(short)", "SelectTimeSegment(int,int)", "SelectingTime(QVariant,QVariant)"})
        EXPECT_GE(meta->indexOfSignal(QMetaObject::normalizedSignature(s)), 0) << s;

    QString error;
    EXPECT_EQ(brimsel::CreateControlByProgId(QStringLiteral("BRIMSEL.Nothing.1"), nullptr,
                                             QStringLiteral(BRIMSEL_PLUGIN_DIR), &error),
              nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ControlShell, TheControlIsATypedViewWhoseCallsDoWhatTheNamedCallsDo)
{
    auto* view = qobject_cast<IBrimselView*>(m_control);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->AddTrack(nullptr));
    CTrack* a = LoadSine(10, 44100, 2, 16000, "a.wav");
    CTrack* b = LoadSine(10, 44100, 1, 16000, "b.wav");
    ASSERT_TRUE(view->AddTrack(a));
    ASSERT_TRUE(AddTrack(b));
    WaitForPeaks();
    const int ia = IdOf(a), ib = IdOf(b);
    EXPECT_EQ(View(ia)->geometry(), QRect(0, 0, 780, 150));
    EXPECT_EQ(View(ib)->geometry(), QRect(0, 160, 780, 150));
    EXPECT_EQ(view->GetBrimselHwnd(ia), GetBrimselHwnd(ia));
    EXPECT_NE(view->GetBrimselHwnd(ia), 0);
    EXPECT_EQ(view->GetBrimselHwnd(999), 0);
    EXPECT_EQ(view->GetZoomfactor(), GetZoomfactor());
    EXPECT_EQ(view->IsScrollable(ia), IsScrollable(ia));

    // The same selection, by name and typed: the same markers and pixels.
    auto selectionOf = [&] {
        return std::make_tuple(Scale()->property("markStart").toInt(),
                               Scale()->property("markEnd").toInt(), Grab(View(ia)));
    };
    ASSERT_TRUE(MoveSelectArea(ia, QVariant::fromValue<qint64>(kSecond),
                               QVariant::fromValue<qint64>(2 * kSecond)));
    const auto named = selectionOf();
    ASSERT_TRUE(MoveSelectArea(ia, QVariant::fromValue<qint64>(3 * kSecond),
                               QVariant::fromValue<qint64>(4 * kSecond)));
    EXPECT_NE(selectionOf(), named);
    EXPECT_TRUE(view->MoveSelectArea(ia, kSecond, 2 * kSecond));
    EXPECT_EQ(selectionOf(), named);
    EXPECT_FALSE(view->MoveSelectArea(999, 0, kSecond));

    // A click line restored by a forced redraw, and the playing line.
    EXPECT_TRUE(view->ForceRedrawTrackEx(ia, true, 2 * kSecond, 2 * kSecond));
    WaitForPeaks();
    EXPECT_EQ(Child(View(ia), "id205")->x(), 156);
    EXPECT_TRUE(view->ForceRedrawTrack(ia));

    // The requests go to the window given through the view.
    vorlain::test::MessageQueueWindow other;
    EXPECT_TRUE(view->SetMainHwnd(static_cast<qint64>(reinterpret_cast<intptr_t>(other.hwnd()))));
    Press(View(ia), {300, 40}, Qt::RightButton);
    EXPECT_EQ(other.messages().size(), 1u);
    EXPECT_TRUE(m_main->messages().empty());

    EXPECT_TRUE(view->MovePlayingLine(ia, kSecond, true));
    EXPECT_EQ(Child(View(ia), "id203")->geometry(), QRect(148, 0, 1, 150));
    EXPECT_TRUE(Child(View(ia), "id203")->isVisible());

    // Zoom and scroll through the view, read by name.
    EXPECT_TRUE(view->ZoomIn());
    EXPECT_EQ(GetZoomfactor(), 2624);
    EXPECT_FALSE(view->ZoomOut()); // 10 s fit the wave area here already
    EXPECT_EQ(GetZoomfactor(), 2624);
    while (view->GetZoomfactor() > 41)
        ASSERT_TRUE(view->ZoomIn());
    EXPECT_TRUE(view->ZoomOut());
    EXPECT_EQ(GetZoomfactor(), 82);
    EXPECT_TRUE(view->ZoomIn());
    WaitForPeaks();
    EXPECT_TRUE(view->IsScrollable(ia));
    EXPECT_TRUE(view->ScrollH(kSecond));
    EXPECT_EQ(HScrollPos(), 1075);

    // Rows hidden through the view are left out of both walks.
    EXPECT_TRUE(view->EnableTrack(ib, false));
    EXPECT_FALSE(View(ib)->isVisible());
    int id = 0;
    ASSERT_TRUE(view->GetVisableTrack(&id));
    EXPECT_EQ(id, ia);
    EXPECT_FALSE(GetVisableTrack(&id));

    EXPECT_TRUE(view->CloseProject());
    EXPECT_EQ(View(ia), nullptr);
    EXPECT_FALSE(view->GetVisableTrack(&id));
}

TEST_F(ControlShell, AboutBoxShowsTheControlsNameAndVersionUntilItIsClosed)
{
    // Read the box and click its button, as a person would, once it is up.
    QString title, text;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        reader.stop();
        title = box->windowTitle();
        text = box->text();
        ASSERT_FALSE(box->buttons().isEmpty());
        QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
    });
    reader.start(0);
    ASSERT_TRUE(QMetaObject::invokeMethod(m_control, "AboutBox", Qt::DirectConnection));
    EXPECT_FALSE(reader.isActive());
    EXPECT_EQ(title, CBrimselCtrl::AboutTitle());
    EXPECT_EQ(title, "About Brimsel");
    EXPECT_EQ(text, "Brimsel Control\nVersion 1.0");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The program's typed events: the same row and times as the signals, after
// them, ordered from <= to; none once the sink is taken away.
class EventLog : public IBrimselEvents {
public:
    std::vector<int> tracks;
    std::vector<std::pair<int64_t, int64_t>> ranges;
    void OnSelectTrack(int trackId) override { tracks.push_back(trackId); }
    void OnSelectingTime(int64_t from, int64_t to) override { ranges.emplace_back(from, to); }
};

TEST_F(ControlShell, TypedEventsTellWhatTheSignalsTell)
{
    auto* view = qobject_cast<IBrimselView*>(m_control);
    ASSERT_NE(view, nullptr);
    EventLog log;
    view->SetEvents(&log);
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    CTrack* a = LoadSine(10, 44100, 2, 16000, "a.wav");
    ASSERT_TRUE(view->AddTrack(a));
    Pump();
    WaitForPeaks();
    const int ia = IdOf(a);
    ASSERT_FALSE(log.tracks.empty());
    EXPECT_EQ(log.tracks.back(), ia);
    // A drag right to left: the times come ordered.
    Drag(View(ia), {200, 40}, {160, 40}); // 10 s draw x 140 .. 223
    ASSERT_FALSE(log.ranges.empty());
    ASSERT_EQ(log.ranges.size(), static_cast<size_t>(selecting.count()));
    EXPECT_EQ(log.ranges.back(), Times(selecting.at(selecting.count() - 1)));
    EXPECT_LT(log.ranges.back().first, log.ranges.back().second);
    view->SetEvents(nullptr);
    const size_t before = log.ranges.size();
    Drag(View(ia), {150, 40}, {190, 40});
    EXPECT_EQ(log.ranges.size(), before);
    EXPECT_GT(selecting.count(), static_cast<int>(before));
}

TEST_F(ControlShell, AddTrackOfNoTrackFailsAndAddsNoRow)
{
    EXPECT_FALSE(AddTrackHandle(0));
    int id = -1;
    EXPECT_FALSE(GetVisableTrack(&id));
    EXPECT_EQ(id, -1);
    EXPECT_EQ(View(0), nullptr);
}

TEST_F(ControlShell, ANewRowIsPlacedBelowTheOthersAndSelectsItself)
{
    QSignalSpy selectTrack(m_control, SIGNAL(SelectTrack(short)));
    QSignalSpy selecting(m_control, SIGNAL(SelectingTime(QVariant, QVariant)));
    CTrack* a = LoadSine(2, 44100, 2, 16000, "a.wav");
    CTrack* b = LoadSine(2, 44100, 1, 16000, "b.wav");
    ASSERT_TRUE(AddTrack(a));
    ASSERT_TRUE(AddTrack(b));
    Pump();
    QWidget* va = View(IdOf(a));
    QWidget* vb = View(IdOf(b));
    ASSERT_NE(va, nullptr);
    ASSERT_NE(vb, nullptr);
    EXPECT_EQ(va->geometry(), QRect(0, 0, 780, 150));
    EXPECT_EQ(vb->geometry(), QRect(0, 160, 780, 150));
    // The posted clicks at x = 140 select each row in turn; the last one wins.
    ASSERT_EQ(selectTrack.count(), 2);
    EXPECT_EQ(selectTrack.at(0).at(0).value<short>(), short(IdOf(a)));
    EXPECT_EQ(selectTrack.at(1).at(0).value<short>(), short(IdOf(b)));
    ASSERT_EQ(selecting.count(), 2);
    EXPECT_EQ(Times(selecting.at(1)), std::make_pair(int64_t(0), int64_t(0)));
    EXPECT_FALSE(va->property("selected").toBool());
    EXPECT_TRUE(vb->property("selected").toBool());

    // The container's layout: ruler, track area and the two bars.
    QWidget* panel = Child(m_control, "CDlgPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(Scale()->geometry(), QRect(0, 0, 800, 30));
    EXPECT_EQ(Child(panel, "CDlgTrackArea")->geometry(), QRect(0, 30, 780, 470));
    EXPECT_EQ(Child(panel, "id100")->geometry(), QRect(140, 500, 640, 20));
    EXPECT_EQ(Child(panel, "id101")->geometry(), QRect(780, 30, 20, 470));
}

TEST_F(ControlShell, GetVisableTrackWalksTheVisibleRowsAndStartsAgain)
{
    int id = 0;
    EXPECT_FALSE(GetVisableTrack(&id));
    EXPECT_FALSE(GetVisableTrack(nullptr));
    CTrack* t[3];
    for (int i = 0; i < 3; ++i) {
        t[i] = LoadSine(1, 44100, 2, 8000, "v" + std::to_string(i) + ".wav");
        ASSERT_TRUE(AddTrack(t[i]));
    }
    Pump();
    ASSERT_TRUE(EnableTrack(IdOf(t[1]), 0));
    std::vector<int> seen;
    while (GetVisableTrack(&id))
        seen.push_back(id);
    EXPECT_EQ(seen, (std::vector<int>{int(IdOf(t[0])), int(IdOf(t[2]))}));
    ASSERT_TRUE(GetVisableTrack(&id)); // the walk starts over
    EXPECT_EQ(id, int(IdOf(t[0])));
    while (GetVisableTrack(&id)) {
    }
}

TEST_F(ControlShell, HidingARowClosesTheGapAndShowingItSelectsItAgain)
{
    CTrack* t[3];
    for (int i = 0; i < 3; ++i) {
        t[i] = LoadSine(1, 44100, 2, 8000, "h" + std::to_string(i) + ".wav");
        ASSERT_TRUE(AddTrack(t[i]));
    }
    Pump();
    ASSERT_TRUE(Kestrum_DeleteTrack(m_session, IdOf(t[1])));
    EXPECT_TRUE(EnableTrack(IdOf(t[1]), 0));
    EXPECT_FALSE(View(IdOf(t[1]))->isVisible());
    EXPECT_EQ(View(IdOf(t[2]))->y(), 160);

    QSignalSpy selectTrack(m_control, SIGNAL(SelectTrack(short)));
    EXPECT_TRUE(EnableTrack(IdOf(t[1]), 1));
    Pump();
    EXPECT_TRUE(View(IdOf(t[1]))->isVisible());
    EXPECT_EQ(View(IdOf(t[1]))->y(), 160);
    EXPECT_EQ(View(IdOf(t[2]))->y(), 320);
    ASSERT_EQ(selectTrack.count(), 1);
    EXPECT_EQ(selectTrack.at(0).at(0).value<short>(), short(IdOf(t[1])));
}

TEST_F(ControlShell, UnknownIdsChangeNothingAndLookupsFail)
{
    CTrack* track = LoadSine(1, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    Pump();
    EXPECT_TRUE(
        ForceRedrawTrackEx(999, 1, QVariant::fromValue<qint64>(0), QVariant::fromValue<qint64>(5)));
    EXPECT_TRUE(ForceRedrawTrack(999));
    EXPECT_TRUE(EnableTrack(999, 0));
    EXPECT_TRUE(MovePlayingLine(999, QVariant::fromValue<qint64>(0), 0));
    EXPECT_FALSE(
        MoveSelectArea(999, QVariant::fromValue<qint64>(0), QVariant::fromValue<qint64>(5)));
    EXPECT_EQ(GetBrimselHwnd(999), 0);
    EXPECT_FALSE(IsScrollable(999));
    EXPECT_TRUE(View(IdOf(track))->isVisible());
}

TEST_F(ControlShell, EachRowIsAWindowOfTheRegistryUntilTheProjectCloses)
{
    CTrack* a = LoadSine(1, 44100, 2, 8000, "a.wav");
    CTrack* b = LoadSine(1, 44100, 2, 8000, "b.wav");
    ASSERT_TRUE(AddTrack(a));
    ASSERT_TRUE(AddTrack(b));
    Pump();
    HWND ha = reinterpret_cast<HWND>(GetBrimselHwnd(IdOf(a)));
    HWND hb = reinterpret_cast<HWND>(GetBrimselHwnd(IdOf(b)));
    EXPECT_TRUE(IsWindow(ha));
    EXPECT_TRUE(IsWindow(hb));
    EXPECT_NE(ha, hb);

    EXPECT_TRUE(CloseProject());
    EXPECT_FALSE(IsWindow(ha));
    EXPECT_FALSE(IsWindow(hb));
    EXPECT_EQ(View(IdOf(a)), nullptr);
    int id = 0;
    EXPECT_FALSE(GetVisableTrack(&id));
    EXPECT_FALSE(m_control->findChild<QScrollBar*>(QStringLiteral("id100"))->isEnabled());
    // A message to a closed row is dropped, not delivered to freed memory.
    EXPECT_EQ(SendMessage(ha, vorlain::WM_RECORD_PEAKS, 0, 0), 0);
}

TEST_F(ControlShell, ZoomHalvesDownToTheLimitAndDoublesUntilTheTrackFits)
{
    CTrack* track = LoadSine(3, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    auto* view = qobject_cast<IBrimselView*>(m_control);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(GetZoomfactor(), 5248);
    // 3 s are 25 columns of the 640 of the wave area: nothing to zoom out to.
    EXPECT_FALSE(view->CanZoomOut());
    EXPECT_FALSE(ZoomOut());
    EXPECT_EQ(GetZoomfactor(), 5248);
    const int expected[] = {2624, 1312, 656, 328, 164, 82, 41, 20};
    for (int z : expected) {
        EXPECT_TRUE(ZoomIn());
        EXPECT_EQ(GetZoomfactor(), z);
    }
    EXPECT_FALSE(ZoomIn()); // 20 is below 32
    EXPECT_EQ(GetZoomfactor(), 20);
    WaitForPeaks();
    QWidget* row = View(IdOf(track));
    EXPECT_EQ(row->property("columns").toInt(), 3 * 44100 / 20);

    // Out while the track is wider than the wave area: 3 s fit from zoom
    // 320 on (413 columns), and there it stops.
    int outs = 0;
    while (view->CanZoomOut()) {
        ASSERT_TRUE(ZoomOut());
        ASSERT_LT(++outs, 40);
    }
    EXPECT_EQ(GetZoomfactor(), 320);
    const int markStart = Scale()->property("markStart").toInt();
    EXPECT_FALSE(ZoomOut()); // refused: nothing moves
    EXPECT_EQ(GetZoomfactor(), 320);
    EXPECT_EQ(Scale()->property("markStart").toInt(), markStart);
    WaitForPeaks();
    EXPECT_EQ(row->property("columns").toInt(), 3 * 44100 / 320);
    EXPECT_LE(row->property("columns").toInt(), row->width() - 140);
}

TEST_F(ControlShell, ZoomOutStopsWhereTheLongestVisibleTrackFits)
{
    // 30 s fit 640 columns from zoom 2100 on: the starting zoom shows them.
    CTrack* shortTrack = LoadSine(3, 44100, 1, 8000, "short.wav");
    CTrack* longTrack = LoadSine(30, 22050, 1, 8000, "long.wav");
    ASSERT_TRUE(AddTrack(shortTrack));
    ASSERT_TRUE(AddTrack(longTrack));
    WaitForPeaks();
    auto* view = qobject_cast<IBrimselView*>(m_control);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(ZoomIn()); // 328: 4033 columns
    EXPECT_TRUE(view->CanZoomOut());
    while (ZoomOut()) {
    }
    EXPECT_EQ(GetZoomfactor(), 2624); // 504 columns; at 1312 they were 1008
    EXPECT_FALSE(view->CanZoomOut());
    // With the long row hidden the short one rules: it fits already.
    ASSERT_TRUE(EnableTrack(IdOf(longTrack), 0));
    EXPECT_FALSE(view->CanZoomOut());
    ASSERT_TRUE(ZoomIn());
    ASSERT_TRUE(ZoomIn());
    ASSERT_TRUE(ZoomIn()); // 328: 3 s are 403 columns
    EXPECT_FALSE(view->CanZoomOut());
    EXPECT_FALSE(ZoomOut());
    // No rows at all: nothing to zoom out to.
    ASSERT_TRUE(CloseProject());
    EXPECT_FALSE(view->CanZoomOut());
    EXPECT_FALSE(ZoomOut());
}

TEST(ControlZoom, ZoomInAt32Gives16AndThenRefuses)
{
    CBrimselCtrl control;
    CDlgPanel* panel = control.Panel();
    panel->SetZoomFactor(32);
    EXPECT_TRUE(control.ZoomIn());
    EXPECT_EQ(control.GetZoomfactor(), 16);
    EXPECT_FALSE(control.ZoomIn());
    EXPECT_EQ(control.GetZoomfactor(), 16);
    EXPECT_FALSE(control.ZoomOut()); // no track to fit
    EXPECT_EQ(control.GetZoomfactor(), 16);
}

TEST_F(ControlShell, IsScrollableWhenTheDrawnWidthExceedsTheWaveArea)
{
    CTrack* track = LoadSine(1, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    QWidget* view = View(id);
    EXPECT_FALSE(IsScrollable(id));
    EXPECT_FALSE(m_control->findChild<QScrollBar*>(QStringLiteral("id100"))->isEnabled());
    // 1 s at zoom 82 is 537 columns; the wave area is 780 - 140 = 640 wide.
    while (GetZoomfactor() > 82)
        ASSERT_TRUE(ZoomIn());
    WaitForPeaks();
    EXPECT_EQ(view->property("columns").toInt(), 537);
    EXPECT_FALSE(IsScrollable(id));
    ASSERT_TRUE(ZoomIn()); // 41: 1075 columns
    WaitForPeaks();
    EXPECT_EQ(view->property("columns").toInt(), 1075);
    EXPECT_TRUE(IsScrollable(id));
    EXPECT_GT(view->property("columns").toInt(), view->width() - 140);
    EXPECT_TRUE(m_control->findChild<QScrollBar*>(QStringLiteral("id100"))->isEnabled());
}

TEST_F(ControlShell, ScrollHBringsATimeToTheFirstWaveColumn)
{
    CTrack* track = LoadSine(2, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    // Everything fits: nothing to scroll.
    EXPECT_TRUE(ScrollH(QVariant::fromValue<qint64>(kSecond)));
    EXPECT_EQ(HScrollPos(), 0);
    while (GetZoomfactor() > 41)
        ASSERT_TRUE(ZoomIn());
    ASSERT_TRUE(ForceRedrawTrack(IdOf(track)));
    WaitForPeaks();
    auto* bar = m_control->findChild<QScrollBar*>(QStringLiteral("id100"));
    ASSERT_TRUE(bar->isEnabled());
    EXPECT_TRUE(ScrollH(QVariant::fromValue<qint64>(kSecond)));
    EXPECT_EQ(HScrollPos(), 1075); // column(1 s) at zoom 41
    EXPECT_EQ(XAtTime(kSecond), 140);
    EXPECT_TRUE(ScrollH(QVariant::fromValue<qint64>(0)));
    EXPECT_EQ(HScrollPos(), 0);
    // Past the end the position stops at the range's end.
    EXPECT_TRUE(ScrollH(QVariant::fromValue<qint64>(3600 * kSecond)));
    // 2 s at zoom 41 are 2151 columns: the range ends at 2151 + 140, and the
    // last position leaves the width of the container minus 140 in view.
    EXPECT_EQ(HScrollPos(), 2151 + 140 - 800 + 140);
}

TEST_F(ControlShell, MovePlayingLineTakesOnlySixtyFourBitTimes)
{
    CTrack* track = LoadSine(3, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    QWidget* line = Child(View(id), "id203");
    ASSERT_NE(line, nullptr);
    EXPECT_FALSE(MovePlayingLine(id, QVariant(int(kSecond)), 1));
    EXPECT_FALSE(MovePlayingLine(id, QVariant(QStringLiteral("1000000")), 1));
    EXPECT_FALSE(MovePlayingLine(id, QVariant(), 1));
    EXPECT_FALSE(line->isVisible());
    EXPECT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(kSecond), 1));
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->geometry(), QRect(148, 0, 1, 150));
    EXPECT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(2 * kSecond), 0));
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(line->x(), 156);
}

TEST_F(ControlShell, TimesOfOtherVariantTypesAreTakenAsFarAsTheyConvert)
{
    CTrack* track = LoadSine(3, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    EXPECT_TRUE(MoveSelectArea(id, QVariant(int(kSecond)), QVariant(QStringLiteral("2000000"))));
    EXPECT_EQ(Scale()->property("markStart").toInt(), 148);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), 156);
    EXPECT_TRUE(ForceRedrawTrackEx(id, 1, QVariant(QStringLiteral("not a time")), QVariant()));
    WaitForPeaks();
    EXPECT_EQ(Child(View(id), "id205")->x(), 140); // both taken as 0: a click line at 0 s
    EXPECT_TRUE(ScrollH(QVariant(QStringLiteral("junk"))));
    EXPECT_EQ(HScrollPos(), 0);
}

TEST_F(ControlShell, TheRulerDrawsTicksLabelsAndTheMarkedRange)
{
    CTrack* track = LoadSine(10, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    ASSERT_TRUE(MoveSelectArea(IdOf(track), QVariant::fromValue<qint64>(kSecond),
                               QVariant::fromValue<qint64>(5 * kSecond)));
    const QImage ruler = Grab(Scale());
    ASSERT_EQ(ruler.height(), 30);
    auto at = [&](int x, int y) { return ruler.pixel(x, y) | 0xFF000000u; };
    const QRgb grey = qRgb(192, 192, 192), black = qRgb(0, 0, 0);
    // Major ticks at 0, 10, 20 s (x = 140, 224, 308; y 22..29), minor ones
    // every 2 s between them (y 26..29).
    for (int y = 22; y < 30; ++y) {
        EXPECT_EQ(at(140, y), black) << y;
        EXPECT_EQ(at(224, y), black) << y;
    }
    EXPECT_EQ(at(140, 21), grey);
    for (int y = 26; y < 30; ++y)
        EXPECT_EQ(at(140 + int(12 * 44100 / 5248), y), black) << y;
    EXPECT_EQ(at(140 + int(12 * 44100 / 5248), 25), grey);
    EXPECT_EQ(at(305, 28), grey);
    // Labels above the major ticks.
    int dark = 0;
    for (int x = 204; x < 244; ++x)
        for (int y = 0; y < 15; ++y)
            dark += qGray(ruler.pixel(x, y)) < 100;
    EXPECT_GT(dark, 10);
    // The marked range 148..182: filled between, red triangles at both ends.
    const int s = 148, e = 140 + int(5 * 44100 / 5248);
    EXPECT_EQ(at((s + e) / 2, 18), qRgb(64, 128, 128));
    EXPECT_EQ(at((s + e) / 2, 21), qRgb(255, 0, 0)); // the line between the triangles
    EXPECT_EQ(at(s, 16), qRgb(255, 0, 0));
    EXPECT_EQ(at(s, 25), qRgb(255, 0, 0));
    EXPECT_EQ(at(e, 16), qRgb(255, 0, 0));
    EXPECT_EQ(at(e + 1, 20), grey);
}

} // namespace
