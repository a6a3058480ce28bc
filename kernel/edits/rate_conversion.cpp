#include "edits/rate_conversion.h"

#include "common/last_error.h"
#include "common/stop.h"
#include "effects/range_source.h"
#include "store/piece_writer.h"
#include "track/track.h"
#include "vorlain/timeline.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>

namespace kernel {

namespace {
constexpr uint32_t kConversionRefused = 0x0E80B001; // the resampler would not start
// Input frames per resampler call: bounds the output buffer at any ratio.
constexpr int64_t kFramesPerCall = 16384;
// Frames read from a clip at a time.
constexpr int64_t kFramesPerRead = 32768;
} // namespace

CRateConverter::~CRateConverter()
{
    swr_free(&m_swr);
}

int64_t CRateConverter::ConvertedFrames(int64_t frames, uint32_t fromRate, uint32_t toRate)
{
    if (fromRate == 0)
        return 0;
    return (frames * toRate + fromRate / 2) / fromRate;
}

bool CRateConverter::Open(uint32_t channels, uint32_t fromRate, uint32_t toRate)
{
    swr_free(&m_swr);
    m_channels = channels;
    m_fromRate = fromRate;
    m_toRate = toRate;
    m_inFrames = m_outFrames = 0;
    if (channels == 0 || fromRate == 0 || toRate == 0 || fromRate > INT_MAX || toRate > INT_MAX)
        return false;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, static_cast<int>(channels));
    int rc =
        swr_alloc_set_opts2(&m_swr, &layout, AV_SAMPLE_FMT_S16, static_cast<int>(toRate), &layout,
                            AV_SAMPLE_FMT_S16, static_cast<int>(fromRate), 0, nullptr);
    av_channel_layout_uninit(&layout);
    // The SoX resampler at its very high quality (28-bit precision). Its
    // result is rounded to 16 bits without dither: the source was 16-bit
    // already, and a conversion gives the same samples every time (a clip
    // pasted and the same clip mixed onto silence are equal).
    if (rc < 0 || av_opt_set(m_swr, "resampler", "soxr", 0) < 0 ||
        av_opt_set_int(m_swr, "precision", 28, 0) < 0 ||
        // In floating point: SoX's own 16-bit output would add its dither.
        av_opt_set_sample_fmt(m_swr, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0) < 0 ||
        swr_init(m_swr) < 0) {
        swr_free(&m_swr);
        return false;
    }
    return true;
}

bool CRateConverter::run(const uint8_t* in, int frames, std::vector<int16_t>& out)
{
    const int room = swr_get_out_samples(m_swr, frames);
    if (room < 0)
        return false;
    const size_t old = out.size();
    out.resize(old + static_cast<size_t>(room) * m_channels);
    auto* at = reinterpret_cast<uint8_t*>(out.data() + old);
    // FFmpeg 5.1 takes the input planes by non-const pointer but only reads them.
    const uint8_t* plane = in;
    const int got = swr_convert(m_swr, &at, room, in ? &plane : nullptr, frames);
    if (got < 0) {
        out.resize(old);
        return false;
    }
    out.resize(old + static_cast<size_t>(got) * m_channels);
    m_outFrames += got;
    return true;
}

bool CRateConverter::Convert(const int16_t* in, int64_t frames, std::vector<int16_t>& out)
{
    if (!m_swr)
        return false;
    while (frames > 0) {
        const int64_t n = std::min(frames, kFramesPerCall);
        if (!run(reinterpret_cast<const uint8_t*>(in), static_cast<int>(n), out))
            return false;
        m_inFrames += n;
        in += n * m_channels;
        frames -= n;
    }
    return true;
}

bool CRateConverter::Finish(std::vector<int16_t>& out)
{
    if (!m_swr)
        return false;
    const int64_t expected = ConvertedFrames(m_inFrames, m_fromRate, m_toRate);
    // Drain the filter's tail; past the stream's length it is only ringing.
    for (;;) {
        const int64_t before = m_outFrames;
        if (!run(nullptr, 0, out))
            return false;
        if (m_outFrames == before || m_outFrames >= expected)
            break;
    }
    if (m_outFrames > expected) {
        const auto extra = static_cast<size_t>(std::min<int64_t>(
            m_outFrames - expected, static_cast<int64_t>(out.size() / m_channels)));
        out.resize(out.size() - extra * m_channels);
        m_outFrames -= static_cast<int64_t>(extra);
    }
    if (m_outFrames < expected) {
        out.resize(out.size() + static_cast<size_t>(expected - m_outFrames) * m_channels, 0);
        m_outFrames = expected;
    }
    swr_free(&m_swr);
    return true;
}

Conversion ConvertRange(const CTimeline& timeline, const AudioFormat& format, int64_t from,
                        int64_t to, uint32_t rate,
                        const std::function<bool(const int16_t* samples, size_t count)>& sink)
{
    CRangeSource source;
    if (!source.Open(timeline, format, from, to))
        return Conversion::ReadFailed;
    CRateConverter converter;
    if (!converter.Open(format.channels, format.sampleRate, rate))
        return Conversion::Refused;
    const int64_t frameBytes = 2 * int64_t(format.channels);
    std::vector<int16_t> in(static_cast<size_t>(kFramesPerRead * format.channels));
    std::vector<int16_t> out;
    auto hand = [&] {
        const bool ok = out.empty() || sink(out.data(), out.size());
        out.clear();
        return ok;
    };
    const int64_t total = source.Bytes() / frameBytes;
    for (int64_t done = 0; done < total; done += kFramesPerRead) {
        const int64_t n = std::min(kFramesPerRead, total - done);
        if (StopRequested() ||
            !source.Read(done * frameBytes, reinterpret_cast<uint8_t*>(in.data()), n * frameBytes))
            return Conversion::ReadFailed;
        if (!converter.Convert(in.data(), n, out))
            return Conversion::Refused;
        if (!hand())
            return Conversion::SinkFailed;
    }
    if (!converter.Finish(out))
        return Conversion::Refused;
    return hand() ? Conversion::Done : Conversion::SinkFailed;
}

CRateMatchedClip::CRateMatchedClip() = default;
CRateMatchedClip::~CRateMatchedClip() = default;

bool CRateMatchedClip::Prepare(const CTrack& destination, const CTimeline& timeline,
                               const AudioFormat& format, int64_t from, int64_t to, uint32_t rate)
{
    m_converted.reset();
    m_timeline = &timeline;
    m_format = format;
    m_from = from;
    m_to = to;
    if (rate == 0 || rate == format.sampleRate || format.bytesPerSample != 2)
        return true;

    auto track = std::make_unique<CTrack>(std::string(), 0, destination.m_sessionFolder);
    track->m_channels = format.channels;
    track->m_sampleRate = rate;
    track->m_bytesPerSample = 2;
    track->m_present = 0;
    track->m_hidden = true;
    if (!track->MakeTrackFolder())
        return false;
    auto converted = std::make_unique<CTimeline>();
    CPieceWriter pieces(*track, *converted);
    const Conversion result =
        ConvertRange(timeline, format, from, to, rate, [&](const int16_t* samples, size_t count) {
            return pieces.Feed(reinterpret_cast<const uint8_t*>(samples), count * sizeof(int16_t));
        });
    if (result == Conversion::Refused)
        SetLastError(kConversionRefused);
    if (result == Conversion::SinkFailed)
        NoteWriteFailure(pieces.Error() ? pieces.Error() : EIO);
    if (result != Conversion::Done)
        return false; // the temporary track goes with its files
    if (!pieces.Finish()) {
        NoteWriteFailure(pieces.Error() ? pieces.Error() : EIO);
        return false;
    }
    track->m_length = pieces.End();
    track->m_timeline = converted.release();
    track->m_loaded = 1;
    m_timeline = track->m_timeline;
    m_format = {format.channels, rate, 2};
    m_from = 0;
    m_to = track->m_length;
    m_converted = std::move(track);
    return true;
}

} // namespace kernel
