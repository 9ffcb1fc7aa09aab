#pragma once

#include "dzproperty.h"

// A whole-number setting with a range. Clamped properties keep their value inside the range.
class DzIntProperty : public DzProperty {
    Q_OBJECT
public:
    explicit DzIntProperty(QString const& name = QString(), int value = 0);
    ~DzIntProperty() override;

    int getValue() const { return m_value; }
    // Emits currentValueChanged() when the stored value changes.
    void setValue(int value);

    int getMin() const { return m_min; }
    int getMax() const { return m_max; }
    void setMinMax(int min, int max);
    bool isClamped() const { return m_clamped; }
    void setIsClamped(bool clamped);

signals:
    void currentValueChanged();

private:
    int m_value;
    int m_min = -1000000;
    int m_max = 1000000;
    bool m_clamped = false;
};
