#pragma once

#include <QFlags>
#include <cstdint>

#include "hv_geometry.h"

// The part of a gizmo that a ray hits or that is being dragged.
enum PfGizmoHit : uint32_t {
    PF_GIZMO_HIT_NONE = 0,
    PF_GIZMO_HIT_CONE_X = 1,
    PF_GIZMO_HIT_CONE_Y = 2,
    PF_GIZMO_HIT_CONE_Z = 3,
    PF_GIZMO_HIT_PLANE_XY = 4,
    PF_GIZMO_HIT_PLANE_XZ = 5,
    PF_GIZMO_HIT_PLANE_YZ = 6,
    PF_GIZMO_HIT_RING_X = 7,
    PF_GIZMO_HIT_RING_Y = 8,
    PF_GIZMO_HIT_RING_Z = 9,
};

// The handle the user drags in one viewport: translation axes with cones, plane handles, rotation rings.
// Owned by the selection's entry for that viewport. The geometry, drawing and drag targets come with the
// gizmo's own source file.
class PfGizmo {
public:
    // For one draw call: 1 shows the translation parts (and no rings) while the move-gizmo-only key is held;
    // 2 draws the planar subset.
    enum TempDrawFlag : uint32_t { PF_TEMP_DRAW_MOVE_GIZMO_ONLY = 1, PF_TEMP_DRAW_PLANAR = 2 };

    PfGizmo(PfGizmo const&) = delete;
    PfGizmo& operator=(PfGizmo const&) = delete;
    ~PfGizmo() = default;

    PfGizmoHit getCurrentHit() const { return m_eCurrentHit; }

    // Tests the parts drawn last; true when the current hit changed. A hit fills target when given.
    bool hitTest(HvLine3 const& ray, HvPoint3* target);

private:
    PfGizmo() = default;

    unsigned m_uSegments = 48;
    PfGizmoHit m_eCurrentHit = PF_GIZMO_HIT_NONE;
    HvVec3 m_x;
    HvVec3 m_y;
    HvVec3 m_z;
};
