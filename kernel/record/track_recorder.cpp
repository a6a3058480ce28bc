#include "record/track_recorder.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "record/live_peaks.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/capturo.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"
#include "wave/wave_header.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>

namespace kernel {

namespace {

// Failure places of Kestrum_RecordStart.
constexpr uint32_t kRecordHeaderFile = 0x0B0AB001; // the header file cannot be written
constexpr uint32_t kRecordInitSetting = 0x0B21B001;
constexpr uint32_t kRecordSetFormat = 0x0B34B001;
constexpr uint32_t kRecordBegin = 0x0B3BB001;  // also: a recording already runs
constexpr uint32_t kRecordFormat = 0x0B0CB001; // the track holds audio of another format

// The capture format: 16-bit stereo at the track's rate (a blank track's
// is the one picked for the recording, 44100 Hz unless another was).
constexpr uint32_t kChannels = 2;
constexpr uint32_t kLowestRate = 8000, kHighestRate = 192000;
constexpr uint32_t kBytesPerSample = 2;
constexpr int kBufferMs = 100;

// How long Stop waits for a callback that is still running when the capture
// library could not end the capture in time.
constexpr auto kFinishWait = std::chrono::milliseconds(600);

// The end of a pause that lasts.
constexpr int64_t kOpenEnd = std::numeric_limits<int64_t>::max();

// The flags are written by the exports on the application's thread and read
// by the capture thread.
uint32_t loadFlag(uint32_t& flag)
{
    return std::atomic_ref<uint32_t>(flag).load();
}
void storeFlag(uint32_t& flag, uint32_t value)
{
    std::atomic_ref<uint32_t>(flag).store(value);
}

void sendEndMarker(const CTrack& track)
{
    // Both pointers name four -1 values: the view ends its live drawing.
    RecordPeaks end{-1, -1, -1, -1};
    SendMessage(track.m_displayHwnd, vorlain::WM_RECORD_PEAKS, reinterpret_cast<WPARAM>(&end),
                reinterpret_cast<LPARAM>(&end));
}

} // namespace

CTrackRecorder& CTrackRecorder::Instance()
{
    static CTrackRecorder recorder;
    return recorder;
}

void CTrackRecorder::Callback(void* context, const void* buffer, unsigned int byteCount)
{
    static_cast<CTrackRecorder*>(context)->OnData(static_cast<const uint8_t*>(buffer), byteCount);
}

std::string CTrackRecorder::dataFilePath(uint32_t number) const
{
    char name[32];
    std::snprintf(name, sizeof name, "%.8u.dat", number);
    return JoinPath(m_folder, name);
}

int64_t CTrackRecorder::toTime(int64_t bytes) const
{
    return bytes * 1'000'000 / m_bytesPerSecond;
}

bool CTrackRecorder::IsRecording(const CTrack* track)
{
    std::lock_guard g(m_lock);
    return track && m_track == track;
}

bool CTrackRecorder::Prepare(CTrack& track)
{
    std::lock_guard g(m_lock);
    if (m_track) {
        SetLastError(kRecordBegin);
        return false;
    }
    // The recording becomes a new version of the track: its earlier versions
    // must be read in the same format.
    const uint32_t rate = track.m_sampleRate;
    if (rate < kLowestRate || rate > kHighestRate ||
        (!track.IsBlank() &&
         (track.m_channels != kChannels || track.m_bytesPerSample != kBytesPerSample))) {
        SetLastError(kRecordFormat);
        return false;
    }
    storeFlag(track.m_recordStop, 0);
    storeFlag(track.m_recordPause, 0);
    if (!track.MakeTrackFolder())
        return false;
    track.m_channels = kChannels;
    track.m_bytesPerSample = kBytesPerSample;
    m_sampleRate = rate;
    m_bytesPerSecond = int64_t(kChannels) * rate * kBytesPerSample;
    // A piece of whole seconds, as the loader cuts them: 882000 bytes for 5 s.
    m_pieceLength = std::max<int64_t>(track.m_pieceLength / 1'000'000, 1) * 1'000'000;
    m_pieceBytes = m_pieceLength / 1'000'000 * m_bytesPerSecond;
    m_folder = track.m_trackFolder;
    m_fileNumber = track.m_nextFileNumber;

    m_headerPath = dataFilePath(m_fileNumber);
    WaveHeaderBytes header = MakeWaveHeader(kChannels, rate, 0);
    PutLE32(&header[4], 0); // sizes stay 0: the header is never finished
    if (!FitsPathField(m_headerPath) ||
        !WriteWholeFile(m_headerPath, header.data(), header.size())) {
        SetLastError(kRecordHeaderFile);
        return false;
    }
    m_timeline = std::make_unique<CTimeline>();
    m_timeline->Append(MakeSegment(vorlain::kHeaderSegment, 0, 0, m_headerPath.c_str()));
    ++m_fileNumber;

    m_finished = false;
    m_file = nullptr;
    m_fileOpen = false;
    m_total = 0;
    m_delivered = 0;
    m_pauses.clear();
    m_fileBytes = 0;
    m_segmentStart = 0;
    CLivePeaks::Instance().Reset();
    m_track = &track;
    return true;
}

bool CTrackRecorder::Start(CTrack& track)
{
    if (!Prepare(track))
        return false;
    if (startCapture())
        return true;
    std::lock_guard g(m_lock);
    abandonLocked();
    return false;
}

bool CTrackRecorder::startCapture()
{
    std::string ini;
    char folder[VORLAIN_MAX_PATH];
    if (VorlainGetConfigDir(folder, sizeof folder))
        ini = JoinPath(folder, "Capturo.ini");
    if (ini.empty() || !crxInitSetting(ini.c_str())) {
        SetLastError(kRecordInitSetting);
        return false;
    }
    if (crxGetOption() == CRX_OPTION_NONE)
        for (int option : {CRX_OPTION_BOTH, CRX_OPTION_MICROPHONE, CRX_OPTION_COMPUTER_SOUND})
            if (crxSetOption(option))
                break;
    if (!crxSetFormat(kChannels, static_cast<int>(m_sampleRate), 16)) {
        SetLastError(kRecordSetFormat);
        return false;
    }
    if (!crxBeginRecord(kBufferMs, &CTrackRecorder::Callback, this)) {
        SetLastError(kRecordBegin);
        return false;
    }
    return true;
}

void CTrackRecorder::abandonLocked()
{
    // Nothing was captured: the track keeps what it had, the header goes.
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_fileOpen = false;
    m_summary.Reset();
    RemoveFile(m_headerPath);
    m_timeline.reset();
    m_track = nullptr;
}

void CTrackRecorder::OnData(const uint8_t* buffer, size_t byteCount)
{
    CTrack* track = nullptr;
    const size_t count = byteCount - byteCount % 4; // whole stereo frames only
    // The parts of the buffer outside every pause, in bytes.
    struct Part {
        size_t offset;
        size_t size;
    };
    std::vector<Part> kept;
    {
        std::lock_guard g(m_lock);
        if (!m_track || m_finished || !buffer)
            return;
        track = m_track;
        const int64_t first = m_delivered;
        const int64_t last = first + static_cast<int64_t>(count / 4);
        m_delivered = last;
        auto keep = [&](int64_t from, int64_t to) {
            kept.push_back(
                {static_cast<size_t>(from - first) * 4, static_cast<size_t>(to - from) * 4});
        };
        int64_t at = first;
        for (const PausedSpan& p : m_pauses) {
            if (p.to <= at)
                continue;
            if (p.from >= last)
                break;
            if (p.from > at)
                keep(at, p.from);
            at = std::min(p.to, last);
        }
        if (at < last)
            keep(at, last);
        // Pauses wholly delivered are done with; an open one stays.
        std::erase_if(m_pauses, [&](const PausedSpan& p) { return p.to <= last; });
        for (const Part& part : kept)
            appendLocked(buffer + part.offset, part.size);
        // A buffer that comes with the stop request is kept, then the last
        // file is closed: Stop asks only once the capture has ended, or gave
        // up waiting for a callback that does not return.
        if (loadFlag(track->m_recordStop))
            finishLocked();
    }
    // Outside the lock: the view handles the peaks synchronously on its own
    // thread, which may be the one stopping the recording.
    for (const Part& part : kept)
        CLivePeaks::Instance().Feed(*track, buffer + part.offset, part.size);
}

int64_t CTrackRecorder::markLocked() const
{
    // Where the capture stands now, buffers not yet delivered included.
    // Without a capture (a recorder fed by hand) the moment falls at the end
    // of what was delivered.
    return std::max<int64_t>(crxGetCapturedFrames(), m_delivered);
}

void CTrackRecorder::Pause(CTrack& track)
{
    storeFlag(track.m_recordPause, 1);
    std::lock_guard g(m_lock);
    if (m_track != &track || (!m_pauses.empty() && m_pauses.back().to == kOpenEnd))
        return;
    m_pauses.push_back({markLocked(), kOpenEnd});
}

void CTrackRecorder::Continue(CTrack& track)
{
    storeFlag(track.m_recordPause, 0);
    std::lock_guard g(m_lock);
    if (m_track != &track || m_pauses.empty() || m_pauses.back().to != kOpenEnd)
        return;
    PausedSpan& pause = m_pauses.back();
    pause.to = std::max(markLocked(), pause.from);
    if (pause.to == pause.from)
        m_pauses.pop_back();
}

void CTrackRecorder::appendLocked(const uint8_t* data, size_t count)
{
    m_total += static_cast<int64_t>(count);
    while (count > 0) {
        if (!m_fileOpen) {
            // Write failures are not reported: the recording goes on, and the
            // piece names its file all the same.
            m_file = std::fopen(dataFilePath(m_fileNumber).c_str(), "wb");
            m_fileOpen = true;
            m_summary.Reset();
            m_fileBytes = 0;
        }
        size_t part =
            static_cast<size_t>(std::min<int64_t>(int64_t(count), m_pieceBytes - m_fileBytes));
        if (m_file && std::fwrite(data, 1, part, m_file) == part)
            m_summary.Feed(data, part);
        m_fileBytes += static_cast<int64_t>(part);
        data += part;
        count -= part;
        if (m_fileBytes == m_pieceBytes) {
            // The rest of the buffer goes straight into the next file: nothing
            // waits in memory where a stop could lose it.
            closeFileLocked(m_segmentStart + m_pieceLength);
            m_segmentStart += m_pieceLength;
        }
    }
}

void CTrackRecorder::closeFileLocked(int64_t end)
{
    const bool written = m_file && std::fclose(m_file) == 0;
    m_file = nullptr;
    m_fileOpen = false;
    // A file whose bytes did not all arrive gets no summary (the sizes differ).
    if (written)
        m_summary.Finish(dataFilePath(m_fileNumber));
    m_summary.Reset();
    m_timeline->Append(MakeSegment(vorlain::kAudioSegment, m_segmentStart, end,
                                   dataFilePath(m_fileNumber).c_str()));
    ++m_fileNumber;
    m_fileBytes = 0;
}

void CTrackRecorder::finishLocked()
{
    // A last file without bytes was never created: no segment names it.
    if (m_fileOpen && m_fileBytes > 0)
        closeFileLocked(toTime(m_total));
    m_finished = true;
    m_finishedChanged.notify_all();
}

bool CTrackRecorder::Stop(CTrack& track)
{
    if (!IsRecording(&track)) {
        storeFlag(track.m_recordStop, 1);
        if (m_pending && m_pendingTrack == &track) {
            if (!track.Commit(std::move(m_pending), "Recording"))
                return false;
            m_pendingTrack = nullptr;
        }
        sendEndMarker(track);
        return true;
    }
    // crxEndRecord delivers everything captured up to now, however far the
    // buffers lag behind, and returns after the last callback: all of it is
    // kept. When it gives up on a callback that does not return, that
    // callback finishes the recording itself once the flag is set.
    const bool ended = crxEndRecord() != 0;
    storeFlag(track.m_recordStop, 1);
    std::unique_ptr<CTimeline> timeline;
    {
        std::unique_lock g(m_lock);
        if (!ended)
            m_finishedChanged.wait_for(g, kFinishWait, [this] { return m_finished; });
        if (!m_finished)
            finishLocked();
        timeline = std::move(m_timeline);
        track.m_nextFileNumber = m_fileNumber;
        m_track = nullptr;
    }
    if (!track.Commit(std::move(timeline), "Recording")) {
        m_pending = std::move(timeline);
        m_pendingTrack = &track;
        return false;
    }
    sendEndMarker(track);
    return true;
}

void CTrackRecorder::Discard(const CTrack& track)
{
    if (m_pendingTrack != &track)
        return;
    m_pending.reset();
    m_pendingTrack = nullptr;
}

} // namespace kernel
