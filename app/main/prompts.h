// Everything the program asks the user outside its own windows, or hands to
// the desktop, goes through this one seam: message boxes, file dialogs, the
// folder browser, and opening a folder or a web page. Tests install their
// own answers, so no test waits on a modal box or starts a file manager.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

class QWidget;

namespace app {

class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;

    /** A message box; returns the button chosen (the escape button when
     *  the box is closed). An empty caption leaves the title bar empty. */
    virtual QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& caption,
                                                   const QString& text, QMessageBox::Icon icon,
                                                   QMessageBox::StandardButtons buttons) = 0;
    /** A file to open, or empty when cancelled. filter is a Qt name filter
     *  ("Audio files (*.wav *.mp3);;All files (*)"). */
    virtual QString OpenFileName(QWidget* parent, const QString& filter) = 0;
    /** Files to open, in the order chosen; empty when cancelled. */
    virtual QStringList OpenFileNames(QWidget* parent, const QString& filter) = 0;
    /** A file to write, or empty when cancelled; defaultSuffix ("wav",
     *  "zvp") is appended when the name typed has none. Asks before an
     *  existing file is replaced. */
    virtual QString SaveFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix) = 0;
    /** A folder, or empty when cancelled. */
    virtual QString BrowseFolder(QWidget* parent, const QString& title) = 0;
    /** Opens a folder in the file manager or a page in the web browser. */
    virtual bool OpenExternal(const QUrl& url) = 0;
};

/** The prompts in use: the desktop's unless a test installed its own. */
IUserPrompts& Prompts();
/** Installs prompts (not owned); null goes back to the desktop's. */
void SetPrompts(IUserPrompts* prompts);

/** A message box with the program's usual look: OK only. */
inline void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                        QMessageBox::Icon icon)
{
    Prompts().MessageBox(parent, caption, text, icon, QMessageBox::Ok);
}

} // namespace app
