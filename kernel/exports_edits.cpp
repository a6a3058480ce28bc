// The kernel's exports that edit ranges of a track through the clipboard,
// and the history that steps between the versions those edits make. Thin,
// as the others in exports.cpp: they check their arguments and call the
// classes.
#include "vorlain/kestrum.h"

#include "exports_support.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/clipboard.h"
#include "edits/range_edits.h"
#include "edits/timeline_builder.h"
#include "history/action_type.h"
#include "history/history.h"
#include "import/track_export.h"
#include "session/edit_session.h"
#include "session/edit_transaction.h"
#include "store/free_space.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <cstring>

using namespace kernel;
using namespace kernel::exports;

// ---- range edits and the clipboard -----------------------------------------

KESTRUM_API int Kestrum_Copy(CEditSession* session, uint32_t trackId, int64_t from, int64_t to)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    // No audio is copied: the entry names the immutable timeline version.
    session->Clipboard().Add(*track, from, to, track->Timeline());
    session->Record(trackId, kActionCopy, from, to, trackId, from, to);
    return 1;
}

static int cutOrDelete(CEditSession* session, uint32_t trackId, int64_t from, int64_t to, bool cut)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    CEditTransaction txn(*session);
    const CTimeline* before = track->Timeline();
    if (!CutRange(*track, from, to))
        return 0;
    if (cut) {
        session->Clipboard().Add(*track, from, to, before);
        session->Record(trackId, kActionCut, from, to, trackId, from, from);
    } else {
        session->Record(trackId, kActionDelete, from, to, trackId, from, from);
    }
    return txn.Finish(1);
}

KESTRUM_API int Kestrum_Cut(CEditSession* session, uint32_t trackId, int64_t from, int64_t to)
{
    return cutOrDelete(session, trackId, from, to, true);
}

KESTRUM_API int Kestrum_Delete(CEditSession* session, uint32_t trackId, int64_t from, int64_t to)
{
    return cutOrDelete(session, trackId, from, to, false);
}

KESTRUM_API int Kestrum_Trim(CEditSession* session, uint32_t trackId, int64_t from, int64_t to)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    CEditTransaction txn(*session);
    if (!TrimRange(*track, from, to))
        return 0;
    session->Record(trackId, kActionTrim, from, to, trackId, 0, 0);
    return txn.Finish(1);
}

KESTRUM_API int Kestrum_Paste(CEditSession* session, uint32_t trackId, int64_t at)
{
    if (!session)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    const CClipboard& clipboard = session->Clipboard();
    CTrack* source = clipboard.CurrentSource();
    if (!track || !clipboard.IsPasteAble() || !source) {
        PostFinalProgress();
        return 0;
    }
    if (!HasRoomFor(*source, session->m_tempFolder))
        return failWith(0x0605B007);
    const ClipboardEntry clip = clipboard.Current();
    CEditTransaction txn(*session);
    // A clip of another rate comes in converted: its length is what it added.
    const bool converted = !track->IsBlank() && track->m_sampleRate != source->m_sampleRate;
    const int64_t before = track->IsBlank() ? 0 : track->m_length;
    if (!PasteClip(*track, clip.timeline, clip.from, clip.to, FormatOf(*source), at))
        return 0;
    const int64_t length = converted ? track->m_length - before : clip.to - clip.from;
    session->Record(trackId, kActionPaste, at, at, trackId, at, at + length);
    return txn.Finish(1);
}

KESTRUM_API int Kestrum_IsPasteAble(CEditSession* session)
{
    return session && session->Clipboard().IsPasteAble() ? 1 : 0;
}

KESTRUM_API int Kestrum_GetCopyAttr(CEditSession* session, ClipboardEntry* entry)
{
    if (!session || !entry)
        return 0;
    *entry = session->Clipboard().Current();
    return 1;
}

KESTRUM_API CTrack* Kestrum_CopyToNew(CEditSession* session, uint32_t trackId, int64_t from,
                                      int64_t to)
{
    if (!session)
        return nullptr;
    CTrack* source = session->FindTrack(trackId);
    if (!source) {
        failWith(0x0623B001);
        return nullptr;
    }
    auto track = std::make_unique<CTrack>(CopyToNewName(source->m_name, from, to),
                                          session->TrackCount() + 1, session->m_tempFolder);
    track->m_channels = source->m_channels;
    track->m_sampleRate = source->m_sampleRate;
    track->m_bytesPerSample = source->m_bytesPerSample;
    CEditTransaction txn(*session);
    txn.Adding(*track);
    if (!PasteClip(*track, source->Timeline(), from, to, FormatOf(*source), 0))
        return nullptr; // the new track and its files go; the source is untouched
    CTrack* raw = track.get();
    session->AppendTrack(std::move(track));
    session->Record(trackId, kActionCopyToNew, from, to, raw->m_trackId, 0, raw->m_length);
    return txn.Finish(raw);
}

KESTRUM_API int Kestrum_JoinTrack(CEditSession* session, uint32_t count, const uint32_t* trackIds,
                                  const char* path)
{
    if (!session || count == 0 || !trackIds || !path || !*path)
        return 0;
    CEditTransaction txn(*session);
    return txn.Finish(JoinTracks(*session, trackIds, count, path) ? 1 : 0);
}

KESTRUM_API int Kestrum_JoinTrackAtRate(CEditSession* session, uint32_t count,
                                        const uint32_t* trackIds, const char* path, int rate)
{
    if (!session || count == 0 || !trackIds || !path || !*path)
        return 0;
    if (rate < 0)
        return failWith(0x0721B002);
    CEditTransaction txn(*session);
    return txn.Finish(JoinTracks(*session, trackIds, count, path, static_cast<uint32_t>(rate)) ? 1
                                                                                               : 0);
}

// ---- history ---------------------------------------------------------------

// Undo and redo are pointer steps, each the exact inverse of the other: the
// document is written after the step, and a failure steps back again.
static int stepHistory(CEditSession* session, bool back)
{
    if (!session)
        return 0;
    CHistory& history = session->History();
    auto step = [&](bool backward) {
        return backward ? history.GoBack(*session) : history.GoNext(*session);
    };
    CEditTransaction txn(*session);
    if (!step(back) || !journalOrUndo(txn, [&] { step(!back); }))
        return 0;
    return txn.Finish(1);
}

KESTRUM_API int Kestrum_GoBack(CEditSession* session)
{
    return stepHistory(session, true);
}

KESTRUM_API int Kestrum_GoNext(CEditSession* session)
{
    return stepHistory(session, false);
}

// Callers pass room for both texts and 4 more characters; labels are cut to
// the longest texts the language file can hold so no caller buffer overflows.
static constexpr size_t kLabelChars = 4096 + 64 + 4;

KESTRUM_API int Kestrum_IsBackAble(CEditSession* session, char* label)
{
    if (!session || !label || !session->History().CanUndo())
        return 0;
    VorlainCopyTextCut(label, kLabelChars, session->History().UndoLabel().c_str());
    return 1;
}

KESTRUM_API int Kestrum_IsNextAble(CEditSession* session, char* label)
{
    if (!session || !label || !session->History().Next())
        return 0;
    VorlainCopyTextCut(label, kLabelChars, session->History().RedoLabel().c_str());
    return 1;
}

KESTRUM_API int Kestrum_GetLastActionAttr(CEditSession* session, ActionRecord* action)
{
    if (!session || !action)
        return 0;
    *action = session->History().Current();
    return 1;
}

KESTRUM_API int Kestrum_GetNextActionAttr(CEditSession* session, ActionRecord* action)
{
    if (!session || !action)
        return 0;
    if (const ActionRecord* next = session->History().Next())
        *action = *next;
    return 1;
}
