#include "store/free_space.h"

#include "store/segment_files.h"
#include "track/track.h"

namespace kernel {

namespace {
std::function<int64_t(const std::string&)>& probe()
{
    static std::function<int64_t(const std::string&)> p;
    return p;
}
} // namespace

void SetFreeSpaceProbe(std::function<int64_t(const std::string&)> p)
{
    probe() = std::move(p);
}

int64_t QueryFreeSpaceKiB(const std::string& path)
{
    return probe() ? probe()(path) : FreeSpaceKiB(path);
}

bool HasRoomFor(const CTrack& track, const std::string& folder)
{
    return HasRoomFor(track, track.m_length, folder);
}

bool HasRoomFor(const CTrack& track, int64_t duration, const std::string& folder)
{
    const double bytes = static_cast<double>(duration) * track.m_sampleRate * track.m_channels *
                         track.m_bytesPerSample / 1'000'000.0;
    const auto needed = static_cast<int64_t>(bytes / 1024 + 20480);
    return needed < QueryFreeSpaceKiB(folder);
}

} // namespace kernel
