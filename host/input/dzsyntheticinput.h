#pragma once

// Synthetic mouse, wheel and key events, built one way for the application's scripts and the test fixtures,
// and sent straight to a widget at widget pixels.

#include <QEvent>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <Qt>

class QWidget;

namespace dzinput {

// The flag of the modifier that key itself is (AltGr included); none for other keys.
Qt::KeyboardModifiers ownModifier(int key);

// What the key types with these modifiers held, for the keys scripts name: letters, digits, space, + - =.
// Empty for other keys and while Ctrl, Alt or Meta is held.
QString typedText(int key, Qt::KeyboardModifiers modifiers);

// type: press, move or release. button: the one pressed or released (none for a move); buttons: those held
// after the event. at may lie between pixels, as a tablet's or a scaled screen's positions do.
void sendMouse(QWidget* w, QEvent::Type type, QPointF const& at, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// delta in eighths of a degree (120 is one notch; positive turns forward, away from the user).
void sendWheel(QWidget* w, QPoint const& at, int delta, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers);

// type: press or release. modifiers: what the receiver's QKeyEvent::modifiers() gives, as under X11 (pressing
// Alt alone gives Alt, releasing it gives none). text: what the key types; empty for a modifier key alone.
void sendKey(QWidget* w, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, QString const& text);

}  // namespace dzinput
