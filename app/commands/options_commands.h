// Options and Help: the temporary folder, the web pages and About.
#pragma once

#include "commands/command_context.h"

namespace app {

class COptionsCommands {
public:
    explicit COptionsCommands(CommandContext& context) : m_c(context) {}

    void Options();
    void Help();
    void About();

private:
    CommandContext& m_c;
};

} // namespace app
