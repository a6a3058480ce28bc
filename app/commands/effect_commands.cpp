// Effect menu: fades, echo, volume and silence on the selection.
#include "window/vorlain_dlg.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_effect_volume.h"
#include "window/command_ids.h"

using namespace cmd;

void CVorlainDlg::OnEffect(int commandId)
{
    app::EditJob job;
    const char* hint = nullptr;
    switch (commandId) {
    case kFadeIn:
        job = NewJob(app::EditOp::FadeIn);
        hint = "00000008";
        break;
    case kFadeOut:
        job = NewJob(app::EditOp::FadeOut);
        hint = "00000009";
        break;
    case kSilence:
        job = NewJob(app::EditOp::Silence);
        hint = "00000007";
        break;
    case kEcho: {
        CDlgEffectEcho dialog(this);
        dialog.SetCaption(app::LanguageText("pl06", "00000000"));
        if (dialog.exec() == QDialog::Rejected)
            return;
        job = NewJob(app::EditOp::Echo);
        hint = "00000010";
        break;
    }
    case kAdjustVolume: {
        CDlgEffectVolume dialog(this);
        if (dialog.exec() == QDialog::Rejected)
            return;
        job = NewJob(app::EditOp::AdjustVolume);
        hint = "0000000F";
        break;
    }
    default:
        return;
    }
    if (RunLongOperation(job, app::LanguageText("main", hint)))
        AfterSampleEdit();
}
