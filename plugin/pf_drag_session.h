#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "dzfacetmesh.h"
#include "dzquat.h"
#include "dzvec3.h"
#include "hv_geometry.h"
#include "hv_meshmodifier_offsets.h"
#include "pf_undo.h"

class DzModifier;

// What one drag of a gizmo keeps from the press to the release, and what the last drag leaves for a falloff
// change and its undo step: a translation, a rotation, or the gizmo moved alone. Plain data of the
// selection's drag engine (pf_selection_drag.cpp).
struct PfDragSession {
    // Moves the vertex (index into the array) by the drag for its weight.
    using Function = std::function<void(float (*)[3], int, double)>;

    // Taken at the press: the node's local mesh without our modifier, and the modifiers after ours.
    std::unique_ptr<DzFacetMesh> localBaseMesh;
    std::vector<DzModifier*> otherModifiers;
    // When no other modifier and no origin change the base mesh, the drag reads the host's base mesh itself
    // instead of a copy of it (localBaseMesh stays null).
    QPointer<DzFacetMesh> unchangedBaseMesh;
    // The affected vertices' deltas at the press, walked by a cursor in vertex order.
    HvVertexOffsets deltasAtPress;
    HvOffsetsCursor pressCursor{deltasAtPress};
    Function lastFunction;
    DzVec3 gizmoOriginAtPress;
    HvPoint3 start;
    HvPoint3 current;
    HvVec3 translationLocal;
    DzVec3 rotationCentreLocal;
    DzVec3 rotationAxisLocal;
    DzQuat rotation;
    float currentAngle = 0.0f;
    float previousAngle = 0.0f;
    // The offsets of the last finished drag: what undo takes back and a falloff change reverses. Shared with
    // the drag's undo step, never changed once made.
    std::shared_ptr<HvVertexOffsets const> lastOffsets;
    // The deltas last written by a drag of this selection.
    HvVertexOffsets deltasAfter;
    // The current drag wrote deltas (a release without it pushes zero offsets).
    bool wrote = false;
    // The vertices the drag functions write into when no modifier follows ours: only the affected ones are
    // ever set, each from the local base mesh before its function runs. Kept from drag to drag.
    std::unique_ptr<float[][3]> movedVertices;
    int movedVertexCount = 0;
    // Owned by the host's undo stack, which may destroy it while the selection lives.
    QPointer<PfUndoItem> lastUndoItem;
};
