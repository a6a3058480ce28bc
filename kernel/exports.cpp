// The kernel's exported interface, all in one place. Exports are thin: they
// check their arguments, find the session or the track and call the classes.
// A null session makes every export return 0 without touching the last error.
#include "vorlain/kestrum.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "session/edit_session.h"
#include "track/track.h"
#include "track/track_registry.h"
#include "vorlain/platform.h"

#include <atomic>
#include <cstring>
#include <new>

using namespace kernel;

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
    delete session;
    return 1;
}

KESTRUM_API uint32_t Kestrum_GetLastError(void) { return LastError(); }

KESTRUM_API int Kestrum_SetProressNotifyHwnd(HWND hwnd)
{
    if (!hwnd)
        return 0;
    SetNotifyWindow(hwnd);
    return 1;
}

KESTRUM_API int Kestrum_GetNotifyProgress(void) { return 0; }

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
    if (!session->BeginTrackCreation())
        return nullptr;
    if (path && *path) {
        // Importing needs the converter, which this build does not have yet.
        SetLastError(0x0355B001);
        PostFinalProgress();
        return nullptr;
    }
    return session->CreateBlankTrack({});
}

KESTRUM_API int Kestrum_DeleteTrack(CEditSession* session, uint32_t trackId)
{
    if (!session)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    if (!track)
        return 0;
    track->m_present = 0;
    return 1;
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
    if (!session)
        return 0;
    CTrack* track = session->FindTrack(trackId);
    return track ? track->m_length : 0;
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

KESTRUM_API int Kestrum_GetTrackBaseInfo(CEditSession* session, uint32_t trackId, TrackBaseInfo* info)
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
