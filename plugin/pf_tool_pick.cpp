// The tool's picking: a ray under the mouse becomes a node and an element of it (the nearest facet hit, then
// the facet, edge or vertex of the selection type), and that element a change of the selection sets.
#include <QPointer>
#include <memory>

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "hv_worldmesh.h"
#include "pf_selection.h"
#include "pf_tool.h"
#include "pf_tool_impl.h"

namespace {

// Sets a flag for the lifetime of the guard.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(FlagGuard const&) = delete;
    FlagGuard& operator=(FlagGuard const&) = delete;

private:
    bool& m_flag;
};

// Runs a callable when the scope ends, however it ends.
template <typename F>
class AtScopeEnd {
public:
    explicit AtScopeEnd(F f) : m_f(std::move(f)) {}
    ~AtScopeEnd() { m_f(); }
    AtScopeEnd(AtScopeEnd const&) = delete;
    AtScopeEnd& operator=(AtScopeEnd const&) = delete;

private:
    F m_f;
};

}  // namespace

HvWorldMeshBaseWithModifiers* PfTool::getWorldMeshBaseWithModifiers(DzNode* node) const {
    if (!m_pImpl->worldMesh || !m_pImpl->worldMeshNode || m_pImpl->worldMeshNode != node) {
        m_pImpl->worldMesh = std::make_unique<HvWorldMeshBaseWithModifiers>(*node);
        m_pImpl->worldMeshNode = node;
    }
    return m_pImpl->worldMesh.get();
}

void PfTool::clearWorldMeshBaseWithModifiers() const {
    m_pImpl->worldMesh.reset();
    m_pImpl->worldMeshNode = nullptr;
}

// The selection follows its node and drops the copy when the node moves or its deltas change; nothing follows
// any other node, so a copy of another node is kept no longer than the pick that needed it.
void PfTool::dropWorldMeshOfAnotherNode() const {
    PfSelection const* selection = m_pImpl->selection.get();
    if (!selection || !m_pImpl->worldMeshNode || m_pImpl->worldMeshNode != selection->getNode())
        clearWorldMeshBaseWithModifiers();
}

PfMouseHandlerResult PfTool::handleSelectionsFromMouseEventOrThrow(
    Dz3DViewport*, HvLine3 const& ray, DzViewportMgr::ViewMouseModifier modifier) {
    PfMouseHandlerResult result;
    DzScene* scene = dzScene;
    if (!scene)
        return result;
    // The copy that the pick builds for a subdivided node stays for the selection it makes for that node, so
    // that a first click on a large mesh builds it once; any other copy goes.
    dropWorldMeshOfAnotherNode();
    AtScopeEnd const dropOthers([this] { dropWorldMeshOfAnotherNode(); });
    DzNode* const primary = scene->getPrimarySelection();
    int index = -1;
    DzNode* const hit = sceneHitTest(primary, ray, &index);
    DzNode* node = nullptr;

    PfSelection* selection = m_pImpl->selection.get();
    if (selection && selection->getState() == PfSelection::State::Selecting) {
        // Painting: only the node being painted counts.
        node = hit && hit == primary ? primary : nullptr;
    } else if (!hit) {
        if (modifier != DzViewportMgr::NoModifier || !primary) {
            node = primary;
        } else {
            dropSelection();
            scene->selectAllNodes(false);
            return PfMouseHandlerResultFlag::NodeChanged;
        }
    } else if (primary && selection) {
        node = primary;
    } else {
        {
            FlagGuard const ignoring(m_pImpl->ignoreSceneSelectionChange);
            scene->selectAllNodes(false);
            scene->setPrimarySelection(hit);
        }
        dropSelection();
        m_pImpl->selection = PfSelection::Create(this, hit);
        result = PfMouseHandlerResultFlag::NodeChanged;
        node = hit;
    }

    selection = m_pImpl->selection.get();
    if (node && index != -1 && selection)
        result |= selection->handleSelection(PfSettings::Get()->m_eSelectionType, index, modifier);
    if (selection)
        selection->updateAfterSelectionChangeOrThrow(result);
    return result;
}

DzNode* PfTool::sceneHitTest(DzNode* primary, HvLine3 const& ray, int* index) {
    if (primary)
        return nodeHitTest(primary, ray, index) ? primary : nullptr;
    DzScene* scene = dzScene;
    if (!scene)
        return nullptr;
    // The first node hit in list order, not the nearest.
    for (DzNodeIterator it = scene->nodeListIterator(); it.hasNext();) {
        DzNode* node = it.next();
        if (nodeHitTest(node, ray, index))
            return node;
    }
    return nullptr;
}

bool PfTool::nodeHitTest(DzNode* node, HvLine3 const& ray, int* index) {
    if (!node || !node->isVisible() || !node->getObject() ||
        !HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(*node))
        return false;
    DzFacetMesh const* cached = HvCachedGeometry::GetCachedGeometry(*node);
    if (!cached)
        return false;
    DzBox3 const box = node->getWSBoundingBox();
    if (!box.isValid() || !box.testIntersection(ray.toDzLine3(), 0.0f))
        return false;

    float t = 0.0f;
    int nearest = -1;
    if (!ray.findNearestFacet(cached, t, nearest))
        return false;

    PfSelectionType const type = PfSettings::Get()->m_eSelectionType;
    if (type == PfSelectionType::Face) {
        *index = nearest;
        return true;
    }
    if (type != PfSelectionType::Vertex && type != PfSelectionType::Edge)
        return true;

    HvPoint3 const point = ray.intersectionPoint(t);
    int facet = nearest;
    DzFacetMesh const* mesh = cached;
    if (cached->isSubDivisionEnabled()) {
        int const cage = cached->getFacet(facet).m_cageIdx;
        if (cage >= 0 && cage != facet)
            facet = cage;
        // The cage's numbering: the base mesh's, as in the world-space copy.
        mesh = getWorldMeshBaseWithModifiers(node)->getMesh();
    }
    int const found = type == PfSelectionType::Edge ? point.findClosestEdge(mesh, facet)
                                                    : point.findClosestVertex(mesh, facet);
    // A facet that is not in the searched mesh is no pick.
    if (found < 0)
        return false;
    *index = found;
    return true;
}
