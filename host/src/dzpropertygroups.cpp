#include "dzelement.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzmodifier.h"
#include "dzproperty.h"
#include "dzpropertygroup.h"
#include "dzpropertygrouptree.h"

// ---- DzPropertyGroup ----

QString DzPropertyGroup::getPath() const {
    if (!m_parent)
        return QString();
    return m_parent->getPath() + QLatin1Char('/') + m_name;
}

DzPropertyGroup* DzPropertyGroup::getChild(int index) const {
    return index >= 0 && size_t(index) < m_children.size() ? m_children[size_t(index)].get() : nullptr;
}

DzPropertyGroup* DzPropertyGroup::findChild(QString const& name) const {
    for (auto const& c : m_children)
        if (c->m_name == name)
            return c.get();
    return nullptr;
}

DzPropertyGroup* DzPropertyGroup::findOrAddChild(QString const& name) {
    if (DzPropertyGroup* c = findChild(name))
        return c;
    m_children.push_back(std::make_unique<DzPropertyGroup>(name, this));
    return m_children.back().get();
}

bool DzPropertyGroup::hasProperty(DzProperty const* property) const {
    for (auto const& p : m_properties)
        if (p.data() == property)
            return true;
    return false;
}

// ---- DzPropertyGroupTree ----

QStringList DzPropertyGroupTree::SplitPath(QString const& path) {
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

void DzPropertyGroupTree::addProperty(DzProperty* property) {
    if (!property)
        return;
    DzPropertyGroup* group = &m_root;
    for (QString const& piece : SplitPath(property->getPath())) group = group->findOrAddChild(piece);
    group->addProperty(property);
}

DzPropertyGroup* DzPropertyGroupTree::findGroup(QString const& path) const {
    auto* group = const_cast<DzPropertyGroup*>(&m_root);
    for (QString const& piece : SplitPath(path)) {
        group = group->findChild(piece);
        if (!group)
            return nullptr;
    }
    return group;
}

namespace {

DzPropertyGroup* findHolder(DzPropertyGroup* group, DzProperty const* property) {
    if (group->hasProperty(property))
        return group;
    for (int i = 0; i < group->getNumChildren(); ++i)
        if (DzPropertyGroup* g = findHolder(group->getChild(i), property))
            return g;
    return nullptr;
}

void collect(DzPropertyGroup const& group, QStringList& paths) {
    for (int i = 0; i < group.getNumChildren(); ++i) {
        DzPropertyGroup const* child = group.getChild(i);
        paths.append(child->getPath());
        collect(*child, paths);
    }
}

void addAll(DzPropertyGroupTree& tree, DzElement const& element) {
    for (int i = 0; i < element.getNumProperties(); ++i) tree.addProperty(element.getProperty(i));
}

}  // namespace

DzPropertyGroup* DzPropertyGroupTree::findGroupOf(DzProperty const* property) const {
    return property ? findHolder(const_cast<DzPropertyGroup*>(&m_root), property) : nullptr;
}

void DzPropertyGroupTree::collectAllPaths(QStringList& paths) const {
    collect(m_root, paths);
}

void DzPropertyGroupTree::clear() {
    m_root.m_children.clear();
    m_root.m_properties.clear();
}

// ---- DzElement's and DzNode's groups ----

DzElement::DzElement(QObject* parent) : DzBase(parent) {}

DzElement::~DzElement() = default;

DzPropertyGroupTree* DzElement::getPropertyGroups() {
    if (!m_groups)
        m_groups = std::make_unique<DzPropertyGroupTree>();
    m_groups->clear();
    fillPropertyGroups(*m_groups);
    return m_groups.get();
}

void DzElement::fillPropertyGroups(DzPropertyGroupTree& tree) const {
    addAll(tree, *this);
}

void DzNode::fillPropertyGroups(DzPropertyGroupTree& tree) const {
    addAll(tree, *this);
    if (DzObject const* object = getObject()) {
        addAll(tree, *object);
        for (DzModifierIterator it = object->modifierIterator(); it.hasNext();) addAll(tree, *it.next());
    }
}
