// File menu: adding audio files, the recent lists, opening, saving and
// closing projects, and the one way out of the program.
#include "window/vorlain_dlg.h"

#include "config/language.h"
#include "config/recent_files.h"
#include "longops/dlg_import_file.h"
#include "main/prompts.h"
#include "window/brimsel.h"

#include "vorlain/kestrum.h"
#include "vorlain/platform.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

void CVorlainDlg::OnAddFile()
{
    if (m_pendingFilePath.isEmpty()) {
        const QString path =
            app::Prompts().OpenFileName(this, app::LanguageText("main", "00000005"));
        if (path.isEmpty())
            return;
        m_pendingFilePath = path;
    }
    AddFile(m_pendingFilePath);
}

void CVorlainDlg::AddFile(const QString& path)
{
    m_pendingFilePath = path;
    if (!EnsureEditor()) {
        ShowKernelFailure("Failed! Errorcode:0x%.8x");
        m_pendingFilePath.clear();
        return;
    }
    intptr_t result = 0;
    {
        m_longOperation = true;
        CDlgImportFile dialog(m_editor, path, this);
        result = dialog.Run();
        m_longOperation = false;
    }
    if (result > 0) {
        CTrack* track = reinterpret_cast<CTrack*>(result);
        m_control->AddTrack(track);
        // The first file opens fitted to the window.
        const QList<int> rows = m_control->VisibleTracks();
        if (rows.size() == 1)
            FitToWindow(rows.first());
        SetModified(true);
        UpdateCommands();
        CheckPlayback();
        app::AddRecent(app::kRecentFileSection, path);
        BuildRecentMenu(app::kRecentFileSection);
    } else if (result == 0) {
        VorlainOutputDebugString("Failed! Errorcode:0x%.8x", Kestrum_GetLastError());
        ShowKernelFailure("Failed! Errorcode:0x%.8x");
    }
    m_pendingFilePath.clear();
    UpdateCommands();
    UpdateLabels();
}

void CVorlainDlg::OnOpenRecent(const char* section, int n)
{
    const QStringList paths = app::RecentSlots(section);
    const QString path = n >= 0 && n < paths.size() ? paths.at(n) : QString();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        app::ClearRecent(section, n);
        BuildRecentMenu(section);
        return;
    }
    if (qstrcmp(section, app::kRecentFileSection) == 0) {
        AddFile(path);
        return;
    }
    // A project: the Open Project command, with this path.
    if (!AskAndSave(false))
        return;
    CloseSession();
    m_currentProjectPath = path;
    OpenProjectPath(path);
}

void CVorlainDlg::OnOpenProject()
{
    if (m_editor && !AskAndSave(false))
        return;
    // The file first: cancelling the dialog leaves the open project as it is.
    const QString path = app::Prompts().OpenFileName(this, app::LanguageText("main", "00000012"));
    if (path.isEmpty())
        return;
    CloseSession();
    m_currentProjectPath = path;
    OpenProjectPath(path);
}

void CVorlainDlg::OpenProjectPath(const QString& path)
{
    if (!EnsureEditor()) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        m_currentProjectPath.clear();
        return;
    }
    app::EditJob job = NewJob(app::EditOp::OpenProject);
    job.path = path;
    if (!RunLongOperation(job, app::LanguageText("main", "00000014"))) {
        Kestrum_Close(m_editor);
        m_editor = nullptr;
        m_currentProjectPath.clear();
        UpdateCommands();
        return;
    }
    m_currentProjectPath = path;
    SetModified(false);
    UpdateCommands();
    SetPlayButtons(kStopped);
    app::AddRecent(app::kRecentProjectSection, path);
    BuildRecentMenu(app::kRecentProjectSection);
}

void CVorlainDlg::OfferRecovery()
{
    const QByteArray base = m_tempPath.toUtf8();
    char document[260] = {};
    while (Kestrum_FindRecovery(base.isEmpty() ? nullptr : base.constData(), document)) {
        const QMessageBox::StandardButton answer =
            app::Prompts().MessageBox(this, Caption(), app::LanguageText("main", "0000001E"),
                                      QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            if (!Kestrum_DiscardRecovery(document))
                return; // another instance took it meanwhile
            continue;
        }
        if (!EnsureEditor()) {
            ShowKernelFailure("Failed! ErrorCode=0x%.8x");
            return;
        }
        // The Open Project flow; the work was never saved as it is, so it
        // has no project path and counts as changed.
        app::EditJob job = NewJob(app::EditOp::OpenProject);
        job.path = QString::fromUtf8(document);
        if (!RunLongOperation(job, app::LanguageText("main", "0000001F"))) {
            Kestrum_Close(m_editor);
            m_editor = nullptr;
        } else {
            m_currentProjectPath.clear();
            SetModified(true);
            SetPlayButtons(kStopped);
            // Like a first file, the recovered work opens fitted to the view:
            // the longest track whole.
            int longest = 0;
            int64_t most = -1;
            for (int id : m_control->VisibleTracks()) {
                const int64_t length = Kestrum_GetTrackTime(m_editor, static_cast<uint32_t>(id));
                if (length > most) {
                    most = length;
                    longest = id;
                }
            }
            if (longest > 0)
                FitToWindow(longest);
        }
        UpdateCommands();
        return;
    }
}

bool CVorlainDlg::OnSaveProject()
{
    const bool chosen = m_currentProjectPath.isEmpty();
    if (chosen) {
        const QString path = app::Prompts().SaveFileName(
            this, app::LanguageText("main", "00000012"), QStringLiteral("zvp"));
        if (path.isEmpty())
            return false;
        m_currentProjectPath = path;
    }
    app::EditJob job = NewJob(app::EditOp::SaveProject);
    job.path = m_currentProjectPath;
    if (!RunLongOperation(job, app::LanguageText("main", "00000013"))) {
        // A path the user just chose is forgotten; the project's own stays.
        if (chosen)
            m_currentProjectPath.clear();
        return false;
    }
    SetModified(false);
    app::AddRecent(app::kRecentProjectSection, m_currentProjectPath);
    UpdateCommands();
    BuildRecentMenu(app::kRecentProjectSection);
    return true;
}

void CVorlainDlg::OnSaveProjectAs()
{
    const QString path = app::Prompts().SaveFileName(this, app::LanguageText("main", "00000012"),
                                                     QStringLiteral("zvp"));
    if (path.isEmpty())
        return;
    app::EditJob job = NewJob(app::EditOp::SaveProjectAs);
    job.path = path;
    if (!RunLongOperation(job, app::LanguageText("main", "00000013")))
        return;
    // A copy was written; the project in use stays the one it was.
    app::AddRecent(app::kRecentProjectSection, path);
    BuildRecentMenu(app::kRecentProjectSection);
    UpdateCommands();
}

void CVorlainDlg::OnCloseProject()
{
    if (!AskAndSave(false))
        return;
    CloseSession();
    SetModified(false);
    UpdateCommands();
    UpdateLabels();
    SetPlayButtons(kNoTrack);
}

bool CVorlainDlg::AskAndSave(bool withCancel)
{
    if (!m_modified)
        return true;
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    const QMessageBox::StandardButton answer = app::Prompts().MessageBox(
        this, Caption(), app::LanguageText("main", "00000011"), QMessageBox::Question, buttons);
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes)
        return false;
    // A save that failed or was cancelled keeps the project open: closing
    // it now would throw the work away.
    return OnSaveProject();
}

void CVorlainDlg::CloseSession()
{
    // The player plays a track of this session: it goes first.
    ClosePlayer();
    if (m_editor) {
        if (m_control && m_control->IsValid())
            m_control->CloseProject();
        Kestrum_Close(m_editor);
        m_editor = nullptr;
    }
    m_currentTrack = 0;
    ClearSelection();
    m_currentProjectPath.clear();
    m_startup.projectPath.clear();
    m_recording = false;
    m_recordPaused = false;
    m_recordTrackId = 0;
}

bool CVorlainDlg::ExitFlow()
{
    if (m_longOperation)
        return false;
    if (!AskAndSave(true))
        return false;
    // A running recording ends on its own thread first, so that the window
    // keeps taking the recording's last peaks while it stops.
    if (m_recording && !IsRecordStopping())
        OnRecordStop();
    if (IsRecordStopping()) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
            if (!IsRecordStopping())
                loop.quit();
        });
        poll.start(20);
        loop.exec();
    }
    CloseSession();
    return true;
}
