// File menu: adding audio files, the recent lists, opening, saving and
// closing projects, the work of a session that died, and the one way out
// of the program.
#pragma once

#include "commands/command_context.h"

#include <memory>

namespace app {

class CProjectPreload;
class CRecordCommands;
class CTrackCommands;

class CFileCommands {
public:
    CFileCommands(CommandContext& context, CTrackCommands& tracks, CRecordCommands& record)
        : m_c(context), m_tracks(tracks), m_record(record)
    {
    }

    /** Asks for files and adds each as a track, in the order chosen. */
    void AddFile();
    void AddFile(const QString& path);
    /** Dropped files: a project opens (after asking), audio files are
     *  added in turn. */
    void OpenPaths(const QStringList& paths);
    /** Entry n of a recent list (section "RecentFile" or "RecentProject"). */
    void OpenRecent(const char* section, int n);
    void OpenProject();
    /** Closes what is open (after asking) and opens the project at path. */
    void OpenProjectAfterAsking(const QString& path);
    /** Opens the project at path into the (closed) session; false when it
     *  could not be opened (the failure shown). A preload of the same
     *  project in the same temporary folder gives its session. */
    bool OpenProjectPath(const QString& path, std::shared_ptr<CProjectPreload> preload = {});
    /** Offers the work of a session that died (an earlier run that crashed):
     *  opens it like a project, or on decline removes what it left. */
    void OfferRecovery();
    bool SaveProject();
    void SaveProjectAs();
    void CloseProject();
    /** The ask-and-save step before a project is closed: Yes, No or
     *  Cancel (Escape is Cancel, never No). False when the user cancelled
     *  or the save failed: the project must then stay open. */
    bool AskAndSave();
    /** Closes the player, the view's rows and the session. */
    void CloseSession();
    /** The way out: false when the program must stay. */
    bool Exit();
    /** Exit from the menu: the window closes, which asks Exit(). */
    void RequestExit();

private:
    /** Closes the project in use and opens the one at path; when that
     *  fails, the one in use opens again. */
    void SwitchProject(const QString& path);
    /** Opens a project document into a fresh session; false (and the
     *  session closed) when it failed. */
    bool OpenDocument(const QString& path, const QString& hint,
                      std::shared_ptr<CProjectPreload> preload = {});
    /** Fits the view to the longest row, as a first file is fitted. */
    void FitLongestTrack();

    CommandContext& m_c;
    CTrackCommands& m_tracks;
    CRecordCommands& m_record;
};

} // namespace app
