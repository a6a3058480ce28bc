#include "import/track_import.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/progress.h"
#include "history/action_type.h"
#include "import/converter_job.h"
#include "session/edit_session.h"
#include "store/free_space.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/tagorix.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kernel {

namespace {
constexpr uint32_t kNoConverter = 0x0355B001;
constexpr uint32_t kInputRefused = 0x035DB001;
constexpr uint32_t kNoAttributes = 0x0368B001;
constexpr uint32_t kNoRoom = 0x0376B007;
constexpr uint32_t kOutputRefused = 0x0381B001;
constexpr uint32_t kAttributesRefused = 0x038DB001;
constexpr uint32_t kNoThread = 0x0396B001;

CTrack* failWith(uint32_t code)
{
    SetLastError(code);
    PostFinalProgress();
    return nullptr;
}
} // namespace

CTrack* ImportTrack(CEditSession& session, const std::string& path, bool recordAction,
                    uint32_t sampleRate)
{
    if (!session.BeginTrackCreation()) {
        PostFinalProgress();
        return nullptr;
    }
    PostProgress(0);
    MedrixHandle handle = AV_Open();
    if (!handle)
        return failWith(kNoConverter);
    CConverterJob job(handle);
    if (!AV_SetInputpath(handle, path.c_str()))
        return failWith(kInputRefused);
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    if (!AV_GetInputFileAttr(handle, &file, &audio, 0))
        return failWith(kNoAttributes);

    // Room for the converted wave and its data files, twice the PCM plus 20 MiB.
    const int64_t pcm = int64_t(audio.channels) * audio.sampleRate * file.duration * 2 / 1'000'000;
    const auto needed = static_cast<int64_t>(2 * static_cast<int64_t>(pcm / 1024.0 + 20480));
    if (needed >= QueryFreeSpaceKiB(session.m_tempFolder))
        return failWith(kNoRoom);

    char name[32];
    std::snprintf(name, sizeof name, "Track%.2u.wav", session.TrackCount() + 1);
    const std::string wave = JoinPath(session.m_tempFolder, name);
    if (!AV_SetOutputPath(handle, wave.c_str()))
        return failWith(kOutputRefused);
    MedrixAudioAttr output = audio;
    std::snprintf(output.codecName, sizeof output.codecName, "pcm_s16le");
    output.sampleRate = sampleRate;
    if (!AV_SetAudioAttr(handle, output))
        return failWith(kAttributesRefused);
    if (!job.Start())
        return failWith(kNoThread);

    const bool finished = job.Wait(
        [&](int p) {
            session.m_progress = static_cast<uint32_t>(p * 8 / 10);
            PostProgress(std::min<uint32_t>(session.m_progress, 99));
        },
        [&] { return session.m_stop.load() != 0; });
    // The converted wave goes on every path: it is only a step on the way.
    struct RemoveWave {
        const std::string& path;
        ~RemoveWave() { RemoveFile(path); }
    } removeWave{wave};
    if (!finished || session.m_stop)
        return nullptr; // stopped: no final 100, the last error unchanged
    if (job.ExitCode() != 0) {
        PostFinalProgress();
        return nullptr; // the converter failed: no code of ours
    }

    auto track = std::make_unique<CTrack>(FileNamePart(path), session.TrackCount() + 1,
                                          session.m_tempFolder);
    if (!track->Load(wave.c_str())) {
        PostFinalProgress(); // release the waiting progress dialog
        return nullptr;
    }
    TagInfo tag{};
    GetTagInfo(path.c_str(), &tag);
    track->m_tag = tag;
    CTrack* raw = track.get();
    session.AppendTrack(std::move(track));
    if (recordAction)
        session.Record(raw->m_trackId, kActionAddTrack, 0, 0, raw->m_trackId, 0, 0);
    session.m_progress = 100;
    PostFinalProgress();
    return raw;
}

} // namespace kernel
