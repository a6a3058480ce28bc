#include "main/failure_text.h"

#include "config/language.h"

#include <QFileInfo>

namespace app {
namespace {

constexpr uint32_t kKindBadInput = 0xB002;
constexpr uint32_t kKindMissingDataFile = 0xB004;
constexpr uint32_t kKindNoDiskSpace = 0xB007;

// The part of a code that names the place it was set.
constexpr uint32_t Place(uint32_t code)
{
    return code >> 16;
}

bool IsCapturePlace(uint32_t place)
{
    return place == 0x0B21 || place == 0x0B34 || place == 0x0B3B; // settings, format, begin
}

// The project reader's refusals of what it read: no XML, a wrong root, a
// missing element, an unsafe or duplicated name, a foreign folder.
bool IsProjectContent(uint32_t code)
{
    const uint32_t place = Place(code);
    return (code & 0xFFFF) == kKindBadInput && place >= 0x02CA && place <= 0x0310;
}

// The import's refusals of its input: the converter would not open it,
// found no audio stream, or could not decode it to its end. Insert and mix
// from a file import through the same path.
bool IsUnreadableAudio(uint32_t code)
{
    return code == 0x035DB001 || code == 0x0368B001 || code == 0x03C0B001;
}

// Whether the file a call read cannot be read, or the place a call wrote
// cannot take it.
FailureFamily FromDisk(const FailureSubject& subject)
{
    if (subject.path.isEmpty())
        return FailureFamily::kGeneral;
    const QFileInfo file(subject.path);
    if (!subject.writing) {
        if (!file.exists())
            return FailureFamily::kMissing;
        if (!file.isReadable())
            return FailureFamily::kNoPermission;
        return FailureFamily::kGeneral;
    }
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return FailureFamily::kMissing;
    if (!folder.isWritable() || (file.exists() && !file.isWritable()))
        return FailureFamily::kNoPermission;
    return FailureFamily::kGeneral;
}

const char* KeyOf(FailureFamily family)
{
    switch (family) {
    case FailureFamily::kNotAudio:
        return "00000001";
    case FailureFamily::kMissing:
        return "00000002";
    case FailureFamily::kDiskFull:
        return "00000003";
    case FailureFamily::kNoPermission:
        return "00000004";
    case FailureFamily::kNoCaptureDevice:
        return "00000005";
    case FailureFamily::kProjectDamaged:
        return "00000006";
    case FailureFamily::kNoPlaybackDevice:
        return "00000007";
    case FailureFamily::kPluginFailed:
        return "00000008";
    case FailureFamily::kGeneral:
        break;
    }
    return "00000000";
}

} // namespace

FailureFamily ClassifyFailure(uint32_t code, const FailureSubject& subject)
{
    if ((code & 0xFFFF) == kKindNoDiskSpace)
        return FailureFamily::kDiskFull;
    if (const FailureFamily onDisk = FromDisk(subject); onDisk != FailureFamily::kGeneral)
        return onDisk;
    if ((code & 0xFFFF) == kKindMissingDataFile)
        return FailureFamily::kMissing;
    if (IsCapturePlace(Place(code)))
        return FailureFamily::kNoCaptureDevice;
    if (Place(code) == 0x0E40) // the player's output device
        return FailureFamily::kNoPlaybackDevice;
    // The helper that runs plugins: crashed, hung, NaN, or would not start.
    if (code == 0x0E74B001 || code == 0x0E75B001 || code == 0x0E76B001 || code == 0x0E77B001 ||
        code == 0x0E78B001)
        return FailureFamily::kPluginFailed;
    if (IsProjectContent(code))
        return FailureFamily::kProjectDamaged;
    if (IsUnreadableAudio(code))
        return FailureFamily::kNotAudio;
    return FailureFamily::kGeneral;
}

QString FailureCode(uint32_t code)
{
    return QString::asprintf("Failed! ErrorCode=0x%.8x", code);
}

QString FailureMessage(uint32_t code, const FailureSubject& subject)
{
    return LanguageText("errors", KeyOf(ClassifyFailure(code, subject))) + QStringLiteral("\n\n") +
           FailureCode(code);
}

} // namespace app
