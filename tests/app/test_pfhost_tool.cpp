// The Pullform tool driven headless through pfhost's script mode, and the script checks of its selection.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "pfhost_runner.h"

namespace {

using ToolRun = PfhostRun;

// A 2 x 2 grid of quads on the XY plane, from (0, 0) to (2, 2).
class HostToolScript : public PfhostScriptTest {
protected:
    HostToolScript() : PfhostScriptTest(2, 2, "320x240") {}
};

}  // namespace

TEST_F(HostToolScript, SelectsFacesWithClicksModifiersAndPainting) {
    ToolRun const r =
        run("open grid.obj\n"
            "camera 1 1 6 1 1 0\n"
            "tool PfTool\n"
            "expect pf-faces none\n"
            "project 0.5 0.5 0 a\n"
            "project 1.5 1.5 0 b\n"
            "project 0.5 1.5 0 c\n"
            "click @a\n"
            "expect pf-faces 0\n"
            "click @b ctrl\n"
            "expect pf-faces 0 3\n"
            "click @a alt\n"
            "expect pf-faces 3\n"
            "drag @c @b\n"
            "expect pf-faces 2 3\n"
            "expect selected-facets 0\n"
            "click 2 2\n"
            "expect primary none\n"
            "expect pf-faces none\n");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST_F(HostToolScript, FailedChecksSayWhatWasFound) {
    ToolRun const inactive = run("open grid.obj\nexpect pf-faces 1\n");
    EXPECT_EQ(inactive.exitCode, 1);
    EXPECT_TRUE(inactive.err.contains("script.txt:2: expect pf-faces: the Pullform tool is not active"))
        << inactive.err.toStdString();

    ToolRun const wrong =
        run("open grid.obj\ncamera 1 1 6 1 1 0\ntool PfTool\nproject 0.5 0.5 0 a\nclick @a\n"
            "expect pf-vertices 0 1\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains(":6: expected pf-vertices 0 1, but the selected vertices are "))
        << wrong.err.toStdString();
    ToolRun const none = run("open grid.obj\ntool PfTool\nexpect pf-faces 1 3\n");
    EXPECT_TRUE(none.err.contains(":3: expected pf-faces 1 3, but no faces are selected"))
        << none.err.toStdString();

    ToolRun const usage = run("expect pf-edges x\n");
    EXPECT_TRUE(usage.err.contains(":1: expect pf-edges: I must be a whole number, not \u201Cx\u201D\n"))
        << usage.err.toStdString();
}
