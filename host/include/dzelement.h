#pragma once

#include <QList>
#include <memory>

#include "dzbase.h"

class DzProperty;
class DzPropertyGroupTree;

// A scene element: a named object with a label shown to the user.
class DzElement : public DzBase {
    Q_OBJECT
public:
    explicit DzElement(QObject* parent = nullptr);
    ~DzElement() override;

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

    // ---- property groups (dzpropertygroups.cpp) ----
    // The groups of the element's properties by their paths (a node's include its object's and that object's
    // modifiers' properties, in list order). Owned by the element and built again at every call.
    DzPropertyGroupTree* getPropertyGroups();

protected:
    virtual void fillPropertyGroups(DzPropertyGroupTree& tree) const;

private:
    QString m_label;
    QList<DzProperty*> m_properties;
    std::unique_ptr<DzPropertyGroupTree> m_groups;
};
