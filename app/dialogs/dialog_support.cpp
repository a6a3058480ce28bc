#include "dialogs/dialog_support.h"

#include "config/language.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace app {

void SetControlId(QWidget* control, int id)
{
    control->setObjectName(QStringLiteral("id%1").arg(id));
}

void AcceptDigitsOnly(QLineEdit* edit, int maxDigits)
{
    // No sign, no spaces, no group separators: only what a plain number reads.
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), edit));
    edit->setMaxLength(maxDigits);
}

QString PercentText(int position)
{
    return QString::asprintf("%d%s", position * 100 / 10, "%");
}

QPushButton* AddDialogButton(QDialogButtonBox* box, QDialogButtonBox::ButtonRole role, int id,
                             const QString& text)
{
    auto* button = new QPushButton(text);
    SetControlId(button, id);
    box->addButton(button, role);
    return button;
}

namespace {

void AddGap(QBoxLayout* layout)
{
    // Stays at the bottom when the dialog is made taller.
    layout->addStretch(1);
    if (const QWidget* dialog = layout->parentWidget())
        layout->addSpacing(dialog->fontMetrics().height() / 2);
}

} // namespace

void AddButtonRow(QBoxLayout* layout, QWidget* buttons)
{
    AddGap(layout);
    layout->addWidget(buttons);
}

void AddButtonRow(QBoxLayout* layout, QLayout* buttons)
{
    AddGap(layout);
    layout->addLayout(buttons);
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog, const char* section, const char* okKey,
                                  const char* cancelKey)
{
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok =
        AddDialogButton(box, QDialogButtonBox::AcceptRole, kIdOk, LanguageText(section, okKey));
    ok->setDefault(true);
    AddDialogButton(box, QDialogButtonBox::RejectRole, kIdCancel, LanguageText(section, cancelKey));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QLabel* MakeProblemLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // Dark red: it reads on light and on mid-grey dialog backgrounds alike.
    label->setStyleSheet(QStringLiteral("color: #b00020;"));
    label->hide();
    return label;
}

void ShowProblem(QLabel* label, const QString& text)
{
    label->setText(text);
    label->show();
}

QString DialogTitle(const QString& caption)
{
    QString title = caption;
    // "&&" is a literal ampersand; a single "&" marks the mnemonic.
    title.replace(QLatin1String("&&"), QString(QChar(0xE000)));
    title.remove(QLatin1Char('&'));
    title.replace(QChar(0xE000), QLatin1Char('&'));
    for (const QString& ellipsis : {QStringLiteral("…"), QStringLiteral("...")})
        if (title.endsWith(ellipsis)) {
            title.chop(ellipsis.size());
            break;
        }
    return title.trimmed();
}

} // namespace app
