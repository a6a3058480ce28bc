#include "main/prompts.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_export_options.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QWidget>

namespace app {
namespace {

class CDesktopPrompts final : public IUserPrompts {
public:
    QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& caption,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) override
    {
        QMessageBox box(icon, caption, text, buttons, parent);
        box.setWindowTitle(caption.isEmpty() ? LanguageText("main", "00000000") : caption);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QString OpenFileName(QWidget* parent, const QString& filter, const QString& folder) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
    }

    QStringList OpenFileNames(QWidget* parent, const QString& filter,
                              const QString& folder) override
    {
        return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
    }

    QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                         const QString& folder) override
    {
        QFileDialog dialog(parent, QString(), folder, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    QString BrowseFolder(QWidget* parent, const QString& title, const QString& folder) override
    {
        return QFileDialog::getExistingDirectory(parent, title, folder, QFileDialog::ShowDirsOnly);
    }

    std::optional<QString> ExportOptions(QWidget* parent, const QString& format,
                                         uint32_t trackRate) override
    {
        CDlgExportOptions dialog(format, trackRate, parent);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.Options();
    }

    std::optional<int> JoinRate(QWidget* parent, const QList<int>& rates) override
    {
        QStringList items;
        for (int i = 0; i < rates.size(); ++i)
            items << LanguageText("main", i == 0 ? "00000052" : "00000053").arg(rates[i]);
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(parent, LanguageText("main", "00000054"),
                                  LanguageText("main", "00000051"), items, 0, false, &ok);
        if (!ok)
            return std::nullopt;
        return rates.value(static_cast<int>(items.indexOf(chosen)), rates.value(0));
    }

    bool OpenExternal(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

IUserPrompts*& Installed()
{
    static IUserPrompts* prompts = nullptr;
    return prompts;
}

} // namespace

IUserPrompts& Prompts()
{
    static CDesktopPrompts desktop;
    return Installed() ? *Installed() : desktop;
}

void SetPrompts(IUserPrompts* prompts)
{
    Installed() = prompts;
}

void ShowMessage(QWidget* parent, const QString& caption, const QString& text,
                 QMessageBox::Icon icon)
{
    Prompts().MessageBox(parent, caption.isEmpty() ? LanguageText("main", "00000000") : caption,
                         text, icon, QMessageBox::Ok);
}

namespace {

// The folder a dialog of this kind starts in: the last one used while it
// still exists, else the home folder.
QString StartFolder(const char* kind)
{
    const QString last = LastFolder(kind);
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void RememberFileFolder(const char* kind, const QString& path)
{
    if (!path.isEmpty())
        RememberFolder(kind, QFileInfo(path).absolutePath());
}

} // namespace

QString ChooseFileToOpen(QWidget* parent, const char* kind, const QString& filter)
{
    const QString path = Prompts().OpenFileName(parent, filter, StartFolder(kind));
    RememberFileFolder(kind, path);
    return path;
}

QStringList ChooseFilesToOpen(QWidget* parent, const char* kind, const QString& filter)
{
    const QStringList paths = Prompts().OpenFileNames(parent, filter, StartFolder(kind));
    if (!paths.isEmpty())
        RememberFileFolder(kind, paths.first());
    return paths;
}

QString ChooseFileToSave(QWidget* parent, const char* kind, const QString& filter,
                         const QString& defaultSuffix)
{
    const QString path = Prompts().SaveFileName(parent, filter, defaultSuffix, StartFolder(kind));
    RememberFileFolder(kind, path);
    return path;
}

QString ChooseFolder(QWidget* parent, const char* kind, const QString& title, const QString& start)
{
    const QString folder = Prompts().BrowseFolder(
        parent, title, !start.isEmpty() && QFileInfo(start).isDir() ? start : StartFolder(kind));
    if (!folder.isEmpty())
        RememberFolder(kind, QFileInfo(folder).absoluteFilePath());
    return folder;
}

} // namespace app
