#include "config/app_config.h"

#include "vorlain/platform.h"

namespace app {

QString ConfigFolder()
{
    char folder[4096];
    if (!VorlainGetConfigDir(folder, sizeof folder))
        return {};
    return QString::fromUtf8(folder);
}

namespace {

QString InConfigFolder(const char* name)
{
    const QString folder = ConfigFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

QString ConfigIniPath()
{
    return InConfigFolder("Config.ini");
}
QString RecentIniPath()
{
    return InConfigFolder("mru.ini");
}
QString CapturoIniPath()
{
    return InConfigFolder("Capturo.ini");
}

QString ReadTmpPath()
{
    const QByteArray file = ConfigIniPath().toUtf8();
    if (file.isEmpty())
        return {};
    char value[VORLAIN_MAX_PATH];
    VorlainGetProfileString("Option", "TmpPath", "", value, sizeof value, file.constData());
    return QString::fromUtf8(value);
}

bool WriteTmpPath(const QString& path)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    return !file.isEmpty() &&
           VorlainWriteProfileString("Option", "TmpPath", path.toUtf8().constData(),
                                     file.constData()) != 0;
}

} // namespace app
