// How the main window runs a long operation: the edit worker makes the
// kernel call while one or two modal progress dialogs run; then the window
// waits for the worker, still drawing, and reads its result.
#include "window/vorlain_dlg.h"

#include "dialogs/dialog_values.h"
#include "longops/dlg_progress.h"
#include "longops/edit_worker.h"

#include <QEventLoop>
#include <QTimer>

app::EditJob CVorlainDlg::NewJob(app::EditOp op) const
{
    app::EditJob job;
    job.op = op;
    job.editor = m_editor;
    job.track = static_cast<uint32_t>(m_currentTrack);
    job.start = m_selStart;
    job.end = m_selEnd;
    job.factor = app::Values().factor;
    job.gain = app::Values().gain.value_or(256);
    job.mainWindow = Hwnd();
    return job;
}

bool CVorlainDlg::RunLongOperation(const app::EditJob& job, const QString& firstText,
                                   const QString& secondText, CTrack** newTrack)
{
    m_longOperation = true;
    // The worker must never report to the dialog of an earlier operation.
    app::CEditWorker::SetProgressWindow(nullptr);
    app::CEditWorker worker(job);
    worker.Start();
    {
        CDlgProgress dialog(this);
        dialog.SetText(firstText);
        dialog.SetWorker(&worker);
        if (job.op == app::EditOp::Split && job.splitCount > 0)
            dialog.SetParts(&worker.PartIndex(), job.splitCount);
        dialog.exec();
    }
    if (!secondText.isEmpty()) {
        CDlgProgress dialog(this);
        dialog.SetText(secondText);
        dialog.SetWorker(&worker);
        dialog.exec();
    }
    // A dialog closed by the window manager ends early; the window then waits
    // here for the worker, still drawing but taking no input. A worker still
    // waiting for its dialog goes on without one.
    worker.GoOnWithoutDialog();
    if (!worker.IsDone()) {
        setEnabled(false);
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (worker.IsDone())
                loop.quit();
        });
        poll.start(50);
        loop.exec();
        setEnabled(true);
    }
    worker.Join();
    m_longOperation = false;
    if (newTrack)
        *newTrack = worker.NewTrack();
    if (!worker.Result()) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        UpdateCommands();
        return false;
    }
    return true;
}
