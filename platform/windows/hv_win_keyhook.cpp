#include "hv_win_keyhook.h"

#include "hv_win_keyhook_proc.h"

#include <cstdint>
#include <utility>

#include "hv_base.h"

namespace {

// Touched only on the GUI thread, which the hook runs on: nothing is locked.
HHOOK g_hKeyboardHook = nullptr;
HvKeyMessageCallback g_fnKeyCallback;
// Shift and Control as the hook's own messages showed them since the installation. Alt is not tracked: the
// hook may miss its release (menus, Alt+Tab), so it is read live at each press.
uint32_t g_uiModifierState = 0;

constexpr uint32_t kShiftBit = Qt::ShiftModifier;
constexpr uint32_t kControlBit = Qt::ControlModifier;
constexpr uint32_t kAltBit = Qt::AltModifier;

struct KeyPair {
    unsigned int virtualKey;
    Qt::Key key;
};

// The numeric pad's separator gives the full stop and its decimal point the comma, not the reverse.
constexpr KeyPair g_aKeyTable[] = {
    {VK_PRIOR, Qt::Key_PageUp},     {VK_NEXT, Qt::Key_PageDown},     {VK_END, Qt::Key_End},
    {VK_HOME, Qt::Key_Home},        {VK_LEFT, Qt::Key_Left},         {VK_UP, Qt::Key_Up},
    {VK_RIGHT, Qt::Key_Right},      {VK_DOWN, Qt::Key_Down},         {VK_INSERT, Qt::Key_Insert},
    {VK_DELETE, Qt::Key_Delete},    {VK_MULTIPLY, Qt::Key_Asterisk}, {VK_ADD, Qt::Key_Plus},
    {VK_SEPARATOR, Qt::Key_Period}, {VK_SUBTRACT, Qt::Key_Minus},    {VK_DECIMAL, Qt::Key_Comma},
    {VK_DIVIDE, Qt::Key_Slash},
};

LRESULT PassOn(int code, WPARAM virtualKey, LPARAM flags) {
    return CallNextHookEx(g_hKeyboardHook, code, virtualKey, flags);
}

}  // namespace

Qt::Key TranslateVirtualKey(unsigned int virtualKey) {
    for (KeyPair const& pair : g_aKeyTable) {
        if (pair.virtualKey == virtualKey) {
            return pair.key;
        }
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12) {
        return static_cast<Qt::Key>(Qt::Key_F1 + (virtualKey - VK_F1));
    }
    return static_cast<Qt::Key>(virtualKey);
}

void SetKeyboardMessageHook(HvKeyMessageCallback callback) {
    g_fnKeyCallback = std::move(callback);
    if (g_fnKeyCallback) {
        if (g_hKeyboardHook != nullptr) {
            throw HvException("Error installing keyboard message hook: hook seems to be installed already!");
        }
        // A failed installation leaves the handle null: the keys then simply reach the host.
        g_hKeyboardHook =
            SetWindowsHookExA(WH_KEYBOARD, KeyboardMessageHookProc, nullptr, GetCurrentThreadId());
        g_uiModifierState = 0;
    } else if (g_hKeyboardHook != nullptr) {
        UnhookWindowsHookEx(g_hKeyboardHook);
        g_hKeyboardHook = nullptr;
    }
}

bool IsKeyboardMessageHookInstalled() {
    return g_hKeyboardHook != nullptr;
}

LRESULT CALLBACK KeyboardMessageHookProc(int code, WPARAM virtualKey, LPARAM flags) {
    if (code != HC_ACTION || !g_fnKeyCallback) {
        return PassOn(code, virtualKey, flags);
    }
    // The transition state is bit 31; LPARAM may come sign-extended, so every bit from 31 up counts.
    bool const bDown = (static_cast<uint64_t>(flags) >> 31) == 0;
    switch (virtualKey) {
        case VK_SHIFT:
            g_uiModifierState = bDown ? (g_uiModifierState | kShiftBit) : (g_uiModifierState & ~kShiftBit);
            return PassOn(code, virtualKey, flags);
        case VK_CONTROL:
            g_uiModifierState =
                bDown ? (g_uiModifierState | kControlBit) : (g_uiModifierState & ~kControlBit);
            return PassOn(code, virtualKey, flags);
        case VK_MENU:
            return PassOn(code, virtualKey, flags);
        default:
            break;
    }
    if (!bDown) {
        return PassOn(code, virtualKey, flags);
    }
    uint32_t modifiers = g_uiModifierState;
    if ((GetAsyncKeyState(VK_MENU) & 0xF000) != 0) {
        modifiers |= kAltBit;
    }
    // Copied: the callback may replace the stored one (a command that deactivates the tool removes the hook).
    HvKeyMessageCallback const callback = g_fnKeyCallback;
    if (callback(TranslateVirtualKey(static_cast<unsigned int>(virtualKey)),
                 Qt::KeyboardModifiers(static_cast<int>(modifiers)))) {
        return 1;
    }
    return PassOn(code, virtualKey, flags);
}
