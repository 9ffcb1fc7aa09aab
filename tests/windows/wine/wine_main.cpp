// The Windows layer against the real Windows API, run under Wine: the hook on a thread with a visible window,
// fed through the system's input path (SendInput; a posted WM_KEYDOWN never passes a keyboard hook), and the
// list-box writer through the C runtime's own text mode. Self-checking: prints each failure and exits
// non-zero. Run from an empty folder (run-wine-tests.sh), where full.txt is a link to the full device.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "hv_win_keyhook.h"
#include "hv_win_textfile.h"
#include "vk_cases.h"

namespace {

int g_iChecks = 0;
int g_iFailures = 0;

void Check(bool ok, std::string const& what) {
    ++g_iChecks;
    if (!ok) {
        ++g_iFailures;
        std::printf("FAIL: %s\n", what.c_str());
        std::fflush(stdout);
    }
}

std::string Hex(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%X", static_cast<unsigned int>(value));
    return buffer;
}

// ---------------------------------------------------------------------------------------------------------
// A visible window on this thread, and the keys it receives
// ---------------------------------------------------------------------------------------------------------

constexpr unsigned int kSentinel = VK_F24;  // outside the table; marks the end of a sequence

std::vector<unsigned int> g_windowKeysDown;  // WM_KEYDOWN and WM_SYSKEYDOWN as the window got them
bool g_bSentinelUp = false;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            g_windowKeysDown.push_back(static_cast<unsigned int>(wParam));
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (wParam == kSentinel) {
                g_bSentinelUp = true;
            }
            return 0;
        case WM_SYSCHAR:
        case WM_SYSCOMMAND:
            // No menu loop for Alt or F10: the window keeps taking keys.
            if (message == WM_SYSCHAR || (wParam & 0xFFF0) == SC_KEYMENU) {
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Pumps messages until the condition holds or a generous deadline passes.
template <class Condition>
bool PumpUntil(Condition condition, DWORD deadlineMs = 20000) {
    ULONGLONG const end = GetTickCount64() + deadlineMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

HWND MakeWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HvKeyHookTestWindow";
    RegisterClassA(&windowClass);
    HWND const hwnd = CreateWindowExA(0, windowClass.lpszClassName, "keyboard hook test", WS_OVERLAPPEDWINDOW,
                                      50, 50, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    return hwnd;
}

struct Key {
    unsigned int virtualKey;
    bool down;
};

// Sends the keys through the system's input, then the sentinel, and pumps until the window got the sentinel's
// release: every key before it has then passed the hook.
bool Send(std::vector<Key> keys) {
    keys.push_back({kSentinel, true});
    keys.push_back({kSentinel, false});
    std::vector<INPUT> inputs;
    for (Key const& key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(key.virtualKey);
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key.virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = key.down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    g_bSentinelUp = false;
    g_windowKeysDown.clear();
    UINT const sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        return false;
    }
    return PumpUntil([] { return g_bSentinelUp; });
}

int CountDown(unsigned int virtualKey) {
    int count = 0;
    for (unsigned int vk : g_windowKeysDown) {
        count += vk == virtualKey ? 1 : 0;
    }
    return count;
}

// ---------------------------------------------------------------------------------------------------------
// Keyboard hook
// ---------------------------------------------------------------------------------------------------------

struct Call {
    int key;
    int modifiers;
};
std::vector<Call> g_calls;

// Takes exactly Ctrl+A, as a borrowed select-all shortcut would; records every call but the sentinel's.
bool Recorder(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (key == static_cast<Qt::Key>(kSentinel)) {
        return false;
    }
    g_calls.push_back({static_cast<int>(key), static_cast<int>(modifiers)});
    return key == Qt::Key_A && modifiers == Qt::ControlModifier;
}

std::string CallsText() {
    std::string text;
    for (Call const& call : g_calls) {
        text += "{" + Hex(call.key) + "," + Hex(call.modifiers) + "}";
    }
    return text.empty() ? "none" : text;
}

void CheckCalls(char const* what, std::vector<Call> const& expected) {
    bool same = g_calls.size() == expected.size();
    for (size_t i = 0; same && i < expected.size(); ++i) {
        same = g_calls[i].key == expected[i].key && g_calls[i].modifiers == expected[i].modifiers;
    }
    Check(same, std::string(what) + ": callback got " + CallsText());
}

constexpr int kShift = 0x02000000;
constexpr int kControl = 0x04000000;
constexpr int kAlt = 0x08000000;

void TestKeyTable() {
    for (unsigned int vk = 0; vk < 256; ++vk) {
        Check(static_cast<int>(TranslateVirtualKey(vk)) == ExpectedQtKey(vk),
              "table: virtual key " + Hex(vk));
    }
}

void TestHook() {
    HWND const hwnd = MakeWindow();
    Check(PumpUntil([hwnd] { return GetForegroundWindow() == hwnd; }),
          "the test window becomes the foreground");

    SetKeyboardMessageHook(Recorder);
    Check(IsKeyboardMessageHookInstalled(), "SetWindowsHookExA gave a handle");

    unsigned int const A = 'A';
    struct Case {
        char const* what;
        std::vector<Key> keys;
        std::vector<Call> calls;
        int windowGotA;
        std::vector<Key> release;  // sent after the checks
    };
    std::vector<Case> const cases = {
        {"Ctrl+A is taken and swallowed",
         {{VK_CONTROL, true}, {A, true}, {A, false}, {VK_CONTROL, false}},
         {{'A', kControl}},
         0,
         {}},
        {"Ctrl+Shift+A is no Ctrl+A and reaches the window",
         {{VK_CONTROL, true},
          {VK_SHIFT, true},
          {A, true},
          {A, false},
          {VK_SHIFT, false},
          {VK_CONTROL, false}},
         {{'A', kControl | kShift}},
         1,
         {}},
        {"Control released between two presses",
         {{VK_CONTROL, true}, {A, true}, {A, false}, {VK_CONTROL, false}, {A, true}, {A, false}},
         {{'A', kControl}, {'A', 0}},
         1,
         {}},
        // The live state is the state when the key is read, not when it was pressed: Alt is let go only after
        // the press has passed the hook.
        {"Alt read live", {{VK_MENU, true}, {A, true}, {A, false}}, {{'A', kAlt}}, 1, {{VK_MENU, false}}},
        {"pad separator and decimal point",
         {{VK_SEPARATOR, true}, {VK_SEPARATOR, false}, {VK_DECIMAL, true}, {VK_DECIMAL, false}},
         {{'.', 0}, {',', 0}},
         0,
         {}},
    };
    for (Case const& c : cases) {
        g_calls.clear();
        Check(Send(c.keys), std::string(c.what) + ": keys sent and seen");
        CheckCalls(c.what, c.calls);
        Check(CountDown(A) == c.windowGotA,
              std::string(c.what) + ": the window got A " + std::to_string(CountDown(A)) + " times");
        if (!c.release.empty()) {
            Send(c.release);
        }
    }

    // Every key of the table through the real input path.
    for (VkCase const& c : g_aVkCases) {
        g_calls.clear();
        Check(Send({{c.virtualKey, true}, {c.virtualKey, false}}), std::string(c.why) + ": sent");
        CheckCalls(c.why, {{c.qtKey, 0}});
    }

    try {
        SetKeyboardMessageHook(Recorder);
        Check(false, "installing twice throws");
    } catch (std::exception const& e) {
        Check(std::strcmp(e.what(),
                          "Error installing keyboard message hook: hook seems to be installed already!") == 0,
              std::string("installing twice: ") + e.what());
    }

    SetKeyboardMessageHook({});
    SetKeyboardMessageHook({});
    Check(!IsKeyboardMessageHookInstalled(), "removed");
    g_calls.clear();
    Send({{VK_CONTROL, true}, {A, true}, {A, false}, {VK_CONTROL, false}});
    CheckCalls("after removal", {});
    Check(CountDown(A) == 1, "after removal Ctrl+A reaches the window");

    // Removal after a failed later step of an activation: the next installation is not refused.
    SetKeyboardMessageHook(Recorder);
    SetKeyboardMessageHook({});
    bool refused = false;
    try {
        SetKeyboardMessageHook(Recorder);
    } catch (std::exception const&) {
        refused = true;
    }
    Check(!refused && IsKeyboardMessageHookInstalled(), "installing again after a removal");
    SetKeyboardMessageHook({});
    DestroyWindow(hwnd);
}

// ---------------------------------------------------------------------------------------------------------
// List-box file
// ---------------------------------------------------------------------------------------------------------

std::string ReadBytes(FILE* file) {
    std::string bytes;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

std::string ReadBinary(char const* name) {
    FILE* file = nullptr;
    if (fopen_s(&file, name, "rb") != 0) {
        return "<missing>";
    }
    return ReadBytes(file);
}

std::string ErrorOf(std::vector<std::string> const& lines, std::string const& name) {
    try {
        WriteLinesToTextFileOrThrow(lines, name);
    } catch (std::exception const& e) {
        return e.what();
    }
    return "no error";
}

void TestTextFile() {
    struct Case {
        char const* what;
        std::vector<std::string> lines;
        std::string bytes;
    };
    std::vector<Case> const cases = {
        {"three lines", {"a", "b", "c"}, "a\r\nb\r\nc\r\n"},
        {"a newline inside a line", {"x\ny", "z"}, "x\r\ny\r\nz\r\n"},
        {"an empty list truncates", {}, ""},
    };
    for (Case const& c : cases) {
        FILE* older = nullptr;
        fopen_s(&older, "out.txt", "wb");
        std::fputs("an older and longer content that must go", older);
        std::fclose(older);
        std::string const error = ErrorOf(c.lines, "out.txt");
        Check(error == "no error", std::string(c.what) + ": " + error);
        Check(ReadBinary("out.txt") == c.bytes, std::string(c.what) + ": bytes");
    }

    // Root may write anywhere, so the unwritable place is a path under a file.
    FILE* plain = nullptr;
    fopen_s(&plain, "a-file", "wb");
    std::fclose(plain);
    std::string const error = ErrorOf({"a"}, "a-file\\out.txt");
    Check(error == "cannot open file a-file\\out.txt for writing", "under a file: " + error);

    std::string const full = ErrorOf({"a", "b", "c"}, "full.txt");
    Check(full == "cannot write file full.txt", "a full disk: " + full);

    // A name the narrow open would read in the ANSI code page.
    char const* utf8 =
        "Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80.txt";
    std::string const wideError = ErrorOf({"a"}, utf8);
    Check(wideError == "no error", "non-ASCII name: " + wideError);
    FILE* wide = nullptr;
    if (_wfopen_s(&wide, L"Gr\u00F6\u00DFe \u20AC \U0001F600.txt", L"rb") == 0) {
        Check(ReadBytes(wide) == "a\r\n", "non-ASCII name: bytes");
    } else {
        Check(false, "non-ASCII name: no file of that name");
    }
    Check(ReadBinary(utf8) == "<missing>", "non-ASCII name: nothing under the ANSI reading of the bytes");

    std::string const invalid = ErrorOf({"a"}, "bad\xC3(.txt");
    Check(invalid == "cannot open file bad\xC3(.txt for writing", "invalid UTF-8 name: " + invalid);
}

}  // namespace

int main() {
    TestKeyTable();
    TestHook();
    TestTextFile();
    std::printf("%d checks, %d failed\n", g_iChecks, g_iFailures);
    return g_iFailures == 0 ? 0 : 1;
}
