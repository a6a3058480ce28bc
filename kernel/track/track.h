// A track: one mono or stereo 16-bit PCM stream with a name, an id, a tag
// record and a chain of timeline versions over immutable data files.
#pragma once

#include "track/audio_source.h"
#include "vorlain/records.h"
#include "vorlain/timeline.h"
#include "vorlain/window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAudioEffect;

class CTrack : public CAudioSource {
public:
    CTrack(std::string name, uint32_t trackId, std::string sessionFolder);
    ~CTrack() override;
    CTrack(const CTrack&) = delete;
    CTrack& operator=(const CTrack&) = delete;

    /** Cuts a canonical 44-byte-header wave file into 5-second data files and
     *  makes them the track's first timeline. Posts progress 80..99. 1/0. */
    int Load(const char* wavePath) override;

    /** Writes [from, to) of the current timeline as a wave file, RF64 past
     *  4 GiB of audio; to = 0 means the track's end. Posts progress and a
     *  final 100. 1/0. */
    int SaveRangeToWave(int64_t from, int64_t to, const char* outputPath);

    /** Creates the track folder "TrackNN" below the session folder when the
     *  track has none yet. */
    bool MakeTrackFolder();
    /** The path the next data file gets; "" when it would not fit a segment. */
    std::string NextDataFilePath() const;
    /** Takes the next data file number. */
    uint32_t TakeDataFileNumber() { return m_nextFileNumber++; }

    void FillBaseInfo(TrackBaseInfo& info) const;

    const CTimeline* Timeline() const { return m_timeline; }
    CTimeline* Timeline() { return m_timeline; }
    bool IsBlank() const { return m_timeline == nullptr; }

    /** Makes next the current timeline: drops the redo chain after the current
     *  version, links next after it and recomputes the length. Each segment of
     *  the new version is logged with logVerb ("Cutting", "Pasting", ...).
     *  Inside a transaction the recovery document is written first; when it
     *  cannot be, nothing changes and the result is false (code set). */
    bool Commit(std::unique_ptr<CTimeline>&& next, const char* logVerb);
    /** Steps back one version; with no previous version the track becomes
     *  blank and keeps the version for redo. */
    void StepBack();
    /** Steps forward one version; false when there is none. */
    bool StepForward();
    /** Keeps a version alive while something outside the chain refers to it. */
    void Retain(const CTimeline* timeline);
    void Release(const CTimeline* timeline);

    /** The length as another thread may be moving it on. */
    int64_t CurrentLength() const
    {
        return std::atomic_ref<int64_t>(const_cast<int64_t&>(m_length))
            .load(std::memory_order_relaxed);
    }
    /** Moves the length on where another thread may be reading it. */
    void PublishLength(int64_t length)
    {
        std::atomic_ref<int64_t>(m_length).store(length, std::memory_order_relaxed);
    }

    // Recording state of a record track.
    HWND m_displayHwnd = nullptr;
    uint32_t m_zoomFactor = 0;
    uint32_t m_deviceIndex = 0;
    uint32_t m_recordStop = 0;
    uint32_t m_recordPause = 0;

    CTimeline* m_timeline = nullptr;        // current version; null = blank
    CTimeline* m_redoTimeline = nullptr;    // kept when undo emptied the track
    CTimeline* m_projectTimeline = nullptr; // version read from or saved to a project
    // Microseconds. While a recording runs, its capture thread moves it on
    // (PublishLength) as the program reads it (CurrentLength).
    alignas(8) int64_t m_length = 0;
    int64_t m_bytesLoaded = 0; // size of the loaded wave file, header included
    std::string m_name;
    std::string m_sessionFolder;
    std::string m_trackFolder; // empty until first needed
    int64_t m_pieceLength = 5'000'000;
    uint32_t m_nextFileNumber = 0;
    uint32_t m_firstOwnFileNumber =
        0; // the first number this session wrote (a project's come before)
    std::unique_ptr<CAudioEffect> m_effect; // the last effect run on the track
    TagInfo m_tag{};
    uint32_t m_present = 1;
    bool m_hidden = false; // the source of an insert or mix from a file: never present
    uint32_t m_trackId = 0;

private:
    void destroyVersion(CTimeline* version);
    bool isReferenced(const CTimeline* version) const;
    void freeAllVersions();

    // Versions dropped from the chain that something still refers to.
    std::vector<std::unique_ptr<CTimeline>> m_retired;
    std::vector<const CTimeline*> m_references;
};
