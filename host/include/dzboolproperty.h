#pragma once

#include "dzproperty.h"

// An on/off setting.
class DzBoolProperty : public DzProperty {
    Q_OBJECT
public:
    explicit DzBoolProperty(QString const& name = QString(), bool value = false);
    ~DzBoolProperty() override;

    bool getBoolValue() const { return m_value; }
    // Emits currentValueChanged() when the value changes.
    void setBoolValue(bool value);

signals:
    void currentValueChanged();

private:
    bool m_value;
};
