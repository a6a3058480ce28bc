// Silence: every byte of the range becomes 0.
#pragma once

#include "effects/audio_effect.h"

class CSilenceEffect : public CAudioEffect {
public:
    /** Refused when to <= 0. */
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;
};
