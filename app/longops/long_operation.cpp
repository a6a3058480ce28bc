#include "longops/long_operation.h"

#include "longops/dlg_progress.h"
#include "main/prompts.h"

#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"
#include "vorlain/qt_registry_window.h"

#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>

namespace app {
namespace {

// The job's own messages to its operation's window.
constexpr UINT kPartStarted = 0x7F11; // wParam = the part, from 0
constexpr UINT kJobEnded = 0x7F12;

} // namespace

void CJobProgress::Post(unsigned percent) const
{
    PostMessage(m_window, vorlain::WM_PROGRESS_NOTIFY, percent, 0);
}

void CJobProgress::SetPart(int part) const
{
    PostMessage(m_window, kPartStarted, static_cast<WPARAM>(part), 0);
}

CProgressView::CProgressView(QWidget* parent, const QString& barName)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setModal(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(barName);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
}

void CProgressView::ShowPercent(int percent)
{
    m_bar->setValue(std::clamp(percent, 0, 100));
}

int CProgressView::Percent() const
{
    return m_bar->value();
}

CLongOperation::CLongOperation(QWidget* parent) : QObject(parent), m_parent(parent)
{
    m_window = std::make_unique<vorlain::CRegistryWindow>(
        [this](UINT msg, WPARAM w, LPARAM) { return OnMessage(msg, w); });
}

CLongOperation::~CLongOperation()
{
    // Never left running: a job outliving its operation would report to a
    // window that is gone.
    if (m_worker.joinable()) {
        RequestStop();
        m_worker.join();
    }
}

HWND CLongOperation::Hwnd() const
{
    return m_window->hwnd();
}

void CLongOperation::AddPhase(const QString& text)
{
    m_phases << text;
}

void CLongOperation::SetParts(int count)
{
    m_parts = count;
}

void CLongOperation::SetView(CProgressView* view)
{
    m_firstView = view;
}

void CLongOperation::SetStop(std::function<void()> stop)
{
    m_stop = std::move(stop);
}

void CLongOperation::SetFailureMessage(const QString& caption, std::function<QString()> text)
{
    m_failureCaption = caption;
    m_failureText = std::move(text);
}

int CLongOperation::Run(Job job)
{
    if (m_phases.isEmpty())
        m_phases << QString();
    // The kernel reports to this operation alone; its window goes with it.
    Kestrum_SetProressNotifyHwnd(Hwnd());
    const CJobProgress progress(Hwnd());
    m_worker = std::thread([this, progress, job = std::move(job)] {
        m_result.store(job(progress));
        VorlainOutputDebugString("ThreadOPT\t\tOUT");
        PostMessage(progress.Window(), kJobEnded, 0, 0);
    });

    for (int i = 0; i < m_phases.size(); ++i) {
        // A job that failed shows no further phase.
        if (m_done && !m_result.load())
            break;
        RunPhase(i);
    }
    if (!m_done) {
        // A dialog closed by the window manager ends early; the window then
        // waits here for the job, still drawing but taking no input.
        // (Disabling the window instead would enable every menu again
        // afterwards, the recent lists' empty ones too.)
        QEventLoop wait;
        m_wait = &wait;
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        m_wait = nullptr;
    }
    m_worker.join();
    const int result = m_result.load();
    if (!result && !m_stopRequested && m_failureText)
        ShowMessage(m_parent, m_failureCaption, m_failureText(), QMessageBox::Critical);
    return result;
}

void CLongOperation::RunPhase(int index)
{
    std::unique_ptr<CDlgProgress> own;
    CProgressView* view = index == 0 ? m_firstView : nullptr;
    if (!view) {
        own = std::make_unique<CDlgProgress>(m_parent);
        own->SetText(m_phases.at(index));
        own->SetCancelable(static_cast<bool>(m_stop));
        view = own.get();
    }
    connect(view, &CProgressView::StopRequested, this, &CLongOperation::RequestStop,
            Qt::UniqueConnection);
    m_view = view;
    // A phase whose 100 (or the job's end) came before its dialog opened
    // still shows the dialog, which then ends at once.
    if (m_done || m_phasesEnded > index) {
        view->ShowPercent(100);
        QTimer::singleShot(0, view, [view] { view->done(0); });
    }
    view->exec();
    m_view = nullptr;
    disconnect(view, &CProgressView::StopRequested, this, &CLongOperation::RequestStop);
}

void CLongOperation::RequestStop()
{
    m_stopRequested = true;
    if (m_stop && !m_done)
        m_stop();
}

void CLongOperation::EndView(int percent)
{
    if (!m_view)
        return;
    m_view->ShowPercent(percent);
    m_view->done(0);
}

LRESULT CLongOperation::OnMessage(UINT msg, WPARAM wParam)
{
    switch (msg) {
    case vorlain::WM_PROGRESS_NOTIFY: {
        const int percent = static_cast<int>(wParam);
        VorlainOutputDebugString("OnNotifyProgress %d", percent);
        if (m_stopRequested && m_stop && !m_done)
            m_stop();
        if (m_parts > 0) {
            // One call of several: its 100 is not the end.
            const int part = std::clamp(m_part, 0, m_parts - 1);
            if (m_view)
                m_view->ShowPercent(
                    std::clamp((part * 100 + std::clamp(percent, 0, 100)) / m_parts, 0, 99));
            break;
        }
        if (percent >= 100) {
            ++m_phasesEnded;
            EndView(100);
        } else if (m_view) {
            m_view->ShowPercent(std::clamp(percent, 0, 100));
        }
        break;
    }
    case kPartStarted:
        m_part = static_cast<int>(wParam);
        break;
    case kJobEnded:
        m_done = true;
        EndView(100);
        if (m_wait)
            m_wait->quit();
        break;
    default:
        break;
    }
    return 0;
}

} // namespace app
