// The toolbar icons and the window icon: present for every toolbar command,
// three distinct looks at both pixel ratios, nothing cut at the edges.
#include "widgets/tool_icons.h"

#include <QPixmap>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

const int kToolbarIds[] = {32793, 32816, 36896, 36897, 36898, 36912, 36913, 36944, 36945,
                           36880, 36881, 36882, 36883, 36884, 36928, 36929, 36930};

QImage Look(const QIcon& icon, QIcon::Mode mode, qreal ratio)
{
    return icon.pixmap(QSize(32, 32), ratio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

/** Mean HSV saturation of the visible pixels, weighted by their alpha. */
double Saturation(const QImage& image)
{
    double sum = 0, weight = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor color = image.pixelColor(x, y);
            sum += color.hsvSaturationF() * color.alphaF();
            weight += color.alphaF();
        }
    return weight > 0 ? sum / weight : 0;
}

/** How many pixels are at least half opaque. */
int Opaque(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) >= 128;
    return count;
}

bool BorderIsClear(const QImage& image)
{
    const int w = image.width(), h = image.height();
    for (int i = 0; i < w; ++i)
        if (qAlpha(image.pixel(i, 0)) || qAlpha(image.pixel(i, h - 1)))
            return false;
    for (int i = 0; i < h; ++i)
        if (qAlpha(image.pixel(0, i)) || qAlpha(image.pixel(w - 1, i)))
            return false;
    return true;
}

TEST(ToolIcons, EveryToolbarCommandHasThreeDistinctLooksAtBothRatios)
{
    for (int id : kToolbarIds) {
        SCOPED_TRACE(id);
        const QIcon icon = app::ToolIcon(id);
        ASSERT_FALSE(icon.isNull());
        for (qreal ratio : {1.0, 2.0}) {
            const QImage normal = Look(icon, QIcon::Normal, ratio);
            const QImage active = Look(icon, QIcon::Active, ratio);
            const QImage disabled = Look(icon, QIcon::Disabled, ratio);
            const QSize pixels = QSize(32, 32) * ratio;
            EXPECT_EQ(normal.size(), pixels);
            EXPECT_EQ(active.size(), pixels);
            EXPECT_EQ(disabled.size(), pixels);
            EXPECT_NE(normal, active);
            EXPECT_NE(normal, disabled);
            EXPECT_NE(active, disabled);
            EXPECT_LT(Saturation(disabled), Saturation(normal) * 0.5 + 0.01);
            EXPECT_GT(Opaque(normal), pixels.width() * pixels.height() / 10) << "too faint";
            EXPECT_TRUE(BorderIsClear(normal)) << "drawing reaches the edge at ratio " << ratio;
        }
    }
}

TEST(ToolIcons, DisabledIsGreyAndLighter)
{
    for (int id : kToolbarIds) {
        SCOPED_TRACE(id);
        const QIcon icon = app::ToolIcon(id);
        const QImage normal = Look(icon, QIcon::Normal, 1.0);
        const QImage disabled = Look(icon, QIcon::Disabled, 1.0);
        double lightNormal = 0, lightDisabled = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QColor d = disabled.pixelColor(x, y);
                if (d.alpha() == 255) {
                    EXPECT_LE(std::abs(d.red() - d.blue()), 1) << x << "," << y;
                }
                lightNormal +=
                    normal.pixelColor(x, y).lightnessF() * normal.pixelColor(x, y).alphaF();
                lightDisabled += d.lightnessF() * d.alphaF();
            }
        EXPECT_GT(lightDisabled, lightNormal);
    }
}

TEST(ToolIcons, NoTwoCommandsShareAnImage)
{
    std::vector<QImage> seen;
    for (int id : kToolbarIds) {
        const QImage image = Look(app::ToolIcon(id), QIcon::Normal, 1.0);
        for (const QImage& other : seen)
            EXPECT_NE(image, other) << id;
        seen.push_back(image);
    }
}

TEST(ToolIcons, CommandsWithoutAToolbarButtonHaveNoIcon)
{
    for (int id : {0, -1, 32780, 32822, 36885, 1007, 99999})
        EXPECT_TRUE(app::ToolIcon(id).isNull()) << id;
}

TEST(AppIcon, ComesInEveryWindowIconSize)
{
    const QIcon icon = app::AppIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
}

TEST(AppIcon, IsARoundedTileWithALightMarkInTheMiddle)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage image = app::RenderAppIcon(size).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corners are rounded off";
        EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 8)), 255);
        int light = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                light += qGray(image.pixel(x, y)) > 200 && qAlpha(image.pixel(x, y)) == 255;
        EXPECT_GT(light, size * size / 20) << "the waveform shows";
    }
    EXPECT_TRUE(app::RenderAppIcon(0).isNull());
}

} // namespace
