#include "effects/effect_engine.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/timeline_builder.h"
#include "effects/echo_effect.h"
#include "effects/fade_in_effect.h"
#include "effects/fade_out_effect.h"
#include "effects/normalize_effect.h"
#include "effects/reverse_effect.h"
#include "effects/silence_effect.h"
#include "effects/volume_effect.h"
#include "store/block_io.h"
#include "store/byte_offset.h"
#include "store/peak_summary_writer.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cinttypes>
#include <memory>
#include <vector>

namespace kernel {

namespace {

// The effect list: each effect is configured here in one place. The setters'
// results are not checked: a refused value leaves the effect's default in force.
std::unique_ptr<CAudioEffect> makeEffect(EffectType type, const CTrack& track,
                                         const EffectParams& p)
{
    std::unique_ptr<CAudioEffect> effect;
    auto common = [&](CAudioEffect& e) {
        e.SetChannels(track.m_channels);
        e.SetSampleRate(track.m_sampleRate);
    };
    switch (type) {
    case EffectType::FadeIn: {
        auto e = std::make_unique<CFadeInEffect>();
        common(*e);
        e->SetRange(p.from, p.to);
        e->SetCurve(p.parameter);
        effect = std::move(e);
        break;
    }
    case EffectType::FadeOut: {
        auto e = std::make_unique<CFadeOutEffect>();
        common(*e);
        e->SetRange(p.from, p.to);
        e->SetCurve(p.parameter);
        effect = std::move(e);
        break;
    }
    case EffectType::Echo: {
        auto e = std::make_unique<CEchoEffect>();
        common(*e);
        e->SetTrack(&track);
        e->SetRange(p.from, p.to);
        e->SetDecay(std::bit_cast<float>(p.parameter));
        e->SetDelay(1'000'000); // always one second
        effect = std::move(e);
        break;
    }
    case EffectType::Silence: {
        auto e = std::make_unique<CSilenceEffect>();
        common(*e);
        e->SetRange(p.from, p.to);
        effect = std::move(e);
        break;
    }
    case EffectType::Volume: {
        auto e = std::make_unique<CVolumeEffect>();
        common(*e);
        e->SetVolume(p.parameter);
        e->SetRange(p.from, p.to);
        effect = std::move(e);
        break;
    }
    case EffectType::Normalize: {
        auto e = std::make_unique<CNormalizeEffect>();
        common(*e);
        if (!e->Measure(track, p.from, p.to, static_cast<int32_t>(p.parameter)))
            return nullptr;
        e->SetRange(p.from, p.to);
        effect = std::move(e);
        break;
    }
    case EffectType::Loudness: {
        auto e = std::make_unique<CNormalizeEffect>();
        common(*e);
        if (!e->MeasureLoudness(track, p.from, p.to, static_cast<int32_t>(p.parameter)))
            return nullptr;
        e->SetRange(p.from, p.to);
        effect = std::move(e);
        break;
    }
    case EffectType::Reverse: {
        auto e = std::make_unique<CReverseEffect>();
        common(*e);
        if (!e->SetSource(track, p.from, p.to))
            return nullptr;
        e->SetRange(p.from, p.to);
        effect = std::move(e);
        break;
    }
    }
    return effect;
}

// Streams one data file into a new one: [0, a) and [b, end) as they are,
// [a, b) through the effect, all through the process-wide reader and writer.
// The new file's peak summary is made from the same blocks as they are
// written, so it costs no second read.
class EffectStreamer {
public:
    EffectStreamer(CAudioEffect& effect, uint32_t channels, int64_t rangeBytes, int64_t& processed)
        : m_effect(effect), m_rangeBytes(rangeBytes), m_processed(processed), m_summary(channels)
    {
    }

    /** Whether the last rewritten file got its summary. */
    bool Summarized() const { return m_summarized; }

    bool rewrite(const std::string& source, const std::string& target, int64_t a, int64_t b)
    {
        CBlockReader& reader = CBlockReader::Instance();
        CBlockWriter& writer = CBlockWriter::Instance();
        const int64_t size = FileSize(source);
        if (size < 0) {
            NoteReadFailure(errno);
            return false;
        }
        a = std::clamp<int64_t>(a, 0, size);
        b = std::clamp<int64_t>(b, a, size);
        m_summary.Reset();
        m_summarized = false;
        reader.Close();
        bool ok = copy(source, target, 0, a, false) && copy(source, target, a, b, true) &&
                  copy(source, target, b, size, false);
        // An empty file still has to exist and be closed.
        ok = writer.Write(target, nullptr, 0, true) && ok;
        reader.Close();
        if (!ok)
            writer.Close();
        else
            m_summarized = m_summary.Finish(target);
        return ok;
    }

private:
    bool copy(const std::string& source, const std::string& target, int64_t begin, int64_t end,
              bool process)
    {
        // Large blocks: the effect's loop runs long between calls, and the
        // reader and writer are called once per 64 KiB instead of per 1 KiB.
        uint8_t* block = m_block.data();
        int64_t left = end - begin;
        int64_t seek = begin;
        while (left > 0) {
            uint32_t got = 0;
            if (!CBlockReader::Instance().Read(source, block, got, seek, SEEK_SET, m_block.size()))
                return false;
            seek = -1;
            int64_t n = std::min<int64_t>(got, left);
            if (n <= 0)
                return false; // the file is shorter than it was
            if (process) {
                m_effect.Process(block, n);
                if (m_effect.m_failed)
                    return false;
                m_processed += n;
                if (m_rangeBytes > 0) {
                    auto percent =
                        static_cast<uint32_t>((m_processed * 100 / m_rangeBytes) & 0x0FFFFFFF);
                    m_effect.m_progress = percent;
                    m_progress.Rise(std::min<uint32_t>(percent, 99));
                }
            }
            if (!CBlockWriter::Instance().Write(target, block, static_cast<size_t>(n), false))
                return false;
            m_summary.Feed(block, static_cast<size_t>(n));
            left -= n; // a block cut short by the count: the next part seeks again
        }
        return true;
    }

    std::vector<uint8_t> m_block = std::vector<uint8_t>(64 * 1024);
    CAudioEffect& m_effect;
    int64_t m_rangeBytes;
    int64_t& m_processed;
    CProgressPoster m_progress;
    CPeakSummaryWriter m_summary;
    bool m_summarized = false;
};

} // namespace

bool DoCommonEffect(CTrack& track, EffectType type, const EffectParams& params)
{
    return DoEffect(track, makeEffect(type, track, params), params);
}

bool DoEffect(CTrack& track, std::unique_ptr<CAudioEffect> effect, const EffectParams& params)
{
    const int64_t F = params.from, T = params.to;
    VorlainOutputDebugString("DoCommonEffect from=%" PRId64 " to=%" PRId64, F, T);
    track.m_effect = std::move(effect);
    const CTimeline* current = track.Timeline();
    if (!current || !track.m_effect) {
        PostFinalProgress();
        return false;
    }
    const AudioFormat format = FormatOf(track);
    auto offset = [&](int64_t dt) {
        return ByteOffset(dt, format.bytesPerSample, format.sampleRate, format.channels);
    };
    CTimelineBuilder builder(track);
    int64_t processed = 0;
    EffectStreamer rewriter(*track.m_effect, track.m_channels, track.m_effect->m_rangeBytes,
                            processed);
    for (const CSegmentSpan& s : current->Spans()) {
        const int64_t S = s.start, E = s.end;
        if (!(s.state & vorlain::kAudioSegment) || E < F || S >= T) {
            builder.AppendUnchanged(s);
            continue;
        }
        const TrackSegment record = *current->Lookup(s.index);
        const std::string path = builder.NewDataFile();
        const int64_t a = offset(std::max(F, S) - S);
        const int64_t b = T >= E ? INT64_MAX : offset(std::min(T, E) - S);
        if (path.empty() || !rewriter.rewrite(record.path, path, a, b)) {
            PostFinalProgress();
            return false;
        }
        if (rewriter.Summarized())
            builder.SummaryWritten(path);
        builder.AppendReplaced(record, path);
    }
    const bool ok = builder.Commit("DoCommonEffect");
    PostFinalProgress();
    return ok;
}

} // namespace kernel
