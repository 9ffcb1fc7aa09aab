#pragma once

// PfSelection's state, shared by the files that implement it (pf_selection.cpp, pf_selection_drag.cpp,
// pf_selection_gizmo.cpp) and by no other file.
#include <QPointer>
#include <map>
#include <memory>
#include <set>
#include <type_traits>
#include <vector>

#include "dzmatrix3.h"
#include "dznode.h"
#include "pf_drag_session.h"
#include "pf_falloff.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_selection_owner.h"

static_assert(std::is_same_v<PfSelection::DragFunction, PfDragSession::Function>,
              "the drag session keeps the selection's drag functions");

struct PfSelection::Impl {
    Impl(PfSelectionOwner* owner, DzNode* node) : node(node), owner(owner) {}

    // The host's base mesh; null without it.
    DzFacetMesh* baseGeometry() const;
    // The owner's world-space copy of the node; null without it.
    DzFacetMesh* worldMesh() const;
    // The set of the type; null for a value that names no type.
    PfSelectSetBase* selectedSet(PfSelectionType type);
    // Fills the node transforms when they are not current.
    void initTransforms();

    // Guarded: the host may delete either while the selection lives.
    QPointer<DzNode> node;
    DzObject* object = nullptr;
    QPointer<PfModifier> modifier;
    PfSelectionOwner* owner;

    SelectedFacets facets;
    SelectedEdges edges;
    SelectedVertices vertices;

    // Falloff.
    bool affectedVerticesValid = false;
    double falloffRadius = 0.0;
    PfFalloffMode falloffMode = PfFalloffMode::SmoothCurve;
    PfAffectedWeights affectedVertices;
    std::set<int> excludedVertices;

    // Subdivision.
    bool subdividedFacetsValid = false;
    std::set<int> subdividedFacets;
    bool cagesValid = false;
    std::map<int, std::vector<int>> cages;

    // Node transforms, filled by the drag engine.
    bool transformsValid = false;
    DzMatrix3 localToWorld{false};
    DzMatrix3 worldToLocal{false};

    // The selection normal.
    bool normalComputed = false;
    bool normalValid = false;
    HvVec3 normal;
    HvVec3 side;

    std::map<Dz3DViewport*, ViewportData> viewports;

    // Drag state.
    bool moveGizmoOnly = false;
    State state = State::Idle;
    bool randomSeeded = false;
    PfDragSession drag;
};
