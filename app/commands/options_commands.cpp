// Options and Help: the temporary folder, the web pages and About.
#include "window/vorlain_dlg.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_about.h"
#include "dialogs/dlg_option.h"
#include "main/prompts.h"

#include <QUrl>

void CVorlainDlg::OnOptions()
{
    CDlgOption dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The next session uses it; an open one keeps its folder.
    m_tempPath = app::ReadTmpPath();
}

void CVorlainDlg::OnHelp()
{
    app::Prompts().OpenExternal(QUrl(app::LanguageText("main", "00000034")));
}

void CVorlainDlg::OnAbout()
{
    CDlgAbout dialog(this);
    dialog.exec();
}
