// Recording into a track: drives the capture library and stores what it
// captures in the track's data files, one 5-second piece per file behind a
// wave-header file, feeding the live peaks of the track's view on the way.
#pragma once

#include "store/peak_summary_writer.h"
#include "vorlain/timeline.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CTrack;

namespace kernel {

class CTrackRecorder {
public:
    /** The recording of the process (one at a time). */
    static CTrackRecorder& Instance();

    /** Prepares track (see Prepare) and starts the capture. false, with the
     *  last error set, when Prepare fails or the capture library refuses;
     *  the track then stays as it was. */
    bool Start(CTrack& track);

    /** Stops the recording of track: ends the capture, closes the last data
     *  file, commits the recorded timeline and sends the view the end
     *  marker. A track that is not recording only gets the end marker.
     *  false (code set) when the recording could not be committed: the
     *  captured audio is kept, and the next Stop of the track commits it. */
    bool Stop(CTrack& track);
    /** Forgets a recording kept by a failed Stop (its track is going). */
    void Discard(const CTrack& track);

    /** Pauses and continues the recording of track (the flag is set for any
     *  track). The moment of the call is marked in the captured stream, so
     *  that the sound captured before a pause is kept and the sound of the
     *  pause is not, however far the buffers lag behind the device. A pause
     *  asked from inside the capture callback starts after its buffer. */
    void Pause(CTrack& track);
    void Continue(CTrack& track);

    /** The first half of Start, without the capture: clears the recording
     *  state and the track's flags, makes the track's folder and its header
     *  file and makes track the recording's track. false with the last error
     *  set when a recording already runs, the track holds audio of another
     *  format than the capture's, or a file cannot be made. */
    bool Prepare(CTrack& track);

    /** One captured buffer of 16-bit stereo frames (the capture callback). */
    void OnData(const uint8_t* buffer, size_t byteCount);

    /** Whether track is being recorded. */
    bool IsRecording(const CTrack* track);

    /** The capture library's callback; context is the recorder. */
    static void Callback(void* context, const void* buffer, unsigned int byteCount);

private:
    CTrackRecorder() = default;
    bool startCapture();
    void abandonLocked();
    void appendLocked(const uint8_t* data, size_t count);
    void closeFileLocked(int64_t end);
    void finishLocked();
    std::string dataFilePath(uint32_t number) const;
    int64_t toTime(int64_t bytes) const;
    int64_t markLocked() const;

    // A pause in frames of the delivered stream: [from, to), `to` the
    // largest value while it lasts.
    struct PausedSpan {
        int64_t from;
        int64_t to;
    };

    std::mutex m_lock;
    std::condition_variable m_finishedChanged;
    CTrack* m_track = nullptr; // the track being recorded; null when idle
    bool m_finished = false;   // the last data file is closed; later buffers are dropped
    std::unique_ptr<CTimeline> m_timeline; // header and finished pieces, committed at stop
    std::string m_folder;
    std::string m_headerPath;
    uint32_t m_fileNumber = 0;        // number of the current (or next) data file
    FILE* m_file = nullptr;           // the current data file, kept open for appending
    bool m_fileOpen = false;          // the current data file has been started
    int64_t m_total = 0;              // bytes captured into this recording
    int64_t m_delivered = 0;          // frames handed over by the capture, pauses included
    std::vector<PausedSpan> m_pauses; // in order, not overlapping
    int64_t m_fileBytes = 0;          // bytes in the current data file
    int64_t m_pieceBytes = 0;         // bytes of one full data file
    int64_t m_segmentStart = 0;
    int64_t m_bytesPerSecond = 0;
    uint32_t m_sampleRate = 44100; // the capture's: the track's own
    int64_t m_pieceLength = 0;
    CPeakSummaryWriter m_summary{2}; // of the current data file, as it is written
    // A finished recording whose commit failed, waiting for the next Stop.
    const CTrack* m_pendingTrack = nullptr;
    std::unique_ptr<CTimeline> m_pending;
};

} // namespace kernel
