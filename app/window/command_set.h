// The main window's commands: one QAction per row of the command table,
// made once and shared by the menu bar, the toolbars, the context menus and
// the keyboard. Captions come from section "menu" of the language file by
// the row's key, toolbar tooltips from section "toolbar".
#pragma once

#include "commands/command_table.h"

#include <QHash>
#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

class CCommandSet : public QObject {
    Q_OBJECT
public:
    explicit CCommandSet(QWidget* window);

    /** The action of a command id; null for an unknown id. */
    QAction* Action(int commandId) const { return m_actions.value(commandId); }

    /** Fills the menu bar with the File to Help menus. */
    void BuildMenus(QMenuBar* bar);
    /** A toolbar; extra goes at its end (the play toolbar's playing time). */
    QToolBar* BuildToolBar(app::Bar which, QWidget* parent, QWidget* extra = nullptr);
    /** The context menu over a selection or over the cursor, made anew. */
    QMenu* BuildContextMenu(bool selection, QWidget* parent);
    /** Fills a recent list's menu from its paths (empty ones skipped). */
    void BuildRecentMenu(app::Menu which, const QStringList& paths, int firstId);

    /** Sets every caption and tooltip from the language file (again). */
    void LoadTexts();
    /** Sets every command's enabled state and the captions that follow
     *  the state, from one snapshot. */
    void ApplyEnableRules(const app::CommandState& s);

    QMenu* FileMenu() const { return m_menus.value(app::Menu::File); }
    QMenu* RecentFileMenu() const { return m_menus.value(app::Menu::RecentFile); }
    QMenu* RecentProjectMenu() const { return m_menus.value(app::Menu::RecentProject); }
    QMenu* InsertFileMenu() const { return m_menus.value(app::Menu::InsertFile); }
    QMenu* InsertSilenceMenu() const { return m_menus.value(app::Menu::InsertSilence); }

    /** The command id a triggered action stands for. */
    static int IdOf(const QAction* action);

signals:
    /** Any command was chosen: a menu item, a toolbar button, a shortcut. */
    void Command(int commandId);

private:
    void FillMenu(QMenu* menu, app::Menu which);

    QWidget* m_window;
    QHash<int, QAction*> m_actions;
    QHash<app::Menu, QMenu*> m_menus;
    QList<QPair<QMenu*, QByteArray>> m_titles;
    QList<QAction*> m_contextItems; // the context menu's own items
};
