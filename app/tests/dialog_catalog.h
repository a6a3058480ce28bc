// Every dialog of app/dialogs built the way its command builds it, and every
// language text each one shows, with the control that shows it.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

namespace app::test {

enum class DialogKind {
    AddSilence,
    EffectEcho,
    EffectVolume,
    EffectNormalize,
    EffectLoudness,
    EffectTempo,
    EffectPitch,
    Option,
    RecordXp,
    CaptureDevices,
    Tag,
    TrackSplit,
    About,
    PluginList,
    PluginParams
};

struct DialogEntry {
    DialogKind kind;
    const char* name; // the class name, also the file name of its picture
};
const std::vector<DialogEntry>& AllDialogs();

/** A dialog of that kind, built but not shown; the tag dialog gets sample records. */
std::unique_ptr<QDialog> MakeDialog(DialogKind kind);

struct ShownText {
    DialogKind kind;
    const char* section;
    const char* key;
    /** Object name of the control; empty for the caption. */
    const char* control;
};
/** Every text the dialogs show from the language file. */
const std::vector<ShownText>& ShownTexts();

/** The text a dialog shows at control (its caption for an empty name): a
 *  label's or button's text, a group's title; a link label's visible text. */
QString TextOf(QDialog* dialog, const char* control);

} // namespace app::test
