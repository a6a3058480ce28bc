// The bitmap button: which of its four bitmaps shows in which state, its
// caption, its placement, and the Exit button's artwork.
#include "widgets/exit_button_art.h"
#include "widgets/hot_btn.h"

#include "widget_pixels.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using app::CHotBtn;
using app::test::CountColor;
using app::test::FirstRowOf;
using app::test::Grab;

namespace {

const QRgb kNormal = qRgb(200, 0, 0);
const QRgb kPressed = qRgb(0, 160, 0);
const QRgb kHover = qRgb(0, 0, 200);
const QRgb kDisabled = qRgb(200, 200, 0);

QPixmap Solid(QRgb rgb, QSize size = QSize(90, 25))
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(rgb));
    return pixmap;
}

void Enter(QWidget& widget)
{
    const QPointF at(2, 2);
    QEnterEvent enter(at, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &enter);
}

void Leave(QWidget& widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, &leave);
}

class HotBtnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent.resize(300, 100);
        button = new CHotBtn(&parent);
        ASSERT_TRUE(
            button->SetBitmaps(Solid(kNormal), Solid(kPressed), Solid(kHover), Solid(kDisabled)));
        button->SetRect(10, 20, 100, 45);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }

    /** The colour of the button's top-left corner, away from any caption. */
    QRgb Shown() { return Grab(*button).pixel(1, 1); }

    QWidget parent;
    CHotBtn* button = nullptr;
};

TEST_F(HotBtnTest, SetRectPlacesTheButtonWithExclusiveRightAndBottom)
{
    EXPECT_EQ(button->geometry(), QRect(10, 20, 90, 25));
}

TEST_F(HotBtnTest, SetBitmapsRefusesANullBitmapAndKeepsTheOldOnes)
{
    const QPixmap other = Solid(qRgb(1, 2, 3));
    EXPECT_FALSE(button->SetBitmaps(other, other, other, QPixmap()));
    EXPECT_FALSE(button->SetBitmaps(QPixmap(), other, other, other));
    EXPECT_FALSE(button->SetBitmaps(other, QPixmap(), other, other));
    EXPECT_FALSE(button->SetBitmaps(other, other, QPixmap(), other));
    EXPECT_EQ(Shown(), kNormal);
    button->setDown(true);
    EXPECT_EQ(Shown(), kPressed);
}

TEST_F(HotBtnTest, PressedBeatsDisabledBeatsHoverOverNormal)
{
    EXPECT_EQ(Shown(), kNormal);

    Enter(*button);
    EXPECT_TRUE(button->IsHovered());
    EXPECT_EQ(Shown(), kHover);

    button->setDown(true);
    EXPECT_EQ(Shown(), kPressed);
    button->setDown(false);

    button->setEnabled(false);
    EXPECT_EQ(Shown(), kDisabled) << "disabled wins over hover";
    button->setDown(true);
    EXPECT_EQ(Shown(), kPressed) << "pressed wins over disabled";
    button->setDown(false);
    button->setEnabled(true);

    Leave(*button);
    EXPECT_FALSE(button->IsHovered());
    EXPECT_EQ(Shown(), kNormal);
}

TEST_F(HotBtnTest, MousePressShowsThePressedBitmapAndReleaseClicks)
{
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(45, 12));
    EXPECT_EQ(Shown(), kPressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(45, 12));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_NE(Shown(), kPressed);
}

TEST_F(HotBtnTest, TabFocusShowsAFrameAndSpaceOrEnterClicks)
{
    EXPECT_EQ(button->focusPolicy(), Qt::TabFocus);
    button->clearFocus();
    const QImage before = Grab(*button);
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = Grab(*button);
    // The frame sits inside the edge; the middle is the bitmap as before.
    EXPECT_NE(focused.pixel(2, 12), before.pixel(2, 12));
    EXPECT_EQ(focused.pixel(45, 12), before.pixel(45, 12));
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    EXPECT_EQ(clicks.count(), 3);
}

TEST_F(HotBtnTest, CaptionIsWhiteAndStartsLowerOnTallButtons)
{
    const QRgb white = qRgb(255, 255, 255);
    button->setText(QStringLiteral("Exit"));

    button->SetRect(0, 0, 90, 24);
    QImage image = Grab(*button);
    const int shortTop = FirstRowOf(image, image.rect(), white);
    ASSERT_GE(shortTop, 4);
    EXPECT_GT(CountColor(image, image.rect(), white), 10);

    button->SetRect(0, 0, 90, 25);
    image = Grab(*button);
    const int tallTop = FirstRowOf(image, image.rect(), white);
    EXPECT_EQ(tallTop - shortTop, 2) << "4 px below the top under 25 px, 6 px from 25 px";

    // Centred: as much room left of the caption as right of it.
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kNormal)
                left = std::min(left, x), right = std::max(right, x);
    EXPECT_LE(std::abs(left - (image.width() - 1 - right)), 2) << left << " " << right;
}

TEST(ExitButtonArt, FourDistinctLooksAtTheScreensPixelRatio)
{
    for (qreal ratio : {1.0, 2.0}) {
        const app::HotBtnBitmaps art = app::MakeExitButtonBitmaps(QSize(90, 25), ratio);
        const QPixmap* looks[] = {&art.normal, &art.pressed, &art.hover, &art.disabled};
        QImage images[4];
        for (int i = 0; i < 4; ++i) {
            ASSERT_FALSE(looks[i]->isNull());
            EXPECT_EQ(looks[i]->size(), QSize(90, 25) * ratio);
            EXPECT_EQ(looks[i]->deviceIndependentSize(), QSizeF(90, 25));
            images[i] = looks[i]->toImage();
            EXPECT_EQ(qAlpha(images[i].pixel(0, 0)), 0) << "rounded corners are transparent";
            EXPECT_EQ(qAlpha(images[i].pixel(images[i].width() / 2, images[i].height() / 2)), 255);
        }
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                EXPECT_NE(images[i], images[j]) << i << " " << j;

        const QPoint middle(images[0].width() / 2, images[0].height() / 2);
        const QColor normal = images[0].pixelColor(middle), pressed = images[1].pixelColor(middle),
                     hover = images[2].pixelColor(middle), disabled = images[3].pixelColor(middle);
        EXPECT_LT(pressed.lightness(), normal.lightness());
        EXPECT_GT(hover.lightness(), normal.lightness());
        EXPECT_EQ(disabled.hslSaturation(), 0);
    }
    EXPECT_TRUE(app::MakeExitButtonBitmaps(QSize(), 1.0).normal.isNull());
}

TEST(ExitButtonArt, ServesAHotBtn)
{
    QWidget parent;
    CHotBtn button(&parent);
    const app::HotBtnBitmaps art = app::MakeExitButtonBitmaps(QSize(90, 25), 2.0);
    ASSERT_TRUE(button.SetBitmaps(art.normal, art.pressed, art.hover, art.disabled));
    EXPECT_EQ(button.sizeHint(), QSize(90, 25));
}

} // namespace
