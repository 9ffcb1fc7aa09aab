// PfSelection's gizmos, one per viewport: where each stands (a vertex of the selection, or where the user put
// it), how it is made and drawn, and when it is made again.
#include <algorithm>
#include <exception>

#include "dz3dviewport.h"
#include "dzcamera.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "hv_base_daz.h"
#include "pf_gizmo.h"
#include "pf_selection.h"
#include "pf_selection_impl.h"

PfSelection::ViewportData::ViewportData() = default;
PfSelection::ViewportData::~ViewportData() = default;
PfSelection::ViewportData::ViewportData(ViewportData&&) noexcept = default;
PfSelection::ViewportData& PfSelection::ViewportData::operator=(ViewportData&&) noexcept = default;

void PfSelection::makeGizmo(Dz3DViewport* view, unsigned long gizmoSize, PfGizmoOrientation orientation) {
    ViewportData& vd = m_pImpl->viewports[view];
    DzCamera* camera = view ? view->getCamera() : nullptr;
    DzFacetMesh const* mesh = m_pImpl->worldMesh();
    if (!camera || !mesh) {
        vd.gizmo.reset();
        return;
    }
    DzVec3 const cameraPos = camera->getWSPos();
    int const vertexCount = mesh->getNumVertices();
    float const(*vertices)[3] = mesh->getVerticesPtr();

    if (vd.originState == ViewportData::OriginState::AutoUnchosen) {
        bool found = false;
        float nearest = 0.0f;
        for (int v : m_pImpl->vertices) {
            if (v < 0 || v >= vertexCount)
                continue;  // an index from another mesh
            float const distance = (DzVec3(vertices[v]) - cameraPos).length();
            if (!found || distance < nearest) {
                found = true;
                nearest = distance;
                vd.originVertex = v;
            }
        }
        if (found)
            vd.originState = ViewportData::OriginState::AutoChosen;
    }
    if (vd.originState != ViewportData::OriginState::Placed && vd.originVertex >= 0 &&
        vd.originVertex < vertexCount)
        vd.originWs = DzVec3(vertices[vd.originVertex]);

    double const distance = (vd.originWs - cameraPos).length();
    double const divisor = std::max(1.0, double(gizmoSize) * -4.0 + 40.0 + 20.0);
    float const size = float(distance / divisor);

    PfGizmoInit const init =
        makeGizmoInit(orientation, camera, vd.clampedOrientationStored, vd.storedOrientation);
    vd.gizmo = PfGizmo::Create(init, vd.originWs, size);
    if (orientation != PfGizmoOrientation::Clamped) {
        vd.storedOrientation = init.orientation;
        vd.clampedOrientationStored = true;
    }
}

void PfSelection::drawGizmo(Dz3DViewport* view) {
    PfSettings const& settings = *PfSettings::Get();
    PfDrawGizmoFlags const shown =
        PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation | PfDrawGizmoSetting::Influence;
    if (!(settings.m_drawGizmoFlags & shown))
        return;
    ViewportData& vd = m_pImpl->viewports[view];
    if (!vd.gizmo)
        makeGizmo(view, static_cast<unsigned long>(settings.m_ullGizmoSize), settings.m_eGizmoOrientation);
    if (!vd.gizmo)
        return;
    PfGizmo::TempDrawFlags temp;
    if (m_pImpl->moveGizmoOnly)
        temp |= PfGizmo::TempDrawFlag::MoveGizmoOnly;
    if (settings.m_eGizmoOrientation == PfGizmoOrientation::ZToCamera)
        temp |= PfGizmo::TempDrawFlag::Planar;
    bool const dragging = IsDragging(m_pImpl->state);
    vd.gizmo->draw(PfGizmo::DrawFlags(QFlag(int(settings.m_drawGizmoFlags))),
                   float(PfFalloffRadiusInUnits(settings.m_falloffRadius)), temp,
                   dragging ? &m_pImpl->drag.start : nullptr, &m_pImpl->drag.current,
                   m_pImpl->drag.currentAngle);
}

PfSelection::ViewportData::OriginState PfSelection::getGizmoOriginState(Dz3DViewport* view) {
    return m_pImpl->viewports[view].originState;
}

bool PfSelection::isAnyGizmoMovedManually() const {
    for (auto const& entry : m_pImpl->viewports)
        if (entry.second.originState == ViewportData::OriginState::Placed)
            return true;
    return false;
}

void PfSelection::resetGizmos() {
    for (auto& entry : m_pImpl->viewports) entry.second.gizmo.reset();
}

void PfSelection::resetAutoGizmoOrigins(bool all) {
    for (auto& entry : m_pImpl->viewports)
        if (all || entry.second.originState == ViewportData::OriginState::AutoChosen)
            entry.second.originState = ViewportData::OriginState::AutoUnchosen;
}

bool PfSelection::setGizmoLockInPlace(bool lock) {
    ViewportData::OriginState const state =
        lock ? ViewportData::OriginState::Placed : ViewportData::OriginState::AutoUnchosen;
    bool changed = false;
    for (auto& entry : m_pImpl->viewports) {
        if (entry.second.originState != state) {
            entry.second.originState = state;
            changed = true;
        }
    }
    return changed;
}

void PfSelection::activeViewChanged() {
    try {
        Dz3DViewport* view = HvHelpersDaz::GetActive3dViewportOrThrow();
        DzCamera* camera = view ? view->getCamera() : nullptr;
        if (!camera)
            return;
        auto it = m_pImpl->viewports.find(view);
        if (it == m_pImpl->viewports.end())
            return;
        DzVec3 const position = camera->getWSPos();
        if (position == it->second.lastCameraPos)
            return;
        it->second.lastCameraPos = position;
        m_pImpl->owner->invalidateAndRedraw(PfInvalidateFlag::Gizmos);
    } catch (std::exception const&) {
        // No active 3D viewport: nothing to follow.
    }
}

PfGizmoInit PfSelection::makeGizmoInit(PfGizmoOrientation orientation, DzCamera* camera, bool clampedStored,
                                       DzQuat const& storedOrientation) {
    DzQuat const nodeRotation = m_pImpl->node ? m_pImpl->node->getWSRot() : DzQuat();
    HvVec3 normal;
    HvVec3 side;
    // The normal only for the orientation that uses it: it is computed on demand and kept.
    bool const hasNormal = orientation == PfGizmoOrientation::Normal && getSelectionNormal(normal, side);
    return PfGizmoInit(orientation, nodeRotation, hasNormal ? &normal : nullptr, side, camera, clampedStored,
                       storedOrientation);
}
