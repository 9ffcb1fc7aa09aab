#include "dzassetmgr.h"

#include "dzcategory.h"

// ---- DzCategory ----

DzCategory::DzCategory(QString const& name) : m_name(name) {}

DzCategory::~DzCategory() = default;

DzCategory* DzCategory::getChild(int index) const {
    if (index < 0 || index >= getNumChildren())
        return nullptr;
    return m_children[size_t(index)].get();
}

DzCategory* DzCategory::addChild(QString const& name) {
    m_children.push_back(std::make_unique<DzCategory>(name));
    m_children.back()->m_parent = this;
    return m_children.back().get();
}

// ---- DzAssetMgr ----

DzAssetMgr::DzAssetMgr(QObject* parent)
    : QObject(parent), m_categories(std::make_unique<DzCategory>("Categories")) {
    // A few content types so that a fresh database is not empty.
    for (char const* type : {"Actor", "Follower/Wardrobe", "Preset/Pose", "Preset/Morph", "Scene"})
        findTypeID(QString::fromLatin1(type), true, true);
}

DzAssetMgr::~DzAssetMgr() = default;

int DzAssetMgr::findOrAdd(QMap<QString, int>& registry, QString const& key, bool create, int& nextId) {
    auto it = registry.constFind(key);
    if (it != registry.constEnd())
        return it.value();
    if (!create || key.isEmpty())
        return 0;
    registry.insert(key, nextId);
    return nextId++;
}

int DzAssetMgr::findTypeID(QString const& type, bool create, bool matchCase) {
    if (!matchCase)
        for (auto it = m_types.constBegin(); it != m_types.constEnd(); ++it)
            if (it.key().compare(type, Qt::CaseInsensitive) == 0)
                return it.value();
    return findOrAdd(m_types, type, create, m_nextId);
}

int DzAssetMgr::findCompatibilityBaseTable(QString const& path, bool create) {
    return findOrAdd(m_baseTables, path, create, m_nextId);
}

int DzAssetMgr::findCompatibilityBaseID(QString const& path, bool create) {
    return findOrAdd(m_bases, path, create, m_nextId);
}

void DzAssetMgr::setCategories(DzCategory* top) {
    m_categories.reset(top);
}
