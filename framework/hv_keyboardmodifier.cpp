#include "hv_keyboardmodifier.h"

#include "dzappsettings.h"
#include "hv_globals.h"

void HvKeyboardModifier::load(DzAppSettings& settings) {
    m_iCurrent = settings.getIntValue(QString::fromLatin1(m_pcszSettingsKey), m_iDefault);
}

bool HvKeyboardModifier::set(Enum value) {
    if (int(value) == m_iCurrent)
        return false;
    m_iCurrent = int(value);
    DzAppSettings settings(QString::fromUtf8(g_pcszSettingsApp));
    settings.setIntValue(QString::fromLatin1(m_pcszSettingsKey), m_iCurrent);
    return true;
}

Qt::KeyboardModifiers HvKeyboardModifier::getAsQt() const {
    switch (m_iCurrent) {
        case Alt:
            return Qt::AltModifier;
        case Ctrl:
            return Qt::ControlModifier;
        case Shift:
            return Qt::ShiftModifier;
        default:
            return Qt::NoModifier;
    }
}

// The host numbers Ctrl 3 and Shift 2.
DzViewportMgr::ViewMouseModifier HvKeyboardModifier::getAsViewMouseModifier() const {
    switch (m_iCurrent) {
        case Alt:
            return DzViewportMgr::AltModifier;
        case Ctrl:
            return DzViewportMgr::CtrlModifier;
        case Shift:
            return DzViewportMgr::ShiftModifier;
        default:
            return DzViewportMgr::NoModifier;
    }
}

char const* HvKeyboardModifier::describe() const {
    switch (m_iCurrent) {
        case Alt:
            return "Alt";
        case Ctrl:
            return "Ctrl";
        case Shift:
            return "Shift";
        default:
            return "Error";
    }
}
