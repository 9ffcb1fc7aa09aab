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
#include "pf_falloff.h"
#include "pf_flags.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_settings.h"
#include "pf_undo.h"

class Dz3DViewport;
class DzCamera;
class DzFacetMesh;
class DzModifier;
class DzObject;
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
    enum State : uint32_t {
        PF_STATE_IDLE = 0,
        PF_STATE_SELECTING = 1,  // the button is held: the selection is painted
        PF_STATE_MOVING_GIZMO = 2,
        PF_STATE_TRANSLATING = 3,
        PF_STATE_ROTATING = 4,
        PF_STATE_DRAG_FINISHED = 5,  // still adjustable by falloff changes
    };

    using DragFunction = std::function<void(float (*)[3], int, double)>;

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
    void invalidateAffectedVertices(unsigned long radius, PfFalloffMode mode, bool releaseLock);
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
    void onBeginDragGizmo(PfGizmo& gizmo);
    void onMouseMoveDraggingGizmo(ViewportData& data, HvLine3 const& ray);
    // False, and nothing written, without a local mesh or a modifier, or when the result is not finite.
    bool modifyMesh(DragFunction fn);
    void onReleaseDragGizmo(Dz3DViewport* view);
    void reverseLastDeltas(PfToolOptionsWidget* pane);
    void reapplyTranslationOrRotationToAffectedVertices();
    void invalidateVerticesOnMouseDown();
    // The snapshot no longer stands: the next drag takes it (with the affected vertices of that moment)
    // before it reads it, as every press does.
    void dropVerticesOnMouseDown() { m_deltasAtPress.clear(); }
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
    PfUndoItem* getLastUndoItem() const { return m_pLastUndoItem.data(); }
    void setLastUndoItem(PfUndoItem* item) { m_pLastUndoItem = item; }
    // The tool's geometry changed: the node transforms are read again when next needed.
    void invalidateTransforms() { m_bTransformsValid = false; }

    // The drag steps behind the gizmo calls, so that a drag can be driven without one. beginDrag chooses the
    // state from the hit (a ring rotates; else the move-gizmo-only flag decides); false, and no drag, without
    // a modifier. dragTo takes one target of the given kind and hands it to dragTranslate or dragRotate
    // (rotationAxis is used by a rotation only); nothing happens when target or axis is not finite, or the
    // kind does not match the state. data is the viewport whose gizmo follows a translation, or null.
    bool beginDrag(PfGizmoHit hit, DzVec3 const& gizmoOrigin, HvPoint3 const& dragStart);
    void dragTo(ViewportData* data, PfGizmoDragKind kind, HvPoint3 const& target, HvVec3 const& rotationAxis);
    // A drag under way (state 3 or 4) ends as its release would, with its undo step; used before the
    // selection is dropped.
    void endDragAsRelease();
    HvVertexOffsets const& getDeltasAtPress() const { return m_deltasAtPress; }
    HvVertexOffsets const& getDeltasAfter() const { return m_deltasAfter; }
    HvVertexOffsets const& getLastDragOffsets() const;
    HvPoint3 const& getDragStart() const { return m_dragStart; }
    HvPoint3 const& getDragCurrent() const { return m_dragCurrent; }
    float getCurrentAngle() const { return m_fCurrentAngle; }

private:
    // The host's base mesh and the tool's world-space copy of the node; null without them.
    DzFacetMesh* baseGeometry() const;
    DzFacetMesh* worldMesh() const;
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
    PfTool* m_pTool;

    SelectedFacets m_facets;
    SelectedEdges m_edges;
    SelectedVertices m_vertices;

    // Falloff.
    bool m_bAffectedVerticesValid = false;
    double m_dFalloffRadius = 0.0;
    PfFalloffMode m_eFalloffMode = PF_FALLOFF_SMOOTH_CURVE;
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

    // Taken at the start of a drag. When no other modifier and no origin change the base mesh, the drag reads
    // the host's base mesh itself instead of a copy of it (m_pLocalBaseMesh stays null).
    std::unique_ptr<DzFacetMesh> m_pLocalBaseMesh;
    QPointer<DzFacetMesh> m_pUnchangedBaseMesh;
    std::vector<DzModifier*> m_otherModifiers;

    // The selection normal.
    bool m_bNormalComputed = false;
    bool m_bNormalValid = false;
    HvVec3 m_normal;
    HvVec3 m_side;

    std::map<Dz3DViewport*, ViewportData> m_viewports;

    // Drag state.
    bool m_bMoveGizmoOnly = false;
    State m_eState = PF_STATE_IDLE;
    // The deltas of the affected vertices at the press; a vertex without an entry had none.
    HvVertexOffsets m_deltasAtPress;
    DragFunction m_fnLastDrag;
    bool m_bRandomSeeded = false;
    DzVec3 m_gizmoOriginAtPress;
    HvPoint3 m_dragStart;
    HvPoint3 m_dragCurrent;
    HvVec3 m_translationLocal;
    DzVec3 m_rotationCentreLocal;
    DzVec3 m_rotationAxisLocal;
    DzQuat m_dragRotation;
    float m_fCurrentAngle = 0.0f;
    float m_fPreviousAngle = 0.0f;
    // The offsets of the last finished drag: what undo takes back and a falloff change reverses. Shared with
    // the drag's undo step, never changed once made.
    std::shared_ptr<HvVertexOffsets const> m_pLastDragOffsets;
    // The deltas last written by a drag of this selection.
    HvVertexOffsets m_deltasAfter;
    // The current drag wrote deltas (a release without it pushes zero offsets).
    bool m_bDragWrote = false;
    // The vertices the drag functions write into when no modifier follows ours: only the affected ones are
    // ever set, each from the local base mesh before its function runs. Kept from drag to drag.
    std::unique_ptr<float[][3]> m_pMovedVertices;
    int m_iMovedVertexCount = 0;
    HvOffsetsCursor m_pressCursor{m_deltasAtPress};
    // Owned by the host's undo stack, which may destroy it while the selection lives.
    QPointer<PfUndoItem> m_pLastUndoItem;
};
