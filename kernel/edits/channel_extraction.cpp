#include "edits/channel_extraction.h"

#include "session/edit_transaction.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/timeline_builder.h"
#include "session/edit_session.h"
#include "store/block_io.h"
#include "track/track.h"

#include <algorithm>
#include <memory>

namespace kernel {

namespace {
constexpr uint32_t kExtractFailed = 0x016CB001;
constexpr uint32_t kExtractMono = 0x0170B002;

// Keeps one 16-bit sample of every 4-byte frame of source in a new file.
bool extractFile(const std::string& source, const std::string& target, uint32_t channel)
{
    CBlockReader& reader = CBlockReader::Instance();
    CBlockWriter& writer = CBlockWriter::Instance();
    const size_t pick = channel == 1 ? 0 : 2;
    uint8_t block[kBlockSize];
    uint8_t half[kBlockSize / 2];
    int64_t seek = 0;
    for (;;) {
        uint32_t got = 0;
        if (!reader.Read(source, block, got, seek))
            return false;
        seek = -1;
        size_t n = 0;
        for (size_t i = 0; i + 3 < got; i += 4) {
            half[n++] = block[i + pick];
            half[n++] = block[i + pick + 1];
        }
        const bool last = got < kBlockSize;
        if (!writer.Write(target, half, n, last))
            return false;
        if (last)
            return true;
    }
}
} // namespace

CTrack* ExtractChannel(CEditSession& session, CTrack& source, uint32_t channel)
{
    if (source.m_channels != 2 || !source.Timeline()) {
        SetLastError(kExtractMono);
        PostFinalProgress();
        return nullptr;
    }
    std::string name = channel == 1   ? "(Extract Left)" + source.m_name
                       : channel == 2 ? "(Extract Right)" + source.m_name
                                      : std::string();
    auto track = std::make_unique<CTrack>(name, session.TrackCount() + 1, source.m_sessionFolder);
    track->m_sampleRate = source.m_sampleRate;
    track->m_bytesPerSample = source.m_bytesPerSample;
    track->m_channels = 1;
    if (!track->MakeTrackFolder()) {
        PostFinalProgress();
        return nullptr;
    }
    CTimelineBuilder builder(*track);
    const int64_t length = source.m_length;
    for (const TrackSegment& s : *source.Timeline()) {
        if (s.state & vorlain::kHeaderSegment) {
            builder.AppendHeader(s);
            continue;
        }
        std::string path = builder.NewDataFile();
        if (path.empty() || !extractFile(s.path, path, channel)) {
            CBlockReader::Instance().Close();
            CBlockWriter::Instance().Close();
            SetLastError(kExtractFailed);
            PostFinalProgress();
            return nullptr;
        }
        builder.AppendReplaced(s, path);
        if (length > 0)
            PostProgress(static_cast<unsigned>(std::clamp<int64_t>(s.end * 100 / length, 0, 99)));
    }
    NoteTrackAdding(*track);
    if (!builder.Commit("Extract")) {
        PostFinalProgress();
        return nullptr;
    }
    track->m_bytesLoaded = source.m_bytesLoaded / 2;
    track->m_loaded = 1;
    PostFinalProgress();
    return track.release();
}

} // namespace kernel
