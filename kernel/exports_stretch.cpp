// The kernel's exports that change the tempo or the pitch of a range through
// Rubber Band. Thin, as the others: they check their arguments, find the
// track and call the stretch edits in a transaction of their own.
#include "vorlain/kestrum.h"

#include "exports_support.h"

#include "effects/stretch_edits.h"
#include "history/action_type.h"
#include "store/free_space.h"
#include "track/track.h"

using namespace kernel;
using namespace kernel::exports;

namespace {

// The failure places of one export: no room on disk, its parameter out of
// range, a bad range.
struct StretchCodes {
    uint32_t noRoom;
    uint32_t badParameter;
    uint32_t badRange;
};

// Checks as the later effects do (the parameter first, then the track, then
// the range, 0, 0 being the whole track, then the room on disk, for a copy
// of the track and for the range as long as timeRatio makes it) and runs
// edit(track, from, to, newTo) in a transaction, recorded as action.
template <class Edit>
int runStretch(void* opaque, uint32_t trackId, int64_t from, int64_t to, bool parameterOk,
               double timeRatio, const StretchCodes& codes, uint32_t action, Edit edit)
{
    auto* session = static_cast<CEditSession*>(opaque);
    if (session && !parameterOk)
        return failWith(codes.badParameter);
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    if (!wholeOrRange(*track, from, to))
        return failWith(codes.badRange);
    const auto stretched = static_cast<int64_t>(static_cast<double>(to - from) * timeRatio);
    if (!HasRoomFor(*track, session->m_tempFolder) ||
        !HasRoomFor(*track, stretched, session->m_tempFolder))
        return failWith(codes.noRoom);
    CEditTransaction txn(*session);
    int64_t newTo = to;
    if (!edit(*track, from, to, newTo))
        return 0;
    session->Record(trackId, action, from, to, trackId, from, newTo);
    return txn.Finish(1);
}

} // namespace

KESTRUM_API int Kestrum_ChangeTempo(void* session, uint32_t trackId, int64_t from, int64_t to,
                                    int32_t percent)
{
    const bool ok = percent >= -90 && percent <= 900;
    return runStretch(session, trackId, from, to, ok, ok ? 100.0 / (100.0 + percent) : 1.0,
                      {0x0E50B007, 0x0E51B002, 0x0E52B002}, kActionTempo,
                      [percent](CTrack& track, int64_t f, int64_t t, int64_t& newTo) {
                          return ChangeTempo(track, f, t, percent, newTo);
                      });
}

KESTRUM_API int Kestrum_ChangePitch(void* session, uint32_t trackId, int64_t from, int64_t to,
                                    int32_t cents)
{
    return runStretch(session, trackId, from, to, cents >= -2400 && cents <= 2400, 1.0,
                      {0x0E60B007, 0x0E61B002, 0x0E62B002}, kActionPitch,
                      [cents](CTrack& track, int64_t f, int64_t t, int64_t&) {
                          return ChangePitch(track, f, t, cents);
                      });
}
