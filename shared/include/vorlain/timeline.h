// One version of a track's audio: segments by index 0, 1, 2, ... with no gaps,
// linked to the previous and next version. The kernel builds timelines; the
// display control walks them read-only through the track base info record.
//
// Versions share their storage: a version made by an edit refers to the runs
// of segments it keeps from the version before (the segments after a cut are
// the same files at times moved by the same amount), so an edit costs and
// keeps what it changes, not what the track holds. Segments are stored
// compactly (times, state and an index into the paths of the track) and
// handed out as TrackSegment records.
#pragma once

#include "vorlain/records.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

/** A segment record for [start, end) held by the data file at path. Callers
 *  check that the path fits the record's field before they name a file. */
inline TrackSegment MakeSegment(uint32_t state, int64_t start, int64_t end, const char* path)
{
    TrackSegment s{};
    s.state = state;
    s.start = start;
    s.end = end;
    std::snprintf(s.path, sizeof s.path, "%s", path ? path : "");
    return s;
}

class CTimeline;

/** A segment as a walk over a timeline hands it out: the record, and where
 *  it comes from, so that a builder of a later version can share runs. */
struct CTimelineItem : TrackSegment {
    const CTimeline* source = nullptr;
    uint32_t index = 0;
};

/** A segment's times and state and where it comes from, without its path:
 *  what a walk needs to decide about each segment, at no cost for the path.
 *  The record itself is source->Lookup(index). */
struct CSegmentSpan {
    int64_t start = 0;
    int64_t end = 0;
    uint32_t state = 0;
    uint32_t index = 0;
    const CTimeline* source = nullptr;

    bool IsHeader() const { return state & vorlain::kHeaderSegment; }
};

namespace vorlain::detail {

/** The paths of one line of versions, each stored once; a segment names its
 *  path by index. Only ever grows, so an index stays valid for good. */
class PathPool {
public:
    uint32_t Intern(const char* path)
    {
        std::lock_guard guard(m_lock);
        const std::string key(path, strnlen(path, kPathChars));
        auto it = m_index.find(key);
        if (it != m_index.end())
            return it->second;
        const auto id = static_cast<uint32_t>(m_paths.size());
        m_paths.push_back(std::make_unique<std::string>(key));
        m_index.emplace(key, id);
        return id;
    }
    /** Copies path id into a record's field (zero-padded, as the record is). */
    void CopyTo(uint32_t id, char* field) const
    {
        const std::string* path;
        {
            std::lock_guard guard(m_lock);
            path = m_paths[id].get(); // the string itself never moves
        }
        const size_t n = std::min(path->size(), size_t(kPathChars - 1));
        std::memcpy(field, path->data(), n);
        std::memset(field + n, 0, kPathChars - n);
    }

    /** Calls f(path of id) for ids while holding the pool once. */
    template <typename F> void Read(F&& f) const
    {
        std::lock_guard guard(m_lock);
        f([this](uint32_t id) -> const std::string& { return *m_paths[id]; });
    }

private:
    static constexpr size_t kPathChars = vorlain::kPathChars;
    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<std::string>> m_paths;
    std::unordered_map<std::string, uint32_t> m_index;
};

/** A segment as stored: 24 bytes instead of the record's 288. */
struct Entry {
    int64_t start;
    int64_t end;
    uint32_t state;
    uint32_t path;
    bool operator==(const Entry&) const = default;
};

/** Entries [first, first + count) of a shared chunk, times moved by shift. */
struct Piece {
    std::shared_ptr<std::vector<Entry>> chunk;
    uint32_t first;
    uint32_t count;
    int64_t shift;
};

} // namespace vorlain::detail

class CTimeline {
public:
    /** An empty timeline with paths of its own. */
    CTimeline() : m_paths(std::make_shared<vorlain::detail::PathPool>()) {}
    /** An empty timeline in the line of `lineage` (sharing its paths, so that
     *  runs of it can be shared too); null: paths of its own. */
    explicit CTimeline(const CTimeline* lineage)
        : m_paths(lineage ? lineage->m_paths : std::make_shared<vorlain::detail::PathPool>())
    {
    }
    /** A copy shares the storage; links are copied as they are. */
    CTimeline(const CTimeline& other) = default;
    CTimeline& operator=(const CTimeline& other) = default;

    /** Number of segments; indexes run from 0 to count - 1. */
    uint32_t GetCount() const { return m_count; }

    /** The segment at index, or nothing when there is none (the end of the walk). */
    std::optional<TrackSegment> Lookup(uint32_t index) const
    {
        if (index >= m_count)
            return std::nullopt;
        const size_t p = PieceOf(index);
        return Record(m_pieces[p], index - m_starts[p]);
    }

    /** Adds a segment under the next free index. */
    void Append(const TrackSegment& segment)
    {
        vorlain::detail::Entry e{segment.start, segment.end, segment.state,
                                 m_paths->Intern(segment.path)};
        AppendEntry(e, 0);
    }

    /** Adds segments [first, first + count) of source with their times moved
     *  by shift, sharing source's storage where both share their paths. */
    void AppendRun(const CTimeline& source, uint32_t first, uint32_t count, int64_t shift)
    {
        if (count == 0 || first >= source.m_count)
            return;
        count = std::min(count, source.m_count - first);
        if (source.m_paths != m_paths) {
            for (uint32_t i = first; i < first + count; ++i) {
                TrackSegment s = *source.Lookup(i);
                s.start += shift;
                s.end += shift;
                Append(s);
            }
            return;
        }
        size_t p = source.PieceOf(first);
        uint32_t skip = first - source.m_starts[p];
        while (count > 0) {
            const vorlain::detail::Piece& from = source.m_pieces[p];
            const uint32_t take = std::min(count, from.count - skip);
            AddPiece({from.chunk, from.first + skip, take, from.shift + shift});
            count -= take;
            skip = 0;
            ++p;
        }
    }

    void Reserve(size_t) {}

    /** Runs the storage is in; edits that share runs add a few each. */
    size_t Pieces() const { return m_pieces.size(); }
    /** Puts the segments into one chunk of this timeline's own, so that a
     *  timeline edited in many places is walked as fast as a fresh one. */
    void Compact()
    {
        auto chunk = std::make_shared<std::vector<vorlain::detail::Entry>>();
        chunk->reserve(m_count);
        for (const vorlain::detail::Piece& piece : m_pieces)
            for (uint32_t i = 0; i < piece.count; ++i) {
                vorlain::detail::Entry e = (*piece.chunk)[piece.first + i];
                e.start += piece.shift;
                e.end += piece.shift;
                chunk->push_back(e);
            }
        m_pieces.clear();
        m_starts.clear();
        const uint32_t count = m_count;
        m_count = 0;
        if (count > 0)
            AddPiece({std::move(chunk), 0, count, 0});
    }

    /** An index from which a walk over the segments meets every audio
     *  segment that ends after time and hardly any before: found by halving,
     *  as a timeline's audio segments lie in time order (headers, wherever
     *  they are, are stepped over). GetCount() when none ends after time. */
    uint32_t FirstEndingAfter(int64_t time) const
    {
        auto entry = [this](uint32_t index) {
            const size_t p = PieceOf(index);
            const vorlain::detail::Piece& piece = m_pieces[p];
            vorlain::detail::Entry e = (*piece.chunk)[piece.first + (index - m_starts[p])];
            e.end += piece.shift;
            return e;
        };
        uint32_t lo = 0, hi = m_count;
        while (lo < hi) {
            const uint32_t mid = lo + (hi - lo) / 2;
            uint32_t probe = mid;
            while (probe < hi && (entry(probe).state & vorlain::kHeaderSegment))
                ++probe;
            if (probe == hi || entry(probe).end > time)
                hi = mid;
            else
                lo = probe + 1;
        }
        return lo;
    }

    /** End of the last audio segment: the length of a track on this timeline. */
    int64_t EndTime() const
    {
        for (size_t p = m_pieces.size(); p-- > 0;) {
            const vorlain::detail::Piece& piece = m_pieces[p];
            for (uint32_t i = piece.count; i-- > 0;) {
                const vorlain::detail::Entry& e = (*piece.chunk)[piece.first + i];
                if (!(e.state & vorlain::kHeaderSegment))
                    return e.end + piece.shift;
            }
        }
        return 0;
    }

    /** What a version shares with an earlier one of its line, in audio
     *  segments (headers skipped): its first `head` are base's first, and its
     *  last `tail` are base's last with times moved by `shift`. The segments
     *  between are indexes [midFirst, midEnd) of this version (headers among
     *  them included). Versions of different lines share nothing. */
    struct SharedEnds {
        uint32_t head = 0;
        uint32_t tail = 0;
        int64_t shift = 0;
        uint32_t midFirst = 0;
        uint32_t midEnd = 0;
    };
    SharedEnds SharedAudioEnds(const CTimeline& base) const
    {
        SharedEnds ends;
        ends.midEnd = m_count;
        if (base.m_paths != m_paths || m_count == 0 || base.m_count == 0)
            return ends;
        // Forward: equal audio segments from the start.
        Walker wa{*this}, wb{base};
        uint32_t a = 0, b = 0;
        for (;;) {
            a = wa.NextAudio(a);
            b = wb.NextAudio(b);
            if (a >= m_count || b >= base.m_count || !(wa.At(a) == wb.At(b)))
                break;
            // Runs both share start here: their entries are the same ones.
            const uint32_t run = std::min(wa.SharedRun(a, wb, b, 0, true), m_count - a);
            ends.head += wa.AudioIn(a, a + run);
            a += run;
            b += run;
        }
        ends.midFirst = std::min(a, m_count);
        const uint32_t stopA = ends.midFirst, stopB = std::min(b, base.m_count);
        // Backward: equal audio segments from the end, all moved by one amount.
        uint32_t ra = m_count, rb = base.m_count; // one past the entry looked at
        bool first = true;
        for (;;) {
            ra = wa.PrevAudio(ra, stopA);
            rb = wb.PrevAudio(rb, stopB);
            if (ra == kNone || rb == kNone)
                break;
            vorlain::detail::Entry ea = wa.At(ra);
            const vorlain::detail::Entry eb = wb.At(rb);
            if (first) {
                ends.shift = ea.end - eb.end;
                first = false;
            }
            ea.start -= ends.shift;
            ea.end -= ends.shift;
            if (!(ea == eb))
                break;
            const uint32_t run = std::min(
                {wa.SharedRun(ra, wb, rb, ends.shift, false), ra - stopA + 1, rb - stopB + 1});
            ends.tail += wa.AudioIn(ra + 1 - run, ra + 1);
            ends.midEnd = wa.NextAudio(ra + 1 - run);
            ra = ra + 1 - run; // one past the next entry to look at
            rb = rb + 1 - run;
        }
        if (ends.tail == 0)
            ends.shift = 0;
        return ends;
    }

    /** Walks the segments in index order, each handed out as a record. */
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = CTimelineItem;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = CTimelineItem;

        const_iterator(const CTimeline* timeline, size_t piece, uint32_t offset, uint32_t index)
            : m_timeline(timeline), m_piece(piece), m_offset(offset), m_index(index)
        {
        }
        CTimelineItem operator*() const
        {
            CTimelineItem item;
            static_cast<TrackSegment&>(item) =
                m_timeline->Record(m_timeline->m_pieces[m_piece], m_offset);
            item.source = m_timeline;
            item.index = m_index;
            return item;
        }
        const_iterator& operator++()
        {
            ++m_index;
            if (++m_offset == m_timeline->m_pieces[m_piece].count) {
                ++m_piece;
                m_offset = 0;
            }
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }
        bool operator!=(const const_iterator& other) const { return m_index != other.m_index; }

    private:
        const CTimeline* m_timeline;
        size_t m_piece;
        uint32_t m_offset;
        uint32_t m_index;
    };

    const_iterator begin() const { return const_iterator(this, 0, 0, 0); }
    const_iterator end() const { return const_iterator(this, m_pieces.size(), 0, m_count); }

    /** Walks the segments in index order as spans (no paths). */
    class span_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = CSegmentSpan;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = CSegmentSpan;

        span_iterator(const CTimeline* timeline, size_t piece, uint32_t offset, uint32_t index)
            : m_timeline(timeline), m_piece(piece), m_offset(offset), m_index(index)
        {
        }
        CSegmentSpan operator*() const
        {
            const vorlain::detail::Piece& piece = m_timeline->m_pieces[m_piece];
            const vorlain::detail::Entry& e = (*piece.chunk)[piece.first + m_offset];
            return CSegmentSpan{e.start + piece.shift, e.end + piece.shift, e.state, m_index,
                                m_timeline};
        }
        span_iterator& operator++()
        {
            ++m_index;
            if (++m_offset == m_timeline->m_pieces[m_piece].count) {
                ++m_piece;
                m_offset = 0;
            }
            return *this;
        }
        bool operator==(const span_iterator& other) const { return m_index == other.m_index; }
        bool operator!=(const span_iterator& other) const { return m_index != other.m_index; }

    private:
        const CTimeline* m_timeline;
        size_t m_piece;
        uint32_t m_offset;
        uint32_t m_index;
    };
    struct SpanRange {
        const CTimeline* timeline;
        span_iterator begin() const { return span_iterator(timeline, 0, 0, 0); }
        span_iterator end() const
        {
            return span_iterator(timeline, timeline->m_pieces.size(), 0, timeline->m_count);
        }
    };
    SpanRange Spans() const { return SpanRange{this}; }

    /** Calls f(span, path) for every segment in index order, without
     *  building a record: a reader of the paths of a long track. */
    template <typename F> void ForEachPath(F&& f) const
    {
        m_paths->Read([&](const auto& pathOf) {
            for (const vorlain::detail::Piece& piece : m_pieces) {
                for (uint32_t i = 0; i < piece.count; ++i) {
                    const vorlain::detail::Entry& e = (*piece.chunk)[piece.first + i];
                    f(CSegmentSpan{e.start + piece.shift, e.end + piece.shift, e.state, 0, this},
                      pathOf(e.path));
                }
            }
        });
    }

    CTimeline* m_prev = nullptr;
    CTimeline* m_next = nullptr;

private:
    static constexpr uint32_t kNone = UINT32_MAX;

    /** Entries by index for a walk that moves a step at a time, in either
     *  direction: the piece looked at last is where the next search starts. */
    struct Walker {
        const CTimeline& timeline;
        size_t piece = 0;

        /** The entry at index (< count) with its piece's shift applied. */
        vorlain::detail::Entry At(uint32_t index)
        {
            const auto& starts = timeline.m_starts;
            while (piece + 1 < starts.size() && starts[piece + 1] <= index)
                ++piece;
            while (starts[piece] > index)
                --piece;
            const vorlain::detail::Piece& p = timeline.m_pieces[piece];
            vorlain::detail::Entry e = (*p.chunk)[p.first + index - starts[piece]];
            e.start += p.shift;
            e.end += p.shift;
            return e;
        }
        /** How many entries from index on (forward) or up to index (not
         *  forward), at least 1, are the same entries of the same chunk as
         *  other's at otherIndex, moved by shift more: the rest of the shorter
         *  of the two pieces in that direction, or 1. */
        uint32_t SharedRun(uint32_t index, Walker& other, uint32_t otherIndex, int64_t shift,
                           bool forward)
        {
            At(index);
            other.At(otherIndex);
            const vorlain::detail::Piece& p = timeline.m_pieces[piece];
            const vorlain::detail::Piece& q = other.timeline.m_pieces[other.piece];
            const uint32_t offset = index - timeline.m_starts[piece];
            const uint32_t otherOffset = otherIndex - other.timeline.m_starts[other.piece];
            if (p.chunk != q.chunk || p.shift != q.shift + shift ||
                p.first + offset != q.first + otherOffset)
                return 1;
            return forward ? std::min(p.count - offset, q.count - otherOffset)
                           : std::min(offset, otherOffset) + 1;
        }
        /** Audio segments among indexes [from, to). */
        uint32_t AudioIn(uint32_t from, uint32_t to)
        {
            uint32_t audio = 0;
            while (from < to) {
                At(from);
                const vorlain::detail::Piece& p = timeline.m_pieces[piece];
                const uint32_t offset = from - timeline.m_starts[piece];
                const uint32_t n = std::min(to - from, p.count - offset);
                const vorlain::detail::Entry* e = p.chunk->data() + p.first + offset;
                for (uint32_t k = 0; k < n; ++k)
                    audio += (e[k].state & vorlain::kHeaderSegment) ? 0 : 1;
                from += n;
            }
            return audio;
        }
        /** The first audio segment at or after index; the count when none. */
        uint32_t NextAudio(uint32_t index)
        {
            while (index < timeline.m_count && (At(index).state & vorlain::kHeaderSegment))
                ++index;
            return index;
        }
        /** The last audio segment before end and at or after stop; kNone when none. */
        uint32_t PrevAudio(uint32_t end, uint32_t stop)
        {
            while (end > stop) {
                --end;
                if (!(At(end).state & vorlain::kHeaderSegment))
                    return end;
            }
            return kNone;
        }
    };

    size_t PieceOf(uint32_t index) const
    {
        return static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), index) -
                                   m_starts.begin()) -
               1;
    }

    TrackSegment Record(const vorlain::detail::Piece& piece, uint32_t offset) const
    {
        const vorlain::detail::Entry& e = (*piece.chunk)[piece.first + offset];
        TrackSegment s;
        s.state = e.state;
        s.reserved = 0;
        s.start = e.start + piece.shift;
        s.end = e.end + piece.shift;
        m_paths->CopyTo(e.path, s.path);
        s.reserved2 = 0;
        return s;
    }

    void AppendEntry(const vorlain::detail::Entry& e, int64_t shift)
    {
        // New segments go into a chunk of this timeline's own while nothing
        // else refers to it; once shared, a chunk never changes again.
        if (!m_pieces.empty()) {
            vorlain::detail::Piece& last = m_pieces.back();
            if (last.chunk.use_count() == 1 && last.shift == shift &&
                last.first + last.count == last.chunk->size()) {
                last.chunk->push_back(e);
                ++last.count;
                ++m_count;
                return;
            }
        }
        auto chunk = std::make_shared<std::vector<vorlain::detail::Entry>>();
        chunk->push_back(e);
        AddPiece({std::move(chunk), 0, 1, shift});
    }

    void AddPiece(vorlain::detail::Piece piece)
    {
        // A run that continues the last piece in the same chunk extends it.
        if (!m_pieces.empty()) {
            vorlain::detail::Piece& last = m_pieces.back();
            if (last.chunk == piece.chunk && last.shift == piece.shift &&
                last.first + last.count == piece.first) {
                last.count += piece.count;
                m_count += piece.count;
                return;
            }
        }
        m_starts.push_back(m_count);
        m_count += piece.count;
        m_pieces.push_back(std::move(piece));
    }

    std::shared_ptr<vorlain::detail::PathPool> m_paths;
    std::vector<vorlain::detail::Piece> m_pieces;
    std::vector<uint32_t> m_starts; // index of each piece's first segment
    uint32_t m_count = 0;
};
