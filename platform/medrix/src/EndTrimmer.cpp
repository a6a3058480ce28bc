// Trimming at a stated end, with a bounded hold-back.
#include "EndTrimmer.h"

namespace medrix {

namespace {
// More than the padding any AAC encoder adds (under two 1024-sample frames,
// or 2048 for HE-AAC): beyond this the stated end is not padding.
constexpr int64_t kMaxPadding = 8192;
} // namespace

bool EndTrimmer::push(AVFrame& frame)
{
    if (m_end < 0) {
        m_passed += frame.nb_samples;
        return m_emit(frame);
    }
    if (m_held.empty() && m_passed + frame.nb_samples <= m_end) {
        m_passed += frame.nb_samples;
        return m_emit(frame);
    }
    FramePtr copy(av_frame_clone(&frame));
    if (!copy)
        return false;
    m_heldSamples += frame.nb_samples;
    m_held.push_back(std::move(copy));
    if (m_heldSamples - (m_end - m_passed) > kMaxPadding) {
        m_end = -1; // not padding: keep everything
        return releaseAll();
    }
    return true;
}

bool EndTrimmer::releaseAll()
{
    while (!m_held.empty()) {
        FramePtr frame = std::move(m_held.front());
        m_held.pop_front();
        m_passed += frame->nb_samples;
        if (!m_emit(*frame))
            return false;
    }
    m_heldSamples = 0;
    return true;
}

bool EndTrimmer::finish()
{
    if (m_end < 0)
        return releaseAll();
    while (!m_held.empty()) {
        FramePtr frame = std::move(m_held.front());
        m_held.pop_front();
        const int64_t room = m_end - m_passed;
        if (room <= 0)
            break;
        // A prefix of a frame is a valid frame: the planes keep their layout.
        if (frame->nb_samples > room)
            frame->nb_samples = static_cast<int>(room);
        m_passed += frame->nb_samples;
        if (!m_emit(*frame))
            return false;
    }
    m_held.clear();
    m_heldSamples = 0;
    return true;
}

} // namespace medrix
