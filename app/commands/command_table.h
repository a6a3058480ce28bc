// The program's commands, one row each: its id, its caption in the
// language file, its shortcut, its place in the menus and on the toolbars,
// the rule that enables it and the handler that runs it. The command set
// builds the menus, toolbars and shortcuts from these rows, and applies the
// rules to one snapshot of the state.
#pragma once

#include "state/command_state.h"

#include <QString>

#include <span>

namespace app {

struct CCommands;

/** The menus, in menu bar order, and the submenus. */
enum class Menu {
    None,
    File,
    RecentFile,
    RecentProject,
    Edit,
    InsertFile,
    InsertSilence,
    View,
    Track,
    Effect,
    Record,
    Options,
    Help
};
/** The toolbars, in order. */
enum class Bar { None, Main, Play, Record };

struct ToolPlace {
    Bar bar = Bar::None;
    int order = 0;                    // left to right
    int buttonId = 0;                 // the button's own id
    const char* tooltipKey = nullptr; // section "toolbar"
    bool separatorBefore = false;
};

struct CommandRow {
    int id;
    const char* captionKey; // section "menu"; null for a toolbar-only command
    const char* shortcut;   // "Ctrl+X"; null for none
    Menu menu;              // rows of one menu come in its order
    bool separatorBefore;   // in its menu
    ToolPlace tool;
    bool (*enabled)(const CommandState& s);
    void (*run)(CCommands& commands, int id);
    /** The caption names the shortcut itself ("Undo (Cut)        Ctrl+Z"):
     *  the key works through the action without the menu showing it twice. */
    bool keyInCaption = false;
    /** A caption that follows the state; null keeps the language file's. */
    QString (*caption)(const CommandState& s) = nullptr;
};

/** A submenu: where it sits in its parent and its title's key. */
struct SubmenuRow {
    Menu menu;
    Menu parent;
    const char* titleKey;
    const char* objectName;
    int afterId; // the row of the parent it follows
    bool separatorBefore;
};

/** The menu bar's menus in order, with their titles' keys. */
struct MenuRow {
    Menu menu;
    const char* titleKey;
};

std::span<const CommandRow> CommandTable();
std::span<const SubmenuRow> SubmenuTable();
std::span<const MenuRow> MenuTable();
/** The row of a command id; null for an unknown id. */
const CommandRow* FindCommand(int id);

/** The context menu over a selection and over a cursor: command ids in
 *  order, 0 for a separator. */
std::span<const int> SelectionContextMenu();
std::span<const int> CursorContextMenu();

} // namespace app
