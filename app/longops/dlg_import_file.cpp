#include "longops/dlg_import_file.h"

#include "config/language.h"

#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"
#include "vorlain/qt_registry_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The worker tells the dialog it is done; the dialog then starts its timer
// (id 668) on the GUI thread.
constexpr UINT kWorkerDone = 0x7F10;

} // namespace

CDlgImportFile::CDlgImportFile(CEditSession* editor, const QString& path, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_editor(editor), m_path(path)
{
    setObjectName(QStringLiteral("CDlgImportFile"));
    setModal(true);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("id1072"));
    m_pathText = new QLabel(this);
    m_pathText->setObjectName(QStringLiteral("id1014"));
    m_pathText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("id1013"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    const int width = fontMetrics().averageCharWidth() * 60;
    m_bar->setMinimumWidth(width);
    m_pathText->setMaximumWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_pathText);
    layout->addWidget(m_bar);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_window = std::make_unique<vorlain::CRegistryWindow>(
        [this](UINT msg, WPARAM w, LPARAM) { return OnMessage(msg, w); });
}

CDlgImportFile::~CDlgImportFile()
{
    if (m_worker.joinable()) {
        // Never left running: the worker owns no window to tell.
        if (m_editor)
            Kestrum_Stop(m_editor);
        m_worker.join();
    }
}

int CDlgImportFile::Position() const
{
    return m_bar->value();
}

HWND CDlgImportFile::Hwnd() const
{
    return m_window->hwnd();
}

intptr_t CDlgImportFile::Run()
{
    exec();
    return m_result;
}

void CDlgImportFile::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    setWindowTitle(app::LanguageText("pl01", "00000000"));
    m_label->setText(app::LanguageText("pl01", "00000001"));
    // Long paths are shortened in the middle; the whole path is the tooltip.
    m_pathText->setText(
        m_pathText->fontMetrics().elidedText(m_path, Qt::ElideMiddle, m_pathText->maximumWidth()));
    m_pathText->setToolTip(m_path);
    Kestrum_SetProressNotifyHwnd(m_window->hwnd());
    const HWND hwnd = m_window->hwnd();
    m_worker = std::thread([this, hwnd] {
        CTrack* track = Kestrum_AddTrack(m_editor, m_path.toUtf8().constData());
        m_result = reinterpret_cast<intptr_t>(track);
        m_done.store(true);
        PostMessage(hwnd, kWorkerDone, 0, 0);
    });
}

LRESULT CDlgImportFile::OnMessage(UINT msg, WPARAM wParam)
{
    if (msg == vorlain::WM_PROGRESS_NOTIFY) {
        VorlainOutputDebugString("OnNotifyProgress %d", static_cast<int>(wParam));
        m_bar->setValue(std::clamp(static_cast<int>(wParam), 0, 100));
    } else if (msg == kWorkerDone) {
        QTimer::singleShot(50, this, &CDlgImportFile::OnTimer);
    }
    return 0;
}

void CDlgImportFile::OnTimer()
{
    VorlainOutputDebugString("CDlgImportFile::OnTimer");
    if (m_worker.joinable())
        m_worker.join();
    // A close request that came too late to stop anything keeps the track:
    // the kernel made it, so the view shows it.
    if (m_closing && m_result <= 0)
        m_result = -1;
    done(0);
}

void CDlgImportFile::RequestClose()
{
    if (m_closing)
        return;
    m_closing = true;
    // The import ends within a fraction of a second; the dialog then ends
    // with -1 once the worker is done (see OnTimer), and the window stays
    // alive meanwhile.
    if (!m_started) {
        m_result = -1;
        done(0);
        return;
    }
    // The import clears a stop that comes before it has really begun: the
    // request is made again every 100 ms until the worker is done.
    auto* again = new QTimer(this);
    connect(again, &QTimer::timeout, this, [this, again] {
        if (m_done.load())
            again->stop();
        else if (m_editor)
            Kestrum_Stop(m_editor);
    });
    if (!m_done.load() && m_editor)
        Kestrum_Stop(m_editor);
    again->start(100);
}

void CDlgImportFile::closeEvent(QCloseEvent* event)
{
    event->ignore();
    RequestClose();
}

void CDlgImportFile::reject()
{
    RequestClose();
}
