#pragma once

#include "dzslider.h"

// A slider over whole numbers.
class DzIntSlider : public DzSlider {
    Q_OBJECT
public:
    explicit DzIntSlider(QWidget* parent = nullptr, QString const& name = QString());
    ~DzIntSlider() override;

    void setMinMax(int min, int max);
    int getMin() const { return m_min; }
    int getMax() const { return m_max; }
    int getValue() const { return m_value; }

public slots:
    // Emits valueChanged when the (clamped) value differs from the current one.
    void setValue(int value);

signals:
    void valueChanged(int value);

protected:
    double fraction() const override;
    void setFromFraction(double fraction) override;
    QString valueText() const override;
    bool setFromText(QString const& text) override;
    void clampChanged() override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
};
