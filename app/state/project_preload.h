// The project named on the command line, read while the window is built.
// Building the window is Qt's work on the main thread; reading a long
// project (parsing thousands of segments, writing the session's recovery
// document) is the kernel's, and needs nothing of the window. So the start
// opens a session and reads the project into it on a thread of its own,
// and the window's first open of that project takes the session instead of
// reading the project again: on more than one core a 10-hour project opens
// in the time the window takes to build.
#pragma once

#include <QString>

#include <memory>
#include <mutex>
#include <thread>

class CEditSession;

namespace app {

class CProjectPreload {
public:
    /** Opens a session in tempPath (empty: the default temporary folder)
     *  and starts reading project into it. */
    CProjectPreload(const QString& project, const QString& tempPath);
    /** Waits for the read; closes the session unless it was taken. */
    ~CProjectPreload();
    CProjectPreload(const CProjectPreload&) = delete;
    CProjectPreload& operator=(const CProjectPreload&) = delete;

    const QString& Project() const { return m_project; }
    const QString& TempPath() const { return m_tempPath; }

    /** The session, the caller's from now on; null when none could be
     *  opened. It may still be reading: nothing but Kestrum_Stop may be
     *  asked of it before Wait() has returned. */
    CEditSession* TakeSession();
    /** Waits for the read to end (from any one thread); whether the project
     *  is open in the session. On false the session is as a failed open
     *  leaves it, and the open is to be made again to report why. */
    bool Wait();

private:
    QString m_project;
    QString m_tempPath;
    CEditSession* m_session = nullptr;
    bool m_taken = false;
    bool m_opened = false; // written by the reader, read after the join
    std::mutex m_join;
    std::thread m_reader;
};

/** The read of project (an absolute path) started, in the temporary folder
 *  the configuration names; null when an earlier session's work is waiting
 *  to be offered, since that comes first and the project may not be opened
 *  as it stands. */
std::shared_ptr<CProjectPreload> PreloadProject(const QString& project);

} // namespace app
