#pragma once

#include <QFlags>
#include <cstdint>

// The small value types that the tool, the selection and the gizmo hand each other, apart from the classes.

// What PfTool::invalidateAndRedraw recomputes before the redraw.
enum class PfInvalidateFlag : uint32_t {
    Redraw = 1,
    AffectedVertices = 2,
    Geometry = 4,
    Gizmos = 8,         // implies GizmoOrigins
    GizmoOrigins = 16,  // implies Redraw
    VerticesOnMouseDown = 32,
};
Q_DECLARE_FLAGS(PfInvalidateFlags, PfInvalidateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(PfInvalidateFlags)

// Whether the active tool's gizmos stay where they are.
enum class PfGizmoLock : int {
    Unavailable = 0,  // no active tool or no selection: nothing to lock
    Automatic = 1,    // every gizmo stands on a vertex of the selection
    Placed = 2,       // a gizmo was moved by hand or locked: it stays
};

// What the picking handler did.
enum class PfMouseHandlerResultFlag : uint32_t {
    Redraw = 1,
    Consumed = 2,  // the press is taken and the selection paints while the button is held
    NodeChanged = 4,
    FacetsChanged = 8,
    EdgesChanged = 16,
    VerticesChanged = 32,
};
Q_DECLARE_FLAGS(PfMouseHandlerResult, PfMouseHandlerResultFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(PfMouseHandlerResult)

// The part of a gizmo that a ray hits or that is being dragged.
enum class PfGizmoHit : uint32_t {
    None = 0,
    ConeX = 1,
    ConeY = 2,
    ConeZ = 3,
    PlaneXY = 4,
    PlaneXZ = 5,
    PlaneYZ = 6,
    RingX = 7,
    RingY = 8,
    RingZ = 9,
};

inline bool PfIsRing(PfGizmoHit hit) {
    return hit == PfGizmoHit::RingX || hit == PfGizmoHit::RingY || hit == PfGizmoHit::RingZ;
}

// What a drag of a gizmo part does.
enum class PfGizmoDragKind : int {
    None = 0,
    Translate = 1,
    RotateX = 2,
    RotateY = 3,
    RotateZ = 4,
};
