#include "main/vorlain_app.h"

#include "main/command_line.h"
#include "main/prompts.h"
#include "widgets/tool_icons.h"
#include "window/vorlain_dlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

int CVorlainApp::Run(int& argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlain"));
    QApplication::setApplicationVersion(QStringLiteral(VORLAIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vorlain"));
    QApplication::setWindowIcon(app::AppIcon());

    app::StartupPaths startup = app::ParseCommandLine(QApplication::arguments());
    // The recent lists keep full paths.
    for (QString* path : {&startup.projectPath, &startup.filePath})
        if (!path->isEmpty())
            *path = QFileInfo(*path).absoluteFilePath();

    CVorlainDlg window(startup);
    if (!window.Initialize()) {
        app::ShowMessage(nullptr, QStringLiteral("Vorlain"), window.Error(), QMessageBox::Critical);
        return 1;
    }
    // Maximised covers the work area even where no window manager does it.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    QTimer::singleShot(0, &window, &CVorlainDlg::OpenStartupPaths);
    return QApplication::exec();
}
