// The kernel's exported interface: sessions, tracks, export and tags,
// projects and recovery (range edits and history are in exports_edits.cpp,
// the audio exports in exports_audio.cpp). Exports are thin: they
// check their arguments, find the session or the track and call the classes.
// A null session makes every export return 0 without touching the last error.
#include "vorlain/kestrum.h"

#include "exports_support.h"

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
using namespace kernel::exports;

namespace {

// Position of the next track Kestrum_GetTrackList hands out (process-wide).
std::atomic<int32_t> g_trackCursor{0};

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
