// EndTrimmer: audio is cut at a stated end unless the overshoot is more than
// padding, in which case nothing is lost.
#include "../src/EndTrimmer.h"

#include <gtest/gtest.h>

#include <vector>

using medrix::EndTrimmer;
using medrix::FramePtr;

namespace {

FramePtr monoFrame(int samples, int16_t value)
{
    FramePtr f(av_frame_alloc());
    f->nb_samples = samples;
    f->format = AV_SAMPLE_FMT_S16;
    f->sample_rate = 44100;
    av_channel_layout_default(&f->ch_layout, 1);
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    auto* p = reinterpret_cast<int16_t*>(f->data[0]);
    for (int i = 0; i < samples; ++i)
        p[i] = value;
    return f;
}

struct Collected {
    std::vector<int16_t> samples;
    EndTrimmer::Emit emit()
    {
        return [this](AVFrame& f) {
            auto* p = reinterpret_cast<const int16_t*>(f.data[0]);
            samples.insert(samples.end(), p, p + f.nb_samples);
            return true;
        };
    }
};

} // namespace

TEST(MedrixEndTrimmer, CutsTheLastFramesAtTheStatedEnd)
{
    Collected out;
    EndTrimmer trimmer(2500, out.emit());
    for (int16_t v = 1; v <= 4; ++v) {
        FramePtr f = monoFrame(1024, v);
        ASSERT_TRUE(trimmer.push(*f));
    }
    ASSERT_TRUE(trimmer.finish());
    ASSERT_EQ(out.samples.size(), 2500u);
    EXPECT_EQ(out.samples[1023], 1);
    EXPECT_EQ(out.samples[2047], 2);
    EXPECT_EQ(out.samples[2048], 3);
    EXPECT_EQ(out.samples[2499], 3);
}

TEST(MedrixEndTrimmer, WithoutAStatedEndEverythingPasses)
{
    Collected out;
    EndTrimmer trimmer(-1, out.emit());
    for (int i = 0; i < 3; ++i) {
        FramePtr f = monoFrame(1000, 5);
        ASSERT_TRUE(trimmer.push(*f));
    }
    ASSERT_TRUE(trimmer.finish());
    EXPECT_EQ(out.samples.size(), 3000u);
}

TEST(MedrixEndTrimmer, AnEndFarShortOfTheAudioIsNotTakenForPadding)
{
    // The container claims 1000 samples but 20 frames follow: a wrong claim,
    // so all 20480 samples are kept, in order.
    Collected out;
    EndTrimmer trimmer(1000, out.emit());
    for (int16_t v = 0; v < 20; ++v) {
        FramePtr f = monoFrame(1024, v);
        ASSERT_TRUE(trimmer.push(*f));
    }
    ASSERT_TRUE(trimmer.finish());
    ASSERT_EQ(out.samples.size(), 20u * 1024);
    for (size_t i = 0; i < out.samples.size(); ++i)
        ASSERT_EQ(out.samples[i], static_cast<int16_t>(i / 1024));
}
