#include "dialogs/dlg_option.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "main/prompts.h"

#include "vorlain/platform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl09";
} // namespace

CDlgOption::CDlgOption(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgOption"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* label = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(label, 1076);
    m_path = new QLineEdit(app::ConfiguredTmpPath());
    app::SetControlId(m_path, 1039);
    m_path->setMinimumWidth(m_path->fontMetrics().averageCharWidth() * 48);
    m_path->setPlaceholderText(app::DefaultTmpPath());
    label->setBuddy(m_path);
    auto* browse = new QPushButton(app::LanguageText(kSection, "00000002"));
    app::SetControlId(browse, 1025);
    browse->setAutoDefault(false);

    auto* row = new QHBoxLayout;
    row->addWidget(m_path, 1);
    row->addWidget(browse);

    m_problem = app::MakeProblemLabel(QStringLiteral("folderProblem"));
    auto* inUse = new QLabel(app::LanguageText(kSection, "00000007").arg(app::TmpPathInForce()));
    inUse->setObjectName(QStringLiteral("folderInUse"));
    inUse->setTextFormat(Qt::PlainText);
    inUse->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* whenApplied = new QLabel(app::LanguageText(kSection, "00000008"));
    whenApplied->setObjectName(QStringLiteral("whenApplied"));
    whenApplied->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(row);
    layout->addWidget(m_problem);
    layout->addWidget(inUse);
    layout->addWidget(whenApplied);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000003", "00000004"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(browse, &QPushButton::clicked, this, &CDlgOption::OnBrowse);
    connect(m_path, &QLineEdit::textChanged, m_problem, &QLabel::hide);
}

void CDlgOption::OnBrowse()
{
    m_path->setText(app::ChooseFolder(
        this, app::kTempFolders, QStringLiteral("Please select the output path"), m_path->text()));
}

void CDlgOption::accept()
{
    const QString path = m_path->text();
    if (path.isEmpty()) {
        app::ShowMessage(this, QString(), QStringLiteral("The temporary path is empty!"),
                         QMessageBox::Critical);
        return;
    }
    // Config.ini's path is read back with room for 259 bytes; a longer one
    // would come back cut, naming another folder.
    if (path.toUtf8().size() >= VORLAIN_MAX_PATH) {
        app::ShowMessage(this, QString(), app::LanguageText(kSection, "00000005"),
                         QMessageBox::Critical);
        return;
    }
    // A folder the next session could not make its files in would fail
    // every Add File then; it is refused here, where it can be corrected.
    if (const app::FolderProblem problem = app::CheckWritableFolder(path);
        problem != app::FolderProblem::kNone) {
        app::ShowProblem(m_problem, app::FolderProblemText(problem, path));
        m_path->setFocus();
        return;
    }
    if (!app::WriteTmpPath(path)) {
        app::ShowMessage(this, QString(), app::LanguageText(kSection, "00000006"),
                         QMessageBox::Critical);
        return;
    }
    QDialog::accept();
}
