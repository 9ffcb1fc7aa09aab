// pfhost: the stand-in host application. With --script it runs a script of viewport events and commands
// and exits; without, it is an interactive window.
#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzappsettings.h"
#include "dzmainwindow.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "pfhost_script.h"
#include "pfhost_script_commands.h"
#include "pfhost_tools.h"
#include "pfhost_window.h"

namespace {

QString scriptHelp() {
    return QStringLiteral("Script (one command a line; # starts a comment; \"quotes\" keep blanks):\n") +
           pfHostScriptCommandHelp() +
           QStringLiteral(
               "POS is X Y in pixels of the view (origin top left), or @ / @NAME.\n"
               "A failing line stops the script with \"FILE:LINE: what was wrong\" and exit code 1. A "
               "message "
               "box that a command\nopens is closed and fails that line.");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pfhost"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in host application for the Pullform tool.\n\n") +
                                     scriptHelp());
    parser.addHelpOption();
    QCommandLineOption script(QStringLiteral("script"), QStringLiteral("Run the script FILE and exit."),
                              QStringLiteral("FILE"));
    QCommandLineOption mesh(QStringLiteral("mesh"), QStringLiteral("Import the mesh FILE first."),
                            QStringLiteral("FILE"));
    QCommandLineOption sceneFile(QStringLiteral("scene"), QStringLiteral("Load the scene FILE first."),
                                 QStringLiteral("FILE"));
    QCommandLineOption size(QStringLiteral("size"),
                            QStringLiteral("Size of the main 3D view, WxH (script mode: default 640x480)."),
                            QStringLiteral("WxH"));
    QCommandLineOption settings(QStringLiteral("settings"),
                                QStringLiteral("Folder of the application settings file."),
                                QStringLiteral("DIR"));
    QCommandLineOption plugins(QStringLiteral("plugins"),
                               QStringLiteral("Load the plug-ins of the folder DIR (default: where the build "
                                              "puts HV_pullform)."),
                               QStringLiteral("DIR"));
    parser.addOptions({script, mesh, sceneFile, size, settings, plugins});
    // Not process(): it exits with 1 on a wrong option, where wrong options exit with 2.
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "pfhost: %s\n(pfhost --help lists the options)\n",
                     qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "pfhost: unexpected argument \"%s\" (pfhost --help lists the options)\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(mesh) && parser.isSet(sceneFile)) {
        std::fprintf(stderr, "pfhost: give --mesh or --scene, not both\n");
        return 2;
    }
    bool const scripted = parser.isSet(script);
    int width = 640, height = 480;
    if (parser.isSet(size)) {
        QStringList const wh = parser.value(size).split('x');
        bool okW = false, okH = false;
        if (wh.size() == 2) {
            width = wh[0].toInt(&okW);
            height = wh[1].toInt(&okH);
        }
        if (!okW || !okH || width < 64 || height < 48 || width > 8192 || height > 8192) {
            std::fprintf(stderr, "pfhost: --size must be WxH, at least 64x48, such as 640x480\n");
            return 2;
        }
    }
    if (parser.isSet(settings))
        DzAppSettings::setSettingsFolder(parser.value(settings));

    DzApp app;
    DzMainWindow* window = app.getInterface();
    HostUi ui(window);
    // A script says what it wants: nothing asks before its changes are dropped.
    ui.setAsksToSave(!scripted);
    // A plug-in that cannot be loaded is named with the reason; the host starts without it.
    for (QString const& problem : loadPlugins(parser.value(plugins)))
        std::fprintf(stderr, "pfhost: %s\n", qPrintable(problem));
    ui.rebuildToolActions();
    // A document the host is asked to show (a plug-in's manual) opens in the desktop's viewer; a script run
    // names it on stderr instead.
    QObject::connect(&app, &DzApp::urlShown, &app, [scripted, window](QString const& url) {
        if (scripted) {
            std::fprintf(stderr, "pfhost: shown: %s\n", qPrintable(url));
            return;
        }
        QUrl target(url);
        if (url.startsWith(QLatin1String("file://"))) {
            // "file:///" and an absolute path make four slashes: the local path is what follows, one slash
            // kept.
            QString path = url.mid(7);
            while (path.startsWith(QLatin1String("//"))) path.remove(0, 1);
            if (!QFileInfo::exists(path)) {
                QMessageBox::warning(window, QStringLiteral("pfhost"),
                                     QStringLiteral("There is no file at %1.").arg(path));
                return;
            }
            target = QUrl::fromLocalFile(path);
        }
        if (!QDesktopServices::openUrl(target))
            QMessageBox::warning(window, QStringLiteral("pfhost"),
                                 QStringLiteral("No program here opens %1.").arg(target.toString()));
    });
    app.emitStarting();

    QString const first = parser.isSet(mesh) ? parser.value(mesh) : parser.value(sceneFile);
    QString notice;
    if (!first.isEmpty()) {
        QString error;
        if (!ui.open(first, &error, &notice)) {
            std::fprintf(stderr, "pfhost: %s\n", qPrintable(error));
            return 1;
        }
    }

    if (!scripted) {
        if (parser.isSet(size))
            window->getViewportArea()->setMinimumSize(width, height);
        window->show();
        if (!notice.isEmpty())
            QMessageBox::warning(window, QStringLiteral("pfhost"), notice);
        return qapp.exec();
    }
    if (!notice.isEmpty())
        std::fprintf(stderr, "pfhost: %s\n", qPrintable(notice));

    // The views draw with OpenGL, so the window is shown (under Xvfb on a machine without a display).
    window->getViewportArea()->setFixedSize(width, height);
    // The window around the view: no wider or taller than the view and the docks need.
    window->resize(window->minimumSizeHint());
    window->show();
    if (!QTest::qWaitForWindowExposed(window, 10000)) {
        std::fprintf(stderr, "pfhost: the window was not shown (no X server? run under xvfb-run)\n");
        return 1;
    }
    Dz3DViewport* view = window->getViewportMgr()->getViewport(0)->get3DViewport();
    view->grabPixels();
    if (!view->context() || !view->context()->isValid()) {
        std::fprintf(stderr,
                     "pfhost: the 3D view has no OpenGL context (run under xvfb-run with the xcb "
                     "platform)\n");
        return 1;
    }
    if (!first.isEmpty())
        view->frameScene();
    HostScript runner(window, parser.value(script));
    int const result = runner.run();
    for (QString const& line : runner.output()) std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    if (result != 0)
        std::fprintf(stderr, "%s\n", qPrintable(runner.error()));
    // Tools are deactivated before the application goes.
    window->getViewportMgr()->setActiveTool(window->getViewportMgr()->findTool(QStringLiteral("DzPickTool")));
    return result;
}
