// Reverse: the range's frames in the opposite order. Each block of the range
// is filled from the mirrored place of the range as it stood before, read
// through a range source; the samples of a frame keep their order.
#pragma once

#include "effects/audio_effect.h"
#include "effects/range_source.h"

#include <vector>

class CTrack;

class CReverseEffect : public CAudioEffect {
public:
    /** Opens the range of the track's current timeline as the source. false
     *  when a data file cannot be read. */
    bool SetSource(const CTrack& track, int64_t from, int64_t to);
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;

private:
    kernel::CRangeSource m_source;
    std::vector<uint8_t> m_mirror;
};
