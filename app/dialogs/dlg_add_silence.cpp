#include "dialogs/dlg_add_silence.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl04";
// Ten digits are over 115 days of silence; times 1000 it still fits in 64 bits.
constexpr int kMaxDigits = 10;
} // namespace

CDlgAddSilence::CDlgAddSilence(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgAddSilence"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* label = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(label, 1073);
    m_length = new QLineEdit(QStringLiteral("2000"));
    app::SetControlId(m_length, 1041);
    app::AcceptDigitsOnly(m_length, kMaxDigits);
    m_length->setAlignment(Qt::AlignRight);
    m_length->setMinimumWidth(m_length->fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                              (kMaxDigits + 2));
    label->setBuddy(m_length);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_length, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_length->selectAll();
}

void CDlgAddSilence::accept()
{
    const int64_t milliseconds = m_length->text().toLongLong();
    app::Values().silenceLength = milliseconds * 1000;
    QDialog::accept();
}
