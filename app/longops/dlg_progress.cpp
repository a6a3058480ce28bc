#include "longops/dlg_progress.h"

#include "config/language.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

CDlgProgress::CDlgProgress(QWidget* parent)
    : CProgressView(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("CDlgProgress"));
    setModal(true);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("id1028"));
    m_text->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("id1035"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgProgress::SetText(const QString& text)
{
    m_text->setText(text);
}

void CDlgProgress::ShowPercent(int percent)
{
    m_bar->setValue(std::clamp(percent, 0, 100));
}

int CDlgProgress::Percent() const
{
    return m_bar->value();
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
