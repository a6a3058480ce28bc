#include "commands/effect_commands.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_effect_loudness.h"
#include "dialogs/dlg_effect_normalize.h"
#include "dialogs/dlg_effect_pitch.h"
#include "dialogs/dlg_effect_tempo.h"
#include "dialogs/dlg_effect_volume.h"
#include "window/command_ids.h"

#include "vorlain/kestrum.h"

using namespace cmd;

namespace app {
namespace {

const char* EffectKey(int commandId)
{
    switch (commandId) {
    case kFadeIn:
        return "01000401";
    case kFadeOut:
        return "01000402";
    case kEcho:
        return "01000403";
    case kAdjustVolume:
        return "01000404";
    case kSilence:
        return "01000405";
    case kNormalize:
        return "01000406";
    case kReverse:
        return "01000407";
    case kNormalizeLoudness:
        return "01000408";
    case kChangeTempo:
        return "01000409";
    case kChangePitch:
        return "0100040A";
    default:
        return "";
    }
}

QString EffectName(int commandId)
{
    return LanguageText("menu", EffectKey(commandId));
}

} // namespace

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
    case kNormalize: {
        CDlgEffectNormalize dialog(m_c.window);
        if (dialog.exec() == QDialog::Rejected)
            return;
        effect = [peak = Values().peakMilliDb](CEditSession* e, uint32_t t, int64_t from,
                                               int64_t to) {
            return Kestrum_Normalize(e, t, from, to, peak);
        };
        hint = "00000046";
        break;
    }
    case kNormalizeLoudness: {
        CDlgEffectLoudness dialog(m_c.window);
        if (dialog.exec() == QDialog::Rejected)
            return;
        effect = [target = Values().lufsTenths](CEditSession* e, uint32_t t, int64_t from,
                                                int64_t to) {
            return Kestrum_NormalizeLoudness(e, t, from, to, target);
        };
        hint = "00000048";
        break;
    }
    case kReverse:
        effect = [](CEditSession* e, uint32_t t, int64_t from, int64_t to) {
            return Kestrum_Reverse(e, t, from, to);
        };
        hint = "00000047";
        break;
    case kChangeTempo: {
        CDlgEffectTempo dialog(m_c.window);
        if (dialog.exec() == QDialog::Rejected)
            return;
        effect = [percent = Values().tempoPercent](CEditSession* e, uint32_t t, int64_t from,
                                                   int64_t to) {
            return Kestrum_ChangeTempo(e, t, from, to, percent);
        };
        hint = "00000049";
        break;
    }
    case kChangePitch: {
        CDlgEffectPitch dialog(m_c.window);
        if (dialog.exec() == QDialog::Rejected)
            return;
        effect = [cents = Values().cents](CEditSession* e, uint32_t t, int64_t from, int64_t to) {
            return Kestrum_ChangePitch(e, t, from, to, cents);
        };
        hint = "0000004A";
        break;
    }
    default:
        return;
    }
    // Without a selection the effect takes the whole track, as the notice
    // then says.
    const CEditorState& s = m_c.state;
    const bool whole = !(s.SelectionEnd() > s.SelectionStart() && s.SelectionEnd() > 0);
    const int64_t from = whole ? 0 : s.SelectionStart();
    const int64_t to = whole ? Kestrum_GetTrackTime(s.Editor(), m_c.Track()) : s.SelectionEnd();
    if (to <= from)
        return;
    if (!m_c.RunLong([effect, editor = s.Editor(), track = m_c.Track(), from,
                      to](const CJobProgress&) { return effect(editor, track, from, to); },
                     {LanguageText("main", hint)}))
        return;
    if (commandId == kChangeTempo) {
        // The range's end moved: the selection follows it, as after a cut.
        m_c.AfterRangeEdit();
    } else {
        // What the effect took is shown selected, as the notice says.
        if (whole)
            m_c.state.SetSelection(from, to);
        m_c.AfterSampleEdit();
    }
    if (whole && m_c.notice)
        m_c.notice(LanguageText("main", "00000045").arg(EffectName(commandId)), QString());
}

} // namespace app
