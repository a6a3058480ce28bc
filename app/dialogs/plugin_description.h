// The kernel's plugin lists and control descriptions as the plugin dialogs
// take them: parsed once from the tab-separated lines the kernel gives.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace app {

struct PluginEntry {
    QString uri;
    QString name;
    QString className;
    int audioIns = 0;
    int audioOuts = 0;
};

struct PluginControl {
    QString symbol;
    QString name;
    double minimum = 0;
    double maximum = 1;
    double defaultValue = 0;
    bool toggled = false;
    bool integer = false;
    bool logarithmic = false;
    bool enumeration = false;
    QList<QPair<double, QString>> scalePoints;
};

/** "URI\tname\tclass\tins\touts" lines; malformed lines are skipped. */
QList<PluginEntry> ParsePluginList(const QString& text);
/** "symbol\tname\tmin\tmax\tdefault\tflags\tpoints" lines. */
QList<PluginControl> ParsePluginControls(const QString& text);
/** "name\tcontrols" lines. */
QList<QPair<QString, QString>> ParsePluginPresets(const QString& text);

/** "symbol=value;..." as a map from symbol to value (C locale numbers). */
QList<QPair<QString, double>> ParseControlValues(const QString& controls);

} // namespace app
