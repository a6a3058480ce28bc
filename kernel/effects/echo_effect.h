// Echo: a feedback echo with a delay line of one second of audio. The line
// starts filled with the range's own first second, so y[q] = x[q] for q < D
// and y[q] = clamp(x[q] + trunc(decay * y[q - D])) after it.
#pragma once

#include "effects/audio_effect.h"

#include <cstddef>
#include <vector>

class CTrack;

class CEchoEffect : public CAudioEffect {
public:
    void SetTrack(const CTrack* track) { m_track = track; }
    /** The decay of each repetition; Process refuses every block when <= 0. */
    void SetDecay(float decay) { m_decay = decay; }
    /** Sizes the delay line for d microseconds and fills it with the track's
     *  audio from the range start. Call after SetTrack and SetRange. */
    bool SetDelay(int64_t delay);
    /** N = the range's bytes rounded down to whole frames; refused when to <= from. */
    bool SetRange(int64_t from, int64_t to) override;
    bool Process(uint8_t* buffer, int64_t byteCount) override;

    int64_t m_delay = 1'000'000;
    float m_decay = 0.2f;
    int64_t m_seen = 0; // W: bytes of the range seen so far

private:
    const CTrack* m_track = nullptr;
    std::vector<uint8_t> m_line;
    std::size_t m_ring = 0;
};
