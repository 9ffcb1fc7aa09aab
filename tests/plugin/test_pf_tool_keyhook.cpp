// The tool and the Windows keyboard hook, against the stand-in of the Win32 calls: the hook exists exactly
// while the tool is active, and the host's facet-selection keys trigger the plug-in's commands instead.
#include <gtest/gtest.h>

#if HV_WITH_WINDOWS_LAYER

#include <QSignalSpy>
#include <memory>

#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_win32_standin.h"
#include "hv_win_keyhook.h"
#include "pf_action.h"
#include "pf_test_support.h"
#include "pf_tool.h"
#include "pf_tool_keyhook.h"

namespace {

constexpr unsigned kVkControl = 0x11;
constexpr unsigned kVkShift = 0x10;

DzActionMgr* actionMgr() {
    return dzApp->getInterface()->getActionMgr();
}

class PfToolKeyHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        HvWin32StandIn::Reset();
        ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
        selectAll = new PfSelectAllAction;
        clear = new PfClearSelectionAction;
        ASSERT_TRUE(actionMgr()->addAction(selectAll));
        ASSERT_TRUE(actionMgr()->addAction(clear));
        registered = std::make_unique<pftest::ScopedPfTool>(fx.mgr());
        tool = registered->get();
    }
    void TearDown() override {
        fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool"));
        registered.reset();
        delete actionMgr()->takeAction("PfSelectAllAction");
        delete actionMgr()->takeAction("PfClearSelectionAction");
        SetKeyboardMessageHook({});
        HvWin32StandIn::Reset();
    }
    // Whether the key reached the host (false: the hook swallowed it).
    static bool press(unsigned virtualKey) {
        bool const reached = HvWin32StandIn::SendKey(virtualKey, true);
        HvWin32StandIn::SendKey(virtualKey, false);
        return reached;
    }

    dztest::ViewportFixture fx{200, 150};
    DzAction* selectAll = nullptr;
    DzAction* clear = nullptr;
    std::unique_ptr<pftest::ScopedPfTool> registered;
    PfTool* tool = nullptr;
};

}  // namespace

TEST_F(PfToolKeyHookTest, TheHostsKeysTriggerTheCommandsWhileTheToolIsActive) {
    QSignalSpy selectAllSpy(selectAll, &QAction::triggered);
    QSignalSpy clearSpy(clear, &QAction::triggered);
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    EXPECT_TRUE(IsKeyboardMessageHookInstalled());
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 1);

    // Nothing is selected in the viewport: each command says so in a box.
    dztest::ModalResponder responder;
    responder.pressButton("OK").pressButton("OK");
    HvWin32StandIn::SendKey(kVkControl, true);
    EXPECT_FALSE(press('A')) << "Ctrl+A is the plug-in's";
    EXPECT_EQ(selectAllSpy.count(), 1);
    HvWin32StandIn::SendKey(kVkShift, true);
    EXPECT_FALSE(press('A'));
    EXPECT_EQ(clearSpy.count(), 1);
    EXPECT_EQ(selectAllSpy.count(), 1) << "the match is exact";
    HvWin32StandIn::SendKey(kVkShift, false);
    HvWin32StandIn::SendKey(kVkControl, false);
    EXPECT_TRUE(press('A')) << "plain A goes to the host";
    ASSERT_EQ(responder.boxes().size(), 2);
    EXPECT_TRUE(responder.boxes()[0].text.contains(QString::fromUtf8("\u201cSelect all\u201d")))
        << responder.boxes()[0].text.toStdString();
    EXPECT_TRUE(responder.boxes()[1].text.contains(QString::fromUtf8("\u201cClear selection\u201d")))
        << responder.boxes()[1].text.toStdString();

    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    EXPECT_FALSE(IsKeyboardMessageHookInstalled());
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 0);
    // Without an active tool the callback leaves every key to the host.
    EXPECT_FALSE(KeyboardMessageHookCallback(Qt::Key_A, Qt::ControlModifier));
    EXPECT_EQ(selectAllSpy.count(), 1);

    // The next activation installs it again.
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 1);
}

TEST_F(PfToolKeyHookTest, AFailedActivationLeavesNoHook) {
    // Installed already: the activation fails on it, and takes it away.
    SetKeyboardMessageHook([](Qt::Key, Qt::KeyboardModifiers) { return false; });
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    tool->activate();
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(
        responder.boxes()[0].text,
        "An error occured activating Pullform: Error installing keyboard message hook: hook seems to be "
        "installed already!");
    EXPECT_EQ(PfTool::GetActive(), nullptr);
    EXPECT_FALSE(IsKeyboardMessageHookInstalled());
    EXPECT_TRUE(fx.mgr()->getAllowGraftDrawing());
    tool->deactivate();
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    EXPECT_EQ(PfTool::GetActive(), tool);
    EXPECT_TRUE(IsKeyboardMessageHookInstalled());
}

#endif
