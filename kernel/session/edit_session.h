// The editor session behind the handle Kestrum_Open returns: it owns its
// tracks (in creation order, never removed), its history and its clipboard.
#pragma once

#include "import/export_options.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTrack;

namespace kernel {
class CClipboard;
class CHistory;
class CPluginPreview;
class CRecoveryJournal;
struct JournalChange;
} // namespace kernel

class CEditSession {
public:
    explicit CEditSession(std::string tempFolder);
    virtual ~CEditSession();
    CEditSession(const CEditSession&) = delete;
    CEditSession& operator=(const CEditSession&) = delete;

    /** The first track of the given id, deleted tracks included; null when none. */
    CTrack* FindTrack(uint32_t trackId) const;
    uint32_t TrackCount() const { return static_cast<uint32_t>(m_tracks.size()); }
    /** Takes ownership of a track whose id is TrackCount() + 1. */
    void AppendTrack(std::unique_ptr<CTrack> track);
    /** The position of a track in the list + 1, or 0 when it is not ours. */
    bool Owns(const CTrack* track) const;

    /** The common start of every track creation: for the first track,
     *  creates the session temp folder. (The call's transaction clears the
     *  stop flag.) */
    bool BeginTrackCreation();
    /** A blank track (no audio) with the given name ("Blank Track" when
     *  empty), appended to the list. */
    CTrack* CreateBlankTrack(const std::string& name);

    kernel::CHistory& History() { return *m_history; }
    kernel::CClipboard& Clipboard() { return *m_clipboard; }
    /** Appends a history action (see CHistory::Append). */
    bool Record(uint32_t trackId, uint32_t type, int64_t undoFrom, int64_t undoTo,
                uint32_t redoTrackId, int64_t redoFrom, int64_t redoTo);

    /** Writes the recovery document as it will be after change; the
     *  session's locked folder is made on first use. true for a session
     *  without tracks and without a folder yet. false with errno set. */
    bool WriteJournal(const kernel::JournalChange& change);
    bool HasJournal() const { return m_journal != nullptr; }
    /** Takes over a dead session's locked folder (its recovery document is
     *  opened); ownsDataRoot: the folder is also the data root, removed at
     *  close when nothing is kept in it. */
    void AdoptJournal(std::unique_ptr<kernel::CRecoveryJournal> journal, bool ownsDataRoot);
    /** Gives up an adopted folder without removing its document. */
    void ReleaseJournal();
    /** Undoes BeginTrackCreation's folder for a first track that never came. */
    void DropSessionFolder();
    /** Removes the last track appended (a creation whose journal failed). */
    void PopTrack();

    std::atomic<uint32_t> m_stop{0};     // set by Kestrum_Stop
    std::atomic<uint32_t> m_progress{0}; // 0..100 of the running operation
    std::vector<std::unique_ptr<CTrack>> m_tracks;
    std::string m_projectPath;
    kernel::ExportOptions m_exportOptions; // Kestrum_SetExportOptions
    // Recovered work: the project the dead session belonged to, whether or
    // not that project names files of the data root taken over.
    std::string m_recoveredProjectPath;
    std::string m_savingProjectPath; // the project a save in progress writes, named by the recovery
                                     // document too
    std::string m_tempFolder;        // the temp base until the first track, then the session folder
    std::string m_tempBase;          // where the session's own locked folder is made
    // The plugin preview playing, if any; declared after the tracks so that
    // it ends before the files it reads go.
    std::unique_ptr<kernel::CPluginPreview> m_preview;
    std::string m_previewPlugin; // its URI

private:
    std::unique_ptr<kernel::CHistory> m_history;
    std::unique_ptr<kernel::CClipboard> m_clipboard;
    bool m_tempFolderMade = false;
    // The locked folder holding the recovery document: the session folder,
    // or for a session over a project's data a folder of its own.
    std::unique_ptr<kernel::CRecoveryJournal> m_journal;
    std::string m_journalFolder;
    bool m_journalFolderMade = false; // a folder of its own, removed at close
};
