// The kernel's exported interface: all 64 functions of libVorlainKernel.so.
// Exports return 1 (or a handle) for success and 0 (or null) for failure and
// set the process-wide last error where a failure has a code. Times are signed
// 64-bit microseconds; track ids are 1-based.
#pragma once

#include "vorlain/records.h"
#include "vorlain/window.h"

#include <bit>
#include <cstdint>

class CEditSession;
class CTrack;
class CAudoPlayMgr;

#define KESTRUM_API extern "C" __attribute__((visibility("default")))

// ---- session ---------------------------------------------------------------
KESTRUM_API CEditSession* Kestrum_Open(const char* folder);
KESTRUM_API int Kestrum_Close(CEditSession* session);
KESTRUM_API uint32_t Kestrum_GetLastError(void);
KESTRUM_API int Kestrum_SetProressNotifyHwnd(HWND hwnd);
KESTRUM_API int Kestrum_GetNotifyProgress(void);
KESTRUM_API uint32_t Kestrum_GetProgress(CEditSession* session);
KESTRUM_API int Kestrum_Stop(CEditSession* session);

// ---- tracks ----------------------------------------------------------------
KESTRUM_API CTrack* Kestrum_AddTrack(CEditSession* session, const char* path);
KESTRUM_API int Kestrum_DeleteTrack(CEditSession* session, uint32_t trackId);
KESTRUM_API int Kestrum_GetTrackList(CEditSession* session, CTrack** track);
KESTRUM_API uint32_t Kestrum_GetTrackId(CEditSession* session, CTrack* track);
KESTRUM_API int Kestrum_IsBlankTrack(CEditSession* session, uint32_t trackId);
KESTRUM_API int64_t Kestrum_GetTrackTime(CEditSession* session, uint32_t trackId);
KESTRUM_API int Kestrum_GetTrackName(CEditSession* session, uint32_t trackId, char* name);
KESTRUM_API int Kestrum_GetTrackBaseInfo(CEditSession* session, uint32_t trackId,
                                         TrackBaseInfo* info);
KESTRUM_API int Kestrum_GetTrackBaseInfoEx(CTrack* track, TrackBaseInfo* info);

// ---- export, tags, project -------------------------------------------------
KESTRUM_API int Kestrum_SaveTrackToFile(CEditSession* session, uint32_t trackId, int64_t from,
                                        int64_t to, const char* path);
/** The format choices of the session's later exports, as "key=value;..." (C
 *  locale): bits (16 or 24: WAV, FLAC), rate (Hz, 0 = the track's own),
 *  bitrate (kb/s: MP3, M4A, Opus), vbr (MP3 quality 0..9; absent: constant
 *  bitrate), quality (Vorbis -1..10), level (FLAC 0..8). An empty text
 *  restores the defaults; an unknown key or a value out of range returns 0
 *  with a code and changes nothing. */
KESTRUM_API int Kestrum_SetExportOptions(void* session, const char* options);
KESTRUM_API int Kestrum_GetTrackTagInfo(CEditSession* session, uint32_t trackId, TagInfo* tag);
KESTRUM_API int Kestrum_SetTrackTagInfo(CEditSession* session, uint32_t trackId, TagInfo tag);
KESTRUM_API int Kestrum_SaveProject(CEditSession* session, const char* path, int copyData);
KESTRUM_API int Kestrum_OpenProject(CEditSession* session, const char* path);

// ---- crash recovery ----------------------------------------------------------
// Every session keeps a recovery document of its work in its own locked folder
// of the temp base. A folder whose session died (its lock is free) still holds
// one: Kestrum_OpenProject opens it into a fresh session like a project, and
// that session takes the folder over.
/** Finds the recovery document of a dead session in tempBase (null: the temp
 *  base) and copies its path (up to 260 characters) to path. 1 when one was
 *  found, 0 when there is none (or for a null path). */
KESTRUM_API int Kestrum_FindRecovery(const char* tempBase, char* path);
/** Removes what the dead session of the document left: its data files (not
 *  those a saved project names) and its folder. 1/0; 0 when a live session
 *  holds the folder. */
KESTRUM_API int Kestrum_DiscardRecovery(const char* path);
/** The project the session belongs to: the one it opened or last saved,
 *  or for recovered work the one the dead session had. Copies it to path
 *  (260 characters). 1 when there is one, 0 when there is none,
 *  it does not fit, or for a null session or path. */
KESTRUM_API int Kestrum_GetProjectPath(CEditSession* session, char* path);

// ---- range edits and the clipboard -----------------------------------------
KESTRUM_API int Kestrum_Copy(CEditSession* session, uint32_t trackId, int64_t from, int64_t to);
KESTRUM_API int Kestrum_Cut(CEditSession* session, uint32_t trackId, int64_t from, int64_t to);
KESTRUM_API int Kestrum_Delete(CEditSession* session, uint32_t trackId, int64_t from, int64_t to);
KESTRUM_API int Kestrum_Trim(CEditSession* session, uint32_t trackId, int64_t from, int64_t to);
KESTRUM_API int Kestrum_Paste(CEditSession* session, uint32_t trackId, int64_t at);
KESTRUM_API int Kestrum_IsPasteAble(CEditSession* session);
KESTRUM_API int Kestrum_GetCopyAttr(CEditSession* session, ClipboardEntry* entry);
KESTRUM_API CTrack* Kestrum_CopyToNew(CEditSession* session, uint32_t trackId, int64_t from,
                                      int64_t to);
KESTRUM_API int Kestrum_JoinTrack(CEditSession* session, uint32_t count, const uint32_t* trackIds,
                                  const char* path);
/* The join at a rate of the caller's choosing (8000..192000 Hz; 0 = the
 * first track's), every track of another rate converted to it. */
KESTRUM_API int Kestrum_JoinTrackAtRate(CEditSession* session, uint32_t count,
                                        const uint32_t* trackIds, const char* path, int rate);

// ---- history ---------------------------------------------------------------
KESTRUM_API int Kestrum_GoBack(CEditSession* session);
KESTRUM_API int Kestrum_GoNext(CEditSession* session);
KESTRUM_API int Kestrum_IsBackAble(CEditSession* session, char* label);
KESTRUM_API int Kestrum_IsNextAble(CEditSession* session, char* label);
KESTRUM_API int Kestrum_GetLastActionAttr(CEditSession* session, ActionRecord* action);
KESTRUM_API int Kestrum_GetNextActionAttr(CEditSession* session, ActionRecord* action);

// ---- effects ---------------------------------------------------------------
// The echo decay and every mix level travel as the bit pattern of a 32-bit
// float in an integer argument: pass vorlain::FloatBits(level).
KESTRUM_API int Kestrum_FadeIn(CEditSession* session, uint32_t trackId, int64_t from, int64_t to,
                               uint32_t curve);
KESTRUM_API int Kestrum_FadeOut(CEditSession* session, uint32_t trackId, int64_t from, int64_t to,
                                uint32_t curve);
KESTRUM_API int Kestrum_Echo(CEditSession* session, uint32_t trackId, int64_t from, int64_t to,
                             uint32_t reserved1, uint32_t reserved2, uint32_t decayBits);
KESTRUM_API int Kestrum_Silence(CEditSession* session, uint32_t trackId, int64_t from, int64_t to);
KESTRUM_API int Kestrum_AdjustVolumn(CEditSession* session, uint32_t trackId, int64_t from,
                                     int64_t to, uint32_t volume);
/** Scales [from, to) (0, 0: the whole track) so that its highest absolute
 *  sample reaches peakMilliDb (thousandths of a dB below full scale, -96000
 *  to 0), both channels by one gain, rounded to the nearest sample value. */
KESTRUM_API int Kestrum_Normalize(void* session, uint32_t trackId, int64_t from, int64_t to,
                                  int32_t peakMilliDb);
/** Scales [from, to) (0, 0: the whole track) so that its integrated loudness
 *  per EBU R128 reaches lufsTenths (tenths of a LUFS, -700 to 0; -160 for
 *  -16.0 LUFS), with the gain lowered where the true peak would pass -1
 *  dBTP. A range too short or quiet to measure is left as it is. */
KESTRUM_API int Kestrum_NormalizeLoudness(void* session, uint32_t trackId, int64_t from, int64_t to,
                                          int32_t lufsTenths);
/** The frames of [from, to) (0, 0: the whole track) in the opposite order. */
KESTRUM_API int Kestrum_Reverse(void* session, uint32_t trackId, int64_t from, int64_t to);
/** Plays [from, to) (0, 0: the whole track) faster or slower by percent
 *  (-90 to 900; +10 plays 1.1 times as fast, so the range becomes 1/1.1 of
 *  its length) without changing its pitch. Everything after the range moves
 *  with its end. */
KESTRUM_API int Kestrum_ChangeTempo(void* session, uint32_t trackId, int64_t from, int64_t to,
                                    int32_t percent);
/** Raises or lowers the pitch of [from, to) (0, 0: the whole track) by cents
 *  (-2400 to 2400) keeping its length. */
KESTRUM_API int Kestrum_ChangePitch(void* session, uint32_t trackId, int64_t from, int64_t to,
                                    int32_t cents);

// ---- LV2 plugins -----------------------------------------------------------
// Plugins run in a helper process (vorlain-fx-host), never in the caller's:
// a plugin that crashes, hangs or gives NaN fails the call and nothing else.
/** The usable plugins, one line each: URI, name, class, audio inputs and
 *  audio outputs separated by tabs, NUL-terminated. Returns the bytes needed
 *  including the NUL (size 0 asks); the buffer is filled when it is large
 *  enough. 0 with the last error set when the plugins cannot be listed. */
KESTRUM_API int Kestrum_GetPluginList(char* buffer, uint32_t size);
/** The plugins found but not usable, one line each: URI, name and the reason,
 *  tab-separated. Sized and filled as Kestrum_GetPluginList. */
KESTRUM_API int Kestrum_GetUnsupportedPlugins(char* buffer, uint32_t size);
/** The control inputs of the plugin, one line each: symbol, name, minimum,
 *  maximum, default, flags (a comma list of "toggled", "integer",
 *  "logarithmic", "enumeration", or "-") and the scale points as
 *  "value=label|value=label" (or "-"), tab-separated, numbers in the C
 *  locale. Sized and filled as Kestrum_GetPluginList. */
KESTRUM_API int Kestrum_GetPluginControls(const char* uri, char* buffer, uint32_t size);
/** The plugin's own presets, one line each: name, a tab, then its controls
 *  as Kestrum_ApplyPlugin takes them. Sized and filled as above. */
KESTRUM_API int Kestrum_GetPluginPresets(const char* uri, char* buffer, uint32_t size);
/** Runs the plugin over [from, to) (0, 0: the whole track). controls is
 *  "symbol=value;symbol=value" in the C locale; the controls not named keep
 *  their defaults. A mono plugin on a stereo track runs once per channel; a
 *  stereo plugin on a mono track gets the channel twice and its outputs are
 *  averaged. One undoable action named for the plugin. */
KESTRUM_API int Kestrum_ApplyPlugin(void* session, uint32_t trackId, int64_t from, int64_t to,
                                    const char* uri, const char* controls);
/** Plays [from, to) (0, 0: the first 10 seconds) through the plugin in a
 *  loop, through the session's player, until Kestrum_StopPreview or another
 *  play. Returns as soon as the sound starts. */
KESTRUM_API int Kestrum_StartPreview(void* session, uint32_t trackId, int64_t from, int64_t to,
                                     const char* uri, const char* controls);
/** New control values for the preview that is playing; heard within the
 *  next block of the output (well under 100 ms). */
KESTRUM_API int Kestrum_SetPreviewControls(void* session, const char* controls);
/** Stops the preview; 1 also when none plays. */
KESTRUM_API int Kestrum_StopPreview(void* session);
/** 1 while the preview plays; 0 when it does not, with the last error set to
 *  the code it ended with when the plugin failed (crashed, hung, NaN), and
 *  to 0 when it was stopped. */
KESTRUM_API int Kestrum_PreviewStatus(void* session);

// ---- insertion, mixing, extraction -----------------------------------------
KESTRUM_API int Kestrum_AddSlience(CEditSession* session, uint32_t trackId, int64_t at,
                                   int64_t duration);
KESTRUM_API int Kestrum_AddFile(CEditSession* session, uint32_t trackId, const char* path,
                                int64_t at);
KESTRUM_API int Kestrum_MixTrackFromPaste(CEditSession* session, uint32_t trackId, int64_t at,
                                          uint32_t levelBits);
KESTRUM_API int Kestrum_MixTrackFromTrack(CEditSession* session, uint32_t trackId, int64_t at,
                                          uint32_t sourceTrackId, uint32_t levelBits);
KESTRUM_API int Kestrum_MixTrackFromFile(CEditSession* session, uint32_t trackId, int64_t at,
                                         const char* path, uint32_t levelBits);
KESTRUM_API CTrack* Kestrum_ExtractTrack(CEditSession* session, uint32_t trackId, uint32_t channel);

// ---- recording -------------------------------------------------------------
KESTRUM_API CTrack* Kestrum_RecordInit(CEditSession* session, HWND displayHwnd, uint32_t zoomFactor,
                                       uint32_t deviceIndex);
KESTRUM_API int Kestrum_RecordSetBrimselHwnd(CEditSession* session, uint32_t trackId, HWND hwnd);
KESTRUM_API int Kestrum_RecordSetZoomfactor(CEditSession* session, uint32_t trackId, uint32_t zoom);
KESTRUM_API int Kestrum_RecordSetDeviceIndex(CEditSession* session, uint32_t trackId,
                                             uint32_t index);
/* The rate a recording into a blank track captures at (8000..192000 Hz);
 * a track that holds audio records at its own. */
KESTRUM_API int Kestrum_RecordSetRate(CEditSession* session, uint32_t trackId, int rate);
KESTRUM_API int Kestrum_RecordStart(CEditSession* session, uint32_t trackId);
KESTRUM_API int Kestrum_RecordPause(CEditSession* session, uint32_t trackId);
KESTRUM_API int Kestrum_RecordContinue(CEditSession* session, uint32_t trackId);
KESTRUM_API int Kestrum_RecordStop(CEditSession* session, uint32_t trackId);

// ---- playback --------------------------------------------------------------
KESTRUM_API CAudoPlayMgr* AudioPlay_Open(CEditSession* session, uint32_t trackId);
KESTRUM_API int AudioPlay_Play(CAudoPlayMgr* player);
KESTRUM_API int AudioPlay_PlaySeekTime(CAudoPlayMgr* player, int64_t time);
KESTRUM_API int AudioPlay_Pause(CAudoPlayMgr* player);
KESTRUM_API int AudioPlay_Continue(CAudoPlayMgr* player);
KESTRUM_API int AudioPlay_Stop(CAudoPlayMgr* player);
KESTRUM_API int64_t AudioPlay_GetPlayingTime(CAudoPlayMgr* player);
KESTRUM_API int AudioPlay_QueryStauts(CAudoPlayMgr* player);
KESTRUM_API int AudioPlay_Close(CAudoPlayMgr* player);

namespace vorlain {
/** The bit pattern of a level or decay, as the echo and mix exports take it. */
inline uint32_t FloatBits(float value)
{
    return std::bit_cast<uint32_t>(value);
}
} // namespace vorlain
