// The bytes of a track's range as the effect engine walks them: for each
// audio segment that overlaps [from, to), its data file and the byte span
// inside it, one after another as one stream. The effects that need more
// than the block in hand (reverse reads the mirrored place, normalize
// measures the whole range first) read the range through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTimeline;
class CTrack;

namespace kernel {

struct AudioFormat;

class CRangeSource {
public:
    CRangeSource() = default;
    ~CRangeSource();
    CRangeSource(const CRangeSource&) = delete;
    CRangeSource& operator=(const CRangeSource&) = delete;

    /** Lists the spans of [from, to) in the track's current timeline, with
     *  the same byte offsets the engine rewrites. false (the read failure
     *  noted) when a data file's size cannot be read. */
    bool Open(const CTrack& track, int64_t from, int64_t to);
    /** The same over a given timeline in its format; to = 0 reads to its end. */
    bool Open(const CTimeline& timeline, const AudioFormat& format, int64_t from, int64_t to);
    /** Bytes of the whole stream. */
    int64_t Bytes() const { return m_bytes; }
    /** count bytes of the stream from offset; false when a file fails or
     *  the range lies outside the stream. */
    bool Read(int64_t offset, uint8_t* out, int64_t count);

private:
    struct Span {
        std::string path;
        int64_t first;  // the span's first byte in its file
        int64_t offset; // the span's first byte in the stream
        int64_t bytes;
    };
    bool open(size_t span);

    std::vector<Span> m_spans;
    int64_t m_bytes = 0;
    int m_fd = -1;
    size_t m_openSpan = SIZE_MAX;
};

} // namespace kernel
