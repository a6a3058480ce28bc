#include "kernel_fixture.h"

#include "common/paths.h"
#include "common/progress.h"
#include "store/segment_files.h"

#include <gtest/gtest.h>

#include <chrono>
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
