#include "commands/plugin_commands.h"

#include "commands/play_commands.h"
#include "config/language.h"
#include "dialogs/dlg_plugin_list.h"
#include "dialogs/dlg_plugin_params.h"
#include "main/prompts.h"

#include "vorlain/kestrum.h"

#include <QByteArray>

namespace app {

namespace {

// One of the kernel's text lists, fetched with its size first.
QString KernelText(const std::function<int(char*, uint32_t)>& get)
{
    const int needed = get(nullptr, 0);
    if (needed <= 1)
        return {};
    QByteArray buffer(needed, '\0');
    if (get(buffer.data(), static_cast<uint32_t>(buffer.size())) != needed)
        return {};
    return QString::fromUtf8(buffer.constData());
}

} // namespace

void CPluginCommands::Choose()
{
    const QList<PluginEntry> plugins = ParsePluginList(KernelText(Kestrum_GetPluginList));
    QList<QStringList> unsupported;
    for (const QString& line :
         KernelText(Kestrum_GetUnsupportedPlugins).split(u'\n', Qt::SkipEmptyParts))
        unsupported.append(line.split(u'\t'));
    if (plugins.isEmpty()) {
        ShowMessage(m_c.window, m_c.Caption(), LanguageText("pl15", "0000000B"),
                    QMessageBox::Information);
        return;
    }
    CDlgPluginList list(plugins, unsupported, m_c.window);
    if (!m_lastUri.isEmpty())
        list.SelectUri(m_lastUri);
    if (list.exec() == QDialog::Rejected || list.ChosenUri().isEmpty())
        return;
    const QString uri = list.ChosenUri();
    QString name = uri;
    for (const PluginEntry& p : plugins)
        if (p.uri == uri)
            name = p.name;
    m_lastUri = uri;
    Configure(uri, name);
}

bool CPluginCommands::Configure(const QString& uri, const QString& name)
{
    const QByteArray uriBytes = uri.toUtf8();
    const char* u = uriBytes.constData();
    const auto controls = ParsePluginControls(
        KernelText([u](char* b, uint32_t n) { return Kestrum_GetPluginControls(u, b, n); }));
    const auto presets = ParsePluginPresets(
        KernelText([u](char* b, uint32_t n) { return Kestrum_GetPluginPresets(u, b, n); }));

    // The stretch a person works on: the selection, or the whole track.
    const CEditorState& s = m_c.state;
    const bool whole = !(s.SelectionEnd() > s.SelectionStart() && s.SelectionEnd() > 0);
    const int64_t from = whole ? 0 : s.SelectionStart();
    const int64_t to = whole ? Kestrum_GetTrackTime(s.Editor(), m_c.Track()) : s.SelectionEnd();
    if (to <= from)
        return false;

    CEditSession* editor = m_c.Editor();
    const uint32_t track = m_c.Track();
    PluginPreviewHooks hooks;
    // The preview plays the selection in a loop, or its first 10 seconds.
    hooks.start = [this, editor, track, from, to, uriBytes](const QString& values) {
        if (m_c.play)
            m_c.play->Stop();
        const int64_t end = std::min<int64_t>(to, from + 10'000'000);
        if (Kestrum_StartPreview(editor, track, from, end, uriBytes.constData(),
                                 values.toUtf8().constData()))
            return true;
        m_c.ShowKernelFailure();
        return false;
    };
    hooks.change = [editor](const QString& values) {
        Kestrum_SetPreviewControls(editor, values.toUtf8().constData());
    };
    hooks.stop = [editor] { Kestrum_StopPreview(editor); };
    hooks.playing = [this, editor] {
        if (Kestrum_PreviewStatus(editor))
            return true;
        if (Kestrum_GetLastError()) // the plugin failed; 0 when the preview just ended
            m_c.ShowKernelFailure();
        return false;
    };

    CDlgPluginParams dialog(uri, name, controls, presets, hooks, m_c.window);
    if (m_lastControls.contains(uri))
        dialog.SetControls(m_lastControls.value(uri));
    if (dialog.exec() == QDialog::Rejected)
        return false;
    const QString values = dialog.Controls();
    m_lastControls.insert(uri, values);
    const QByteArray valueBytes = values.toUtf8();
    if (!m_c.RunLong(
            [editor, track, from, to, uriBytes, valueBytes](const CJobProgress&) {
                return Kestrum_ApplyPlugin(editor, track, from, to, uriBytes.constData(),
                                           valueBytes.constData());
            },
            {LanguageText("main", "00000050").arg(name)}))
        return false;
    if (whole)
        m_c.state.SetSelection(from, to);
    m_c.AfterSampleEdit();
    return true;
}

} // namespace app
