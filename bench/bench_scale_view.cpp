// The display-control part of bench_scale: the control, created through its
// plugin as the program creates it, over the track of a project: the first
// draw, the redraw after a cut with the whole track in view and with ten
// seconds in view, zoom in and out, and a scroll to columns not yet built.
// Each time runs until the row's build is in and the row is painted.
//
// Usage (by bench_scale): bench_scale_view PROJECT REPEATS
#include "bench_scale_jobs.h"

#include "brimsel/brimsel_factory.h"

#include <QApplication>
#include <QImage>
#include <QThread>
#include <QVariant>
#include <QWidget>

/** The display control over the track of a project: redraws, zooms, a scroll. */
using namespace scale;

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string project = argv[1];
    const int repeats = std::max(1, std::atoi(argv[2]));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuietProgress();
    QString error;
    QWidget* control =
        brimsel::CreateControlByProgId(QStringLiteral(BRIMSEL_PROG_ID), nullptr, {}, &error);
    if (!control) {
        std::fprintf(stderr, "no control: %s\n", error.toUtf8().constData());
        return 1;
    }
    control->resize(1200, 400);
    control->show();
    QCoreApplication::processEvents();
    ReportMemory("control alone");

    CEditSession* session = Kestrum_Open(nullptr);
    Kestrum_OpenProject(session, project.c_str());
    CTrack* tracks[2] = {nullptr, nullptr};
    Kestrum_GetTrackList(session, tracks);
    CTrack* track = tracks[0];
    const int64_t length = Kestrum_GetTrackTime(session, 1);

    auto call = [&](const char* method, auto... args) {
        bool ok = false;
        QMetaObject::invokeMethod(control, method, Qt::DirectConnection, Q_RETURN_ARG(bool, ok),
                                  args...);
        return ok;
    };
    auto view = [&] { return control->findChild<QWidget*>(QStringLiteral("CDlgBrimsel")); };
    // Until the row's build is in and the row is painted.
    auto settle = [&] {
        for (;;) {
            QCoreApplication::processEvents();
            QWidget* row = view();
            if (row && !row->property("peaksPending").toBool())
                break;
            QThread::usleep(200);
        }
        view()->grab();
    };
    auto zoom = [&] {
        int z = 0;
        QMetaObject::invokeMethod(control, "GetZoomfactor", Qt::DirectConnection,
                                  Q_RETURN_ARG(int, z));
        return z;
    };
    const qint64 handle = static_cast<qint64>(reinterpret_cast<intptr_t>(track));
    Report("vorlain", "view: first draw", Time([&] {
               call("AddTrack", Q_ARG(qint64, handle));
               settle();
           }));
    const int width = view()->width() - 140;

    // A cut of one second in the middle, drawn; its undo, drawn (not timed).
    const int64_t mid = length / 2 + 123'457;
    auto redrawAfterCut = [&] {
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i) {
            Kestrum_Cut(session, 1, mid, mid + kSecond);
            times.push_back(Time([&] {
                call("ForceRedrawTrackEx", Q_ARG(int, 1), Q_ARG(int, 0),
                     Q_ARG(QVariant, QVariant()), Q_ARG(QVariant, QVariant()));
                settle();
            }));
            Kestrum_GoBack(session);
            call("ForceRedrawTrackEx", Q_ARG(int, 1), Q_ARG(int, 0), Q_ARG(QVariant, QVariant()),
                 Q_ARG(QVariant, QVariant()));
            settle();
        }
        return Median(times);
    };

    // The whole track in view: zoom out until every column fits.
    while (view()->property("columns").toInt() > width) {
        call("ZoomOut");
        settle();
    }
    Report("vorlain", "view: redraw after cut (whole track)", redrawAfterCut());
    // Zoom in and out from there.
    std::vector<double> in, out;
    for (int i = 0; i < repeats; ++i) {
        in.push_back(Time([&] {
            call("ZoomIn");
            settle();
        }));
        out.push_back(Time([&] {
            call("ZoomOut");
            settle();
        }));
    }
    Report("vorlain", "view: zoom in", Median(in));
    Report("vorlain", "view: zoom out", Median(out));

    // Ten seconds in view (zoom 328: 1344 columns), in the middle of the track.
    while (zoom() > 328) {
        call("ZoomIn");
        settle();
    }
    call("ScrollH", Q_ARG(QVariant, QVariant::fromValue<qint64>(mid - 3 * kSecond)));
    settle();
    Report("vorlain", "view: redraw after cut (10 s)", redrawAfterCut());
    // A scroll by three screens: columns the row does not hold yet.
    std::vector<double> scrolls;
    for (int i = 0; i < repeats; ++i) {
        const int64_t at = mid + (i % 2 ? -1 : 1) * 30 * kSecond;
        scrolls.push_back(Time([&] {
            call("ScrollH", Q_ARG(QVariant, QVariant::fromValue<qint64>(at)));
            settle();
        }));
    }
    Report("vorlain", "view: scroll 3 screens", Median(scrolls));
    ReportMemory("view");
    delete control;
    Kestrum_Close(session);
    return 0;
}
