// The timeline's storage: versions share the runs of segments they keep, so
// an edit of a long track costs and keeps what it changes; every walk still
// hands out the records the segments were appended as.
#include "kernel_fixture.h"

#include "vorlain/timeline.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>

using namespace kernel::test;
using namespace vorlain::test;

namespace {

TrackSegment audio(int64_t start, int64_t end, const std::string& path)
{
    return MakeSegment(vorlain::kAudioSegment, start, end, path.c_str());
}

std::string name(int n)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "/session/Track00/%.8d.dat", n);
    return buffer;
}

/** A loaded track's timeline: a header and n five-second pieces. */
CTimeline loaded(int n)
{
    CTimeline t;
    t.Append(MakeSegment(vorlain::kHeaderSegment, 0, 0, name(0).c_str()));
    for (int i = 1; i <= n; ++i)
        t.Append(audio((i - 1) * 5 * kSecond, i * 5 * kSecond, name(i)));
    return t;
}

bool same(const TrackSegment& a, const TrackSegment& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(Timeline, RecordsComeBackAsTheyWereAppended)
{
    const CTimeline t = loaded(3);
    ASSERT_EQ(t.GetCount(), 4u);
    const TrackSegment second = audio(5 * kSecond, 10 * kSecond, name(2));
    EXPECT_TRUE(same(*t.Lookup(2), second)); // every byte: reserved fields 0, path zero-padded
    EXPECT_FALSE(t.Lookup(4).has_value());
    uint32_t i = 0;
    for (const CTimelineItem& s : t) {
        EXPECT_TRUE(same(s, *t.Lookup(i)));
        EXPECT_EQ(s.source, &t);
        EXPECT_EQ(s.index, i++);
    }
    EXPECT_EQ(i, 4u);
    EXPECT_EQ(t.EndTime(), 15 * kSecond);
    // A path that fills the field is cut at its last character.
    CTimeline longPath;
    longPath.Append(audio(0, 1, std::string(400, 'x')));
    EXPECT_EQ(std::string(longPath.Lookup(0)->path), std::string(259, 'x'));
}

TEST(Timeline, AVersionSharesTheRunsItKeepsWithTheirTimesMoved)
{
    const CTimeline before = loaded(720); // an hour
    // A cut of 1 s inside piece 361: pieces 1..360 stay, two new files, the
    // rest one second earlier.
    CTimeline after(&before);
    after.AppendRun(before, 0, 361, 0);
    after.Append(audio(1800 * kSecond, 1802 * kSecond, name(721)));
    after.Append(audio(1802 * kSecond, 1804 * kSecond, name(722)));
    after.AppendRun(before, 362, 359, -kSecond);
    EXPECT_EQ(after.GetCount(), 722u);
    EXPECT_LE(after.Pieces(), 3u) << "runs, not copies";
    EXPECT_EQ(after.EndTime(), 3599 * kSecond);
    EXPECT_TRUE(same(*after.Lookup(360), *before.Lookup(360)));
    EXPECT_TRUE(same(*after.Lookup(362), audio(1802 * kSecond, 1804 * kSecond, name(722))));
    EXPECT_TRUE(same(*after.Lookup(363), audio(1804 * kSecond, 1809 * kSecond, name(362))));
    EXPECT_TRUE(same(*after.Lookup(721), audio(3594 * kSecond, 3599 * kSecond, name(720))));
    // The version before is untouched, and so is a copy when it grows.
    EXPECT_TRUE(same(*before.Lookup(363), audio(1810 * kSecond, 1815 * kSecond, name(363))));
    CTimeline copy = after;
    copy.Append(audio(3599 * kSecond, 3600 * kSecond, name(723)));
    EXPECT_EQ(after.GetCount(), 722u);
    EXPECT_EQ(copy.GetCount(), 723u);
    // Compacting changes the storage, not the records.
    CTimeline compacted = after;
    compacted.Compact();
    EXPECT_EQ(compacted.Pieces(), 1u);
    for (uint32_t i = 0; i < after.GetCount(); ++i)
        ASSERT_TRUE(same(*compacted.Lookup(i), *after.Lookup(i))) << i;
}

TEST(Timeline, TheFirstSegmentEndingAfterATimeIsFoundByHalvingAcrossRuns)
{
    // A cut inside an hour: runs of the version before, moved, and new files.
    const CTimeline before = loaded(720);
    CTimeline after(&before);
    after.AppendRun(before, 0, 361, 0);
    after.Append(audio(1800 * kSecond, 1802 * kSecond, name(721)));
    after.Append(audio(1802 * kSecond, 1804 * kSecond, name(722)));
    after.AppendRun(before, 362, 359, -kSecond);
    // What a walk over every segment finds: the first audio segment that
    // ends after time, with the headers right before it.
    auto walked = [&after](int64_t time) {
        uint32_t i = 0;
        while (i < after.GetCount() &&
               (after.Lookup(i)->state & vorlain::kHeaderSegment || after.Lookup(i)->end <= time))
            ++i;
        while (i > 0 && after.Lookup(i - 1)->state & vorlain::kHeaderSegment)
            --i;
        return i;
    };
    for (int64_t time : {int64_t{0}, int64_t{1}, 5 * kSecond - 1, 5 * kSecond, 5 * kSecond + 1,
                         1800 * kSecond - 1, 1800 * kSecond, 1801 * kSecond, 1802 * kSecond,
                         1803 * kSecond, 1804 * kSecond, 1804 * kSecond + 1, 3240 * kSecond,
                         3594 * kSecond, 3599 * kSecond - 1, 3599 * kSecond, 3700 * kSecond}) {
        EXPECT_EQ(after.FirstEndingAfter(time), walked(time)) << time;
    }
    EXPECT_EQ(after.FirstEndingAfter(-1), 0u); // the header, which ends at 0
    EXPECT_EQ(after.FirstEndingAfter(3599 * kSecond), after.GetCount());
    EXPECT_EQ(CTimeline().FirstEndingAfter(kSecond), 0u);

    // A header among the audio segments is stepped over.
    CTimeline mixed;
    mixed.Append(audio(0, 5 * kSecond, name(1)));
    mixed.Append(audio(5 * kSecond, 10 * kSecond, name(2)));
    mixed.Append(MakeSegment(vorlain::kHeaderSegment, 0, 0, name(0).c_str()));
    mixed.Append(audio(10 * kSecond, 15 * kSecond, name(3)));
    mixed.Append(audio(15 * kSecond, 20 * kSecond, name(4)));
    EXPECT_EQ(mixed.FirstEndingAfter(7 * kSecond), 1u);
    EXPECT_EQ(mixed.FirstEndingAfter(12 * kSecond), 2u); // from the header on
    EXPECT_EQ(mixed.FirstEndingAfter(16 * kSecond), 4u);
    EXPECT_EQ(mixed.FirstEndingAfter(20 * kSecond), 5u);
}

TEST(Timeline, RunsOfATimelineWithOtherPathsAreCopied)
{
    const CTimeline clip = loaded(3);
    CTimeline t; // paths of its own
    t.Append(audio(0, kSecond, "/elsewhere/a.dat"));
    t.AppendRun(clip, 1, 2, kSecond);
    ASSERT_EQ(t.GetCount(), 3u);
    EXPECT_TRUE(same(*t.Lookup(2), audio(6 * kSecond, 11 * kSecond, name(2))));
    t.AppendRun(clip, 3, 10, 0); // past the end: what there is
    EXPECT_EQ(t.GetCount(), 4u);
}

TEST(Timeline, AVersionTellsWhatItSharesWithAnEarlierOneInAudioSegments)
{
    const CTimeline before = loaded(720);
    // The cut above: 360 audio segments kept at the head (the header is not
    // counted), two of its own, 359 kept at the tail one second earlier.
    CTimeline cut(&before);
    cut.AppendRun(before, 0, 361, 0);
    cut.Append(audio(1800 * kSecond, 1802 * kSecond, name(721)));
    cut.Append(audio(1802 * kSecond, 1804 * kSecond, name(722)));
    cut.AppendRun(before, 362, 359, -kSecond);
    CTimeline::SharedEnds ends = cut.SharedAudioEnds(before);
    EXPECT_EQ(ends.head, 360u);
    EXPECT_EQ(ends.tail, 359u);
    EXPECT_EQ(ends.shift, -kSecond);
    EXPECT_EQ(ends.midFirst, 361u);
    EXPECT_EQ(ends.midEnd, 363u);
    // And the other way round: undoing the cut keeps the same ends.
    ends = before.SharedAudioEnds(cut);
    EXPECT_EQ(ends.head, 360u);
    EXPECT_EQ(ends.tail, 359u);
    EXPECT_EQ(ends.shift, kSecond);
    EXPECT_EQ(ends.midEnd - ends.midFirst, 1u);

    // A version equal to its base shares everything, once: head and tail
    // never overlap.
    const CTimeline same(before);
    ends = same.SharedAudioEnds(before);
    EXPECT_EQ(ends.head, 720u);
    EXPECT_EQ(ends.tail, 0u);
    EXPECT_EQ(ends.shift, 0);
    EXPECT_EQ(ends.midFirst, ends.midEnd);

    // A file appended at the end: all of the base at the head.
    CTimeline longer(&before);
    longer.AppendRun(before, 0, 721, 0);
    longer.Append(audio(3600 * kSecond, 3601 * kSecond, name(723)));
    ends = longer.SharedAudioEnds(before);
    EXPECT_EQ(ends.head, 720u);
    EXPECT_EQ(ends.tail, 0u);
    EXPECT_EQ(ends.midFirst, 721u);
    EXPECT_EQ(ends.midEnd, 722u);

    // Silence inserted at the start, behind the header: the tail is the
    // whole base moved on.
    CTimeline inserted(&before);
    inserted.AppendRun(before, 0, 1, 0);
    inserted.Append(audio(0, kSecond, name(724)));
    inserted.AppendRun(before, 1, 720, kSecond);
    ends = inserted.SharedAudioEnds(before);
    EXPECT_EQ(ends.head, 0u);
    EXPECT_EQ(ends.tail, 720u);
    EXPECT_EQ(ends.shift, kSecond);
    EXPECT_EQ(ends.midFirst, 1u);
    EXPECT_EQ(ends.midEnd, 2u);

    // An effect over one piece replaces its file, times kept.
    CTimeline faded(&before);
    faded.AppendRun(before, 0, 10, 0);
    faded.Append(audio(45 * kSecond, 50 * kSecond, name(725)));
    faded.AppendRun(before, 11, 710, 0);
    ends = faded.SharedAudioEnds(before);
    EXPECT_EQ(ends.head, 9u);
    EXPECT_EQ(ends.tail, 710u);
    EXPECT_EQ(ends.shift, 0);
    EXPECT_EQ(ends.midEnd - ends.midFirst, 1u);

    // Versions of different lines share nothing, even with equal records.
    const CTimeline other = loaded(720);
    ends = other.SharedAudioEnds(before);
    EXPECT_EQ(ends.head + ends.tail, 0u);
    EXPECT_EQ(ends.midFirst, 0u);
    EXPECT_EQ(ends.midEnd, 721u);
}

// Versions made by random splices (and compactions) of each other, each
// compared with an earlier one: the shared ends are what a plain comparison
// of their audio segments finds.
TEST(Timeline, SharedEndsAgreeWithAPlainComparisonOverRandomSplices)
{
    std::mt19937 random(14);
    std::vector<std::unique_ptr<CTimeline>> versions;
    versions.push_back(std::make_unique<CTimeline>(loaded(50)));
    int next = 1000;
    for (int round = 0; round < 300; ++round) {
        const CTimeline& from = *versions[random() % versions.size()];
        auto made = std::make_unique<CTimeline>(&from);
        const uint32_t count = from.GetCount();
        const uint32_t keep = random() % (count + 1);
        const uint32_t resume = keep + random() % (count - keep + 1);
        made->AppendRun(from, 0, keep, 0);
        int64_t at = keep > 0 ? from.Lookup(keep - 1)->end : 0;
        for (int n = random() % 3; n > 0; --n, at += kSecond)
            made->Append(audio(at, at + kSecond, name(next++)));
        if (resume < count)
            made->AppendRun(from, resume, count - resume, at - from.Lookup(resume)->start);
        if (random() % 8 == 0)
            made->Compact();
        versions.push_back(std::move(made));
    }
    auto audioOf = [](const CTimeline& t) {
        std::vector<TrackSegment> out;
        for (const TrackSegment& s : t)
            if (!(s.state & vorlain::kHeaderSegment))
                out.push_back(s);
        return out;
    };
    auto equal = [](const TrackSegment& a, const TrackSegment& b, int64_t shift) {
        return a.start == b.start + shift && a.end == b.end + shift &&
               std::strcmp(a.path, b.path) == 0;
    };
    for (size_t i = 1; i < versions.size(); ++i) {
        const CTimeline& later = *versions[i];
        const CTimeline& earlier = *versions[random() % i];
        const CTimeline::SharedEnds ends = later.SharedAudioEnds(earlier);
        const std::vector<TrackSegment> a = audioOf(later), b = audioOf(earlier);
        uint32_t head = 0;
        while (head < a.size() && head < b.size() && equal(a[head], b[head], 0))
            ++head;
        uint32_t tail = 0;
        const int64_t shift = a.empty() || b.empty() ? 0 : a.back().end - b.back().end;
        while (head + tail < a.size() && head + tail < b.size() &&
               equal(a[a.size() - 1 - tail], b[b.size() - 1 - tail], shift))
            ++tail;
        ASSERT_EQ(ends.head, head) << "version " << i;
        ASSERT_EQ(ends.tail, tail) << "version " << i;
        if (tail > 0) {
            ASSERT_EQ(ends.shift, shift) << "version " << i;
        }
        uint32_t mid = 0;
        for (uint32_t k = ends.midFirst; k < ends.midEnd; ++k)
            mid += !(later.Lookup(k)->state & vorlain::kHeaderSegment);
        ASSERT_EQ(mid, a.size() - head - tail) << "version " << i;
    }
}

class TimelineEdits : public KernelTest {};

TEST_F(TimelineEdits, ACutOfALongTrackSharesTheSegmentsBeforeAndAfterIt)
{
    // A long track without its audio: only the timeline matters here.
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_TRUE(track->MakeTrackFolder());
    auto timeline = std::make_unique<CTimeline>();
    timeline->Append(MakeSegment(vorlain::kHeaderSegment, 0, 0,
                                 (track->m_trackFolder + "/00000000.dat").c_str()));
    std::vector<uint8_t> piece(882000, 1);
    std::string path = track->m_trackFolder + "/piece.dat";
    ASSERT_TRUE(WriteBytes(path, piece));
    for (int i = 1; i <= 7200; ++i) // ten hours, every piece the same file
        timeline->Append(audio((i - 1) * 5 * kSecond, i * 5 * kSecond, path));
    track->m_nextFileNumber = 1;
    track->Commit(std::move(timeline), "Loading");
    const CTimeline* before = track->Timeline();

    ASSERT_EQ(Kestrum_Cut(m_session, track->m_trackId, 18000 * kSecond + 250'000,
                          18001 * kSecond + 250'000),
              1);
    const CTimeline* after = track->Timeline();
    ASSERT_NE(after, before);
    EXPECT_EQ(after->GetCount(), 7202u);
    EXPECT_LE(after->Pieces(), 4u);
    EXPECT_EQ(after->EndTime(), 35999 * kSecond);
    EXPECT_TRUE(same(*after->Lookup(7201), audio(35994 * kSecond, 35999 * kSecond, path)));
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(track->Timeline(), before);
    EXPECT_EQ(track->m_length, 36000 * kSecond);
}
