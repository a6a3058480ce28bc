// A time range of a track's current timeline as the byte ranges of its data
// files, in order: what a wave export copies behind its header, and what a
// wave stream reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTrack;

namespace kernel {

struct WaveRangePart {
    /** Where the part lies in the range: the place of its failure codes. */
    enum Place { Inside, Head, Tail, Whole };
    std::string path;
    int64_t begin; ///< byte offset in the data file
    int64_t count; ///< bytes, clipped to the file as it is now
    Place place;
};

/** The parts of [from, to) (to 0: the track's end); total: their bytes. */
std::vector<WaveRangePart> PlanWaveRange(const CTrack& track, int64_t from, int64_t to,
                                         int64_t& total);

/** A wave file of a range, read as a stream without being written: the
 *  header (canonical, or RF64 past 4 GiB) and then the parts, read from the
 *  data files where they lie. */
class CWaveStream {
public:
    CWaveStream(const CTrack& track, int64_t from, int64_t to);
    ~CWaveStream();
    CWaveStream(const CWaveStream&) = delete;
    CWaveStream& operator=(const CWaveStream&) = delete;

    int64_t Size() const { return m_size; }
    /** Up to size bytes from the position on; 0 at the end, -1 when a data
     *  file cannot be read. */
    int Read(uint8_t* buffer, int size);
    /** Goes to an absolute offset; returns it, or -1 outside the stream. */
    int64_t Seek(int64_t offset);

private:
    std::vector<uint8_t> m_header;
    std::vector<WaveRangePart> m_parts;
    std::vector<int64_t> m_starts; // each part's offset in the stream
    int64_t m_size = 0;
    int64_t m_pos = 0;
    int m_fd = -1;
    size_t m_fdPart = 0;
};

} // namespace kernel
