#include "edits/timeline_builder.h"

#include "store/byte_offset.h"
#include "store/peak_summary_writer.h"
#include "store/piece_writer.h"
#include "track/track.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kernel {

AudioFormat FormatOf(const CTrack& track)
{
    return {track.m_channels, track.m_sampleRate, track.m_bytesPerSample};
}

CTimelineBuilder::CTimelineBuilder(CTrack& track)
    : m_track(track), m_timeline(std::make_unique<CTimeline>(track.Timeline()))
{
}

void CTimelineBuilder::flushRun()
{
    if (m_run.count > 0)
        m_timeline->AppendRun(*m_run.source, m_run.first, m_run.count, m_run.shift);
    m_run = Run{};
}

void CTimelineBuilder::appendToRun(const CSegmentSpan& segment, int64_t shift)
{
    if (m_run.count > 0 && m_run.source == segment.source && m_run.shift == shift &&
        m_run.first + m_run.count == segment.index) {
        ++m_run.count;
    } else {
        flushRun();
        m_run = Run{segment.source, segment.index, 1, shift};
    }
    if (!(segment.state & vorlain::kHeaderSegment)) {
        m_pos = segment.end + shift;
        if (m_onAppend)
            m_onAppend(m_pos);
    }
}

void CTimelineBuilder::AppendUnchanged(const CSegmentSpan& segment)
{
    appendToRun(segment, 0);
}

void CTimelineBuilder::AppendRebased(const CSegmentSpan& segment)
{
    appendToRun(segment, m_pos - segment.start);
}

void CTimelineBuilder::append(uint32_t state, int64_t start, int64_t end, const char* path)
{
    flushRun();
    m_timeline->Append(MakeSegment(state, start, end, path));
    if (!(state & vorlain::kHeaderSegment)) {
        m_pos = end;
        if (m_onAppend)
            m_onAppend(end);
    }
}

void CTimelineBuilder::AppendHeader(const TrackSegment& segment)
{
    flushRun();
    m_timeline->Append(segment);
}

void CTimelineBuilder::AppendUnchanged(const TrackSegment& segment)
{
    append(segment.state, segment.start, segment.end, segment.path);
}

void CTimelineBuilder::AppendRebased(const TrackSegment& segment)
{
    append(segment.state, m_pos, m_pos + (segment.end - segment.start), segment.path);
}

std::string CTimelineBuilder::NewDataFile()
{
    std::string path = m_track.NextDataFilePath();
    if (!path.empty()) {
        m_track.TakeDataFileNumber();
        m_created.push_back(path);
    }
    return path;
}

void CTimelineBuilder::SummaryWritten(const std::string& path)
{
    std::erase(m_created, path);
}

bool CTimelineBuilder::AppendSlice(const TrackSegment& segment, int64_t t0, int64_t t1,
                                   const AudioFormat& format, CopyLayout layout)
{
    auto offset = [&](int64_t dt) {
        return ByteOffset(dt, format.bytesPerSample, format.sampleRate, format.channels);
    };
    const int64_t begin = offset(t0 - segment.start);
    const int64_t end = t1 >= segment.end ? kToEnd : offset(t1 - segment.start);
    std::string path = NewDataFile();
    if (path.empty() || !CopyRange(segment.path, path, begin, end, layout))
        return false;
    append(vorlain::kAudioSegment, m_pos, m_pos + std::max<int64_t>(t1 - t0, 0), path.c_str());
    return true;
}

bool CTimelineBuilder::InsertClip(const CTimeline& source, int64_t from, int64_t to,
                                  const AudioFormat& format)
{
    CopyLayout layout = CopyLayout::AsIs;
    if (format.channels == 1 && m_track.m_channels == 2)
        layout = CopyLayout::MonoToStereo;
    else if (format.channels == 2 && m_track.m_channels == 1)
        layout = CopyLayout::LeftChannel;
    for (const CSegmentSpan& s : source.Spans()) {
        if (s.IsHeader())
            continue;
        // A source segment that ends where the clip starts adds nothing: no
        // empty data file, no zero-length segment.
        if (s.end <= from)
            continue;
        if (s.start >= to)
            break;
        const int64_t t0 = std::max(from, s.start);
        const int64_t t1 = std::min(to, s.end);
        if (!AppendSlice(*source.Lookup(s.index), t0, t1, format, layout))
            return false;
    }
    return true;
}

void CTimelineBuilder::AppendFile(const std::string& path, int64_t duration)
{
    append(vorlain::kAudioSegment, m_pos, m_pos + duration, path.c_str());
}

void CTimelineBuilder::AppendReplaced(const TrackSegment& segment, const std::string& path)
{
    append(segment.state, segment.start, segment.end, path.c_str());
}

bool CTimelineBuilder::AppendSilence(int64_t duration)
{
    const AudioFormat format = FormatOf(m_track);
    const int64_t chunk = m_track.m_pieceLength;
    std::vector<uint8_t> zeros(static_cast<size_t>(
        ByteOffset(chunk, format.bytesPerSample, format.sampleRate, format.channels)));
    int64_t remaining = duration;
    while (remaining > 0) {
        const int64_t piece = std::min(remaining, chunk);
        const auto bytes = static_cast<size_t>(
            ByteOffset(piece, format.bytesPerSample, format.sampleRate, format.channels));
        std::string path = NewDataFile();
        // A stretch too short for one frame still gets its (empty) file;
        // silence takes no room on disk.
        if (path.empty() || !WriteDataFile(path, zeros.data(), bytes))
            return false;
        AppendFile(path, piece);
        remaining -= piece;
    }
    return true;
}

bool CTimelineBuilder::InsertAt(int64_t at, const Inserter& insert)
{
    const CTimeline* current = m_track.Timeline();
    if (!current)
        return false;
    const AudioFormat format = FormatOf(m_track);
    bool inserted = false;
    for (const CSegmentSpan& s : current->Spans()) {
        const int64_t S = s.start, E = s.end;
        if (s.state & vorlain::kHeaderSegment) {
            AppendHeader(s);
        } else if (inserted) {
            // After the insertion every segment moves; a segment starting
            // right at the insertion point is not split again.
            AppendRebased(s);
        } else if (E < at) {
            AppendUnchanged(s);
        } else if (E == at) {
            AppendUnchanged(s);
            if (!insert(*this))
                return false;
            inserted = true;
        } else if (S <= at && at < E) {
            // Head and tail both come from the segment's own file as it was.
            if (at > S && !AppendSlice(s, S, at, format))
                return false;
            if (!insert(*this))
                return false;
            if (!AppendSlice(s, at, E, format))
                return false;
            inserted = true;
        } else {
            AppendRebased(s);
        }
    }
    return true;
}

bool CTimelineBuilder::RewriteFrom(int64_t at, const SegmentRewriter& rewrite)
{
    const CTimeline* current = m_track.Timeline();
    if (!current)
        return false;
    const AudioFormat format = FormatOf(m_track);
    for (const CSegmentSpan& s : current->Spans()) {
        if (s.IsHeader()) {
            AppendHeader(s);
            continue;
        }
        if (s.end <= at) {
            AppendUnchanged(s);
            continue;
        }
        const int64_t offset = s.start < at ? ByteOffset(at - s.start, format.bytesPerSample,
                                                         format.sampleRate, format.channels)
                                            : 0;
        const TrackSegment record = *current->Lookup(s.index);
        std::string path;
        switch (rewrite(record, offset, path)) {
        case Rewrite::Kept:
            AppendUnchanged(s);
            break;
        case Rewrite::Replaced:
            AppendReplaced(record, path);
            break;
        case Rewrite::Failed:
            return false;
        }
    }
    return true;
}

bool CTimelineBuilder::Commit(const char* logVerb)
{
    // Every file the edit wrote is complete now: give each its summary, so
    // that a redraw reads no audio of the new version either.
    flushRun();
    // Many small runs (a timeline edited in many places) walk slower than
    // one: now and then the version gets storage of its own.
    if (m_timeline->Pieces() > 16 + m_timeline->GetCount() / 8)
        m_timeline->Compact();
    for (const std::string& path : m_created)
        WritePeakSummary(path, m_track.m_channels);
    m_created.clear();
    return m_track.Commit(std::move(m_timeline), logVerb);
}

} // namespace kernel
