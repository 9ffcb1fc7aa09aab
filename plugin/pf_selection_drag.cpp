// The drag engine of PfSelection: a press on the gizmo, the mouse moves and the release become deltas in the
// node's modifier, and the last drag is applied again when the falloff changes.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>

#include "dzfacetmesh.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "hv_base_daz.h"
#include "hv_threadpool.h"
#include "hv_worldmesh.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_tool.h"
#include "pf_tool_hooks.h"
#include "pf_undo.h"

namespace {

// Below this many affected vertices a step's deltas are computed on the calling thread.
size_t const kParallelAfter = size_t(1) << 15;

// The offsets of a drag that wrote nothing: zero for the same vertices.
std::shared_ptr<HvVertexOffsets const> zeroOffsets(HvVertexOffsets const& like) {
    auto zero = std::make_shared<HvVertexOffsets>();
    zero->reserve(like.size());
    for (auto const& entry : like) zero->emplace_back(entry.first, HvVec3());
    return zero;
}

// What a drag moved: the deltas after it minus those at the press, where a vertex without an entry at the
// press had no delta (unlike PfRelativeOffsetsForUndo, which takes such a vertex as unmoved).
std::shared_ptr<HvVertexOffsets const> MovedSincePress(HvVertexOffsets const& after,
                                                       HvVertexOffsets const& atPress) {
    auto moved = std::make_shared<HvVertexOffsets>();
    moved->reserve(after.size());
    HvOffsetsCursor before(atPress);
    for (auto const& [index, offset] : after) moved->emplace_back(index, offset - before.at(index));
    return moved;
}

// The deltas after a step, in vertex order, into after: each affected vertex of the mesh gets its delta at
// the press plus its movement. False, with after as it was, when a result is not finite: a first pass checks
// every result and a second one writes them, so that the step needs no second array of a million entries. A
// large selection is computed in parts on the pool, each with its own cursor into the deltas at the press.
bool DeltasAfter(PfAffectedWeights const& affected, HvVertexOffsets const& atPress, float const (*unmoved)[3],
                 float const (*moved)[3], int vertexCount, HvVertexOffsets& after) {
    auto offsetOf = [&](HvOffsetsCursor& before, int i, HvVec3& offset) {
        HvVec3 const d = before.at(i);
        if (!HvIsFinite(moved[i]))
            return false;
        offset = HvVec3(d.x + (moved[i][0] - unmoved[i][0]), d.y + (moved[i][1] - unmoved[i][1]),
                        d.z + (moved[i][2] - unmoved[i][2]));
        return HvIsFinite(offset.dz());
    };
    size_t const count = affected.size();
    bool const allInMesh =
        count == 0 || (affected.data()[0].first >= 0 && affected.data()[count - 1].first < vertexCount);
    if (!allInMesh) {
        // Vertices beyond the mesh (a selection of another mesh) are left out, one by one.
        for (bool write : {false, true}) {
            if (write)
                after.clear();
            HvOffsetsCursor before(atPress);
            for (auto const& entry : affected) {
                int const i = entry.first;
                if (i < 0 || i >= vertexCount)
                    continue;
                HvVec3 offset;
                if (!offsetOf(before, i, offset))
                    return false;
                if (write)
                    after.emplace_back(i, offset);
            }
        }
        return true;
    }
    PfAffectedWeights::value_type const* in = affected.data();
    auto pass = [&](HvVertexOffsets::value_type* out) {
        std::atomic<bool> finite{true};
        HvThreadPool::Get()->parallelFor(
            count,
            [&](size_t begin, size_t end) {
                HvOffsetsCursor before(atPress);
                for (size_t k = begin; k < end; ++k) {
                    HvVec3 offset;
                    if (!offsetOf(before, in[k].first, offset)) {
                        finite = false;
                        return;
                    }
                    if (out)
                        out[k] = HvVertexOffsets::value_type(in[k].first, offset);
                }
            },
            count >= kParallelAfter);
        return bool(finite);
    };
    if (!pass(nullptr))
        return false;
    after.entries().resize(count);
    pass(after.data());
    return true;
}

}  // namespace

// ---- press ----

PfGizmoHit PfSelection::testGizmoOnMousePress(Dz3DViewport* view, HvLine3 const& ray, bool* hoverChanged,
                                              bool* gizmoTested) {
    ViewportData& data = getViewportData(view);
    unsigned const flags = PfSettings::Get()->m_uDrawGizmoFlags;
    if (!(flags & (PF_DRAW_GIZMO_TRANSLATION | PF_DRAW_GIZMO_ROTATION)) || !data.gizmo)
        return PF_GIZMO_HIT_NONE;
    PfGizmo& gizmo = *data.gizmo;
    if (gizmo.hitTest(ray, &m_dragStart) && hoverChanged)
        *hoverChanged = true;
    if (gizmoTested)
        *gizmoTested = true;
    PfGizmoHit const hit = gizmo.getCurrentHit();
    if (hit == PF_GIZMO_HIT_NONE)
        return hit;
    // A ring's hit point lies on the drawn arc (on the first segment within the tolerance, possibly beyond
    // its end), up to a few degrees from where the mouse pressed; the moves measure in the ring's plane, so
    // the angle starts there too, or the first move would turn the mesh by the difference. Seen edge-on the
    // plane gives no point and the arc's point stays.
    HvPoint3 inPlane;
    if (hit >= PF_GIZMO_HIT_RING_X && hit <= PF_GIZMO_HIT_RING_Z &&
        gizmo.computeDragTargetWs(hit, ray, &inPlane, nullptr) != PF_GIZMO_DRAG_NONE)
        m_dragStart = inPlane;
    if (!beginDrag(hit, gizmo.getOriginWs(), m_dragStart)) {
        // Without our modifier there is nothing to drag: the press is no gizmo hit.
        gizmo.onReleaseDrag();
        return PF_GIZMO_HIT_NONE;
    }
    return hit;
}

void PfSelection::onBeginDragGizmo(PfGizmo& gizmo) {
    if (!beginDrag(gizmo.getCurrentHit(), gizmo.getOriginWs(), m_dragStart))
        gizmo.onReleaseDrag();
}

bool PfSelection::beginDrag(PfGizmoHit hit, DzVec3 const& gizmoOrigin, HvPoint3 const& dragStart) {
    if (!m_pModifier || !m_pNode)
        return false;
    m_dragStart = dragStart;
    invalidateVerticesOnMouseDown();
    m_otherModifiers.clear();
    m_pLocalBaseMesh.reset();
    m_pUnchangedBaseMesh = baseMeshIfLocal();
    if (!m_pUnchangedBaseMesh) {
        m_pLocalBaseMesh = getLocalBaseMeshWithoutOurModifier(&m_otherModifiers);
        if (m_pLocalBaseMesh)
            for (DzModifier* other : m_otherModifiers) other->applyInverse(*m_pLocalBaseMesh, *m_pNode);
    }
    // The kind is fixed here: letting go of the key later does not turn a gizmo move into an edit.
    if (hit >= PF_GIZMO_HIT_RING_X && hit <= PF_GIZMO_HIT_RING_Z)
        m_eState = PF_STATE_ROTATING;
    else if (m_bMoveGizmoOnly)
        m_eState = PF_STATE_MOVING_GIZMO;
    else
        m_eState = PF_STATE_TRANSLATING;
    m_gizmoOriginAtPress = gizmoOrigin;
    m_dragCurrent = HvPoint3();
    m_fCurrentAngle = 0.0f;
    m_fPreviousAngle = 0.0f;
    // Until this drag moves, it has moved nothing: a falloff change after a click re-applies nothing.
    m_fnLastDrag = [](float(*)[3], int, double) {};
    m_bDragWrote = false;
    return true;
}

void PfSelection::invalidateVerticesOnMouseDown() {
    m_deltasAtPress.clear();
    PfAffectedWeights const& affected = getAffectedVertices();
    PfModifier* modifier = m_pModifier.data();
    if (!modifier)
        return;
    HvMeshModifierLock lock(*modifier);
    // Only the affected vertices that have a delta: every reader takes a vertex without an entry as one
    // without a delta, so a first drag over an unedited mesh copies nothing. Both arrays are ordered by
    // vertex index: one pass over each.
    HvVertexOffsets const& deltas = modifier->getOffsets();
    HvOffsetsCursor cursor(deltas);
    m_deltasAtPress.reserve(std::min(affected.size(), deltas.size()));
    for (auto const& entry : affected)
        if (HvVec3 const* delta = cursor.find(entry.first))
            m_deltasAtPress.emplace_back(entry.first, *delta);
}

DzFacetMesh* PfSelection::baseMeshIfLocal() const {
    if (!m_pNode || !m_pObject || !m_pModifier)
        return nullptr;
    DzVec3 const& origin = m_pNode->getOrigin();
    if (origin.m_x != 0.0f || origin.m_y != 0.0f || origin.m_z != 0.0f)
        return nullptr;
    for (DzModifierIterator it = m_pObject->modifierIterator(); it.hasNext();)
        if (it.next() != m_pModifier.data())
            return nullptr;
    return HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(*m_pNode);
}

std::unique_ptr<DzFacetMesh> PfSelection::getLocalBaseMeshWithoutOurModifier(
    std::vector<DzModifier*>* others) {
    if (!m_pNode)
        return nullptr;
    std::unique_ptr<DzFacetMesh> copy =
        HvWorldMeshBaseWithModifiers::CopyBaseMeshVerticesMinusOrigin(*m_pNode);
    if (!copy || !m_pObject)
        return copy;
    bool afterOurs = false;
    for (DzModifierIterator it = m_pObject->modifierIterator(); it.hasNext();) {
        DzModifier* modifier = it.next();
        if (modifier == m_pModifier.data()) {
            afterOurs = true;
            continue;
        }
        if (afterOurs && others)
            others->push_back(modifier);
        modifier->apply(*copy, *m_pNode);
    }
    return copy;
}

// ---- moves ----

void PfSelection::onMouseMoveDraggingGizmo(ViewportData& data, HvLine3 const& ray) {
    if (!data.gizmo)
        return;
    HvPoint3 target = m_dragCurrent;
    HvVec3 axis;
    PfGizmoDragKind const kind =
        data.gizmo->computeDragTargetWs(data.gizmo->getCurrentHit(), ray, &target, &axis);
    dragTo(&data, kind, target, axis);
}

void PfSelection::dragTo(ViewportData* data, PfGizmoDragKind kind, HvPoint3 const& target,
                         HvVec3 const& rotationAxis) {
    // A ray that missed the drag plane, or ran along it, gives no usable target.
    if (!HvIsFinite(target.dz()) || !HvIsFinite(rotationAxis.dz()))
        return;
    switch (kind) {
        case PF_GIZMO_DRAG_TRANSLATE:
            dragTranslate(data, target);
            break;
        case PF_GIZMO_DRAG_ROTATE_X:
        case PF_GIZMO_DRAG_ROTATE_Y:
        case PF_GIZMO_DRAG_ROTATE_Z:
            dragRotate(target, rotationAxis);
            break;
        case PF_GIZMO_DRAG_NONE:
            break;
    }
}

void PfSelection::dragTranslate(ViewportData* data, HvPoint3 const& target) {
    if (m_eState != PF_STATE_TRANSLATING && m_eState != PF_STATE_MOVING_GIZMO)
        return;
    if (target.dz() == m_dragStart.dz())
        return;
    DzVec3 const origin = m_gizmoOriginAtPress + (target.dz() - m_dragStart.dz());
    if (!HvIsFinite(origin))
        return;
    m_dragCurrent = target;
    if (m_eState == PF_STATE_MOVING_GIZMO) {
        moveGizmoOrigin(data, origin);
        PfToolHooks::setGizmoLockInPlace(true, true, true);
        return;
    }
    initTransforms();
    DzVec3 const translation =
        (m_worldToLocal.multVec(target) - m_worldToLocal.multVec(m_dragStart)) * PfSettings::Get()->m_fGain;
    if (!HvIsFinite(translation))
        return;
    m_translationLocal = translation;
    HvVec3 const t = m_translationLocal;
    if (!modifyMesh([t](float(*v)[3], int i, double weight) {
            float const w = float(weight);
            v[i][0] += t.x * w;
            v[i][1] += t.y * w;
            v[i][2] += t.z * w;
        }))
        return;
    moveGizmoOrigin(data, origin);
}

void PfSelection::dragRotate(HvPoint3 const& target, HvVec3 const& rotationAxis) {
    if (m_eState != PF_STATE_ROTATING)
        return;
    initTransforms();
    HvPoint3 const centre = m_gizmoOriginAtPress;
    float angle = centre.getAngleBetween(rotationAxis, m_dragStart, target);
    if (!std::isfinite(angle))
        return;
    // Past half a turn the angle keeps growing instead of jumping to the other side.
    if (angle < 0.0f && m_fPreviousAngle > 1.5707963f)
        angle += 6.2831855f;
    else if (angle > 0.0f && m_fPreviousAngle < -1.5707963f)
        angle -= 6.2831855f;
    DzVec3 const centreLocal = m_worldToLocal.multVec(centre);
    DzVec3 const axisLocal = m_worldToLocal.multVec(centre.dz() + rotationAxis.dz()) - centreLocal;
    // No axis, no rotation: a zero axis would turn nothing and still write a step.
    if (!HvIsFinite(centreLocal) || !HvIsFinite(axisLocal) || axisLocal == DzVec3())
        return;
    m_dragCurrent = target;
    m_fCurrentAngle = angle;
    m_fPreviousAngle = angle;
    m_rotationCentreLocal = centreLocal;
    m_rotationAxisLocal = axisLocal;
    // The signed angle runs from the target back to the press point; the mesh turns the other way, with the
    // mouse.
    m_dragRotation = DzQuat(axisLocal, -angle * PfSettings::Get()->m_fGain);
    DzQuat const rotation = m_dragRotation;
    // What scaleAngle takes apart for every vertex, taken apart once.
    DzVec3 scaleAxis;
    float scaleAngle = 0.0f;
    rotation.getValue(scaleAxis, scaleAngle);
    modifyMesh([this, rotation, centreLocal, scaleAxis, scaleAngle](float(*v)[3], int i, double weight) {
        DzVec3 const r = deltaAtPress(i).dz() - centreLocal;
        DzVec3 p = DzVec3(v[i]) + r;
        DzQuat q = rotation;
        if (weight != 1.0)
            q.setValue(scaleAxis, float(scaleAngle * weight));
        p = q.multPnt(p) - r;
        v[i][0] = p.m_x;
        v[i][1] = p.m_y;
        v[i][2] = p.m_z;
    });
    PfToolHooks::setGizmoLockInPlace(true, false, true);
}

HvVec3 PfSelection::deltaAtPress(int vertex) {
    return m_pressCursor.at(vertex);
}

void PfSelection::moveGizmoOrigin(ViewportData* data, DzVec3 const& origin) {
    if (!data)
        return;
    data->originWs = origin;
    if (data->gizmo)
        data->gizmo->setOriginWs(origin);
}

bool PfSelection::modifyMesh(DragFunction fn) {
    PfModifier* modifier = m_pModifier.data();
    DzFacetMesh const* local = m_pLocalBaseMesh ? m_pLocalBaseMesh.get() : m_pUnchangedBaseMesh.data();
    if (!local || !modifier || !m_pNode)
        return false;
    float const(*unmoved)[3] = local->getVerticesPtr();
    int const vertexCount = local->getNumVertices();
    PfAffectedWeights const& affected = getAffectedVertices();

    std::unique_ptr<DzFacetMesh> fresh;
    float(*moved)[3] = nullptr;
    if (m_otherModifiers.empty()) {
        // Nothing to take back out after the function: only the affected vertices need a fresh start, so the
        // other vertices of the buffer are never written nor read.
        if (!m_pMovedVertices || m_iMovedVertexCount != vertexCount) {
            m_pMovedVertices.reset(new float[size_t(std::max(vertexCount, 1))][3]);
            m_iMovedVertexCount = vertexCount;
        }
        moved = m_pMovedVertices.get();
    } else {
        fresh = getLocalBaseMeshWithoutOurModifier(nullptr);
        if (!fresh || fresh->getNumVertices() != vertexCount)
            return false;
        moved = fresh->getVerticesPtr();
    }

    m_pressCursor = HvOffsetsCursor(m_deltasAtPress);
    for (auto const& entry : affected) {
        int const i = entry.first;
        if (i < 0 || i >= vertexCount)
            continue;
        if (!fresh)
            std::memcpy(moved[i], unmoved[i], sizeof(float[3]));  // the reused copy starts again unmoved
        fn(moved, i, entry.second);
    }
    if (fresh)
        for (DzModifier* other : m_otherModifiers) other->applyInverse(*fresh, *m_pNode);

    // The new deltas in vertex order, checked before anything is written.
    if (!DeltasAfter(affected, m_deltasAtPress, unmoved, moved, vertexCount, m_deltasAfter))
        return false;  // a degenerate step writes nothing
    m_fnLastDrag = std::move(fn);
    m_bDragWrote = true;
    {
        HvMeshModifierLock lock(*modifier);
        HvMeshModifier::WriteOrdered(modifier->getOffsets(), m_deltasAfter, HvMeshModifier::WriteAssign);
    }
    // As setDeltas would: the near-zero entries are dropped later.
    modifier->triggerCompact();
    modifier->emitCurrentValueChanged();
    return true;
}

// ---- release ----

void PfSelection::onReleaseDragGizmo(Dz3DViewport* view) {
    if (m_pNode && m_pModifier && !m_deltasAfter.empty() && m_eState != PF_STATE_MOVING_GIZMO) {
        // What this drag wrote; a drag that wrote nothing moved nothing.
        // Made once and shared with the undo step.
        m_pLastDragOffsets =
            m_bDragWrote ? MovedSincePress(m_deltasAfter, m_deltasAtPress) : zeroOffsets(m_deltasAfter);
        setLastUndoItem(PfUndoItem::Create(*this, m_pLastDragOffsets));
        m_eState = PF_STATE_DRAG_FINISHED;
    } else {
        m_eState = PF_STATE_IDLE;
    }
    if (view) {
        auto it = m_viewports.find(view);
        if (it != m_viewports.end() && it->second.gizmo)
            it->second.gizmo->onReleaseDrag();
    } else {
        for (auto& entry : m_viewports)
            if (entry.second.gizmo)
                entry.second.gizmo->onReleaseDrag();
    }
}

HvVertexOffsets const& PfSelection::getLastDragOffsets() const {
    static HvVertexOffsets const none;
    return m_pLastDragOffsets ? *m_pLastDragOffsets : none;
}

void PfSelection::endDragAsRelease() {
    if (m_eState == PF_STATE_TRANSLATING || m_eState == PF_STATE_ROTATING)
        onReleaseDragGizmo(nullptr);
}

// ---- falloff changes after a drag ----

void PfSelection::reverseLastDeltas(PfToolOptionsWidget*) {
    PfModifier* modifier = m_pModifier.data();
    if (!modifier)
        return;
    modifier->mergeDeltas(getLastDragOffsets(), HvMeshModifier::Subtract);
    modifier->emitCurrentValueChanged();
}

void PfSelection::reapplyTranslationOrRotationToAffectedVertices() {
    invalidateVerticesOnMouseDown();
    DragFunction fn = m_fnLastDrag ? m_fnLastDrag : DragFunction([](float(*)[3], int, double) {});
    if (!modifyMesh(fn)) {
        // Nothing could be written: the drag's offsets are gone from the modifier, and so from its step.
        m_pLastDragOffsets = std::make_shared<HvVertexOffsets const>();
    } else {
        m_pLastDragOffsets = MovedSincePress(m_deltasAfter, m_deltasAtPress);
    }
    if (PfUndoItem* item = getLastUndoItem())
        item->update(m_pLastDragOffsets);
}

// ---- transforms and resets ----

void PfSelection::initTransforms() {
    if (m_bTransformsValid || !m_pNode)
        return;
    m_localToWorld = m_pNode->getWSTransform();
    m_worldToLocal = m_localToWorld.inverse();
    m_bTransformsValid = true;
}

void PfSelection::resetAllDeltas() {
    if (PfModifier* modifier = m_pModifier.data()) {
        modifier->clearDeltas();
        modifier->emitCurrentValueChanged();
    }
    postResetAllDeltas();
}

void PfSelection::postResetAllDeltas() {
    m_pTool->clearWorldMeshBaseWithModifiers();
    m_bTransformsValid = false;
    PfToolHooks::triggerToolSettingsStatsUpdate();
}
