// What recording a change for crash recovery costs on a track of 1 minute,
// 1 hour and 10 hours (12, 720 and 7,200 segments): an undo or redo step, an
// edit (a one-second cut in the middle, sharing the runs it keeps), and the
// whole document, written now and then in place of the log. The timelines
// name data files that need not exist: only the document and its log are
// written.
#include "session/edit_session.h"
#include "session/recovery_journal.h"
#include "track/track.h"
#include "vorlain/kestrum.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Costs {
    double step;     // ms per undo or redo
    double edit;     // ms per edit
    double document; // ms per whole document
};

template <class F> double millisPer(int rounds, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        f(i);
    const auto took = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::milli>(took).count() / rounds;
}

Costs costs(int64_t seconds)
{
    CEditSession* session = Kestrum_Open(nullptr);
    CTrack* track = Kestrum_AddTrack(session, nullptr); // makes the locked session folder
    auto timeline = std::make_unique<CTimeline>();
    const int64_t piece = 5'000'000;
    char path[260];
    int64_t pieces = 0;
    for (; pieces * piece < seconds * 1'000'000; ++pieces) {
        std::snprintf(path, sizeof path, "%s/Track00/%.8lld.dat", session->m_tempFolder.c_str(),
                      static_cast<long long>(pieces + 1));
        timeline->Append(MakeSegment(2, pieces * piece, (pieces + 1) * piece, path));
    }
    track->m_trackFolder = session->m_tempFolder + "/Track00";
    std::vector<std::unique_ptr<CTimeline>> versions;
    versions.push_back(std::move(timeline));
    auto commit = [&](std::unique_ptr<CTimeline> next) {
        kernel::JournalChange change;
        change.track = track;
        change.timeline = next.get();
        if (!session->WriteJournal(change))
            std::abort();
        track->m_timeline = next.get();
        versions.push_back(std::move(next));
    };
    // A cut of one second from the middle piece: one new file, the rest kept.
    uint32_t fileNumber = 100'000;
    auto cut = [&] {
        const CTimeline& now = *track->m_timeline;
        const uint32_t middle = now.GetCount() / 2;
        auto next = std::make_unique<CTimeline>(&now);
        next->AppendRun(now, 0, middle, 0);
        const TrackSegment s = *now.Lookup(middle);
        std::snprintf(path, sizeof path, "%s/Track00/%.8u.dat", session->m_tempFolder.c_str(),
                      fileNumber++);
        next->Append(MakeSegment(2, s.start, s.end - 1'000'000, path));
        next->AppendRun(now, middle + 1, now.GetCount() - middle - 1, -1'000'000);
        return next;
    };
    commit(std::move(versions.front()));
    versions.erase(versions.begin());

    Costs c{};
    const int rounds = 400;
    // The version is built outside the timing: only its recording counts.
    c.edit = 0;
    for (int i = 0; i < rounds; ++i) {
        auto next = cut();
        c.edit += millisPer(1, [&](int) { commit(std::move(next)); });
    }
    c.edit /= rounds;
    // Undo and redo: the versions are recorded, a step names one.
    const size_t last = versions.size() - 1;
    c.step = millisPer(rounds, [&](int i) {
        track->m_timeline = versions[i % 2 ? last : last - 1].get();
        if (!session->WriteJournal(kernel::JournalChange{}))
            std::abort();
    });
    // A journal's first write is the whole document.
    const std::string folder = session->m_tempFolder + "/whole";
    ::mkdir(folder.c_str(), 0700);
    c.document = millisPer(50, [&](int) {
        auto journal = kernel::CRecoveryJournal::Take(folder);
        if (!journal || !journal->Write(*session, kernel::JournalChange{}))
            std::abort();
    });
    ::rmdir(folder.c_str());
    track->m_trackFolder.clear();
    track->m_timeline = nullptr; // the versions are the bench's own
    Kestrum_Close(session);
    return c;
}

} // namespace

int main()
{
    const Costs minute = costs(60), hour = costs(3600), tenHours = costs(36000);
    std::printf("| track | segments | undo or redo (ms) | edit (ms) | whole document (ms) |\n");
    std::printf("|---|---|---|---|---|\n");
    auto row = [](const char* name, int segments, const Costs& c) {
        std::printf("| %s | %d | %.4f | %.4f | %.3f |\n", name, segments, c.step, c.edit, c.document);
    };
    row("1 min", 12, minute);
    row("1 hour", 720, hour);
    row("10 hours", 7200, tenHours);
    std::printf("10 h / 1 min: undo or redo %.2f, edit %.2f\n", tenHours.step / minute.step,
                tenHours.edit / minute.edit);
    return 0;
}
