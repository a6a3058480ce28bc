// Cuts a stream of PCM into the data files of a track: pieces of one piece
// length (5 seconds), each written once with its peak summary, each appended
// to a timeline as an audio segment. The loader and the one-pass import both
// write through it, so a track looks the same whichever way it came in.
#pragma once

#include "store/peak_summary_writer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTimeline;
class CTrack;

namespace kernel {

class CPieceWriter {
public:
    /** Writes into the track's folder with the track's next data file numbers,
     *  in the track's format (channels, rate and bytes per sample must be
     *  set), appending segments to timeline from time start on. */
    CPieceWriter(CTrack& track, CTimeline& timeline, int64_t start = 0);

    /** Bytes of the stream, split anywhere. false once a data file could not
     *  be written (errno tells why); nothing more is written then. */
    bool Feed(const uint8_t* bytes, size_t count);
    /** Writes what is left as a last, shorter piece. */
    bool Finish();

    /** Bytes of audio taken so far. */
    int64_t Bytes() const { return m_bytes; }
    /** End of the last segment appended. */
    int64_t End() const { return m_end; }
    /** Bytes in one piece: 5 seconds of audio (882,000 at 44100 Hz stereo). */
    int64_t PieceBytes() const { return m_pieceBytes; }
    bool Failed() const { return m_failed; }
    /** errno of the failed write, 0 when the path did not fit a segment. */
    int Error() const { return m_error; }

private:
    bool flush();

    CTrack& m_track;
    CTimeline& m_timeline;
    int64_t m_pieceBytes;
    std::vector<uint8_t> m_piece;
    size_t m_fill = 0;
    int64_t m_bytes = 0;
    int64_t m_end;
    bool m_failed = false;
    int m_error = 0;
    CPeakSummaryWriter m_summary;
};

/** Writes length bytes as a new data file. A buffer of nothing but zeros
 *  (silence) is written as a sparse file: it reads back the same and takes
 *  no room on disk. false with errno set when the file cannot be written. */
bool WriteDataFile(const std::string& path, const uint8_t* buffer, size_t length);

} // namespace kernel
