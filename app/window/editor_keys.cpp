#include "window/editor_keys.h"

#include "widgets/mini_timer.h"
#include "window/command_ids.h"
#include "window/command_set.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

using namespace cmd;

CEditorKeys::CEditorKeys(QWidget* window, CCommandSet& commands, std::function<void(bool)> extend)
    : QObject(window), m_window(window), m_commands(commands), m_extend(std::move(extend))
{
    qApp->installEventFilter(this);
}

CEditorKeys::~CEditorKeys()
{
    qApp->removeEventFilter(this);
}

bool CEditorKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    // The main window never closes on Escape (menus and dialogs still do).
    return key->key() == Qt::Key_Escape || OnKey(key);
}

void CEditorKeys::Run(int commandId)
{
    QAction* action = m_commands.Action(commandId);
    if (action && action->isEnabled())
        action->trigger();
}

bool CEditorKeys::OnKey(QKeyEvent* key)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && (qobject_cast<app::CMiniTimer*>(focus) || qobject_cast<QLineEdit*>(focus) ||
                  qobject_cast<QAbstractSpinBox*>(focus) || focus->inherits("QTextEdit") ||
                  focus->inherits("QPlainTextEdit")))
        return false;
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->isAutoRepeat() && key->key() != Qt::Key_Delete)
        return false;
    switch (key->key()) {
    case Qt::Key_Space:
        if (mods != Qt::NoModifier)
            return false;
        // As the Play and Pause buttons: pause while playing, else play
        // (from the selection's start, or on from a pause).
        Run(m_commands.Action(kTbPause)->isEnabled() ? kTbPause : kTbPlay);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool end = key->key() == Qt::Key_End;
        if (mods == Qt::NoModifier) {
            Run(end ? kScrollToEnd : kScrollToBegin);
            return true;
        }
        if (mods != Qt::ShiftModifier)
            return false;
        // The selection reaches to the track's start or end.
        if (m_commands.Action(end ? kSelectToEnd : kSelectToStart)->isEnabled())
            m_extend(end);
        return true;
    }
    case Qt::Key_Delete:
        if (mods != Qt::NoModifier)
            return false;
        Run(kDelete);
        return true;
    default:
        return false;
    }
}
