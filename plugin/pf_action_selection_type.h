#pragma once

#include <QString>

#include "dzaction.h"
#include "pf_settings.h"

// The base of the three selection-type commands: each stands for one selection type and shows a check mark
// while that type is the one picked.
class PfSelectionTypeActionBase : public DzAction {
    Q_OBJECT
public:
    PfSelectionTypeActionBase(QString const& text, QString const& description, PfSelectionType type)
        : DzAction(text, description), m_eSelectionType(type) {}

    PfSelectionType getSelectionType() const { return m_eSelectionType; }
    // Checked exactly when type is the action's own.
    virtual void updateChecked(PfSelectionType type) {
        setCheckable(true);
        setChecked(type == m_eSelectionType);
    }

private:
    PfSelectionType m_eSelectionType;
};
