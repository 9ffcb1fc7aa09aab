#pragma once

#include <memory>

#include "dzbox3.h"
#include "dzelement.h"
#include "dzmatrix3.h"
#include "dzquat.h"
#include "dzvec3.h"

class DzObject;

// A scene node; owns its object.
class DzNode : public DzElement {
    Q_OBJECT
public:
    DzNode();
    ~DzNode() override;

    DzObject* getObject() const { return m_object.get(); }
    // Takes ownership; the old object is deleted.
    void setObject(DzObject* object);

    // ---- transform (dznode_transform.cpp) ----
    // The node turns and scales about its origin: world = translation(origin + position) * rotation * scale,
    // applied to the geometry made relative to the origin. There is no parenting: local is world.
    DzVec3 const& getOrigin() const { return m_origin; }
    void setOrigin(DzVec3 const& origin);
    DzVec3 const& getLocalPos() const { return m_position; }
    void setLocalPos(DzVec3 const& position);
    DzQuat const& getLocalRot() const { return m_rotation; }
    void setLocalRot(DzQuat const& rotation);
    DzVec3 const& getLocalScale() const { return m_scale; }
    void setLocalScale(DzVec3 const& scale);
    DzMatrix3 getLocalTransform() const;
    DzMatrix3 getWSTransform() const { return getLocalTransform(); }
    DzVec3 getWSPos() const { return m_origin + m_position; }
    DzQuat getWSRot() const { return m_rotation; }

    // ---- display (dznode_display.cpp) ----
    // A hidden node is neither drawn nor picked.
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    // The box of the object's cached (world-space) geometry; invalid without geometry.
    DzBox3 getWSBoundingBox() const;

protected:
    // The node's own properties, then its object's and its modifiers' in list order.
    void fillPropertyGroups(DzPropertyGroupTree& tree) const override;

signals:
    // Any change of the world transform or the origin.
    void transformChanged();
    void visibilityChanged();

private:
    std::unique_ptr<DzObject> m_object;
    void onTransformChanged();
    DzVec3 m_origin;
    DzVec3 m_position;
    DzQuat m_rotation;
    DzVec3 m_scale{1.0f, 1.0f, 1.0f};
    bool m_visible = true;
};
