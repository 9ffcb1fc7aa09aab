// pfhost: the stand-in host application. With --script it runs a script of viewport events and commands
// and exits; without, it is an interactive window.
#include <QApplication>
#include <QCommandLineParser>
#include <QOpenGLContext>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzappsettings.h"
#include "dzmainwindow.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "pfhost_script.h"
#include "pfhost_tools.h"
#include "pfhost_window.h"

namespace {

char const* const kScriptHelp = R"(Script (one command a line; # starts a comment; "quotes" keep blanks):
  open PATH                  a scene file (.pfscene, .json) or any mesh assimp reads
  save PATH                  save the scene
  screenshot PATH [window]   the main view's pixels, or the whole window (format by the suffix)
  press|release|click POS [MODS]   mouse button at POS; MODS: shift ctrl alt (joined by + or blanks)
                             and left (default), right or middle
  move POS [MODS]            mouse move (with the buttons pressed and not released)
  drag POS POS [MODS]        press, eight moves, release
  wheel DELTA [MODS]         wheel at the last mouse position; 120 is one notch forward
  key NAME [MODS]            key press and release (Shift, Alt, Ctrl alone; E, PgUp, Escape...);
  keypress NAME [MODS]       a key that is an action's shortcut triggers the action
  keyrelease NAME [MODS]
  project X Y Z [NAME]       world point to view pixels, printed; later POS can be @ or @NAME
  action CLASSNAME           trigger a registered action
  tool CLASSNAME             make a registered tool active (DzPickTool, PfTool)
  select NODE|none           the primary selection
  camera EX EY EZ TX TY TZ   camera at E looking at T
  frame [NODE]               frame the scene or one node
  style NAME                 draw style of the main view
  wait MS                    let timers run for MS milliseconds
  pf-selection-type vertex|edge|face   what the Pullform tool selects
  undo | redo                the last step of the undo stack (fails when there is none)
  expect nodes N | selected-nodes N | selected-facets N | primary NODE|none | tool CLASSNAME |
         pixel POS R G B [TOL] | log TEXT
POS is X Y in pixels of the view (origin top left), or @ / @NAME.
A failing line stops the script with "FILE:LINE: what was wrong" and exit code 1. A message box that a command
opens is closed and fails that line.)";

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pfhost"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in host application for the Pullform tool.\n\n") +
                                     QString::fromUtf8(kScriptHelp));
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
    parser.addOptions({script, mesh, sceneFile, size, settings});
    parser.process(qapp);
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
    registerPluginTools(window->getViewportMgr());
    PfHostUi ui(window);
    addPluginMenus(window);
    app.emitStarting();

    QString const first = parser.isSet(mesh) ? parser.value(mesh) : parser.value(sceneFile);
    if (!first.isEmpty()) {
        QString error;
        if (!PfHostUi::openFile(first, &error)) {
            std::fprintf(stderr, "pfhost: %s\n", qPrintable(error));
            return 1;
        }
    }

    if (!scripted) {
        if (parser.isSet(size))
            window->getViewportArea()->setMinimumSize(width, height);
        window->show();
        return qapp.exec();
    }

    // The views draw with OpenGL, so the window is shown (under Xvfb on a machine without a display).
    window->getViewportArea()->setFixedSize(width, height);
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
    PfHostScript runner(window, parser.value(script));
    int const result = runner.run();
    for (QString const& line : runner.output()) std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    if (result != 0)
        std::fprintf(stderr, "%s\n", qPrintable(runner.error()));
    // Tools are deactivated before the application goes.
    window->getViewportMgr()->setActiveTool(window->getViewportMgr()->findTool(QStringLiteral("DzPickTool")));
    return result;
}
