// What a failed kernel call tells the user: one sentence saying what
// happened and what to do, chosen from the code's family, then the code
// itself in the one spelling support knows ("Failed! ErrorCode=0x0336b001").
#pragma once

#include <QString>

#include <cstdint>

namespace app {

enum class FailureFamily {
    kGeneral,
    kNotAudio,     // not an audio file the converter reads, or damaged
    kMissing,      // a file the call needs is not there
    kDiskFull,     // no room left where the call writes
    kNoPermission, // the file or its folder may not be read or written
    kNoCaptureDevice,
    kProjectDamaged, // not a project file, or one that cannot be read
    kNoPlaybackDevice,
    kPluginFailed, // an LV2 plugin crashed, hung or gave samples that are not numbers
};

/** The file a call read or wrote, when it names one: its state on disk
 *  tells a missing file or a refused permission from a damaged file. */
struct FailureSubject {
    QString path;
    bool writing = false;
};

/** The family of a kernel code; subject, when given, is checked on disk
 *  first (a file to read that is gone is missing whatever the code). */
FailureFamily ClassifyFailure(uint32_t code, const FailureSubject& subject = {});

/** "Failed! ErrorCode=0x%.8x" of code. */
QString FailureCode(uint32_t code);

/** The sentence of the family from the language file, a blank line, and
 *  the code. */
QString FailureMessage(uint32_t code, const FailureSubject& subject = {});

} // namespace app
