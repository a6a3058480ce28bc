// The audio a mix adds: the audio segments of a source timeline read back to
// back as one byte stream, converted to the destination's channel count.
#pragma once

#include "edits/timeline_builder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kernel {

class CMixSource {
public:
    /** The audio segments of source that end after from, the first read from
     *  the position of from in its data file, the others from their start.
     *  With to > 0 the stream ends after (to - from) of audio; with to <= 0
     *  it runs to the end of the last segment. Mono becomes stereo by
     *  doubling each sample, stereo becomes mono by keeping the left one. The
     *  source and the destination share one sample rate. */
    CMixSource(const CTimeline& source, const AudioFormat& sourceFormat, uint32_t destinationChannels,
               int64_t from, int64_t to);
    ~CMixSource();
    CMixSource(const CMixSource&) = delete;
    CMixSource& operator=(const CMixSource&) = delete;

    /** Copies up to count bytes of destination samples into out and returns
     *  how many came; fewer only at the end of the stream or on a failure. */
    size_t Read(uint8_t* out, size_t count);
    /** Whether no byte is left (looks ahead, opening the next data file). */
    bool Ended();
    /** A data file could not be opened or read. */
    bool Failed() const { return m_failed; }
    /** Destination bytes the stream gives at most (for progress). */
    int64_t Size() const { return m_size; }

private:
    struct Piece {
        std::string path;
        int64_t begin; // byte offset of the first source byte to read
    };
    bool refill();
    bool openNext();

    std::vector<Piece> m_pieces;
    size_t m_next = 0;         // index of the next piece to open
    std::FILE* m_file = nullptr;
    uint32_t m_sourceFrame;    // bytes of one source frame
    uint32_t m_destFrame;      // bytes of one destination frame
    int64_t m_framesLeft;      // frames the limit still allows; -1 without a limit
    int64_t m_size = 0;
    bool m_failed = false;
    std::vector<uint8_t> m_raw;     // source frames as read
    std::vector<uint8_t> m_buffer;  // converted destination bytes
    size_t m_bufferPos = 0;
    size_t m_bufferEnd = 0;
};

} // namespace kernel
