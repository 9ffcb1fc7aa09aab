// An object: a node's shape, the modifiers applied to it in order, and the cached result, evaluated when
// asked for after a change.
#include "dzobject.h"

#include <memory>

#include "dzfacetmesh.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzshape.h"
#include "dzworldspace.h"

DzObject::DzObject() = default;

DzObject::~DzObject() {
    for (DzModifier* m : m_modifiers) {
        disconnect(m, nullptr, this, nullptr);
        delete m;
    }
}

void DzObject::setCurrentShape(DzShape* shape) {
    if (m_shape)
        disconnect(m_shape.get(), nullptr, this, nullptr);
    m_shape.reset(shape);
    if (shape)
        connect(shape, &DzShape::geometryChanged, this, &DzObject::invalidateCache);
    invalidateCache();
}

DzModifier* DzObject::findModifier(QString const& name) const {
    for (DzModifier* m : m_modifiers)
        if (m->objectName() == name)
            return m;
    return nullptr;
}

void DzObject::addModifier(DzModifier* modifier, int index) {
    if (!modifier || m_modifiers.contains(modifier))
        return;
    if (index < 0 || index > m_modifiers.size())
        m_modifiers.append(modifier);
    else
        m_modifiers.insert(index, modifier);
    connect(modifier, &DzModifier::currentValueChanged, this, &DzObject::invalidateCache);
    emit modifierAdded(modifier);
    invalidateCache();
}

bool DzObject::removeModifier(DzModifier* modifier) {
    if (!m_modifiers.removeOne(modifier))
        return false;
    disconnect(modifier, nullptr, this, nullptr);
    emit modifierRemoved(modifier);
    invalidateCache();
    return true;
}

void DzObject::invalidateCache() {
    m_dirty = true;
    emit cachedGeomInvalidated();
}

DzVertexMesh* DzObject::getCachedGeom() {
    if (m_dirty)
        evaluate();
    return m_cache.get();
}

void DzObject::evaluate() {
    m_dirty = false;
    DzFacetMesh* base = m_shape ? m_shape->getGeometry() : nullptr;
    if (!base || !m_node) {
        m_cache.reset();
        return;
    }
    if (!m_cache)
        m_cache = std::make_unique<DzFacetMesh>();
    m_cache->copyFrom(*base, false, true);
    dzMakeOriginRelative(*m_cache, *m_node);
    for (DzModifier* m : m_modifiers) m->apply(*m_cache, *m_node);
    dzToWorldSpace(*m_cache, *m_node);
    // Last: the refinement of the fully evaluated cage.
    m_shape->applySubdivision(*m_cache);
    ++m_evaluations;
}
