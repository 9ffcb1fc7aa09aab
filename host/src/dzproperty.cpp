#include "dzfloatproperty.h"
#include "dzproperty.h"

#include <algorithm>

// ---- DzElement's properties ----

DzProperty* DzElement::findProperty(QString const& name) const {
    for (DzProperty* p : m_properties)
        if (p->getName() == name)
            return p;
    return nullptr;
}

void DzElement::addProperty(DzProperty* property) {
    if (!property || m_properties.contains(property))
        return;
    property->setParent(this);  // the element's children die with it
    m_properties.append(property);
}

// ---- DzProperty ----

DzProperty::DzProperty(QString const& name) {
    setName(name);
}

DzProperty::~DzProperty() = default;

void DzProperty::setFavorite(bool favorite) {
    if (favorite == m_favorite)
        return;
    m_favorite = favorite;
    emit favoriteChanged(favorite);
}

// ---- DzFloatProperty ----

DzFloatProperty::DzFloatProperty(QString const& name, float value) : DzProperty(name), m_value(value) {}

DzFloatProperty::~DzFloatProperty() = default;

float DzFloatProperty::clampedValue(float value) const {
    return m_clamped ? std::min(std::max(value, m_min), m_max) : value;
}

void DzFloatProperty::setValue(float value) {
    float const v = clampedValue(value);
    if (v == m_value)
        return;
    m_value = v;
    emit currentValueChanged();
}

void DzFloatProperty::setMinMax(float min, float max) {
    m_min = min;
    m_max = max;
    setValue(m_value);
}

void DzFloatProperty::setIsClamped(bool clamped) {
    m_clamped = clamped;
    setValue(m_value);
}
