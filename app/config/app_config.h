// The program's settings files, all in the configuration folder
// ($XDG_CONFIG_HOME/Vorlain, else $HOME/.config/Vorlain): Config.ini with the
// temporary path, mru.ini with the recent lists, and Capturo.ini, which the
// capture library keeps.
#pragma once

#include <QString>

namespace app {

/** The configuration folder, created when missing; empty when it cannot be had. */
QString ConfigFolder();
/** ConfigFolder() + "/Config.ini". */
QString ConfigIniPath();
/** ConfigFolder() + "/mru.ini". */
QString RecentIniPath();
/** ConfigFolder() + "/Capturo.ini". */
QString CapturoIniPath();

/** Config.ini [Option] "TmpPath" as stored, at most 259 characters; empty
 *  when missing. */
QString ConfiguredTmpPath();
/** The temporary folder a new editor session is to use: the configured one
 *  when it is usable (CheckWritableFolder), else empty, which gives the
 *  default (DefaultTmpPath). */
QString ReadTmpPath();
/** The folder used when none is configured (or the configured one cannot be
 *  used): $TMPDIR, else /tmp, ... as the platform's temp base; no trailing '/'. */
QString DefaultTmpPath();
/** The folder a new session would put its files in: ReadTmpPath(), or
 *  DefaultTmpPath() when that is empty. */
QString TmpPathInForce();
/** Writes Config.ini [Option] "TmpPath" (the file replaced atomically). */
bool WriteTmpPath(const QString& path);

/** Config.ini [Folders] kind: the folder a file dialog of that kind last
 *  chose from; empty when none was. */
QString LastFolder(const char* kind);
bool RememberFolder(const char* kind, const QString& folder);

/** Config.ini [Export] format: the export choices last made for that
 *  format ("bits=24;level=8"); empty when none were. */
QString ExportChoices(const QString& format);
bool RememberExportChoices(const QString& format, const QString& choices);

/** Config.ini [Record] Rate: the rate a new recording captures at; 0 when
 *  none was chosen (the device's own then, or 44100 Hz). */
int RecordRate();
bool RememberRecordRate(int rate);

/** Why a folder cannot take the editor's files. */
enum class FolderProblem {
    kNone,
    kMissing,    // nothing of that name exists
    kNotAFolder, // a file or something else is there
    kNotWritable // a folder, but files cannot be made in it
};
/** Whether the editor can make its files in folder. An empty path is kMissing. */
FolderProblem CheckWritableFolder(const QString& folder);
/** The sentence that tells the user the problem with folder; empty for kNone. */
QString FolderProblemText(FolderProblem problem, const QString& folder);

} // namespace app
