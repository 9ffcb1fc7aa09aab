#pragma once

// Radio buttons of a form bound to the values of an enumeration. The owner fills the map (value -> button)
// and calls init once; from then on every toggle of any of its buttons reports the value of the checked
// button to the owner's callback. The checked button is the state: the group keeps no value of its own.
// GUI thread only.

#include <QObject>
#include <QRadioButton>
#include <QString>
#include <functional>
#include <map>

#include "hv_helpers_qt.h"

class HvRadioGroupBase : public QObject {
    Q_OBJECT
public:
    ~HvRadioGroupBase() override = default;

public slots:
    virtual void slotRadioToggled(bool checked) = 0;
};

template <typename T>
class HvRadioGroup : public HvRadioGroupBase {
public:
    // The buttons belong to the owner's form; the group never deletes them. A value may have no button.
    std::map<T, QRadioButton*> m_mapButtons;

    // Checks the button of `current` (nothing when it has none), then stores the callback and connects every
    // button, in ascending order of the value, with the help text as its tool tip when one is given. Checking
    // comes first, so init itself never reports.
    void init(T current, std::function<void(T)> callback, QString const& help) {
        auto const found = m_mapButtons.find(current);
        if (found != m_mapButtons.end() && found->second)
            found->second->setChecked(true);
        m_callback = std::move(callback);
        for (auto const& entry : m_mapButtons) {
            if (!entry.second)
                continue;
            QObject::connect(entry.second, SIGNAL(toggled(bool)), this, SLOT(slotRadioToggled(bool)));
            if (help.length() > 0)
                HvHelpersQt::SetFormattedToolTip(*entry.second, help);
        }
    }

    // Both buttons of a change toggle, so the callback may be given the new value twice; never the old one.
    // With several buttons checked the lowest value wins; with none checked nothing is reported.
    void slotRadioToggled(bool) override {
        for (auto const& entry : m_mapButtons) {
            if (entry.second && entry.second->isChecked()) {
                if (m_callback)
                    m_callback(entry.first);
                return;
            }
        }
    }

private:
    std::function<void(T)> m_callback;
};
