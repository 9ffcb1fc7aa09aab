#include "dzsyntheticinput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace dzinput {

Qt::KeyboardModifiers ownModifier(int key) {
    switch (key) {
        case Qt::Key_Shift:
            return Qt::ShiftModifier;
        case Qt::Key_Control:
            return Qt::ControlModifier;
        case Qt::Key_Alt:
            return Qt::AltModifier;
        case Qt::Key_Meta:
            return Qt::MetaModifier;
        case Qt::Key_AltGr:
            return Qt::GroupSwitchModifier;
        default:
            return Qt::NoModifier;
    }
}

QString typedText(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return QString();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        QChar const c(char16_t('a' + (key - Qt::Key_A)));
        return (modifiers & Qt::ShiftModifier) ? QString(c.toUpper()) : QString(c);
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space || key == Qt::Key_Plus ||
        key == Qt::Key_Minus || key == Qt::Key_Equal)
        return QString(QChar(char16_t(key)));
    return QString();
}

void sendMouse(QWidget* w, QEvent::Type type, QPointF const& at, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    QPointF const global = at + QPointF(w->mapToGlobal(QPoint(0, 0)));
    QMouseEvent event(type, at, at, global, button, buttons, modifiers);
    QApplication::sendEvent(w, &event);
}

void sendWheel(QWidget* w, QPoint const& at, int delta, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers) {
    QPointF const local(at);
    QWheelEvent event(local, QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, delta), buttons, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

// QKeyEvent::modifiers() flips a modifier key's own flag (the window system reports the state from before
// the key), so the event is made with the flipped state and the receiver sees `modifiers`.
void sendKey(QWidget* w, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, QString const& text) {
    QKeyEvent event(type, key, modifiers ^ ownModifier(key), text);
    QApplication::sendEvent(w, &event);
}

}  // namespace dzinput
