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

class HostMorphScript : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath("out"));
        QFile f(dir.filePath("grid.obj"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // Two unit quads on the XY plane.
        f.write("v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nv 1 1 0\nv 2 1 0\nf 1 2 5 4\nf 2 3 6 5\n");
    }
    PfhostRun run(QString const& script, QString const& text = QString()) const {
        if (!text.isEmpty()) {
            QFile f(dir.filePath("script.txt"));
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return {};
            f.write(text.toUtf8());
        }
        return runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script", script});
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(HostMorphScript, TheRoundTripExampleRuns) {
    if (!QFile::exists(kModel))
        GTEST_SKIP() << kModel.toStdString() << " is missing (package assimp-testmodels)";
    PfhostRun const r = run(examplePath("morph-roundtrip.pfs"));
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
    struct Case {
        char const* lines;
        char const* message;
    } const cases[] = {
        {"pf-run reset\n", "script.txt:3: a message box appeared"},
        {"answer \"Yes, reset all!\"\npf-run reset\n", "has no enabled button \"Yes, reset all!\""},
        {"answer OK\nwait 1\n", "script.txt:4: no box came for the answer"},
        {"answer OK pNoSuchField=1\npf-run save\n", "no field \"pNoSuchField\""},
        {"answer OK pLineEditMorphName=\npf-run save\n", "has no enabled button \"OK\""},
        {"morph-dial Nothing 1\n", "the primary node has no morph \"Nothing\""},
        {"morph-dial Nothing nan\n", "morph-dial: VALUE must be a finite number, not \u201Cnan\u201D"},
        {"pf-run export\n", "usage: pf-run reset|load|save"},
        {"tool DzPickTool\npf-run load\n", "script.txt:4: pf-run: the Pullform tool is not active"},
        {"expect morph Nothing 1\n", "the primary node has no morph \"Nothing\""},
    };
    for (Case const& c : cases) {
        PfhostRun const r = run("script.txt", setUp + c.lines);
        EXPECT_EQ(r.exitCode, 1) << c.lines;
        EXPECT_TRUE(r.err.contains(c.message)) << c.lines << r.err.toStdString();
    }
}

TEST_F(HostMorphScript, AMorphSavedByScriptDialsAndTakesItsFavouriteMark) {
    PfhostRun const r = run("script.txt",
                            "open grid.obj\ncamera 1 0.5 4 1 0.5 0\ntool PfTool\npf-selection-type vertex\n"
                            "project 0.9 0.9 0 v\nclick @v\npf-falloff 0\npf-gizmo-drag z 0 0 0.5\n"
                            "expect pf-deltas 1\npf-mesh-snapshot raised\n"
                            "answer OK pLineEditMorphName=Bump pRadioCopyDeltas=on\npf-run save\n"
                            "expect pf-deltas 1\nexpect morph Bump 0 1\nmorph-dial Bump 1\n"
                            "expect pf-mesh-differs raised\nmorph-dial Bump 0\nexpect pf-mesh-same raised\n"
                            "morph-favorite Bump on\nmorph-dial Bump 0.5\nanswer Cancel\npf-run load\n"
                            "expect morph Bump 0.5 1\nexpect pf-deltas 1\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}
