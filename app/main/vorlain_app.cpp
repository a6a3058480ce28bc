#include "main/vorlain_app.h"

#include "config/language.h"
#include "main/command_line.h"
#include "main/prompts.h"
#include "main/startup_checks.h"
#include "state/project_preload.h"
#include "widgets/tool_icons.h"
#include "window/vorlain_dlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>

int CVorlainApp::Run(int& argc, char** argv)
{
    // Needs no display.
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Vorlain %s\n", VORLAIN_VERSION);
        return 0;
    }
    // A project named alone on the command line starts opening now, while
    // Qt builds the window; the parse below, once Qt has taken its own
    // arguments out, decides whether the window uses it. Qt's own arguments
    // start with '-': a read of one would be dropped only once it ended.
    std::shared_ptr<app::CProjectPreload> preload;
    if (argc == 2 && argv[1][0] != '-') {
        const QString project =
            app::ParseCommandLine({QString(), QString::fromLocal8Bit(argv[1])}).projectPath;
        if (!project.isEmpty())
            preload = app::PreloadProject(QFileInfo(project).absoluteFilePath());
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlain"));
    QApplication::setApplicationVersion(QStringLiteral(VORLAIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.vorlain.Vorlain"));
    QApplication::setWindowIcon(app::AppIcon());

    QStringList arguments = QApplication::arguments();
    // --smoke-test: build the main window as a start does, report where the
    // control and the texts came from, and end (for checking an install).
    const bool smokeTest = arguments.size() > 1 && arguments.at(1) == QLatin1String("--smoke-test");
    if (smokeTest)
        arguments.removeAt(1);
    app::StartupPaths startup = app::ParseCommandLine(arguments);
    // The recent lists keep full paths.
    for (QString* path : {&startup.projectPath, &startup.filePath})
        if (!path->isEmpty())
            *path = QFileInfo(*path).absoluteFilePath();
    if (preload && preload->Project() == startup.projectPath)
        startup.preload = std::move(preload);
    preload.reset(); // read in vain: Qt took the argument as one of its own

    CVorlainDlg window(std::move(startup));
    if (smokeTest) {
        const bool ok = window.Initialize();
        const QString texts = app::LanguageText("main", "00000000");
        std::printf("display control: %s\nlanguage file: %s (%s)\n",
                    ok ? "loaded" : qPrintable(window.Error()), qPrintable(app::LanguageFile()),
                    texts.isEmpty() ? "no texts" : "texts found");
        return ok && !texts.isEmpty() ? 0 : 1;
    }
    if (!window.Initialize()) {
        app::ShowMessage(nullptr, QStringLiteral("Vorlain"), window.Error(), QMessageBox::Critical);
        return 1;
    }
    // Maximised covers the work area even where no window manager does it.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    // Told over the shown window, before anything is opened in it.
    QTimer::singleShot(0, &window, [&window] { app::WarnOfUnusableTmpPath(&window); });
    QTimer::singleShot(0, &window, &CVorlainDlg::OpenStartupPaths);
    return QApplication::exec();
}
