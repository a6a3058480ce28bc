// Cuts decoded audio at the end its container states (an MP4 edit list),
// which FFmpeg's decoding does not do by itself. Frames past that end are held
// back, at most a few encoder frames' worth; if more arrive the stated end
// was wrong and everything is passed on untouched.
#pragma once

#include "FfmpegPtr.h"

#include <cstdint>
#include <deque>
#include <functional>

namespace medrix {

class EndTrimmer {
  public:
    using Emit = std::function<bool(AVFrame&)>;

    /** endSamples < 0: no stated end, frames pass straight through. */
    EndTrimmer(int64_t endSamples, Emit emit) : m_end(endSamples), m_emit(std::move(emit)) {}

    /** Passes the frame on, or holds it when it reaches past the stated end. */
    bool push(AVFrame& frame);
    /** At the end of the input: passes on the held audio up to the stated end. */
    bool finish();

  private:
    bool releaseAll();

    int64_t m_end;
    Emit m_emit;
    int64_t m_passed = 0;
    int64_t m_heldSamples = 0;
    std::deque<FramePtr> m_held;
};

} // namespace medrix
