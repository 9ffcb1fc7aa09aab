#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "dzquat.h"
#include "dzvec3.h"
#include "dzviewportmgr.h"
#include "hv_meshmodifier_offsets.h"
#include "pf_falloff.h"
#include "pf_flags.h"
#include "pf_settings.h"

class Dz3DViewport;
class DzCamera;
class DzFacetMesh;
class DzModifier;
class DzNode;
class DzObject;
class PfGizmo;
class PfModifier;
class PfSelection;
class PfTool;
class PfToolOptionsWidget;
class PfUndoItem;
struct PfGizmoInit;

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

// The member of a holder of vertices, edges and facets that holds the type's elements; null for a value that
// names no type. The selection's sets and its snapshots both take theirs through it.
template <typename Set, typename Holder>
Set* PfSetOfType(Holder& holder, PfSelectionType type) {
    switch (type) {
        case PfSelectionType::Vertex:
            return &holder.vertices;
        case PfSelectionType::Edge:
            return &holder.edges;
        case PfSelectionType::Face:
            return &holder.facets;
    }
    return nullptr;
}

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
        // Out of line, where the gizmo's class is known.
        ViewportData();
        ~ViewportData();
        ViewportData(ViewportData&&) noexcept;
        ViewportData& operator=(ViewportData&&) noexcept;

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

    // Moves the vertex (index into the array) by the drag for its weight.
    using DragFunction = std::function<void(float (*)[3], int, double)>;

    static std::unique_ptr<PfSelection> Create(PfTool* tool, DzNode* node);

    // Finds or inserts the node's modifier and listens to the node and the modifier on the tool's behalf.
    PfSelection(PfTool* tool, DzNode* node);
    ~PfSelection();
    PfSelection(PfSelection const&) = delete;
    PfSelection& operator=(PfSelection const&) = delete;

    DzNode* getNode() const;
    DzObject* getObject() const;
    PfModifier* getModifier() const;
    SelectedFacets const& getSelectedFacets() const;
    SelectedEdges const& getSelectedEdges() const;
    SelectedVertices const& getSelectedVertices() const;
    // The set of the type; null for a value that names no type.
    PfSelectSetBase const* getSelectedSet(PfSelectionType type) const;
    State getState() const;
    void setState(State state);
    bool isMoveGizmoOnlyKeyboardModifierActive() const;

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
    void dropVerticesOnMouseDown();
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
    PfUndoItem* getLastUndoItem() const;
    void setLastUndoItem(PfUndoItem* item);
    // The tool's geometry changed: the node transforms are read again when next needed.
    void invalidateTransforms();

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
    HvVertexOffsets const& getDeltasAfter() const;
    HvVertexOffsets const& getLastDragOffsets() const;
    float getCurrentAngle() const;

private:
    // After the set of the type changed: the edges and vertices of selected faces, the vertices of selected
    // edges.
    void recomputeSelectedVerticesOrThrow(PfSelectionType type);
    // The two kinds of drag step behind dragTo: the mesh (or, moving the gizmo only, the gizmo) follows the
    // target; the mesh turns about the axis through the gizmo's origin at the press.
    void dragTranslate(ViewportData* data, HvPoint3 const& target);
    void dragRotate(HvPoint3 const& target, HvVec3 const& rotationAxis);

    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
