// The kernel's exported interface, all in one place. Exports are thin: they
// check their arguments, find the session or the track and call the classes.
// A null session makes every export return 0 without touching the last error.
#include "vorlain/kestrum.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/channel_extraction.h"
#include "edits/clipboard.h"
#include "edits/file_insertion.h"
#include "edits/insertion.h"
#include "edits/range_edits.h"
#include "effects/effect_engine.h"
#include "history/action_type.h"
#include "history/history.h"
#include "import/track_export.h"
#include "import/track_import.h"
#include "mix/mixing.h"
#include "playback/audo_play_mgr.h"
#include "project/project_reader.h"
#include "project/project_writer.h"
#include "record/track_recorder.h"
#include "session/edit_session.h"
#include "session/edit_transaction.h"
#include "session/recovery_journal.h"
#include "store/free_space.h"
#include "track/track.h"
#include "track/track_registry.h"
#include "vorlain/platform.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <optional>

using namespace kernel;

namespace {

// Position of the next track Kestrum_GetTrackList hands out (process-wide).
std::atomic<int32_t> g_trackCursor{0};

// The session's track of that id; null for a null session too.
CTrack* sessionTrack(CEditSession* session, uint32_t trackId)
{
    return session ? session->FindTrack(trackId) : nullptr;
}

// A failure before any work: the code, and the final 100 that releases a
// waiting progress dialog.
int failWith(uint32_t code)
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

} // namespace

// ---- session ---------------------------------------------------------------

KESTRUM_API CEditSession* Kestrum_Open(const char* folder)
{
    std::string tempFolder;
    if (folder) {
        tempFolder = folder;
    } else {
        char base[VORLAIN_MAX_PATH];
        if (VorlainGetTempBase(base, sizeof base))
            tempFolder = base;
    }
    return new (std::nothrow) CEditSession(tempFolder);
}

KESTRUM_API int Kestrum_Close(CEditSession* session)
{
    if (!session)
        return 0;
    // A recording still running is stopped first: the capture thread must
    // never write into a track that is gone.
    for (const auto& track : session->m_tracks) {
        if (CTrackRecorder::Instance().IsRecording(track.get()))
            CTrackRecorder::Instance().Stop(*track);
        CTrackRecorder::Instance().Discard(*track);
    }
    delete session;
    return 1;
}

KESTRUM_API uint32_t Kestrum_GetLastError(void)
{
    return LastError();
}

KESTRUM_API int Kestrum_SetProressNotifyHwnd(HWND hwnd)
{
    if (!hwnd)
        return 0;
    SetNotifyWindow(hwnd);
    return 1;
}

KESTRUM_API int Kestrum_GetNotifyProgress(void)
{
    return 0;
}

KESTRUM_API uint32_t Kestrum_GetProgress(CEditSession* session)
{
    return session ? session->m_progress.load() : 0;
}

KESTRUM_API int Kestrum_Stop(CEditSession* session)
{
    if (!session)
        return 0;
    session->m_stop = 1;
    return 1;
}

// ---- tracks ----------------------------------------------------------------

KESTRUM_API CTrack* Kestrum_AddTrack(CEditSession* session, const char* path)
{
    if (!session)
        return nullptr;
    CEditTransaction txn(*session);
    if (path && *path)
        return txn.Finish(ImportTrack(*session, path, true));
    if (!session->BeginTrackCreation())
        return nullptr;
    CTrack* track = session->CreateBlankTrack({});
    if (!journalOrUndo(txn, [&] { session->PopTrack(); }))
        return nullptr;
    session->Record(track->m_trackId, kActionAddTrack, 0, 0, track->m_trackId, 0, 0);
    return txn.Finish(track);
}

KESTRUM_API int Kestrum_DeleteTrack(CEditSession* session, uint32_t trackId)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    CEditTransaction txn(*session);
    const uint32_t present = track->m_present;
    track->m_present = 0;
    if (!journalOrUndo(txn, [&] { track->m_present = present; }))
        return 0;
    return txn.Finish(session->Record(trackId, kActionDeleteTrack, 0, 0, 0, 0, 0) ? 1 : 0);
}

KESTRUM_API int Kestrum_GetTrackList(CEditSession* session, CTrack** track)
{
    if (!session || session->m_tracks.empty())
        return 0;
    int32_t cursor = g_trackCursor.load();
    if (cursor >= 0 && static_cast<uint32_t>(cursor) < session->TrackCount()) {
        if (track)
            *track = session->m_tracks[static_cast<size_t>(cursor)].get();
        g_trackCursor = cursor + 1;
        return 1;
    }
    g_trackCursor = 0;
    return 0;
}

KESTRUM_API uint32_t Kestrum_GetTrackId(CEditSession* session, CTrack* track)
{
    if (!session || !track || !session->Owns(track))
        return 0;
    return track->m_trackId;
}

KESTRUM_API int Kestrum_IsBlankTrack(CEditSession* session, uint32_t trackId)
{
    if (!session || trackId == 0 || trackId > session->TrackCount())
        return 1;
    return session->m_tracks[trackId - 1]->IsBlank() ? 1 : 0;
}

KESTRUM_API int64_t Kestrum_GetTrackTime(CEditSession* session, uint32_t trackId)
{
    CTrack* track = sessionTrack(session, trackId);
    return track ? track->CurrentLength() : 0;
}

KESTRUM_API int Kestrum_GetTrackName(CEditSession* session, uint32_t trackId, char* name)
{
    if (!session || !name)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    if (!track)
        return 0;
    // Callers provide 260 characters; a longer name is cut on a character boundary.
    VorlainCopyTextCut(name, vorlain::kPathChars, track->m_name.c_str());
    return 1;
}

KESTRUM_API int Kestrum_GetTrackBaseInfo(CEditSession* session, uint32_t trackId,
                                         TrackBaseInfo* info)
{
    if (!session || !info)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    if (!track)
        return 0;
    track->FillBaseInfo(*info);
    return 1;
}

KESTRUM_API int Kestrum_GetTrackBaseInfoEx(CTrack* track, TrackBaseInfo* info)
{
    if (!info || !IsLiveTrack(track))
        return 0;
    track->FillBaseInfo(*info);
    return 1;
}

// ---- export and tags ---------------------------------------------------------

KESTRUM_API int Kestrum_SaveTrackToFile(CEditSession* session, uint32_t trackId, int64_t from,
                                        int64_t to, const char* path)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    if (!path || !*path)
        return track->SaveRangeToWave(from, to,
                                      nullptr); // sets the no-path code, releases the dialog
    CEditTransaction txn(*session);
    return txn.Finish(ExportTrack(*session, *track, from, to, path) ? 1 : 0);
}

KESTRUM_API int Kestrum_SetExportOptions(void* session, const char* options)
{
    auto* s = static_cast<CEditSession*>(session);
    if (!s) {
        SetLastError(0x0DA0B002);
        return 0;
    }
    const std::optional<ExportOptions> parsed = ParseExportOptions(options);
    if (!parsed) {
        SetLastError(0x0DA1B002); // an unknown key or a value out of range: nothing changes
        return 0;
    }
    s->m_exportOptions = *parsed;
    return 1;
}

KESTRUM_API int Kestrum_GetTrackTagInfo(CEditSession* session, uint32_t trackId, TagInfo* tag)
{
    if (!session || !tag)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    if (!track)
        return 0;
    *tag = track->m_tag;
    return 1;
}

KESTRUM_API int Kestrum_SetTrackTagInfo(CEditSession* session, uint32_t trackId, TagInfo tag)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    // Every text ends inside its field, whatever the caller passed.
    for (char* field : {tag.title, tag.artist, tag.comment, tag.album})
        field[511] = '\0';
    tag.genre[sizeof tag.genre - 1] = '\0';
    tag.year[sizeof tag.year - 1] = '\0';
    CEditTransaction txn(*session);
    const TagInfo before = track->m_tag;
    track->m_tag = tag;
    if (!journalOrUndo(txn, [&] { track->m_tag = before; }))
        return 0;
    return txn.Finish(1);
}

// ---- project -----------------------------------------------------------------

KESTRUM_API int Kestrum_SaveProject(CEditSession* session, const char* path, int copyData)
{
    if (!session)
        return 0;
    CEditTransaction txn(*session);
    return txn.Finish(CProjectWriter(*session, path ? path : "", copyData != 0).Save() ? 1 : 0);
}

KESTRUM_API int Kestrum_OpenProject(CEditSession* session, const char* path)
{
    if (!session)
        return 0;
    CEditTransaction txn(*session);
    return txn.Finish(CProjectReader(*session).Open(path ? path : "") ? 1 : 0);
}

// ---- crash recovery ----------------------------------------------------------

KESTRUM_API int Kestrum_FindRecovery(const char* tempBase, char* path)
{
    if (!path)
        return 0;
    std::string base;
    if (tempBase && *tempBase) {
        base = tempBase;
    } else {
        char temp[VORLAIN_MAX_PATH];
        if (!VorlainGetTempBase(temp, sizeof temp))
            return 0;
        base = temp;
    }
    const std::string found = FindOrphanedRecovery(base);
    if (found.empty() || found.size() >= vorlain::kPathChars)
        return 0;
    std::memcpy(path, found.c_str(), found.size() + 1);
    return 1;
}

KESTRUM_API int Kestrum_GetProjectPath(CEditSession* session, char* path)
{
    if (!session || !path)
        return 0;
    path[0] = '\0';
    const std::string& project =
        session->m_projectPath.empty() ? session->m_recoveredProjectPath : session->m_projectPath;
    // A cut path would name another file: none rather than a wrong one.
    if (project.empty() || project.size() >= vorlain::kPathChars)
        return 0;
    std::memcpy(path, project.c_str(), project.size() + 1);
    return 1;
}

KESTRUM_API int Kestrum_DiscardRecovery(const char* path)
{
    return path && *path && DiscardRecovery(path) ? 1 : 0;
}

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
    if (!PasteClip(*track, clip.timeline, clip.from, clip.to, FormatOf(*source), at))
        return 0;
    session->Record(trackId, kActionPaste, at, at, trackId, at, at + (clip.to - clip.from));
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

// ---- effects ---------------------------------------------------------------

static int runEffect(CEditSession* session, uint32_t trackId, EffectType type, uint32_t action,
                     uint32_t noRoomCode, int64_t from, int64_t to, uint32_t parameter)
{
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    if (!HasRoomFor(*track, session->m_tempFolder))
        return failWith(noRoomCode);
    CEditTransaction txn(*session);
    if (!DoCommonEffect(*track, type, {from, to, parameter}))
        return 0;
    session->Record(trackId, action, from, to, trackId, from, to);
    return txn.Finish(1);
}

KESTRUM_API int Kestrum_FadeIn(CEditSession* session, uint32_t trackId, int64_t from, int64_t to,
                               uint32_t curve)
{
    return runEffect(session, trackId, EffectType::FadeIn, kActionFadeIn, 0x0273B007, from, to,
                     curve);
}

KESTRUM_API int Kestrum_FadeOut(CEditSession* session, uint32_t trackId, int64_t from, int64_t to,
                                uint32_t curve)
{
    return runEffect(session, trackId, EffectType::FadeOut, kActionFadeOut, 0x028AB007, from, to,
                     curve);
}

KESTRUM_API int Kestrum_Echo(CEditSession* session, uint32_t trackId, int64_t from, int64_t to,
                             uint32_t /*reserved1*/, uint32_t /*reserved2*/, uint32_t decayBits)
{
    // The effect reads the decay from the same bits.
    return runEffect(session, trackId, EffectType::Echo, kActionEcho, 0x029FB007, from, to,
                     decayBits);
}

KESTRUM_API int Kestrum_Silence(CEditSession* session, uint32_t trackId, int64_t from, int64_t to)
{
    return runEffect(session, trackId, EffectType::Silence, kActionSilence, 0x02B5B007, from, to,
                     0);
}

KESTRUM_API int Kestrum_AdjustVolumn(CEditSession* session, uint32_t trackId, int64_t from,
                                     int64_t to, uint32_t volume)
{
    return runEffect(session, trackId, EffectType::Volume, kActionAdjustVolume, 0x02CCB007, from,
                     to, volume);
}

// ---- insertion, extraction ---------------------------------------------------

KESTRUM_API int Kestrum_AddSlience(CEditSession* session, uint32_t trackId, int64_t at,
                                   int64_t duration)
{
    if (!session)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    if (!track)
        return failWith(0x0187B001);
    if (duration <= 0)
        return failWith(0x0188B002); // nothing to insert
    CEditTransaction txn(*session);
    if (!InsertSilence(*track, at, duration))
        return 0;
    session->Record(trackId, kActionInsertSilence, at, at, trackId, at, at + duration);
    return txn.Finish(1);
}

KESTRUM_API int Kestrum_AddFile(CEditSession* session, uint32_t trackId, const char* path,
                                int64_t at)
{
    return inTransaction(session,
                         [&] { return InsertFile(*session, trackId, path ? path : "", at); });
}

// ---- mixing --------------------------------------------------------------------
// Levels arrive as the bit pattern of a 32-bit float in an integer argument.

KESTRUM_API int Kestrum_MixTrackFromPaste(CEditSession* session, uint32_t trackId, int64_t at,
                                          uint32_t levelBits)
{
    return inTransaction(session, [&] {
        return MixFromClipboard(*session, trackId, at, std::bit_cast<float>(levelBits));
    });
}

KESTRUM_API int Kestrum_MixTrackFromTrack(CEditSession* session, uint32_t trackId, int64_t at,
                                          uint32_t sourceTrackId, uint32_t levelBits)
{
    return inTransaction(session, [&] {
        return MixFromTrack(*session, trackId, at, sourceTrackId, std::bit_cast<float>(levelBits));
    });
}

KESTRUM_API int Kestrum_MixTrackFromFile(CEditSession* session, uint32_t trackId, int64_t at,
                                         const char* path, uint32_t levelBits)
{
    return inTransaction(session, [&] {
        return MixFromFile(*session, trackId, at, path ? path : "",
                           std::bit_cast<float>(levelBits));
    });
}

KESTRUM_API CTrack* Kestrum_ExtractTrack(CEditSession* session, uint32_t trackId, uint32_t channel)
{
    if (!session)
        return nullptr;
    CTrack* source = session->FindTrack(trackId);
    if (!source) {
        failWith(0x0166B001);
        return nullptr;
    }
    CEditTransaction txn(*session);
    CTrack* track = ExtractChannel(*session, *source, channel);
    if (!track)
        return nullptr;
    session->AppendTrack(std::unique_ptr<CTrack>(track));
    session->Record(trackId, kActionExtractTrack, 0, 0, track->m_trackId, 0, 0);
    return txn.Finish(track);
}

// ---- recording -------------------------------------------------------------

KESTRUM_API CTrack* Kestrum_RecordInit(CEditSession* session, HWND displayHwnd, uint32_t zoomFactor,
                                       uint32_t deviceIndex)
{
    if (!session)
        return nullptr;
    CEditTransaction txn(*session);
    if (!session->BeginTrackCreation())
        return nullptr;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    char name[64] = "Record Track";
    if (localtime_r(&now, &local))
        std::strftime(name, sizeof name, "Record Track(%H:%M:%S)", &local);
    CTrack* track = session->CreateBlankTrack(name);
    track->m_displayHwnd = displayHwnd;
    track->m_zoomFactor = zoomFactor;
    track->m_deviceIndex = deviceIndex;
    if (!journalOrUndo(txn, [&] { session->PopTrack(); }))
        return nullptr;
    session->Record(track->m_trackId, kActionRecord, 0, 0, 0, 0, 0);
    return txn.Finish(track);
}

// The record track of an export, or null for a null session or an unknown id.
static CTrack* recordTrack(CEditSession* session, uint32_t trackId)
{
    return session ? session->FindTrack(trackId) : nullptr;
}

KESTRUM_API int Kestrum_RecordSetBrimselHwnd(CEditSession* session, uint32_t trackId, HWND hwnd)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    track->m_displayHwnd = hwnd;
    return 1;
}

KESTRUM_API int Kestrum_RecordSetZoomfactor(CEditSession* session, uint32_t trackId, uint32_t zoom)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    track->m_zoomFactor = zoom;
    return 1;
}

KESTRUM_API int Kestrum_RecordSetDeviceIndex(CEditSession* session, uint32_t trackId,
                                             uint32_t index)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    track->m_deviceIndex = index;
    return 1;
}

KESTRUM_API int Kestrum_RecordStart(CEditSession* session, uint32_t trackId)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    if (CTrackRecorder::Instance().Start(*track))
        return 1;
    // A record track that never held a sound goes with the start that
    // failed: hidden, and its creation taken out of the history, so that no
    // empty track is left behind and Undo has nothing of it to take back.
    const ActionRecord& current = session->History().Current();
    if (track->CurrentLength() != 0 || current.type != kActionRecord || current.trackId != trackId)
        return 0;
    const uint32_t code = LastError();
    {
        CEditTransaction txn(*session);
        track->m_present = 0;
        if (journalOrUndo(txn, [&] { track->m_present = 1; }))
            session->History().Forget();
    }
    SetLastError(code);
    return 0;
}

KESTRUM_API int Kestrum_RecordPause(CEditSession* session, uint32_t trackId)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    CTrackRecorder::Instance().Pause(*track);
    return 1;
}

KESTRUM_API int Kestrum_RecordContinue(CEditSession* session, uint32_t trackId)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    CTrackRecorder::Instance().Continue(*track);
    return 1;
}

KESTRUM_API int Kestrum_RecordStop(CEditSession* session, uint32_t trackId)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    CEditTransaction txn(*session);
    // A failed stop keeps its data files: the next stop commits them.
    txn.KeepCreatedFiles();
    return txn.Finish(CTrackRecorder::Instance().Stop(*track) ? 1 : 0);
}

// ---- playback --------------------------------------------------------------
// A handle is checked against the live players, so a closed one is refused.

KESTRUM_API CAudoPlayMgr* AudioPlay_Open(CEditSession* session, uint32_t trackId)
{
    CTrack* track = session ? session->FindTrack(trackId) : nullptr;
    if (!track)
        return nullptr;
    try {
        return new CAudoPlayMgr(track);
    } catch (...) {
        return nullptr;
    }
}

KESTRUM_API int AudioPlay_Play(CAudoPlayMgr* player)
{
    return CAudoPlayMgr::IsLive(player) && player->Play() ? 1 : 0;
}

KESTRUM_API int AudioPlay_PlaySeekTime(CAudoPlayMgr* player, int64_t time)
{
    return CAudoPlayMgr::IsLive(player) && player->PlaySeekTime(time) ? 1 : 0;
}

KESTRUM_API int AudioPlay_Pause(CAudoPlayMgr* player)
{
    return CAudoPlayMgr::IsLive(player) && player->Pause() ? 1 : 0;
}

KESTRUM_API int AudioPlay_Continue(CAudoPlayMgr* player)
{
    return CAudoPlayMgr::IsLive(player) && player->Continue() ? 1 : 0;
}

KESTRUM_API int AudioPlay_Stop(CAudoPlayMgr* player)
{
    if (CAudoPlayMgr::IsLive(player))
        player->Stop();
    return 1;
}

KESTRUM_API int64_t AudioPlay_GetPlayingTime(CAudoPlayMgr* player)
{
    return CAudoPlayMgr::IsLive(player) ? player->PlayingTime() : 0;
}

KESTRUM_API int AudioPlay_QueryStauts(CAudoPlayMgr* player)
{
    int status = CAudoPlayMgr::IsLive(player) ? player->Status() : 0;
    VorlainOutputDebugString("%d", status);
    return status;
}

KESTRUM_API int AudioPlay_Close(CAudoPlayMgr* player)
{
    if (!player)
        return 1;
    if (!CAudoPlayMgr::IsLive(player))
        return 0;
    delete player; // stops a play still running first
    return 1;
}
