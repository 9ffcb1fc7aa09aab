#pragma once

// Stand-in of the few Win32 and C runtime calls the Windows layer makes, so that the layer's sources build
// and are tested on Linux unchanged. Only what the layer uses, with Windows' own values; hv_win32_standin.h
// drives it from tests. The real <windows.h> takes this one's place in the Windows build.

#include <cstdint>
#include <cstdio>

using DWORD = uint32_t;
using SHORT = int16_t;
using UINT = unsigned int;
using BOOL = int;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using errno_t = int;
using HINSTANCE = struct HINSTANCE__*;
using HHOOK = struct HHOOK__*;

#define CALLBACK
#define WINAPI

using HOOKPROC = LRESULT(CALLBACK*)(int, WPARAM, LPARAM);

#define WH_KEYBOARD 2
#define HC_ACTION 0

#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F12 0x7B

#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008

HHOOK WINAPI SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
LRESULT WINAPI CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);
BOOL WINAPI UnhookWindowsHookEx(HHOOK hhk);
SHORT WINAPI GetAsyncKeyState(int vKey);
DWORD WINAPI GetCurrentThreadId();

// wchar_t is 32 bits here: the "wide" text holds one code point per unit instead of UTF-16.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, char const* multiByte, int multiByteSize,
                               wchar_t* wide, int wideSize);

// Only the mode "w" (text, for writing) is supported: newlines are written as CR LF as Windows' runtime does.
errno_t fopen_s(FILE** file, char const* fileName, char const* mode);
errno_t _wfopen_s(FILE** file, wchar_t const* fileName, wchar_t const* mode);
