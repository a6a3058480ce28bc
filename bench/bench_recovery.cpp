// The recovery document every committed edit writes: how long one write
// takes for a track of 1 minute, 1 hour and 10 hours (12, 720 and 7,200
// segments), beside a 1-minute track in the same run. The timelines name
// data files that need not exist: only the document is written.
#include "session/edit_session.h"
#include "session/recovery_journal.h"
#include "track/track.h"
#include "vorlain/kestrum.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

double millisPerWrite(int64_t seconds)
{
    CEditSession* session = Kestrum_Open(nullptr);
    CTrack* track = Kestrum_AddTrack(session, nullptr); // makes the locked session folder
    auto timeline = std::make_unique<CTimeline>();
    const int64_t piece = 5'000'000;
    char path[260];
    for (int64_t n = 0; n * piece < seconds * 1'000'000; ++n) {
        std::snprintf(path, sizeof path, "%s/Track00/%.8lld.dat", session->m_tempFolder.c_str(),
                      static_cast<long long>(n + 1));
        timeline->Append(MakeSegment(2, n * piece, (n + 1) * piece, path));
    }
    track->m_trackFolder = session->m_tempFolder + "/Track00";
    track->m_timeline = timeline.release();
    kernel::JournalChange change;
    const int rounds = 200;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        if (!session->WriteJournal(change))
            std::abort();
    const auto took = std::chrono::steady_clock::now() - start;
    track->m_trackFolder.clear();
    Kestrum_Close(session);
    return std::chrono::duration<double, std::milli>(took).count() / rounds;
}

} // namespace

int main()
{
    const double minute = millisPerWrite(60);
    const double hour = millisPerWrite(3600);
    const double tenHours = millisPerWrite(36000);
    std::printf("| track | segments | ms per edit | ratio to 1 min |\n|---|---|---|---|\n");
    std::printf("| 1 min | 12 | %.3f | 1.00 |\n", minute);
    std::printf("| 1 hour | 720 | %.3f | %.2f |\n", hour, hour / minute);
    std::printf("| 10 hours | 7200 | %.3f | %.2f |\n", tenHours, tenHours / minute);
    return 0;
}
