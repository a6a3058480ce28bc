#include "main/prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
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
        // A box without a caption would otherwise show the program's name.
        box.setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QString OpenFileName(QWidget* parent, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    }

    QStringList OpenFileNames(QWidget* parent, const QString& filter) override
    {
        return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
    }

    QString SaveFileName(QWidget* parent, const QString& filter,
                         const QString& defaultSuffix) override
    {
        QFileDialog dialog(parent, QString(), QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    QString BrowseFolder(QWidget* parent, const QString& title) override
    {
        return QFileDialog::getExistingDirectory(parent, title, QString(),
                                                 QFileDialog::ShowDirsOnly);
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

} // namespace app
