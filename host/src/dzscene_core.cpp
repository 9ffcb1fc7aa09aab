#include "dzapp.h"
#include "dzbindingbase.h"
#include "dzfacetmesh.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"
#include "dzworldspace.h"

#include <cstdio>
#include <cstdlib>

// ---- DzApp ----

DzApp* dzApp = nullptr;

DzApp::DzApp(QObject* parent) : QObject(parent) {
    dzApp = this;
    createApplicationLevel();
}

DzApp::~DzApp() {
    destroyApplicationLevel();
    if (dzApp == this)
        dzApp = nullptr;
}

void DzApp::log(QString const& line) {
    m_logLines.append(line);
    if (std::getenv("HV_HOST_LOG_STDERR"))
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    emit logged(line);
}

// ---- DzShape ----

DzShape::DzShape(DzFacetMesh* geometry) : m_geometry(geometry) {}

DzShape::~DzShape() = default;

void DzShape::setGeometry(DzFacetMesh* geometry) {
    m_geometry.reset(geometry);
    emit geometryChanged();
}

// ---- DzNode ----

DzNode::DzNode() = default;

DzNode::~DzNode() = default;

void DzNode::setObject(DzObject* object) {
    m_object.reset(object);
    if (object)
        object->m_node = this;
}

// ---- DzObject ----

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
    invalidateCache();
}

bool DzObject::removeModifier(DzModifier* modifier) {
    if (!m_modifiers.removeOne(modifier))
        return false;
    disconnect(modifier, nullptr, this, nullptr);
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
    for (DzModifier* m : m_modifiers)
        m->apply(*m_cache, *m_node);
    dzToWorldSpace(*m_cache, *m_node);
    // Last: the refinement of the fully evaluated cage.
    m_shape->applySubdivision(*m_cache);
    ++m_evaluations;
}

// ---- DzBindingBase ----

int DzBindingBase::apply(DzVertexMesh& mesh, DzNode&) {
    auto v = mesh.getVerticesPtr();
    for (int i = 0, n = mesh.getNumVertices(); i < n; ++i) {
        DzVec3 p = m_pose.multPnt(DzVec3(v[i]));
        v[i][0] = p.m_x;
        v[i][1] = p.m_y;
        v[i][2] = p.m_z;
    }
    return 0;
}

int DzBindingBase::applyInverse(DzVertexMesh& mesh, DzNode&) {
    DzMatrix3 inv = m_pose.inverse();
    auto v = mesh.getVerticesPtr();
    for (int i = 0, n = mesh.getNumVertices(); i < n; ++i) {
        DzVec3 p = inv.multPnt(DzVec3(v[i]));
        v[i][0] = p.m_x;
        v[i][1] = p.m_y;
        v[i][2] = p.m_z;
    }
    return 0;
}

void DzBindingBase::setPose(DzMatrix3 const& pose) {
    m_pose = pose;
    emit currentValueChanged();
}
