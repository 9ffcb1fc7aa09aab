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
#include "pf_selection_impl.h"
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

// The viewport's gizmo origin, and its gizmo when it has one.
void moveGizmoOrigin(PfSelection::ViewportData* data, DzVec3 const& origin) {
    if (!data)
        return;
    data->originWs = origin;
    if (data->gizmo)
        data->gizmo->setOriginWs(origin);
}

}  // namespace

// ---- press ----

PfGizmoHit PfSelection::testGizmoOnMousePress(Dz3DViewport* view, HvLine3 const& ray, bool* hoverChanged,
                                              bool* gizmoTested) {
    ViewportData& data = getViewportData(view);
    PfDrawGizmoFlags const flags = PfSettings::Get()->m_drawGizmoFlags;
    if (!(flags & (PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation)) || !data.gizmo)
        return PfGizmoHit::None;
    PfGizmo& gizmo = *data.gizmo;
    if (gizmo.hitTest(ray, &m_pImpl->drag.start) && hoverChanged)
        *hoverChanged = true;
    if (gizmoTested)
        *gizmoTested = true;
    PfGizmoHit const hit = gizmo.getCurrentHit();
    if (hit == PfGizmoHit::None)
        return hit;
    // A ring's hit point lies on the drawn arc (on the first segment within the tolerance, possibly beyond
    // its end), up to a few degrees from where the mouse pressed; the moves measure in the ring's plane, so
    // the angle starts there too, or the first move would turn the mesh by the difference. Seen edge-on the
    // plane gives no point and the arc's point stays.
    HvPoint3 inPlane;
    if (PfIsRing(hit) && gizmo.computeDragTargetWs(hit, ray, &inPlane, nullptr) != PfGizmoDragKind::None)
        m_pImpl->drag.start = inPlane;
    return onBeginDragGizmo(gizmo) ? hit : PfGizmoHit::None;
}

bool PfSelection::onBeginDragGizmo(PfGizmo& gizmo) {
    if (beginDrag(gizmo.getCurrentHit(), gizmo.getOriginWs(), m_pImpl->drag.start))
        return true;
    // Without our modifier there is nothing to drag: the press is no gizmo hit.
    gizmo.onReleaseDrag();
    return false;
}

bool PfSelection::beginDrag(PfGizmoHit hit, DzVec3 const& gizmoOrigin, HvPoint3 const& dragStart) {
    PfDragSession& drag = m_pImpl->drag;
    if (!m_pImpl->modifier || !m_pImpl->node)
        return false;
    drag.start = dragStart;
    invalidateVerticesOnMouseDown();
    drag.otherModifiers.clear();
    drag.localBaseMesh.reset();
    drag.unchangedBaseMesh = baseMeshIfLocal();
    if (!drag.unchangedBaseMesh) {
        drag.localBaseMesh = getLocalBaseMeshWithoutOurModifier(&drag.otherModifiers);
        if (drag.localBaseMesh)
            for (DzModifier* other : drag.otherModifiers)
                other->applyInverse(*drag.localBaseMesh, *m_pImpl->node);
    }
    // The kind is fixed here: letting go of the key later does not turn a gizmo move into an edit.
    if (PfIsRing(hit))
        m_pImpl->state = State::Rotating;
    else if (m_pImpl->moveGizmoOnly)
        m_pImpl->state = State::MovingGizmo;
    else
        m_pImpl->state = State::Translating;
    drag.gizmoOriginAtPress = gizmoOrigin;
    drag.current = HvPoint3();
    drag.currentAngle = 0.0f;
    drag.previousAngle = 0.0f;
    // Until this drag moves, it has moved nothing: a falloff change after a click re-applies nothing.
    drag.lastFunction = [](float(*)[3], int, double) {};
    drag.wrote = false;
    return true;
}

void PfSelection::invalidateVerticesOnMouseDown() {
    PfDragSession& drag = m_pImpl->drag;
    drag.deltasAtPress.clear();
    PfAffectedWeights const& affected = getAffectedVertices();
    PfModifier* modifier = m_pImpl->modifier.data();
    if (!modifier)
        return;
    HvMeshModifierLock lock(*modifier);
    // Only the affected vertices that have a delta: every reader takes a vertex without an entry as one
    // without a delta, so a first drag over an unedited mesh copies nothing. Both arrays are ordered by
    // vertex index: one pass over each.
    HvVertexOffsets const& deltas = modifier->getOffsets();
    HvOffsetsCursor cursor(deltas);
    drag.deltasAtPress.reserve(std::min(affected.size(), deltas.size()));
    for (auto const& entry : affected)
        if (HvVec3 const* delta = cursor.find(entry.first))
            drag.deltasAtPress.emplace_back(entry.first, *delta);
}

void PfSelection::dropVerticesOnMouseDown() {
    m_pImpl->drag.deltasAtPress.clear();
}

DzFacetMesh* PfSelection::baseMeshIfLocal() const {
    if (!m_pImpl->node || !m_pImpl->object || !m_pImpl->modifier)
        return nullptr;
    DzVec3 const& origin = m_pImpl->node->getOrigin();
    if (origin.m_x != 0.0f || origin.m_y != 0.0f || origin.m_z != 0.0f)
        return nullptr;
    for (DzModifierIterator it = m_pImpl->object->modifierIterator(); it.hasNext();)
        if (it.next() != m_pImpl->modifier.data())
            return nullptr;
    return HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(*m_pImpl->node);
}

std::unique_ptr<DzFacetMesh> PfSelection::getLocalBaseMeshWithoutOurModifier(
    std::vector<DzModifier*>* others) {
    if (!m_pImpl->node)
        return nullptr;
    return HvWorldMeshBaseWithModifiers::CopyLocalMeshWithModifiers(*m_pImpl->node, m_pImpl->object,
                                                                    m_pImpl->modifier.data(), others);
}

// ---- moves ----

void PfSelection::onMouseMoveDraggingGizmo(ViewportData& data, HvLine3 const& ray) {
    if (!data.gizmo)
        return;
    HvPoint3 target = m_pImpl->drag.current;
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
        case PfGizmoDragKind::Translate:
            dragTranslate(data, target);
            break;
        case PfGizmoDragKind::RotateX:
        case PfGizmoDragKind::RotateY:
        case PfGizmoDragKind::RotateZ:
            dragRotate(target, rotationAxis);
            break;
        case PfGizmoDragKind::None:
            break;
    }
}

void PfSelection::dragTranslate(ViewportData* data, HvPoint3 const& target) {
    PfDragSession& drag = m_pImpl->drag;
    if (m_pImpl->state != State::Translating && m_pImpl->state != State::MovingGizmo)
        return;
    if (target.dz() == drag.start.dz())
        return;
    DzVec3 const origin = drag.gizmoOriginAtPress + (target.dz() - drag.start.dz());
    if (!HvIsFinite(origin))
        return;
    drag.current = target;
    if (m_pImpl->state == State::MovingGizmo) {
        moveGizmoOrigin(data, origin);
        m_pImpl->owner->lockGizmosInPlace(PfSelectionOwner::Redraw::Always);
        return;
    }
    m_pImpl->initTransforms();
    DzVec3 const translation =
        (m_pImpl->worldToLocal.multVec(target) - m_pImpl->worldToLocal.multVec(drag.start)) *
        PfSettings::Get()->m_fGain;
    if (!HvIsFinite(translation))
        return;
    drag.translationLocal = translation;
    HvVec3 const t = drag.translationLocal;
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
    PfDragSession& drag = m_pImpl->drag;
    if (m_pImpl->state != State::Rotating)
        return;
    m_pImpl->initTransforms();
    HvPoint3 const centre = drag.gizmoOriginAtPress;
    float angle = centre.getAngleBetween(rotationAxis, drag.start, target);
    if (!std::isfinite(angle))
        return;
    // Past half a turn the angle keeps growing instead of jumping to the other side.
    if (angle < 0.0f && drag.previousAngle > 1.5707963f)
        angle += 6.2831855f;
    else if (angle > 0.0f && drag.previousAngle < -1.5707963f)
        angle -= 6.2831855f;
    DzVec3 const centreLocal = m_pImpl->worldToLocal.multVec(centre);
    DzVec3 const axisLocal = m_pImpl->worldToLocal.multVec(centre.dz() + rotationAxis.dz()) - centreLocal;
    // No axis, no rotation: a zero axis would turn nothing and still write a step.
    if (!HvIsFinite(centreLocal) || !HvIsFinite(axisLocal) || axisLocal == DzVec3())
        return;
    drag.current = target;
    drag.currentAngle = angle;
    drag.previousAngle = angle;
    drag.rotationCentreLocal = centreLocal;
    drag.rotationAxisLocal = axisLocal;
    // The signed angle runs from the target back to the press point; the mesh turns the other way, with the
    // mouse.
    drag.rotation = DzQuat(axisLocal, -angle * PfSettings::Get()->m_fGain);
    DzQuat const rotation = drag.rotation;
    // What scaleAngle takes apart for every vertex, taken apart once.
    DzVec3 scaleAxis;
    float scaleAngle = 0.0f;
    rotation.getValue(scaleAxis, scaleAngle);
    // The drag functions are called in ascending vertex order, so a cursor walks the deltas at the press
    // instead of searching them; modifyMesh sets it back to their start before each pass.
    HvOffsetsCursor* atPress = &drag.pressCursor;
    modifyMesh([atPress, rotation, centreLocal, scaleAxis, scaleAngle](float(*v)[3], int i, double weight) {
        DzVec3 const r = atPress->at(i).dz() - centreLocal;
        DzVec3 p = DzVec3(v[i]) + r;
        DzQuat q = rotation;
        if (weight != 1.0)
            q.setValue(scaleAxis, float(scaleAngle * weight));
        p = q.multPnt(p) - r;
        v[i][0] = p.m_x;
        v[i][1] = p.m_y;
        v[i][2] = p.m_z;
    });
    m_pImpl->owner->lockGizmosInPlace(PfSelectionOwner::Redraw::OnChange);
}

bool PfSelection::modifyMesh(DragFunction fn) {
    PfDragSession& drag = m_pImpl->drag;
    PfModifier* modifier = m_pImpl->modifier.data();
    DzFacetMesh const* local = drag.localBaseMesh ? drag.localBaseMesh.get() : drag.unchangedBaseMesh.data();
    if (!local || !modifier || !m_pImpl->node)
        return false;
    float const(*unmoved)[3] = local->getVerticesPtr();
    int const vertexCount = local->getNumVertices();
    PfAffectedWeights const& affected = getAffectedVertices();

    std::unique_ptr<DzFacetMesh> fresh;
    float(*moved)[3] = nullptr;
    if (drag.otherModifiers.empty()) {
        // Nothing to take back out after the function: only the affected vertices need a fresh start, so the
        // other vertices of the buffer are never written nor read.
        if (!drag.movedVertices || drag.movedVertexCount != vertexCount) {
            drag.movedVertices.reset(new float[size_t(std::max(vertexCount, 1))][3]);
            drag.movedVertexCount = vertexCount;
        }
        moved = drag.movedVertices.get();
    } else {
        fresh = getLocalBaseMeshWithoutOurModifier(nullptr);
        if (!fresh || fresh->getNumVertices() != vertexCount)
            return false;
        moved = fresh->getVerticesPtr();
    }

    drag.pressCursor = HvOffsetsCursor(drag.deltasAtPress);
    for (auto const& entry : affected) {
        int const i = entry.first;
        if (i < 0 || i >= vertexCount)
            continue;
        if (!fresh)
            std::memcpy(moved[i], unmoved[i], sizeof(float[3]));  // the reused copy starts again unmoved
        fn(moved, i, entry.second);
    }
    if (fresh)
        for (DzModifier* other : drag.otherModifiers) other->applyInverse(*fresh, *m_pImpl->node);

    // The new deltas in vertex order, checked before anything is written.
    if (!DeltasAfter(affected, drag.deltasAtPress, unmoved, moved, vertexCount, drag.deltasAfter))
        return false;  // a degenerate step writes nothing
    drag.lastFunction = std::move(fn);
    drag.wrote = true;
    {
        HvMeshModifierLock lock(*modifier);
        HvMeshModifier::WriteOrdered(modifier->getOffsets(), drag.deltasAfter,
                                     HvMeshModifier::WriteMode::Assign);
    }
    // As setDeltas would: the near-zero entries are dropped later.
    modifier->triggerCompact();
    modifier->emitCurrentValueChanged();
    return true;
}

// ---- release ----

void PfSelection::onReleaseDragGizmo(Dz3DViewport* view) {
    PfDragSession& drag = m_pImpl->drag;
    if (m_pImpl->node && m_pImpl->modifier && !drag.deltasAfter.empty() &&
        m_pImpl->state != State::MovingGizmo) {
        // What this drag wrote; a drag that wrote nothing moved nothing.
        // Made once and shared with the undo step.
        drag.lastOffsets = drag.wrote ? MovedSincePress(drag.deltasAfter, drag.deltasAtPress)
                                      : zeroOffsets(drag.deltasAfter);
        setLastUndoItem(PfUndoItem::Create(*this, drag.lastOffsets));
        m_pImpl->state = State::DragFinished;
    } else {
        m_pImpl->state = State::Idle;
    }
    if (view) {
        auto it = m_pImpl->viewports.find(view);
        if (it != m_pImpl->viewports.end() && it->second.gizmo)
            it->second.gizmo->onReleaseDrag();
    } else {
        for (auto& entry : m_pImpl->viewports)
            if (entry.second.gizmo)
                entry.second.gizmo->onReleaseDrag();
    }
}

HvVertexOffsets const& PfSelection::getDeltasAfter() const {
    return m_pImpl->drag.deltasAfter;
}

float PfSelection::getCurrentAngle() const {
    return m_pImpl->drag.currentAngle;
}

PfUndoItem* PfSelection::getLastUndoItem() const {
    return m_pImpl->drag.lastUndoItem.data();
}

void PfSelection::setLastUndoItem(PfUndoItem* item) {
    m_pImpl->drag.lastUndoItem = item;
}

HvVertexOffsets const& PfSelection::getLastDragOffsets() const {
    static HvVertexOffsets const none;
    return m_pImpl->drag.lastOffsets ? *m_pImpl->drag.lastOffsets : none;
}

void PfSelection::endDragAsRelease() {
    if (IsEditing(m_pImpl->state))
        onReleaseDragGizmo(nullptr);
}

// ---- falloff changes after a drag ----

bool PfSelection::onFalloffChanged(PfFalloffRadius radius, PfFalloffMode mode) {
    bool const adjustable = m_pImpl->state == State::DragFinished;
    if (adjustable)
        reverseLastDeltas(nullptr);
    invalidateAffectedVertices(radius, mode, false);
    if (adjustable)
        reapplyTranslationOrRotationToAffectedVertices();
    return adjustable;
}

void PfSelection::reverseLastDeltas(PfToolOptionsWidget*) {
    PfModifier* modifier = m_pImpl->modifier.data();
    if (!modifier)
        return;
    modifier->mergeDeltas(getLastDragOffsets(), HvMeshModifier::WriteMode::Subtract);
    modifier->emitCurrentValueChanged();
}

void PfSelection::reapplyTranslationOrRotationToAffectedVertices() {
    PfDragSession& drag = m_pImpl->drag;
    invalidateVerticesOnMouseDown();
    DragFunction fn = drag.lastFunction ? drag.lastFunction : DragFunction([](float(*)[3], int, double) {});
    if (!modifyMesh(fn)) {
        // Nothing could be written: the drag's offsets are gone from the modifier, and so from its step.
        drag.lastOffsets = std::make_shared<HvVertexOffsets const>();
    } else {
        drag.lastOffsets = MovedSincePress(drag.deltasAfter, drag.deltasAtPress);
    }
    if (PfUndoItem* item = getLastUndoItem())
        item->update(drag.lastOffsets);
}

// ---- transforms and resets ----

void PfSelection::Impl::initTransforms() {
    if (transformsValid || !node)
        return;
    localToWorld = node->getWSTransform();
    worldToLocal = localToWorld.inverse();
    transformsValid = true;
}

void PfSelection::invalidateTransforms() {
    m_pImpl->transformsValid = false;
}

void PfSelection::resetAllDeltas() {
    if (PfModifier* modifier = m_pImpl->modifier.data()) {
        modifier->clearDeltas();
        modifier->emitCurrentValueChanged();
    }
    postResetAllDeltas();
}

void PfSelection::postResetAllDeltas() {
    m_pImpl->owner->dropWorldMesh();
    m_pImpl->transformsValid = false;
    m_pImpl->owner->statisticsChanged();
}
