#pragma once

#include <QFlags>
#include <cstdint>
#include <memory>

#include "dzline3.h"
#include "dzquat.h"
#include "dzvec3.h"
#include "hv_geometry.h"
#include "pf_flags.h"
#include "pf_settings.h"

class DzCamera;

// The axes a new gizmo gets for an orientation.
struct PfGizmoInit {
    DzVec3 x;
    DzVec3 z;
    DzQuat orientation;
    // The camera's world-space rotation: the falloff circle faces the camera.
    DzQuat cameraRotation;

    PfGizmoInit() = default;
    // nodeRotation is the node's world-space rotation; normal and side are the selection's surface normal and
    // side vector, normal null when there is none (the node's axes serve then). camera may be null (identity
    // camera rotation). storedOrientation is used by the clamped orientation when clampedStored is set.
    PfGizmoInit(PfGizmoOrientation orientation, DzQuat const& nodeRotation, HvVec3 const* normal,
                HvVec3 const& side, DzCamera* camera, bool clampedStored, DzQuat const& storedOrientation);
};

// The handle the user drags in one viewport: translation axes with cones, plane handles, rotation rings and
// the falloff sphere. Owned by the selection's entry for that viewport; GUI thread only.
class PfGizmo {
public:
    // For one draw call: 1 shows the translation parts (and no rings) while the move-gizmo-only key is held;
    // 2 draws the planar subset (X and Y axes, the XY handle, the ring about Z).
    enum class TempDrawFlag : uint32_t { MoveGizmoOnly = 1, Planar = 2 };
    using TempDrawFlags = QFlags<TempDrawFlag>;
    using DrawFlags = QFlags<PfDrawGizmoSetting>;

    static constexpr unsigned kSegments = 48;

    static std::unique_ptr<PfGizmo> Create(PfGizmoInit const& init, DzVec3 const& origin, float size);

    ~PfGizmo();
    PfGizmo(PfGizmo const&) = delete;
    PfGizmo& operator=(PfGizmo const&) = delete;

    PfGizmoHit getCurrentHit() const { return m_eCurrentHit; }
    void setCurrentHit(PfGizmoHit hit) { m_eCurrentHit = hit; }
    // World-space axes; after recomputation each has the gizmo's size as its length.
    HvVec3 const& getX() const { return m_x; }
    HvVec3 const& getY() const { return m_y; }
    HvVec3 const& getZ() const { return m_z; }
    unsigned getSegments() const { return m_uSegments; }

    DzVec3 getOriginWs() const;
    void setOriginWs(DzVec3 const& origin);
    float getSize() const;
    float getConeSize() const;
    void resize(float size);
    DzQuat const& getOrientation() const;
    void recomputeIfNeeded();

    // dragStart is null unless a drag is under way; angle is the rotation so far (radians).
    void draw(DrawFlags flags, float sphereRadius, TempDrawFlags temp, HvPoint3* dragStart,
              HvPoint3* dragCurrent, float angle);

    // Tests the parts drawn last, first part hit wins; true when the current hit changed. A hit fills target
    // when given (a plane handle only when its plane is met).
    bool hitTest(HvLine3 const& ray, HvPoint3* target);
    bool hitTestCone(DzLine3 const& ray, HvVec3 const& axis, HvPoint3* target) const;

    // The drag kind of a part, whatever the ray.
    static PfGizmoDragKind DragKindOf(PfGizmoHit hit);
    // The drag kind of the part and the point the ray points at; rotationAxis is filled for the rings.
    // PfGizmoDragKind::None, target and rotationAxis untouched, when the hit is no part or the ray gives no
    // finite target (it misses the handle's or ring's plane: seen edge-on). A caller tells such a miss from
    // "no part" by DragKindOf(hit) != PfGizmoDragKind::None.
    PfGizmoDragKind computeDragTargetWs(PfGizmoHit hit, DzLine3 const& ray, HvPoint3* target,
                                        HvVec3* rotationAxis) const;

    // Current hit none; the geometry is recomputed at the next draw.
    void onReleaseDrag();

    // What the last draw drew, which is all the hit test looks at.
    bool drewTranslation() const;
    bool drewZParts() const;
    bool drewXYRings() const;
    bool drewZRing() const;

private:
    PfGizmo();
    struct Impl;

    unsigned m_uSegments = kSegments;
    PfGizmoHit m_eCurrentHit = PfGizmoHit::None;
    HvVec3 m_x;
    HvVec3 m_y;
    HvVec3 m_z;
    std::unique_ptr<Impl> m_pImpl;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PfGizmo::TempDrawFlags)
