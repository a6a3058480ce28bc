// Time <-> pixel conversions, the sample-to-y mapping, the ruler's labels and
// the info panel's texts.
#include "dlg_scale.h"
#include "dlg_track_info.h"
#include "ruler_ticks.h"
#include "sample_mapping.h"
#include "time_mapping.h"

#include <QFont>
#include <QFontMetrics>

#include <gtest/gtest.h>

using namespace brimsel;

TEST(TimeMapping, TheExamplesOfTheTimeScaleHold)
{
    EXPECT_EQ(TimeOfX(140, 5248, 0), 0);
    EXPECT_EQ(TimeOfX(141, 5248, 0), 119002);  // 5248 x 1000000 / 44100 truncated
    EXPECT_EQ(XOfTime(1000000, 5248, 0), 148); // 44100 / 5248 = 8 columns
    EXPECT_EQ(ColumnOfTime(1000000, 5248), 8);
    EXPECT_EQ(XOfTime(1000000, 5248, 5), 143);
    EXPECT_EQ(TimeOfX(140, 5248, 10), 10 * 5248 * 1000000LL / 44100);
    EXPECT_EQ(ColumnOfTime(-1000000, 5248), -8); // truncation toward zero
}

TEST(TimeMapping, LongTracksAndHugeValuesDoNotWrap)
{
    // 30 hours at zoom 20: the column product no longer fits 32 bits.
    const int64_t thirtyHours = 30LL * 3600 * 1000000;
    const int64_t column = ColumnOfTime(thirtyHours, 20);
    EXPECT_EQ(column, thirtyHours / 1000000 * 44100 / 20);
    EXPECT_NEAR(double(TimeOfX(column + 140, 20, 0)), double(thirtyHours), 1000.0);
    EXPECT_EQ(ColumnOfTime(INT64_MAX, 16),
              static_cast<int64_t>(static_cast<__int128>(INT64_MAX) * 44100 / 16 / 1000000));
    EXPECT_EQ(ColumnOfTime(1000000, 0), 0);
    EXPECT_EQ(ToPixel(INT64_MAX), 1 << 30);
    EXPECT_EQ(ToPixel(INT64_MIN), -(1 << 30));
    EXPECT_EQ(ToPixel(kNone), kNone);
    EXPECT_EQ(ToPixel(-5), -5);
}

TEST(SampleMapping, OffsetValuesAndBandsMatchTheirExtremes)
{
    EXPECT_EQ(OffsetSample(-32767), 0);
    EXPECT_EQ(OffsetSample(-32768), 65535);
    EXPECT_EQ(OffsetSample(32767), 65534);
    EXPECT_EQ(OffsetSample(0), 32767);
    EXPECT_EQ(HalfBandY(0), 0);
    EXPECT_EQ(HalfBandY(65534), 74);
    EXPECT_EQ(HalfBandY(65535), 74); // not 75: the divider belongs to no channel's top
    EXPECT_EQ(FullBandY(65535), 149);
    EXPECT_EQ(FullBandY(32767), 74);
    for (uint32_t bits = 0; bits < 65536; ++bits) {
        ASSERT_LE(LeftBandTable()[bits], 74);
        ASSERT_GE(RightBandTable()[bits], 75);
        ASSERT_LE(RightBandTable()[bits], 149);
        ASSERT_LE(MonoTable()[bits], 149);
    }
    // Larger sample values are drawn lower.
    EXPECT_LT(LeftBandTable()[uint16_t(int16_t(-1000))], LeftBandTable()[uint16_t(1000)]);
}

TEST(RulerLabels, TextsAreHoursMinutesSecondsOrMinutesSecondsMilliseconds)
{
    EXPECT_EQ(RulerText(0, false), "0:00:00");
    EXPECT_EQ(RulerText(3 * 1000000, false), "0:00:03");
    EXPECT_EQ(RulerText(61234567, true), "01:01.234");
    EXPECT_EQ(RulerText(3723500000LL, true), "1:02:03.500");
    EXPECT_EQ(RulerText(7200LL * 1000000, false), "2:00:00");
    EXPECT_EQ(RulerText(100LL * 3600 * 1000000, false), "100:00:00"); // hours unbounded
}

namespace {

bool IsRoundStep(int64_t step)
{
    for (int64_t unit : {int64_t(1000), int64_t(1000000), int64_t(60000000)}) {
        if (step < unit || step % unit != 0)
            continue;
        int64_t n = step / unit;
        while (n % 10 == 0)
            n /= 10;
        if (n == 1 || n == 2 || n == 5)
            return true;
    }
    return false;
}

} // namespace

TEST(RulerLabels, EveryLabelNamesTheTimeUnderItsTickAndNoneOverlap)
{
    QFont font;
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    auto measure = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    int64_t lastStep = 0;
    for (uint32_t zoom = 16; zoom <= (1u << 30); zoom *= 2) {
        for (int64_t pos : {int64_t(0), int64_t(1), int64_t(333), int64_t(100000)}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << " pos " << pos);
            const RulerLayout layout = LayoutRuler(zoom, pos, 140, 1000, 12, measure);
            ASSERT_TRUE(IsRoundStep(layout.majorStep)) << layout.majorStep;
            EXPECT_EQ(layout.msMode, layout.majorStep < 1000000);
            ASSERT_GE(layout.labels.size(), 2u);
            for (size_t i = 0; i < layout.labels.size(); ++i) {
                const RulerLabel& label = layout.labels[i];
                // The tick's column holds the labelled time, which is a multiple of the step.
                EXPECT_LE(TimeOfX(label.x, zoom, pos), label.time);
                EXPECT_GT(TimeOfX(label.x + 1, zoom, pos), label.time);
                EXPECT_EQ(label.time % layout.majorStep, 0);
                EXPECT_EQ(label.text, RulerText(label.time, layout.msMode));
                EXPECT_EQ(label.width, measure(label.text));
                if (i > 0) {
                    const RulerLabel& before = layout.labels[i - 1];
                    EXPECT_EQ(label.time - before.time, layout.majorStep);
                    EXPECT_GE(label.left, before.left + before.width + 1)
                        << label.text.toStdString();
                }
            }
            // Minor ticks at round fractions, between the major ones.
            if (layout.minorStep) {
                EXPECT_EQ(layout.majorStep % layout.minorStep, 0);
                const int64_t parts = layout.majorStep / layout.minorStep;
                EXPECT_TRUE(parts == 2 || parts == 4 || parts == 5) << parts;
                for (int x : layout.minorX)
                    for (const RulerLabel& label : layout.labels)
                        EXPECT_NE(x, label.x);
            }
            if (pos == 0) {
                EXPECT_GE(layout.majorStep, lastStep); // coarser zooms, coarser steps
                lastStep = layout.majorStep;
            }
        }
    }
}

TEST(RulerLabels, TheStartingZoomLabelsWholeSecondsAtTheirColumns)
{
    QFont font;
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    const RulerLayout layout = LayoutRuler(5248, 0, 140, 800, 12, [&](const QString& text) {
        return metrics.horizontalAdvance(text);
    });
    ASSERT_GE(layout.labels.size(), 3u);
    EXPECT_EQ(layout.labels[0].x, 140);
    EXPECT_EQ(layout.labels[0].text, "0:00:00");
    // 8.4 columns a second: a label every 10 s (84 columns), none at 3.57 s.
    EXPECT_EQ(layout.majorStep, 10 * 1000000);
    EXPECT_EQ(layout.labels[1].text, "0:00:10");
    EXPECT_EQ(layout.labels[1].x, XOfTime(10 * 1000000, 5248, 0));
}

TEST(TrackInfoTexts, LengthChannelsAndRateAreWrittenAsTheLabelsShowThem)
{
    EXPECT_EQ(CDlgTrackInfo::TimeText(61500000), "Time: 00:01:01.500");
    EXPECT_EQ(CDlgTrackInfo::TimeText(0), "Time: 00:00:00.000");
    EXPECT_EQ(CDlgTrackInfo::TimeText(360000LL * 1000000 + 999999), "Time: 100:00:00.999");
    EXPECT_EQ(CDlgTrackInfo::ChannelText(1), "Channel: Mono");
    EXPECT_EQ(CDlgTrackInfo::ChannelText(2), "Channel: Stereo");
    EXPECT_EQ(CDlgTrackInfo::ChannelText(6), "Channel: 5.1 Dolby");
    EXPECT_EQ(CDlgTrackInfo::ChannelText(4), "Channel:4");
    EXPECT_EQ(CDlgTrackInfo::SampleText(44100), "Samples: 44100Hz");
    EXPECT_EQ(CDlgTrackInfo::SampleText(22050), "Samples: 22050Hz");
}
