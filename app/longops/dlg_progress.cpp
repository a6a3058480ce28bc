#include "longops/dlg_progress.h"

#include "config/language.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

CDlgProgress::CDlgProgress(QWidget* parent) : CProgressView(parent, QStringLiteral("id1035"))
{
    setObjectName(QStringLiteral("CDlgProgress"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("id1028"));
    m_text->setWordWrap(true);
    Bar()->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(Bar());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgProgress::SetText(const QString& text)
{
    m_text->setText(text);
}

void CDlgProgress::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    setWindowTitle(app::LanguageText("pl03", "00000000"));
}

void CDlgProgress::closeEvent(QCloseEvent* event)
{
    // Closing the window only ends the dialog: the command still waits for
    // its job.
    event->accept();
    done(0);
}

void CDlgProgress::reject()
{
    // No cancel: Escape does nothing.
}
