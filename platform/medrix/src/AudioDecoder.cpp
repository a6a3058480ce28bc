// libavformat + libavcodec input.
#include "AudioDecoder.h"

#include <sys/stat.h>

namespace medrix {

namespace {

// Rates outside this range are not audio anyone records; refusing them also
// bounds how much a resampler can multiply a tiny hostile file.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 64; // libswresample's limit

// A decoder that keeps failing without giving a frame is not going to recover.
constexpr int kMaxConsecutiveErrors = 1000;

// Inputs are single local files. Playlists and references to other files or
// URLs (HLS, DASH, concat lists, MP4 data references) are not followed.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

bool plausible(int rate, int channels)
{
    return rate >= kMinRate && rate <= kMaxRate && channels >= 1 && channels <= kMaxChannels;
}

} // namespace

AudioDecoder::~AudioDecoder()
{
    m_decoder.reset();
    avformat_close_input(&m_format);
    if (m_customIo) {
        if (m_io)
            av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    } else {
        avio_closep(&m_io);
    }
}

int AudioDecoder::readSource(void* self, uint8_t* buffer, int size)
{
    auto* d = static_cast<AudioDecoder*>(self);
    if (d->stopRequested())
        return AVERROR_EXIT;
    const int got = d->m_source.read(d->m_source.context, buffer, size);
    if (got < 0)
        return AVERROR(EIO);
    if (got == 0)
        return AVERROR_EOF;
    d->m_sourcePos += got;
    return got;
}

int64_t AudioDecoder::seekSource(void* self, int64_t offset, int whence)
{
    auto* d = static_cast<AudioDecoder*>(self);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return d->m_source.size;
    int64_t to = offset;
    if (whence == SEEK_CUR)
        to = d->m_sourcePos + offset;
    else if (whence == SEEK_END)
        to = d->m_source.size + offset;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (to < 0 || d->m_source.seek(d->m_source.context, to) != to)
        return AVERROR(EIO);
    d->m_sourcePos = to;
    return to;
}

bool AudioDecoder::open(const MedrixByteSource& source)
{
    if (!source.read || !source.seek || source.size <= 0)
        return false;
    m_source = source;
    m_info.fileSize = source.size;
    if (m_source.seek(m_source.context, 0) != 0)
        return false;
    m_sourcePos = 0;
    constexpr int kBuffer = 1 << 16;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBuffer));
    if (!buffer)
        return false;
    m_io = avio_alloc_context(buffer, kBuffer, 0, this, &AudioDecoder::readSource, nullptr,
                              &AudioDecoder::seekSource);
    if (!m_io) {
        av_free(buffer);
        return false;
    }
    m_customIo = true;
    return openFormat("");
}

int AudioDecoder::interrupted(void* self)
{
    return static_cast<AudioDecoder*>(self)->stopRequested() ? 1 : 0;
}

bool AudioDecoder::open(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return false;
    m_info.fileSize = st.st_size;

    // The path is always a file name: "file:" keeps a name such as
    // "http:x.mp3" or "concat:a|b" from being taken for a protocol.
    const AVIOInterruptCB interrupt{&AudioDecoder::interrupted, this};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVIOContext* io = nullptr;
    int r = avio_open2(&io, ("file:" + path).c_str(), AVIO_FLAG_READ, &interrupt, &options);
    av_dict_free(&options);
    if (r < 0)
        return false;
    // avio_open2 contexts are closed with avio_closep; keep it for the destructor.
    m_io = io;
    return openFormat(path.c_str());
}

bool AudioDecoder::openFormat(const char* name)
{
    const AVIOInterruptCB interrupt{&AudioDecoder::interrupted, this};
    m_format = avformat_alloc_context();
    if (!m_format)
        return false;
    m_format->pb = m_io;
    m_format->interrupt_callback = interrupt;
    m_format->io_open = refuseNestedOpen;
    if (avformat_open_input(&m_format, name, nullptr, nullptr) < 0)
        return false; // m_format was freed and nulled
    if (avformat_find_stream_info(m_format, nullptr) < 0)
        return false;

    for (unsigned i = 0; i < m_format->nb_streams && !m_decoder; ++i) {
        AVStream* stream = m_format->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec)
            continue;
        CodecContextPtr decoder(avcodec_alloc_context3(codec));
        if (!decoder || avcodec_parameters_to_context(decoder.get(), par) < 0)
            continue;
        // Lets the decoder turn the demuxer's skip-samples (encoder delay,
        // edit lists, gapless padding) into trimmed frames.
        decoder->pkt_timebase = stream->time_base;
        if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
            continue;
        if (!plausible(decoder->sample_rate, decoder->ch_layout.nb_channels))
            continue;
        m_decoder = std::move(decoder);
        m_info.streamIndex = static_cast<int>(i);
    }
    if (!m_decoder)
        return false;
    m_packet.reset(av_packet_alloc());
    if (!m_packet)
        return false;

    AVStream* stream = m_format->streams[m_info.streamIndex];
    for (unsigned i = 0; i < m_format->nb_streams; ++i)
        if (static_cast<int>(i) != m_info.streamIndex)
            m_format->streams[i]->discard = AVDISCARD_ALL;

    const AVCodecParameters* par = stream->codecpar;
    m_info.formatName = m_format->iformat->name ? m_format->iformat->name : "";
    m_info.codecName = avcodec_get_name(par->codec_id);
    m_info.codecId = par->codec_id;
    if (const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par->codec_id))
        m_info.lossless = (descriptor->props & AV_CODEC_PROP_LOSSLESS) != 0;
    m_info.channels = m_decoder->ch_layout.nb_channels;
    m_info.sampleRate = m_decoder->sample_rate;
    m_info.bitRate =
        par->bit_rate > 0 ? par->bit_rate : (m_format->bit_rate > 0 ? m_format->bit_rate : 0);
    m_info.bitsPerSample = av_get_bits_per_sample(par->codec_id);
    m_info.streamCount = static_cast<int>(m_format->nb_streams);
    const bool streamDuration = stream->duration != AV_NOPTS_VALUE && stream->duration > 0 &&
                                stream->time_base.num > 0 && stream->time_base.den > 0;
    if (m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
        m_info.duration = m_format->duration;
    else if (streamDuration)
        m_info.duration = av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q);
    if (streamDuration && m_format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        m_info.duration = av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q);
        m_info.exactDuration = true;
    }
    if (m_info.duration < 0)
        m_info.duration = 0;
    if (streamDuration && m_info.formatName.rfind("mov,", 0) == 0)
        m_info.editEndSamples =
            av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_info.sampleRate});
    return true;
}

AudioDecoder::Result AudioDecoder::next(AVFrame* frame)
{
    if (!m_decoder)
        return Result::Failed;
    av_frame_unref(frame);
    int errors = 0;
    for (;;) {
        if (stopRequested())
            return Result::Stopped;
        int r = avcodec_receive_frame(m_decoder.get(), frame);
        if (r == 0) {
            if (frame->nb_samples <= 0 ||
                !plausible(frame->sample_rate, frame->ch_layout.nb_channels)) {
                av_frame_unref(frame);
                continue;
            }
            m_decodedMicros += av_rescale(frame->nb_samples, 1000000, frame->sample_rate);
            return Result::Frame;
        }
        if (r == AVERROR_EOF)
            return Result::End;
        if (r != AVERROR(EAGAIN)) {
            // A broken frame: skip it, as players do, unless nothing else comes.
            if (++errors > kMaxConsecutiveErrors)
                return Result::Failed;
            continue;
        }
        if (m_draining)
            return Result::End;

        r = av_read_frame(m_format, m_packet.get());
        if (stopRequested() || r == AVERROR_EXIT)
            return Result::Stopped;
        if (r < 0) {
            if (r != AVERROR_EOF)
                m_readError = true;
            m_draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            continue;
        }
        if (m_packet->stream_index != m_info.streamIndex) {
            av_packet_unref(m_packet.get());
            continue;
        }
        r = avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (r < 0 && ++errors > kMaxConsecutiveErrors)
            return Result::Failed;
    }
}

int64_t AudioDecoder::bytesRead() const
{
    return m_io ? avio_tell(m_io) : 0;
}

} // namespace medrix
