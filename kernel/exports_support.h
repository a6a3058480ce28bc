// What the kernel's exports share: the session's track of an id, a failure
// before any work, a change in a transaction of its own, and a change
// journaled before it counts. Internal to the kernel's export files.
#pragma once

#include "common/last_error.h"
#include "common/progress.h"
#include "session/edit_session.h"
#include "session/edit_transaction.h"
#include "track/track.h"

#include <cstdint>

namespace kernel::exports {

// The session's track of that id; null for a null session too.
inline CTrack* sessionTrack(CEditSession* session, uint32_t trackId)
{
    return session ? session->FindTrack(trackId) : nullptr;
}

// The range of the later exports: 0, 0 is the whole track; false for a range
// that is empty, reversed or reaches past the track's end.
inline bool wholeOrRange(const CTrack& track, int64_t& from, int64_t& to)
{
    if (from == 0 && to == 0)
        to = track.CurrentLength();
    return from >= 0 && to > from && to <= track.CurrentLength();
}

// A failure before any work: the code, and the final 100 that releases a
// waiting progress dialog.
inline int failWith(uint32_t code)
{
    SetLastError(code);
    PostFinalProgress();
    return 0;
}

// One change made in a transaction of its own: op returns whether it
// succeeded.
template <class Op> int inTransaction(CEditSession* session, Op op)
{
    if (!session)
        return 0;
    CEditTransaction txn(*session);
    return txn.Finish(op() ? 1 : 0);
}

// A change already made in memory is journaled before it counts; when the
// journal cannot be written, undo puts it back and the call fails.
template <class Undo> bool journalOrUndo(CEditTransaction& txn, Undo undo)
{
    if (txn.Journal())
        return true;
    undo();
    return false;
}

} // namespace kernel::exports
