// The program part of bench_scale: the real main window over the real kernel
// and display control, started on a project as `vorlain PROJECT` starts, on
// Qt's offscreen platform. It measures
// - the time from the process start (the parent's clock reading, passed in)
//   to the first complete paint of the wave: the row fitted to the whole
//   track, built and painted;
// - the maximum resident size with the project open;
// - the processor time per second of the whole process, first idle, then
//   while it plays the track in real time into the PulseAudio test server's
//   null sink (tools/ci-services.sh starts it), with the whole track in view;
// - the time from Ctrl+X on a 1-second selection to the repainted row.
//
// Usage (by bench_scale): bench_scale_program PROJECT REPEATS STARTED_NS [start-only]
// (start-only: ends once the start is timed)
#include "bench_scale_jobs.h"

#include "main/command_line.h"
#include "state/project_preload.h"
#include "window/command_ids.h"
#include "window/vorlain_dlg.h"

#include "vorlain/messages.h"
#include "vorlain/test/pulse_server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <time.h>

#include <cstring>
#include <filesystem>

namespace {

using namespace scale;

int64_t MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

double CpuSeconds()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/** Sees the rows of the display control paint: once armed, a paint of a
 *  row that had every column built counts as a complete one. (While a
 *  project opens, a row may paint complete at the default zoom, before the
 *  view is fitted to the whole track: that is not yet the wave.) */
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_armed && event->type() == QEvent::Paint &&
            watched->objectName() == QLatin1String("CDlgBrimsel") &&
            !watched->property("peaksPending").toBool())
            ++m_complete;
        return false;
    }
    void Arm() { m_armed = true; }
    int Complete() const { return m_complete; }

private:
    bool m_armed = false;
    int m_complete = 0;
};

/** Runs the event loop for ms milliseconds, as the program's own loop runs. */
void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

/** Runs the event loop until pred holds (false after ten minutes). */
bool RunUntil(const std::function<bool()>& pred)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > 600'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const int64_t started = std::atoll(argv[3]);
    const int repeats = std::max(1, std::atoi(argv[2]));
    // A first start: its own configuration and temporary folders, so no
    // earlier run's recent lists or left-over session are offered.
    const std::string home = std::filesystem::absolute(std::string(argv[1]) + ".program-home");
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home + "/tmp");
    setenv("HOME", home.c_str(), 1);
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        unsetenv(name);
    setenv("TMPDIR", (home + "/tmp").c_str(), 1);
    // Playback through ALSA's "default", which the server's client library
    // routes to its null sink, played in real time.
    vorlain::test::PulseServerScope server;
    unsetenv("VORLAIN_PCM");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QuietProgress();

    // As `vorlain PROJECT` starts: the project is read while Qt builds the window.
    app::StartupPaths startup;
    startup.projectPath = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    startup.preload = app::PreloadProject(startup.projectPath);
    QApplication application(argc, argv);
    PaintWatch paints;
    application.installEventFilter(&paints);
    CVorlainDlg window(std::move(startup));
    if (!window.Initialize()) {
        std::fprintf(stderr, "no window: %s\n", qPrintable(window.Error()));
        return 1;
    }
    window.resize(1280, 800);
    window.show();
    QApplication::setActiveWindow(&window);
    QTimer::singleShot(0, &window, [&] {
        window.OpenStartupPaths(); // opened, and the view fitted to the track
        paints.Arm();
    });
    auto opened = [&] { return Kestrum_GetTrackTime(window.Editor(), 1) > 0; };
    if (!RunUntil([&] { return opened() && paints.Complete() > 0; })) {
        std::fprintf(stderr, "the project did not open\n");
        return 1;
    }
    Report("vorlain", "program: start to wave painted", (MonotonicNs() - started) / 1e9);
    if (argc > 4 && std::strcmp(argv[4], "start-only") == 0)
        return 0;
    ReportMemory("program");
    const int64_t length = Kestrum_GetTrackTime(window.Editor(), 1);

    // Idle, then playing from the start, the whole track in view.
    RunFor(1000);
    auto cpuShare = [](int ms) {
        const double cpu = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        RunFor(ms);
        return (CpuSeconds() - cpu) / (wall.nsecsElapsed() / 1e9);
    };
    Report("cpu", "program: idle", cpuShare(5000));
    if (!window.RunCommand(cmd::kTbPlay) || window.PlayButtonState() != CVorlainDlg::kPlaying) {
        std::fprintf(stderr, "playback did not start (is the PulseAudio test server up?)\n");
        return 1;
    }
    RunFor(1000); // past the player's start
    Report("cpu", "program: playing", cpuShare(10'000));
    window.RunCommand(cmd::kTbStop);
    RunUntil([&] { return window.PlayButtonState() == CVorlainDlg::kStopped; });
    ReportMemory("program playing");

    // Ctrl+X on one second in the middle, until the row has painted the cut;
    // Ctrl+Z, likewise (not timed).
    const int64_t mid = length / 2 + 123'457;
    QWidget* row = window.Control().Widget()->findChild<QWidget*>(QStringLiteral("CDlgBrimsel"));
    if (!row)
        return 1;
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 3, 75)); // the track current
    RunUntil([&] { return window.CurrentTrack() == 1; });
    auto key = [&](Qt::Key k) {
        QApplication::setActiveWindow(&window);
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(focus, k, Qt::ControlModifier);
    };
    std::vector<double> cuts;
    for (int i = 0; i < repeats; ++i) {
        PostMessage(window.Hwnd(), vorlain::WM_TRACK_RANGE_REQUEST, static_cast<WPARAM>(mid),
                    static_cast<LPARAM>(mid + kSecond));
        RunUntil([&] { return window.SelectionEnd() - window.SelectionStart() == kSecond; });
        RunFor(50);
        const int before = paints.Complete();
        const auto start = Clock::now();
        key(Qt::Key_X);
        if (!RunUntil([&] {
                return Kestrum_GetTrackTime(window.Editor(), 1) == length - kSecond &&
                       paints.Complete() > before;
            })) {
            std::fprintf(stderr, "Ctrl+X did not cut\n");
            return 1;
        }
        cuts.push_back(Since(start));
        key(Qt::Key_Z);
        RunUntil([&] { return Kestrum_GetTrackTime(window.Editor(), 1) == length; });
        RunFor(50);
    }
    Report("vorlain", "program: Ctrl+X to row painted", Median(cuts));
    return 0;
}
