// The row picture pixel by pixel: frame, separators, bands, wave strokes and
// the inverted selection.
#include "wave_painter.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace brimsel;

namespace {

const QRgb kGrey = qRgb(125, 125, 125);
const QRgb kPanel = qRgb(225, 225, 225);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kRed = qRgb(255, 0, 0);

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

CDisplayList Flat(size_t columns, ColumnPeak left, ColumnPeak right)
{
    CDisplayList list;
    list.channel[0].assign(columns, left);
    list.channel[1].assign(columns, right);
    return list;
}

QImage Render(const CDisplayList& list, int channels, int width, int64_t scroll = 0,
              bool selected = false)
{
    WaveColors colors;
    if (selected)
        colors.background = QColor(0, 0, 0);
    return CWavePainter::Render(list, channels, width, scroll, colors, QFont());
}

TEST(WavePainter, StereoRowHasFrameSeparatorDividerAndBothBands)
{
    const int width = 300, columns = 40;
    QImage image = Render(Flat(columns, {60, 20}, {130, 90}), 2, width);
    ASSERT_EQ(image.width(), width);
    ASSERT_EQ(image.height(), 150);
    for (int y = 1; y < 149; ++y) {
        EXPECT_EQ(At(image, 0, y), kGrey) << y;
        if (y != 75) {
            EXPECT_EQ(At(image, width - 1, y), kGrey) << y;
        }
    }
    EXPECT_EQ(At(image, 50, 0), kGrey);
    EXPECT_EQ(At(image, 50, 149), kGrey);
    // The separator runs the full height; the wave covers it where the first
    // column's strokes run (the pens start at y 37 and 112, inside the peaks).
    for (int y = 0; y < 150; ++y) {
        const bool wave = (y >= 20 && y <= 60) || (y >= 90 && y <= 130);
        EXPECT_EQ(At(image, 140, y), wave ? kGreen : kRed) << y;
    }
    for (int x = 120; x < width; ++x)
        EXPECT_EQ(At(image, x, 75), kRed) << x;
    EXPECT_EQ(At(image, 119, 75), kPanel);
    // Every full column holds exactly its peak range in each band.
    for (int x = 141; x <= 140 + columns - 2; ++x)
        for (int y = 1; y < 149; ++y) {
            if (y == 75)
                continue;
            const bool wave = (y >= 20 && y <= 60) || (y >= 90 && y <= 130);
            ASSERT_EQ(At(image, x, y), wave ? kGreen : kPanel) << x << "," << y;
        }
    // Nothing is drawn past the data.
    for (int x = 140 + columns + 1; x < width - 1; ++x)
        EXPECT_EQ(At(image, x, 40), kPanel) << x;
}

TEST(WavePainter, EachLineLeavesOutItsEndPointAsADrawingDeviceDoes)
{
    // A flat line at y 50: every column's pixel is set by the stroke that
    // starts there, so the last column's own point stays unset.
    const int columns = 10;
    QImage image = Render(Flat(columns, {50, 50}, {100, 100}), 2, 200);
    for (int x = 141; x < 140 + columns - 1; ++x)
        EXPECT_EQ(At(image, x, 50), kGreen) << x;
    EXPECT_EQ(At(image, 140 + columns - 1, 50), kPanel);
    // The pen starts at (140, 37) and runs down to the first peak.
    for (int y = 37; y < 50; ++y)
        EXPECT_EQ(At(image, 140, y), kGreen) << y;
}

TEST(WavePainter, MonoRowUsesTheFullHeightAndHasNoDivider)
{
    QImage image = Render(Flat(30, {140, 10}, {0, 0}), 1, 250);
    EXPECT_EQ(At(image, 200, 75), kPanel);
    for (int y = 1; y < 149; ++y)
        EXPECT_EQ(At(image, 150, y), (y >= 10 && y <= 140) ? kGreen : kPanel) << y;
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(At(image, 140, y), kRed) << y;
}

TEST(WavePainter, OtherChannelCountsShowTheBackgroundAlone)
{
    QImage image = Render(Flat(30, {140, 10}, {140, 10}), 6, 250);
    for (int x = 141; x < 249; ++x)
        for (int y = 1; y < 149; ++y)
            ASSERT_EQ(At(image, x, y), kPanel) << x << "," << y;
}

TEST(WavePainter, TheSelectedRowIsBlackAndScrollingSkipsColumns)
{
    CDisplayList list;
    for (int c = 0; c < 50; ++c) {
        list.channel[0].push_back({uint8_t(c + 10), uint8_t(c + 10)});
        list.channel[1].push_back({100, 100});
    }
    QImage image = Render(list, 2, 200, 5, true);
    EXPECT_EQ(At(image, 60, 5), qRgb(0, 0, 0));
    // x = 150 shows column 15 (scroll 5 + 10): y = 25.
    EXPECT_EQ(At(image, 150, 25), kGreen);
    EXPECT_EQ(At(image, 150, 40), qRgb(0, 0, 0));
}

TEST(WavePainter, TheRedLineOfTimeZeroIsDrawnOnlyWhileTimeZeroIsInView)
{
    CDisplayList list;
    for (int c = 0; c < 50; ++c) {
        list.channel[0].push_back({30, 40});
        list.channel[1].push_back({100, 110});
    }
    const QImage start = Render(list, 2, 200, 0, true);
    EXPECT_EQ(At(start, 140, 5), kRed);
    const QImage scrolled = Render(list, 2, 200, 5, true);
    for (int y = 1; y < 149; ++y)
        if (y != 75) { // the divider between the channels
            ASSERT_NE(At(scrolled, 140, y), kRed) << y;
        }
    EXPECT_EQ(At(scrolled, 140, 5), qRgb(0, 0, 0));
}

TEST(WavePainter, InvertingTwiceRestoresThePicture)
{
    QImage image = Render(Flat(40, {60, 20}, {130, 90}), 2, 300);
    const QImage original = image.copy();
    CWavePainter::InvertColumns(image, 150, 160);
    EXPECT_EQ(At(image, 150, 40), qRgb(255, 0, 255)); // green inverted
    EXPECT_EQ(At(image, 159, 10), qRgb(30, 30, 30));  // background inverted
    EXPECT_EQ(At(image, 160, 10), kPanel);            // right edge excluded
    EXPECT_EQ(At(image, 149, 10), kPanel);
    CWavePainter::InvertColumns(image, 150, 160);
    EXPECT_EQ(image, original);
    CWavePainter::InvertColumns(image, -50, 5000); // clipped, no crash
    EXPECT_EQ(At(image, 0, 10), qRgb(130, 130, 130));
}

TEST(WavePainter, TheLettersSitLeftOfTheSeparator)
{
    QImage stereo = Render(Flat(1, {0, 0}, {0, 0}), 2, 200);
    auto whiteIn = [](const QImage& image, int y0, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 122; x < 140; ++x)
                count += qRed(image.pixel(x, y)) > 240 && qGreen(image.pixel(x, y)) > 240 &&
                         qBlue(image.pixel(x, y)) > 240;
        return count;
    };
    EXPECT_GT(whiteIn(stereo, 31, 50), 0);
    EXPECT_GT(whiteIn(stereo, 106, 125), 0);
    QImage mono = Render(Flat(1, {0, 0}, {0, 0}), 1, 200);
    EXPECT_GT(whiteIn(mono, 69, 88), 0);
    EXPECT_EQ(whiteIn(mono, 31, 50), 0);
}

} // namespace
