/* The small Linux stand-ins the kernel and the program share: debug output,
 * private-profile (INI) files, well-known folders, free space and the tick
 * count. One copy of each lives in libVorlainPlatform.so. */
#ifndef VORLAIN_PLATFORM_H
#define VORLAIN_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#include "vorlain/window.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Longest path a 260-character record field can hold, terminator included. */
#define VORLAIN_MAX_PATH 260

/* ---- diagnostics ---------------------------------------------------------
 * Formats one fixed diagnostic line. It goes to the installed sink when there
 * is one, else to standard error when VORLAIN_DEBUG is set, else nowhere. */
typedef void (*VorlainDebugSink)(const char* line);
VORLAIN_PLATFORM_API void VorlainOutputDebugString(const char* format, ...)
    __attribute__((format(printf, 1, 2)));
VORLAIN_PLATFORM_API void VorlainSetDebugSink(VorlainDebugSink sink);
/* 1 when diagnostic lines go anywhere: callers skip costly arguments otherwise. */
VORLAIN_PLATFORM_API int VorlainDebugEnabled(void);

/* ---- private-profile files ------------------------------------------------
 * Sections and keys compare case-insensitively. A missing file, section or key
 * gives the default. Returns the number of bytes copied (without the NUL); the
 * value is cut on a UTF-8 character boundary to fit size - 1 bytes. */
VORLAIN_PLATFORM_API size_t VorlainGetProfileString(const char* section, const char* key,
                                                    const char* defaultValue, char* out,
                                                    size_t size, const char* file);
VORLAIN_PLATFORM_API int VorlainGetProfileInt(const char* section, const char* key,
                                              int defaultValue, const char* file);
/* Creates file, section and key as needed and keeps the rest of the file. A
 * null value removes the key. The file is replaced atomically. 1/0. */
VORLAIN_PLATFORM_API int VorlainWriteProfileString(const char* section, const char* key,
                                                   const char* value, const char* file);

/* ---- folders ---------------------------------------------------------------
 * Each writes a zero-terminated path into out and returns 1, or returns 0 when
 * the path does not fit or cannot be had. */

/* Temp base with a trailing '/': $TMPDIR (else /tmp), else the documents folder,
 * else $XDG_DATA_HOME/ZanthoVorlain (created). */
VORLAIN_PLATFORM_API int VorlainGetTempBase(char* out, size_t size);
/* $XDG_CONFIG_HOME/Vorlain (else $HOME/.config/Vorlain), created; no trailing '/'. */
VORLAIN_PLATFORM_API int VorlainGetConfigDir(char* out, size_t size);
/* The folder of the running program (not of a library); no trailing '/'. */
VORLAIN_PLATFORM_API int VorlainGetProgramDir(char* out, size_t size);
/* lang/lang.ini beside the program, else ../share/vorlain/lang/lang.ini from
 * the program's folder (an unpacked install), else the copy under the
 * configured prefix. Returns 0 when none exists (out then holds the first
 * candidate). */
VORLAIN_PLATFORM_API int VorlainGetLanguageFile(char* out, size_t size);

/* ---- files and time -------------------------------------------------------- */

/* Free KiB on the file system holding path (or its nearest existing parent); 0
 * when the path is empty or the query fails. */
VORLAIN_PLATFORM_API int64_t VorlainFreeSpaceKiB(const char* path);
/* Milliseconds of the monotonic clock, low 32 bits. */
VORLAIN_PLATFORM_API uint32_t VorlainTickCount(void);
/* Turns every run of '/' into one. Returns the new length. */
VORLAIN_PLATFORM_API size_t VorlainCollapseSeparators(char* path);
/* Copies src into dst of size bytes, cutting on a UTF-8 character boundary. */
VORLAIN_PLATFORM_API void VorlainCopyTextCut(char* dst, size_t size, const char* src);

#ifdef __cplusplus
}
#endif

#endif
