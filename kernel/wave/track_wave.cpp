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
#include "wave/wave_range.h"

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
    int64_t total = 0;
    const std::vector<WaveRangePart> plan = PlanWaveRange(*this, from, to, total);
    auto codesOf = [](const WaveRangePart& part) -> const PlaceCodes& {
        switch (part.place) {
        case WaveRangePart::Inside:
            return kInside;
        case WaveRangePart::Head:
            return kHead;
        case WaveRangePart::Tail:
            return kTail;
        case WaveRangePart::Whole:
            break;
        }
        return kWhole;
    };
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
    for (size_t i = 0; i < plan.size(); ++i) {
        const WaveRangePart& c = plan[i];
        // The next part is read from the disk while this one is copied.
        if (i + 1 < plan.size())
            ReadAhead(plan[i + 1].path, plan[i + 1].begin, plan[i + 1].count);
        const RangeCopy result =
            AppendRange(c.path, c.begin, c.count, out, headerSize + written, written, onProgress);
        if (result == RangeCopy::Done)
            continue;
        ::close(out);
        if (result == RangeCopy::ReadFailed)
            return fail(codesOf(c).read);
        if (result == RangeCopy::WriteFailed)
            return fail(codesOf(c).writeFull);
        return fail(0); // stopped
    }
    if (::close(out) != 0) {
        NoteWriteFailure(errno);
        return fail(plan.empty() ? err::kWaveTemplate : codesOf(plan.back()).writeLast);
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
