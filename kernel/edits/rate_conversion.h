// Where audio of one sample rate meets a track of another (paste, mix, join)
// it is converted with the SoX resampler through libswresample, never by
// reading one rate's bytes as the other's.
#pragma once

#include "edits/timeline_builder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct SwrContext;
class CTimeline;
class CTrack;

namespace kernel {

/** The lowest and highest rate a track keeps as its own. */
inline constexpr uint32_t kLowestRate = 8000;
inline constexpr uint32_t kHighestRate = 192000;

/** A stream of 16-bit interleaved frames converted from one rate to another.
 *  The output is exactly as long as the input's duration at the new rate
 *  (frames x to / from, rounded), aligned with it in time. */
class CRateConverter {
public:
    CRateConverter() = default;
    ~CRateConverter();
    CRateConverter(const CRateConverter&) = delete;
    CRateConverter& operator=(const CRateConverter&) = delete;

    /** false when libswresample refuses the conversion. */
    bool Open(uint32_t channels, uint32_t fromRate, uint32_t toRate);
    /** Converts frames of input, appending what comes out to out. */
    bool Convert(const int16_t* in, int64_t frames, std::vector<int16_t>& out);
    /** Drains what the filter holds back and trims or pads the stream to
     *  its exact length. */
    bool Finish(std::vector<int16_t>& out);

    /** Frames a stream of the given frames at fromRate has at toRate. */
    static int64_t ConvertedFrames(int64_t frames, uint32_t fromRate, uint32_t toRate);

private:
    bool run(const uint8_t* in, int frames, std::vector<int16_t>& out);

    SwrContext* m_swr = nullptr;
    uint32_t m_channels = 0, m_fromRate = 0, m_toRate = 0;
    int64_t m_inFrames = 0, m_outFrames = 0;
};

/** How ConvertRange ended. */
enum class Conversion {
    Done,
    ReadFailed, ///< a data file could not be read (noted), or the call was asked to stop
    Refused,    ///< the resampler would not take the rates
    SinkFailed, ///< the sink said no
};

/** Streams [from, to) of timeline (in format; to = 0: to its end) through a
 *  CRateConverter to rate, handing the converted interleaved samples to
 *  sink a block at a time. */
Conversion ConvertRange(const CTimeline& timeline, const AudioFormat& format, int64_t from,
                        int64_t to, uint32_t rate,
                        const std::function<bool(const int16_t* samples, size_t count)>& sink);

/** A clip as a track of rate can take it: the clip itself when the rates are
 *  equal; otherwise its audio converted into a temporary track beside
 *  destination, which goes with its files when this does. */
class CRateMatchedClip {
public:
    CRateMatchedClip();
    ~CRateMatchedClip();

    /** [from, to) of timeline (in format; to = 0 means to its end) for a
     *  track at rate. false with the last error set when the conversion
     *  fails; the destination is not touched either way. */
    bool Prepare(const CTrack& destination, const CTimeline& timeline, const AudioFormat& format,
                 int64_t from, int64_t to, uint32_t rate);

    const CTimeline& Timeline() const { return *m_timeline; }
    const AudioFormat& Format() const { return m_format; }
    int64_t From() const { return m_from; }
    int64_t To() const { return m_to; }

private:
    std::unique_ptr<CTrack> m_converted;
    const CTimeline* m_timeline = nullptr;
    AudioFormat m_format{};
    int64_t m_from = 0, m_to = 0;
};

} // namespace kernel
