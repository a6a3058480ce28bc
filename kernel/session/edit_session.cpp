#include "session/edit_session.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "edits/clipboard.h"
#include "history/history.h"
#include "plugins/plugin_preview.h"
#include "session/recovery_journal.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

using namespace kernel;

CEditSession::CEditSession(std::string tempFolder)
    : m_tempFolder(std::move(tempFolder)), m_tempBase(m_tempFolder),
      m_history(std::make_unique<kernel::CHistory>()),
      m_clipboard(std::make_unique<kernel::CClipboard>())
{
}

CEditSession::~CEditSession()
{
    m_preview.reset(); // it reads the tracks' files
    // The recovery document goes first: from here on the session is closing
    // on purpose, and a document naming files about to go would only mislead.
    m_journal.reset();
    // The history and the clipboard go next: clipboard entries hand their
    // timeline versions back to tracks that are still alive.
    m_history.reset();
    m_clipboard.reset();
    // Tracks remove their data files and folders, in list order.
    for (auto& track : m_tracks)
        track.reset();
    m_tracks.clear();
    // Only an empty folder goes (rmdir refuses any other): a saved project's
    // files keep theirs, and nothing else is left in the temp base.
    if (m_tempFolderMade)
        ::rmdir(m_tempFolder.c_str());
    if (m_journalFolderMade)
        ::rmdir(m_journalFolder.c_str());
}

namespace {
// A new folder "Vorlain_Tmp%.8d" in base, made exclusively: several programs
// (and parallel tests) may run at once, so the number is raised until the
// name is free. Its subfolders and their data files must fit a segment's path.
bool makeSessionFolder(const std::string& base, std::string& folder)
{
    for (uint32_t number = VorlainTickCount();; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "Vorlain_Tmp%.8u", number);
        std::string candidate = JoinPath(base, name);
        if (!FitsPathField(candidate + "/Track00/00000000.dat"))
            return false;
        if (::mkdir(candidate.c_str(), 0755) == 0) {
            folder = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
}
} // namespace

bool CEditSession::WriteJournal(const kernel::JournalChange& change)
{
    if (!m_journal) {
        if (m_tracks.empty() && change.added.empty())
            return true; // nothing to recover
        // A session over a project's data keeps its document in a folder of
        // its own in the temp base, where the next start looks.
        std::string base = m_tempBase;
        if (base.empty()) {
            char temp[VORLAIN_MAX_PATH];
            if (!VorlainGetTempBase(temp, sizeof temp))
                return false;
            base = temp;
        }
        std::string folder;
        if (!makeSessionFolder(base, folder))
            return false;
        m_journal = CRecoveryJournal::Take(folder);
        if (!m_journal) {
            const int why = errno;
            ::rmdir(folder.c_str());
            errno = why;
            return false;
        }
        m_journalFolder = folder;
        m_journalFolderMade = true;
    }
    return m_journal->Write(*this, change);
}

void CEditSession::AdoptJournal(std::unique_ptr<kernel::CRecoveryJournal> journal,
                                bool ownsDataRoot)
{
    m_journal = std::move(journal);
    if (ownsDataRoot) {
        m_tempFolderMade = true;
    } else {
        m_journalFolder = m_journal->Folder();
        m_journalFolderMade = true;
    }
}

void CEditSession::ReleaseJournal()
{
    if (m_journal)
        m_journal->KeepDocument();
    m_journal.reset();
    m_tempFolderMade = false;
    m_journalFolderMade = false;
}

void CEditSession::DropSessionFolder()
{
    if (!m_tempFolderMade || !m_tracks.empty())
        return;
    m_journal.reset();
    ::rmdir(m_tempFolder.c_str());
    m_tempFolder = m_tempBase;
    m_tempFolderMade = false;
}

void CEditSession::PopTrack()
{
    if (!m_tracks.empty())
        m_tracks.pop_back();
}

CTrack* CEditSession::FindTrack(uint32_t trackId) const
{
    for (const auto& track : m_tracks)
        if (track->m_trackId == trackId)
            return track.get();
    return nullptr;
}

void CEditSession::AppendTrack(std::unique_ptr<CTrack> track)
{
    m_tracks.push_back(std::move(track));
}

bool CEditSession::Owns(const CTrack* track) const
{
    for (const auto& t : m_tracks)
        if (t.get() == track)
            return true;
    return false;
}

bool CEditSession::BeginTrackCreation()
{
    if (!m_tracks.empty() || m_tempFolderMade)
        return true;
    if (m_tempFolder.empty()) {
        char base[VORLAIN_MAX_PATH];
        if (!VorlainGetTempBase(base, sizeof base)) {
            SetLastError(err::kSessionFolder);
            return false;
        }
        m_tempFolder = base;
        m_tempBase = base;
    }
    std::string folder;
    if (!makeSessionFolder(m_tempFolder, folder)) {
        SetLastError(err::kSessionFolder);
        return false;
    }
    // The session holds its folder locked for as long as it lives: a folder
    // whose lock is free belonged to a session that died.
    m_journal = CRecoveryJournal::Take(folder);
    if (!m_journal) {
        ::rmdir(folder.c_str());
        SetLastError(err::kSessionFolder);
        return false;
    }
    m_tempFolder = folder;
    m_tempFolderMade = true;
    return true;
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
