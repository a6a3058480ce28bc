#include "main/startup_checks.h"

#include "config/app_config.h"
#include "config/language.h"
#include "main/prompts.h"

namespace app {

bool WarnOfUnusableTmpPath(QWidget* parent)
{
    const QString configured = ConfiguredTmpPath();
    const FolderProblem problem = CheckWritableFolder(configured);
    if (configured.isEmpty() || problem == FolderProblem::kNone)
        return false;
    // ReadTmpPath() already leaves such a folder out; this only says so.
    const QString text = LanguageText("main", "00000023").arg(configured, DefaultTmpPath()) +
                         QLatin1Char('\n') + FolderProblemText(problem, configured);
    ShowMessage(parent, LanguageText("main", "00000000"), text, QMessageBox::Warning);
    return true;
}

} // namespace app
