// Reaching the rows without the mouse and moving through them with the
// wheel: Tab, the focus frames, Space and Enter on the info panel's buttons,
// and the wheel with and without Shift and Ctrl.
#include "control_fixture.h"
#include "vorlain/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace brimsel::test;

namespace {

class RowNavigation : public ControlTest {
protected:
    /** A wheel event as the window system delivers it over a row. */
    void Wheel(QWidget* row, QPoint at, int notches, Qt::KeyboardModifiers mods)
    {
        QWheelEvent event(QPointF(at), QPointF(row->mapToGlobal(at)), QPoint(),
                          QPoint(0, 120 * notches), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(row, &event);
        Pump();
    }
    int VScrollPos() const { return Child(m_control, "CDlgPanel")->property("vScrollPos").toInt(); }
    std::vector<int> AddRows(int n, double seconds)
    {
        std::vector<int> ids;
        for (int i = 0; i < n; ++i) {
            CTrack* t = LoadSine(seconds, 44100, 1, 8000, "r" + std::to_string(i) + ".wav");
            EXPECT_TRUE(AddTrack(t));
            ids.push_back(IdOf(t));
        }
        WaitForPeaks();
        return ids;
    }
};

TEST_F(RowNavigation, TheWheelScrollsTheRowsShiftWheelTheTimeCtrlWheelZooms)
{
    // Five rows of 160 pixels in a 470-pixel area: they do not all fit.
    const std::vector<int> ids = AddRows(5, 10);
    ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(0)));
    while (GetZoomfactor() > 328)
        ASSERT_TRUE(ZoomIn()); // 10 s are 1344 columns: room to scroll in time
    WaitForPeaks();
    QWidget* first = View(ids[0]);
    QWidget* row = View(ids[1]);
    const int v0 = VScrollPos(), h0 = HScrollPos();
    const int rowY = row->y();

    Wheel(row, {300, 75}, -1, Qt::NoModifier); // down: later rows
    EXPECT_GT(VScrollPos(), v0);
    EXPECT_EQ(row->y(), rowY - (VScrollPos() - v0));
    EXPECT_EQ(HScrollPos(), h0);
    for (int i = 0; i < 20; ++i)
        Wheel(row, {300, 75}, -1, Qt::NoModifier);
    // The last row's bottom stops inside the area, not above it.
    QWidget* last = View(ids.back());
    EXPECT_GT(last->y() + last->height(), 0);
    EXPECT_LE(last->y() + last->height(), last->parentWidget()->height());
    for (int i = 0; i < 20; ++i)
        Wheel(row, {300, 75}, 1, Qt::NoModifier);
    EXPECT_EQ(VScrollPos(), 0);
    EXPECT_EQ(first->y(), 0);

    // Over the info panel too.
    Wheel(row, {40, 60}, -1, Qt::NoModifier);
    EXPECT_GT(VScrollPos(), 0);
    const int v1 = VScrollPos();

    Wheel(row, {300, 75}, -2, Qt::ShiftModifier); // along the time
    EXPECT_GT(HScrollPos(), h0);
    EXPECT_EQ(VScrollPos(), v1);

    const int zoom = GetZoomfactor();
    Wheel(row, {300, 75}, 1, Qt::ControlModifier);
    EXPECT_EQ(GetZoomfactor(), zoom / 2);
    EXPECT_EQ(VScrollPos(), v1);
}

TEST_F(RowNavigation, WithAllRowsInViewThePlainWheelScrollsTheTime)
{
    const std::vector<int> ids = AddRows(1, 10);
    while (GetZoomfactor() > 328)
        ASSERT_TRUE(ZoomIn());
    WaitForPeaks();
    ASSERT_TRUE(IsScrollable(ids[0]));
    Wheel(View(ids[0]), {300, 75}, -2, Qt::NoModifier);
    EXPECT_GT(HScrollPos(), 0);
    EXPECT_EQ(VScrollPos(), 0);
}

TEST_F(RowNavigation, TabReachesTheRowsAndTheirButtonsWithAVisibleFrame)
{
    const std::vector<int> ids = AddRows(2, 3);
    QApplication::setActiveWindow(m_control);
    QWidget* a = View(ids[0]);
    QWidget* b = View(ids[1]);
    // The second row is the selected one: its three range buttons are enabled.
    ASSERT_TRUE(b->property("selected").toBool());
    const QImage before = Grab(b);
    a->setFocus(Qt::TabFocusReason);
    Pump();

    // Tab goes from a row to its enabled buttons, then to the next row.
    std::vector<QString> order;
    for (int i = 0; i < 7; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        order.push_back(focus == a   ? QStringLiteral("a")
                        : focus == b ? QStringLiteral("b")
                                     : (focus->parentWidget()->parentWidget() == a ? "a." : "b.") +
                                           focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
        Pump();
    }
    const std::vector<QString> expected{"a",       "a.id216", "b",      "b.id212",
                                        "b.id214", "b.id215", "b.id216"};
    EXPECT_EQ(order, expected);

    // The focused row shows a blue frame round its wave area; without focus, none.
    b->setFocus(Qt::TabFocusReason);
    Pump();
    const QImage framed = Grab(b);
    EXPECT_EQ(framed.pixel(b->width() - 2, 75) | 0xFF000000u, qRgb(0, 120, 255));
    EXPECT_EQ(framed.pixel(400, 1) | 0xFF000000u, qRgb(0, 120, 255));
    EXPECT_NE(before.pixel(400, 1) | 0xFF000000u, qRgb(0, 120, 255));

    // A focused button shows its frame; a click leaves the focus where it is.
    auto* button = qobject_cast<QAbstractButton*>(Child(b, "id212"));
    const QImage plain = Grab(button);
    button->setFocus(Qt::TabFocusReason);
    Pump();
    const QImage focused = Grab(button);
    EXPECT_EQ(focused.pixel(1, 12) | 0xFF000000u, qRgb(0, 90, 200));
    EXPECT_NE(plain.pixel(1, 12) | 0xFF000000u, qRgb(0, 90, 200));
    EXPECT_EQ(button->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(a->focusPolicy(), Qt::TabFocus);
}

TEST_F(RowNavigation, SpaceAndEnterPressTheFocusedButton)
{
    const std::vector<int> ids = AddRows(1, 3);
    QApplication::setActiveWindow(m_control);
    QWidget* row = View(ids[0]);
    auto* whole = qobject_cast<QAbstractButton*>(Child(row, "id212"));
    auto* remove = qobject_cast<QAbstractButton*>(Child(row, "id216"));
    ASSERT_TRUE(whole->isEnabled());
    auto posted = [&](UINT msg) {
        int n = 0;
        for (const auto& m : m_main->messages())
            n += m.msg == msg;
        return n;
    };

    whole->setFocus(Qt::TabFocusReason);
    Pump();
    QTest::keyClick(whole, Qt::Key_Space);
    Pump();
    EXPECT_EQ(posted(vorlain::WM_TRACK_RANGE_REQUEST), 1);
    QTest::keyClick(whole, Qt::Key_Return);
    Pump();
    EXPECT_EQ(posted(vorlain::WM_TRACK_RANGE_REQUEST), 2);

    remove->setFocus(Qt::TabFocusReason);
    Pump();
    QTest::keyClick(remove, Qt::Key_Enter, Qt::KeypadModifier);
    Pump();
    EXPECT_EQ(posted(vorlain::WM_TRACK_DELETE_REQUEST), 1);

    // Other keys pass the button by; away from a button, Space is not a click.
    QTest::keyClick(remove, Qt::Key_A);
    row->setFocus(Qt::TabFocusReason);
    Pump();
    QTest::keyClick(row, Qt::Key_Space);
    Pump();
    EXPECT_EQ(posted(vorlain::WM_TRACK_DELETE_REQUEST), 1);
    EXPECT_EQ(posted(vorlain::WM_TRACK_RANGE_REQUEST), 2);
}

TEST_F(RowNavigation, TheHorizontalBarsThumbStandsOutFromItsGroove)
{
    const std::vector<int> ids = AddRows(1, 10);
    while (GetZoomfactor() > 328)
        ASSERT_TRUE(ZoomIn());
    WaitForPeaks();
    auto* bar = qobject_cast<QWidget*>(Child(m_control, "id100"));
    ASSERT_TRUE(bar->isEnabled());
    const QImage image = Grab(bar);
    // Along the middle, between the arrows: a dark run (the thumb) and a light groove.
    int dark = 0, light = 0;
    for (int x = 20; x < image.width() - 20; ++x) {
        const int gray = qGray(image.pixel(x, image.height() / 2));
        dark += gray < 128;
        light += gray > 200;
    }
    EXPECT_GE(dark, 24);
    EXPECT_GE(light, image.width() / 2);
}

} // namespace
