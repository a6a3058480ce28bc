// DoCommonEffect: the one engine behind every sample effect. It streams the
// range through the effect in 1024-byte blocks, writing each overlapping
// segment into a new data file (segment times never change), and commits a
// new timeline version so the effect can be undone.
#pragma once

#include <cstdint>
#include <memory>

class CAudioEffect;

class CTrack;

namespace kernel {

enum class EffectType : uint32_t {
    FadeIn = 0,
    FadeOut = 1,
    Echo = 2,
    Silence = 3,
    Volume = 4,
    Normalize = 5, // parameter: the target peak in thousandths of a dB, as int32 bits
    Reverse = 6,
    Loudness = 7, // parameter: the target loudness in tenths of a LUFS, as int32 bits
};

/** What the exports hand the engine: the range and the effect's one parameter
 *  (the curve of a fade, the volume factor, the bits of the echo's decay). */
struct EffectParams {
    int64_t from;
    int64_t to;
    uint32_t parameter;
};

/** Runs the effect over [from, to) of the track. Posts progress and a final
 *  100. false (track unchanged) when the track is blank, a file fails or the
 *  effect cannot be set up (normalize and reverse read the range first). */
bool DoCommonEffect(CTrack& track, EffectType type, const EffectParams& params);
/** The same with an effect the caller made and set up (a plugin); a null
 *  effect fails as one that could not be set up. */
bool DoEffect(CTrack& track, std::unique_ptr<CAudioEffect> effect, const EffectParams& params);

} // namespace kernel
