// The kernel's exports that work on the audio itself: effects, insertion
// and extraction, mixing, recording and playback. Thin, as the others in
// exports.cpp: they check their arguments and call the classes.
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

// The effects that arrived later take the session as a plain pointer and
// read 0, 0 as the whole track.
static int runWholeOrRangeEffect(void* opaque, uint32_t trackId, EffectType type, uint32_t action,
                                 uint32_t noRoomCode, uint32_t badRangeCode, int64_t from,
                                 int64_t to, uint32_t parameter)
{
    auto* session = static_cast<CEditSession*>(opaque);
    CTrack* track = sessionTrack(session, trackId);
    if (!track)
        return 0;
    if (!wholeOrRange(*track, from, to))
        return failWith(badRangeCode);
    return runEffect(session, trackId, type, action, noRoomCode, from, to, parameter);
}

KESTRUM_API int Kestrum_Normalize(void* session, uint32_t trackId, int64_t from, int64_t to,
                                  int32_t peakMilliDb)
{
    if (session && (peakMilliDb > 0 || peakMilliDb < -96000))
        return failWith(0x0E11B002);
    return runWholeOrRangeEffect(session, trackId, EffectType::Normalize, kActionNormalize,
                                 0x0E10B007, 0x0E12B002, from, to,
                                 static_cast<uint32_t>(peakMilliDb));
}

KESTRUM_API int Kestrum_NormalizeLoudness(void* session, uint32_t trackId, int64_t from, int64_t to,
                                          int32_t lufsTenths)
{
    if (session && (lufsTenths > 0 || lufsTenths < -700))
        return failWith(0x0E31B002);
    return runWholeOrRangeEffect(session, trackId, EffectType::Loudness, kActionLoudness,
                                 0x0E30B007, 0x0E32B002, from, to,
                                 static_cast<uint32_t>(lufsTenths));
}

KESTRUM_API int Kestrum_Reverse(void* session, uint32_t trackId, int64_t from, int64_t to)
{
    return runWholeOrRangeEffect(session, trackId, EffectType::Reverse, kActionReverse, 0x0E20B007,
                                 0x0E21B002, from, to, 0);
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

KESTRUM_API int Kestrum_RecordSetRate(CEditSession* session, uint32_t trackId, int rate)
{
    CTrack* track = recordTrack(session, trackId);
    if (!track)
        return 0;
    if (rate < 8000 || rate > 192000) {
        SetLastError(0x0B35B002);
        return 0;
    }
    if (!track->IsBlank() || CTrackRecorder::Instance().IsRecording(track)) {
        // Audio already there, or being captured, fixes the rate.
        if (track->m_sampleRate == static_cast<uint32_t>(rate))
            return 1;
        SetLastError(0x0B0CB001);
        return 0;
    }
    track->m_sampleRate = static_cast<uint32_t>(rate);
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
