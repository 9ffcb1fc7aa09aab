#pragma once

#include <Qt>

#include "dzviewportmgr.h"

class DzAppSettings;

// One user-configurable modifier key, stored in the host's application settings under its own key, and
// converted into the forms the tool compares with its events.
class HvKeyboardModifier {
public:
    // A fixed underlying type: a value read from the settings may lie outside the three, and must be
    // representable.
    enum Enum : int { Alt = 0, Ctrl = 1, Shift = 2 };

    // The key must be a static ASCII text; the current value is defined only after load().
    HvKeyboardModifier(char const* settingsKey, int defaultValue)
        : m_pcszSettingsKey(settingsKey), m_iDefault(defaultValue), m_iCurrent(defaultValue) {}

    char const* getSettingsKey() const { return m_pcszSettingsKey; }
    int getDefault() const { return m_iDefault; }
    int getValue() const { return m_iCurrent; }

    // From settings already opened on the plug-in's group; the stored int is taken as it is, in range or not.
    void load(DzAppSettings& settings);
    // Stores and writes the new value at once; false (and no write) when it is already the current one.
    bool set(Enum value);

    // No modifier, no host value and "Error" for a value outside the enumeration.
    Qt::KeyboardModifiers getAsQt() const;
    DzViewportMgr::ViewMouseModifier getAsViewMouseModifier() const;
    char const* describe() const;

private:
    char const* m_pcszSettingsKey;
    int m_iDefault;
    int m_iCurrent;
};
