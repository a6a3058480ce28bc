#include "window/editor_input.h"

#include "widgets/mini_timer.h"
#include "window/command_ids.h"
#include "window/command_set.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

using namespace cmd;

CEditorInput::CEditorInput(QWidget* window, CCommandSet& commands, Handlers handlers)
    : QObject(window), m_window(window), m_commands(commands), m_handlers(std::move(handlers))
{
    qApp->installEventFilter(this);
}

CEditorInput::~CEditorInput()
{
    qApp->removeEventFilter(this);
}

bool CEditorInput::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop))
        return OnDrop(event);
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    // The main window never closes on Escape (menus and dialogs still do).
    return key->key() == Qt::Key_Escape || OnKey(key);
}

void CEditorInput::Run(int commandId)
{
    QAction* action = m_commands.Action(commandId);
    if (action && action->isEnabled())
        action->trigger();
}

bool CEditorInput::OnKey(QKeyEvent* key)
{
    QWidget* focus = QApplication::focusWidget();
    // A button reached by Tab takes Space and Enter itself.
    if (qobject_cast<QAbstractButton*>(focus) &&
        (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
         key->key() == Qt::Key_Enter))
        return false;
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
            m_handlers.extend(end);
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

bool CEditorInput::OnDrop(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event); // QDragEnterEvent is one
    const QList<QUrl> urls = drop->mimeData()->urls();
    if (event->type() == QEvent::DragEnter) {
        const bool files =
            !urls.isEmpty() &&
            std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
        if (files && m_handlers.dropAllowed())
            drop->acceptProposedAction();
        return true;
    }
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths << url.toLocalFile();
    drop->acceptProposedAction();
    // The drop ends first: opening runs dialogs of its own.
    QTimer::singleShot(0, this, [this, paths] { m_handlers.open(paths); });
    return true;
}
