// The recovery document of a session: the session's present tracks
// (current timeline, base info, tags), in the project file's format, kept in
// a folder the session holds locked. A folder whose lock is free but still
// holds a document belonged to a session whose process died: its work can
// be opened like a project.
//
// Every committed change is written before it is made, at the cost of what
// it changes: the document is written whole only now and then, and the
// changes since are appended to a log beside it. An edit appends the
// segments it made and how many it kept at each end; undo and redo append
// the number of a version the log already holds. Reading the document
// applies the log.
#pragma once

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CEditSession;
class CTimeline;
class CTrack;

namespace kernel {

/** The document's name inside its session folder. */
inline constexpr const char* kRecoveryName = "Recovery.zvp";
/** The log of the changes since the document was written, beside it. */
inline constexpr const char* kRecoveryLogName = "Recovery.log";
/** Root child naming the project the session was last saved to or opened from. */
inline constexpr const char* kRecoveryProject = "Project";

/** What a change is about to do: the document written before the change
 *  shows the state after it. */
struct JournalChange {
    const CTrack* track = nullptr;       ///< a track whose timeline changes
    const CTimeline* timeline = nullptr; ///< its next current timeline (null: blank)
    std::vector<const CTrack*> added;    ///< tracks about to be appended, in order
};

/** A track as the document names it, its timeline aside. */
struct JournalTrack {
    uint32_t present = 0;
    uint32_t own = 0; ///< the first data file number the session may have written
    std::string folder;
    std::string name;
    int64_t sampleRate = 0;
    int64_t channels = 0;
    int64_t bytesPerSample = 0;
    std::array<std::string, 6> tag; ///< title, artist, album, genre, year, comment
    bool operator==(const JournalTrack&) const = default;
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

    /** Records the session as it will be after change: appends what differs
     *  from what was recorded last to the log, or now and then writes the
     *  whole document beside and renames it into place. A reader finds the
     *  state before the change or after it, whole. false with errno set: the
     *  files then still read as before. */
    bool Write(const CEditSession& session, const JournalChange& change);

    const std::string& Folder() const { return m_folder; }
    /** The document and its log stay when the journal goes (an adoption given up). */
    void KeepDocument() { m_keepDocument = true; }
    std::string DocumentPath() const;
    std::string LogPath() const;

    /** The log's size past which the document is written whole again. */
    static size_t LogLimit(size_t documentBytes);

private:
    CRecoveryJournal(int fd, std::string folder);

    /** A track of the session, with the timeline the change gives it. */
    struct Entry {
        const CTrack* track;
        const CTimeline* timeline;
        bool fresh; ///< a version no earlier record can name
    };
    /** What the log or the document last said of a track. */
    struct Recorded {
        bool written = false;      ///< its base info is recorded
        JournalTrack track;
        bool known = false;        ///< its current version is recorded
        const CTimeline* timeline = nullptr;
        uint64_t version = 0;      ///< 0: blank
    };

    bool writeDocument(const CEditSession& session, const std::vector<Entry>& entries);
    bool appendChanges(const CEditSession& session, const std::vector<Entry>& entries);
    bool appendToLog(const std::string& text);

    int m_fd;
    std::string m_folder;
    std::string m_text; // kept between writes: its capacity is reused
    bool m_keepDocument = false;

    bool m_needsDocument = true; // the next write writes the document whole
    uint64_t m_epoch = 0;        // pairs the log with its document
    bool m_logStarted = false;   // the log holds its first line
    size_t m_documentBytes = 0;
    size_t m_logBytes = 0;       // whole batches in the log, its first line included
    std::vector<Recorded> m_recorded; // by track position
    std::string m_recordedTemp;
    std::vector<std::string> m_recordedProjects;
    // The versions this document and its log define. Entries never go stale
    // in a way that matters: a version freed and its address reused comes
    // back as a fresh commit, which redefines the entry.
    std::unordered_map<const CTimeline*, uint64_t> m_versions;
    uint64_t m_nextVersion = 1;
};

/** Loads a project file or recovery document; a recovery document gets the
 *  changes of its log applied (the complete ones: a log cut short by a crash
 *  ends at its last whole change). */
bool LoadRecoveryDocument(const std::string& path, pugi::xml_document& doc,
                          unsigned options = pugi::parse_default);

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
