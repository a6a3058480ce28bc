#include "dialogs/plugin_description.h"

#include <QStringList>

namespace app {

namespace {

QStringList Lines(const QString& text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

QList<PluginEntry> ParsePluginList(const QString& text)
{
    QList<PluginEntry> entries;
    for (const QString& line : Lines(text)) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 5)
            continue;
        entries.append({f[0], f[1], f[2], f[3].toInt(), f[4].toInt()});
    }
    return entries;
}

QList<PluginControl> ParsePluginControls(const QString& text)
{
    QList<PluginControl> controls;
    for (const QString& line : Lines(text)) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 7)
            continue;
        PluginControl c;
        c.symbol = f[0];
        c.name = f[1];
        c.minimum = f[2].toDouble();
        c.maximum = f[3].toDouble();
        c.defaultValue = f[4].toDouble();
        const QStringList flags = f[5].split(u',');
        c.toggled = flags.contains(QStringLiteral("toggled"));
        c.integer = flags.contains(QStringLiteral("integer"));
        c.logarithmic = flags.contains(QStringLiteral("logarithmic"));
        c.enumeration = flags.contains(QStringLiteral("enumeration"));
        if (f[6] != QStringLiteral("-")) {
            for (const QString& point : f[6].split(u'|')) {
                const qsizetype eq = point.indexOf(u'=');
                if (eq > 0)
                    c.scalePoints.append({point.left(eq).toDouble(), point.mid(eq + 1)});
            }
        }
        controls.append(c);
    }
    return controls;
}

QList<QPair<QString, QString>> ParsePluginPresets(const QString& text)
{
    QList<QPair<QString, QString>> presets;
    for (const QString& line : Lines(text)) {
        const qsizetype tab = line.indexOf(u'\t');
        if (tab > 0)
            presets.append({line.left(tab), line.mid(tab + 1)});
    }
    return presets;
}

QList<QPair<QString, double>> ParseControlValues(const QString& controls)
{
    QList<QPair<QString, double>> values;
    for (const QString& item : controls.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        bool ok = false;
        const double value = eq > 0 ? item.mid(eq + 1).toDouble(&ok) : 0;
        if (ok)
            values.append({item.left(eq), value});
    }
    return values;
}

} // namespace app
