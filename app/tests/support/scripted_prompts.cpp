#include "scripted_prompts.h"

#include "dialogs/dlg_export_options.h"

namespace app::test {

ScriptedPrompts::ScriptedPrompts()
{
    SetPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    SetPrompts(nullptr);
}

QStringList ScriptedPrompts::Messages() const
{
    QStringList texts;
    for (const PromptCall& call : m_calls)
        if (call.kind == PromptCall::Message)
            texts << call.text;
    return texts;
}

QStringList ScriptedPrompts::Externals() const
{
    QStringList urls;
    for (const PromptCall& call : m_calls)
        if (call.kind == PromptCall::External)
            urls << call.text;
    return urls;
}

QMessageBox::StandardButton ScriptedPrompts::MessageBox(QWidget*, const QString& caption,
                                                        const QString& text, QMessageBox::Icon icon,
                                                        QMessageBox::StandardButtons buttons)
{
    m_calls.push_back({PromptCall::Message, caption, text, icon, buttons, {}});
    if (!m_messages.empty()) {
        QMessageBox::StandardButton answer = m_messages.front();
        m_messages.pop_front();
        return answer;
    }
    for (QMessageBox::StandardButton b :
         {QMessageBox::Yes, QMessageBox::Ok, QMessageBox::No, QMessageBox::Cancel})
        if (buttons & b)
            return b;
    return QMessageBox::NoButton;
}

QString ScriptedPrompts::OpenFileName(QWidget*, const QString& filter, const QString& folder)
{
    m_calls.push_back({PromptCall::OpenFile, {}, filter, QMessageBox::NoIcon, {}, {}, folder});
    if (m_files.empty())
        return {};
    QString path = m_files.front().value(0);
    m_files.pop_front();
    return path;
}

QStringList ScriptedPrompts::OpenFileNames(QWidget*, const QString& filter, const QString& folder)
{
    m_calls.push_back({PromptCall::OpenFile, {}, filter, QMessageBox::NoIcon, {}, {}, folder});
    if (m_files.empty())
        return {};
    QStringList paths = m_files.front();
    m_files.pop_front();
    return paths;
}

QString ScriptedPrompts::SaveFileName(QWidget*, const QString& filter, const QString& defaultSuffix,
                                      const QString& folder)
{
    m_calls.push_back(
        {PromptCall::SaveFile, {}, filter, QMessageBox::NoIcon, {}, defaultSuffix, folder});
    if (m_files.empty())
        return {};
    QString path = m_files.front().value(0);
    m_files.pop_front();
    return path;
}

QString ScriptedPrompts::BrowseFolder(QWidget*, const QString& title, const QString& folder)
{
    m_calls.push_back({PromptCall::Folder, title, {}, QMessageBox::NoIcon, {}, {}, folder});
    if (m_folders.empty())
        return {};
    QString path = m_folders.front();
    m_folders.pop_front();
    return path;
}

std::optional<QString> ScriptedPrompts::ExportOptions(QWidget*, const QString& format,
                                                      uint32_t trackRate)
{
    m_calls.push_back({PromptCall::Export, {}, format, QMessageBox::NoIcon, {}, {}, {}});
    if (!m_exports.empty()) {
        std::optional<QString> answer = m_exports.front();
        m_exports.pop_front();
        return answer;
    }
    return CDlgExportOptions(format, trackRate).Options();
}

std::optional<int> ScriptedPrompts::JoinRate(QWidget*, const QList<int>& rates)
{
    m_joinOffers.push_back(rates);
    if (m_joinRates.empty())
        return rates.value(0);
    std::optional<int> answer = m_joinRates.front();
    m_joinRates.pop_front();
    return answer;
}

bool ScriptedPrompts::OpenExternal(const QUrl& url)
{
    m_calls.push_back({PromptCall::External, {}, url.toString(), QMessageBox::NoIcon, {}, {}});
    return true;
}

} // namespace app::test
