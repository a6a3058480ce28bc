#include "dialogs/dlg_track_split.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/up_down.h"
#include "main/prompts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl05";
constexpr int kStartCount = 2;
// Nine digits always fit the 32-bit count.
constexpr int kMaxDigits = 9;
} // namespace

CDlgTrackSplit::CDlgTrackSplit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgTrackSplit"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* countLabel = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(countLabel, 1080);
    m_count = new QLineEdit(QString::number(kStartCount));
    app::SetControlId(m_count, 1022);
    app::AcceptDigitsOnly(m_count, kMaxDigits);
    m_count->setAlignment(Qt::AlignRight);
    m_count->setFixedWidth(m_count->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6 +
                           m_count->sizeHint().height() / 2);
    m_count->installEventFilter(this);
    countLabel->setBuddy(m_count);
    m_upDown = new CUpDown;
    app::SetControlId(m_upDown, 1023);
    m_upDown->SetRange(1, 100);
    m_upDown->SetValue(kStartCount);

    auto* folderLabel = new QLabel(app::LanguageText(kSection, "00000002"));
    app::SetControlId(folderLabel, 1081);
    m_folder = new QLineEdit;
    app::SetControlId(m_folder, 1024);
    m_folder->setMinimumWidth(m_folder->fontMetrics().averageCharWidth() * 40);
    auto* browse = new QPushButton(app::LanguageText(kSection, "00000003"));
    app::SetControlId(browse, 1025);
    browse->setAutoDefault(false);
    folderLabel->setBuddy(m_folder);
    m_problem = app::MakeProblemLabel(QStringLiteral("folderProblem"));

    auto* countRow = new QHBoxLayout;
    countRow->setSpacing(0);
    countRow->addWidget(m_count);
    countRow->addWidget(m_upDown);
    countRow->addStretch(1);

    auto* grid = new QGridLayout;
    grid->addWidget(countLabel, 0, 0);
    grid->addLayout(countRow, 0, 1, 1, 2);
    grid->addWidget(folderLabel, 1, 0);
    grid->addWidget(m_folder, 1, 1);
    grid->addWidget(browse, 1, 2);
    grid->addWidget(m_problem, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* box = new QDialogButtonBox;
    QPushButton* split = app::AddDialogButton(box, QDialogButtonBox::AcceptRole, 1026,
                                              app::LanguageText(kSection, "00000004"));
    split->setDefault(true);
    app::AddDialogButton(box, QDialogButtonBox::RejectRole, 1019,
                         app::LanguageText(kSection, "00000005"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    app::AddButtonRow(layout, box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_count, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (const int count = text.toInt(); count != 0)
            m_upDown->SetValue(count);
    });
    connect(m_upDown, &CUpDown::Stepped, this,
            [this](int count) { m_count->setText(QString::number(count)); });
    connect(browse, &QPushButton::clicked, this, &CDlgTrackSplit::OnBrowse);
    connect(m_folder, &QLineEdit::textEdited, this, [this](const QString& text) {
        app::Values().splitFolder = text.trimmed();
        m_problem->hide();
    });

    app::Values().splitCount = kStartCount;
    m_count->selectAll();
}

bool CDlgTrackSplit::eventFilter(QObject* watched, QEvent* event)
{
    // The arrow keys in the number step it, as the arrows beside it do.
    if (watched == m_count && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            m_upDown->StepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgTrackSplit::OnBrowse()
{
    const QString folder =
        app::ChooseFolder(this, app::kSplitFolders, QStringLiteral("Please select the output path"),
                          m_folder->text());
    m_folder->setText(folder);
    app::Values().splitFolder = folder;
    m_problem->hide();
}

void CDlgTrackSplit::accept()
{
    if (app::Values().splitFolder.isEmpty()) {
        app::ShowMessage(this, QString(), QStringLiteral("Please set the output path!"),
                         QMessageBox::Warning);
        return;
    }
    const QString folder = app::Values().splitFolder;
    if (const app::FolderProblem problem = app::CheckWritableFolder(folder);
        problem != app::FolderProblem::kNone) {
        app::ShowProblem(m_problem, app::FolderProblemText(problem, folder));
        m_folder->setFocus();
        return;
    }
    app::Values().splitCount = m_count->text().toInt();
    QDialog::accept();
}
