// The Start and End editors of the strip typed as a user types them: a time
// past the track's end, a Start typed before any selection, and a Start
// after End, each checked against the selection the window then holds.
#include "window_fixture.h"

#include "widgets/mini_timer.h"
#include "window/info_strip.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace app::test {
namespace {

constexpr qint64 kMs = 1000;
constexpr int kHours = 0;

class TimeFields : public WindowTest {
protected:
    /** A 21.5 s track, current, with the cursor at its start. */
    void TwentyOneAndAHalfSeconds()
    {
        Start();
        const int id = AddFile(MakeWave("track.wav", 21.5, 2));
        ASSERT_EQ(id, 1);
        WaitForPeaks();
        ClickRow(id, 0);
        ASSERT_EQ(Window().SelectionStart(), 0);
        ASSERT_EQ(Window().SelectionEnd(), 0);
    }
    CMiniTimer* Editor(const char* name)
    {
        return Window().findChild<CMiniTimer*>(QString::fromLatin1(name));
    }
    /** Clicks the hours of editor and types the digits of text, then key. */
    void TypeTime(CMiniTimer* editor, const char* text, Qt::Key key)
    {
        QApplication::setActiveWindow(&Window());
        QTest::mouseClick(editor, Qt::LeftButton, Qt::NoModifier,
                          editor->FieldRect(kHours).center());
        Pump();
        for (const char* c = text; *c; ++c)
            QTest::keyClick(QApplication::focusWidget(), *c);
        QTest::keyClick(QApplication::focusWidget(), key);
        Pump();
    }
    QString LengthShown() { return Window().findChild<QLabel*>(QStringLiteral("id1091"))->text(); }
};

TEST_F(TimeFields, AnEndPastTheTracksEndStopsAtTheEnd)
{
    TwentyOneAndAHalfSeconds();
    CMiniTimer* end = Editor("id2889");
    ASSERT_NE(end, nullptr);
    TypeTime(end, "00:00:30.000", Qt::Key_Return);
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 21500 * kMs);
    EXPECT_EQ(end->Text(), QStringLiteral("00:00:21.500"));
    EXPECT_EQ(LengthShown(), QStringLiteral("00:00:21.500"));
}

TEST_F(TimeFields, AStartTypedWithoutASelectionIsTakenAndTheEndFollows)
{
    TwentyOneAndAHalfSeconds();
    CMiniTimer* start = Editor("id2888");
    ASSERT_NE(start, nullptr);
    TypeTime(start, "00:00:02.000", Qt::Key_Tab);
    EXPECT_EQ(Window().SelectionStart(), 2000 * kMs);
    EXPECT_EQ(Window().SelectionEnd(), 2000 * kMs);
    EXPECT_EQ(start->Text(), QStringLiteral("00:00:02.000"));
    EXPECT_EQ(Editor("id2889")->Text(), QStringLiteral("00:00:02.000"));
}

TEST_F(TimeFields, AStartAfterTheEndIsRefusedAndTheStripSaysWhy)
{
    TwentyOneAndAHalfSeconds();
    Select(1000 * kMs, 5000 * kMs);
    CMiniTimer* start = Editor("id2888");
    TypeTime(start, "00:00:08.000", Qt::Key_Return);
    EXPECT_EQ(Window().SelectionStart(), 1000 * kMs);
    EXPECT_EQ(Window().SelectionEnd(), 5000 * kMs);
    EXPECT_EQ(start->Text(), QStringLiteral("00:00:01.000"));
    auto* why = Window().findChild<QLabel*>(QStringLiteral("timeProblem"));
    ASSERT_NE(why, nullptr);
    EXPECT_TRUE(why->isVisible());
    EXPECT_FALSE(why->text().isEmpty());

    // A time that fits puts the explanation away.
    TypeTime(start, "00:00:03.000", Qt::Key_Return);
    EXPECT_EQ(Window().SelectionStart(), 3000 * kMs);
    EXPECT_FALSE(why->isVisible());
}

} // namespace
} // namespace app::test
