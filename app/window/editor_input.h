// What the main window takes from the keyboard and the desktop besides its
// commands. The editor's own keys, as people know them from other audio
// editors: Space plays and pauses, Home and End scroll, Shift+Home and
// Shift+End stretch the selection, Delete deletes it, and Escape never
// closes the main window; none of them while a text field has the
// keyboard. And files dropped on the window.
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class CCommandSet;
class QKeyEvent;
class QWidget;

class CEditorInput : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        /** Stretches the selection to the track's start (false) or end (true). */
        std::function<void(bool)> extend;
        /** Whether files may be dropped now. */
        std::function<bool()> dropAllowed;
        /** Opens dropped files, once the drop has ended. */
        std::function<void(const QStringList&)> open;
    };

    /** Watches the keys of window's widgets and the drops on window. */
    CEditorInput(QWidget* window, CCommandSet& commands, Handlers handlers);
    ~CEditorInput() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnKey(QKeyEvent* key);
    bool OnDrop(QEvent* event);
    /** Runs a command if its action is enabled. */
    void Run(int commandId);

    QWidget* m_window;
    CCommandSet& m_commands;
    Handlers m_handlers;
};
