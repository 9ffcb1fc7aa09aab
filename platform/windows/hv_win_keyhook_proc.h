#pragma once

// The hook procedure itself, for the layer and its tests; everything else uses hv_win_keyhook.h.

#include <windows.h>

// Returns 1 to swallow the key, else the result of CallNextHookEx.
LRESULT CALLBACK KeyboardMessageHookProc(int code, WPARAM virtualKey, LPARAM flags);
