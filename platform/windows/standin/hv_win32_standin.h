#pragma once

// Test controls of the Win32 stand-in (windows.h beside this file): a thread keyboard hook fed by SendKey,
// the keys' live state, and a disk that can run full.

#include <string>

namespace HvWin32StandIn {

// Forgets every hook, key state, counter and failure setting.
void Reset();

// SetWindowsHookExA returns null while set, as when the system refuses the hook.
void SetHookInstallFails(bool fails);

// Hooks installed and not removed; SetWindowsHookExA calls that gave a handle.
int LiveHookCount();
int InstallCount();
// The arguments of the last SetWindowsHookExA call: hook type, whether a module was given, the thread.
int LastHookType();
bool LastHookHadModule();
unsigned long LastHookThreadId();

// A key goes down or up as the system would report it: the key's live state changes, the installed hook (if
// any) is called with HC_ACTION and the message's flags. Returns true when the key reached the application,
// false when the hook swallowed it.
bool SendKey(unsigned int virtualKey, bool down);
// Calls the installed hook with a code other than HC_ACTION; returns the hook's result.
long CallHookWithCode(int code, unsigned int virtualKey);
// Sets only the live state that GetAsyncKeyState reports, as a key pressed while another window had the
// focus.
void SetKeyState(unsigned int virtualKey, bool down);

// CallNextHookEx calls so far, and whether each got the live hook's handle.
int PassedOnCount();
bool PassedOnWithLiveHandle();

// Bytes the disk still takes across all files opened by fopen_s/_wfopen_s; negative means no limit. A write
// beyond it fails with ENOSPC, as on a full disk.
void SetDiskSpace(long bytes);

// Opens so far through the narrow and the wide call, and the UTF-8 name of the last one.
int NarrowOpenCount();
int WideOpenCount();
std::string LastOpenedName();

}  // namespace HvWin32StandIn
