#pragma once

#include <QStringList>

#include "dzpropertygroup.h"

// The property groups of an element as a tree, built from the "/"-separated paths of its properties. The root
// is nameless and holds the properties without a path.
class DzPropertyGroupTree {
public:
    DzPropertyGroupTree() : m_root(QString(), nullptr) {}
    DzPropertyGroupTree(DzPropertyGroupTree const&) = delete;
    DzPropertyGroupTree& operator=(DzPropertyGroupTree const&) = delete;

    DzPropertyGroup* getRoot() { return &m_root; }
    DzPropertyGroup const* getRoot() const { return &m_root; }

    // Puts the property into the group of its path, making the groups on the way. Empty pieces are dropped,
    // so "Morphs/Shape", "/Morphs/Shape" and "/Morphs//Shape/" name one group.
    void addProperty(DzProperty* property);
    // The group of a path in the same forms; the root for an empty path; null when there is none.
    DzPropertyGroup* findGroup(QString const& path) const;
    // The group holding the property, or null.
    DzPropertyGroup* findGroupOf(DzProperty const* property) const;
    // Appends the path of every group (not the root), each group before its subgroups, siblings in the order
    // first met: "/General", "/General/Morphs", "/Pose".
    void collectAllPaths(QStringList& paths) const;
    void clear();

    // The pieces of a property path: split at "/", empty pieces dropped, no trimming.
    static QStringList SplitPath(QString const& path);

private:
    DzPropertyGroup m_root;
};
