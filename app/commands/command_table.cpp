#include "commands/command_table.h"

#include "commands/commands.h"
#include "config/language.h"
#include "window/command_ids.h"

#include <QWidget>

using namespace cmd;

namespace app {
namespace {

using S = const CommandState&;
using C = CCommands&;

// ---- enable rules ---------------------------------------------------------

bool Always(S)
{
    return true;
}
bool IdleTrack(S s)
{
    return s.Idle() && s.currentTrack != 0;
}
bool IdleSelection(S s)
{
    return s.Idle() && s.Selection();
}
// Track commands need a track that neither plays nor records.
bool Deletable(S s)
{
    return s.currentTrack != 0 && !s.recording && s.NotPlaying();
}
bool WithAudio(S s)
{
    return Deletable(s) && !s.emptyTrack;
}
// An effect works on the selection, or on the whole track when none is
// made.
bool Effect(S s)
{
    return s.editor && s.NotPlaying() && !s.recording && s.currentTrack != 0 && !s.emptyTrack;
}
bool NotRecording(S s)
{
    return !s.recording;
}
bool RecordRuns(S s)
{
    return s.recording && !s.recordStopping;
}
// The play buttons follow the play state. Play needs a track to play, and
// nothing to record over it.
bool PlayAble(S s)
{
    const bool state = s.playState == CEditorState::kStopped ||
                       s.playState == CEditorState::kPlayable ||
                       s.playState == CEditorState::kPaused;
    return state && s.currentTrack != 0 && !s.recording && !s.busy;
}
bool Playing(S s)
{
    return s.playState == CEditorState::kPlaying;
}
bool PlayingOrPaused(S s)
{
    return s.playState == CEditorState::kPlaying || s.playState == CEditorState::kPaused;
}

// The Undo and Redo captions are the action's label and the key; with
// nothing to undo the item reads as the language file names it.
QString HistoryCaption(bool able, const QString& label, const char* key, const char* fallback,
                       const char* shortcut)
{
    if (able)
        return label + QStringLiteral("        ") + QLatin1String(shortcut);
    const QString text = LanguageText("menu", key);
    return text.isEmpty() ? QString::fromLatin1(fallback) : text;
}
QString UndoCaption(S s)
{
    return HistoryCaption(s.Idle() && s.canUndo, s.undoLabel, "01000101", "Undo", "Ctrl+Z");
}
QString RedoCaption(S s)
{
    return HistoryCaption(s.Idle() && s.canRedo, s.redoLabel, "01000102", "Redo", "Ctrl+Y");
}

constexpr ToolPlace kNoTool{};

constexpr ToolPlace Tool(Bar bar, int order, int buttonId, const char* key, bool sep = false)
{
    return {bar, order, buttonId, key, sep};
}

// ---- the table -----------------------------------------------------------

const CommandRow kRows[] = {
    // File
    {kAddFile, "01000003", "Ctrl+N", Menu::File, false, Tool(Bar::Main, 1, kAddFile, "02000001"),
     Always, [](C c, int) { c.file.AddFile(); }},
    {kOpenProject, "01000004", "Ctrl+O", Menu::File, true, kNoTool, Always,
     [](C c, int) { c.file.OpenProject(); }},
    {kSaveProject, "01000005", "Ctrl+S", Menu::File, false,
     Tool(Bar::Main, 2, kSaveProject, "02000002"), [](S s) { return s.Idle() && s.modified; },
     [](C c, int) { c.file.SaveProject(); }},
    {kSaveProjectAs, "01000006", "Ctrl+Shift+S", Menu::File, false, kNoTool,
     [](S s) { return s.Idle(); }, [](C c, int) { c.file.SaveProjectAs(); }},
    {kCloseProject, "01000007", "Ctrl+W", Menu::File, false, kNoTool,
     [](S s) { return s.Idle() && (s.modified || s.visibleTracks > 0); },
     [](C c, int) { c.file.CloseProject(); }},
    {kExit, "0100000A", "Ctrl+Q", Menu::File, true, kNoTool, Always,
     [](C c, int) { c.file.RequestExit(); }},
    // Edit
    {kUndo, "01000101", "Ctrl+Z", Menu::Edit, false, Tool(Bar::Main, 6, kTbUndo, "02000006", true),
     [](S s) { return s.Idle() && s.canUndo; }, [](C c, int) { c.edit.Undo(); }, true, UndoCaption},
    {kRedo, "01000102", "Ctrl+Y", Menu::Edit, false, Tool(Bar::Main, 7, kTbRedo, "02000007"),
     [](S s) { return s.Idle() && s.canRedo; }, [](C c, int) { c.edit.Redo(); }, true, RedoCaption},
    {kCut, "01000103", "Ctrl+X", Menu::Edit, true, Tool(Bar::Main, 3, kTbCut, "02000003", true),
     IdleSelection, [](C c, int) { c.edit.Cut(); }},
    {kCopy, "01000104", "Ctrl+C", Menu::Edit, false, Tool(Bar::Main, 4, kTbCopy, "02000004"),
     IdleSelection, [](C c, int) { c.edit.Copy(); }},
    {kCopyToNew, "01000105", nullptr, Menu::Edit, false, kNoTool, IdleSelection,
     [](C c, int) { c.edit.CopyToNew(); }},
    {kPaste, "01000106", "Ctrl+V", Menu::Edit, false, Tool(Bar::Main, 5, kTbPaste, "02000005"),
     [](S s) { return s.Idle() && s.pasteAble && s.currentTrack != 0; },
     [](C c, int) { c.edit.Paste(false); }},
    {kPasteToEnd, "01000107", nullptr, Menu::Edit, false, kNoTool,
     [](S s) { return s.Idle() && s.pasteAble && s.currentTrack != 0; },
     [](C c, int) { c.edit.Paste(true); }},
    {kTrim, "01000108", "Ctrl+T", Menu::Edit, false, kNoTool, IdleSelection,
     [](C c, int) { c.edit.Trim(); }},
    {kDelete, "01000109", "Ctrl+D", Menu::Edit, false, kNoTool, IdleSelection,
     [](C c, int) { c.edit.Delete(); }},
    {kSelectAll, "0100010A", "Ctrl+A", Menu::Edit, true, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.Select(id); }},
    {kSelectNone, "0100010B", nullptr, Menu::Edit, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.Select(id); }},
    {kSelectToStart, "0100010C", nullptr, Menu::Edit, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.Select(id); }},
    {kSelectToEnd, "0100010D", nullptr, Menu::Edit, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.Select(id); }},
    {kInsertFileBegin, "01000110", nullptr, Menu::InsertFile, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.InsertFile(id); }},
    {kInsertFileCurrent, "01000111", nullptr, Menu::InsertFile, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.InsertFile(id); }},
    {kInsertFileEnd, "01000112", nullptr, Menu::InsertFile, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.InsertFile(id); }},
    {kInsertSilenceBegin, "01000110", nullptr, Menu::InsertSilence, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.InsertSilence(id); }},
    {kInsertSilenceCurrent, "01000111", nullptr, Menu::InsertSilence, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.InsertSilence(id); }},
    {kInsertSilenceEnd, "01000112", nullptr, Menu::InsertSilence, false, kNoTool, IdleTrack,
     [](C c, int id) { c.edit.InsertSilence(id); }},
    {kMixWithCopy, "01000113", nullptr, Menu::Edit, true, kNoTool,
     [](S s) { return IdleTrack(s) && s.pasteAble && !s.blankTrack; },
     [](C c, int) { c.edit.MixWithCopy(); }},
    {kMixWithFile, "01000114", nullptr, Menu::Edit, false, kNoTool, IdleTrack,
     [](C c, int) { c.edit.MixWithFile(); }},
    {kTag, "01000115", nullptr, Menu::Edit, true, kNoTool, IdleTrack,
     [](C c, int) { c.edit.Tag(); }},
    // View
    {kZoomIn, "01000201", nullptr, Menu::View, false,
     Tool(Bar::Main, 8, kTbZoomIn, "02000008", true), IdleTrack,
     [](C c, int) { c.tracks.Zoom(true); }},
    // Zoom Out stops where the longest track fits the view.
    {kZoomOut, "01000202", nullptr, Menu::View, false, Tool(Bar::Main, 9, kTbZoomOut, "02000009"),
     [](S s) { return IdleTrack(s) && s.zoomOutAble; }, [](C c, int) { c.tracks.Zoom(false); }},
    {kZoomFit, "01000205", "Ctrl+F", Menu::View, false, kNoTool, IdleTrack,
     [](C c, int) { c.tracks.FitCurrent(); }},
    {kZoomSelection, "01000206", "Ctrl+E", Menu::View, false, kNoTool, IdleSelection,
     [](C c, int) { c.tracks.FitSelection(); }},
    {kScrollToBegin, "01000203", nullptr, Menu::View, true, kNoTool, IdleTrack,
     [](C c, int) { c.tracks.Scroll(false); }},
    {kScrollToEnd, "01000204", nullptr, Menu::View, false, kNoTool, IdleTrack,
     [](C c, int) { c.tracks.Scroll(true); }},
    // Track
    {kAddBlankTrack, "01000301", nullptr, Menu::Track, false, kNoTool, NotRecording,
     [](C c, int) { c.tracks.AddBlankTrack(); }},
    {kToMonoLeft, "01000302", nullptr, Menu::Track, true, kNoTool,
     [](S s) { return WithAudio(s) && s.channels == 2; }, [](C c, int) { c.tracks.ToMono(1); }},
    {kToMonoRight, "01000303", nullptr, Menu::Track, false, kNoTool,
     [](S s) { return WithAudio(s) && s.channels == 2; }, [](C c, int) { c.tracks.ToMono(2); }},
    {kSplit, "01000304", nullptr, Menu::Track, true, kNoTool, WithAudio,
     [](C c, int) { c.tracks.Split(); }},
    {kJoinAllTrack, "01000305", nullptr, Menu::Track, false, kNoTool,
     [](S s) { return Deletable(s) && s.visibleTracks > 1; }, [](C c, int) { c.tracks.JoinAll(); }},
    {kExportTrack, "01000306", nullptr, Menu::Track, true, kNoTool, WithAudio,
     [](C c, int) { c.tracks.Export(false); }},
    {kExportSelection, "01000307", nullptr, Menu::Track, false, kNoTool,
     [](S s) { return WithAudio(s) && s.selStart >= 0 && s.selEnd > s.selStart; },
     [](C c, int) { c.tracks.Export(true); }},
    {kDeleteTrack, "01000308", nullptr, Menu::Track, true, kNoTool, Deletable,
     [](C c, int) { c.tracks.DeleteTrack(); }},
    // Effect
    {kFadeIn, "01000401", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kFadeOut, "01000402", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kEcho, "01000403", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kAdjustVolume, "01000404", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kSilence, "01000405", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kNormalize, "01000406", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kNormalizeLoudness, "01000408", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kReverse, "01000407", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kChangeTempo, "01000409", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kChangePitch, "0100040A", nullptr, Menu::Effect, false, kNoTool, Effect,
     [](C c, int id) { c.effects.Apply(id); }},
    {kPlugins, "0100040C", nullptr, Menu::Effect, true, kNoTool, Effect,
     [](C c, int) { c.plugins.Choose(); }},
    // Record
    {kStartRecord, "01000501", nullptr, Menu::Record, false,
     Tool(Bar::Record, 1, kTbStartRecord, "0200000F", true), NotRecording,
     [](C c, int) { c.record.Start(); }},
    {kRecordPause, "01000502", nullptr, Menu::Record, false, kNoTool,
     [](S s) { return RecordRuns(s) && !s.recordPaused; }, [](C c, int) { c.record.Pause(); }},
    {kRecordContinue, "01000503", nullptr, Menu::Record, false, kNoTool,
     [](S s) { return RecordRuns(s) && s.recordPaused; }, [](C c, int) { c.record.Continue(); }},
    {kStopRecord, "01000504", nullptr, Menu::Record, false,
     Tool(Bar::Record, 2, kTbStopRecord, "02000010"), RecordRuns,
     [](C c, int) { c.record.Stop(); }},
    {kRecordOption, "01000505", nullptr, Menu::Record, true,
     Tool(Bar::Record, 3, kTbRecordOption, "02000011"), NotRecording,
     [](C c, int) { c.record.Options(); }},
    // Options, Help
    {kOptions, "01000601", nullptr, Menu::Options, false, kNoTool, Always,
     [](C c, int) { c.options.Options(); }},
    {kHelp, "01000701", nullptr, Menu::Help, false, kNoTool, Always,
     [](C c, int) { c.options.Help(); }},
    {kAbout, "01000702", nullptr, Menu::Help, true, kNoTool, Always,
     [](C c, int) { c.options.About(); }},
    // The play toolbar: buttons with no menu item, and its own scroll
    // buttons, which follow the play state rather than the View menu.
    {kTbScrollToBegin, nullptr, nullptr, Menu::None, false,
     Tool(Bar::Play, 1, kTbScrollToBegin, "0200000A", true), IdleTrack,
     [](C c, int) { c.tracks.Scroll(false); }},
    {kTbPlay, nullptr, nullptr, Menu::None, false, Tool(Bar::Play, 2, kTbPlay, "0200000B"),
     PlayAble, [](C c, int) { c.play.Play(); }},
    {kTbPause, nullptr, nullptr, Menu::None, false, Tool(Bar::Play, 3, kTbPause, "0200000C"),
     Playing, [](C c, int) { c.play.Pause(); }},
    {kTbStop, nullptr, nullptr, Menu::None, false, Tool(Bar::Play, 4, kTbStop, "0200000D"),
     PlayingOrPaused, [](C c, int) { c.play.Stop(); }},
    {kTbScrollToEnd, nullptr, nullptr, Menu::None, false,
     Tool(Bar::Play, 5, kTbScrollToEnd, "0200000E"), IdleTrack,
     [](C c, int) { c.tracks.Scroll(true); }},
};

const SubmenuRow kSubmenus[] = {
    {Menu::RecentFile, Menu::File, "01000008", "id32818", kCloseProject, true},
    {Menu::RecentProject, Menu::File, "01000009", "id32819", kCloseProject, false},
    {Menu::InsertFile, Menu::Edit, "0100010E", "insertFileMenu", kSelectToEnd, true},
    {Menu::InsertSilence, Menu::Edit, "0100010F", "insertSilenceMenu", kSelectToEnd, false},
};

const MenuRow kMenus[] = {
    {Menu::File, "01000000"},    {Menu::Edit, "01000100"},   {Menu::View, "01000200"},
    {Menu::Track, "01000300"},   {Menu::Effect, "01000400"}, {Menu::Record, "01000500"},
    {Menu::Options, "01000600"}, {Menu::Help, "01000700"},
};

const int kSelectionMenu[] = {kUndo, kRedo,         0,        kCut,    kCopy,
                              kTrim, kDelete,       0,        kFadeIn, kFadeOut,
                              kEcho, kAdjustVolume, kSilence, 0,       kExportSelection};
const int kCursorMenu[] = {kUndo,
                           kRedo,
                           0,
                           kPaste,
                           0,
                           kInsertFileCurrent,
                           kInsertSilenceCurrent,
                           0,
                           kSelectAll,
                           kSelectToStart,
                           kSelectToEnd,
                           0,
                           kSplit,
                           kExportTrack,
                           kDeleteTrack,
                           0,
                           kTag};

} // namespace

std::span<const CommandRow> CommandTable()
{
    return kRows;
}

std::span<const SubmenuRow> SubmenuTable()
{
    return kSubmenus;
}

std::span<const MenuRow> MenuTable()
{
    return kMenus;
}

const CommandRow* FindCommand(int id)
{
    for (const CommandRow& row : kRows)
        if (row.id == id)
            return &row;
    return nullptr;
}

std::span<const int> SelectionContextMenu()
{
    return kSelectionMenu;
}

std::span<const int> CursorContextMenu()
{
    return kCursorMenu;
}

} // namespace app
