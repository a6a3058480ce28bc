// The user's own settings of LV2 plugins, saved by name per plugin in
// PluginPresets.ini of the configuration folder.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace app {

/** The settings saved for the plugin of uri: name and controls
 *  ("symbol=value;..."), sorted by name. */
QList<QPair<QString, QString>> UserPresets(const QString& uri);
/** Saves (or replaces) the named setting; false when it cannot be written. */
bool SaveUserPreset(const QString& uri, const QString& name, const QString& controls);

} // namespace app
