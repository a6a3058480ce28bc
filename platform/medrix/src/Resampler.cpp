// libswresample in front of the sink.
#include "Resampler.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <vector>

namespace medrix {

namespace {

// Output frames produced per swr call at most. Input is fed in pieces that
// stay under this, so a high rate ratio never asks for a huge buffer.
constexpr int kMaxOutSamples = 1 << 16;

bool sameLayout(const AVChannelLayout& a, const AVChannelLayout& b)
{
    return av_channel_layout_compare(&a, &b) == 0;
}

// Whether every float sample is a whole 16-bit step in range.
template <typename T> bool wholeSteps(const T* v, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const T s = v[i] * T(32768);
        if (!(s >= T(-32768) && s <= T(32767)) || s != std::trunc(s))
            return false;
    }
    return true;
}

} // namespace

Resampler::~Resampler()
{
    av_freep(&m_out[0]);
    av_channel_layout_uninit(&m_inLayout);
}

bool Resampler::configure(const AVFrame& frame)
{
    av_channel_layout_uninit(&m_inLayout);
    // Plain PCM wave files (and some raw streams) carry no channel mask; the
    // conventional layout for the count gives swresample a downmix matrix.
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
        av_channel_layout_check(&frame.ch_layout) == 0)
        av_channel_layout_default(&m_inLayout, frame.ch_layout.nb_channels);
    else if (av_channel_layout_copy(&m_inLayout, &frame.ch_layout) < 0)
        return false;
    m_inRate = frame.sample_rate;
    m_inFormat = frame.format;

    // Dither where a deeper source meets the 16-bit sink.
    const bool deep = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame.format)) > 2 &&
                      av_get_bytes_per_sample(m_sink.sampleFormat()) == 2;
    const bool dither = m_dither && deep;
    auto build = [&](const AVChannelLayout& inLayout, bool withDither) {
        SwrContext* swr = nullptr;
        // FFmpeg 5.1 takes the layouts by non-const pointer but only reads them.
        if (swr_alloc_set_opts2(
                &swr, const_cast<AVChannelLayout*>(&m_sink.channelLayout()), m_sink.sampleFormat(),
                m_sink.sampleRate(), const_cast<AVChannelLayout*>(&inLayout),
                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr) < 0)
            return SwrPtr();
        SwrPtr owned(swr);
        if (withDither && av_opt_set_int(swr, "dither_method", SWR_DITHER_TRIANGULAR, 0) < 0)
            return SwrPtr();
        // A rate change goes through the SoX resampler at its very high
        // quality, in floating point (its own 16-bit output would add a
        // dither of its own).
        if (frame.sample_rate != m_sink.sampleRate() &&
            (av_opt_set(swr, "resampler", "soxr", 0) < 0 ||
             av_opt_set_int(swr, "precision", 28, 0) < 0 ||
             av_opt_set_sample_fmt(swr, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0) < 0))
            return SwrPtr();
        if (swr_init(swr) < 0)
            return SwrPtr();
        return owned;
    };
    m_swrExact.reset();
    m_swr = build(m_inLayout, dither);
    if (!m_swr && m_inLayout.order != AV_CHANNEL_ORDER_NATIVE) {
        // An unusual layout (custom order, ambisonics) the matrix code cannot
        // place: treat the channels as the usual layout for their count.
        AVChannelLayout fallback{};
        av_channel_layout_default(&fallback, frame.ch_layout.nb_channels);
        m_swr = build(fallback, dither);
        av_channel_layout_uninit(&fallback);
    }
    if (!m_swr)
        return false;
    // Without a rate change the conversion holds nothing back, so a frame of
    // exact 16-bit values can take the undithered way and stay exact.
    if (dither && frame.sample_rate == m_sink.sampleRate()) {
        m_swrExact = build(m_inLayout, false);
        if (!m_swrExact)
            return false;
    }
    return true;
}

bool Resampler::reserve(int samples)
{
    if (samples <= m_outCapacity)
        return true;
    av_freep(&m_out[0]);
    m_outCapacity = 0;
    int linesize = 0;
    if (av_samples_alloc(m_out.data(), &linesize, m_sink.channelLayout().nb_channels, samples,
                         m_sink.sampleFormat(), 0) < 0)
        return false;
    m_outCapacity = samples;
    return true;
}

bool Resampler::exact16(const AVFrame& frame)
{
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int planes = av_sample_fmt_is_planar(format) ? frame.ch_layout.nb_channels : 1;
    const size_t count =
        static_cast<size_t>(frame.nb_samples) *
        static_cast<size_t>(av_sample_fmt_is_planar(format) ? 1 : frame.ch_layout.nb_channels);
    for (int p = 0; p < planes; ++p) {
        const uint8_t* data = frame.extended_data[p];
        switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_S32: {
            const auto* v = reinterpret_cast<const int32_t*>(data);
            uint32_t low = 0;
            for (size_t i = 0; i < count; ++i)
                low |= static_cast<uint32_t>(v[i]) & 0xFFFFu;
            if (low)
                return false;
            break;
        }
        case AV_SAMPLE_FMT_FLT:
            if (!wholeSteps(reinterpret_cast<const float*>(data), count))
                return false;
            break;
        case AV_SAMPLE_FMT_DBL:
            if (!wholeSteps(reinterpret_cast<const double*>(data), count))
                return false;
            break;
        default:
            return false; // 64-bit integers: always reduced with dither
        }
    }
    return true;
}

bool Resampler::convert(SwrContext* swr, const uint8_t** in, int inSamples)
{
    int wanted = swr_get_out_samples(swr, inSamples);
    if (wanted < 0 || !reserve(std::max(wanted, 1)))
        return false;
    int n = swr_convert(swr, m_out.data(), m_outCapacity, in, inSamples);
    if (n < 0)
        return false;
    return m_sink.write(m_out.data(), n);
}

bool Resampler::push(const AVFrame& frame)
{
    if (frame.nb_samples <= 0 || frame.sample_rate <= 0 || frame.ch_layout.nb_channels <= 0)
        return true; // nothing to convert
    if (!m_swr || frame.sample_rate != m_inRate || frame.format != m_inFormat ||
        frame.ch_layout.nb_channels != m_inLayout.nb_channels ||
        (frame.ch_layout.order != AV_CHANNEL_ORDER_UNSPEC &&
         !sameLayout(frame.ch_layout, m_inLayout))) {
        if (m_swr && !flush())
            return false;
        if (!configure(frame))
            return false;
    }

    // Feed the frame in pieces whose output stays under kMaxOutSamples.
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int bytesPerSample = av_get_bytes_per_sample(format);
    const bool planar = av_sample_fmt_is_planar(format);
    const int channels = frame.ch_layout.nb_channels;
    const int64_t rate = std::max(1, m_sink.sampleRate());
    const int piece = static_cast<int>(
        std::max<int64_t>(1, static_cast<int64_t>(kMaxOutSamples) * frame.sample_rate / rate / 2));
    const int planes = planar ? channels : 1;
    SwrContext* swr = m_swrExact && exact16(frame) ? m_swrExact.get() : m_swr.get();
    std::vector<const uint8_t*> in(static_cast<size_t>(planes));
    for (int done = 0; done < frame.nb_samples;) {
        const int n = std::min(piece, frame.nb_samples - done);
        const size_t offset = static_cast<size_t>(done) * static_cast<size_t>(bytesPerSample) *
                              static_cast<size_t>(planar ? 1 : channels);
        for (int p = 0; p < planes; ++p)
            in[static_cast<size_t>(p)] = frame.extended_data[p] + offset;
        if (!convert(swr, in.data(), n))
            return false;
        done += n;
    }
    return true;
}

bool Resampler::flush()
{
    if (!m_swr)
        return true;
    for (;;) {
        int wanted = swr_get_out_samples(m_swr.get(), 0);
        if (wanted <= 0)
            return true;
        if (!reserve(std::min(wanted, kMaxOutSamples)))
            return false;
        int n = swr_convert(m_swr.get(), m_out.data(), m_outCapacity, nullptr, 0);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!m_sink.write(m_out.data(), n))
            return false;
    }
}

} // namespace medrix
