#include "commands/options_commands.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_about.h"
#include "dialogs/dlg_option.h"
#include "main/prompts.h"

#include <QUrl>

namespace app {

void COptionsCommands::Options()
{
    CDlgOption dialog(m_c.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The next session uses it; an open one keeps its folder.
    m_c.state.SetTempPath(ReadTmpPath());
}

void COptionsCommands::Help()
{
    Prompts().OpenExternal(QUrl(LanguageText("main", "00000034")));
}

void COptionsCommands::About()
{
    CDlgAbout dialog(m_c.window);
    dialog.exec();
}

} // namespace app
