#include "effects/time_stretcher.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "common/stop.h"
#include "edits/timeline_builder.h"
#include "store/peak_summary_writer.h"
#include "store/piece_writer.h"
#include "track/track.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace kernel {

namespace {

using RubberBand::RubberBandStretcher;

// Frames per read and per process call: 64 KiB of stereo, small enough that
// the stop flag and the progress are asked often.
constexpr int64_t kChunkFrames = 16384;
// The study pass only analyses; the process pass does the work.
constexpr unsigned kStudyPercent = 15;

int16_t toSample(float x)
{
    return static_cast<int16_t>(std::lrintf(std::clamp(x * 32768.0f, -32768.0f, 32767.0f)));
}

// Cuts the stretched frames into data files of at most one piece length,
// each appended at the builder's running position with its peak summary.
// Exactly `frames` frames come out: Rubber Band's count may differ from the
// one the duration asks by a frame or two, so its extra frames are dropped
// and missing ones repeat its last.
class PieceOutput {
public:
    PieceOutput(CTimelineBuilder& builder, const CTrack& track, int64_t frames, int64_t duration)
        : m_builder(builder), m_channels(track.m_channels),
          m_frameBytes(2 * static_cast<int64_t>(track.m_channels)),
          m_pieceFrames(track.m_pieceLength / 1'000'000 * track.m_sampleRate),
          m_pieceLength(track.m_pieceLength), m_framesLeft(frames), m_durationLeft(duration),
          m_summary(track.m_channels)
    {
        m_piece.resize(static_cast<size_t>(std::max<int64_t>(m_pieceFrames, 1) * m_frameBytes));
    }

    /** frames frames, one plane per channel. */
    bool Feed(const float* const* planes, int64_t frames)
    {
        for (int64_t f = 0; f < frames && m_framesLeft > 0; ++f) {
            uint8_t* out = m_piece.data() + m_fill;
            for (uint32_t c = 0; c < m_channels; ++c) {
                const auto s = static_cast<uint16_t>(toSample(planes[c][f]));
                out[2 * c] = static_cast<uint8_t>(s);
                out[2 * c + 1] = static_cast<uint8_t>(s >> 8);
            }
            if (!put())
                return false;
        }
        return true;
    }

    /** Pads to the frame count and writes the last piece. */
    bool Finish()
    {
        while (m_framesLeft > 0) {
            uint8_t* out = m_piece.data() + m_fill;
            if (m_fill >= m_frameBytes)
                std::copy_n(out - m_frameBytes, m_frameBytes, out);
            else
                std::copy_n(m_last, m_frameBytes, out);
            if (!put())
                return false;
        }
        return m_fill == 0 || flush();
    }

private:
    // Takes the frame just stored at m_fill.
    bool put()
    {
        m_fill += m_frameBytes;
        --m_framesLeft;
        if (m_fill == static_cast<int64_t>(m_piece.size()))
            return flush();
        return true;
    }

    bool flush()
    {
        if (StopRequested())
            return false;
        const std::string path = m_builder.NewDataFile();
        if (path.empty()) {
            SetLastError(err::kPathTooLong);
            return false;
        }
        const auto bytes = static_cast<size_t>(m_fill);
        if (!WriteDataFile(path, m_piece.data(), bytes))
            return false;
        m_summary.Feed(m_piece.data(), bytes);
        if (m_summary.Finish(path))
            m_builder.SummaryWritten(path);
        // Whole pieces span the piece length, as the loader's do; the last
        // takes what is left of the duration.
        const int64_t duration = m_framesLeft > 0 ? m_pieceLength : m_durationLeft;
        m_builder.AppendFile(path, duration);
        m_durationLeft -= duration;
        std::copy_n(m_piece.data() + m_fill - m_frameBytes, m_frameBytes, m_last);
        m_fill = 0;
        return true;
    }

    CTimelineBuilder& m_builder;
    uint32_t m_channels;
    int64_t m_frameBytes;
    int64_t m_pieceFrames;
    int64_t m_pieceLength;
    int64_t m_framesLeft;
    int64_t m_durationLeft;
    std::vector<uint8_t> m_piece;
    int64_t m_fill = 0;
    uint8_t m_last[4] = {}; // the last frame of the piece written before
    CPeakSummaryWriter m_summary;
};

} // namespace

CTimeStretcher::CTimeStretcher(const CTrack& track, double timeRatio, double pitchScale)
    : m_track(track), m_timeRatio(timeRatio), m_pitchScale(pitchScale),
      m_channels(track.m_channels), m_sampleRate(track.m_sampleRate),
      m_frameBytes(2 * static_cast<int64_t>(track.m_channels))
{
}

bool CTimeStretcher::Open(int64_t from, int64_t to)
{
    if (!m_source.Open(m_track, from, to))
        return false;
    m_inFrames = m_source.Bytes() / m_frameBytes;
    m_duration = std::max<int64_t>(1, std::llround(static_cast<double>(to - from) * m_timeRatio));
    m_outFrames = (m_duration * m_sampleRate + 999'999) / 1'000'000;
    return true;
}

bool CTimeStretcher::readPlanes(int64_t at, int64_t frames)
{
    m_bytes.resize(static_cast<size_t>(frames * m_frameBytes));
    if (StopRequested() || !m_source.Read(at * m_frameBytes, m_bytes.data(), frames * m_frameBytes))
        return false;
    for (uint32_t c = 0; c < m_channels; ++c) {
        float* plane = m_planes[c].data();
        const uint8_t* p = m_bytes.data() + 2 * c;
        for (int64_t f = 0; f < frames; ++f, p += m_frameBytes)
            plane[f] = static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8)) / 32768.0f;
    }
    return true;
}

bool CTimeStretcher::Append(CTimelineBuilder& builder)
{
    PieceOutput output(builder, m_track, m_outFrames, m_duration);
    if (m_inFrames == 0)
        return output.Finish(); // nothing to stretch: the time is kept in silence

    m_planes.assign(m_channels, std::vector<float>(static_cast<size_t>(kChunkFrames)));
    std::vector<float*> planes;
    for (auto& plane : m_planes)
        planes.push_back(plane.data());

    // Offline: the study pass sees the whole range first, so the stretch is
    // spread evenly and the output count is exact. The default engine and
    // threading are those of the rubberband program.
    RubberBandStretcher stretcher(m_sampleRate, m_channels,
                                  RubberBandStretcher::OptionProcessOffline, m_timeRatio,
                                  m_pitchScale);
    stretcher.setExpectedInputDuration(static_cast<size_t>(m_inFrames));
    stretcher.setMaxProcessSize(static_cast<size_t>(kChunkFrames));

    CProgressPoster progress;
    auto post = [&](int64_t done, unsigned first, unsigned share) {
        progress.Rise(first + static_cast<unsigned>(done * share / m_inFrames));
    };
    for (int64_t at = 0; at < m_inFrames;) {
        const int64_t n = std::min(kChunkFrames, m_inFrames - at);
        if (!readPlanes(at, n))
            return false;
        at += n;
        stretcher.study(planes.data(), static_cast<size_t>(n), at == m_inFrames);
        post(at, 0, kStudyPercent);
    }

    // Whatever is ready is taken after every block, so the stretcher's
    // buffers stay a few blocks long. Its threads (one per channel) may lag
    // behind at the end: available() is 0 until they catch up, -1 once all
    // is out.
    auto drain = [&](bool last) {
        for (;;) {
            const int ready = stretcher.available();
            if (ready < 0)
                return true;
            if (ready == 0) {
                if (!last)
                    return true;
                if (StopRequested())
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const size_t got = stretcher.retrieve(
                planes.data(), std::min<size_t>(static_cast<size_t>(ready), kChunkFrames));
            if (!output.Feed(planes.data(), static_cast<int64_t>(got)))
                return false;
        }
    };
    for (int64_t at = 0; at < m_inFrames;) {
        const int64_t n = std::min(kChunkFrames, m_inFrames - at);
        if (!readPlanes(at, n))
            return false;
        at += n;
        stretcher.process(planes.data(), static_cast<size_t>(n), at == m_inFrames);
        if (!drain(at == m_inFrames))
            return false;
        post(at, kStudyPercent, 99 - kStudyPercent);
    }
    return output.Finish();
}

} // namespace kernel
