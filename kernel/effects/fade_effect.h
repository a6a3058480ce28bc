// What fade in and fade out share: the choice of curve.
#pragma once

#include "effects/audio_effect.h"

class CFadeEffect : public CAudioEffect {
public:
    /** 0 = linear, 1 = logarithmic; any other value is refused and the curve kept. */
    bool SetCurve(uint32_t curve)
    {
        if (curve > 1)
            return false;
        m_curve = curve;
        return true;
    }

    uint32_t m_curve = 0;
};
