// The time editor driven as a person would: clicks on its fields, typed
// keys and its up-down buttons, checked by value, text, notifications and
// the pixels it draws.
#include "widgets/mini_timer.h"

#include "widget_pixels.h"

#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using app::CMiniTimer;
using app::test::CountColor;
using app::test::Grab;

namespace {

constexpr qint64 kSecond = 1000000; // microseconds
constexpr qint64 kMinute = 60 * kSecond;
constexpr qint64 kHour = 60 * kMinute;
constexpr int kHours = 0, kMinutes = 1, kSeconds = 2, kMillis = 3;

const QRgb kGreen = qRgb(0, 255, 64);
const QRgb kFrame = qRgb(125, 125, 125);
const QRgb kWhite = qRgb(255, 255, 255);

class MiniTimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        timer.resize(timer.sizeHint());
        QObject::connect(&timer, &CMiniTimer::Notify,
                         [this](int code, qint64 us) { notes.emplace_back(code, us); });
        timer.show();
        timer.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&timer));
    }

    void Click(int field, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(&timer, button, {}, timer.FieldRect(field).center());
    }
    void Type(const char* keys)
    {
        for (const char* key = keys; *key; ++key)
            QTest::keyClick(&timer, *key);
    }
    void Spin(const char* which)
    {
        auto* button = timer.findChild<QToolButton*>(which);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    CMiniTimer timer;
    std::vector<std::pair<int, qint64>> notes;
};

TEST_F(MiniTimerTest, SetValueShowsWholeMillisecondsWithoutNotifying)
{
    timer.SetValue(1 * kHour + 2 * kMinute + 3456789);
    EXPECT_EQ(timer.Text(), "01:02:03.456");
    EXPECT_EQ(timer.Value(), 1 * kHour + 2 * kMinute + 3456000);
    EXPECT_TRUE(notes.empty());

    timer.SetMin(1234567);
    timer.SetMax(9 * kSecond + 999999);
    EXPECT_EQ(timer.Minimum(), 1234000);
    EXPECT_EQ(timer.Maximum(), 9 * kSecond + 999000);
}

TEST_F(MiniTimerTest, TypingSevenIntoMinutesTensGivesSeventyFiveMinutes)
{
    timer.SetValue(5 * kMinute);
    Click(kMinutes);
    EXPECT_EQ(timer.FocusedField(), kMinutes);
    EXPECT_EQ(timer.CaretDigit(), 2);

    Type("7");
    EXPECT_EQ(timer.Text(), "00:75:00.000");
    EXPECT_EQ(timer.Value(), 4500 * kSecond);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].first, CMiniTimer::kNotifyChanged);
    EXPECT_EQ(notes[0].second, 4500 * kSecond);
    EXPECT_EQ(timer.CaretDigit(), 1);

    // 75 is past the field's limit of 60: the field takes no more digits.
    Type("9");
    EXPECT_EQ(timer.Text(), "00:75:00.000");
    EXPECT_EQ(notes.size(), 1u);
}

TEST_F(MiniTimerTest, DigitThatWouldPassTheMaximumIsRefused)
{
    timer.SetMax(10 * kSecond);
    Click(kSeconds);
    Type("2");
    EXPECT_EQ(timer.Text(), "00:00:00.000");
    EXPECT_TRUE(notes.empty());
    // The caret moves on, so that the digits after it keep their places.
    EXPECT_EQ(timer.CaretDigit(), 1);

    Click(kSeconds);
    Type("1");
    EXPECT_EQ(timer.Value(), 10 * kSecond);
    EXPECT_EQ(notes.size(), 1u);
}

TEST_F(MiniTimerTest, WithClampingATimePastTheMaximumGivesTheMaximum)
{
    timer.SetClampToMaximum(true);
    timer.SetMax(21500 * 1000);
    Click(kHours);
    Type("000030000");
    EXPECT_EQ(timer.Value(), 21500 * 1000);
    EXPECT_EQ(notes.back().second, 21500 * 1000);
    QTest::keyClick(&timer, Qt::Key_Return);
    EXPECT_EQ(timer.Text(), "00:00:21.500");
}

TEST_F(MiniTimerTest, DigitThatWouldFallBelowTheMinimumIsRefused)
{
    timer.SetMin(5 * kSecond);
    timer.SetValue(15 * kSecond);
    Click(kSeconds);
    Type("0"); // 05 s: still allowed
    EXPECT_EQ(timer.Value(), 5 * kSecond);
    Type("4"); // 04 s: below the minimum
    EXPECT_EQ(timer.Value(), 5 * kSecond);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].second, 5 * kSecond);
}

TEST_F(MiniTimerTest, CaretWalksThroughEveryFieldAndWrapsFromMillisecondsToHours)
{
    Click(kHours);
    Type("010203456");
    EXPECT_EQ(timer.Text(), "01:02:03.456");
    EXPECT_EQ(timer.Value(), kHour + 2 * kMinute + 3456000);
    EXPECT_EQ(timer.FocusedField(), kHours);
    EXPECT_EQ(timer.CaretDigit(), 2);

    ASSERT_EQ(notes.size(), 9u);
    EXPECT_EQ(notes[1].second, kHour);
    EXPECT_EQ(notes[3].second, kHour + 2 * kMinute);
    EXPECT_EQ(notes.back().second, timer.Value());
    for (const auto& note : notes)
        EXPECT_EQ(note.first, CMiniTimer::kNotifyChanged);
}

TEST_F(MiniTimerTest, ThirdMillisecondDigitMovesTheCaretToHours)
{
    Click(kMillis);
    EXPECT_EQ(timer.CaretDigit(), 3);
    Type("12");
    EXPECT_EQ(timer.FocusedField(), kMillis);
    EXPECT_EQ(timer.CaretDigit(), 1);
    Type("3");
    EXPECT_EQ(timer.FocusedField(), kHours);
    EXPECT_EQ(timer.CaretDigit(), 2);
    EXPECT_EQ(timer.Value(), 123000);
}

TEST_F(MiniTimerTest, FieldsAndCaretFollowTheCharacterWidth)
{
    const int w = timer.CharWidth();
    EXPECT_GE(w, timer.fontMetrics().averageCharWidth());
    // Fields laid out by a width narrower than the digits would overlap.
    EXPECT_GE(w, timer.fontMetrics().horizontalAdvance(QStringLiteral("0")));
    for (int field = 0; field < 4; ++field) {
        const QRect rect = timer.FieldRect(field);
        EXPECT_EQ(rect.left(), 3 * field * w + 2);
        EXPECT_EQ(rect.right() + 1, ((field == 3 ? 3 : 2) + 3 * field) * w);
        EXPECT_EQ(rect.height(), timer.height());
    }
    Click(kMillis);
    EXPECT_EQ(timer.CaretX(), timer.FieldRect(kMillis).left());
    Type("9");
    EXPECT_EQ(timer.CaretX(), timer.FieldRect(kMillis).left() + w);
}

TEST_F(MiniTimerTest, NothingIsTypedBeforeAClickOnAField)
{
    timer.setFocus();
    Type("1234");
    EXPECT_EQ(timer.FocusedField(), -1);
    EXPECT_EQ(timer.Value(), 0);
    EXPECT_TRUE(notes.empty());

    // A right click or a double click does not pick a field either.
    Click(kSeconds, Qt::RightButton);
    QTest::mouseDClick(&timer, Qt::LeftButton, {}, timer.FieldRect(kSeconds).center());
    EXPECT_EQ(timer.FocusedField(), -1);
    Type("1");
    EXPECT_TRUE(notes.empty());
}

TEST_F(MiniTimerTest, OnlyDigitsAreTaken)
{
    timer.SetValue(30 * kSecond);
    Click(kSeconds);
    Type("a-. +x");
    QTest::keyClick(&timer, Qt::Key_Up);
    QTest::keyClick(&timer, Qt::Key_Backspace);
    QTest::keyClick(&timer, Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(timer.Text(), "00:00:30.000");
    EXPECT_EQ(timer.CaretDigit(), 2);
    EXPECT_TRUE(notes.empty());
}

TEST_F(MiniTimerTest, UpDownStepsTheFocusedFieldButNeverToItsLimit)
{
    timer.SetValue(58 * kSecond);
    Click(kSeconds);
    Spin("up");
    EXPECT_EQ(timer.Text(), "00:00:59.000");
    Spin("up"); // 60 is the seconds' limit
    EXPECT_EQ(timer.Text(), "00:00:59.000");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], std::make_pair(CMiniTimer::kNotifyChanged, 59 * kSecond));

    Click(kMillis);
    Spin("down"); // below 0
    EXPECT_EQ(timer.Value(), 59 * kSecond);
    Spin("up");
    EXPECT_EQ(timer.Text(), "00:00:59.001");
    EXPECT_EQ(notes.size(), 2u);
}

TEST_F(MiniTimerTest, UpDownStaysWithinMinimumAndMaximum)
{
    timer.SetMin(2 * kSecond);
    timer.SetMax(3 * kSecond);
    timer.SetValue(2 * kSecond);
    Click(kSeconds);
    Spin("down");
    EXPECT_EQ(timer.Value(), 2 * kSecond);
    Spin("up");
    EXPECT_EQ(timer.Value(), 3 * kSecond);
    Spin("up");
    EXPECT_EQ(timer.Value(), 3 * kSecond);
    EXPECT_EQ(notes.size(), 1u);
}

TEST_F(MiniTimerTest, UpDownBeforeAnyClickChangesNothingButTakesTheFocus)
{
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.setFocus();
    Spin("up");
    EXPECT_EQ(timer.Value(), 0);
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(timer.hasFocus());
}

TEST_F(MiniTimerTest, UpDownSitsAtTheRightEdge)
{
    timer.resize(140, 26);
    QWidget* upDown = timer.findChild<QWidget*>("id1051");
    ASSERT_NE(upDown, nullptr);
    EXPECT_EQ(upDown->geometry(), QRect(140 - 19, 1, 18, 26 - 2));
}

TEST_F(MiniTimerTest, DrawsWhiteBoxWithGreyFrameAndGreenFocusedField)
{
    QImage image = Grab(timer);
    const QRect inside = image.rect().adjusted(1, 1, -1, -1);
    EXPECT_EQ(image.pixel(0, 0), kFrame);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), kFrame);
    EXPECT_EQ(image.pixel(image.width() / 2, 0), kFrame);
    EXPECT_EQ(image.pixel(1, 1), kWhite);
    EXPECT_EQ(CountColor(image, inside, kGreen), 0) << "no field is focused yet";

    Click(kMinutes);
    image = Grab(timer);
    const QRect minutes = timer.FieldRect(kMinutes).intersected(inside);
    const int green = CountColor(image, minutes, kGreen);
    EXPECT_GT(green, minutes.width() * minutes.height() / 2);
    EXPECT_GT(CountColor(image, minutes, kWhite), 0) << "the digits are white on green";
    EXPECT_EQ(CountColor(image, timer.FieldRect(kHours), kGreen), 0);
    EXPECT_EQ(CountColor(image, timer.FieldRect(kSeconds), kGreen), 0);
    EXPECT_EQ(image.pixel(timer.FieldRect(kMinutes).center().x(), 0), kFrame)
        << "the frame is drawn over the fields";

    // The caret: a black bar in front of the first digit.
    const int caret = timer.CaretX();
    EXPECT_EQ(image.pixel(caret, timer.height() / 2), qRgb(0, 0, 0));

    // Without the keyboard focus the field is drawn like the others.
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    other.setFocus();
    ASSERT_FALSE(timer.hasFocus());
    image = Grab(timer);
    EXPECT_EQ(CountColor(image, inside, kGreen), 0);
}

TEST_F(MiniTimerTest, DigitsAreBlackOnWhiteOutsideTheFocusedField)
{
    timer.SetValue(8 * kHour + 8 * kMinute + 8 * kSecond + 888000);
    Click(kSeconds);
    const QImage image = Grab(timer);
    const QRect hours = timer.FieldRect(kHours).adjusted(0, 1, 0, -1);
    EXPECT_GT(CountColor(image, hours, qRgb(0, 0, 0)), 0);
    EXPECT_EQ(CountColor(image, hours, kGreen), 0);
}

TEST_F(MiniTimerTest, GrowsWithItsFont)
{
    const QSize normal = timer.sizeHint();
    EXPECT_GE(normal.width(), 110);
    EXPECT_GE(normal.height(), 20);
    QFont big = timer.font();
    big.setPointSizeF(big.pointSizeF() * 2);
    timer.setFont(big);
    EXPECT_GT(timer.sizeHint().width(), normal.width());
    EXPECT_GT(timer.sizeHint().height(), normal.height());
    // The fields and the up-down buttons never overlap.
    EXPECT_LT(timer.FieldRect(kMillis).right(), timer.sizeHint().width() - 19);
}

} // namespace
