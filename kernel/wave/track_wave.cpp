// CTrack::SaveRangeToWave: a time range of the current timeline as a wave
// file, the header and then byte ranges of the data files copied by the
// kernel: canonical up to 4 GiB of audio, RF64 beyond.
#include "common/last_error.h"
#include "common/progress.h"
#include "store/block_io.h"
#include "store/byte_offset.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "wave/wave_header.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kernel;

namespace {

// The failure codes of one place of the walk: reading its data file, writing
// a full block, writing a block cut to the byte count, writing the last block.
struct PlaceCodes {
    uint32_t read;
    uint32_t writeFull;
    uint32_t writeCut;
    uint32_t writeLast;
};

constexpr PlaceCodes kInside{err::kWaveReadInside, err::kWaveWriteInside, err::kWaveWriteInsideLast,
                             0x09BDB001};
constexpr PlaceCodes kHead{err::kWaveReadHead, err::kWaveWriteHead, err::kWaveWriteHeadLast,
                           err::kWaveWriteHeadLast};
constexpr PlaceCodes kTail{err::kWaveReadTail, err::kWaveWriteTail, err::kWaveWriteTailLast,
                           err::kWaveWriteTailLast};
constexpr PlaceCodes kWhole{err::kWaveReadWhole, err::kWaveWriteWhole, err::kWaveWriteWholeLast,
                            err::kWaveWriteWholeLast};

} // namespace

int CTrack::SaveRangeToWave(int64_t from, int64_t to, const char* outputPath)
{
    if (!outputPath || !*outputPath) {
        SetLastError(err::kWaveNoPath);
        PostFinalProgress();
        return 0;
    }
    // The audio goes into a file beside the target that replaces it only when
    // complete: a failed export never destroys the previous file nor leaves
    // half a file behind.
    const std::string target = outputPath;
    const std::string partial = target + ".vorlain-part";
    RemoveFile(partial);

    if (to == 0)
        to = m_length;
    const int64_t bytesPerSecond = int64_t(m_sampleRate) * m_bytesPerSample * m_channels;
    const int64_t expected = (to - from) * bytesPerSecond / 1'000'000;
    auto rule = [&](int64_t dt) {
        return ByteOffset(dt, m_bytesPerSample, m_sampleRate, m_channels);
    };

    auto fail = [&](uint32_t code) {
        if (code)
            SetLastError(code);
        CBlockWriter::Instance().Close();
        RemoveFile(partial);
        PostFinalProgress();
        return 0;
    };

    // What the walk will copy, in order; planned first so that the exact
    // size is known before the header is chosen.
    struct Copy {
        std::string path;
        int64_t begin;
        int64_t count; // -1: to the end of the file
        const PlaceCodes* codes;
    };
    std::vector<Copy> plan;
    if (m_timeline) {
        for (const TrackSegment& s : *m_timeline) {
            if (s.state & vorlain::kHeaderSegment)
                continue;
            if (s.end <= from) {
                continue;
            } else if (s.start <= from && to <= s.end) {
                // A range reaching the segment's end takes the file to its end: a
                // loader's last piece holds up to a frame more than its
                // truncated end time accounts for, and a round trip keeps it.
                const int64_t count = to == s.end ? -1 : std::max<int64_t>(rule(to - from), 0);
                plan.push_back({s.path, rule(from - s.start), count, &kInside});
                break;
            } else if (s.start <= from && from < s.end && s.end < to) {
                plan.push_back({s.path, rule(from - s.start), -1, &kHead});
            } else if (from < s.start && to <= s.end) {
                const int64_t count = to == s.end ? -1 : std::max<int64_t>(rule(to - s.start), 0);
                plan.push_back({s.path, 0, count, &kTail});
                break;
            } else if (from < s.start && s.end < to) {
                plan.push_back({s.path, 0, -1, &kWhole});
            }
        }
    }
    int64_t total = 0;
    for (const Copy& c : plan) {
        const int64_t available = std::max<int64_t>(FileSize(c.path) - c.begin, 0);
        total += c.count < 0 ? available : std::min(c.count, available);
    }
    // Up to 4 GiB of audio the canonical header, byte for byte as always;
    // beyond, RF64, which FFmpeg and SoX read.
    const bool rf64 = total > kMaxCanonicalWaveData;

    bool headerWritten = false;
    int64_t headerSize = 0;
    if (rf64) {
        const Rf64HeaderBytes header = MakeRf64Header(m_channels, m_sampleRate, 0);
        headerSize = static_cast<int64_t>(header.size());
        headerWritten =
            CBlockWriter::Instance().Write(partial, header.data(), header.size(), true, 0);
    } else {
        const WaveHeaderBytes header = MakeWaveHeader(2, 44100, 0);
        headerSize = static_cast<int64_t>(header.size());
        headerWritten =
            CBlockWriter::Instance().Write(partial, header.data(), header.size(), true, 0);
    }
    if (!headerWritten)
        return fail(err::kWaveTemplate);

    // The audio is byte ranges of the data files: the kernel copies them
    // into place behind the header (sharing extents where it can).
    const int out = ::open(partial.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0) {
        NoteWriteFailure(errno);
        return fail(err::kWaveTemplate);
    }
    CProgressPoster progress;
    int64_t written = 0;
    auto onProgress = [&](int64_t copied) {
        if (expected > 0)
            progress.Post(static_cast<unsigned>(std::min<int64_t>(copied * 100 / expected, 99)));
    };
    for (const Copy& c : plan) {
        const RangeCopy result =
            AppendRange(c.path, c.begin, c.count, out, headerSize + written, written, onProgress);
        if (result == RangeCopy::Done)
            continue;
        ::close(out);
        if (result == RangeCopy::ReadFailed)
            return fail(c.codes->read);
        if (result == RangeCopy::WriteFailed)
            return fail(c.codes->writeFull);
        return fail(0); // stopped
    }
    if (::close(out) != 0) {
        NoteWriteFailure(errno);
        return fail(plan.empty() ? err::kWaveTemplate : plan.back().codes->writeLast);
    }

    // Fix the header's variable fields now that the size is known.
    if (rf64) {
        const Rf64HeaderBytes final = MakeRf64Header(m_channels, m_sampleRate, written);
        if (!CBlockWriter::Instance().Write(partial, final.data(), final.size(), true, 0))
            return fail(err::kWaveHeaderFix);
    } else {
        WaveHeaderBytes final = MakeWaveHeader(m_channels, m_sampleRate, written);
        static constexpr struct {
            size_t at, size;
        } kFields[] = {{4, 4}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}, {40, 4}};
        for (size_t i = 0; i < std::size(kFields); ++i) {
            bool lastField = i + 1 == std::size(kFields);
            if (!CBlockWriter::Instance().Write(partial, &final[kFields[i].at], kFields[i].size,
                                                lastField, static_cast<int64_t>(kFields[i].at)))
                return fail(err::kWaveHeaderFix);
        }
    }
    if (::rename(partial.c_str(), target.c_str()) != 0)
        return fail(err::kWaveHeaderFix);
    PostFinalProgress();
    return 1;
}
