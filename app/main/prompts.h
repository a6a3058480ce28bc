// Everything the program asks the user outside its own windows, or hands to
// the desktop, goes through this one seam: message boxes, file dialogs, the
// folder browser, and opening a folder or a web page. Tests install their
// own answers, so no test waits on a modal box or starts a file manager.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>

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
     *  ("Audio files (*.wav *.mp3);;All files (*)"); the dialog starts in
     *  folder. */
    virtual QString OpenFileName(QWidget* parent, const QString& filter, const QString& folder) = 0;
    /** Files to open, in the order chosen; empty when cancelled. */
    virtual QStringList OpenFileNames(QWidget* parent, const QString& filter,
                                      const QString& folder) = 0;
    /** A file to write, or empty when cancelled; defaultSuffix ("wav",
     *  "zvp") is appended when the name typed has none. Asks before an
     *  existing file is replaced. */
    virtual QString SaveFileName(QWidget* parent, const QString& filter,
                                 const QString& defaultSuffix, const QString& folder) = 0;
    /** A folder, or empty when cancelled; the browser starts in folder. */
    virtual QString BrowseFolder(QWidget* parent, const QString& title, const QString& folder) = 0;
    /** The export choices of a format ("bits=24;level=8"), asked in the
     *  export options dialog; nothing when cancelled. */
    virtual std::optional<QString> ExportOptions(QWidget* parent, const QString& format,
                                                 uint32_t trackRate) = 0;
    /** The rate a join of tracks of several rates is written at, picked
     *  from rates (the first track's first); nothing when cancelled. */
    virtual std::optional<int> JoinRate(QWidget* parent, const QList<int>& rates) = 0;
    /** Opens a folder in the file manager or a page in the web browser. */
    virtual bool OpenExternal(const QUrl& url) = 0;
};

/** The prompts in use: the desktop's unless a test installed its own. */
IUserPrompts& Prompts();
/** Installs prompts (not owned); null goes back to the desktop's. */
void SetPrompts(IUserPrompts* prompts);

/** A message box with the program's usual look: OK only; an empty caption
 *  gives the program's name. */
void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                 QMessageBox::Icon icon);

/** The kinds of file whose dialogs each remember their own last folder. */
inline constexpr const char* kAudioFiles = "Audio";     // Add File, Insert File, Mix
inline constexpr const char* kProjectFiles = "Project"; // open and save projects
inline constexpr const char* kExportFiles = "Export";   // export, join
inline constexpr const char* kSplitFolders = "Split";   // split's output folder
inline constexpr const char* kTempFolders = "Temp";     // the temporary folder in Options

/** The file dialogs as the commands use them: each starts in the folder
 *  last used for its kind (the home folder the first time) and remembers
 *  the folder of what was chosen. */
QString ChooseFileToOpen(QWidget* parent, const char* kind, const QString& filter);
QStringList ChooseFilesToOpen(QWidget* parent, const char* kind, const QString& filter);
QString ChooseFileToSave(QWidget* parent, const char* kind, const QString& filter,
                         const QString& defaultSuffix);
/** start: the folder to start in when it exists (the one in force). */
QString ChooseFolder(QWidget* parent, const char* kind, const QString& title,
                     const QString& start = {});

} // namespace app
