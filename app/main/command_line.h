// What the program was asked to open at start.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace app {

class CProjectPreload;

struct StartupPaths {
    QString projectPath; // a ".zvp" project (the extension in any case)
    QString filePath;    // any other argument: an audio file to add
    /** projectPath, already being read while the window is built (or null). */
    std::shared_ptr<CProjectPreload> preload;
};

/**
 * Reads the first argument after the program's own name: blanks trimmed on
 * both sides, then one leading and one trailing double quote removed. A text
 * longer than three characters whose last three are "zvp" in any case is a
 * project, anything else a file; no argument gives neither.
 */
StartupPaths ParseCommandLine(const QStringList& arguments);

} // namespace app
