// Effect menu: fades, echo, volume, silence, normalize, reverse, tempo and
// pitch on the selection.
#pragma once

#include "commands/command_context.h"

namespace app {

class CEffectCommands {
public:
    explicit CEffectCommands(CommandContext& context) : m_c(context) {}

    /** The effect of this command id, after its dialog where it has one. */
    void Apply(int commandId);

private:
    CommandContext& m_c;
};

} // namespace app
