// Whole-number and on/off properties.
#include <algorithm>

#include "dzboolproperty.h"
#include "dzintproperty.h"

// ---- DzIntProperty ----

DzIntProperty::DzIntProperty(QString const& name, int value) : DzProperty(name), m_value(value) {}

DzIntProperty::~DzIntProperty() = default;

void DzIntProperty::setValue(int value) {
    int const v = m_clamped ? std::clamp(value, m_min, m_max) : value;
    if (v == m_value)
        return;
    m_value = v;
    emit currentValueChanged();
}

void DzIntProperty::setMinMax(int min, int max) {
    m_min = std::min(min, max);
    m_max = std::max(min, max);
    setValue(m_value);
}

void DzIntProperty::setIsClamped(bool clamped) {
    m_clamped = clamped;
    setValue(m_value);
}

// ---- DzBoolProperty ----

DzBoolProperty::DzBoolProperty(QString const& name, bool value) : DzProperty(name), m_value(value) {}

DzBoolProperty::~DzBoolProperty() = default;

void DzBoolProperty::setBoolValue(bool value) {
    if (value == m_value)
        return;
    m_value = value;
    emit currentValueChanged();
}
