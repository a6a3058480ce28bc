// Answers the program's message boxes, file dialogs, folder browser and
// desktop hand-offs from a script, and records every question asked.
#pragma once

#include "main/prompts.h"

#include <QStringList>

#include <deque>
#include <ostream>
#include <vector>

// Readable failures: gtest prints Qt's texts as text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (const QString& text : list)
        *os << " \"" << text.toStdString() << '"';
    *os << " }";
}

namespace app::test {

struct PromptCall {
    enum Kind { Message, OpenFile, SaveFile, Folder, External, Export } kind;
    QString caption; // message caption or folder-browser title
    QString text;    // message text, filter or URL
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString suffix; // default suffix of a save dialog
    QString folder; // the folder a file dialog or browser starts in
};

/** Installed while alive. Unscripted questions get: a message box its
 *  first of Yes, Ok, No, Cancel offered; a file dialog or browser a
 *  cancel (empty path); an external open "true" and nothing started. */
class ScriptedPrompts final : public IUserPrompts {
public:
    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    void AnswerMessage(QMessageBox::StandardButton button) { m_messages.push_back(button); }
    void AnswerFile(const QString& path) { m_files.push_back({path}); }
    /** The next file dialog that takes several files chooses these. */
    void AnswerFiles(const QStringList& paths) { m_files.push_back(paths); }
    void AnswerFolder(const QString& path) { m_folders.push_back(path); }
    /** The next export options question gets these choices (nothing:
     *  cancelled). Unscripted, it takes the choices last made for the
     *  format, as the dialog opens with them. */
    void AnswerExport(std::optional<QString> options) { m_exports.push_back(std::move(options)); }
    /** The next join-rate answer: a rate, or nothing to cancel. Unanswered,
     *  the first rate offered is taken. */
    void AnswerJoinRate(std::optional<int> rate) { m_joinRates.push_back(rate); }
    /** The rates each join-rate prompt offered, in order. */
    const std::vector<QList<int>>& JoinRatesOffered() const { return m_joinOffers; }

    const std::vector<PromptCall>& Calls() const { return m_calls; }
    /** Texts of every message box shown, in order. */
    QStringList Messages() const;
    /** URLs handed to the desktop, in order. */
    QStringList Externals() const;
    void Clear() { m_calls.clear(); }

    QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& caption,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) override;
    QString OpenFileName(QWidget* parent, const QString& filter, const QString& folder) override;
    QStringList OpenFileNames(QWidget* parent, const QString& filter,
                              const QString& folder) override;
    QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                         const QString& folder) override;
    QString BrowseFolder(QWidget* parent, const QString& title, const QString& folder) override;
    std::optional<QString> ExportOptions(QWidget* parent, const QString& format,
                                         uint32_t trackRate) override;
    std::optional<int> JoinRate(QWidget* parent, const QList<int>& rates) override;
    bool OpenExternal(const QUrl& url) override;

private:
    std::vector<PromptCall> m_calls;
    std::deque<QMessageBox::StandardButton> m_messages;
    std::deque<QStringList> m_files; // one answer per file dialog
    std::deque<QString> m_folders;
    std::deque<std::optional<QString>> m_exports;
    std::deque<std::optional<int>> m_joinRates;
    std::vector<QList<int>> m_joinOffers;
};

} // namespace app::test
