#pragma once

// The Windows build's keyboard hook on the GUI thread: while the tool is active it sees the host's shortcuts
// before the host does, so that the plug-in's own commands can take them.
//
// Free of <windows.h> on purpose: the plug-in's sources include this header, and windows.h's macros (min,
// max,
// ...) must not reach them.

#include <QtCore/qnamespace.h>

#include <functional>

// The callback gets the key and the modifiers held; it returns true when it took the key, which is then
// swallowed (neither the host nor later hooks see it).
using HvKeyMessageCallback = std::function<bool(Qt::Key, Qt::KeyboardModifiers)>;

// A non-empty callback installs the hook for the calling thread; an empty one removes it (removing when none
// is installed does nothing). The callback replaces the stored one in both cases, also when the installation
// is refused. Throws HvException when a hook is installed already.
void SetKeyboardMessageHook(HvKeyMessageCallback callback);

// True while a hook handle is held.
bool IsKeyboardMessageHookInstalled();

// The Qt key of a Windows virtual-key code; codes outside the table (letters and digits among them, which are
// equal in both) come back unchanged.
Qt::Key TranslateVirtualKey(unsigned int virtualKey);
