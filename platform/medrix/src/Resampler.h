// Turns decoded frames of any format, rate and channel layout into the sink's
// format, rate and layout (libswresample), downmixing more channels with the
// standard matrix. Reconfigures itself when the input format changes mid-stream.
#pragma once

#include "AudioSink.h"
#include "FfmpegPtr.h"

#include <array>

namespace medrix {

class Resampler {
public:
    explicit Resampler(AudioSink& sink) : m_sink(sink) {}
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    /** Whether samples deeper than 16 bits (a lossless source of 24 or 32
     *  bits, or float) are reduced with triangular (TPDF) dither, as they
     *  should be, rather than rounded. A frame whose samples are all exact
     *  16-bit values at the sink's rate loses nothing and is converted
     *  without dither. Set before the first push. */
    void SetDither(bool dither) { m_dither = dither; }
    /** Converts one decoded frame and writes the result to the sink. */
    bool push(const AVFrame& frame);
    /** Writes out what the resampler still holds (its filter delay). */
    bool flush();

private:
    bool configure(const AVFrame& frame);
    bool convert(SwrContext* swr, const uint8_t** in, int inSamples);
    /** Whether every sample of the frame is a 16-bit value already. */
    static bool exact16(const AVFrame& frame);
    bool reserve(int samples);

    AudioSink& m_sink;
    SwrPtr m_swr;
    SwrPtr m_swrExact; // the same conversion without dither, when the rates agree
    bool m_dither = false;
    AVChannelLayout m_inLayout{};
    int m_inRate = 0;
    int m_inFormat = AV_SAMPLE_FMT_NONE;
    std::array<uint8_t*, AV_NUM_DATA_POINTERS> m_out{};
    int m_outCapacity = 0;
};

} // namespace medrix
