#include "dznode.h"
#include "dzobject.h"

void DzNode::setOrigin(DzVec3 const& origin) {
    if (origin == m_origin)
        return;
    m_origin = origin;
    onTransformChanged();
}

void DzNode::setLocalPos(DzVec3 const& position) {
    if (position == m_position)
        return;
    m_position = position;
    onTransformChanged();
}

void DzNode::setLocalRot(DzQuat const& rotation) {
    m_rotation = rotation;
    onTransformChanged();
}

void DzNode::setLocalScale(DzVec3 const& scale) {
    if (scale == m_scale)
        return;
    m_scale = scale;
    onTransformChanged();
}

DzMatrix3 DzNode::getLocalTransform() const {
    return DzMatrix3::translation(m_origin + m_position) * DzMatrix3::rotation(m_rotation) *
           DzMatrix3::scaling(m_scale);
}

void DzNode::onTransformChanged() {
    // The cached geometry is in world space.
    if (m_object)
        m_object->invalidateCache();
    emit transformChanged();
}
