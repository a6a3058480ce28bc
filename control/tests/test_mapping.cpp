// Time <-> pixel conversions, the sample-to-y mapping, the ruler's labels and
// the info panel's texts.
#include "dlg_scale.h"
#include "dlg_track_info.h"
#include "sample_mapping.h"
#include "time_mapping.h"

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

TEST(RulerLabels, MillisecondModeSwitchesOnBelowZoom735)
{
    EXPECT_FALSE(CDlgScale::MillisecondMode(735, 120)); // 735 x 120 = 88200 is not below
    EXPECT_TRUE(CDlgScale::MillisecondMode(734, 120));
    EXPECT_FALSE(CDlgScale::MillisecondMode(5248, 120));
    EXPECT_EQ(CDlgScale::LabelText(61234567, true), "01:01:234");
    EXPECT_EQ(CDlgScale::LabelText(59900000, false), "01:00"); // plus 0.2 s
    EXPECT_EQ(CDlgScale::LabelText(0, false), "00:00");
    EXPECT_EQ(CDlgScale::LabelText(7200LL * 1000000, false), "120:00"); // minutes unbounded
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
