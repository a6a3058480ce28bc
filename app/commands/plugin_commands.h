// Effect > Plugins…: the list of installed LV2 effects, then the chosen
// plugin's settings with live preview, then the plugin over the selection as
// a long operation.
#pragma once

#include "commands/command_context.h"

#include <QHash>
#include <QString>

namespace app {

class CPluginCommands {
public:
    explicit CPluginCommands(CommandContext& context) : m_c(context) {}

    /** The whole flow, from the list to the applied plugin. */
    void Choose();
    /** The settings of the plugin of uri, then Apply; false when cancelled
     *  or failed. */
    bool Configure(const QString& uri, const QString& name);

private:
    CommandContext& m_c;
    QString m_lastUri;
    QHash<QString, QString> m_lastControls; // per plugin, for this session
};

} // namespace app
