#include "kernel_fixture.h"

#include "common/paths.h"
#include "common/progress.h"
#include "store/segment_files.h"
#include "vorlain/peak_summary.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>

namespace kernel::test {

using namespace vorlain::test;

void KernelTest::SetUp()
{
    IsolatedTest::SetUp();
    m_window = std::make_unique<MessageQueueWindow>();
    Kestrum_SetProressNotifyHwnd(m_window->hwnd());
    SetFinalProgressWait(std::chrono::milliseconds(5000));
    m_session = Kestrum_Open(nullptr);
    ASSERT_NE(m_session, nullptr);
}

void KernelTest::TearDown()
{
    Kestrum_Close(m_session);
    m_session = nullptr;
    m_window.reset();
    IsolatedTest::TearDown();
}

CTrack* KernelTest::loadTrack(const Samples& samples, int rate, int channels, const std::string& name)
{
    std::string wav = env().path("source" + std::to_string(m_files++) + ".wav");
    if (!WriteWave(wav, samples, rate, channels))
        return nullptr;
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    if (!track || !track->Load(wav.c_str()))
        return nullptr;
    track->m_name = name;
    return track;
}

CTrack* KernelTest::loadRamp(int64_t frames, int rate, int channels)
{
    return loadTrack(Ramp(frames, channels), rate, channels);
}

std::vector<TrackSegment> KernelTest::segments(const CTrack* track)
{
    std::vector<TrackSegment> out;
    if (track && track->Timeline())
        for (const TrackSegment& s : *track->Timeline())
            out.push_back(s);
    return out;
}

std::vector<uint8_t> KernelTest::pcm(CTrack* track, int64_t from, int64_t to)
{
    std::string out = env().path("export" + std::to_string(m_files++) + ".wav");
    if (!track->SaveRangeToWave(from, to, out.c_str()))
        return {};
    std::vector<uint8_t> bytes = ReadBytes(out);
    RemoveFile(out);
    if (bytes.size() < 44)
        return {};
    return std::vector<uint8_t>(bytes.begin() + 44, bytes.end());
}

std::string CheckPeakSummary(const std::string& dataPath, int channels)
{
    const std::vector<uint8_t> data = ReadBytes(dataPath);
    const std::vector<uint8_t> summary = ReadBytes(vorlain::PeakSummaryPath(dataPath));
    struct stat st{};
    if (::stat(dataPath.c_str(), &st) != 0)
        return "no data file";
    if (summary.size() < sizeof(vorlain::PeakSummaryHeader))
        return "no summary";
    vorlain::PeakSummaryHeader header;
    std::memcpy(&header, summary.data(), sizeof header);
    const int64_t time = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    if (!vorlain::PeakHeaderMatches(header, channels, data.size(), time))
        return "the header does not describe the file";
    const uint64_t frames = data.size() / (2 * channels);
    if (summary.size() != vorlain::PeakSummaryBytes(frames, channels))
        return "size " + std::to_string(summary.size());
    // The reference: offset values (sample + 0x7FFF, 16-bit), extremes per block.
    auto expect = [&](uint32_t blockFrames, uint64_t at) -> std::string {
        for (uint64_t b = 0; b * blockFrames < frames; ++b)
            for (int ch = 0; ch < channels; ++ch) {
                uint16_t hi = 0, lo = 0xFFFF;
                for (uint64_t f = b * blockFrames; f < std::min<uint64_t>(frames, (b + 1) * blockFrames); ++f) {
                    const auto s = static_cast<int16_t>(data[2 * (f * channels + ch)] |
                                                        data[2 * (f * channels + ch) + 1] << 8);
                    const uint16_t u = vorlain::PeakOffsetValue(s);
                    hi = std::max(hi, u);
                    lo = std::min(lo, u);
                }
                vorlain::PeakEntry e;
                std::memcpy(&e, summary.data() + at + (b * channels + ch) * sizeof e, sizeof e);
                if (e.maximum != hi || e.minimum != lo)
                    return "block " + std::to_string(b) + " of " + std::to_string(blockFrames) + " frames";
            }
        return "";
    };
    std::string wrong = expect(vorlain::kPeakCoarseFrames, vorlain::PeakCoarseOffset());
    if (wrong.empty())
        wrong = expect(vorlain::kPeakFineFrames, vorlain::PeakFineOffset(frames, channels));
    return wrong;
}

std::string Describe(const std::vector<TrackSegment>& segments)
{
    std::ostringstream out;
    for (const TrackSegment& s : segments) {
        if (s.state & vorlain::kHeaderSegment)
            out << "H ";
        else
            out << "[" << s.start << "," << s.end << ")" << FileNamePart(s.path) << " ";
    }
    return out.str();
}

} // namespace kernel::test
