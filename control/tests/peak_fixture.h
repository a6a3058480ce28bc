// Data files and timelines made by hand, and the column peaks computed the
// slow way, frame by frame from the definition, to hold the builder against.
#pragma once

#include "display_list.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"
#include "vorlain/timeline.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brimsel::test {

/** Writes samples as a raw data file (16-bit little-endian, no header). */
std::string WriteDataFile(const std::string& path, const vorlain::test::Samples& samples);

/** A timeline with a header segment first and one audio segment per file. */
CTimeline MakeTimeline(const std::vector<std::string>& files);

/** The display list by definition: column c takes the frames [B(c), B(c+1))
 *  with B(c) = floor(c * zoom * rate / 44100); incomplete columns dropped. */
CDisplayList ReferenceDisplay(const vorlain::test::Samples& interleaved, int channels,
                              uint64_t zoomFactor, uint32_t sampleRate);

/** The interleaved samples of frames [from, to) of s. */
vorlain::test::Samples Slice(const vorlain::test::Samples& s, int channels, int64_t from,
                             int64_t to);

} // namespace brimsel::test
