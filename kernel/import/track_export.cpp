#include "import/track_export.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/progress.h"
#include "common/stop.h"
#include "import/converter_job.h"
#include "import/export_options.h"
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

// The lower-case extension of the file name, without its dot.
std::string extensionOf(const std::string& path)
{
    const std::string name = FileNamePart(path);
    const size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
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

bool ExportTrack(CEditSession& session, CTrack& track, int64_t from, int64_t to,
                 const std::string& path)
{
    const ExportOptions& options = session.m_exportOptions;
    const std::string ext = extensionOf(path);
    const uint32_t rate =
        options.rate > 0 ? static_cast<uint32_t>(options.rate) : track.m_sampleRate;
    // A 16-bit wave at the track's rate is the data files' bytes behind a
    // header; 24 bits or another rate go through the converter.
    const bool toWave = ext == "wav";
    if (toWave && options.bits == 16 && rate == track.m_sampleRate)
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
    } else if (toWave) {
        std::snprintf(attr.codecName, sizeof attr.codecName, "%s",
                      options.bits == 24 ? "pcm_s24le" : "pcm_s16le");
    }
    if (options.bitrate > 0 && (ext == "mp3" || ext == "m4a" || ext == "opus"))
        bitRate = static_cast<uint32_t>(options.bitrate) * 1000;
    attr.bitRate = bitRate;
    attr.channels = track.m_channels;
    attr.sampleRate = rate;

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
    // Variable quality (MP3, Vorbis), 24 bits (FLAC) and FLAC's level.
    const bool useQuality = (ext == "mp3" && options.vbr >= 0) ||
                            ((ext == "ogg" || ext == "oga") && options.quality.has_value());
    const int quality = ext == "mp3" ? options.vbr : options.quality.value_or(0);
    if (!AV_SetEncoderOptions(handle, ext == "flac" ? options.bits : 16, useQuality ? 1 : 0,
                              quality, ext == "flac" ? options.level : -1)) {
        SetLastError(kAttributesRefused);
        return false;
    }
    // About the encoded size in KiB, for the whole track even for a range
    // (a lossless output counts at its sample size).
    const int64_t lossless =
        toWave || ext == "flac" ? int64_t(rate) * track.m_channels * options.bits : 0;
    const int64_t needed =
        std::max<int64_t>(bitRate, lossless) * track.m_length / 8 / 1000 / 1'000'000;
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
    if (!toWave && HasTags(track.m_tag) && !SetTagInfo(staging.c_str(), track.m_tag)) {
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
