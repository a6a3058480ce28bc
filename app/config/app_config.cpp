#include "config/app_config.h"

#include "config/language.h"

#include "vorlain/platform.h"

#include <QFile>

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

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

QString ConfiguredTmpPath()
{
    const QByteArray file = ConfigIniPath().toUtf8();
    if (file.isEmpty())
        return {};
    char value[VORLAIN_MAX_PATH];
    VorlainGetProfileString("Option", "TmpPath", "", value, sizeof value, file.constData());
    return QString::fromUtf8(value);
}

QString ReadTmpPath()
{
    const QString configured = ConfiguredTmpPath();
    return CheckWritableFolder(configured) == FolderProblem::kNone ? configured : QString();
}

QString DefaultTmpPath()
{
    char base[VORLAIN_MAX_PATH];
    if (!VorlainGetTempBase(base, sizeof base))
        return {};
    QString folder = QString::fromUtf8(base);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString TmpPathInForce()
{
    const QString configured = ReadTmpPath();
    return configured.isEmpty() ? DefaultTmpPath() : configured;
}

FolderProblem CheckWritableFolder(const QString& folder)
{
    if (folder.isEmpty())
        return FolderProblem::kMissing;
    const QByteArray path = QFile::encodeName(folder);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return FolderProblem::kMissing;
    if (!S_ISDIR(info.st_mode))
        return FolderProblem::kNotAFolder;
    // The mode bits do not tell it for root nor on a read-only mount: a
    // folder is made and taken away again, as a session makes its own.
    QByteArray probe = path + "/.vorlain-probe-XXXXXX";
    if (!::mkdtemp(probe.data()))
        return FolderProblem::kNotWritable;
    ::rmdir(probe.constData());
    return FolderProblem::kNone;
}

QString FolderProblemText(FolderProblem problem, const QString& folder)
{
    const char* key = problem == FolderProblem::kMissing       ? "00000020"
                      : problem == FolderProblem::kNotAFolder  ? "00000021"
                      : problem == FolderProblem::kNotWritable ? "00000022"
                                                               : nullptr;
    return key ? LanguageText("main", key).arg(folder) : QString();
}

QString LastFolder(const char* kind)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    if (file.isEmpty())
        return {};
    char value[VORLAIN_MAX_PATH];
    VorlainGetProfileString("Folders", kind, "", value, sizeof value, file.constData());
    return QString::fromUtf8(value);
}

bool RememberFolder(const char* kind, const QString& folder)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    const QByteArray value = folder.toUtf8();
    return !file.isEmpty() && value.size() < VORLAIN_MAX_PATH &&
           VorlainWriteProfileString("Folders", kind, value.constData(), file.constData()) != 0;
}

QString ExportChoices(const QString& format)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    if (file.isEmpty())
        return {};
    char value[VORLAIN_MAX_PATH];
    VorlainGetProfileString("Export", format.toUtf8().constData(), "", value, sizeof value,
                            file.constData());
    return QString::fromUtf8(value);
}

bool RememberExportChoices(const QString& format, const QString& choices)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    return !file.isEmpty() &&
           VorlainWriteProfileString("Export", format.toUtf8().constData(),
                                     choices.toUtf8().constData(), file.constData()) != 0;
}

int RecordRate()
{
    const QByteArray file = ConfigIniPath().toUtf8();
    if (file.isEmpty())
        return 0;
    const int rate = static_cast<int>(VorlainGetProfileInt("Record", "Rate", 0, file.constData()));
    return rate >= 8000 && rate <= 192000 ? rate : 0;
}

bool RememberRecordRate(int rate)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    return !file.isEmpty() &&
           VorlainWriteProfileString("Record", "Rate", QByteArray::number(rate).constData(),
                                     file.constData()) != 0;
}

bool WriteTmpPath(const QString& path)
{
    const QByteArray file = ConfigIniPath().toUtf8();
    return !file.isEmpty() &&
           VorlainWriteProfileString("Option", "TmpPath", path.toUtf8().constData(),
                                     file.constData()) != 0;
}

} // namespace app
