#pragma once

#include <QtCore/qnamespace.h>

// What the Windows keyboard hook calls with each key press while the tool is active: the plug-in command
// bound to exactly this key and these modifiers among the shortcuts borrowed from the host is triggered, and
// true returned so that the key is swallowed. False, and nothing done, without an active tool or a match.
bool KeyboardMessageHookCallback(Qt::Key key, Qt::KeyboardModifiers modifiers);
