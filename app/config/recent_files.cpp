#include "config/recent_files.h"

#include "config/app_config.h"

#include "vorlain/platform.h"

namespace app {
namespace {

QByteArray Key(int n)
{
    return QByteArray("Path") + QByteArray::number(n);
}

QString ReadSlot(const QByteArray& file, const char* section, int n)
{
    char value[1024]; // as wide as a slot is ever read
    VorlainGetProfileString(section, Key(n).constData(), "", value, sizeof value, file.constData());
    return QString::fromUtf8(value);
}

} // namespace

void AddRecent(const char* section, const QString& path)
{
    const QByteArray file = RecentIniPath().toUtf8();
    if (file.isEmpty() || path.isEmpty())
        return;
    for (int n = 0; n < kRecentSlots; ++n) {
        const QString slot = ReadSlot(file, section, n);
        if (slot.isEmpty()) {
            VorlainWriteProfileString(section, Key(n).constData(), path.toUtf8().constData(),
                                      file.constData());
            return;
        }
        if (slot.compare(path, Qt::CaseInsensitive) == 0)
            return;
    }
    VorlainWriteProfileString(section, "Path0", path.toUtf8().constData(), file.constData());
}

QStringList RecentSlots(const char* section)
{
    const QByteArray file = RecentIniPath().toUtf8();
    QStringList paths;
    for (int n = 0; n < kRecentSlots; ++n)
        paths << (file.isEmpty() ? QString() : ReadSlot(file, section, n));
    return paths;
}

void ClearRecent(const char* section, int n)
{
    const QByteArray file = RecentIniPath().toUtf8();
    if (!file.isEmpty() && n >= 0 && n < kRecentSlots)
        VorlainWriteProfileString(section, Key(n).constData(), "", file.constData());
}

} // namespace app
