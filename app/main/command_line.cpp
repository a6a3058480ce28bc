#include "main/command_line.h"

namespace app {

StartupPaths ParseCommandLine(const QStringList& arguments)
{
    StartupPaths paths;
    if (arguments.size() < 2)
        return paths;
    QString argument = arguments.at(1).trimmed();
    if (argument.startsWith(QLatin1Char('"')))
        argument.remove(0, 1);
    if (argument.endsWith(QLatin1Char('"')))
        argument.chop(1);
    if (argument.isEmpty())
        return paths;
    if (argument.size() > 3 &&
        argument.right(3).compare(QLatin1String("zvp"), Qt::CaseInsensitive) == 0)
        paths.projectPath = argument;
    else
        paths.filePath = argument;
    return paths;
}

} // namespace app
