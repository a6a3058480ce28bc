// The one timeline walker every edit shares. An edit reads the current
// timeline segment by segment and, for each, appends it unchanged, re-based
// to the running position, or sliced into a new data file; the builder keeps
// the running position gap-free and commits the result as a new version.
#pragma once

#include "store/segment_files.h"
#include "vorlain/timeline.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CTrack;

namespace kernel {

/** The sample format byte offsets are computed in. */
struct AudioFormat {
    uint32_t channels;
    uint32_t sampleRate;
    uint32_t bytesPerSample;
};
AudioFormat FormatOf(const CTrack& track);

/** How an insertion places its audio: called once at the insertion point. */
using Inserter = std::function<bool(class CTimelineBuilder&)>;

/** What a rewrite did with one segment. */
enum class Rewrite {
    Kept,     ///< the segment stays on its own data file
    Replaced, ///< the segment's audio now lies in the data file named by path
    Failed,   ///< the edit ends with failure
};
/** Rewrites one segment's audio from byte offset on (the bytes before it stay
 *  as they are) into a new data file whose path it stores. */
using SegmentRewriter =
    std::function<Rewrite(const TrackSegment& segment, int64_t offset, std::string& path)>;

class CTimelineBuilder {
public:
    explicit CTimelineBuilder(CTrack& track);

    /** End of the last appended audio segment: where the next one starts. */
    int64_t Position() const { return m_pos; }
    const CTimeline& Result()
    {
        flushRun();
        return *m_timeline;
    }

    /** A header segment, copied as it is. */
    void AppendHeader(const TrackSegment& segment);
    void AppendHeader(const CSegmentSpan& segment)
    {
        AppendHeader(*segment.source->Lookup(segment.index));
    }
    /** The segment with its own file and times (it lies before the edit point). */
    void AppendUnchanged(const TrackSegment& segment);
    /** The segment's file placed at the running position with its duration. */
    void AppendRebased(const TrackSegment& segment);
    /** The same for a segment of a walk over a timeline: consecutive segments
     *  of one timeline moved by the same amount are kept as one run that
     *  shares that timeline's storage, so an edit costs what it changes. */
    void AppendUnchanged(const CSegmentSpan& segment);
    void AppendRebased(const CSegmentSpan& segment);
    /** The stretch [t0, t1) of the segment (times on the segment's timeline,
     *  S <= t0 <= t1) copied into a new data file and placed at the running
     *  position. Bytes run from offset(t0 - S) to offset(t1 - S), or to the end
     *  of the file when t1 reaches the segment's end, so a loader's piece keeps
     *  its last frame. Offsets use the given format; the layout converts the
     *  channels. false when the copy fails. */
    bool AppendSlice(const TrackSegment& segment, int64_t t0, int64_t t1, const AudioFormat& format,
                     CopyLayout layout = CopyLayout::AsIs);
    bool AppendSlice(const CSegmentSpan& segment, int64_t t0, int64_t t1, const AudioFormat& format)
    {
        return AppendSlice(*segment.source->Lookup(segment.index), t0, t1, format);
    }
    /** Appends [from, to) of a source timeline (a clip) at the running position,
     *  always into new data files, converted to the track's channel count. */
    bool InsertClip(const CTimeline& source, int64_t from, int64_t to, const AudioFormat& format);
    /** A data file the caller wrote itself, placed at the running position. */
    void AppendFile(const std::string& path, int64_t duration);
    /** The segment with its times kept and its audio in another data file. */
    void AppendReplaced(const TrackSegment& segment, const std::string& path);
    /** Zero-filled data files of at most one piece length each, covering
     *  duration at the running position. false when a file cannot be written. */
    bool AppendSilence(int64_t duration);

    /** The path of a new data file of the track (its number is taken). "" when
     *  the path would not fit a segment. */
    std::string NewDataFile();
    /** The caller wrote the summary of a file NewDataFile gave it: Commit
     *  does not read that file again. */
    void SummaryWritten(const std::string& path);

    /** Walks the track's current timeline and calls insert at time at: a
     *  segment ending exactly there is kept whole, one holding it is split into
     *  a head and a tail, and everything after moves by what was inserted.
     *  Nothing is inserted when at lies beyond the end. */
    bool InsertAt(int64_t at, const Inserter& insert);

    /** Walks the track's current timeline and hands every audio segment that
     *  ends after time at to rewrite, with the byte offset of at inside it (0
     *  for segments that start after at). Headers and segments ending at or
     *  before at are kept; segment times never change, so the track keeps its
     *  length. false when rewrite fails or the track is blank. */
    bool RewriteFrom(int64_t at, const SegmentRewriter& rewrite);

    /** Called with the end of every appended audio segment (progress). */
    void OnAppend(std::function<void(int64_t)> callback) { m_onAppend = std::move(callback); }

    /** Writes the peak summaries of the data files the edit made and commits
     *  the new version to the track, logging each segment with logVerb. */
    bool Commit(const char* logVerb);

private:
    void append(uint32_t state, int64_t start, int64_t end, const char* path);
    /** Adds the segment to the open run, or starts a new run with it. */
    void appendToRun(const CSegmentSpan& segment, int64_t shift);
    /** Appends the open run to the new version. */
    void flushRun();

    struct Run {
        const CTimeline* source = nullptr;
        uint32_t first = 0;
        uint32_t count = 0;
        int64_t shift = 0;
    };

    CTrack& m_track;
    std::unique_ptr<CTimeline> m_timeline;
    int64_t m_pos = 0;
    std::function<void(int64_t)> m_onAppend;
    std::vector<std::string> m_created; // data files taken by NewDataFile, without summaries
    Run m_run;
};

} // namespace kernel
