// Which frames of a track fall into which pixel column at a zoom factor.
#pragma once

#include <cstdint>

namespace brimsel {

/** The time scale every row shares: a column spans zoomFactor samples at 44100 Hz. */
inline constexpr uint32_t kScaleRate = 44100;

/**
 * Column c of a track holds the frames [Boundary(c), Boundary(c + 1)) with
 * Boundary(c) = floor(c x zoomFactor x sampleRate / 44100). At 44100 Hz that is
 * exactly zoomFactor frames per column; at other rates the column keeps its
 * duration, so every row lines up with the ruler and with the selection times.
 */
class CColumnGrid {
public:
    CColumnGrid(uint64_t zoomFactor, uint32_t sampleRate)
        : m_zoomFactor(zoomFactor), m_sampleRate(sampleRate)
    {
    }

    /** False when some column would hold no frame at all (a zoom far below one
     *  frame per column, or no rate): nothing is drawn then. */
    bool IsValid() const
    {
        return m_zoomFactor > 0 && m_sampleRate > 0 &&
               static_cast<unsigned __int128>(m_zoomFactor) * m_sampleRate >= kScaleRate;
    }

    /** First frame of column c. */
    uint64_t Boundary(uint64_t column) const
    {
        return static_cast<uint64_t>(static_cast<unsigned __int128>(column) * m_zoomFactor *
                                     m_sampleRate / kScaleRate);
    }

    /** Frames per column, rounded down (the narrowest column). */
    uint64_t FramesPerColumn() const { return Boundary(1); }

    /** Number of columns that lie wholly inside the first `frames` frames;
     *  a column cut short by the end of the track is not drawn. */
    uint64_t CompleteColumns(uint64_t frames) const
    {
        if (!IsValid())
            return 0;
        uint64_t c =
            static_cast<uint64_t>(static_cast<unsigned __int128>(frames) * kScaleRate /
                                  (static_cast<unsigned __int128>(m_zoomFactor) * m_sampleRate));
        while (Boundary(c + 1) <= frames)
            ++c;
        while (c > 0 && Boundary(c) > frames)
            --c;
        return c;
    }

    uint64_t ZoomFactor() const { return m_zoomFactor; }
    uint32_t SampleRate() const { return m_sampleRate; }

private:
    uint64_t m_zoomFactor;
    uint32_t m_sampleRate;
};

} // namespace brimsel
