#include "commands/file_commands.h"

#include "commands/play_commands.h"
#include "commands/record_commands.h"
#include "commands/track_commands.h"
#include "config/app_config.h"
#include "config/language.h"
#include "config/recent_files.h"
#include "longops/dlg_import_file.h"
#include "main/prompts.h"
#include "state/project_preload.h"

#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"

#include <QFileInfo>
#include <QWidget>

namespace app {

void CFileCommands::AddFile()
{
    // Several files may be chosen at once; each becomes a track, in order.
    const QStringList paths =
        ChooseFilesToOpen(m_c.window, kAudioFiles, LanguageText("main", "00000005"));
    for (const QString& path : paths)
        AddFile(path);
}

void CFileCommands::AddFile(const QString& path)
{
    CEditorState& s = m_c.state;
    if (!s.EnsureEditor()) {
        m_c.ShowKernelFailure();
        return;
    }
    s.SetBusy(true);
    const intptr_t result = ImportWithDialog(s.Editor(), path, m_c.window);
    s.SetBusy(false);
    if (result > 0) {
        m_c.view.AddTrack(reinterpret_cast<CTrack*>(result));
        // The first file opens fitted to the window.
        const QList<int> rows = m_c.view.VisibleTracks();
        if (rows.size() == 1)
            m_tracks.FitToWindow(rows.first());
        s.Edited();
        m_c.CheckPlayback();
        AddRecent(kRecentFileSection, path);
        m_c.recentChanged(kRecentFileSection);
        // A file dropped or named on the command line counts as chosen: the
        // next audio dialog starts beside it.
        RememberFolder(kAudioFiles, QFileInfo(path).absolutePath());
    } else if (result == 0) {
        VorlainOutputDebugString("Failed! ErrorCode=0x%.8x", Kestrum_GetLastError());
        m_c.ShowKernelFailure({path});
    }
}

void CFileCommands::OpenPaths(const QStringList& paths)
{
    if (m_c.state.IsBusy() || m_c.state.IsRecording())
        return;
    auto project = [](const QString& path) {
        return path.endsWith(QLatin1String(".zvp"), Qt::CaseInsensitive);
    };
    const auto first = std::find_if(paths.begin(), paths.end(), project);
    if (first != paths.end())
        OpenProjectAfterAsking(*first);
    for (const QString& path : paths)
        if (!project(path))
            AddFile(path);
}

void CFileCommands::OpenRecent(const char* section, int n)
{
    const QStringList paths = RecentSlots(section);
    const QString path = n >= 0 && n < paths.size() ? paths.at(n) : QString();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        ClearRecent(section, n);
        m_c.recentChanged(section);
        return;
    }
    if (qstrcmp(section, kRecentFileSection) == 0)
        AddFile(path);
    else
        OpenProjectAfterAsking(path);
}

void CFileCommands::OpenProject()
{
    if (m_c.Editor() && !AskAndSave())
        return;
    // The file first: cancelling the dialog leaves the open project as it is.
    const QString path =
        ChooseFileToOpen(m_c.window, kProjectFiles, LanguageText("main", "00000012"));
    if (path.isEmpty())
        return;
    SwitchProject(path);
}

void CFileCommands::OpenProjectAfterAsking(const QString& path)
{
    if (m_c.Editor() && !AskAndSave())
        return;
    SwitchProject(path);
}

void CFileCommands::SwitchProject(const QString& path)
{
    // The project in use goes first (one session holds one project); when
    // the new one cannot be opened, the one in use comes back as saved.
    const QString previous = m_c.state.ProjectPath();
    CloseSession();
    m_c.state.SetPlayState(CEditorState::kNoTrack);
    if (!OpenProjectPath(path) && !previous.isEmpty() && previous != path)
        OpenProjectPath(previous);
}

bool CFileCommands::OpenDocument(const QString& path, const QString& hint,
                                 std::shared_ptr<CProjectPreload> preload)
{
    CEditorState& s = m_c.state;
    // A read of this very project, started with the program, gives its
    // session; any other is of no use (its session closes with it).
    if (preload && !s.Editor() && preload->Project() == path && preload->TempPath() == s.TempPath())
        s.AdoptEditor(preload->TakeSession());
    else
        preload.reset();
    if (!s.EnsureEditor()) {
        m_c.ShowKernelFailure();
        return false;
    }
    // The tracks reach the view through the window as they are read.
    const HWND window = m_c.messages;
    const bool ok = m_c.RunLong(
        [editor = s.Editor(), file = path.toUtf8(), window, preload](const CJobProgress& progress) {
            // A failed read is made again, to report why as any open does.
            const bool read = preload && preload->Wait();
            if (!read && !Kestrum_OpenProject(editor, file.constData())) {
                VorlainOutputDebugString("Kestrum_OpenProject failed: ErrorCode=0x%.8x",
                                         Kestrum_GetLastError());
                return 0;
            }
            CTrack* track = nullptr;
            int count = 0;
            while (Kestrum_GetTrackList(editor, &track))
                ++count;
            progress.Post(1);
            int k = 0;
            while (Kestrum_GetTrackList(editor, &track)) {
                SendMessage(window, vorlain::WM_ADD_TRACK_VIEW, reinterpret_cast<WPARAM>(track), 0);
                ++k;
                const auto percent = static_cast<unsigned>(k * 100 / count);
                progress.Post(percent);
                progress.Post(percent + 1);
            }
            progress.Post(100);
            return 1;
        },
        {hint}, 0, {path});
    if (!ok)
        s.CloseEditor();
    return ok;
}

bool CFileCommands::OpenProjectPath(const QString& path, std::shared_ptr<CProjectPreload> preload)
{
    CEditorState& s = m_c.state;
    s.SetProjectPath(path);
    if (!OpenDocument(path, LanguageText("main", "00000014"), std::move(preload))) {
        s.SetProjectPath(QString());
        return false;
    }
    s.SetModified(false);
    s.SetPlayState(CEditorState::kStopped);
    FitLongestTrack();
    RememberFolder(kProjectFiles, QFileInfo(path).absolutePath());
    AddRecent(kRecentProjectSection, path);
    m_c.recentChanged(kRecentProjectSection);
    return true;
}

void CFileCommands::FitLongestTrack()
{
    // Like a first file, an opened project shows fitted to the view: its
    // longest track whole, at every length.
    int longest = 0;
    int64_t most = -1;
    for (int id : m_c.view.VisibleTracks()) {
        const int64_t length = Kestrum_GetTrackTime(m_c.Editor(), static_cast<uint32_t>(id));
        if (length > most) {
            most = length;
            longest = id;
        }
    }
    if (longest > 0)
        m_tracks.FitToWindow(longest);
    m_c.state.Invalidate(); // Zoom Out follows the zoom
}

void CFileCommands::OfferRecovery()
{
    const QByteArray base = m_c.state.TempPath().toUtf8();
    char document[260] = {};
    while (Kestrum_FindRecovery(base.isEmpty() ? nullptr : base.constData(), document)) {
        const QMessageBox::StandardButton answer =
            Prompts().MessageBox(m_c.window, m_c.Caption(), LanguageText("main", "0000001E"),
                                 QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            if (!Kestrum_DiscardRecovery(document))
                return; // another instance took it meanwhile
            continue;
        }
        // The Open Project flow; the work was never saved as it is, so it
        // counts as changed.
        if (!OpenDocument(QString::fromUtf8(document), LanguageText("main", "0000001F")))
            return;
        // The work of a saved project comes back as that project, changed:
        // Save writes it back there.
        CEditorState& s = m_c.state;
        char project[vorlain::kPathChars] = {};
        s.SetProjectPath(Kestrum_GetProjectPath(s.Editor(), project) ? QString::fromUtf8(project)
                                                                     : QString());
        s.Edited();
        s.SetPlayState(CEditorState::kStopped);
        FitLongestTrack();
        return;
    }
}

bool CFileCommands::SaveProject()
{
    CEditorState& s = m_c.state;
    QString path = s.ProjectPath();
    if (path.isEmpty()) {
        // A path chosen now is the project's only once the save has worked.
        path = ChooseFileToSave(m_c.window, kProjectFiles, LanguageText("main", "00000012"),
                                QStringLiteral("zvp"));
        if (path.isEmpty())
            return false;
    }
    if (!m_c.RunLong(
            [editor = s.Editor(), file = path.toUtf8()](const CJobProgress&) {
                return Kestrum_SaveProject(editor, file.constData(), 1);
            },
            {LanguageText("main", "00000013")}, 0, {path, true}))
        return false;
    s.SetProjectPath(path);
    s.SetModified(false);
    AddRecent(kRecentProjectSection, path);
    m_c.recentChanged(kRecentProjectSection);
    return true;
}

void CFileCommands::SaveProjectAs()
{
    const QString path = ChooseFileToSave(m_c.window, kProjectFiles,
                                          LanguageText("main", "00000012"), QStringLiteral("zvp"));
    if (path.isEmpty())
        return;
    if (!m_c.RunLong(
            [editor = m_c.Editor(), file = path.toUtf8()](const CJobProgress&) {
                return Kestrum_SaveProject(editor, file.constData(), 1);
            },
            {LanguageText("main", "00000013")}, 0, {path, true}))
        return;
    // A copy was written; the project in use stays the one it was.
    AddRecent(kRecentProjectSection, path);
    m_c.recentChanged(kRecentProjectSection);
    m_c.state.Invalidate();
}

void CFileCommands::CloseProject()
{
    if (!AskAndSave())
        return;
    CloseSession();
    m_c.state.SetModified(false);
    m_c.state.SetPlayState(CEditorState::kNoTrack);
}

bool CFileCommands::AskAndSave()
{
    if (!m_c.state.IsModified())
        return true;
    const QMessageBox::StandardButton answer = Prompts().MessageBox(
        m_c.window, m_c.Caption(), LanguageText("main", "00000011"), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes)
        return false;
    // A save that failed or was cancelled keeps the project open: closing
    // it now would throw the work away.
    return SaveProject();
}

void CFileCommands::CloseSession()
{
    CEditorState& s = m_c.state;
    CEditorState::Batch batch(s);
    // The player plays a track of this session: it goes first.
    if (m_c.play)
        m_c.play->ClosePlayer();
    if (s.Editor()) {
        if (m_c.view.IsValid())
            m_c.view.CloseProject();
        s.CloseEditor();
    }
    s.SetCurrentTrack(0);
    s.ClearSelection();
    s.SetProjectPath(QString());
    s.SetRecording(false, 0);
}

bool CFileCommands::Exit()
{
    if (m_c.state.IsBusy())
        return false;
    if (!AskAndSave())
        return false;
    // A running recording ends on its own thread first, so that the window
    // keeps taking the recording's last peaks while it stops.
    m_record.StopAndWait();
    CloseSession();
    return true;
}

void CFileCommands::RequestExit()
{
    m_c.window->close();
}

} // namespace app
