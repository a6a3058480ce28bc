// Normalize: the range scaled so that its highest absolute sample reaches a
// target peak, or its loudness a target loudness, both channels by the same
// gain. The range is measured first,
// through a range source; the gain is then applied with rounding to the
// nearest sample value, clamped to 16 bits.
#pragma once

#include "effects/audio_effect.h"

class CTrack;

class CNormalizeEffect : public CAudioEffect {
public:
    /** Full scale: the peak 0 dBFS names. */
    static constexpr double kFullScale = 32768.0;

    /** Measures the range's peak in the track's current timeline and sets
     *  the gain that brings it to peakMilliDb (thousandths of a dB, <= 0).
     *  A silent range keeps the gain at 1. false when a file cannot be read
     *  or a stop is asked. */
    bool Measure(const CTrack& track, int64_t from, int64_t to, int32_t peakMilliDb);
    /** Measures the range's integrated loudness (EBU R128) and true peak and
     *  sets the gain that brings the loudness to lufsTenths (tenths of a
     *  LUFS), lowered where it would lift the true peak above -1 dBTP. A
     *  range too quiet or short to measure keeps the gain at 1. false when
     *  a file cannot be read or a stop is asked. */
    bool MeasureLoudness(const CTrack& track, int64_t from, int64_t to, int32_t lufsTenths);
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;

    /** The highest absolute sample Measure found (32768 for -32768). */
    int32_t m_peak = 0;
    /** What MeasureLoudness found: integrated loudness (LUFS) and the true
     *  peak (linear, 1 = full scale). */
    double m_loudness = 0;
    double m_truePeak = 0;
    double m_gain = 1.0;
};
