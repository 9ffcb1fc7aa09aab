#pragma once

#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "dzmatrix3.h"
#include "dznode.h"
#include "dzquat.h"
#include "dzvec3.h"
#include "dzviewportmgr.h"
#include "hv_geometry.h"
#include "hv_meshmodifier.h"
#include "pf_drag_session.h"
#include "pf_falloff.h"
#include "pf_flags.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection_owner.h"
#include "pf_settings.h"
#include "pf_undo.h"

class Dz3DViewport;
class DzCamera;
class DzFacetMesh;
class DzModifier;
class DzObject;
class HvWorldMeshBaseWithModifiers;
class PfSelection;
class PfTool;
class PfToolOptionsWidget;

// Selected element indices, ascending, without duplicates.
class PfSelectSetBase : public std::set<int> {
public:
    void unselectAll() { clear(); }
    // False, and nothing changed, when the set is exactly {index}.
    bool selectExactlyOne(int index);
    // Whether it was there.
    bool unselectOne(int index) { return erase(index) != 0; }
    void selectAdditional(int index) { insert(index); }
    void toggle(int index);
};

// Indices of the node's base mesh: cage faces when the mesh is subdivided.
class SelectedFacets : public PfSelectSetBase {};
class SelectedEdges : public PfSelectSetBase {};
class SelectedVertices : public PfSelectSetBase {};

// A snapshot of the set of the current selection type, for undo and redo.
struct PfSelectionState {
    explicit PfSelectionState(PfSelection const& selection);

    // The set of the type; null for a value that names no type.
    std::set<int>* setOf(PfSelectionType which);
    std::set<int> const* setOf(PfSelectionType which) const;

    PfSelectionType type;
    std::set<int> facets;
    std::set<int> edges;
    std::set<int> vertices;

    size_t allocated() const;
};

// The tool's editing state for one node: the selection sets, the node's delta modifier, and the caches and
// drag state that the falloff, the gizmos and the drag engine work on. Owned by the tool; GUI thread only.
class PfSelection {
public:
    // What the selection keeps for one viewport.
    struct ViewportData {
        std::unique_ptr<PfGizmo> gizmo;
        // Where the gizmo's origin comes from.
        enum class OriginState {
            AutoUnchosen = 0,  // automatic, the vertex not yet chosen
            AutoChosen = 1,    // automatic, at originVertex
            Placed = 2,        // placed by the user (moved or locked in place): kept
        };
        OriginState originState = OriginState::AutoUnchosen;
        int originVertex = 0;
        DzVec3 originWs;
        bool clampedOrientationStored = false;
        DzQuat storedOrientation;
        DzVec3 lastCameraPos;
    };

    // Selection states.
    enum class State : uint32_t {
        Idle = 0,
        Selecting = 1,  // the button is held: the selection is painted
        MovingGizmo = 2,
        Translating = 3,
        Rotating = 4,
        DragFinished = 5,  // still adjustable by falloff changes
    };
    // A gizmo is being dragged: moved alone, or the mesh translated or rotated.
    static bool IsDragging(State state) {
        return state == State::MovingGizmo || state == State::Translating || state == State::Rotating;
    }
    // A drag that edits the mesh is under way.
    static bool IsEditing(State state) { return state == State::Translating || state == State::Rotating; }

    using DragFunction = PfDragSession::Function;

    static std::unique_ptr<PfSelection> Create(PfTool* tool, DzNode* node);

    // Finds or inserts the node's modifier and listens to the node and the modifier on the tool's behalf.
    PfSelection(PfTool* tool, DzNode* node);
    ~PfSelection();
    PfSelection(PfSelection const&) = delete;
    PfSelection& operator=(PfSelection const&) = delete;

    DzNode* getNode() const { return m_pNode.data(); }
    DzObject* getObject() const { return m_pObject; }
    PfModifier* getModifier() const { return m_pModifier.data(); }
    SelectedFacets const& getSelectedFacets() const { return m_facets; }
    SelectedEdges const& getSelectedEdges() const { return m_edges; }
    SelectedVertices const& getSelectedVertices() const { return m_vertices; }
    // The set of the type; null for a value that names no type.
    PfSelectSetBase const* getSelectedSet(PfSelectionType type) const;
    State getState() const { return m_eState; }
    void setState(State state) { m_eState = state; }
    bool isMoveGizmoOnlyKeyboardModifierActive() const { return m_bMoveGizmoOnly; }

    // Selection sets and commands.
    PfMouseHandlerResult handleSelection(PfSelectionType type, int index,
                                         DzViewportMgr::ViewMouseModifier modifier);
    void selectAllOrThrow(PfSettings const& settings, bool select);
    void growOrShrinkSelectionOrThrow(PfSettings const& settings, bool grow);
    // Takes over the host's own face selection of the base mesh.
    void copyFaceSelectionsFromMesh(PfSettings const& settings);
    // Makes the host's face selection equal the face set; the base mesh, or null without one.
    DzFacetMesh* copyFaceSelectionsToMesh() const;
    void recomputeSelectedVerticesFromFacetsOrThrow();
    void recomputeSelectedVerticesFromEdgesOrThrow();
    void updateAfterSelectionChangeOrThrow(PfMouseHandlerResult flags);
    void restoreOrThrow(PfSelectionState const& state);
    // Made empty when missing.
    ViewportData& getViewportData(Dz3DViewport* view);

    // Geometry.
    // The world-space copy of the node (its mesh with every modifier applied) that the derived sets, the
    // falloff, the normal, the gizmos and the edge highlight read: made on first need, kept until the deltas
    // change wholesale or the geometry changes, gone with the selection. Null only once the node is gone.
    HvWorldMeshBaseWithModifiers* getWorldMeshBaseWithModifiers() const;
    void clearWorldMeshBaseWithModifiers() const;
    // Takes over the copy that the pick which made this selection built for its node, so that a first click
    // on a large mesh builds it once.
    void takeWorldMeshBaseWithModifiers(std::unique_ptr<HvWorldMeshBaseWithModifiers> copy);
    DzFacetMesh* getCachedGeometry() const;
    // The faces of the cached geometry that show the selected faces.
    std::set<int> const& getSelectedFacetsMaybeSubd();
    std::map<int, std::vector<int>> const& getCachedCagesMap();
    int findCageFacetIfSubd(int facet) const;
    // The averaged normal of the selected geometry and a side vector; false when there is none.
    bool getSelectionNormal(HvVec3& normal, HvVec3& side);
    // The highlight of the selection, in the current context; the vertices drawn.
    int64_t drawSelection();

    // Falloff: the cache of the affected vertices is dropped and rebuilt on demand.
    void invalidateAffectedVertices(PfFalloffRadius radius, PfFalloffMode mode, bool releaseLock);
    PfAffectedWeights const& getAffectedVertices();
    std::function<double(double)> getFalloffFunction(PfFalloffMode mode);

    // Gizmos, one per viewport.
    void makeGizmo(Dz3DViewport* view, unsigned long gizmoSize, PfGizmoOrientation orientation);
    void drawGizmo(Dz3DViewport* view);
    void resetGizmos();
    void resetAutoGizmoOrigins(bool all);
    ViewportData::OriginState getGizmoOriginState(Dz3DViewport* view);
    // What a new gizmo of the orientation is aligned to: the node, the selection's normal, the camera.
    PfGizmoInit makeGizmoInit(PfGizmoOrientation orientation, DzCamera* camera, bool clampedStored,
                              DzQuat const& storedOrientation);
    bool isAnyGizmoMovedManually() const;

    // Drag engine.
    PfGizmoHit testGizmoOnMousePress(Dz3DViewport* view, HvLine3 const& ray, bool* hoverChanged,
                                     bool* gizmoTested);
    // Begins a drag on the gizmo's current hit from the press point; false, the hit let go, without a
    // modifier.
    bool onBeginDragGizmo(PfGizmo& gizmo);
    void onMouseMoveDraggingGizmo(ViewportData& data, HvLine3 const& ray);
    // False, and nothing written, without a local mesh or a modifier, or when the result is not finite.
    bool modifyMesh(DragFunction fn);
    void onReleaseDragGizmo(Dz3DViewport* view);
    // The falloff changed: the weights follow it, and a finished drag (DragFinished) is taken back and
    // applied again with them, its undo step updated. True when a drag was re-applied (its modifier change
    // redraws).
    bool onFalloffChanged(PfFalloffRadius radius, PfFalloffMode mode);
    void reverseLastDeltas(PfToolOptionsWidget* pane);
    void reapplyTranslationOrRotationToAffectedVertices();
    void invalidateVerticesOnMouseDown();
    // The snapshot no longer stands: the next drag takes it (with the affected vertices of that moment)
    // before it reads it, as every press does.
    void dropVerticesOnMouseDown() { m_drag.deltasAtPress.clear(); }
    std::unique_ptr<DzFacetMesh> getLocalBaseMeshWithoutOurModifier(std::vector<DzModifier*>* others);
    // The host's base mesh when it is what getLocalBaseMeshWithoutOurModifier would copy (our modifier is the
    // object's only one, the node's origin is zero); null otherwise.
    DzFacetMesh* baseMeshIfLocal() const;
    // Asks the tool to redraw when the mode changes.
    void setMoveGizmoOnlyKeyboardModifierActive(bool active);
    bool setGizmoLockInPlace(bool lock);
    void activeViewChanged();
    void resetAllDeltas();
    void postResetAllDeltas();
    // The undo step of the last drag, kept for update(); null once the undo stack has destroyed it.
    PfUndoItem* getLastUndoItem() const { return m_drag.lastUndoItem.data(); }
    void setLastUndoItem(PfUndoItem* item) { m_drag.lastUndoItem = item; }
    // The tool's geometry changed: the node transforms are read again when next needed.
    void invalidateTransforms() { m_bTransformsValid = false; }

    // The drag steps behind the gizmo calls, so that a drag can be driven without one. beginDrag chooses the
    // state from the hit (a ring rotates; else the move-gizmo-only flag decides); false, and no drag, without
    // a modifier. dragTo takes one target of the given kind and hands it to dragTranslate or dragRotate
    // (rotationAxis is used by a rotation only); nothing happens when target or axis is not finite, or the
    // kind does not match the state. data is the viewport whose gizmo follows a translation, or null.
    bool beginDrag(PfGizmoHit hit, DzVec3 const& gizmoOrigin, HvPoint3 const& dragStart);
    void dragTo(ViewportData* data, PfGizmoDragKind kind, HvPoint3 const& target, HvVec3 const& rotationAxis);
    // A drag that edits the mesh (IsEditing) ends as its release would, with its undo step; used before the
    // selection is dropped.
    void endDragAsRelease();
    HvVertexOffsets const& getDeltasAfter() const { return m_drag.deltasAfter; }
    HvVertexOffsets const& getLastDragOffsets() const;
    float getCurrentAngle() const { return m_drag.currentAngle; }

private:
    // The host's base mesh and the world-space copy's mesh; null without them.
    DzFacetMesh* baseGeometry() const;
    DzFacetMesh* worldMesh() const;
    PfSelectSetBase* selectedSet(PfSelectionType type);
    // After the set of the type changed: the edges and vertices of selected faces, the vertices of selected
    // edges.
    void recomputeSelectedVerticesOrThrow(PfSelectionType type);
    // Fills the node transforms when they are not current.
    void initTransforms();
    // The two kinds of drag step behind dragTo: the mesh (or, moving the gizmo only, the gizmo) follows the
    // target; the mesh turns about the axis through the gizmo's origin at the press.
    void dragTranslate(ViewportData* data, HvPoint3 const& target);
    void dragRotate(HvPoint3 const& target, HvVec3 const& rotationAxis);
    // The delta at the press of the vertex, for the drag functions: they are called in ascending vertex
    // order, so a cursor walks the map instead of searching it.
    HvVec3 deltaAtPress(int vertex);
    // The viewport's gizmo origin, and its gizmo when it has one.
    void moveGizmoOrigin(ViewportData* data, DzVec3 const& origin);

    // Guarded: the host may delete either while the selection lives.
    QPointer<DzNode> m_pNode;
    DzObject* m_pObject = nullptr;
    QPointer<PfModifier> m_pModifier;
    PfSelectionOwner* m_pOwner;
    mutable std::unique_ptr<HvWorldMeshBaseWithModifiers> m_pWorldMesh;

    SelectedFacets m_facets;
    SelectedEdges m_edges;
    SelectedVertices m_vertices;

    // Falloff.
    bool m_bAffectedVerticesValid = false;
    double m_dFalloffRadius = 0.0;
    PfFalloffMode m_eFalloffMode = PfFalloffMode::SmoothCurve;
    PfAffectedWeights m_affectedVertices;
    std::set<int> m_excludedVertices;

    // Subdivision.
    bool m_bSubdividedFacetsValid = false;
    std::set<int> m_subdividedFacets;
    bool m_bCagesValid = false;
    std::map<int, std::vector<int>> m_cages;

    // Node transforms, filled by the drag engine.
    bool m_bTransformsValid = false;
    DzMatrix3 m_localToWorld{false};
    DzMatrix3 m_worldToLocal{false};

    // The selection normal.
    bool m_bNormalComputed = false;
    bool m_bNormalValid = false;
    HvVec3 m_normal;
    HvVec3 m_side;

    std::map<Dz3DViewport*, ViewportData> m_viewports;

    // Drag state.
    bool m_bMoveGizmoOnly = false;
    State m_eState = State::Idle;
    bool m_bRandomSeeded = false;
    PfDragSession m_drag;
};
