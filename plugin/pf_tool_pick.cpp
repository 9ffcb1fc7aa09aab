// The tool's picking: a ray under the mouse becomes a node and an element of it (the nearest facet hit, then
// the facet, edge or vertex of the selection type), and that element a change of the selection sets.
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

}  // namespace

// A subdivided node's cage numbering comes from its world-space copy: the selection's for its own node, else
// one built for the pick, which the selection that the pick makes for that node takes over.
struct PfTool::PickedWorldMesh {
    DzNode* node = nullptr;
    std::unique_ptr<HvWorldMeshBaseWithModifiers> copy;
};

PfMouseHandlerResult PfTool::handleSelectionsFromMouseEventOrThrow(
    Dz3DViewport*, HvLine3 const& ray, DzViewportMgr::ViewMouseModifier modifier) {
    PfMouseHandlerResult result;
    DzScene* scene = dzScene;
    if (!scene)
        return result;
    DzNode* const primary = scene->getPrimarySelection();
    int index = -1;
    PickedWorldMesh picked;
    DzNode* const hit = sceneHitTest(primary, ray, &index, picked);
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
        if (picked.node == hit && picked.copy)
            m_pImpl->selection->takeWorldMeshBaseWithModifiers(std::move(picked.copy));
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
    PickedWorldMesh picked;
    return sceneHitTest(primary, ray, index, picked);
}

DzNode* PfTool::sceneHitTest(DzNode* primary, HvLine3 const& ray, int* index, PickedWorldMesh& picked) {
    if (primary)
        return nodeHitTest(primary, ray, index, picked) ? primary : nullptr;
    DzScene* scene = dzScene;
    if (!scene)
        return nullptr;
    // The first node hit in list order, not the nearest.
    for (DzNodeIterator it = scene->nodeListIterator(); it.hasNext();) {
        DzNode* node = it.next();
        if (nodeHitTest(node, ray, index, picked))
            return node;
    }
    return nullptr;
}

bool PfTool::nodeHitTest(DzNode* node, HvLine3 const& ray, int* index) {
    PickedWorldMesh picked;
    return nodeHitTest(node, ray, index, picked);
}

bool PfTool::nodeHitTest(DzNode* node, HvLine3 const& ray, int* index, PickedWorldMesh& picked) {
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
        PfSelection const* selection = m_pImpl->selection.get();
        if (selection && selection->getNode() == node) {
            mesh = selection->getWorldMeshBaseWithModifiers()->getMesh();
        } else {
            if (picked.node != node || !picked.copy) {
                picked.copy = std::make_unique<HvWorldMeshBaseWithModifiers>(*node);
                picked.node = node;
            }
            mesh = picked.copy->getMesh();
        }
    }
    int const found = type == PfSelectionType::Edge ? point.findClosestEdge(mesh, facet)
                                                    : point.findClosestVertex(mesh, facet);
    // A facet that is not in the searched mesh is no pick.
    if (found < 0)
        return false;
    *index = found;
    return true;
}
