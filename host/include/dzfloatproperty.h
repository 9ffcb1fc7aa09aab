#pragma once

#include "dzproperty.h"

// A float setting with a range. Clamped properties keep their value inside the range.
class DzFloatProperty : public DzProperty {
    Q_OBJECT
public:
    explicit DzFloatProperty(QString const& name = QString(), float value = 0.0f);
    ~DzFloatProperty() override;

    double getValue() const { return m_value; }
    // Emits currentValueChanged() when the stored value changes.
    void setValue(float value);

    float getMin() const { return m_min; }
    float getMax() const { return m_max; }
    // The value is clamped again when the property is clamped.
    void setMinMax(float min, float max);

    bool isClamped() const { return m_clamped; }
    void setIsClamped(bool clamped);
    // Shown as a percentage (value 1 = 100 %); display only.
    bool getDisplayAsPercent() const { return m_displayAsPercent; }
    void setDisplayAsPercent(bool percent) { m_displayAsPercent = percent; }

signals:
    void currentValueChanged();

private:
    float clampedValue(float value) const;

    float m_value;
    float m_min = -10000.0f;
    float m_max = 10000.0f;
    bool m_clamped = false;
    bool m_displayAsPercent = false;
};
