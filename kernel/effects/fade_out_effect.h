// Fade out: the gain falls from 1 over the range's bytes, linearly or on a
// natural-log curve.
#pragma once

#include "effects/fade_effect.h"

class CFadeOutEffect : public CFadeEffect {
public:
    /** N = the range's bytes, not rounded; never refused. */
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;
};
