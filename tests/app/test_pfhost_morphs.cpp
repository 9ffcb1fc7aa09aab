// Morphs through pfhost's script mode: the second example runs end to end, and the answers to boxes and
// dialogs fail the line when they do not fit.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "pfhost_runner.h"

namespace {

QString const kModel = "/usr/share/assimp/models/PLY/Wuson.ply";

QString examplePath(char const* name) {
    return QFileInfo(PFHOST_README).dir().absoluteFilePath(QStringLiteral("../../examples/") + name);
}

// Two unit quads on the XY plane, in the view of pfhost's default size; "out" for the example's files.
class HostMorphScript : public PfhostScriptTest {
protected:
    HostMorphScript() : PfhostScriptTest(2, 1, QString()) {}
    void SetUp() override {
        PfhostScriptTest::SetUp();
        ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
    }
};

}  // namespace

TEST_F(HostMorphScript, TheRoundTripExampleRuns) {
    if (!QFile::exists(kModel))
        GTEST_SKIP() << kModel.toStdString() << " is missing (package assimp-testmodels)";
    PfhostRun const r = runFile(examplePath("morph-roundtrip.pfs"));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("with OK")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("with Import"));
    EXPECT_TRUE(r.out.contains("\"Reset all deltas\" with Yes, reset all!"));
    QFile scene(dir.filePath("out/morph-roundtrip-scene.json"));
    ASSERT_TRUE(scene.open(QIODevice::ReadOnly));
    EXPECT_TRUE(scene.readAll().contains("Hump"));
}

// The other example, as scripts/demo runs it: its clicks are pixels of its view size.
TEST_F(HostMorphScript, TheDemoExampleRuns) {
    if (!QFile::exists(kModel))
        GTEST_SKIP() << kModel.toStdString() << " is missing (package assimp-testmodels)";
    PfhostRun const r = runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script",
                                               examplePath("demo.pfs"), "--size", "960x768"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QImage const window(dir.filePath("out/window.png"));
    EXPECT_GT(window.width(), 960);
    EXPECT_GT(window.height(), 768);
    EXPECT_EQ(QImage(dir.filePath("out/demo.png")).size(), QSize(960, 768));
}

TEST_F(HostMorphScript, AnswersThatDoNotFitFailTheLine) {
    QString const setUp = "open grid.obj\ntool PfTool\n";
    QString const kNoDeltas =
        "An error occured resetting the Pullform: Cannot reset the selected node \u201Cgrid\u201D because "
        "there "
        "are no active deltas in its Pullform modifier.";
    struct Case {
        char const* lines;
        QString message;
    } const cases[] = {
        {"pf-run reset\n", "script.txt:3: pf-run: a message box appeared: \u201C" + kNoDeltas + "\u201D\n"},
        {"answer \"Yes, reset all!\"\npf-run reset\n",
         "script.txt:4: pf-run: the box \u201C" + kNoDeltas +
             "\u201D has no enabled button \u201CYes, reset all!\u201D (it has OK)\n"},
        {"answer OK\nwait 1\n", "script.txt:4: wait: no box came for the answer \u201COK\u201D\n"},
        {"answer OK\nanswer Cancel\n# the end\n\n",
         "script.txt:3: answer: no command follows to open a box for the answer \u201COK\u201D, "
         "\u201CCancel\u201D\n"},
        {"answer OK pNoSuchField=1\npf-run save\n", "no control named \u201CpNoSuchField\u201D\n"},
        {"answer OK pLineEditMorphName=\npf-run save\n",
         "has no enabled button \u201COK\u201D (it has ?, Cancel)\n"},
        {"answer OK NoField\n", "script.txt:3: answer: \u201CNoField\u201D is not FIELD=VALUE\n"},
        {"morph-dial Nothing 1\n", "the primary node has no morph \u201CNothing\u201D"},
        {"morph-dial Nothing nan\n", "morph-dial: VALUE must be a finite number, not \u201Cnan\u201D"},
        {"pf-run export\n", "usage: pf-run reset|load|save"},
        {"tool DzPickTool\npf-run load\n", "script.txt:4: pf-run: the Pullform tool is not active"},
        {"expect morph Nothing 1\n", "the primary node has no morph \u201CNothing\u201D"},
    };
    for (Case const& c : cases) {
        PfhostRun const r = run(setUp + c.lines);
        EXPECT_EQ(r.exitCode, 1) << c.lines;
        EXPECT_TRUE(r.err.contains(c.message)) << c.lines << r.err.toStdString();
    }
}

TEST_F(HostMorphScript, AMorphSavedByScriptDialsAndTakesItsFavouriteMark) {
    PfhostRun const r =
        run("open grid.obj\ncamera 1 0.5 4 1 0.5 0\ntool PfTool\npf-selection-type vertex\n"
            "project 0.9 0.9 0 v\nclick @v\npf-falloff 0\npf-gizmo-drag z 0 0 0.5\n"
            "expect pf-deltas 1\npf-mesh-snapshot raised\n"
            "answer OK pLineEditMorphName=Bump pRadioCopyDeltas=on\npf-run save\n"
            "expect pf-deltas 1\nexpect morph Bump 0 1\nmorph-dial Bump 1\n"
            "expect pf-mesh-differs raised\nmorph-dial Bump 0\nexpect pf-mesh-same raised\n"
            "morph-favorite Bump on\nmorph-dial Bump 0.5\nanswer Cancel\npf-run load\n"
            "expect morph Bump 0.5 1\nexpect pf-deltas 1\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}
