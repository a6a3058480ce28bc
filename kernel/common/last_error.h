// The process-wide last error: high 16 bits name the failure place, low 16
// bits its kind. Success never resets it.
#pragma once

#include <cstdint>

namespace kernel {

inline constexpr uint32_t kKindFailed = 0xB001;
inline constexpr uint32_t kKindBadInput = 0xB002;
inline constexpr uint32_t kKindMissingDataFile = 0xB004;
inline constexpr uint32_t kKindNoDiskSpace = 0xB007;

void SetLastError(uint32_t code);
uint32_t LastError();
/** Counts SetLastError calls: tells whether a call set a code, even the same one again. */
uint64_t LastErrorSerial();

/** Remembers that a file could not be written, with the errno that said why.
 *  The file routines leave codes to their callers; a call that fails on a
 *  write without setting one gets one from its transaction. */
void NoteWriteFailure(int error);
uint64_t WriteFailureSerial();
int LastWriteFailure();

/** The same for a file the call reads: a data file gone or unreadable. A
 *  call that fails on it without a code of its own says so by the kind
 *  "missing data file" (ENOENT) or as a failed read. */
void NoteReadFailure(int error);
uint64_t ReadFailureSerial();
int LastReadFailure();

// Failure places, by the operation that sets them.
namespace err {
// track creation
inline constexpr uint32_t kSessionFolder = 0x0336B001;
// track folder
inline constexpr uint32_t kTrackFolder = 0x0D7EB001;
// range-to-wave writer
inline constexpr uint32_t kWaveNoPath = 0x0953B002;
inline constexpr uint32_t kWaveTemplate = 0x0966B001;
inline constexpr uint32_t kWaveReadInside = 0x0999B001;
inline constexpr uint32_t kWaveWriteInside = 0x09A2B001;
inline constexpr uint32_t kWaveWriteInsideLast = 0x09B0B001;
inline constexpr uint32_t kWaveReadHead = 0x09D3B001;
inline constexpr uint32_t kWaveWriteHead = 0x09DCB001;
inline constexpr uint32_t kWaveWriteHeadLast = 0x09E8B001;
inline constexpr uint32_t kWaveReadTail = 0x09FAB001;
inline constexpr uint32_t kWaveWriteTail = 0x0A03B001;
inline constexpr uint32_t kWaveWriteTailLast = 0x0A0FB001;
inline constexpr uint32_t kWaveReadWhole = 0x0A24B001;
inline constexpr uint32_t kWaveWriteWhole = 0x0A2DB001;
inline constexpr uint32_t kWaveWriteWholeLast = 0x0A3AB001;
inline constexpr uint32_t kWaveHeaderFix = 0x0A75B001;
// a path that does not fit a 260-character record field
inline constexpr uint32_t kPathTooLong = 0x0D80B002;
} // namespace err

} // namespace kernel
