// PfSelection itself: its life, the selection sets and their commands, the geometry it reads, the highlight
// it draws and the falloff cache. The drag engine is in pf_selection_drag.cpp, the gizmos in
// pf_selection_gizmo.cpp.
#include "pf_selection.h"

#include <qopengl.h>

#include "dzfacegroup.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "hv_base.h"
#include "hv_glguards.h"
#include "hv_worldmesh.h"
#include "pf_falloff.h"
#include "pf_modifier.h"
#include "pf_selection_impl.h"

namespace {

unsigned char const kFacetSelectedFlag = 0x04;

// What a pick reports when it changed the set of the type.
PfMouseHandlerResult changedFlag(PfSelectionType type) {
    switch (type) {
        case PfSelectionType::Vertex:
            return PfMouseHandlerResultFlag::VerticesChanged;
        case PfSelectionType::Edge:
            return PfMouseHandlerResultFlag::EdgesChanged;
        case PfSelectionType::Face:
            return PfMouseHandlerResultFlag::FacetsChanged;
    }
    return {};
}

// The number of elements of the type in the mesh.
int elementCount(DzFacetMesh const& mesh, PfSelectionType type) {
    switch (type) {
        case PfSelectionType::Vertex:
            return mesh.getNumVertices();
        case PfSelectionType::Edge:
            return mesh.getNumEdges();
        case PfSelectionType::Face:
            return mesh.getNumFacets();
    }
    return 0;
}

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

}  // namespace

// ---- PfSelectSetBase ----

bool PfSelectSetBase::selectExactlyOne(int index) {
    if (size() == 1 && *begin() == index)
        return false;
    clear();
    insert(index);
    return true;
}

void PfSelectSetBase::toggle(int index) {
    if (erase(index) == 0)
        insert(index);
}

// ---- PfSelectionState ----

PfSelectionState::PfSelectionState(PfSelection const& selection) : type(PfSettings::Get()->m_eSelectionType) {
    std::set<int>* set = setOf(type);
    PfSelectSetBase const* selected = selection.getSelectedSet(type);
    if (set && selected)
        *set = *selected;
}

std::set<int>* PfSelectionState::setOf(PfSelectionType which) {
    return PfSetOfType<std::set<int>>(*this, which);
}

std::set<int> const* PfSelectionState::setOf(PfSelectionType which) const {
    return PfSetOfType<std::set<int> const>(*this, which);
}

size_t PfSelectionState::allocated() const {
    return 4 * (facets.size() + edges.size() + vertices.size()) + sizeof(*this);
}

// ---- PfSelection: life ----

std::unique_ptr<PfSelection> PfSelection::Create(PfTool* tool, DzNode* node) {
    return std::make_unique<PfSelection>(tool, node);
}

PfSelection::PfSelection(PfTool* tool, DzNode* node)
    : m_pImpl(std::make_unique<Impl>(PfSelectionOwnerOf(tool), node)) {
    Impl& d = *m_pImpl;
    d.object = node->getObject();
    if (d.object) {
        DzModifier* modifier = HvMeshModifier::FindOrInsert(*node, *d.object, g_pcszPullformModifierName,
                                                            [] { return new PfModifier; });
        d.modifier = qobject_cast<PfModifier*>(modifier);
    }
    d.owner->follow(*node, d.modifier);
}

PfSelection::~PfSelection() {
    m_pImpl->owner->unfollow(m_pImpl->node, m_pImpl->modifier);
}

DzNode* PfSelection::getNode() const {
    return m_pImpl->node.data();
}

DzObject* PfSelection::getObject() const {
    return m_pImpl->object;
}

PfModifier* PfSelection::getModifier() const {
    return m_pImpl->modifier.data();
}

SelectedFacets const& PfSelection::getSelectedFacets() const {
    return m_pImpl->facets;
}

SelectedEdges const& PfSelection::getSelectedEdges() const {
    return m_pImpl->edges;
}

SelectedVertices const& PfSelection::getSelectedVertices() const {
    return m_pImpl->vertices;
}

PfSelection::State PfSelection::getState() const {
    return m_pImpl->state;
}

void PfSelection::setState(State state) {
    m_pImpl->state = state;
}

bool PfSelection::isMoveGizmoOnlyKeyboardModifierActive() const {
    return m_pImpl->moveGizmoOnly;
}

PfSelection::ViewportData& PfSelection::getViewportData(Dz3DViewport* view) {
    return m_pImpl->viewports[view];
}

// ---- the state's own helpers ----

DzFacetMesh* PfSelection::Impl::baseGeometry() const {
    return node ? HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(*node) : nullptr;
}

DzFacetMesh* PfSelection::Impl::worldMesh() const {
    return node ? owner->worldMesh(*node) : nullptr;
}

PfSelectSetBase* PfSelection::Impl::selectedSet(PfSelectionType type) {
    return PfSetOfType<PfSelectSetBase>(*this, type);
}

// ---- selection sets ----

PfMouseHandlerResult PfSelection::handleSelection(PfSelectionType type, int index,
                                                  DzViewportMgr::ViewMouseModifier modifier) {
    PfSelectSetBase* set = m_pImpl->selectedSet(type);
    if (type == PfSelectionType::Face)
        index = findCageFacetIfSubd(index);

    PfMouseHandlerResult result;
    if (set) {
        PfMouseHandlerResult const flag = changedFlag(type);
        PfSettings const& settings = *PfSettings::Get();
        PfMouseHandlerResult const changed =
            flag | PfMouseHandlerResultFlag::Redraw | PfMouseHandlerResultFlag::Consumed;
        // The add modifier is tested first: configured to the same key as remove, that key adds.
        if (modifier == DzViewportMgr::NoModifier) {
            if (m_pImpl->state != State::Selecting) {
                result = set->selectExactlyOne(index)
                             ? changed
                             : (PfMouseHandlerResultFlag::Redraw | PfMouseHandlerResultFlag::Consumed);
            } else {
                set->selectAdditional(index);
                result = changed;
            }
        } else if (modifier == settings.m_kmAddToSelection.getAsViewMouseModifier()) {
            set->selectAdditional(index);
            result = changed;
        } else if (modifier == settings.m_kmRemoveFromSelection.getAsViewMouseModifier()) {
            set->unselectOne(index);
            result = changed;
        }
    }
    // A click that selects ends the adjustability of the last drag.
    if (m_pImpl->state != State::Selecting)
        m_pImpl->state = State::Idle;
    return result;
}

void PfSelection::selectAllOrThrow(PfSettings const& settings, bool select) {
    DzFacetMesh* base = m_pImpl->baseGeometry();
    PfSelectionType const type = settings.m_eSelectionType;
    if (PfSelectSetBase* set = m_pImpl->selectedSet(type)) {
        if (!select)
            set->unselectAll();
        else if (base)
            for (int i = 0, n = elementCount(*base, type); i < n; ++i) set->selectAdditional(i);
        recomputeSelectedVerticesOrThrow(type);
    }
    invalidateAffectedVertices(settings.m_falloffRadius, settings.m_eFalloffMode, false);
}

void PfSelection::growOrShrinkSelectionOrThrow(PfSettings const& settings, bool grow) {
    if (settings.m_eSelectionType != PfSelectionType::Face)
        throw HvException(
            "Growing and shrinking selections is currently only supported in face selection mode.");
    if (DzFacetMesh* mesh = copyFaceSelectionsToMesh()) {
        if (grow)
            mesh->growFacetSelection();
        else
            mesh->shrinkFacetSelection();
        copyFaceSelectionsFromMesh(settings);
        recomputeSelectedVerticesFromFacetsOrThrow();
    }
    invalidateAffectedVertices(settings.m_falloffRadius, settings.m_eFalloffMode, true);
}

DzFacetMesh* PfSelection::copyFaceSelectionsToMesh() const {
    DzFacetMesh* base = m_pImpl->baseGeometry();
    if (!base)
        return nullptr;
    DzFaceGroup group{QString()};
    for (int facet : m_pImpl->facets) group.addIndex(facet);
    base->deselectAllFacets();
    base->selectFacets(&group);
    return base;
}

void PfSelection::copyFaceSelectionsFromMesh(PfSettings const& settings) {
    m_pImpl->facets.unselectAll();
    DzFacetMesh* base = m_pImpl->baseGeometry();
    if (base && base->getNumFacets() > 0) {
        unsigned char const* flags = base->getFacetFlagsPtr();
        for (int i = 0, n = base->getNumFacets(); i < n; ++i)
            if (flags[i] & kFacetSelectedFlag)
                m_pImpl->facets.selectAdditional(i);
    }
    if (!m_pImpl->facets.empty()) {
        recomputeSelectedVerticesFromFacetsOrThrow();
        invalidateAffectedVertices(settings.m_falloffRadius, settings.m_eFalloffMode, true);
    }
}

void PfSelection::recomputeSelectedVerticesFromFacetsOrThrow() {
    m_pImpl->edges.unselectAll();
    m_pImpl->vertices.unselectAll();
    m_pImpl->subdividedFacetsValid = false;
    DzFacetMesh const* mesh = m_pImpl->worldMesh();
    if (!mesh)
        return;
    int const facetCount = mesh->getNumFacets();
    for (int f : m_pImpl->facets) {
        if (!inRange(f, facetCount))
            continue;  // from a snapshot of another mesh: no such face here
        DzFacet const& facet = mesh->getFacet(f);
        for (int k = 0; k < 4; ++k) {
            if (facet.m_edges[k] >= 0)
                m_pImpl->edges.selectAdditional(facet.m_edges[k]);
            if (facet.m_vertIdx[k] >= 0)
                m_pImpl->vertices.selectAdditional(facet.m_vertIdx[k]);
        }
    }
}

void PfSelection::recomputeSelectedVerticesFromEdgesOrThrow() {
    m_pImpl->vertices.unselectAll();
    DzFacetMesh const* mesh = m_pImpl->worldMesh();
    if (!mesh)
        return;
    int const edgeCount = mesh->getNumEdges();
    for (int e : m_pImpl->edges) {
        if (!inRange(e, edgeCount))
            continue;
        DzEdge const& edge = mesh->getEdge(e);
        m_pImpl->vertices.selectAdditional(edge.m_vertIdx[0]);
        m_pImpl->vertices.selectAdditional(edge.m_vertIdx[1]);
    }
}

void PfSelection::updateAfterSelectionChangeOrThrow(PfMouseHandlerResult flags) {
    if (flags & PfMouseHandlerResultFlag::FacetsChanged)
        recomputeSelectedVerticesFromFacetsOrThrow();
    else if (flags & PfMouseHandlerResultFlag::EdgesChanged)
        recomputeSelectedVerticesFromEdgesOrThrow();
    PfSettings const& settings = *PfSettings::Get();
    if (flags & (PfMouseHandlerResultFlag::FacetsChanged | PfMouseHandlerResultFlag::EdgesChanged |
                 PfMouseHandlerResultFlag::VerticesChanged))
        invalidateAffectedVertices(settings.m_falloffRadius, settings.m_eFalloffMode, true);
    if (flags & (PfMouseHandlerResultFlag::NodeChanged | PfMouseHandlerResultFlag::FacetsChanged |
                 PfMouseHandlerResultFlag::EdgesChanged | PfMouseHandlerResultFlag::VerticesChanged))
        m_pImpl->owner->statisticsChanged();
}

PfSelectSetBase const* PfSelection::getSelectedSet(PfSelectionType type) const {
    return m_pImpl->selectedSet(type);
}

void PfSelection::recomputeSelectedVerticesOrThrow(PfSelectionType type) {
    if (type == PfSelectionType::Face)
        recomputeSelectedVerticesFromFacetsOrThrow();
    else if (type == PfSelectionType::Edge)
        recomputeSelectedVerticesFromEdgesOrThrow();
}

void PfSelection::restoreOrThrow(PfSelectionState const& state) {
    PfSelectSetBase* set = m_pImpl->selectedSet(state.type);
    std::set<int> const* saved = state.setOf(state.type);
    if (set && saved) {
        set->unselectAll();
        set->insert(saved->begin(), saved->end());
        recomputeSelectedVerticesOrThrow(state.type);
    }
    PfSettings const& settings = *PfSettings::Get();
    invalidateAffectedVertices(settings.m_falloffRadius, settings.m_eFalloffMode, true);
    m_pImpl->owner->statisticsChanged();
    m_pImpl->owner->selectionTypeRestored(state.type);
}

// ---- geometry ----

DzFacetMesh* PfSelection::getCachedGeometry() const {
    return m_pImpl->node && m_pImpl->object ? HvCachedGeometry::GetCachedGeometry(*m_pImpl->node) : nullptr;
}

int PfSelection::findCageFacetIfSubd(int facet) const {
    DzFacetMesh const* cached = getCachedGeometry();
    if (!cached || !cached->isSubDivisionEnabled() || !inRange(facet, cached->getNumFacets()))
        return facet;
    int const cage = cached->getFacet(facet).m_cageIdx;
    return cage < 0 ? facet : cage;
}

std::map<int, std::vector<int>> const& PfSelection::getCachedCagesMap() {
    if (m_pImpl->cagesValid)
        return m_pImpl->cages;
    DzFacetMesh const* cached = getCachedGeometry();
    if (cached && cached->getNumFacets() > 0)
        for (int i = 0, n = cached->getNumFacets(); i < n; ++i)
            m_pImpl->cages[cached->getFacet(i).m_cageIdx].push_back(i);
    m_pImpl->cagesValid = true;
    return m_pImpl->cages;
}

std::set<int> const& PfSelection::getSelectedFacetsMaybeSubd() {
    DzFacetMesh const* cached = getCachedGeometry();
    if (!m_pImpl->object || !cached)
        return m_pImpl->subdividedFacets;
    if (!cached->isSubDivisionEnabled())
        return m_pImpl->facets;
    if (m_pImpl->subdividedFacetsValid)
        return m_pImpl->subdividedFacets;
    m_pImpl->subdividedFacets.clear();
    std::map<int, std::vector<int>> const& cages = getCachedCagesMap();
    for (int facet : m_pImpl->facets) {
        auto it = cages.find(facet);
        if (it != cages.end())
            m_pImpl->subdividedFacets.insert(it->second.begin(), it->second.end());
    }
    m_pImpl->subdividedFacetsValid = true;
    return m_pImpl->subdividedFacets;
}

bool PfSelection::getSelectionNormal(HvVec3& normal, HvVec3& side) {
    if (!m_pImpl->normalComputed) {
        m_pImpl->normalValid = false;
        m_pImpl->normalComputed = true;
        DzFacetMesh const* mesh = m_pImpl->worldMesh();
        if (!mesh || m_pImpl->vertices.empty())
            return false;

        int const facetCount = mesh->getNumFacets();
        std::set<int> faces;
        switch (PfSettings::Get()->m_eSelectionType) {
            case PfSelectionType::Vertex: {
                int const vertexCount = mesh->getNumVertices();
                SelectedVertices const& selected = m_pImpl->vertices;
                for (int f = 0; f < facetCount; ++f) {
                    DzFacet const& facet = mesh->getFacet(f);
                    for (int k = 0; k < 4; ++k) {
                        int const v = facet.m_vertIdx[k];
                        if (inRange(v, vertexCount) && selected.count(v)) {
                            faces.insert(f);
                            break;
                        }
                    }
                }
                break;
            }
            case PfSelectionType::Edge: {
                int const edgeCount = mesh->getNumEdges();
                for (int e : m_pImpl->edges) {
                    if (!inRange(e, edgeCount))
                        continue;
                    DzEdge const& edge = mesh->getEdge(e);
                    if (inRange(edge.m_facetIdx[0], facetCount))
                        faces.insert(edge.m_facetIdx[0]);
                    if (inRange(edge.m_facetIdx[1], facetCount))
                        faces.insert(edge.m_facetIdx[1]);
                }
                break;
            }
            case PfSelectionType::Face:
                for (int f : m_pImpl->facets)
                    if (inRange(f, facetCount))
                        faces.insert(f);
                break;
            default:
                return false;
        }

        int const normalCount = mesh->getNumNormals();
        float const(*normals)[3] = mesh->getNormalsPtr();
        HvVec3 sum;
        int count = 0;
        for (int f : faces) {
            DzFacet const& facet = mesh->getFacet(f);
            for (int k = 0; k < 4; ++k) {
                int const n = facet.m_normIdx[k];
                if (!inRange(n, normalCount))
                    continue;
                sum = sum + HvVec3(normals[n]);
                ++count;
            }
        }
        if (count == 0)
            return false;
        m_pImpl->normal = HvVec3(sum.x / float(count), sum.y / float(count), sum.z / float(count));
        m_pImpl->normalValid = true;
        DzVec3 const up = DzVec3(0.0f, 1.0f, 0.0f).normalized();
        // Straight up keeps the side vector it had: zero for a new selection.
        if (!DzVec3::equals(up, m_pImpl->normal, 1e-6f))
            m_pImpl->side = HvVec3(up).cross(m_pImpl->normal);
    }
    if (!m_pImpl->normalValid)
        return false;
    normal = m_pImpl->normal;
    side = m_pImpl->side;
    return true;
}

int64_t PfSelection::drawSelection() {
    DzFacetMesh* cached = getCachedGeometry();
    if (!cached)
        return 0;
    float const(*vertices)[3] = cached->getVerticesPtr();
    int const vertexCount = cached->getNumVertices();

    HvGlDisableGuard const noLighting(GL_LIGHTING);
    int64_t drawn = 0;
    HvMeshBase::SetColor(HvColor::SelectionYellow);
    switch (PfSettings::Get()->m_eSelectionType) {
        case PfSelectionType::Face: {
            HvGlPolygonModeGuard const fill(GL_FILL);
            int const facetCount = cached->getNumFacets();
            for (int f : getSelectedFacetsMaybeSubd())
                if (inRange(f, facetCount))
                    drawn += HvMeshBase::DrawFacet(*cached, f);
            break;
        }
        case PfSelectionType::Edge: {
            DzFacetMesh const* mesh = m_pImpl->worldMesh();
            if (!mesh || mesh->getNumVertices() == 0)
                break;
            float const(*worldVertices)[3] = mesh->getVerticesPtr();
            int const edgeCount = mesh->getNumEdges();
            int const worldVertexCount = mesh->getNumVertices();
            HvGlLineWidthGuard const wide(10.0f);
            glEnable(GL_LINE_SMOOTH);
            glBegin(GL_LINES);
            for (int e : m_pImpl->edges) {
                if (!inRange(e, edgeCount))
                    continue;
                DzEdge const& edge = mesh->getEdge(e);
                if (!inRange(edge.m_vertIdx[0], worldVertexCount) ||
                    !inRange(edge.m_vertIdx[1], worldVertexCount))
                    continue;
                glVertex3fv(worldVertices[edge.m_vertIdx[0]]);
                glVertex3fv(worldVertices[edge.m_vertIdx[1]]);
                drawn += 2;
            }
            glEnd();
            break;
        }
        case PfSelectionType::Vertex:
            glPointSize(20.0f);
            glBegin(GL_POINTS);
            for (int v : m_pImpl->vertices) {
                if (!inRange(v, vertexCount))
                    continue;
                glVertex3fv(vertices[v]);
                ++drawn;
            }
            glEnd();
            break;
    }
    return drawn;
}

// ---- falloff, gizmos and drag state that the selection changes reset ----

void PfSelection::invalidateAffectedVertices(PfFalloffRadius radius, PfFalloffMode mode, bool releaseLock) {
    m_pImpl->affectedVerticesValid = false;
    m_pImpl->falloffRadius = PfFalloffRadiusInUnits(radius);
    m_pImpl->falloffMode = mode;
    for (auto& entry : m_pImpl->viewports) {
        // Made again for the new radius when next drawn.
        entry.second.gizmo.reset();
        if (releaseLock || entry.second.originState == ViewportData::OriginState::AutoChosen)
            entry.second.originState = ViewportData::OriginState::AutoUnchosen;
    }
    m_pImpl->normalComputed = false;
}

void PfSelection::setMoveGizmoOnlyKeyboardModifierActive(bool active) {
    if (m_pImpl->moveGizmoOnly == active)
        return;
    m_pImpl->moveGizmoOnly = active;
    m_pImpl->owner->invalidateAndRedraw(PfInvalidateFlag::Redraw);
}

// ---- affected vertices ----

std::function<double(double)> PfSelection::getFalloffFunction(PfFalloffMode mode) {
    return PfGetFalloffCurve(mode, &m_pImpl->randomSeeded);
}

PfAffectedWeights const& PfSelection::getAffectedVertices() {
    if (m_pImpl->affectedVerticesValid)
        return m_pImpl->affectedVertices;
    DzFacetMesh const* mesh = m_pImpl->worldMesh();
    if (mesh && !m_pImpl->vertices.empty()) {
        // Replaces the contents itself, reusing the array; on an exception the cache stays invalid.
        PfComputeAffectedVertices(PfFalloffMesh(*mesh), m_pImpl->vertices, m_pImpl->falloffRadius,
                                  getFalloffFunction(m_pImpl->falloffMode), m_pImpl->affectedVertices,
                                  m_pImpl->excludedVertices);
    } else {
        m_pImpl->affectedVertices.clear();
        m_pImpl->excludedVertices.clear();
    }
    m_pImpl->affectedVerticesValid = true;
    return m_pImpl->affectedVertices;
}
