#include "import/track_import.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/progress.h"
#include "common/stop.h"
#include "edits/rate_conversion.h"
#include "history/action_type.h"
#include "import/converter_job.h"
#include "session/edit_session.h"
#include "session/edit_transaction.h"
#include "store/free_space.h"
#include "store/piece_writer.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/platform.h"
#include "vorlain/tagorix.h"
#include "vorlain/timeline.h"
#include "wave/wave_header.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
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
constexpr uint32_t kConversionFailed = 0x03C0B001; // the input could not be decoded to its end
constexpr uint32_t kDataWrite = 0x03C6B001;        // a data file could not be written
constexpr uint32_t kDataWriteNoRoom = 0x03C6B007;  // ... because the disk is full
constexpr uint32_t kHeaderWrite = 0x03CCB001;      // the header segment's file could not be written

std::nullptr_t failWith(uint32_t code)
{
    SetLastError(code);
    PostFinalProgress();
    return nullptr;
}

// The converter's samples go straight into the track's data files.
struct SampleTarget {
    CPieceWriter* pieces;
    size_t frameBytes;
};

int takeSamples(void* context, const int16_t* samples, uint32_t frames)
{
    auto* target = static_cast<SampleTarget*>(context);
    return target->pieces->Feed(reinterpret_cast<const uint8_t*>(samples),
                                frames * target->frameBytes)
               ? 1
               : 0;
}

uint32_t writeFailure(const CPieceWriter& pieces)
{
    return pieces.Error() == ENOSPC || pieces.Error() == EDQUOT ? kDataWriteNoRoom : kDataWrite;
}
} // namespace

std::unique_ptr<CTrack> ImportDetached(CEditSession& session, const std::string& path,
                                       uint32_t sampleRate)
{
    // Inside a call's transaction this goes on under its stop scope.
    CStopScope stop(session.m_stop);
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

    // A track keeps its source's rate, within the range the editor takes.
    if (sampleRate == 0)
        sampleRate =
            audio.sampleRate == 0 ? 44100 : std::clamp(audio.sampleRate, kLowestRate, kHighestRate);

    // Room for the PCM twice plus 20 MiB: the rule from the days of a
    // converted wave beside the data files, kept as the margin it gives.
    const int64_t pcm = int64_t(audio.channels) * audio.sampleRate * file.duration * 2 / 1'000'000;
    const auto needed = static_cast<int64_t>(2 * static_cast<int64_t>(pcm / 1024.0 + 20480));
    if (needed >= QueryFreeSpaceKiB(session.m_tempFolder))
        return failWith(kNoRoom);

    // The track exists from here on, but joins the session only when the
    // import succeeds; on any other way out it is destroyed, and with it the
    // data files it got so far.
    auto track = std::make_unique<CTrack>(FileNamePart(path), session.TrackCount() + 1,
                                          session.m_tempFolder);
    track->m_channels = audio.channels == 1 ? 1 : 2;
    track->m_sampleRate = sampleRate;
    track->m_bytesPerSample = 2;
    if (!track->MakeTrackFolder()) {
        PostFinalProgress(); // its code is set
        return nullptr;
    }
    // Key 0 is the header segment, as for a loaded wave file; its file is
    // written at the end, when the size is known.
    const std::string headerPath = track->NextDataFilePath();
    if (headerPath.empty())
        return failWith(err::kPathTooLong);
    track->TakeDataFileNumber();
    auto timeline = std::make_unique<CTimeline>();
    timeline->Append(MakeSegment(vorlain::kHeaderSegment, 0, 0, headerPath.c_str()));
    // The decoder fills a piece while the one before is written.
    CPieceWriter pieces(*track, *timeline, 0, true);
    SampleTarget target{&pieces, 2 * size_t(track->m_channels)};
    if (!AV_SetOutputSink(handle, &takeSamples, &target))
        return failWith(kOutputRefused);
    MedrixAudioAttr output = audio;
    std::snprintf(output.codecName, sizeof output.codecName, "pcm_s16le");
    output.channels = track->m_channels;
    output.sampleRate = sampleRate;
    if (!AV_SetAudioAttr(handle, output))
        return failWith(kAttributesRefused);
    if (!job.Start())
        return failWith(kNoThread);

    // One pass: the data files are written as the input is decoded.
    const bool finished = job.Wait(
        [&](int p) {
            session.m_progress = static_cast<uint32_t>(std::min(p, 99));
            PostProgress(session.m_progress);
        },
        [&] { return session.m_stop.load() != 0; });
    if (!finished || session.m_stop)
        return nullptr; // stopped: no final 100, the last error unchanged
    if (job.ExitCode() != 0)
        return failWith(pieces.Failed() ? writeFailure(pieces) : kConversionFailed);
    if (!pieces.Finish())
        return failWith(writeFailure(pieces));
    const WaveHeaderBytes header = MakeWaveHeader(track->m_channels, sampleRate, pieces.Bytes());
    if (!WriteWholeFile(headerPath, header.data(), header.size()))
        return failWith(kHeaderWrite);

    track->m_bytesLoaded = static_cast<int64_t>(header.size()) + pieces.Bytes();
    track->m_length = pieces.End();
    track->m_timeline = timeline.release();
    track->m_loaded = 1;
    if (VorlainDebugEnabled())
        for (const TrackSegment& s : *track->m_timeline)
            VorlainOutputDebugString("Loading Path=%s from=%" PRId64 " to=%" PRId64, s.path,
                                     s.start, s.end);
    TagInfo tag{};
    GetTagInfo(path.c_str(), &tag);
    track->m_tag = tag;
    return track;
}

std::unique_ptr<CTrack> ImportHidden(CEditSession& session, const std::string& path,
                                     uint32_t sampleRate)
{
    std::unique_ptr<CTrack> hidden = ImportDetached(session, path, sampleRate);
    if (!hidden)
        return nullptr;
    hidden->m_present = 0;
    hidden->m_hidden = true;
    session.m_progress = 100;
    PostFinalProgress();
    return hidden;
}

void AdoptHidden(CEditSession& session, std::unique_ptr<CTrack> hidden, uint32_t trackId,
                 uint32_t action, int64_t at, int64_t length)
{
    const uint32_t hiddenId = hidden->m_trackId;
    session.AppendTrack(std::move(hidden));
    session.Record(hiddenId, kActionAddTrack, 0, 0, hiddenId, 0, 0);
    session.Record(trackId, action, at, at, trackId, at, at + length);
}

CTrack* ImportTrack(CEditSession& session, const std::string& path, bool recordAction,
                    uint32_t sampleRate)
{
    std::unique_ptr<CTrack> track = ImportDetached(session, path, sampleRate);
    if (!track)
        return nullptr;
    if (!JournalAdded(session, *track)) {
        PostFinalProgress();
        return nullptr; // the track goes with its files
    }
    CTrack* raw = track.get();
    session.AppendTrack(std::move(track));
    if (recordAction)
        session.Record(raw->m_trackId, kActionAddTrack, 0, 0, raw->m_trackId, 0, 0);
    session.m_progress = 100;
    PostFinalProgress();
    return raw;
}

} // namespace kernel
