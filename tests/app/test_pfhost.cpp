// pfhost's script mode, run as a separate process on small scripts (under the suites' X server).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "pfhost_runner.h"
#include <QTextStream>

namespace {

using Outcome = PfhostRun;

// A 2 x 2 grid of quads on the XY plane, from (0, 0) to (2, 2).
class HostScript : public PfhostScriptTest {
protected:
    HostScript() : PfhostScriptTest(2, 2, "320x240") {}
    Outcome script(QString const& text, QStringList const& more = {}) const { return run(text, more); }
};

TEST_F(HostScript, ARunOpensClicksChecksSavesAndTakesAScreenshot) {
    Outcome const r = script(
        "# comments and blank lines are skipped\n"
        "\n"
        "open grid.obj\n"
        "expect nodes 1\n"
        "expect primary grid   # the imported node is selected\n"
        "camera 1 1 6 1 1 0\n"
        "project 1.5 0.5 0 corner\n"
        "click 2 2\n"
        "expect primary none\n"
        "click @corner\n"
        "expect primary grid\n"
        "action DzFacetSelAllAction\n"
        "expect selected-facets 4\n"
        "action DzFacetSelShrinkAction\n"
        "expect selected-facets 4\n"
        "key Escape\n"
        "wheel -120 ctrl\n"
        "drag 10 10 60 30 right\n"
        "screenshot shot.png\n"
        "save \"saved scene.pfscene\"\n"
        "tool DzPickTool\n"
        "expect tool DzPickTool\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("project 1.5 0.5 0 -> ")) << r.out.toStdString();
    QImage const shot(path("shot.png"));
    EXPECT_EQ(shot.size(), QSize(320, 240));
    ASSERT_TRUE(QFile::exists(path("saved scene.pfscene")));

    Outcome const again = script("expect nodes 1\nexpect primary none\n", {"--scene", "saved scene.pfscene"});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
}

TEST_F(HostScript, ThePixelsShowTheMeshAndTheHostsFacetSelection) {
    Outcome const r = script(
        "open grid.obj\n"
        "camera 1 1 6 1 1 0\n"
        "project 0.5 0.5 0 inside\n"
        "project -1 -1 0 outside\n"
        "expect pixel @outside 56 61 69 3\n"
        "action DzFacetSelAllAction\n"
        "expect pixel @inside 242 140 64 40\n"
        "expect pixel @inside 56 61 69 3\n");
    EXPECT_EQ(r.exitCode, 1);
    // Only the last check fails, on its own line.
    EXPECT_TRUE(r.err.contains("script.txt:8: expected pixel ")) << r.err.toStdString();
}

TEST_F(HostScript, SaveNeverWritesOverTheMeshAndNothingAsksAboutUnsavedWork) {
    QByteArray const mesh = gridObj(2, 2);
    Outcome r = script("open grid.obj\nsave grid.obj\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.contains("script.txt:2: save: cannot save scene file \"grid.obj\": a scene file's name ends in "
                       "\".pfscene\" or \".json\""))
        << r.err.toStdString();
    QFile obj(path("grid.obj"));
    ASSERT_TRUE(obj.open(QIODevice::ReadOnly));
    EXPECT_EQ(obj.readAll(), mesh);
    EXPECT_FALSE(QFile::exists(path("grid.obj.saving")));
    // An edited scene is replaced by another and the run ends, with no box asking to save it.
    r = script(
        "open grid.obj\nsave saved.pfscene\nopen grid.obj\nexpect nodes 2\nopen saved.pfscene\nexpect nodes "
        "1\n"
        "open grid.obj\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST_F(HostScript, ErrorsNameTheLineAndWhatWasWrong) {
    struct Case {
        char const* script;
        char const* message;
    };
    Case const cases[] = {
        {"open grid.obj\nbogus 1 2\n", "script.txt:2: unknown command \u201Cbogus\u201D"},
        {"\n# only a comment\nclick 10\n", "script.txt:3: click: a position needs X and Y"},
        {"click ten 20\n", "script.txt:1: click: X must be a number, not \u201Cten\u201D"},
        {"click 10 20 hyper\n",
         "script.txt:1: click: unknown modifier or button \u201Chyper\u201D (shift, ctrl, alt, left, right, "
         "middle)"},
        {"project 1 2 3\nclick @far\n",
         "script.txt:2: click: no projected point \u201C@far\u201D (use project first)"},
        {"expect nodes 3\n", "script.txt:1: expected nodes 3, found 0"},
        {"open missing.obj\n", "script.txt:1: "},
        {"open grid.obj\nexpect primary other\n",
         "script.txt:2: expected primary \u201Cother\u201D, found \u201Cgrid\u201D"},
        {"action NoSuchAction\n",
         "script.txt:1: action: there is no action of class \u201CNoSuchAction\u201D"},
        {"tool NoSuchTool\n", "script.txt:1: tool: there is no tool of class \u201CNoSuchTool\u201D"},
        {"key Hyper\n", "script.txt:1: key: unknown key \u201CHyper\u201D"},
        {"undo\n", "script.txt:1: undo: there is nothing to undo"},
        {"redo\n", "script.txt:1: redo: there is nothing to redo"},
        {"save\n", "script.txt:1: usage: save PATH"},
        {"open \"grid.obj\n", "script.txt:1: unclosed double quote"},
        {"expect selected-facets 1\n",
         "script.txt:1: expect selected-facets: no node with geometry is selected"},
        {"expect wobble 1\n", "script.txt:1: expect: unknown check \u201Cwobble\u201D"},
        // Numbers a person may type that do not fit what they stand for.
        {"drag 0 0 1e9 1e9\n",
         "script.txt:1: drag: X must lie between -100000 and 100000 pixels, not \u201C1e9\u201D"},
        {"click 10 -1e10\n",
         "script.txt:1: click: Y must lie between -100000 and 100000 pixels, not \u201C-1e10\u201D"},
        {"click inf 1\n", "script.txt:1: click: X must be a finite number, not \u201Cinf\u201D"},
        {"project 1e39 0 0\n",
         "script.txt:1: project: X must lie within the single-precision range (about \u00B13.4e38), not "
         "\u201C1e39\u201D"},
        {"project nan 0 0\n", "script.txt:1: project: X must be a finite number, not \u201Cnan\u201D"},
        {"camera 1 1 6 1 1 0\nproject 2 1 5.99999\n",
         "script.txt:2: project: the point falls more than 100000 pixels outside the view"},
        {"camera 0 0 0 0 0 0\n",
         "script.txt:1: camera: the eye and the target are one point, which gives the camera no direction"},
        {"camera -3e38 0 0 3e38 0 0\n", "script.txt:1: camera: the eye and the target are too far apart"},
    };
    for (Case const& c : cases) {
        Outcome const r = script(QString::fromUtf8(c.script));
        EXPECT_EQ(r.exitCode, 1) << c.script;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message)))
            << "script: " << c.script << "\nstderr: " << r.err.toStdString();
    }
}

// Every value that does not fit is named with its range, the line's command once in front: the message is the
// whole line.
TEST_F(HostScript, ValuesOutsideTheirRangeAreNamedWithTheRange) {
    struct Case {
        char const* line;  // after "open grid.obj", "tool PfTool" and a snapshot
        char const* message;
    } const cases[] = {
        {"pf-falloff 1e308",
         "pf-falloff: RADIUS must be a whole number between 0 and 2147483647 (tenths of a unit), not "
         "\u201C1e308\u201D"},
        {"pf-falloff -5",
         "pf-falloff: RADIUS must be a whole number between 0 and 2147483647 (tenths of a unit), not "
         "\u201C-5\u201D"},
        {"pf-falloff 2.5",
         "pf-falloff: RADIUS must be a whole number between 0 and 2147483647 (tenths of a unit), not "
         "\u201C2.5\u201D"},
        {"pf-falloff 5 99",
         "pf-falloff: MODE must be a whole number between 0 and 6 (0 smooth, 1 sphere, 2 inverse square, 3 "
         "sharp, 4 linear, 5 constant, 6 random), not \u201C99\u201D"},
        {"pf-falloff wide", "pf-falloff: RADIUS must be a whole number, not \u201Cwide\u201D"},
        {"pf-gizmo-rotate z 1e308",
         "pf-gizmo-rotate: DEGREES must lie strictly between -360 and 360, not \u201C1e308\u201D"},
        {"pf-gizmo-rotate z -360",
         "pf-gizmo-rotate: DEGREES must lie strictly between -360 and 360, not \u201C-360\u201D"},
        {"pf-gizmo-drag x 1e39 0 0",
         "pf-gizmo-drag: DX must lie within the single-precision range (about \u00B13.4e38), not "
         "\u201C1e39\u201D"},
        {"expect pf-mesh-same before nan",
         "expect pf-mesh-same: TOL must be a finite number, not \u201Cnan\u201D"},
        {"expect pf-mesh-same before -1", "expect pf-mesh-same: TOL must be 0 or more, not \u201C-1\u201D"},
        {"expect pf-mesh-same after", "expect pf-mesh-same: no snapshot named \u201Cafter\u201D"},
        {"expect nodes 1e308",
         "expect nodes: N must be a whole number between 0 and 2147483647, not \u201C1e308\u201D"},
        {"expect pf-deltas -1",
         "expect pf-deltas: N must be a whole number between 0 and 2147483647, not \u201C-1\u201D"},
        {"expect pf-faces 0 -1",
         "expect pf-faces: I must be a whole number between 0 and 2147483647, not \u201C-1\u201D"},
        {"expect pixel 1 1 300 0 0",
         "expect pixel: R must be a whole number between 0 and 255, not \u201C300\u201D"},
        {"expect morph Bump nan", "expect morph: VALUE must be a finite number, not \u201Cnan\u201D"},
        {"morph-dial Bump 1e39",
         "morph-dial: VALUE must lie within the single-precision range (about \u00B13.4e38), not "
         "\u201C1e39\u201D"},
        {"wheel 1e9",
         "wheel: DELTA must be a whole number between -12000 and 12000 (120 is one notch), not "
         "\u201C1e9\u201D"},
        {"wait -5", "wait: MS must be a whole number between 0 and 600000 milliseconds, not \u201C-5\u201D"},
        {"widget-slider pSliderFalloffRadius 5000",
         "widget-slider: the value of \u201CpSliderFalloffRadius\u201D must lie between 0 and 1000, not "
         "\u201C5000\u201D"},
        {"camera 0 0 1 0 0 nan", "camera: TZ must be a finite number, not \u201Cnan\u201D"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.line);
        Outcome const r =
            script(QStringLiteral("open grid.obj\ntool PfTool\npf-mesh-snapshot before\n") + c.line + "\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("\nscript.txt:4: " + QString::fromUtf8(c.message) + "\n") ||
                    r.err.startsWith("script.txt:4: " + QString::fromUtf8(c.message) + "\n"))
            << r.err.toStdString();
    }
}

// A value echoed in a message is cut in its middle when long, and a NUL in it does not end the message.
TEST_F(HostScript, AMessageEchoesALongOrStrangeValueBoundedAndWhole) {
    writeTextFile(path("script.txt"), "open grid.obj\nselect " + QByteArray(10'000'000, 'a') + "\n");
    Outcome const r = runFile("script.txt");
    EXPECT_EQ(r.exitCode, 1);
    QString const start = QStringLiteral("script.txt:2: select: there is no node \u201C") +
                          QString(106, 'a') + QChar(0x2026) + QString(53, 'a') + QStringLiteral("\u201D\n");
    EXPECT_TRUE(r.err.contains(start)) << r.err.left(400).toStdString();
    EXPECT_LT(r.err.size(), 2000);

    writeTextFile(path("script.txt"),
                  "open grid.obj\nselect ab" + QByteArray(1, '\0') + "cd" + QByteArray(1, '\x01') + "ef\n");
    Outcome const named = runFile("script.txt");
    EXPECT_TRUE(named.err.contains("script.txt:2: select: there is no node \u201Cab\\0cd\\x01ef\u201D\n"))
        << named.err.toStdString();
}

TEST_F(HostScript, TheToolsSelectionTypeIsChosenByScript) {
    // The importer numbers vertices in the order the facets first use them: (0, 0) 0, (1, 0) 1, (1, 1) 2.
    Outcome const r = script(
        "open grid.obj\n"
        "camera 1 1 6 1 1 0\n"
        "tool PfTool\n"
        "pf-selection-type vertex\n"
        "project 1.1 0.9 0 a\n"
        "click @a\n"
        "expect pf-vertices 2\n"
        "pf-selection-type edge\n"
        "project 1.02 0.5 0 b\n"
        "click @b\n"
        "expect pf-vertices 1 2\n"
        "pf-selection-type corner\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("script.txt:12: usage: pf-selection-type vertex|edge|face"))
        << r.err.toStdString();
}

TEST_F(HostScript, CommandLineMistakesAreRefusedWithExitCodeTwo) {
    Outcome const both = pfhost({"--script", "x.txt", "--mesh", "a.obj", "--scene", "b.pfscene"});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_TRUE(both.err.contains("give --mesh or --scene, not both")) << both.err.toStdString();
    Outcome const size = pfhost({"--script", "x.txt", "--size", "big"});
    EXPECT_EQ(size.exitCode, 2);
    struct Case {
        QStringList args;
        char const* message;
    };
    Case const cases[] = {
        {{"--bogus"}, "pfhost: Unknown option 'bogus'."},
        {{"--script"}, "pfhost: Missing value after '--script'."},
        {{"--script", "x.txt", "stray"}, "pfhost: unexpected argument \"stray\""},
    };
    for (Case const& c : cases) {
        Outcome const r = pfhost(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    Outcome const missing = pfhost({"--script", "nothing-here.txt"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("nothing-here.txt: cannot read the script"))
        << missing.err.toStdString();
    Outcome const help = pfhost({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("project X Y Z [NAME]")) << help.out.toStdString();
}

}  // namespace

TEST_F(HostScript, TimesPrintEachCommandsWallTimeButNotComments) {
    qputenv("HV_SCRIPT_TIMES", "1");
    Outcome const r = script("# a comment\nopen grid.obj\n\nexpect nodes 1\n");
    qunsetenv("HV_SCRIPT_TIMES");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.err.contains(QRegularExpression("pfhost: script.txt:2: [0-9]+\\.[0-9] ms: open grid.obj\n")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QRegularExpression("script.txt:4: [0-9]+\\.[0-9] ms: expect nodes 1\n")));
    EXPECT_FALSE(r.err.contains("script.txt:1:"));
    EXPECT_FALSE(r.err.contains("script.txt:3:"));
}
