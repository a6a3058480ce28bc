// Where converted samples go: a wave file or an encoder and muxer. The
// resampler hands every sink samples already in the sink's own format.
#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <cstdint>

namespace medrix {

class AudioSink {
  public:
    virtual ~AudioSink() = default;

    virtual AVSampleFormat sampleFormat() const = 0;
    virtual int sampleRate() const = 0;
    virtual const AVChannelLayout& channelLayout() const = 0;

    /** Takes `samples` frames in the sink's format (one plane, or one per
     *  channel for planar formats). @returns false on a write or encode error. */
    virtual bool write(const uint8_t* const* planes, int samples) = 0;
    /** Drains buffered samples and completes the file. @returns false on error. */
    virtual bool finish() = 0;
};

} // namespace medrix
