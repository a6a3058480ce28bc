#include "session/edit_transaction.h"

#include "common/last_error.h"
#include "session/edit_session.h"
#include "store/peak_summary_writer.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/peak_summary.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace kernel {

namespace {
thread_local CEditTransaction* t_current = nullptr;

constexpr uint32_t kJournalWrite = 0x0D84B001;   // the recovery document could not be written
constexpr uint32_t kJournalNoSpace = 0x0D84B007; // ... because the disk is full
constexpr uint32_t kWriteFailed = 0x0D85B001;    // a file of the call could not be written
constexpr uint32_t kWriteNoSpace = 0x0D85B007;   // ... because the disk is full
constexpr uint32_t kReadFailed = 0x0D86B001;     // a data file of the call could not be read
constexpr uint32_t kReadMissing = 0x0D86B004;    // ... because it is gone
} // namespace

CEditTransaction::CEditTransaction(CEditSession& session)
    : m_stop(session.m_stop), m_session(session), m_outer(t_current),
      m_trackCount(session.m_tracks.size()), m_hadJournal(session.HasJournal()),
      m_errorSerial(LastErrorSerial()), m_writeSerial(WriteFailureSerial()),
      m_readSerial(ReadFailureSerial())
{
    m_marks.reserve(session.m_tracks.size());
    for (const auto& track : session.m_tracks)
        m_marks.push_back({track.get(), track->m_nextFileNumber, !track->m_trackFolder.empty()});
    t_current = this;
}

CEditTransaction::~CEditTransaction()
{
    t_current = m_outer;
    if (m_succeeded || m_outer)
        return; // an outer call decides for the whole
    rollBack();
    // A file that could not be written is always said, even where the
    // failing step has no code of its own (a missing input keeps the code).
    if (WriteFailureSerial() != m_writeSerial && LastErrorSerial() == m_errorSerial) {
        const int why = LastWriteFailure();
        SetLastError(why == ENOSPC || why == EDQUOT ? kWriteNoSpace : kWriteFailed);
    } else if (ReadFailureSerial() != m_readSerial && LastErrorSerial() == m_errorSerial) {
        SetLastError(LastReadFailure() == ENOENT ? kReadMissing : kReadFailed);
    }
}

CEditTransaction* CEditTransaction::Current()
{
    return t_current;
}

void CEditTransaction::Adding(const CTrack& track)
{
    if (std::find(m_added.begin(), m_added.end(), &track) == m_added.end())
        m_added.push_back(&track);
}

bool CEditTransaction::write(const JournalChange& change)
{
    if (m_session.WriteJournal(change))
        return true;
    SetLastError(errno == ENOSPC || errno == EDQUOT ? kJournalNoSpace : kJournalWrite);
    return false;
}

bool CEditTransaction::BeforeCommit(const CTrack& track, const CTimeline* next)
{
    JournalChange change;
    change.track = &track;
    change.timeline = next;
    for (const CTrack* added : m_added)
        if (!m_session.Owns(added))
            change.added.push_back(added);
    return write(change);
}

bool CEditTransaction::Journal()
{
    JournalChange change;
    for (const CTrack* added : m_added)
        if (!m_session.Owns(added))
            change.added.push_back(added);
    return write(change);
}

void CEditTransaction::rollBack()
{
    if (m_keepFiles)
        return;
    // Data file numbers only grow: whatever a track numbered from its mark on
    // was written by this call and is named by nothing that stays.
    for (const TrackMark& mark : m_marks) {
        if (!m_session.Owns(mark.track))
            continue;
        CTrack& track = *mark.track;
        if (track.m_trackFolder.empty())
            continue;
        for (uint32_t n = mark.nextFileNumber; n < track.m_nextFileNumber; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "/%.8u.dat", n);
            const std::string path = track.m_trackFolder + name;
            RemovePeakSummary(path);
            RemoveFile(path);
        }
        if (!mark.hadFolder) {
            PrunePeakSummaries(track.m_trackFolder);
            if (::rmdir(track.m_trackFolder.c_str()) == 0)
                track.m_trackFolder.clear();
        }
    }
    // A session folder this call made for a first track that never came.
    if (!m_hadJournal && m_session.m_tracks.size() == m_trackCount && m_trackCount == 0)
        m_session.DropSessionFolder();
}

bool JournalAdded(CEditSession& session, const CTrack& track)
{
    if (CEditTransaction* txn = CEditTransaction::Current()) {
        txn->Adding(track);
        return txn->Journal();
    }
    JournalChange change;
    change.added.push_back(&track);
    if (session.WriteJournal(change))
        return true;
    SetLastError(errno == ENOSPC || errno == EDQUOT ? kJournalNoSpace : kJournalWrite);
    return false;
}

void NoteTrackAdding(const CTrack& track)
{
    if (CEditTransaction* txn = CEditTransaction::Current())
        txn->Adding(track);
}

} // namespace kernel
