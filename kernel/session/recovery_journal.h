// The recovery document of a session: after every committed change the
// session's present tracks (current timeline, base info, tags) are written,
// in the project file's format, into a folder the session holds locked. A
// folder whose lock is free but still holds a document belonged to a
// session whose process died: its work can be opened like a project.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CEditSession;
class CTimeline;
class CTrack;

namespace kernel {

/** The document's name inside its session folder. */
inline constexpr const char* kRecoveryName = "Recovery.zvp";
/** Root child naming the project the session was last saved to or opened from. */
inline constexpr const char* kRecoveryProject = "Project";

/** What a change is about to do: the document written before the change
 *  shows the state after it. */
struct JournalChange {
    const CTrack* track = nullptr;       ///< a track whose timeline changes
    const CTimeline* timeline = nullptr; ///< its next current timeline (null: blank)
    std::vector<const CTrack*> added;    ///< tracks about to be appended, in order
};

class CRecoveryJournal {
public:
    /** Locks folder for this session (flock on the folder itself, so the lock
     *  ends with the process however it ends). Null when the folder cannot be
     *  opened or another session holds it. */
    static std::unique_ptr<CRecoveryJournal> Take(const std::string& folder);
    /** Removes the document and gives up the lock. */
    ~CRecoveryJournal();
    CRecoveryJournal(const CRecoveryJournal&) = delete;
    CRecoveryJournal& operator=(const CRecoveryJournal&) = delete;

    /** Writes the document beside and renames it into place: a reader finds
     *  the old document or the new one, whole. false with errno set. */
    bool Write(const CEditSession& session, const JournalChange& change);

    const std::string& Folder() const { return m_folder; }
    /** The document stays when the journal goes (an adoption given up). */
    void KeepDocument() { m_keepDocument = true; }
    std::string DocumentPath() const;

private:
    CRecoveryJournal(int fd, std::string folder);
    int m_fd;
    std::string m_folder;
    std::string m_text; // kept between writes: its capacity is reused
    bool m_keepDocument = false;
};

/** The document of one folder of the temp base whose session died; empty
 *  when there is none. Folders held by a live session (any process) are
 *  skipped, so are folders without a document. */
std::string FindOrphanedRecovery(const std::string& tempBase);

/** Removes what a dead session left in the folder of document: its data
 *  files, except those a saved project still names, and the folder when
 *  that leaves it empty. false when a live session holds the folder. */
bool DiscardRecovery(const std::string& document);

/** The project a recovery document names that still names its data root
 *  ("" for none). */
std::string RecoveredProjectPath(const std::string& document);

/** Full paths of the data files the project at projectPath names inside
 *  folder (its data root); empty when the project is gone, unreadable or
 *  names another folder. */
std::vector<std::string> FilesNamedByProject(const std::string& projectPath,
                                             const std::string& folder);

} // namespace kernel
