#include "config/plugin_presets.h"

#include "config/app_config.h"

#include <QDir>
#include <QSettings>

#include <algorithm>

namespace app {

namespace {

QString PresetFile()
{
    const QString folder = ConfigFolder();
    return folder.isEmpty() ? QString()
                            : QDir(folder).filePath(QStringLiteral("PluginPresets.ini"));
}

// A plugin URI as a group name: QSettings takes "/" as a group separator.
QString Group(const QString& uri)
{
    return QString::fromLatin1(uri.toUtf8().toPercentEncoding());
}

} // namespace

QList<QPair<QString, QString>> UserPresets(const QString& uri)
{
    QList<QPair<QString, QString>> presets;
    const QString file = PresetFile();
    if (file.isEmpty())
        return presets;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(Group(uri));
    const int count = settings.beginReadArray(QStringLiteral("preset"));
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        presets.append({settings.value(QStringLiteral("name")).toString(),
                        settings.value(QStringLiteral("controls")).toString()});
    }
    settings.endArray();
    std::sort(presets.begin(), presets.end());
    return presets;
}

bool SaveUserPreset(const QString& uri, const QString& name, const QString& controls)
{
    const QString file = PresetFile();
    if (file.isEmpty() || name.trimmed().isEmpty())
        return false;
    QList<QPair<QString, QString>> presets = UserPresets(uri);
    presets.erase(std::remove_if(presets.begin(), presets.end(),
                                 [&](const auto& p) { return p.first == name; }),
                  presets.end());
    presets.append({name, controls});
    std::sort(presets.begin(), presets.end());
    QDir().mkpath(ConfigFolder());
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(Group(uri));
    settings.beginWriteArray(QStringLiteral("preset"), static_cast<int>(presets.size()));
    for (int i = 0; i < presets.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("name"), presets[i].first);
        settings.setValue(QStringLiteral("controls"), presets[i].second);
    }
    settings.endArray();
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace app
