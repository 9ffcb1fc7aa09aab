#pragma once

#include "dzslider.h"

// A slider over floats. The value is kept exactly as set: neither the sensitivity nor the shown precision
// round it.
class DzFloatSlider : public DzSlider {
    Q_OBJECT
public:
    explicit DzFloatSlider(QWidget* parent = nullptr, QString const& name = QString());
    ~DzFloatSlider() override;

    void setMinMax(float min, float max);
    float getMin() const { return m_min; }
    float getMax() const { return m_max; }
    float getValue() const { return m_value; }

    // Shows 1.0 as "100%" (the value itself is not scaled).
    void setDisplayAsPercent(bool percent);
    bool getDisplayAsPercent() const { return m_percent; }
    // The step of a drag on the bar; 0 for none.
    void setSensitivity(float step);
    float getSensitivity() const { return m_sensitivity; }

public slots:
    // Emits valueChanged when the (clamped) value differs from the current one.
    void setValue(float value);

signals:
    void valueChanged(float value);

protected:
    double fraction() const override;
    void setFromFraction(double fraction) override;
    QString valueText() const override;
    bool setFromText(QString const& text) override;
    void clampChanged() override;

private:
    float m_min = 0.0f;
    float m_max = 1.0f;
    float m_value = 0.0f;
    float m_sensitivity = 0.0f;
    bool m_percent = false;
};
