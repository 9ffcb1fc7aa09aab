#include "hv_morph.h"

#include <fmt/format.h>

#include <map>

#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "hv_base.h"

HvMorphInfo::HvMorphInfo(DzMorph* morph, DzFloatProperty* property)
    : morph(morph), property(property), favorite(property->isFavorite()), supportAsset(false) {
    if (DzMorphDeltas const* deltas = morph->getDeltas())
        deltasUri = HvHelpers::ToStdString(deltas->getUri().toString());
    supportAsset = deltasUri.rfind("/data/", 0) == 0;
}

struct HvMorphList::Impl {
    explicit Impl(DzNode& node) : node(node) {}

    HvMorphInfoPtr createInfo(DzMorph* morph, DzFloatProperty* property) {
        auto info = std::make_shared<HvMorphInfo>(morph, property);
        all.push_back(info);
        if (info->favorite)
            favorites.push_back(info);
        byName[morph->getName()] = info;  // the later of two equal names wins
        return info;
    }

    DzNode& node;
    std::vector<HvMorphInfoPtr> all;
    std::vector<HvMorphInfoPtr> favorites;
    std::map<QString, HvMorphInfoPtr> byName;
};

HvMorphList::HvMorphList(DzNode& node) : m_pImpl(std::make_unique<Impl>(node)) {
    DzObject* object = node.getObject();
    if (!object)
        return;
    for (DzModifierIterator it = object->modifierIterator(); it.hasNext();) {
        auto* morph = qobject_cast<DzMorph*>(it.next());
        if (!morph)
            continue;
        if (morph->getNumProperties() != 1)
            throw HvException("expected modifier to have exactly one property");
        if (auto* property = qobject_cast<DzFloatProperty*>(morph->getProperty(0)))
            m_pImpl->createInfo(morph, property);
    }
}

HvMorphList::~HvMorphList() = default;

size_t HvMorphList::getNumMorphs() const {
    return m_pImpl->all.size();
}

std::vector<HvMorphInfoPtr> const& HvMorphList::getFavorites() const {
    return m_pImpl->favorites;
}

HvMorphInfoPtr HvMorphList::findMorphByName(QString const& name) const {
    auto it = m_pImpl->byName.find(name);
    return it == m_pImpl->byName.end() ? nullptr : it->second;
}

HvMorphInfoPtr HvMorphList::addMorphOrThrow(DzMorphDeltas* deltas, QString const& name, bool overwrite,
                                            QString const& label, QString const& path) {
    std::unique_ptr<DzMorphDeltas> owned(deltas);
    if (HvMorphInfoPtr existing = findMorphByName(name)) {
        if (!overwrite)
            throw HvException(fmt::format("a morph with the name {} exists already",
                                          HvHelpers::Quote(HvHelpers::ToStdString(name)))
                                  .c_str());
        existing->morph->setDeltas(owned.release());
        return existing;
    }
    // Not reached through the save command, which needs the plug-in's modifier and so an object.
    DzObject* object = m_pImpl->node.getObject();
    if (!object)
        throw HvException("internal error: the node has no object for a new morph");

    auto* morph = new DzMorph(owned.release());
    morph->setName(name);
    morph->setLabel(label);
    object->addModifier(morph, -1);
    if (morph->getNumProperties() != 1)
        throw HvException(
            fmt::format("internal error: expected the new morph to have exactly one property, but it has {}",
                        morph->getNumProperties())
                .c_str());
    auto* property = qobject_cast<DzFloatProperty*>(morph->getProperty(0));
    if (!property)
        throw HvException("internal error: failed to get float property for new morph");

    property->setName(name);
    property->setLabel(name);
    property->setObjectName(name);
    property->setMinMax(0.0f, 1.0f);
    // The two switches the host leaves to us: a morph dials from 0 to 100 %.
    property->setIsClamped(true);
    property->setDisplayAsPercent(true);
    property->setPath(path);
    return m_pImpl->createInfo(morph, property);
}
