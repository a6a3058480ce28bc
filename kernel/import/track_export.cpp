#include "import/track_export.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/progress.h"
#include "common/stop.h"
#include "import/converter_job.h"
#include "session/edit_session.h"
#include "store/free_space.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/tagorix.h"
#include "wave/wave_range.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace kernel {

namespace {
constexpr uint32_t kNoConverter = 0x00E0B001;
constexpr uint32_t kInputRefused = 0x00E7B001;
constexpr uint32_t kNoRoom = 0x00F6B007;
constexpr uint32_t kOutputRefused = 0x00FEB001;
constexpr uint32_t kAttributesRefused = 0x0107B001;
constexpr uint32_t kNoThread = 0x010FB001;
constexpr uint32_t kEncodeFailed = 0x0117B001; // the converter could not encode or write the file
constexpr uint32_t kTagWrite = 0x011EB001;     // the tags could not be written into the new file
constexpr uint32_t kPlaceOutput = 0x0125B001;  // the new file could not take the destination's name

std::string extensionOf(const std::string& path)
{
    std::string ext = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return ext;
}
// Whether any of the six texts the tagger writes is set: a new file without
// them needs no tags written.
bool HasTags(const TagInfo& tag)
{
    return tag.title[0] || tag.artist[0] || tag.comment[0] || tag.album[0] || tag.genre[0] ||
           tag.year[0];
}
} // namespace

bool ExportTrack(CEditSession& /*session*/, CTrack& track, int64_t from, int64_t to,
                 const std::string& path)
{
    const std::string ext = extensionOf(path);
    if (ext == "wav")
        return track.SaveRangeToWave(from, to, path.c_str()) != 0;

    // The converter reads the range as a wave file that is never written:
    // the header, then the data files' bytes where they lie. One pass.
    CWaveStream wave(track, from, to);
    MedrixByteSource source{};
    source.context = &wave;
    source.read = [](void* context, uint8_t* buffer, int size) {
        return static_cast<CWaveStream*>(context)->Read(buffer, size);
    };
    source.seek = [](void* context, int64_t offset) {
        return static_cast<CWaveStream*>(context)->Seek(offset);
    };
    source.size = wave.Size();
    // Progress comes in two runs, as it always has: the range's plan (every
    // data file measured) ends with its 100, then the encoding.
    PostFinalProgress();

    MedrixAudioAttr attr{};
    uint32_t bitRate = 0;
    if (ext == "mp3") {
        std::snprintf(attr.codecName, sizeof attr.codecName, "libmp3lame");
        bitRate = 128000;
    } else if (ext == "m4a") {
        std::snprintf(attr.codecName, sizeof attr.codecName, "mpeg4aac");
        bitRate = 128000;
    }
    attr.bitRate = bitRate;
    attr.channels = track.m_channels;
    attr.sampleRate = track.m_sampleRate;

    MedrixHandle handle = AV_Open();
    if (!handle) {
        SetLastError(kNoConverter);
        return false;
    }
    CConverterJob job(handle);
    if (!AV_SetInputSource(handle, &source)) {
        SetLastError(kInputRefused);
        return false;
    }
    // About the encoded size in KiB, for the whole track even for a range.
    const int64_t needed = int64_t(bitRate) * track.m_length / 8 / 1000 / 1'000'000;
    if (needed >= QueryFreeSpaceKiB(path)) {
        SetLastError(kNoRoom);
        return false;
    }
    // Encoded and tagged under a hidden name beside the destination, then
    // renamed over it: a failure at any step leaves the destination as it
    // was. The name keeps the extension the converter and the tagger go by.
    const std::string name = FileNamePart(path);
    const std::string staging = path.substr(0, path.size() - name.size()) + ".vorlain-" +
                                std::to_string(::getpid()) + "-" + name;
    struct RemoveStaging {
        const std::string& path;
        bool placed = false;
        ~RemoveStaging()
        {
            if (!placed)
                RemoveFile(path);
        }
    } removeStaging{staging};
    if (!AV_SetOutputPath(handle, staging.c_str())) {
        SetLastError(kOutputRefused);
        return false;
    }
    if (!AV_SetAudioAttr(handle, attr)) {
        SetLastError(kAttributesRefused);
        return false;
    }
    if (!job.Start()) {
        SetLastError(kNoThread);
        return false;
    }
    if (!job.Wait([](int p) { PostProgress(static_cast<unsigned>(std::min(p, 99))); },
                  [] { return StopRequested(); }))
        return false; // stopped: the staging file goes, the destination stays
    if (job.ExitCode() != 0) {
        // The converter failed (a full disk, a folder that went away): the
        // caller still needs a code to tell the user; no final 100.
        SetLastError(kEncodeFailed);
        return false;
    }
    if (HasTags(track.m_tag) && !SetTagInfo(staging.c_str(), track.m_tag)) {
        SetLastError(kTagWrite);
        return false;
    }
    if (std::rename(staging.c_str(), path.c_str()) != 0) {
        NoteWriteFailure(errno);
        SetLastError(kPlaceOutput);
        return false;
    }
    removeStaging.placed = true;
    PostFinalProgress();
    return true;
}

} // namespace kernel
