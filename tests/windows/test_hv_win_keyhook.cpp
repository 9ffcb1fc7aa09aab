#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hv_base.h"
#include "hv_win32_standin.h"
#include "hv_win_keyhook.h"
#include "hv_win_keyhook_proc.h"
#include "vk_cases.h"

namespace {

constexpr int kShift = 0x02000000;
constexpr int kControl = 0x04000000;
constexpr int kAlt = 0x08000000;

struct Call {
    int key;
    int modifiers;
    bool operator==(Call const& other) const { return key == other.key && modifiers == other.modifiers; }
};

void PrintTo(Call const& call, std::ostream* os) {
    *os << std::hex << "{0x" << call.key << ", 0x" << call.modifiers << "}";
}

class KeyHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetKeyboardMessageHook({});
        HvWin32StandIn::Reset();
    }
    void TearDown() override { SetKeyboardMessageHook({}); }

    // Records every call and takes exactly Ctrl+A, as a borrowed select-all shortcut would.
    HvKeyMessageCallback recorder() {
        return [this](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            m_calls.push_back({static_cast<int>(key), static_cast<int>(modifiers)});
            return key == Qt::Key_A && modifiers == Qt::ControlModifier;
        };
    }

    std::vector<Call> m_calls;
};

TEST(KeyTableTest, EveryCodeTranslatesAsTheTableSays) {
    for (unsigned int vk = 0; vk < 256; ++vk) {
        EXPECT_EQ(static_cast<int>(TranslateVirtualKey(vk)), ExpectedQtKey(vk))
            << "virtual key 0x" << std::hex << vk;
    }
}

TEST_F(KeyHookTest, InstallsAKeyboardHookForTheCallingThreadWithoutModule) {
    SetKeyboardMessageHook(recorder());
    EXPECT_TRUE(IsKeyboardMessageHookInstalled());
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 1);
    EXPECT_EQ(HvWin32StandIn::LastHookType(), WH_KEYBOARD);
    EXPECT_FALSE(HvWin32StandIn::LastHookHadModule());
    EXPECT_EQ(HvWin32StandIn::LastHookThreadId(), GetCurrentThreadId());
}

TEST_F(KeyHookTest, TableKeysReachTheCallbackTranslated) {
    SetKeyboardMessageHook(recorder());
    for (VkCase const& c : g_aVkCases) {
        m_calls.clear();
        HvWin32StandIn::SendKey(c.virtualKey, true);
        HvWin32StandIn::SendKey(c.virtualKey, false);
        EXPECT_EQ(m_calls, (std::vector<Call>{{c.qtKey, 0}})) << c.why;
    }
}

struct KeyStep {
    unsigned int virtualKey;
    enum Kind {
        Down,
        Up,
        LiveDown,
        LiveUp
    } kind;  // Live*: only the live state changes, the hook sees nothing
};

struct SequenceCase {
    char const* name;
    std::vector<KeyStep> steps;
    std::vector<Call> calls;
    int swallowed;
};

TEST_F(KeyHookTest, ModifiersAndSwallowing) {
    using S = KeyStep;
    unsigned int const A = 'A';
    std::vector<SequenceCase> const cases = {
        {"Ctrl+A matched and swallowed",
         {{VK_CONTROL, S::Down}, {A, S::Down}, {A, S::Up}, {VK_CONTROL, S::Up}},
         {{'A', kControl}},
         1},
        {"Ctrl+Shift+A is no Ctrl+A",
         {{VK_CONTROL, S::Down}, {VK_SHIFT, S::Down}, {A, S::Down}, {A, S::Up}},
         {{'A', kControl | kShift}},
         0},
        {"Control released between two presses",
         {{VK_CONTROL, S::Down}, {A, S::Down}, {A, S::Up}, {VK_CONTROL, S::Up}, {A, S::Down}, {A, S::Up}},
         {{'A', kControl}, {'A', 0}},
         1},
        {"Shift released", {{VK_SHIFT, S::Down}, {VK_SHIFT, S::Up}, {A, S::Down}}, {{'A', 0}}, 0},
        {"Alt seen by the hook", {{VK_MENU, S::Down}, {A, S::Down}}, {{'A', kAlt}}, 0},
        {"Alt pressed elsewhere, read live",
         {{VK_MENU, S::LiveDown}, {VK_CONTROL, S::Down}, {A, S::Down}},
         {{'A', kAlt | kControl}},
         0},
        {"Alt released unseen", {{VK_MENU, S::Down}, {VK_MENU, S::LiveUp}, {A, S::Down}}, {{'A', 0}}, 0},
        {"Control held before the hook is not known",
         {{VK_CONTROL, S::LiveDown}, {A, S::Down}},
         {{'A', 0}},
         0},
        {"modifier keys alone call nothing",
         {{VK_SHIFT, S::Down}, {VK_CONTROL, S::Down}, {VK_MENU, S::Down}, {VK_MENU, S::Up}},
         {},
         0},
    };
    for (SequenceCase const& c : cases) {
        SetUp();
        m_calls.clear();
        SetKeyboardMessageHook(recorder());
        int swallowed = 0;
        int sent = 0;
        for (KeyStep const& step : c.steps) {
            if (step.kind == S::LiveDown || step.kind == S::LiveUp) {
                HvWin32StandIn::SetKeyState(step.virtualKey, step.kind == S::LiveDown);
                continue;
            }
            ++sent;
            if (!HvWin32StandIn::SendKey(step.virtualKey, step.kind == S::Down)) {
                ++swallowed;
            }
        }
        EXPECT_EQ(m_calls, c.calls) << c.name;
        EXPECT_EQ(swallowed, c.swallowed) << c.name;
        // Everything not swallowed went on to the next hook, with the live handle.
        EXPECT_EQ(HvWin32StandIn::PassedOnCount(), sent - swallowed) << c.name;
        EXPECT_TRUE(HvWin32StandIn::PassedOnWithLiveHandle()) << c.name;
    }
}

TEST_F(KeyHookTest, OtherHookCodesArePassedOnWithoutCallingBack) {
    SetKeyboardMessageHook(recorder());
    HvWin32StandIn::SendKey(VK_CONTROL, true);
    EXPECT_EQ(HvWin32StandIn::CallHookWithCode(3 /* HC_NOREMOVE */, 'A'), 0);
    EXPECT_TRUE(m_calls.empty());
    EXPECT_EQ(HvWin32StandIn::PassedOnCount(), 2);
}

TEST_F(KeyHookTest, ModifierStateStartsEmptyAtEachInstallation) {
    SetKeyboardMessageHook(recorder());
    HvWin32StandIn::SendKey(VK_CONTROL, true);
    SetKeyboardMessageHook({});
    SetKeyboardMessageHook(recorder());  // Control's release happened while no hook listened
    HvWin32StandIn::SendKey('A', true);
    EXPECT_EQ(m_calls, (std::vector<Call>{{'A', 0}}));
}

TEST_F(KeyHookTest, InstallingTwiceThrowsAndTheNewCallbackTakesOver) {
    SetKeyboardMessageHook([](Qt::Key, Qt::KeyboardModifiers) { return false; });
    try {
        SetKeyboardMessageHook(recorder());
        FAIL() << "no exception";
    } catch (std::exception const& e) {
        EXPECT_STREQ(e.what(), "Error installing keyboard message hook: hook seems to be installed already!");
    }
    EXPECT_EQ(HvWin32StandIn::InstallCount(), 1);
    HvWin32StandIn::SendKey(VK_CONTROL, true);
    EXPECT_FALSE(HvWin32StandIn::SendKey('A', true));
    EXPECT_EQ(m_calls, (std::vector<Call>{{'A', kControl}}));
}

TEST_F(KeyHookTest, RemovingTwiceDoesNothingAndKeysThenReachTheHost) {
    SetKeyboardMessageHook(recorder());
    SetKeyboardMessageHook({});
    EXPECT_NO_THROW(SetKeyboardMessageHook({}));
    EXPECT_FALSE(IsKeyboardMessageHookInstalled());
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 0);
    HvWin32StandIn::SendKey(VK_CONTROL, true);
    EXPECT_TRUE(HvWin32StandIn::SendKey('A', true));
    EXPECT_TRUE(m_calls.empty());
}

// The activation's own undo on failure: a later step fails after the hook went in, the hook is taken out
// again, and the next activation installs without being refused.
TEST_F(KeyHookTest, AFailedActivationLeavesNoHook) {
    auto activate = [this](bool laterStepFails) {
        try {
            SetKeyboardMessageHook(recorder());
            if (laterStepFails) {
                throw HvException(
                    "cannot find Daz Studio action \xE2\x80\x9C"
                    "DzFacetSelAllAction\xE2\x80\x9D");
            }
            return true;
        } catch (std::exception const&) {
            SetKeyboardMessageHook({});
            return false;
        }
    };
    EXPECT_FALSE(activate(true));
    EXPECT_FALSE(IsKeyboardMessageHookInstalled());
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 0);
    EXPECT_TRUE(activate(false));
    EXPECT_EQ(HvWin32StandIn::LiveHookCount(), 1);
}

TEST_F(KeyHookTest, ARefusedHookLeavesKeysToTheHostAndIsNoInstallation) {
    HvWin32StandIn::SetHookInstallFails(true);
    SetKeyboardMessageHook(recorder());
    EXPECT_FALSE(IsKeyboardMessageHookInstalled());
    EXPECT_TRUE(HvWin32StandIn::SendKey('A', true));
    HvWin32StandIn::SetHookInstallFails(false);
    EXPECT_NO_THROW(SetKeyboardMessageHook(recorder()));
    EXPECT_TRUE(IsKeyboardMessageHookInstalled());
}

// A command that deactivates the tool removes the hook from inside the callback.
TEST_F(KeyHookTest, TheCallbackMayRemoveTheHook) {
    std::string captured(64, 'x');  // state the callback owns, gone if the callback were destroyed mid-call
    SetKeyboardMessageHook([captured](Qt::Key, Qt::KeyboardModifiers) {
        SetKeyboardMessageHook({});
        return captured.size() == 64;
    });
    EXPECT_FALSE(HvWin32StandIn::SendKey('A', true));
    EXPECT_FALSE(IsKeyboardMessageHookInstalled());
}

}  // namespace
