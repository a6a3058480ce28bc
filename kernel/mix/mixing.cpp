#include "mix/mixing.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/clipboard.h"
#include "edits/rate_conversion.h"
#include "effects/sample_io.h"
#include "history/action_type.h"
#include "import/track_import.h"
#include "mix/mix_source.h"
#include "session/edit_session.h"
#include "store/block_io.h"
#include "store/byte_offset.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>

namespace kernel {

namespace {

constexpr uint32_t kUnknownDestinationForFile = 0x06E3B001;
constexpr uint32_t kBlankDestination = 0x06E4B001; // nothing to mix into
constexpr uint32_t kBadArgument = 0x06E5B002;      // negative position, level not a number
constexpr uint32_t kRateMismatch = 0x06E6B002;     // the sides differ in sample rate
// Every imported track comes out of the converter at this rate.

// Why a mix of a source in sourceFormat into track is refused; 0 when it is not.
uint32_t refusalOf(const CTrack& track, const AudioFormat& sourceFormat, int64_t at, float level)
{
    if (at < 0 || !std::isfinite(level))
        return kBadArgument;
    if (track.IsBlank())
        return kBlankDestination;
    // A source of another rate is converted first; one the resampler cannot
    // take (no rate at all) would play faster or slower.
    if (sourceFormat.sampleRate == 0)
        return kRateMismatch;
    return 0;
}

// Streams one destination data file into a new one: bytes before the offset
// as they are, the rest with the source added, through the process-wide
// block reader and writer.
class SegmentMixer {
public:
    SegmentMixer(CMixSource& source, float level, int64_t expected)
        : m_source(source), m_level(level), m_expected(expected)
    {
    }

    bool rewrite(const std::string& from, const std::string& to, int64_t offset)
    {
        CBlockReader& reader = CBlockReader::Instance();
        CBlockWriter& writer = CBlockWriter::Instance();
        reader.Close();
        // The writer does not truncate: start from an empty file.
        bool ok = CreateEmptyFile(to) && copyHead(from, to, offset) && mixTail(from, to, offset);
        ok = writer.Write(to, nullptr, 0, true) && ok;
        reader.Close();
        if (!ok)
            writer.Close();
        return ok;
    }

private:
    bool copyHead(const std::string& from, const std::string& to, int64_t offset)
    {
        uint8_t block[kBlockSize];
        int64_t left = offset;
        int64_t seek = 0;
        while (left > 0) {
            uint32_t got = 0;
            if (!CBlockReader::Instance().Read(from, block, got, seek))
                return false;
            seek = -1;
            const auto n = static_cast<size_t>(std::min<int64_t>(got, left));
            if (n > 0 && !CBlockWriter::Instance().Write(to, block, n, false))
                return false;
            left -= static_cast<int64_t>(n);
            if (got < kBlockSize)
                break; // a file shorter than its times: nothing left to mix either
        }
        return true;
    }

    bool mixTail(const std::string& from, const std::string& to, int64_t offset)
    {
        uint8_t block[kBlockSize];
        uint8_t added[kBlockSize];
        int64_t seek = offset;
        for (;;) {
            uint32_t got = 0;
            if (!CBlockReader::Instance().Read(from, block, got, seek))
                return false;
            seek = -1;
            if (got == 0)
                break;
            if (!m_ended) {
                const size_t want = got - got % 2;
                const size_t n = m_source.Read(added, want);
                mix(block, added, n / 2);
                if (n < want)
                    m_ended = true; // the rest of the block and the file stay as they are
                m_mixed += static_cast<int64_t>(n);
                if (m_expected > 0)
                    m_progress.Post(
                        static_cast<unsigned>(std::min<int64_t>(m_mixed * 100 / m_expected, 99)));
            }
            if (!CBlockWriter::Instance().Write(to, block, got, false))
                return false;
            if (got < kBlockSize)
                break;
        }
        return true;
    }

    void mix(uint8_t* destination, const uint8_t* source, size_t samples) const
    {
        for (size_t i = 0; i < samples; ++i) {
            uint8_t* d = destination + 2 * i;
            // The float product plus the integer sample, truncated toward zero.
            const double sum =
                static_cast<double>(static_cast<float>(effects::SampleAt(source + 2 * i)) *
                                    m_level) +
                effects::SampleAt(d);
            effects::StoreSample(
                d, static_cast<int64_t>(std::trunc(std::clamp(sum, -32768.0, 32767.0))));
        }
    }

    CMixSource& m_source;
    const float m_level;
    const int64_t m_expected;
    int64_t m_mixed = 0;
    CProgressPoster m_progress;
    bool m_ended = false;
};

} // namespace

bool MixIntoTrack(CTrack& track, const CTimeline& source, const AudioFormat& sourceFormat,
                  int64_t from, int64_t to, int64_t at, float level)
{
    VorlainOutputDebugString("Mix at=%" PRId64 " from=%" PRId64 " to=%" PRId64, at, from, to);
    if (const uint32_t refusal = refusalOf(track, sourceFormat, at, level)) {
        SetLastError(refusal);
        PostFinalProgress();
        return false;
    }
    const AudioFormat format = FormatOf(track);
    CRateMatchedClip matched;
    if (!matched.Prepare(track, source, sourceFormat, to <= 0 ? 0 : from, std::max<int64_t>(to, 0),
                         format.sampleRate)) {
        PostFinalProgress();
        return false;
    }
    CMixSource stream(matched.Timeline(), matched.Format(), format.channels, matched.From(),
                      matched.To());
    const int64_t room = ByteLength(std::max<int64_t>(track.m_length - at, 0),
                                    format.bytesPerSample, format.sampleRate, format.channels);
    SegmentMixer mixer(stream, level, std::min(stream.Size(), room));
    CTimelineBuilder builder(track);
    bool first = true;
    bool ok =
        builder.RewriteFrom(at, [&](const TrackSegment& s, int64_t offset, std::string& path) {
            // The segment holding the position is always rewritten; later ones
            // only while the source lasts.
            if (!first && stream.Ended())
                return stream.Failed() ? Rewrite::Failed : Rewrite::Kept;
            first = false;
            path = builder.NewDataFile();
            if (path.empty() || !mixer.rewrite(s.path, path, offset))
                return Rewrite::Failed;
            return Rewrite::Replaced;
        });
    ok = ok && !stream.Failed();
    ok = ok && builder.Commit("Mixing");
    PostFinalProgress();
    return ok;
}

bool MixFromClipboard(CEditSession& session, uint32_t trackId, int64_t at, float level)
{
    CTrack* track = session.FindTrack(trackId);
    const CClipboard& clipboard = session.Clipboard();
    CTrack* source = clipboard.CurrentSource();
    if (!track || !clipboard.IsPasteAble() || !source) {
        PostFinalProgress();
        return false;
    }
    const ClipboardEntry clip = clipboard.Current();
    if (!MixIntoTrack(*track, *clip.timeline, FormatOf(*source), clip.from, clip.to, at, level))
        return false;
    session.Record(trackId, kActionMix, at, at, trackId, at, at + (clip.to - clip.from));
    return true;
}

bool MixFromTrack(CEditSession& session, uint32_t trackId, int64_t at, uint32_t sourceTrackId,
                  float level)
{
    CTrack* track = session.FindTrack(trackId);
    CTrack* source = session.FindTrack(sourceTrackId);
    if (!track || !source) {
        PostFinalProgress();
        return false;
    }
    const CTimeline empty;
    const CTimeline* timeline = source->Timeline() ? source->Timeline() : &empty;
    if (!MixIntoTrack(*track, *timeline, FormatOf(*source), 0, 0, at, level))
        return false;
    session.Record(trackId, kActionMix, 0, 0, 0, 0, 0);
    return true;
}

bool MixFromFile(CEditSession& session, uint32_t trackId, int64_t at, const std::string& path,
                 float level)
{
    CTrack* track = session.FindTrack(trackId);
    if (!track) {
        SetLastError(kUnknownDestinationForFile);
        PostFinalProgress();
        return false;
    }
    // Refused before anything is imported, so that no hidden track is left.
    // The converter brings the file to the destination's rate; channels are
    // converted by the mix.
    const AudioFormat imported{track->m_channels, track->m_sampleRate, 2};
    if (const uint32_t refusal = refusalOf(*track, imported, at, level)) {
        SetLastError(refusal);
        PostFinalProgress();
        return false;
    }
    // The hidden track joins the session only once the mix is in.
    std::unique_ptr<CTrack> hidden = ImportHidden(session, path, track->m_sampleRate);
    if (!hidden)
        return false;
    const CTimeline empty;
    const CTimeline* timeline = hidden->Timeline() ? hidden->Timeline() : &empty;
    if (!MixIntoTrack(*track, *timeline, FormatOf(*hidden), 0, 0, at, level))
        return false;
    const int64_t length = hidden->m_length;
    AdoptHidden(session, std::move(hidden), trackId, kActionMix, at, length);
    return true;
}

} // namespace kernel
