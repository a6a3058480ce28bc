// The edit worker: one thread per long operation that makes one kernel
// call while the progress dialog runs on the GUI thread. It reaches the GUI
// only through messages of the window registry.
#pragma once

#include "longops/edit_job.h"

#include <atomic>
#include <thread>

class CTrack;

namespace app {

class CEditWorker {
public:
    explicit CEditWorker(EditJob job);
    /** Waits for the thread if it still runs. */
    ~CEditWorker();
    CEditWorker(const CEditWorker&) = delete;
    CEditWorker& operator=(const CEditWorker&) = delete;

    /** Starts the thread, which first waits until a progress dialog has
     *  registered itself (SetProgressWindow). */
    void Start();
    /** Lets the thread go on without waiting for a dialog any more: the
     *  caller's dialogs have ended (a window closed early by the window
     *  manager never registers or has gone). */
    void GoOnWithoutDialog();
    /** Whether the kernel call has returned; then Result() may be read. */
    bool IsDone() const { return m_done.load(); }
    /** Joins the thread; call once IsDone(). */
    void Join();
    /** The thread's exit code: non-zero for success. */
    int Result() const { return m_result; }
    /** The track that Stereo Track To Mono made (0 on failure). */
    CTrack* NewTrack() const { return m_newTrack; }
    /** For a split: the number of the file being written, from 0. */
    const std::atomic<int>& PartIndex() const { return m_part; }

    /** The progress dialog's window, shared by all threads: cleared by the
     *  main window before a worker starts, set by the dialog when it opens. */
    static void SetProgressWindow(HWND hwnd);
    static HWND ProgressWindow();

private:
    int Run();
    int Call();
    int Split();
    int OpenProject();
    void Send(unsigned percent) const;
    void Post(unsigned percent) const;

    EditJob m_job;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    std::atomic<int> m_part{0};
    bool m_noDialog = false; // guarded by the progress window's mutex
    int m_result = 0;
    CTrack* m_newTrack = nullptr;
};

} // namespace app
