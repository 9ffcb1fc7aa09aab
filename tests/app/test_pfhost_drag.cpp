// Gizmo drags through pfhost's script mode: the commands that grab the gizmo, the mesh snapshots that the
// demo compares, undo and redo, and a saved scene that gives the edited mesh back.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "pfhost_runner.h"

namespace {

using DragRun = PfhostRun;

class HostDragScript : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // A 4 x 4 grid of quads on the XY plane, from (0, 0) to (4, 4).
        ASSERT_TRUE(writeTextFile(dir.filePath("grid.obj"), gridObj(4, 4)));
    }
    DragRun run(QString const& text) const {
        if (!writeTextFile(dir.filePath("script.txt"), text.toUtf8()))
            return {};
        return runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script", "script.txt",
                                      "--size", "400x300"});
    }

    QTemporaryDir dir;
};

QString const kSetUp =
    "open grid.obj\n"
    "camera 2 -3 6 2 2 0\n"
    "tool PfTool\n"
    "pf-mesh-snapshot original\n"
    "project 2.5 2.5 0 face\n"
    "click @face\n"
    "expect pf-faces 10\n"
    "pf-falloff 15 4\n";

}  // namespace

TEST_F(HostDragScript, DragsUndoesRedoesSavesAndLoadsBack) {
    DragRun const r = run(kSetUp +
                          "pf-gizmo-drag z 0 0 1\n"
                          "expect pf-mesh-differs original\n"
                          "pf-mesh-snapshot pulled\n"
                          // The finished drag follows the falloff, and back.
                          "pf-falloff 5\n"
                          "expect pf-mesh-differs pulled\n"
                          "pf-falloff 15\n"
                          "expect pf-mesh-same pulled\n"
                          "pf-gizmo-rotate z 30\n"
                          "expect pf-mesh-differs pulled\n"
                          "pf-mesh-snapshot edited\n"
                          "pf-summary\n"
                          "undo\n"
                          "expect pf-mesh-same pulled\n"
                          "undo\n"
                          "expect pf-mesh-same original\n"
                          "redo\n"
                          "redo\n"
                          "expect pf-mesh-same edited\n"
                          "save scene.json\n"
                          "open scene.json\n"
                          "expect pf-mesh-same edited 1e-5 grid\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("pf-summary: node grid")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("undo steps 2 of 2")) << r.out.toStdString();
    QFile scene(dir.filePath("scene.json"));
    ASSERT_TRUE(scene.open(QIODevice::ReadOnly));
    EXPECT_TRUE(scene.readAll().contains("\"hv_deltas\""));
}

TEST_F(HostDragScript, FailuresSayWhatWasWrong) {
    struct Case {
        char const* lines;
        char const* message;
    } const cases[] = {
        {"pf-gizmo-drag z 0 0 1\nexpect pf-mesh-same original\n", "differs from the snapshot by"},
        {"expect pf-mesh-differs original\n", "the mesh equals the snapshot original"},
        {"expect pf-mesh-same nothing\n", "no snapshot named nothing"},
        {"pf-gizmo-drag w 0 0 1\n", "usage: pf-gizmo-drag x|y|z DX DY DZ"},
        {"pf-falloff 5 9\n", "usage: pf-falloff RADIUS [MODE 0-6]"},
        {"pf-gizmo-drag z 0 0 inf\n", ":9: pf-gizmo-drag: DZ must be a finite number, not \u201Cinf\u201D"},
        {"pf-gizmo-drag x nan 0 0\n", ":9: pf-gizmo-drag: DX must be a finite number, not \u201Cnan\u201D"},
        {"pf-gizmo-drag z 0 0 0\n", ":9: pf-gizmo-drag: the offset moves the z cone by less than a pixel"},
        // Seen from straight above the gizmo (at 2 2 0), the z axis gives a drag nothing to move along.
        {"camera 2 2 8 2 2 0\npf-gizmo-drag z 0 0 1\n",
         ":10: pf-gizmo-drag: the z axis points at the camera, so a drag along it moves nothing; turn the "
         "camera "
         "first"},
        {"select none\npf-summary\n", ":10: pf-summary: no node is selected"},
        {"click 2 2\npf-gizmo-drag z 0 0 1\n",
         ":10: pf-gizmo-drag: no node is selected, so the view shows no gizmo (a click on empty space clears "
         "the "
         "selection)"},
        {"click @face alt\npf-gizmo-rotate x 10\n",
         ":10: pf-gizmo-rotate: the view shows no gizmo: nothing is selected in the Pullform tool"},
    };
    for (Case const& c : cases) {
        DragRun const r = run(kSetUp + c.lines);
        EXPECT_EQ(r.exitCode, 1) << c.lines;
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}
