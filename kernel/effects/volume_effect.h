// Volume: every sample scaled by factor / 256 with rounding, clamped to 16 bits.
#pragma once

#include "effects/audio_effect.h"

class CVolumeEffect : public CAudioEffect {
public:
    /** 0..1280 (256 = unchanged, 512 = double); anything else is refused. */
    bool SetVolume(uint32_t factor);
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;

    uint32_t m_factor = 256;
};
