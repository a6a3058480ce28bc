// Cuts a stream of PCM into the data files of a track: pieces of one piece
// length (5 seconds), each written once with its peak summary, each appended
// to a timeline as an audio segment. The loader and the one-pass import both
// write through it, so a track looks the same whichever way it came in.
#pragma once

#include "store/peak_summary_writer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CTimeline;
class CTrack;

namespace kernel {

class CPieceWriter {
public:
    /** Writes into the track's folder with the track's next data file numbers,
     *  in the track's format (channels, rate and bytes per sample must be
     *  set), appending segments to timeline from time start on. In the
     *  background, a thread of its own writes each piece while the next one
     *  fills (a decoder then never waits for the disk); the timeline and
     *  End() are the writer's until Finish(). */
    CPieceWriter(CTrack& track, CTimeline& timeline, int64_t start = 0, bool background = false);
    ~CPieceWriter();
    CPieceWriter(const CPieceWriter&) = delete;
    CPieceWriter& operator=(const CPieceWriter&) = delete;

    /** Bytes of the stream, split anywhere. false once a data file could not
     *  be written (errno tells why); nothing more is written then. */
    bool Feed(const uint8_t* bytes, size_t count);
    /** Writes what is left as a last, shorter piece, and waits until every
     *  piece is written. */
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
    /** Writes a piece, its summary and its segment; false with m_error set. */
    bool writePiece(const uint8_t* data, size_t size, const std::string& path);
    /** Waits for the piece in the background; false when it failed. */
    bool waitForWriter();
    void runWriter();

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

    // The background writer: one piece in flight, in m_spare.
    std::thread m_writer;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::vector<uint8_t> m_spare;
    size_t m_spareSize = 0;
    std::string m_sparePath;
    bool m_busy = false;     // a piece waits for or is in the writer
    bool m_quit = false;
    bool m_writeOk = true;   // the writer's result, read under the lock
    int m_writeError = 0;
};

/** Writes length bytes as a new data file. A buffer of nothing but zeros
 *  (silence) is written as a sparse file: it reads back the same and takes
 *  no room on disk. false with errno set when the file cannot be written. */
bool WriteDataFile(const std::string& path, const uint8_t* buffer, size_t length);

} // namespace kernel
