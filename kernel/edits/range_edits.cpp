#include "edits/range_edits.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/rate_conversion.h"
#include "session/edit_session.h"
#include "store/block_io.h"
#include "track/track.h"
#include "vorlain/platform.h"
#include "wave/wave_header.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>

namespace kernel {

namespace {

bool isHeader(const TrackSegment& s)
{
    return s.state & vorlain::kHeaderSegment;
}

// How a walk over the current timeline goes on after an audio span.
enum class Walk { Next, Stop, Fail };

// Builds the track's next version from its current timeline: header spans
// are carried over as they are, and each audio span goes to place, which
// appends what it keeps of it. Commits under label unless place failed.
template <class Place> bool rebuild(CTrack& track, const char* label, Place place)
{
    const CTimeline* current = track.Timeline();
    if (!current)
        return false;
    const AudioFormat format = FormatOf(track);
    CTimelineBuilder builder(track);
    for (const CSegmentSpan& s : current->Spans()) {
        if (s.IsHeader()) {
            builder.AppendHeader(s);
            continue;
        }
        const Walk next = place(builder, s, format);
        if (next == Walk::Fail)
            return false;
        if (next == Walk::Stop)
            break;
    }
    return builder.Commit(label);
}

} // namespace

bool ReplaceRange(CTrack& track, int64_t F, int64_t T, const char* label, const Inserter& insert)
{
    VorlainOutputDebugString("%s from=%" PRId64 " to=%" PRId64, label, F, T);
    // A zero-length segment at F meets the head case as well as the segment
    // after it: the replacement goes in once, at the first.
    bool inserted = !insert;
    return rebuild(
        track, label,
        [&](CTimelineBuilder& builder, const CSegmentSpan& s, const AudioFormat& format) {
            const int64_t S = s.start, E = s.end;
            if (E < F || (E == F && S < E)) {
                // Wholly before the range; one ending exactly at its start needs no copy.
                builder.AppendUnchanged(s);
            } else if (S <= F && F <= E) {
                // Head and tail are both cut from the segment as it was, so a
                // range inside one segment keeps both sides.
                if (F > S && !builder.AppendSlice(s, S, F, format))
                    return Walk::Fail;
                if (!inserted) {
                    inserted = true;
                    if (!insert(builder))
                        return Walk::Fail;
                }
                if (T < E && !builder.AppendSlice(s, T, E, format))
                    return Walk::Fail;
            } else if (F < S && E <= T && S < T) {
                // inside the range: dropped
            } else if (F < S && S < T && T < E) {
                if (!builder.AppendSlice(s, T, E, format))
                    return Walk::Fail;
            } else {
                // After the range: moved to where the replacement ends.
                builder.AppendRebased(s);
            }
            return Walk::Next;
        });
}

bool CutRange(CTrack& track, int64_t F, int64_t T)
{
    return ReplaceRange(track, F, T, "Cutting", nullptr);
}

bool TrimRange(CTrack& track, int64_t F, int64_t T)
{
    return rebuild(
        track, "Triming",
        [&](CTimelineBuilder& builder, const CSegmentSpan& s, const AudioFormat& format) {
            const int64_t S = s.start, E = s.end;
            if (E < F)
                return Walk::Next; // before the kept range: dropped
            if (S <= F && F <= E) {
                if (!builder.AppendSlice(s, F, std::min(E, T), format))
                    return Walk::Fail;
                return T <= E ? Walk::Stop : Walk::Next;
            }
            if (F < S && E <= T) {
                builder.AppendRebased(s);
                return Walk::Next;
            }
            if (S < T && T < E)
                return builder.AppendSlice(s, S, T, format) ? Walk::Stop : Walk::Fail;
            return Walk::Stop;
        });
}

static bool pasteInto(CTrack& track, const CTimeline* clip, int64_t from, int64_t to,
                      const AudioFormat& clipFormat, int64_t at)
{
    if (!clip)
        return false;
    const int64_t newLength = track.m_length + (to - from);
    if (track.IsBlank()) {
        track.m_channels = clipFormat.channels;
        track.m_sampleRate = clipFormat.sampleRate;
        track.m_bytesPerSample = clipFormat.bytesPerSample;
        if (!track.MakeTrackFolder())
            return false;
    }
    CTimelineBuilder builder(track);
    builder.OnAppend([newLength](int64_t end) {
        if (newLength > 0)
            PostProgress(static_cast<unsigned>(std::clamp<int64_t>(end * 100 / newLength, 0, 99)));
    });
    if (track.IsBlank()) {
        TrackSegment header{};
        header.state = vorlain::kHeaderSegment;
        builder.AppendHeader(header);
        if (!builder.InsertClip(*clip, from, to, clipFormat))
            return false;
        return builder.Commit("Pasting");
    }
    if (!builder.InsertAt(
            at, [&](CTimelineBuilder& b) { return b.InsertClip(*clip, from, to, clipFormat); }))
        return false;
    return builder.Commit("Pasting");
}

bool PasteClip(CTrack& track, const CTimeline* clip, int64_t from, int64_t to,
               const AudioFormat& clipFormat, int64_t at)
{
    const uint32_t channels = track.m_channels, rate = track.m_sampleRate,
                   bps = track.m_bytesPerSample;
    const bool wasBlank = track.IsBlank();
    // A clip of another rate comes in converted to the track's; a blank
    // track takes the clip's own.
    CRateMatchedClip matched;
    bool ok = clip && matched.Prepare(track, *clip, clipFormat, from, to,
                                      wasBlank ? 0 : track.m_sampleRate);
    ok = ok &&
         pasteInto(track, &matched.Timeline(), matched.From(), matched.To(), matched.Format(), at);
    if (!ok && wasBlank && track.IsBlank()) {
        // A failed paste leaves a blank track as it was.
        track.m_channels = channels;
        track.m_sampleRate = rate;
        track.m_bytesPerSample = bps;
    }
    PostFinalProgress();
    return ok;
}

std::string CopyToNewName(const std::string& name, int64_t from, int64_t to)
{
    std::string base = name;
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot != 0)
        base.erase(dot);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "(%" PRId64 "-%" PRId64 ")", from / 1000, to / 1000);
    return base + suffix;
}

// The rate a join writes: the one asked for, else the first track's that
// has audio, else the rate every track had before tracks kept their own.
static uint32_t joinRate(const std::vector<CTrack*>& tracks, uint32_t rate)
{
    if (rate != 0)
        return rate;
    for (const CTrack* track : tracks)
        if (track->Timeline())
            return track->m_sampleRate;
    return 44100;
}

bool JoinTracks(CEditSession& session, const uint32_t* trackIds, uint32_t count,
                const std::string& path, uint32_t rate)
{
    std::vector<CTrack*> tracks;
    for (uint32_t i = 0; i < count; ++i) {
        CTrack* track = session.FindTrack(trackIds[i]);
        if (!track) {
            SetLastError(0x0720B002);
            PostFinalProgress();
            return false;
        }
        tracks.push_back(track);
    }
    if (rate != 0 && (rate < kLowestRate || rate > kHighestRate)) {
        SetLastError(0x0721B002);
        PostFinalProgress();
        return false;
    }
    rate = joinRate(tracks, rate);
    int64_t expected = 0;
    for (CTrack* track : tracks)
        expected += track->m_bytesLoaded * (track->m_channels == 1 ? 2 : 1) * rate /
                    std::max<uint32_t>(track->m_sampleRate, 1);

    // Written beside the target and renamed into place: an older, longer file
    // at the path is replaced whole, never left with a stale tail.
    const std::string partial = path + ".vorlain-part";
    CBlockWriter& writer = CBlockWriter::Instance();
    CBlockReader& reader = CBlockReader::Instance();
    auto fail = [&](uint32_t code) {
        SetLastError(code);
        writer.Close();
        reader.Close();
        std::remove(partial.c_str());
        PostFinalProgress();
        return false;
    };
    WaveHeaderBytes header = MakeWaveHeader(2, rate, 0);
    std::remove(partial.c_str());
    if (!writer.Write(partial, header.data(), header.size(), false, 0))
        return fail(0x074AB001);

    int64_t written = 0;
    CProgressPoster progress;
    uint8_t block[kBlockSize];
    uint8_t wide[2 * kBlockSize];
    // Writes n bytes of the track's frames, a mono track's on both sides.
    auto emit = [&](const uint8_t* in, size_t got, bool mono) {
        const uint8_t* out = in;
        size_t n = got;
        if (mono) {
            n = 0;
            for (size_t i = 0; i + 1 < got; i += 2)
                for (int twice = 0; twice < 2; ++twice) {
                    wide[n++] = in[i];
                    wide[n++] = in[i + 1];
                }
            out = wide;
        }
        if (n > 0 && !writer.Write(partial, out, n, false))
            return false;
        written += static_cast<int64_t>(n);
        if (expected > 0) {
            auto p = static_cast<uint32_t>(std::min<int64_t>(written * 100 / expected, 99));
            session.m_progress = p;
            progress.Post(p);
        }
        return true;
    };
    for (CTrack* track : tracks) {
        if (!track->Timeline())
            continue;
        const bool mono = track->m_channels == 1;
        if (track->m_sampleRate != rate) {
            // Another rate: the track's audio streamed through the resampler,
            // written in blocks the mono widening takes.
            const Conversion result = ConvertRange(
                *track->Timeline(), FormatOf(*track), 0, 0, rate,
                [&](const int16_t* samples, size_t count) {
                    const auto* bytes = reinterpret_cast<const uint8_t*>(samples);
                    const size_t total = count * sizeof(int16_t);
                    for (size_t at = 0; at < total; at += kBlockSize / 2)
                        if (!emit(bytes + at, std::min<size_t>(kBlockSize / 2, total - at), mono))
                            return false;
                    return true;
                });
            if (result == Conversion::ReadFailed)
                return fail(0x0727B001);
            if (result == Conversion::Refused)
                return fail(0x0E80B001);
            if (result == Conversion::SinkFailed)
                return fail(0x074AB001);
            continue;
        }
        for (const TrackSegment& s : *track->Timeline()) {
            if (isHeader(s))
                continue;
            int64_t seek = 0;
            for (;;) {
                uint32_t got = 0;
                if (!reader.Read(s.path, block, got, seek))
                    return fail(0x0727B001);
                seek = -1;
                if (!emit(block, got, mono))
                    return fail(got < kBlockSize ? 0x072FB001 : 0x074AB001);
                if (got < kBlockSize)
                    break;
            }
        }
    }
    uint8_t size[4];
    PutLE32(size, static_cast<uint32_t>(std::min<int64_t>(written, 0xFFFFFFFFLL - 36)));
    uint8_t riff[4];
    PutLE32(riff, static_cast<uint32_t>(std::min<int64_t>(written, 0xFFFFFFFFLL - 36) + 36));
    if (!writer.Write(partial, size, 4, false, 40) || !writer.Write(partial, riff, 4, true, 4))
        return fail(0x075AB001);
    if (std::rename(partial.c_str(), path.c_str()) != 0)
        return fail(0x075AB001);
    session.m_progress = 100;
    PostFinalProgress();
    return true;
}

} // namespace kernel
