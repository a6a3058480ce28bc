#include "commands/track_commands.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_export_options.h"
#include "dialogs/dlg_track_split.h"
#include "main/prompts.h"

#include "vorlain/kestrum.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <vector>

namespace app {
namespace {

// Writes the track [0, length) as count wave files named after the track:
// "song.mp3" splits into "song01.wav"...; a name that only starts with a
// dot keeps it.
int SplitTrack(CEditSession* editor, uint32_t track, int count, const QString& folder,
               const CJobProgress& progress)
{
    const int64_t length = Kestrum_GetTrackTime(editor, track);
    if (length < 0)
        return 0;
    char buffer[vorlain::kPathChars] = {};
    if (!Kestrum_GetTrackName(editor, track, buffer))
        return 0;
    QString name = QString::fromUtf8(buffer);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    // A split that fails or is stopped part way leaves the folder as it
    // was: the parts written go, and files they replaced come back.
    struct Written {
        QString file;
        bool existed = false;
        QString kept; // the file it replaced, set aside; empty when it could not be
    };
    std::vector<Written> written;
    auto undo = [&written] {
        for (auto it = written.rbegin(); it != written.rend(); ++it) {
            if (!it->existed) {
                QFile::remove(it->file);
            } else if (!it->kept.isEmpty()) {
                QFile::remove(it->file);
                QFile::rename(it->kept, it->file);
            }
        }
    };
    for (int i = 0; i < count; ++i) {
        progress.SetPart(i);
        const int64_t from = i * length / count;
        const int64_t to = (i + 1) * length / count;
        const QString file = QDir(folder).filePath(
            QStringLiteral("%1%2.wav").arg(name).arg(i + 1, 2, 10, QLatin1Char('0')));
        Written part{file, QFileInfo::exists(file), {}};
        if (part.existed && QFileInfo(file).isFile()) {
            part.kept = QDir(folder).filePath(QStringLiteral(".vorlain-kept-%1-%2")
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(QFileInfo(file).fileName()));
            if (!QFile::rename(file, part.kept))
                part.kept.clear();
        }
        const bool ok = Kestrum_SaveTrackToFile(editor, track, from, to, file.toUtf8().constData());
        written.push_back(part);
        if (!ok) {
            undo();
            return 0;
        }
    }
    for (const Written& part : written)
        if (!part.kept.isEmpty())
            QFile::remove(part.kept);
    return 1;
}

} // namespace

void CTrackCommands::AddBlankTrack()
{
    if (!m_c.state.EnsureEditor())
        return;
    CTrack* track = Kestrum_AddTrack(m_c.Editor(), nullptr);
    if (!track)
        return;
    m_c.view.AddTrack(track);
    m_c.view.Widget()->show();
    m_c.state.Edited();
    m_c.CheckPlayback();
}

void CTrackCommands::DeleteTrack(int trackId)
{
    CEditorState& s = m_c.state;
    const bool requested = trackId != 0;
    const int id = requested ? trackId : s.CurrentTrack();
    if (!Kestrum_DeleteTrack(s.Editor(), static_cast<uint32_t>(id))) {
        m_c.ShowKernelFailure();
        return;
    }
    m_c.view.EnableTrack(id, false);
    if (id == s.CurrentTrack()) {
        s.ClearSelection();
        s.SetCurrentTrack(0);
    }
    s.Edited();
    m_c.CheckPlayback();
}

void CTrackCommands::ToMono(int channel)
{
    CTrack* track = nullptr;
    if (!m_c.RunLong(
            [editor = m_c.Editor(), id = m_c.Track(), channel, &track](const CJobProgress&) {
                track = Kestrum_ExtractTrack(editor, id, static_cast<uint32_t>(channel));
                return track ? 1 : 0;
            },
            {LanguageText("main", "0000001A")}))
        return;
    m_c.view.AddTrack(track);
    m_c.state.Edited();
    m_c.CheckPlayback();
}

void CTrackCommands::Split()
{
    CDlgTrackSplit dialog(m_c.window);
    if (dialog.exec() == QDialog::Rejected)
        return;
    const int count = Values().splitCount;
    const QString folder = Values().splitFolder;
    if (m_c.RunLong(
            [editor = m_c.Editor(), track = m_c.Track(), count,
             folder](const CJobProgress& progress) {
                return SplitTrack(editor, track, count, folder, progress);
            },
            {}, count, {QDir(folder).filePath(QStringLiteral("part.wav")), true}) &&
        count > 0 && m_c.notice)
        m_c.notice(
            LanguageText("main", "00000041").arg(count).arg(QDir::toNativeSeparators(folder)),
            folder);
}

void CTrackCommands::JoinAll()
{
    const QString path = ChooseFileToSave(m_c.window, kExportFiles,
                                          LanguageText("main", "0000000C"), QStringLiteral("wav"));
    if (path.isEmpty())
        return;
    // Every row the control shows, in row order. All of them: a join that
    // silently left out tracks past the hundredth would lose their audio.
    std::vector<uint32_t> ids;
    QList<int> rates; // the tracks' rates, the first track's first
    for (int id : m_c.view.VisibleTracks()) {
        ids.push_back(static_cast<uint32_t>(id));
        TrackBaseInfo info{};
        if (Kestrum_GetTrackBaseInfo(m_c.Editor(), static_cast<uint32_t>(id), &info) &&
            !info.blank && !rates.contains(static_cast<int>(info.sampleRate)))
            rates << static_cast<int>(info.sampleRate);
    }
    // Tracks of several rates meet in one file: the user picks its rate.
    int rate = 0;
    if (rates.size() > 1) {
        const std::optional<int> picked = Prompts().JoinRate(m_c.window, rates);
        if (!picked)
            return;
        rate = *picked;
    }
    if (m_c.RunLong(
            [editor = m_c.Editor(), ids, rate, file = path.toUtf8()](const CJobProgress&) {
                return ids.empty()
                           ? 0
                           : Kestrum_JoinTrackAtRate(editor, static_cast<uint32_t>(ids.size()),
                                                     ids.data(), file.constData(), rate);
            },
            {}, 0, {path, true}) &&
        m_c.notice)
        m_c.notice(LanguageText("main", "00000042")
                       .arg(QFileInfo(path).fileName(),
                            QDir::toNativeSeparators(QFileInfo(path).absolutePath())),
                   QFileInfo(path).absolutePath());
}

void CTrackCommands::Export(bool selection)
{
    const QString path = ChooseFileToSave(m_c.window, kExportFiles,
                                          LanguageText("main", "0000000C"), QStringLiteral("wav"));
    if (path.isEmpty())
        return;
    // The format's choices, asked after the file (the format is its
    // extension) and handed to the kernel for this export.
    const QString format = QFileInfo(path).suffix().toLower();
    if (CDlgExportOptions::HasChoices(format)) {
        TrackBaseInfo info{};
        Kestrum_GetTrackBaseInfo(m_c.Editor(), m_c.Track(), &info);
        const std::optional<QString> options =
            Prompts().ExportOptions(m_c.window, format, info.sampleRate);
        if (!options)
            return;
        if (!Kestrum_SetExportOptions(m_c.Editor(), options->toUtf8().constData())) {
            m_c.ShowKernelFailure();
            return;
        }
    }
    const int64_t from = selection ? m_c.state.SelectionStart() : 0;
    const int64_t to = selection ? m_c.state.SelectionEnd() : 0;
    // A wave is written in one pass; any other format is converted after.
    QStringList phases{LanguageText("main", "0000000D")};
    if (QFileInfo(path).suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) != 0)
        phases << LanguageText("main", "0000000E");
    if (m_c.RunLong(
            [editor = m_c.Editor(), track = m_c.Track(), from, to,
             file = path.toUtf8()](const CJobProgress&) {
                return Kestrum_SaveTrackToFile(editor, track, from, to, file.constData());
            },
            phases, 0, {path, true}) &&
        m_c.notice)
        m_c.notice(LanguageText("main", "00000040")
                       .arg(QFileInfo(path).fileName(),
                            QDir::toNativeSeparators(QFileInfo(path).absolutePath())),
                   QFileInfo(path).absolutePath());
}

void CTrackCommands::Zoom(bool in)
{
    if (in)
        m_c.view.ZoomIn();
    else
        m_c.view.ZoomOut();
    m_c.state.Invalidate(); // Zoom Out follows the zoom
}

void CTrackCommands::FitToWindow(int trackId)
{
    // Out until the whole track shows, then in while it still does: each
    // step doubles or halves the time a column spans. The control stops at
    // its coarsest and finest factors.
    CBrimsel& view = m_c.view;
    for (int step = 0; step < 32 && view.IsScrollable(trackId); ++step) {
        const int before = view.GetZoomfactor();
        view.ZoomOut();
        if (view.GetZoomfactor() == before)
            break;
    }
    for (int step = 0; step < 32 && !view.IsScrollable(trackId); ++step)
        if (!view.ZoomIn())
            break;
    if (view.IsScrollable(trackId))
        view.ZoomOut();
    view.ScrollH(0);
}

void CTrackCommands::FitCurrent()
{
    FitToWindow(m_c.state.CurrentTrack());
    m_c.state.Invalidate(); // Zoom Out follows the zoom
}

void CTrackCommands::FitSelection()
{
    CBrimsel& view = m_c.view;
    const int64_t length = m_c.state.SelectionEnd() - m_c.state.SelectionStart();
    // Each step halves or doubles the span: in while half of it still
    // holds the selection, out while the whole does not.
    for (int step = 0; step < 32 && view.ViewSpan() / 2 >= length; ++step)
        if (!view.ZoomIn())
            break;
    for (int step = 0; step < 32 && view.ViewSpan() < length; ++step)
        if (!view.ZoomOut())
            break;
    view.ScrollH(m_c.state.SelectionStart());
    m_c.state.Invalidate(); // Zoom Out follows the zoom
}

void CTrackCommands::Scroll(bool toEnd)
{
    m_c.view.ScrollH(toEnd ? m_c.state.TrackLength() : 0);
}

} // namespace app
