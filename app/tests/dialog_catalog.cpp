#include "dialog_catalog.h"

#include "dialogs/dlg_about.h"
#include "dialogs/dlg_add_silence.h"
#include "dialogs/dlg_capture_devices.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_effect_loudness.h"
#include "dialogs/dlg_effect_normalize.h"
#include "dialogs/dlg_effect_pitch.h"
#include "dialogs/dlg_effect_tempo.h"
#include "dialogs/dlg_effect_volume.h"
#include "dialogs/dlg_option.h"
#include "dialogs/dlg_plugin_list.h"
#include "dialogs/dlg_plugin_params.h"
#include "dialogs/dlg_record_xp.h"
#include "dialogs/dlg_tag.h"
#include "dialogs/dlg_track_split.h"

#include "config/app_config.h"
#include "vorlain/capturo.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTextDocumentFragment>

#include <cstring>

namespace app::test {

const std::vector<DialogEntry>& AllDialogs()
{
    static const std::vector<DialogEntry> all = {
        {DialogKind::AddSilence, "CDlgAddSilence"},
        {DialogKind::EffectEcho, "CDlgEffectEcho"},
        {DialogKind::EffectVolume, "CDlgEffectVolume"},
        {DialogKind::EffectNormalize, "CDlgEffectNormalize"},
        {DialogKind::EffectLoudness, "CDlgEffectLoudness"},
        {DialogKind::EffectTempo, "CDlgEffectTempo"},
        {DialogKind::EffectPitch, "CDlgEffectPitch"},
        {DialogKind::Option, "CDlgOption"},
        {DialogKind::RecordXp, "CDlgRecordXp"},
        {DialogKind::CaptureDevices, "CDlgCaptureDevices"},
        {DialogKind::Tag, "CDlgTAG"},
        {DialogKind::TrackSplit, "CDlgTrackSplit"},
        {DialogKind::About, "CDlgAbout"},
        {DialogKind::PluginList, "CDlgPluginList"},
        {DialogKind::PluginParams, "CDlgPluginParams"},
    };
    return all;
}

std::unique_ptr<QDialog> MakeDialog(DialogKind kind)
{
    switch (kind) {
    case DialogKind::AddSilence:
        return std::make_unique<CDlgAddSilence>();
    case DialogKind::EffectEcho:
        return std::make_unique<CDlgEffectEcho>();
    case DialogKind::EffectVolume:
        return std::make_unique<CDlgEffectVolume>();
    case DialogKind::EffectNormalize:
        return std::make_unique<CDlgEffectNormalize>();
    case DialogKind::EffectLoudness:
        return std::make_unique<CDlgEffectLoudness>();
    case DialogKind::EffectTempo:
        return std::make_unique<CDlgEffectTempo>();
    case DialogKind::EffectPitch:
        return std::make_unique<CDlgEffectPitch>();
    case DialogKind::Option:
        return std::make_unique<CDlgOption>();
    case DialogKind::RecordXp:
        return std::make_unique<CDlgRecordXp>();
    case DialogKind::CaptureDevices:
        crxInitSetting(CapturoIniPath().toUtf8().constData());
        return std::make_unique<CDlgCaptureDevices>();
    case DialogKind::Tag: {
        TagInfo tag{};
        std::strcpy(tag.title, "Morning Rain");
        std::strcpy(tag.artist, "Ana Zürn");
        std::strcpy(tag.album, "Weather");
        std::strcpy(tag.year, "2019");
        std::strcpy(tag.genre, "Ambient");
        std::strcpy(tag.comment, "Recorded live at the old mill.\nSecond take.");
        TrackBaseInfo track{};
        std::strcpy(track.name, "morning_rain.mp3");
        return std::make_unique<CDlgTAG>(tag, track);
    }
    case DialogKind::TrackSplit:
        return std::make_unique<CDlgTrackSplit>();
    case DialogKind::About:
        return std::make_unique<CDlgAbout>();
    case DialogKind::PluginList: {
        // Some of what Debian's LV2 packages install, and one that cannot run.
        const QList<PluginEntry> plugins = {
            {QStringLiteral("http://lv2plug.in/plugins/eg-amp"), QStringLiteral("Simple Amplifier"),
             QStringLiteral("Amplifier"), 1, 1},
            {QStringLiteral("http://plugin.org.uk/swh-plugins/plate"),
             QStringLiteral("Plate reverb"), QStringLiteral("Reverb"), 1, 2},
            {QStringLiteral("http://plugin.org.uk/swh-plugins/sc4"), QStringLiteral("SC4"),
             QStringLiteral("Compressor"), 2, 2},
        };
        const QList<QStringList> unsupported = {
            {QStringLiteral("http://lv2plug.in/plugins/eg-fifths"),
             QStringLiteral("Example Fifths"),
             QStringLiteral("port \"in\" takes events such as MIDI")}};
        return std::make_unique<CDlgPluginList>(plugins, unsupported);
    }
    case DialogKind::PluginParams: {
        // A slider, a logarithmic slider, a toggle and a list.
        auto control = [](const char* symbol, const char* name, double minimum, double maximum,
                          double value) {
            PluginControl c;
            c.symbol = QLatin1String(symbol);
            c.name = QLatin1String(name);
            c.minimum = minimum;
            c.maximum = maximum;
            c.defaultValue = value;
            return c;
        };
        PluginControl gain = control("gain", "Gain", -90, 24, 0);
        PluginControl freq = control("freq", "Cutoff frequency", 20, 20000, 440);
        freq.logarithmic = true;
        PluginControl bypass = control("bypass", "Bypass", 0, 1, 0);
        bypass.toggled = true;
        PluginControl mode = control("mode", "Mode", 0, 2, 1);
        mode.enumeration = mode.integer = true;
        mode.scalePoints = {
            {0, QStringLiteral("Off")}, {1, QStringLiteral("Swap")}, {2, QStringLiteral("Both")}};
        return std::make_unique<CDlgPluginParams>(
            QStringLiteral("urn:example"), QStringLiteral("Example Filter"),
            QList<PluginControl>{gain, freq, bypass, mode},
            QList<QPair<QString, QString>>{{QStringLiteral("Bright"), QStringLiteral("freq=8000")}},
            PluginPreviewHooks{});
    }
    }
    return nullptr;
}

const std::vector<ShownText>& ShownTexts()
{
    using K = DialogKind;
    static const std::vector<ShownText> texts = {
        {K::AddSilence, "pl04", "00000000", ""},
        {K::AddSilence, "pl04", "00000001", "id1073"},
        {K::AddSilence, "pl04", "00000002", "id1"},
        {K::AddSilence, "pl04", "00000003", "id2"},
        {K::EffectEcho, "pl06", "00000000", ""},
        {K::EffectEcho, "pl06", "00000003", "id1064"},
        {K::EffectEcho, "pl06", "00000004", "id1074"},
        {K::EffectEcho, "pl06", "00000005", "id1"},
        {K::EffectEcho, "pl06", "00000006", "id2"},
        {K::EffectVolume, "pl07", "00000000", ""},
        {K::EffectVolume, "pl07", "00000001", "id1075"},
        {K::EffectVolume, "pl07", "00000002", "id1"},
        {K::EffectVolume, "pl07", "00000003", "id2"},
        {K::EffectNormalize, "pl11", "00000000", ""},
        {K::EffectNormalize, "pl11", "00000001", "id1100"},
        {K::EffectNormalize, "pl11", "00000002", "id1"},
        {K::EffectNormalize, "pl11", "00000003", "id2"},
        {K::PluginList, "pl15", "00000000", ""},
        {K::PluginList, "pl15", "00000001", "id1500"},
        {K::PluginList, "pl15", "00000002", "id1"},
        {K::PluginList, "pl15", "00000003", "id2"},
        {K::PluginParams, "pl16", "00000001", "id1600"},
        {K::PluginParams, "pl16", "00000003", "id1602"},
        {K::PluginParams, "pl16", "00000004", "id1603"},
        {K::PluginParams, "pl16", "00000006", "id1"},
        {K::PluginParams, "pl16", "00000007", "id2"},
        {K::EffectLoudness, "pl12", "00000000", ""},
        {K::EffectLoudness, "pl12", "00000001", "id1104"},
        {K::EffectLoudness, "pl12", "00000008", "id1106"},
        {K::EffectLoudness, "pl12", "00000002", "id1"},
        {K::EffectLoudness, "pl12", "00000003", "id2"},
        {K::EffectTempo, "pl13", "00000000", ""},
        {K::EffectTempo, "pl13", "00000001", "id1110"},
        {K::EffectTempo, "pl13", "00000002", "id1"},
        {K::EffectTempo, "pl13", "00000003", "id2"},
        {K::EffectPitch, "pl14", "00000000", ""},
        {K::EffectPitch, "pl14", "00000001", "id1113"},
        {K::EffectPitch, "pl14", "00000004", "id1116"},
        {K::EffectPitch, "pl14", "00000002", "id1"},
        {K::EffectPitch, "pl14", "00000003", "id2"},
        {K::Option, "pl09", "00000000", ""},
        {K::Option, "pl09", "00000001", "id1076"},
        {K::Option, "pl09", "00000002", "id1025"},
        {K::Option, "pl09", "00000003", "id1"},
        {K::Option, "pl09", "00000004", "id2"},
        {K::RecordXp, "pl08", "00000000", ""},
        {K::RecordXp, "pl08", "00000001", "id1077"},
        {K::RecordXp, "pl08", "00000002", "id1083"},
        {K::RecordXp, "pl08", "00000003", "id1084"},
        {K::RecordXp, "pl08", "00000004", "id1085"},
        {K::RecordXp, "pl08", "00000005", "id1"},
        {K::RecordXp, "pl08", "00000006", "id2"},
        {K::RecordXp, "pl08", "00000007", "id1086"},
        {K::CaptureDevices, "pl08", "00000008", ""},
        {K::CaptureDevices, "pl08", "00000009", "microphoneLabel"},
        {K::CaptureDevices, "pl08", "0000000A", "computerSoundLabel"},
        {K::CaptureDevices, "pl08", "0000000B", "id1"},
        {K::CaptureDevices, "pl08", "0000000C", "id2"},
        {K::CaptureDevices, "pl08", "0000000E", "devicesHint"},
        {K::Tag, "pl02", "00000000", ""},
        {K::Tag, "pl02", "00000001", "id1065"},
        {K::Tag, "pl02", "00000002", "id1066"},
        {K::Tag, "pl02", "00000003", "id1067"},
        {K::Tag, "pl02", "00000004", "id1068"},
        {K::Tag, "pl02", "00000005", "id1069"},
        {K::Tag, "pl02", "00000006", "id1070"},
        {K::Tag, "pl02", "00000007", "id1071"},
        {K::Tag, "pl02", "00000008", "id1062"},
        {K::Tag, "pl02", "00000009", "id1"},
        {K::Tag, "pl02", "0000000A", "id2"},
        {K::TrackSplit, "pl05", "00000000", ""},
        {K::TrackSplit, "pl05", "00000001", "id1080"},
        {K::TrackSplit, "pl05", "00000002", "id1081"},
        {K::TrackSplit, "pl05", "00000003", "id1025"},
        {K::TrackSplit, "pl05", "00000004", "id1026"},
        {K::TrackSplit, "pl05", "00000005", "id1019"},
        {K::About, "about", "00000000", ""},
        {K::About, "about", "00000001", "productName"},
        {K::About, "about", "00000003", "description"},
        {K::About, "about", "00000004", "firstLink"},
        {K::About, "about", "00000006", "secondLink"},
        {K::About, "about", "00000008", "id1018"},
    };
    return texts;
}

QString TextOf(QDialog* dialog, const char* control)
{
    if (!*control)
        return dialog->windowTitle();
    QWidget* widget = dialog->findChild<QWidget*>(QString::fromLatin1(control));
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->textFormat() == Qt::RichText
                   ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                   : label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    return QStringLiteral("<no control %1>").arg(QString::fromLatin1(control));
}

} // namespace app::test
