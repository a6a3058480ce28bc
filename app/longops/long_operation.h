// One long operation: a job that runs on a worker thread of its own while a
// modal progress dialog per phase shows how far it has come. The operation
// owns the thread, the dialogs and the one window that the kernel and the
// job report to; every end is an event on that window (a phase's 100, the
// job's return, a dialog closed), so nothing waits by polling.
#pragma once

#include "vorlain/window.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QEventLoop;
class QProgressBar;
namespace vorlain {
class CRegistryWindow;
}

namespace app {

/** What a running job tells its operation; safe from the worker thread. */
class CJobProgress {
public:
    explicit CJobProgress(HWND window) : m_window(window) {}
    /** The operation's window: the kernel's notify window while it runs. */
    HWND Window() const { return m_window; }
    /** A progress message, percent 0..100; 100 ends the current phase. */
    void Post(unsigned percent) const;
    /** For a job of several kernel calls in a row: the call now running. */
    void SetPart(int part) const;

private:
    HWND m_window;
};

/** A modal dialog that shows an operation's progress on its bar (0..100,
 *  named barName). Closing it either only ends the dialog, or asks the
 *  operation to stop (StopRequested); the operation then ends it once the
 *  job has returned. */
class CProgressView : public QDialog {
    Q_OBJECT
public:
    CProgressView(QWidget* parent, const QString& barName);
    void ShowPercent(int percent);
    int Percent() const;
    int Position() const { return Percent(); }

signals:
    void StopRequested();

protected:
    QProgressBar* Bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
};

class CLongOperation : public QObject {
    Q_OBJECT
public:
    /** The job: runs on the worker thread, returns non-zero on success. */
    using Job = std::function<int(const CJobProgress&)>;

    /** Dialogs open over parent, which takes no input until the job ends. */
    explicit CLongOperation(QWidget* parent);
    ~CLongOperation() override;
    CLongOperation(const CLongOperation&) = delete;
    CLongOperation& operator=(const CLongOperation&) = delete;

    /** One progress dialog per phase, in order, with these hints; each ends
     *  at its phase's 100 or at the job's end. Without phases the one
     *  dialog has no hint. */
    void AddPhase(const QString& text);
    /** The job makes count kernel calls in a row, each reporting 0..100:
     *  the bar shows the whole and only the job's end ends the dialog. */
    void SetParts(int count);
    /** Shows view (owned by the caller) in place of the first phase's
     *  progress dialog. */
    void SetView(CProgressView* view);
    /** What a stop request does (Kestrum_Stop, say). It is made again on
     *  every progress message until the job returns: a stop that came
     *  before the job's kernel call had begun is not lost. */
    void SetStop(std::function<void()> stop);
    /** Shown once, as a critical message with this caption, when the job
     *  fails and no stop was requested; made when the failure is shown. */
    void SetFailureMessage(const QString& caption, std::function<QString()> text);

    /** Runs job to its end; returns its result (0: failed). */
    int Run(Job job);
    /** Whether a dialog asked the job to stop. */
    bool StopRequested() const { return m_stopRequested; }
    /** The operation's progress window. */
    HWND Hwnd() const;

private:
    LRESULT OnMessage(UINT msg, WPARAM wParam);
    void RunPhase(int index);
    void RequestStop();
    void EndView(int percent);

    QWidget* m_parent;
    std::unique_ptr<vorlain::CRegistryWindow> m_window;
    QStringList m_phases;
    int m_parts = 0;
    int m_part = 0;
    CProgressView* m_firstView = nullptr;
    std::function<void()> m_stop;
    QString m_failureCaption;
    std::function<QString()> m_failureText;

    std::thread m_worker;
    std::atomic<int> m_result{0};
    bool m_done = false;   // the job's end has arrived
    int m_phasesEnded = 0; // 100s received
    bool m_stopRequested = false;
    QPointer<CProgressView> m_view; // the dialog showing now
    QEventLoop* m_wait = nullptr;   // the wait for the job after the dialogs
};

} // namespace app
