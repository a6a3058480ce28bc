#include "longops/dlg_progress.h"

#include "config/language.h"
#include "longops/edit_worker.h"

#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"
#include "vorlain/qt_registry_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

CDlgProgress::CDlgProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
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

    m_workerTimer = new QTimer(this);
    m_workerTimer->setInterval(50);
    connect(m_workerTimer, &QTimer::timeout, this, &CDlgProgress::CheckWorker);

    m_window = std::make_unique<vorlain::CRegistryWindow>([this](UINT msg, WPARAM w, LPARAM) {
        if (msg == vorlain::WM_PROGRESS_NOTIFY)
            OnNotifyProgress(static_cast<int>(w));
        return LRESULT(0);
    });
}

CDlgProgress::~CDlgProgress()
{
    // The worker must never send to a window that is gone.
    if (app::CEditWorker::ProgressWindow() == m_window->hwnd())
        app::CEditWorker::SetProgressWindow(nullptr);
}

void CDlgProgress::SetText(const QString& text)
{
    m_text->setText(text);
}

void CDlgProgress::SetWorker(const app::CEditWorker* worker)
{
    m_worker = worker;
}

void CDlgProgress::SetParts(const std::atomic<int>* part, int count)
{
    m_part = part;
    m_parts = count;
}

int CDlgProgress::Position() const
{
    return m_bar->value();
}

HWND CDlgProgress::Hwnd() const
{
    return m_window->hwnd();
}

void CDlgProgress::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_registered)
        return;
    m_registered = true;
    setWindowTitle(app::LanguageText("pl03", "00000000"));
    Kestrum_SetProressNotifyHwnd(m_window->hwnd());
    app::CEditWorker::SetProgressWindow(m_window->hwnd());
    if (m_worker)
        m_workerTimer->start();
}

void CDlgProgress::OnNotifyProgress(int percent)
{
    VorlainOutputDebugString("OnNotifyProgress %d", percent);
    if (m_parts > 0 && m_part) {
        // One call of several: its 100 is not the end.
        const int done = std::clamp(m_part->load(), 0, m_parts - 1);
        m_bar->setValue(std::clamp((done * 100 + std::clamp(percent, 0, 100)) / m_parts, 0, 99));
        return;
    }
    m_bar->setValue(std::clamp(percent, 0, 100));
    if (percent >= 100)
        done(0);
}

void CDlgProgress::CheckWorker()
{
    if (m_worker && m_worker->IsDone()) {
        m_workerTimer->stop();
        m_bar->setValue(100);
        done(0);
    }
}

void CDlgProgress::closeEvent(QCloseEvent* event)
{
    // Closing the window only ends the dialog: the command still waits for
    // its worker.
    event->accept();
    done(0);
}

void CDlgProgress::reject()
{
    // No cancel: Escape does nothing.
}
