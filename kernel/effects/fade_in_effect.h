// Fade in: the gain rises from 0 over the range's bytes, linearly or on a
// log10 curve. The gain is taken per byte position, so the two samples of a
// stereo frame get gains 2 bytes apart.
#pragma once

#include "effects/fade_effect.h"

class CFadeInEffect : public CFadeEffect {
public:
    /** N = the range's bytes rounded down to whole frames; refused when to <= from. */
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;
};
