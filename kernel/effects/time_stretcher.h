// Tempo and pitch through Rubber Band's offline stretcher. The range is
// streamed from the track's data files twice, once for the study pass and
// once for the process pass, and the result is cut into new data files of at
// most one piece length: memory holds a chunk and one piece, whatever the
// range's length.
#pragma once

#include "effects/range_source.h"

#include <cstdint>
#include <vector>

class CTrack;

namespace kernel {

class CTimelineBuilder;

class CTimeStretcher {
public:
    /** timeRatio: the result's length over the range's; pitchScale: the
     *  factor on every frequency (1 keeps the pitch). */
    CTimeStretcher(const CTrack& track, double timeRatio, double pitchScale);

    /** Opens [from, to) of the track's current timeline. false when a data
     *  file's size cannot be read. */
    bool Open(int64_t from, int64_t to);
    /** The time the result spans: (to - from) times the time ratio, rounded,
     *  at least 1. Its frames are that time's, rounded up, so the last data
     *  file holds no less than its segment's time. */
    int64_t Duration() const { return m_duration; }
    int64_t OutputFrames() const { return m_outFrames; }

    /** Runs both passes and appends the result at the builder's running
     *  position. Posts progress up to 99. false on a failed read or write or
     *  a stop; the data files written so far are the builder's (the
     *  transaction removes them). */
    bool Append(CTimelineBuilder& builder);

private:
    /** Reads frames frames of the range from frame at into m_planes. */
    bool readPlanes(int64_t at, int64_t frames);

    const CTrack& m_track;
    double m_timeRatio;
    double m_pitchScale;
    uint32_t m_channels;
    uint32_t m_sampleRate;
    int64_t m_frameBytes;
    CRangeSource m_source;
    int64_t m_inFrames = 0;
    int64_t m_duration = 0;
    int64_t m_outFrames = 0;
    std::vector<uint8_t> m_bytes;
    std::vector<std::vector<float>> m_planes;
};

} // namespace kernel
