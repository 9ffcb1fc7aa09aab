#pragma once

#include <QString>
#include <memory>
#include <vector>

// One node of the asset manager's category tree; owns its children, kept in insertion order.
class DzCategory {
public:
    explicit DzCategory(QString const& name);
    ~DzCategory();
    DzCategory(DzCategory const&) = delete;
    DzCategory& operator=(DzCategory const&) = delete;

    QString getName() const { return m_name; }
    DzCategory* getParent() const { return m_parent; }
    int getNumChildren() const { return int(m_children.size()); }
    // Null for an index out of range.
    DzCategory* getChild(int index) const;
    // Appends a new child of that name and returns it.
    DzCategory* addChild(QString const& name);

private:
    QString m_name;
    DzCategory* m_parent = nullptr;
    std::vector<std::unique_ptr<DzCategory>> m_children;
};
