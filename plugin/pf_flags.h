#pragma once

#include <QFlags>
#include <cstdint>

// The small value types that the tool, the selection and the gizmo hand each other, apart from the classes.

// What PfTool::invalidateAndRedraw recomputes before the redraw.
enum PfInvalidateFlag : uint32_t {
    PF_INVALIDATE_REDRAW = 1,
    PF_INVALIDATE_AFFECTED_VERTICES = 2,
    PF_INVALIDATE_GEOMETRY = 4,
    PF_INVALIDATE_GIZMOS = 8,          // implies PF_INVALIDATE_GIZMO_ORIGINS
    PF_INVALIDATE_GIZMO_ORIGINS = 16,  // implies PF_INVALIDATE_REDRAW
    PF_INVALIDATE_VERTICES_ON_MOUSE_DOWN = 32,
};
Q_DECLARE_FLAGS(PfInvalidateFlags, PfInvalidateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(PfInvalidateFlags)

// What the picking handler did.
enum PfMouseHandlerResultFlag : uint32_t {
    PF_MOUSE_REDRAW = 1,
    PF_MOUSE_CONSUMED = 2,  // the press is taken and the selection paints while the button is held
    PF_MOUSE_NODE_CHANGED = 4,
    PF_MOUSE_FACETS_CHANGED = 8,
    PF_MOUSE_EDGES_CHANGED = 16,
    PF_MOUSE_VERTICES_CHANGED = 32,
};
Q_DECLARE_FLAGS(PfMouseHandlerResult, PfMouseHandlerResultFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(PfMouseHandlerResult)

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
