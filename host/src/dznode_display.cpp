#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"

void DzNode::setVisible(bool visible) {
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit visibilityChanged();
}

DzBox3 DzNode::getWSBoundingBox() const {
    DzVertexMesh* geom = m_object ? m_object->getCachedGeom() : nullptr;
    return geom ? geom->getBoundingBox() : DzBox3();
}
