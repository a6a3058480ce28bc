#include "window/command_set.h"

#include "config/language.h"
#include "widgets/tool_icons.h"
#include "window/command_ids.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <vector>

using namespace cmd;
using app::Bar;
using app::CommandRow;
using app::Menu;

CCommandSet::CCommandSet(QWidget* window) : QObject(window), m_window(window)
{
    for (const CommandRow& row : app::CommandTable()) {
        auto* action = new QAction(m_window);
        const int id = row.id;
        action->setData(id);
        action->setObjectName(QStringLiteral("id%1").arg(id));
        if (row.shortcut && row.keyInCaption) {
            // The caption shows the key already; the key still goes through
            // the action, and so only while it is enabled.
            auto* key = new QShortcut(QKeySequence(QString::fromLatin1(row.shortcut)), m_window);
            connect(key, &QShortcut::activated, action, &QAction::trigger);
        } else if (row.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        m_window->addAction(action); // shortcuts work without the menu being open
        m_actions.insert(id, action);
        connect(action, &QAction::triggered, this, [this, id] { emit Command(id); });
    }
}

int CCommandSet::IdOf(const QAction* action)
{
    return action ? action->data().toInt() : 0;
}

void CCommandSet::FillMenu(QMenu* menu, Menu which)
{
    for (const CommandRow& row : app::CommandTable()) {
        if (row.menu != which)
            continue;
        if (row.separatorBefore)
            menu->addSeparator();
        menu->addAction(m_actions.value(row.id));
        for (const app::SubmenuRow& sub : app::SubmenuTable()) {
            if (sub.parent != which || sub.afterId != row.id)
                continue;
            if (sub.separatorBefore)
                menu->addSeparator();
            auto* popup = new QMenu(menu);
            popup->setObjectName(QString::fromLatin1(sub.objectName));
            menu->addMenu(popup);
            m_menus.insert(sub.menu, popup);
            m_titles.append({popup, sub.titleKey});
            FillMenu(popup, sub.menu);
        }
    }
}

void CCommandSet::BuildMenus(QMenuBar* bar)
{
    for (const app::MenuRow& top : app::MenuTable()) {
        QMenu* menu = bar->addMenu(QString());
        m_menus.insert(top.menu, menu);
        m_titles.append({menu, top.titleKey});
        FillMenu(menu, top.menu);
    }
    RecentFileMenu()->menuAction()->setData(kRecentFile);
    RecentProjectMenu()->menuAction()->setData(kRecentProject);
}

QToolBar* CCommandSet::BuildToolBar(Bar which, QWidget* parent, QWidget* extra)
{
    static const char* const kNames[] = {"", "mainToolBar", "playToolBar", "recordToolBar"};
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QString::fromLatin1(kNames[static_cast<int>(which)]));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    std::vector<const CommandRow*> rows;
    for (const CommandRow& row : app::CommandTable())
        if (row.tool.bar == which)
            rows.push_back(&row);
    std::sort(rows.begin(), rows.end(), [](const CommandRow* a, const CommandRow* b) {
        return a->tool.order < b->tool.order;
    });
    for (const CommandRow* row : rows) {
        if (row->tool.separatorBefore)
            bar->addSeparator();
        QAction* action = m_actions.value(row->id);
        action->setIcon(app::ToolIcon(row->tool.buttonId));
        bar->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
            button->setObjectName(QStringLiteral("id%1").arg(row->tool.buttonId));
            button->setProperty("commandId", row->id);
            button->setAutoRaise(true);
            // Tab reaches the toolbars too; a click leaves the focus where it is.
            button->setFocusPolicy(Qt::TabFocus);
        }
    }
    bar->addSeparator();
    if (extra)
        bar->addWidget(extra);
    return bar;
}

QMenu* CCommandSet::BuildContextMenu(bool selection, QWidget* parent)
{
    qDeleteAll(m_contextItems);
    m_contextItems.clear();
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("contextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto own = [this, menu](const QString& text, int id, bool enabled) {
        auto* item = new QAction(text, m_window);
        item->setData(id);
        item->setEnabled(enabled);
        m_contextItems << item;
        menu->addAction(item);
        return item;
    };
    for (int id : selection ? app::SelectionContextMenu() : app::CursorContextMenu()) {
        QAction* shared = m_actions.value(id);
        if (id == 0) {
            menu->addSeparator();
        } else if ((id == kUndo || id == kRedo) && !shared->isEnabled()) {
            // Undo and Redo: the Edit menu's caption, or a disabled plain text.
            const bool undo = id == kUndo;
            own(selection ? app::LanguageText("toolbar", undo ? "02000006" : "02000007")
                          : app::LanguageText("menu", undo ? "01000101" : "01000102"),
                id, false);
        } else if (id == kInsertFileCurrent || id == kInsertSilenceCurrent) {
            // The two insert popups, as single items that insert at the cursor.
            QAction* item =
                own(app::LanguageText("menu", id == kInsertFileCurrent ? "0100010E" : "0100010F"),
                    id, shared->isEnabled());
            connect(item, &QAction::triggered, this, [this, id] { emit Command(id); });
        } else {
            menu->addAction(shared);
        }
    }
    return menu;
}

void CCommandSet::BuildRecentMenu(Menu which, const QStringList& paths, int firstId)
{
    QMenu* menu = m_menus.value(which);
    menu->clear();
    for (int n = 0; n < paths.size(); ++n) {
        if (paths.at(n).isEmpty())
            continue;
        QAction* item = menu->addAction(paths.at(n));
        item->setData(firstId + n);
        item->setObjectName(QStringLiteral("id%1").arg(firstId + n));
    }
    menu->menuAction()->setEnabled(!menu->isEmpty());
}

void CCommandSet::LoadTexts()
{
    for (const CommandRow& row : app::CommandTable()) {
        QAction* action = m_actions.value(row.id);
        if (row.captionKey)
            action->setText(app::LanguageText("menu", row.captionKey));
        // Toolbar tooltips live on the shared actions: menus do not show them.
        if (row.tool.tooltipKey)
            action->setToolTip(app::LanguageText("toolbar", row.tool.tooltipKey));
    }
    for (const auto& [menu, key] : m_titles)
        menu->setTitle(app::LanguageText("menu", key.constData()));
}

void CCommandSet::ApplyEnableRules(const app::CommandState& s)
{
    for (const CommandRow& row : app::CommandTable()) {
        QAction* action = m_actions.value(row.id);
        action->setEnabled(row.enabled(s));
        if (row.caption)
            action->setText(row.caption(s));
    }
    // A submenu of commands is open while any of them is.
    for (Menu popup : {Menu::InsertFile, Menu::InsertSilence}) {
        QMenu* menu = m_menus.value(popup);
        if (!menu)
            continue;
        const QList<QAction*> items = menu->actions();
        menu->menuAction()->setEnabled(
            std::any_of(items.begin(), items.end(), [](QAction* a) { return a->isEnabled(); }));
    }
    // The context menu's popup items follow the items they stand for.
    for (QAction* item : m_contextItems) {
        const int id = item->data().toInt();
        if (id != kUndo && id != kRedo)
            item->setEnabled(Action(id)->isEnabled());
    }
}
