// One mutating kernel call as a unit: the recovery document is written as
// the last step before the change is made, and a call that fails leaves
// behind none of the files it created. Exports open one on their thread;
// CTrack::Commit finds it there.
#pragma once

#include "common/stop.h"
#include "session/recovery_journal.h"

#include <cstdint>
#include <string>
#include <vector>

class CEditSession;
class CTimeline;
class CTrack;

namespace kernel {

class CEditTransaction {
public:
    explicit CEditTransaction(CEditSession& session);
    /** Without Finish(non-zero): removes the data files, summaries and track
     *  folders the call created. */
    ~CEditTransaction();
    CEditTransaction(const CEditTransaction&) = delete;
    CEditTransaction& operator=(const CEditTransaction&) = delete;

    /** The transaction of the calling thread, or null. */
    static CEditTransaction* Current();

    /** A track that will be appended when the call succeeds: the document
     *  lists it (when present). */
    void Adding(const CTrack& track);
    /** Writes the document as it will be once track's current timeline is
     *  next. false (errno set, last error set) when it cannot be written:
     *  the commit must not happen. */
    bool BeforeCommit(const CTrack& track, const CTimeline* next);
    /** Writes the document of the session as it is now. */
    bool Journal();

    /** A failed call keeps the data files it numbered (a recording whose
     *  commit is retried). */
    void KeepCreatedFiles() { m_keepFiles = true; }

    /** Marks the call a success (result non-zero) and hands result back. */
    template <class T> T Finish(T result)
    {
        m_succeeded = result ? true : false;
        return result;
    }

private:
    struct TrackMark {
        CTrack* track;
        uint32_t nextFileNumber;
        bool hadFolder;
    };
    bool write(const JournalChange& change);
    void rollBack();

    // First in, last out: a stopped call's last error is put back after the
    // roll-back has said what it says.
    CStopScope m_stop;
    CEditSession& m_session;
    CEditTransaction* m_outer;
    std::vector<TrackMark> m_marks;
    std::vector<const CTrack*> m_added;
    size_t m_trackCount;
    bool m_hadJournal;
    uint64_t m_errorSerial;
    uint64_t m_writeSerial;
    uint64_t m_readSerial;
    bool m_succeeded = false;
    bool m_keepFiles = false;
};

/** Tells the calling thread's transaction, if any, that track will be appended. */
void NoteTrackAdding(const CTrack& track);

/** Writes the document as it will be once track is appended (through the
 *  thread's transaction when there is one). false with the code set. */
bool JournalAdded(CEditSession& session, const CTrack& track);

} // namespace kernel
