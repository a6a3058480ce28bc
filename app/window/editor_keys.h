// The editor's own keys, as people know them from other audio editors:
// Space plays and pauses, Home and End scroll, Shift+Home and Shift+End
// stretch the selection, Delete deletes it, and Escape never closes the
// main window. None of them while a text field has the keyboard.
#pragma once

#include <QObject>

#include <functional>

class CCommandSet;
class QKeyEvent;
class QWidget;

class CEditorKeys : public QObject {
    Q_OBJECT
public:
    /** Watches the keys of window's widgets; extend stretches the
     *  selection to the track's start (false) or end (true). */
    CEditorKeys(QWidget* window, CCommandSet& commands, std::function<void(bool)> extend);
    ~CEditorKeys() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnKey(QKeyEvent* key);
    /** Runs a command if its action is enabled. */
    void Run(int commandId);

    QWidget* m_window;
    CCommandSet& m_commands;
    std::function<void(bool)> m_extend;
};
