#include "window_fixture.h"

#include "window/command_ids.h"

#include "vorlain/messages.h"
#include "vorlain/test/message_queue.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QThread>

#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace app::test {

void WindowTest::SetUp()
{
    IsolatedTest::SetUp();
    m_prompts = std::make_unique<ScriptedPrompts>();
}

void WindowTest::TearDown()
{
    if (m_window) {
        // Nothing may hang on a question at the end: answer No.
        m_prompts->AnswerMessage(QMessageBox::No);
        m_window.reset();
    }
    Pump();
    m_prompts.reset();
    IsolatedTest::TearDown();
}

CVorlainDlg& WindowTest::Start(const app::StartupPaths& startup)
{
    m_window = std::make_unique<CVorlainDlg>(startup);
    EXPECT_TRUE(m_window->Initialize()) << m_window->Error().toStdString();
    m_window->resize(1200, 760);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    m_window->activateWindow();
    Pump();
    m_window->OpenStartupPaths();
    Pump();
    return *m_window;
}

bool WindowTest::CloseWindow()
{
    if (!m_window->close())
        return false;
    m_window.reset();
    Pump();
    return true;
}

std::string WindowTest::MakeWave(const std::string& name, double seconds, int channels, int rate,
                                 int amplitude)
{
    return MakeWave(
        name,
        vorlain::test::Sine(static_cast<int64_t>(seconds * rate), rate, channels, 441.0, amplitude),
        rate, channels);
}

std::string WindowTest::MakeWave(const std::string& name, const vorlain::test::Samples& samples,
                                 int rate, int channels)
{
    const std::string path = env().path(name);
    EXPECT_TRUE(vorlain::test::WriteWave(path, samples, rate, channels));
    return path;
}

void WindowTest::SaveProjectOfWaves(const std::vector<std::string>& waves, const std::string& zvp)
{
    // The kernel waits for a registered progress window before its final
    // 100; without a dialog here, a window of our own takes it at once.
    vorlain::test::MessageQueueWindow progress;
    Kestrum_SetProressNotifyHwnd(progress.hwnd());
    CEditSession* s = Kestrum_Open(nullptr);
    ASSERT_NE(s, nullptr);
    for (const std::string& wav : waves)
        EXPECT_NE(Kestrum_AddTrack(s, wav.c_str()), nullptr) << wav;
    EXPECT_EQ(Kestrum_SaveProject(s, zvp.c_str(), 1), 1);
    Kestrum_Close(s);
    Kestrum_SetProressNotifyHwnd(nullptr);
}

int WindowTest::AddFile(const std::string& path)
{
    const QList<int> before = m_window->Control().VisibleTracks();
    m_prompts->AnswerFile(QString::fromStdString(path));
    if (!m_window->RunCommand(cmd::kAddFile))
        return 0;
    Pump();
    const QList<int> after = m_window->Control().VisibleTracks();
    for (int id : after)
        if (!before.contains(id))
            return id;
    return 0;
}

QWidget* WindowTest::Row(int trackId) const
{
    const auto rows =
        m_window->Control().Widget()->findChildren<QWidget*>(QStringLiteral("CDlgBrimsel"));
    for (QWidget* row : rows)
        if (row->property("trackId").toInt() == trackId)
            return row;
    return nullptr;
}

namespace {

int HScroll(CVorlainDlg& window)
{
    QWidget* panel = window.Control().Widget()->findChild<QWidget*>(QStringLiteral("CDlgPanel"));
    return panel ? panel->property("hScrollPos").toInt() : 0;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, buttons, mods);
    QApplication::sendEvent(w, &event);
}

} // namespace

int WindowTest::XOfTime(int64_t time) const
{
    // The control's mapping: a column spans `zoom` samples at 44100 Hz; the
    // wave area starts at x = 140.
    const int64_t zoom = m_window->Control().GetZoomfactor();
    return static_cast<int>(time * 44100 / zoom / 1000000 - HScroll(*m_window) + 140);
}

int64_t WindowTest::TimeOfX(int x) const
{
    const int64_t zoom = m_window->Control().GetZoomfactor();
    return (HScroll(*m_window) + x - 140) * zoom * 1000000 / 44100;
}

void WindowTest::ClickRow(int trackId, int64_t time)
{
    Pump(); // rows that select themselves when added do so first
    QWidget* row = Row(trackId);
    ASSERT_NE(row, nullptr);
    const QPoint at(XOfTime(time), 75);
    SendMouse(row, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(row, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    Pump();
}

void WindowTest::DragRow(int trackId, int64_t from, int64_t to)
{
    Pump(); // rows that select themselves when added do so first
    QWidget* row = Row(trackId);
    ASSERT_NE(row, nullptr);
    const QPoint a(XOfTime(from), 75), b(XOfTime(to), 75);
    SendMouse(row, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    SendMouse(row, QEvent::MouseMove, QPoint((a.x() + b.x()) / 2, 75), Qt::NoButton,
              Qt::LeftButton);
    SendMouse(row, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    SendMouse(row, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    Pump();
}

void WindowTest::RightClickRow(int trackId, int64_t time)
{
    Pump(); // rows that select themselves when added do so first
    QWidget* row = Row(trackId);
    ASSERT_NE(row, nullptr);
    const QPoint at(XOfTime(time), 75);
    SendMouse(row, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    SendMouse(row, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    Pump();
}

void WindowTest::Select(int64_t from, int64_t to)
{
    PostMessage(m_window->Hwnd(), vorlain::WM_TRACK_RANGE_REQUEST, static_cast<WPARAM>(from),
                static_cast<LPARAM>(to));
    Pump();
}

bool WindowTest::WaitFor(const std::function<bool()>& pred, int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void WindowTest::Pump(int rounds)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

void WindowTest::WaitForPeaks()
{
    WaitFor([this] {
        for (QWidget* row :
             m_window->Control().Widget()->findChildren<QWidget*>(QStringLiteral("CDlgBrimsel")))
            if (row->property("peaksPending").toBool())
                return false;
        return true;
    });
    Pump();
}

bool WindowTest::Enabled(int commandId) const
{
    QAction* action = m_window->Action(commandId);
    return action && action->isEnabled();
}

vorlain::test::Samples WindowTest::TrackSamples(int trackId)
{
    static int serial = 0;
    const std::string path = env().path("samples" + std::to_string(++serial) + ".wav");
    EXPECT_EQ(Kestrum_SaveTrackToFile(m_window->Editor(), static_cast<uint32_t>(trackId), 0, 0,
                                      path.c_str()),
              1);
    return ReadWaveSamples(path);
}

ProgressWatch::ProgressWatch()
{
    qApp->installEventFilter(this);
}

ProgressWatch::~ProgressWatch()
{
    qApp->removeEventFilter(this);
}

bool ProgressWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched->objectName() == QLatin1String("CDlgProgress") && watched->isWidgetType()) {
        auto* dialog = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show) {
            auto* text = dialog->findChild<QLabel*>(QStringLiteral("id1028"));
            m_texts << (text ? text->text() : QString());
        } else if (event->type() == QEvent::Hide) {
            auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("id1035"));
            m_positions << (bar ? bar->value() : -1);
        }
    }
    return QObject::eventFilter(watched, event);
}

vorlain::test::Samples ReadWaveSamples(const std::string& path)
{
    const std::vector<uint8_t> bytes = vorlain::test::ReadBytes(path);
    vorlain::test::Samples samples;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return samples;
}

bool PacedAudio::Available() { return vorlain::test::PulseServerAnswers(); }

PacedAudio::PacedAudio()
{
    if (const char* pcm = std::getenv("VORLAIN_PCM"))
        m_pcm = pcm;
    unsetenv("VORLAIN_PCM"); // "default", which routes to the server
    snd_config_update_free_global();
}

PacedAudio::~PacedAudio()
{
    if (m_pcm)
        setenv("VORLAIN_PCM", m_pcm->c_str(), 1);
    snd_config_update_free_global();
}

AlsaTap::AlsaTap(const std::string& played, const std::string& capture)
{
    if (const char* pcm = std::getenv("VORLAIN_PCM"))
        m_pcm = pcm;
    if (const char* pcm = std::getenv("VORLAIN_CAPTURE_PCM"))
        m_capture = pcm;
    std::ofstream rc(std::string(std::getenv("HOME")) + "/.asoundrc");
    rc << "pcm.tap { type file; slave.pcm \"null\"; file \"" << played << "\"; format \"raw\" }\n";
    if (!capture.empty())
        rc << "pcm.tapin { type file; slave.pcm \"null\"; file \"/dev/null\"; infile \"" << capture
           << "\"; format \"raw\" }\n";
    rc.close();
    snd_config_update_free_global(); // alsa-lib reads this configuration afresh
    setenv("VORLAIN_PCM", "tap", 1);
    if (!capture.empty())
        setenv("VORLAIN_CAPTURE_PCM", "tapin", 1);
}

AlsaTap::~AlsaTap()
{
    if (m_pcm)
        setenv("VORLAIN_PCM", m_pcm->c_str(), 1);
    else
        unsetenv("VORLAIN_PCM");
    if (m_capture)
        setenv("VORLAIN_CAPTURE_PCM", m_capture->c_str(), 1);
    else
        unsetenv("VORLAIN_CAPTURE_PCM");
    snd_config_update_free_global();
}

} // namespace app::test
