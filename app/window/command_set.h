// The main window's commands: one QAction per command id, made once and
// shared by the menu bar, the toolbars, the context menu and the keyboard.
// Captions come from section "menu" of the language file by key, toolbar
// tooltips from section "toolbar".
#pragma once

#include <QHash>
#include <QList>
#include <QObject>

#include <span>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

class CCommandSet : public QObject {
    Q_OBJECT
public:
    /** One toolbar button and the key of its tooltip; id 0 is a separator. */
    struct ToolButton {
        int toolbarId;
        int commandId;
        const char* tooltipKey;
    };

    explicit CCommandSet(QWidget* window);

    /** The action of a menu or toolbar command id; null for an unknown id. */
    QAction* Action(int commandId) const { return m_actions.value(commandId); }
    const QHash<int, QAction*>& Actions() const { return m_actions; }

    /** Fills the menu bar with the File to Help menus. */
    void BuildMenus(QMenuBar* bar);
    /** The three toolbars: main, play and record. */
    QToolBar* BuildMainToolBar(QWidget* parent);
    QToolBar* BuildPlayToolBar(QWidget* parent, QWidget* playingTime);
    QToolBar* BuildRecordToolBar(QWidget* parent);

    /** Sets every caption and tooltip from the language file (again). */
    void LoadTexts();

    QMenu* FileMenu() const { return m_fileMenu; }
    QMenu* RecentFileMenu() const { return m_recentFile; }
    QMenu* RecentProjectMenu() const { return m_recentProject; }
    QMenu* InsertFileMenu() const { return m_insertFile; }
    QMenu* InsertSilenceMenu() const { return m_insertSilence; }
    /** The File menu's actions that stand for the two recent submenus. */
    QAction* RecentFileItem() const;
    QAction* RecentProjectItem() const;

    /** The command id a triggered action stands for. */
    static int IdOf(const QAction* action);

signals:
    /** Any command was chosen: a menu item, a toolbar button, a shortcut. */
    void Command(int commandId);

private:
    QAction* Make(int id, const char* key, const QString& shortcut = QString());
    QAction* MakeToolOnly(int id);
    void AddToolButton(QToolBar* bar, int toolbarId, int commandId);
    QToolBar* BuildToolBar(QWidget* parent, const QString& name,
                           std::span<const ToolButton> buttons);

    QWidget* m_window;
    QHash<int, QAction*> m_actions;
    QHash<QAction*, QByteArray> m_captionKeys;
    QList<QPair<QMenu*, QByteArray>> m_popups;
    QHash<int, QByteArray> m_tooltipKeys;  // toolbar id -> key of section "toolbar"
    QHash<int, QAction*> m_toolbarActions; // toolbar id -> action its button shows
    QMenu* m_fileMenu = nullptr;
    QMenu* m_recentFile = nullptr;
    QMenu* m_recentProject = nullptr;
    QMenu* m_insertFile = nullptr;
    QMenu* m_insertSilence = nullptr;
};
