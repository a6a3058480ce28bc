// Encodes samples with an FFmpeg encoder and muxes them into a file. Samples
// are gathered in a small FIFO and handed on in the encoder's frame size; the
// last short frame and the encoder's delayed packets are flushed at the end,
// so the muxer can record priming and padding (LAME header, MP4 edit list).
#pragma once

#include "AudioSink.h"
#include "FfmpegPtr.h"
#include "OutputPlan.h"

#include <string>

namespace medrix {

/** What an encoder is asked for beyond its bit rate. */
struct EncoderOptions {
    int bits = 16;           // 24: a 24-bit FLAC
    bool useQuality = false; // variable quality instead of the bit rate
    int quality = 0;
    int compressionLevel = -1;
};

class EncoderSink : public AudioSink {
public:
    EncoderSink() = default;
    ~EncoderSink() override;
    EncoderSink(const EncoderSink&) = delete;
    EncoderSink& operator=(const EncoderSink&) = delete;

    /** Opens the encoder and the muxer and writes the container header. The
     *  rate becomes the nearest one the encoder supports. */
    bool open(const OutputPlan& plan, const std::string& path, int sampleRate, int channels,
              int64_t bitRate, const EncoderOptions& options = {});

    AVSampleFormat sampleFormat() const override { return m_encoder->sample_fmt; }
    int sampleRate() const override { return m_encoder->sample_rate; }
    const AVChannelLayout& channelLayout() const override { return m_encoder->ch_layout; }
    bool write(const uint8_t* const* planes, int samples) override;
    bool finish() override;

private:
    bool encodeFromFifo(int samples);
    bool encode(const AVFrame* frame);

    AVFormatContext* m_muxer = nullptr;
    CodecContextPtr m_encoder;
    AVStream* m_stream = nullptr;
    FifoPtr m_fifo;
    PacketPtr m_packet;
    int m_frameSize = 0;
    bool m_shortLastFrame = false;
    int64_t m_nextPts = 0;
};

} // namespace medrix
