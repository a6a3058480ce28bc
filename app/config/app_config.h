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

/** Config.ini [Option] "TmpPath", at most 259 characters; empty when missing. */
QString ReadTmpPath();
/** Writes Config.ini [Option] "TmpPath" (the file replaced atomically). */
bool WriteTmpPath(const QString& path);

} // namespace app
