#include "track/track_registry.h"

#include <mutex>
#include <unordered_set>

namespace kernel {

namespace {
std::mutex& lock()
{
    static std::mutex m;
    return m;
}
std::unordered_set<const CTrack*>& live()
{
    static std::unordered_set<const CTrack*> tracks;
    return tracks;
}
} // namespace

void RegisterTrack(const CTrack* track)
{
    std::lock_guard guard(lock());
    live().insert(track);
}

void UnregisterTrack(const CTrack* track)
{
    std::lock_guard guard(lock());
    live().erase(track);
}

bool IsLiveTrack(const CTrack* track)
{
    if (!track)
        return false;
    std::lock_guard guard(lock());
    return live().count(track) != 0;
}

} // namespace kernel
