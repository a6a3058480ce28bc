// The audio format every source of audio shares.
#pragma once

#include <cstdint>

class CAudioSource {
public:
    virtual ~CAudioSource() = default;
    /** Cuts a canonical 16-bit PCM wave file into data files. 1/0. */
    virtual int Load(const char* wavePath) = 0;

    uint32_t m_loaded = 0;         // 1 once audio was loaded or read from a project
    uint32_t m_channels = 2;       // 1 or 2
    uint32_t m_sampleRate = 44100; // per channel
    uint32_t m_bytesPerSample = 2; // always 16-bit samples
};
