#include "longops/dlg_progress.h"

#include "config/language.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CDlgProgress::CDlgProgress(QWidget* parent) : CProgressView(parent, QStringLiteral("id1035"))
{
    setObjectName(QStringLiteral("CDlgProgress"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("id1028"));
    m_text->setWordWrap(true);
    Bar()->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    m_cancel = new QPushButton(app::LanguageText("pl03", "00000001"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_cancel->setAutoDefault(false);
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, &CDlgProgress::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(Bar());
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgProgress::SetCancelable(bool cancelable)
{
    m_cancel->setVisible(cancelable);
}

void CDlgProgress::Cancel()
{
    // Asked once: the button says the operation is stopping until the job
    // has returned and the operation ends the dialog.
    if (!m_cancel->isVisible() || !m_cancel->isEnabled())
        return;
    m_cancel->setEnabled(false);
    m_cancel->setText(app::LanguageText("pl03", "00000002"));
    emit StopRequested();
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
    // Escape is Cancel, where there is one.
    Cancel();
}
