// FFmpeg encoder + muxer output.
#include "EncoderSink.h"

#include <cstdlib>
#include <limits>

namespace medrix {

namespace {

// Frame size for encoders that accept any: large enough to keep the per-call
// overhead low, small enough to keep memory flat.
constexpr int kVariableFrameSize = 4096;

int nearestRate(const AVCodec* codec, int wanted)
{
    if (!codec->supported_samplerates)
        return wanted;
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (best == 0 || std::abs(*r - wanted) < std::abs(best - wanted))
            best = *r;
    return best ? best : wanted;
}

} // namespace

EncoderSink::~EncoderSink()
{
    if (m_muxer) {
        avio_closep(&m_muxer->pb);
        avformat_free_context(m_muxer);
    }
}

bool EncoderSink::open(const OutputPlan& plan, const std::string& path, int sampleRate,
                       int channels, int64_t bitRate, const EncoderOptions& options)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(plan.encoder().c_str());
    if (!codec ||
        avformat_alloc_output_context2(&m_muxer, nullptr, plan.muxer().c_str(), nullptr) < 0)
        return false;
    m_encoder.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    if (!m_encoder || !m_packet)
        return false;

    // The first format an encoder lists is its native one (s32p for LAME,
    // fltp for AAC), which the resampler then produces directly.
    m_encoder->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    // A 24-bit FLAC takes 32-bit samples of which it keeps the top 24.
    if (options.bits == 24 && plan.encoder() == "flac" && codec->sample_fmts)
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_S32) {
                m_encoder->sample_fmt = *f;
                m_encoder->bits_per_raw_sample = 24;
            }
    m_encoder->sample_rate = nearestRate(codec, sampleRate);
    av_channel_layout_default(&m_encoder->ch_layout, channels);
    if (plan.takesBitRate() && options.useQuality) {
        m_encoder->flags |= AV_CODEC_FLAG_QSCALE;
        m_encoder->global_quality = FF_QP2LAMBDA * options.quality;
    } else if (plan.takesBitRate()) {
        m_encoder->bit_rate = bitRate;
    }
    if (options.compressionLevel >= 0)
        m_encoder->compression_level = options.compressionLevel;
    m_encoder->time_base = AVRational{1, m_encoder->sample_rate};
    if (m_muxer->oformat->flags & AVFMT_GLOBALHEADER)
        m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(m_encoder.get(), codec, nullptr) < 0)
        return false;

    m_stream = avformat_new_stream(m_muxer, nullptr);
    if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get()) < 0)
        return false;
    m_stream->time_base = m_encoder->time_base;

    if (avio_open2(&m_muxer->pb, ("file:" + path).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0)
        return false;
    // MP4 edit lists are written in the movie time scale, by default 1/1000 s;
    // at the sample rate the list records the encoder's delay and padding to
    // the sample. Other muxers ignore the option.
    AVDictionary* muxerOptions = nullptr;
    av_dict_set_int(&muxerOptions, "movie_timescale", m_encoder->sample_rate, 0);
    const int written = avformat_write_header(m_muxer, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (written < 0)
        return false;

    const bool variable =
        (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || m_encoder->frame_size <= 0;
    m_frameSize = variable ? kVariableFrameSize : m_encoder->frame_size;
    m_shortLastFrame = variable || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    m_fifo.reset(av_audio_fifo_alloc(m_encoder->sample_fmt, channels, 2 * m_frameSize));
    return m_fifo != nullptr;
}

bool EncoderSink::write(const uint8_t* const* planes, int samples)
{
    if (!m_fifo || samples < 0)
        return false;
    if (samples > 0 &&
        av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(planes)),
                            samples) < samples)
        return false;
    while (av_audio_fifo_size(m_fifo.get()) >= m_frameSize)
        if (!encodeFromFifo(m_frameSize))
            return false;
    return true;
}

bool EncoderSink::encodeFromFifo(int samples)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return false;
    // A short last frame is padded with silence for encoders that only take
    // whole frames; the others get it as it is and record the padding.
    frame->nb_samples = m_shortLastFrame ? samples : m_frameSize;
    frame->format = m_encoder->sample_fmt;
    frame->sample_rate = m_encoder->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    if (frame->nb_samples > samples)
        av_samples_set_silence(frame->extended_data, 0, frame->nb_samples,
                               frame->ch_layout.nb_channels, m_encoder->sample_fmt);
    if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples) <
        samples)
        return false;
    frame->pts = m_nextPts;
    m_nextPts += frame->nb_samples;
    return encode(frame.get());
}

bool EncoderSink::encode(const AVFrame* frame)
{
    if (avcodec_send_frame(m_encoder.get(), frame) < 0)
        return false;
    for (;;) {
        int r = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        if (av_interleaved_write_frame(m_muxer, m_packet.get()) < 0)
            return false;
    }
}

bool EncoderSink::finish()
{
    if (!m_fifo)
        return false;
    int rest = av_audio_fifo_size(m_fifo.get());
    if (rest > 0 && !encodeFromFifo(rest))
        return false;
    if (!encode(nullptr))
        return false;
    if (av_write_trailer(m_muxer) < 0)
        return false;
    bool ok = m_muxer->pb->error == 0;
    ok = avio_closep(&m_muxer->pb) == 0 && ok;
    return ok;
}

} // namespace medrix
