#include "track/track.h"

#include "track/track_registry.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/progress.h"
#include "effects/audio_effect.h"
#include "session/edit_transaction.h"
#include "store/peak_summary_writer.h"
#include "store/piece_writer.h"
#include "store/segment_files.h"
#include "wave/wave_header.h"
#include "vorlain/platform.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_set>

using namespace kernel;

CTrack::CTrack(std::string name, uint32_t trackId, std::string sessionFolder)
    : m_name(std::move(name)), m_sessionFolder(std::move(sessionFolder)), m_trackId(trackId)
{
    RegisterTrack(this);
}

CTrack::~CTrack()
{
    UnregisterTrack(this);
    m_effect.reset();
    if (!m_trackFolder.empty()) {
        // A saved project names its data files: those survive the session.
        std::unordered_set<std::string> keep;
        if (m_projectTimeline)
            for (const TrackSegment& s : *m_projectTimeline)
                keep.insert(NormalizePath(s.path));
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(m_trackFolder, ec)) {
            if (!entry.is_regular_file(ec))
                continue;
            std::string path = NormalizePath(entry.path().string());
            if (!keep.count(path))
                RemoveFile(path);
        }
        // The summaries of the files that went, and their folder when empty.
        PrunePeakSummaries(m_trackFolder);
        if (!m_projectTimeline)
            ::rmdir(m_trackFolder.c_str());
    }
    freeAllVersions();
}

void CTrack::freeAllVersions()
{
    std::unordered_set<CTimeline*> all;
    auto collect = [&all](CTimeline* start) {
        for (CTimeline* v = start; v; v = v->m_next)
            all.insert(v);
        for (CTimeline* v = start; v; v = v->m_prev)
            all.insert(v);
    };
    collect(m_timeline);
    collect(m_redoTimeline);
    collect(m_projectTimeline);
    for (CTimeline* v : all)
        if (std::none_of(m_retired.begin(), m_retired.end(),
                         [v](const auto& r) { return r.get() == v; }))
            delete v;
    m_retired.clear();
    m_timeline = m_redoTimeline = m_projectTimeline = nullptr;
}

bool CTrack::MakeTrackFolder()
{
    if (!m_trackFolder.empty())
        return true;
    if (m_sessionFolder.empty())
        return false;
    for (unsigned n = 0;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "Track%.2u", n);
        std::string candidate = JoinPath(m_sessionFolder, name);
        // The data files inside must still fit a segment's path field.
        if (!FitsPathField(candidate + "/00000000.dat")) {
            SetLastError(err::kTrackFolder);
            return false;
        }
        if (::mkdir(candidate.c_str(), 0755) == 0) {
            m_trackFolder = candidate;
            return true;
        }
        if (errno != EEXIST) {
            SetLastError(err::kTrackFolder);
            return false;
        }
    }
}

std::string CTrack::NextDataFilePath() const
{
    char name[32];
    std::snprintf(name, sizeof name, "%.8u.dat", m_nextFileNumber);
    std::string path = JoinPath(m_trackFolder, name);
    return FitsPathField(path) ? path : std::string();
}

int CTrack::Load(const char* wavePath)
{
    if (!MakeTrackFolder())
        return 0;
    if (!wavePath)
        return 0;
    std::ifstream wave(wavePath, std::ios::binary);
    if (!wave)
        return 0;
    m_channels = 2;
    m_sampleRate = 44100;
    m_bytesPerSample = 2;
    int64_t fileSize = FileSize(wavePath);
    if (fileSize < 0)
        return 0;
    m_bytesLoaded += fileSize;

    WaveHeaderBytes header{};
    wave.read(reinterpret_cast<char*>(header.data()), header.size());
    if (wave.gcount() != static_cast<std::streamsize>(header.size()))
        return 0;
    WaveFormat format = ReadWaveFormat(header);
    // Only what the kernel can cut into pieces: 16-bit mono or stereo at a real rate.
    if ((format.channels != 1 && format.channels != 2) || format.sampleRate == 0 ||
        format.sampleRate > 1'000'000)
        return 0;
    m_channels = format.channels;
    m_sampleRate = format.sampleRate;

    auto timeline = std::make_unique<CTimeline>();
    std::string headerPath = NextDataFilePath();
    if (headerPath.empty() || !WriteWholeFile(headerPath, header.data(), header.size()))
        return 0;
    timeline->Append(MakeSegment(vorlain::kHeaderSegment, 0, 0, headerPath.c_str()));
    ++m_nextFileNumber;

    CPieceWriter pieces(*this, *timeline);
    const int64_t pieceSize = pieces.PieceBytes();
    const int64_t pieceCount = m_bytesLoaded / pieceSize + 1;
    std::vector<char> piece(static_cast<size_t>(pieceSize));
    for (;;) {
        const uint32_t n = m_nextFileNumber;
        wave.read(piece.data(), pieceSize);
        const int64_t got = wave.gcount();
        PostProgress(static_cast<unsigned>(std::min<int64_t>((20 * int64_t(n) - 20) / pieceCount + 80, 99)));
        if (!pieces.Feed(reinterpret_cast<const uint8_t*>(piece.data()), static_cast<size_t>(got)))
            return 0;
        if (got < pieceSize)
            break;
    }
    if (!pieces.Finish())
        return 0;
    const int64_t length = pieces.End();
    m_timeline = timeline.release();
    PublishLength(length);
    m_loaded = 1;
    for (const TrackSegment& s : *m_timeline)
        VorlainOutputDebugString("Loading Path=%s from=%" PRId64 " to=%" PRId64, s.path, s.start, s.end);
    return 1;
}

void CTrack::FillBaseInfo(TrackBaseInfo& info) const
{
    std::memset(&info, 0, sizeof info);
    info.deleted = m_present ? 0 : 1;
    VorlainCopyTextCut(info.name, sizeof info.name, m_name.c_str());
    info.trackId = m_trackId;
    info.length = m_length;
    info.bytesLoaded = m_bytesLoaded;
    info.sampleRate = m_sampleRate;
    info.channels = m_channels;
    info.bytesPerSample = m_bytesPerSample;
    info.timeline = m_timeline;
    info.blank = m_length == 0 ? 1 : 0;
}

bool CTrack::isReferenced(const CTimeline* version) const
{
    return version == m_projectTimeline ||
           std::find(m_references.begin(), m_references.end(), version) != m_references.end();
}

void CTrack::destroyVersion(CTimeline* version)
{
    version->m_prev = version->m_next = nullptr;
    if (isReferenced(version))
        m_retired.emplace_back(version);
    else
        delete version;
}

void CTrack::Retain(const CTimeline* timeline)
{
    if (timeline)
        m_references.push_back(timeline);
}

void CTrack::Release(const CTimeline* timeline)
{
    auto it = std::find(m_references.begin(), m_references.end(), timeline);
    if (it == m_references.end())
        return;
    m_references.erase(it);
    if (isReferenced(timeline))
        return;
    auto retired = std::find_if(m_retired.begin(), m_retired.end(),
                                [timeline](const auto& r) { return r.get() == timeline; });
    if (retired != m_retired.end())
        m_retired.erase(retired);
}

bool CTrack::Commit(std::unique_ptr<CTimeline>&& next, const char* logVerb)
{
    // The document shows the new version before anything is dropped: a
    // failure here leaves the track, its redo chain and the history whole.
    if (CEditTransaction* txn = CEditTransaction::Current())
        if (!txn->BeforeCommit(*this, next.get()))
            return false;
    // The redo chain: versions after the current one, or the version undo
    // took from a track it emptied.
    CTimeline* drop = m_timeline ? m_timeline->m_next : m_redoTimeline;
    while (drop) {
        CTimeline* after = drop->m_next;
        destroyVersion(drop);
        drop = after;
    }
    m_redoTimeline = nullptr;
    CTimeline* version = next.release();
    version->m_prev = m_timeline;
    version->m_next = nullptr;
    if (m_timeline)
        m_timeline->m_next = version;
    m_timeline = version;
    PublishLength(version->EndTime());
    if (!VorlainDebugEnabled())
        return true; // the log reads every file's size: only when someone listens
    for (const TrackSegment& s : *version)
        VorlainOutputDebugString("%s Path=%s from=%" PRId64 " to=%" PRId64 " lenLogic=%" PRId64
                                 " lenReal=%" PRId64,
                                 logVerb, s.path, s.start, s.end,
                                 (s.end - s.start) * int64_t(m_bytesPerSample) * m_sampleRate *
                                     m_channels / 1'000'000,
                                 FileSize(s.path));
    return true;
}

void CTrack::StepBack()
{
    if (!m_timeline)
        return;
    if (!m_timeline->m_prev) {
        m_redoTimeline = m_timeline;
        m_timeline = nullptr;
        PublishLength(0);
        return;
    }
    m_timeline = m_timeline->m_prev;
    PublishLength(m_timeline->EndTime());
    VorlainOutputDebugString("CTrack::GoBack m_trackTime=%" PRId64 " ", m_length);
}

bool CTrack::StepForward()
{
    CTimeline* target = m_timeline ? m_timeline->m_next : m_redoTimeline;
    if (!target)
        return false;
    if (!m_timeline)
        m_redoTimeline = nullptr;
    m_timeline = target;
    PublishLength(m_timeline->EndTime());
    VorlainOutputDebugString("CTrack::GoNext m_trackTime=%" PRId64 " ", m_length);
    return true;
}
