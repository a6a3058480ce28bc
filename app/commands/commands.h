// Every command family of the program, made over one context. The command
// table's handlers reach the families through this.
#pragma once

#include "commands/command_context.h"
#include "commands/edit_commands.h"
#include "commands/effect_commands.h"
#include "commands/file_commands.h"
#include "commands/options_commands.h"
#include "commands/play_commands.h"
#include "commands/plugin_commands.h"
#include "commands/record_commands.h"
#include "commands/track_commands.h"

namespace app {

struct CCommands {
    explicit CCommands(CommandContext& context)
        : play(context), record(context), tracks(context), file(context, tracks, record),
          edit(context), effects(context), plugins(context), options(context)
    {
        context.play = &play;
    }

    CPlayCommands play;
    CRecordCommands record;
    CTrackCommands tracks;
    CFileCommands file;
    CEditCommands edit;
    CEffectCommands effects;
    CPluginCommands plugins;
    COptionsCommands options;
};

} // namespace app
