#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class DzProperty;

// One group of an element's property tree: a name, its subgroups and the properties shown directly in it,
// each in the order first met.
class DzPropertyGroup {
public:
    DzPropertyGroup(QString const& name, DzPropertyGroup* parent) : m_name(name), m_parent(parent) {}
    DzPropertyGroup(DzPropertyGroup const&) = delete;
    DzPropertyGroup& operator=(DzPropertyGroup const&) = delete;

    QString const& getName() const { return m_name; }
    // "/"-separated from the top, with a leading "/" ("/General/Morphs"); empty for the root.
    QString getPath() const;
    DzPropertyGroup* getParent() const { return m_parent; }

    int getNumChildren() const { return int(m_children.size()); }
    DzPropertyGroup* getChild(int index) const;
    // Exact name; null when none.
    DzPropertyGroup* findChild(QString const& name) const;
    // The child of that name, made (appended) when there is none.
    DzPropertyGroup* findOrAddChild(QString const& name);

    // Properties deleted since the tree was built read as null.
    int getNumProperties() const { return m_properties.size(); }
    DzProperty* getProperty(int index) const { return m_properties.value(index).data(); }
    bool hasProperty(DzProperty const* property) const;
    void addProperty(DzProperty* property) { m_properties.append(property); }

private:
    friend class DzPropertyGroupTree;

    QString m_name;
    DzPropertyGroup* m_parent;
    std::vector<std::unique_ptr<DzPropertyGroup>> m_children;
    QList<QPointer<DzProperty>> m_properties;
};
