#include "session/edit_session.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "edits/clipboard.h"
#include "history/history.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

using namespace kernel;

CEditSession::CEditSession(std::string tempFolder)
    : m_tempFolder(std::move(tempFolder)), m_history(std::make_unique<kernel::CHistory>()),
      m_clipboard(std::make_unique<kernel::CClipboard>())
{
}

CEditSession::~CEditSession()
{
    // The history and the clipboard go first: clipboard entries hand their
    // timeline versions back to tracks that are still alive.
    m_history.reset();
    m_clipboard.reset();
    // Tracks remove their data files and folders, in list order.
    for (auto& track : m_tracks)
        track.reset();
    m_tracks.clear();
    if (m_projectPath.empty() && m_tempFolderMade)
        ::rmdir(m_tempFolder.c_str()); // succeeds only when empty
}

CTrack* CEditSession::FindTrack(uint32_t trackId) const
{
    for (const auto& track : m_tracks)
        if (track->m_trackId == trackId)
            return track.get();
    return nullptr;
}

void CEditSession::AppendTrack(std::unique_ptr<CTrack> track) { m_tracks.push_back(std::move(track)); }

bool CEditSession::Owns(const CTrack* track) const
{
    for (const auto& t : m_tracks)
        if (t.get() == track)
            return true;
    return false;
}

bool CEditSession::BeginTrackCreation()
{
    m_stop = 0;
    if (!m_tracks.empty() || m_tempFolderMade)
        return true;
    if (m_tempFolder.empty()) {
        char base[VORLAIN_MAX_PATH];
        if (!VorlainGetTempBase(base, sizeof base)) {
            SetLastError(err::kSessionFolder);
            return false;
        }
        m_tempFolder = base;
    }
    // Several programs (and parallel tests) may run at once: the folder is
    // created exclusively, raising the number until the name is free.
    for (uint32_t number = VorlainTickCount();; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "Vorlain_Tmp%.8u", number);
        std::string folder = JoinPath(m_tempFolder, name);
        // Track folders and data files below it must fit a segment's path.
        if (!FitsPathField(folder + "/Track00/00000000.dat")) {
            SetLastError(err::kSessionFolder);
            return false;
        }
        if (::mkdir(folder.c_str(), 0755) == 0) {
            m_tempFolder = folder;
            m_tempFolderMade = true;
            return true;
        }
        if (errno != EEXIST) {
            SetLastError(err::kSessionFolder);
            return false;
        }
    }
}

CTrack* CEditSession::CreateBlankTrack(const std::string& name)
{
    auto track = std::make_unique<CTrack>(name.empty() ? "Blank Track" : name, TrackCount() + 1,
                                          m_tempFolder);
    track->m_sampleRate = 44100;
    track->m_channels = 2;
    track->m_bytesPerSample = 2;
    m_progress = 100;
    CTrack* raw = track.get();
    AppendTrack(std::move(track));
    return raw;
}

bool CEditSession::Record(uint32_t trackId, uint32_t type, int64_t undoFrom, int64_t undoTo,
                          uint32_t redoTrackId, int64_t redoFrom, int64_t redoTo)
{
    return m_history->Append(trackId, type, undoFrom, undoTo, redoTrackId, redoFrom, redoTo);
}
