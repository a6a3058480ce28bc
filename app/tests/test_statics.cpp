// The decorated statics: the link label, the light blue label and the
// transparent label with its disabled grey and hover red.
#include "widgets/label_ex.h"
#include "widgets/static360.h"
#include "widgets/transparent_static.h"

#include "widget_pixels.h"

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using app::test::CountColor;
using app::test::Grab;

namespace {

const QRgb kParentFill = qRgb(0, 90, 0);

/** A parent with a dark green background, so that whatever a label does
 *  not paint shows green, and a big font, so that glyph stems have fully
 *  covered pixels of the exact text colour. */
class StaticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QPalette colors = parent.palette();
        colors.setColor(QPalette::Window, QColor(kParentFill));
        parent.setPalette(colors);
        parent.setAutoFillBackground(true);
        QFont big = parent.font();
        big.setPixelSize(28);
        big.setBold(true);
        parent.setFont(big);
        parent.resize(300, 60);
    }

    void Show()
    {
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }

    /** The label's area in a grab of the parent. */
    QImage Area(QWidget& label) { return Grab(parent).copy(label.geometry()); }

    QWidget parent;
};

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

TEST_F(StaticsTest, LinkLabelClicksWithAHandCursorOnATransparentBackground)
{
    auto* link = new app::CLabelEx(QStringLiteral("Home page"), &parent);
    link->setGeometry(10, 10, 200, 40);
    Show();
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Area(*link).pixel(1, 1), kParentFill);

    QSignalSpy clicks(link, &app::CLabelEx::clicked);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(clicks.count(), 1);
    // Pressed on the label, released off it: not a click.
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(260, 20));
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(StaticsTest, Static360FillsItsLightBlueBackgroundAndDrawsInItsTextColour)
{
    auto* label = new app::CStatic360(QStringLiteral("Vorlain"), &parent);
    label->setGeometry(10, 10, 200, 40);
    label->SetTextColor(QColor(200, 0, 0));
    Show();
    const QImage image = Area(*label);
    EXPECT_EQ(image.pixel(1, 1), qRgb(231, 240, 247));
    EXPECT_EQ(CountColor(image, image.rect(), kParentFill), 0);
    EXPECT_GT(CountColor(image, image.rect(), qRgb(200, 0, 0)), 20);
    EXPECT_EQ(label->TextColor(), QColor(200, 0, 0));
}

TEST_F(StaticsTest, Static360BoldIsABoldCopyOfTheParentsFont)
{
    QFont plain = parent.font();
    plain.setBold(false);
    plain.setPixelSize(14);
    parent.setFont(plain);
    auto* label = new app::CStatic360(QStringLiteral("Version"), &parent);
    EXPECT_FALSE(label->font().bold());

    label->SetBold(true);
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().family(), plain.family());
    EXPECT_EQ(label->font().pixelSize(), 14);

    // It keeps following the parent in everything but the weight.
    plain.setPixelSize(20);
    parent.setFont(plain);
    EXPECT_EQ(label->font().pixelSize(), 20);
    EXPECT_TRUE(label->font().bold());

    label->SetBold(false);
    EXPECT_FALSE(label->font().bold());
    EXPECT_EQ(label->font().pixelSize(), 20);
}

TEST_F(StaticsTest, TransparentStaticDrawsNoBackgroundAndGreyWhenDisabled)
{
    auto* label = new app::CTransparentStatic(QStringLiteral("HIIH"), &parent);
    label->setGeometry(10, 10, 200, 40);
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colors);
    Show();

    QImage image = Area(*label);
    EXPECT_EQ(image.pixel(1, 1), kParentFill);
    EXPECT_GT(CountColor(image, image.rect(), qRgb(255, 255, 255)), 20);

    label->setEnabled(false);
    image = Area(*label);
    EXPECT_EQ(image.pixel(1, 1), kParentFill);
    EXPECT_EQ(CountColor(image, image.rect(), qRgb(255, 255, 255)), 0);
    EXPECT_GT(CountColor(image, image.rect(), qRgb(167, 166, 161)), 20);
}

TEST_F(StaticsTest, TransparentStaticTurnsRedUnderTheMouseOnlyWithHighlightOn)
{
    const QRgb red = qRgb(255, 0, 0);
    auto* label = new app::CTransparentStatic(QStringLiteral("HIIH"), &parent);
    label->setGeometry(10, 10, 200, 40);
    Show();

    Enter(*label);
    EXPECT_FALSE(label->IsHighlighted());
    EXPECT_EQ(CountColor(Area(*label), QRect(0, 0, 200, 40), red), 0);
    Leave(*label);

    label->SetHoverHighlight(true);
    EXPECT_EQ(CountColor(Area(*label), QRect(0, 0, 200, 40), red), 0);
    Enter(*label);
    EXPECT_TRUE(label->IsHighlighted());
    EXPECT_GT(CountColor(Area(*label), QRect(0, 0, 200, 40), red), 20);

    label->setEnabled(false);
    EXPECT_EQ(CountColor(Area(*label), QRect(0, 0, 200, 40), red), 0) << "disabled stays grey";
    label->setEnabled(true);

    Leave(*label);
    EXPECT_FALSE(label->IsHighlighted());
    EXPECT_EQ(CountColor(Area(*label), QRect(0, 0, 200, 40), red), 0);
}

TEST_F(StaticsTest, TransparentStaticReportsClicks)
{
    auto* label = new app::CTransparentStatic(QStringLiteral("Report a problem"), &parent);
    label->setGeometry(10, 10, 200, 40);
    Show();
    QSignalSpy clicks(label, &app::CTransparentStatic::clicked);
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
