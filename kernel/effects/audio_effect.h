// The base of the sample effects: a small object that changes the samples of
// one block in place, configured with the track's format and the range.
#pragma once

#include <cstdint>

class CAudioEffect {
public:
    virtual ~CAudioEffect() = default;
    virtual void SetChannels(uint32_t channels) { m_channels = channels; }
    virtual void SetSampleRate(uint32_t sampleRate) { m_sampleRate = sampleRate; }
    /** Stores the range and computes its byte count. false when refused. */
    virtual bool SetRange(int64_t from, int64_t to) = 0;
    /** Changes the samples of one block in place. false when refused. */
    virtual bool Process(uint8_t* buffer, int64_t byteCount) = 0;

    uint32_t m_channels = 2;
    uint32_t m_sampleRate = 44100;
    uint32_t m_bytesPerSample = 2; // fixed: samples are always 16-bit
    uint32_t m_progress = 0;
    int64_t m_from = 0;
    int64_t m_to = 0;
    int64_t m_rangeBytes = 0; // N: the range's byte count as SetRange computed it
    int64_t m_processed = 0;  // bytes of the range processed before the current block
    bool m_failed = false;    // a block could not be made (a source read failed): the effect fails

protected:
    /** (to - from) in bytes of this format, without rounding. */
    int64_t rangeBytes(int64_t from, int64_t to) const
    {
        return (to - from) * 2 * static_cast<int64_t>(m_sampleRate) * m_channels / 1'000'000;
    }
};
