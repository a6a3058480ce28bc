#include "commands/effect_commands.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_effect_volume.h"
#include "window/command_ids.h"

#include "vorlain/kestrum.h"

using namespace cmd;

namespace app {

void CEffectCommands::Apply(int commandId)
{
    // The kernel call on the selection [from, to) of the track.
    using Effect = std::function<int(CEditSession*, uint32_t, int64_t, int64_t)>;
    Effect effect;
    const char* hint = nullptr;
    switch (commandId) {
    case kFadeIn:
        effect = [](CEditSession* e, uint32_t t, int64_t from, int64_t to) {
            return Kestrum_FadeIn(e, t, from, to, 0);
        };
        hint = "00000008";
        break;
    case kFadeOut:
        effect = [](CEditSession* e, uint32_t t, int64_t from, int64_t to) {
            return Kestrum_FadeOut(e, t, from, to, 0);
        };
        hint = "00000009";
        break;
    case kSilence:
        effect = Kestrum_Silence;
        hint = "00000007";
        break;
    case kEcho: {
        CDlgEffectEcho dialog(m_c.window);
        dialog.SetCaption(LanguageText("pl06", "00000000"));
        if (dialog.exec() == QDialog::Rejected)
            return;
        effect = [decay = vorlain::FloatBits(Values().factor)](CEditSession* e, uint32_t t,
                                                               int64_t from, int64_t to) {
            return Kestrum_Echo(e, t, from, to, 0, 0, decay);
        };
        hint = "00000010";
        break;
    }
    case kAdjustVolume: {
        CDlgEffectVolume dialog(m_c.window);
        if (dialog.exec() == QDialog::Rejected)
            return;
        effect = [gain = Values().gain.value_or(256)](CEditSession* e, uint32_t t, int64_t from,
                                                      int64_t to) {
            return Kestrum_AdjustVolumn(e, t, from, to, gain);
        };
        hint = "0000000F";
        break;
    }
    default:
        return;
    }
    const CEditorState& s = m_c.state;
    if (m_c.RunLong([effect, editor = s.Editor(), track = m_c.Track(), from = s.SelectionStart(),
                     to = s.SelectionEnd()](
                        const CJobProgress&) { return effect(editor, track, from, to); },
                    {LanguageText("main", hint)}))
        m_c.AfterSampleEdit();
}

} // namespace app
