#pragma once

#include <QList>

#include "dzbase.h"

class DzProperty;

// A scene element: a named object with a label shown to the user.
class DzElement : public DzBase {
    Q_OBJECT
public:
    explicit DzElement(QObject* parent = nullptr) : DzBase(parent) {}
    ~DzElement() override = default;

    // The label falls back to the name while none is set.
    QString getLabel() const { return m_label.isEmpty() ? getName() : m_label; }
    void setLabel(QString const& label) { m_label = label; }

    // ---- properties (dzproperty.cpp) ----
    // Properties in the order added; the element owns them.
    int getNumProperties() const { return m_properties.size(); }
    DzProperty* getProperty(int index) const { return m_properties.value(index); }
    // Exact name; null when none.
    DzProperty* findProperty(QString const& name) const;
    void addProperty(DzProperty* property);

private:
    QString m_label;
    QList<DzProperty*> m_properties;
};
