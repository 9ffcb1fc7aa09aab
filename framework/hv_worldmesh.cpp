#include "hv_worldmesh.h"

#include <exception>

#include "dzfacetmesh.h"
#include "dzmatrix3.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "hv_threadpool.h"

namespace {
// Below this many vertices the transform runs on the calling thread: queueing would cost more.
size_t const kParallelAbove = 500;
}  // namespace

struct HvWorldMeshBaseWithModifiers::Impl {
    std::unique_ptr<DzFacetMesh> copy;
};

HvWorldMeshBaseWithModifiers::HvWorldMeshBaseWithModifiers(DzNode& node)
    : HvMeshBase(nullptr), m_pImpl(std::make_unique<Impl>()) {
    try {
        m_pImpl->copy = CopyLocalMeshWithModifiers(node, node.getObject());
        if (!m_pImpl->copy)
            return;
        DzFacetMesh& mesh = *m_pImpl->copy;

        // Taken after the modifiers, so a modifier that moved the array cannot leave it stale.
        size_t const count = size_t(mesh.getNumVertices());
        float(*vertices)[3] = mesh.getVerticesPtr();
        DzMatrix3 const transform = node.getWSTransform();
        HvThreadPool::Get()->parallelFor(
            count,
            [vertices, &transform](size_t begin, size_t end) {
                for (size_t i = begin; i < end; ++i) {
                    DzVec3 const p = transform.multPnt(DzVec3(vertices[i]));
                    vertices[i][0] = p.m_x;
                    vertices[i][1] = p.m_y;
                    vertices[i][2] = p.m_z;
                }
            },
            count > kParallelAbove);

        if (DzScene* scene = dzScene)
            for (DzModifierIterator it = scene->wsModifierListIterator(); it.hasNext();)
                it.next()->apply(mesh, node);
        m_pMesh = &mesh;
    } catch (std::exception const&) {
        m_pMesh = nullptr;  // no copy rather than an exception into the caller
    }
}

HvWorldMeshBaseWithModifiers::~HvWorldMeshBaseWithModifiers() = default;

std::unique_ptr<DzFacetMesh> HvWorldMeshBaseWithModifiers::CopyBaseMeshVerticesMinusOrigin(
    DzNode& node, size_t* pVertexCount) {
    size_t count = 0;
    DzFacetMesh* base = GetBaseGeometryFromShape(node, &count);
    if (!base)
        return nullptr;
    auto copy = std::make_unique<DzFacetMesh>();
    copy->copyFrom(*base, false, true);
    DzVec3 const origin = node.getOrigin();
    if (origin.m_x != 0.0f || origin.m_y != 0.0f || origin.m_z != 0.0f) {
        float(*vertices)[3] = copy->getVerticesPtr();
        for (size_t i = 0; i < count; ++i) {
            vertices[i][0] -= origin.m_x;
            vertices[i][1] -= origin.m_y;
            vertices[i][2] -= origin.m_z;
        }
    }
    if (pVertexCount)
        *pVertexCount = count;
    return copy;
}

std::unique_ptr<DzFacetMesh> HvWorldMeshBaseWithModifiers::CopyLocalMeshWithModifiers(
    DzNode& node, DzObject* object, DzModifier const* skip, std::vector<DzModifier*>* after) {
    std::unique_ptr<DzFacetMesh> copy = CopyBaseMeshVerticesMinusOrigin(node);
    if (!copy || !object)
        return copy;
    bool afterSkipped = false;
    for (DzModifierIterator it = object->modifierIterator(); it.hasNext();) {
        DzModifier* modifier = it.next();
        if (modifier == skip) {
            afterSkipped = true;
            continue;
        }
        if (afterSkipped && after)
            after->push_back(modifier);
        modifier->apply(*copy, node);
    }
    return copy;
}

DzFacetMesh* HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(DzNode& node, size_t* pVertexCount) {
    DzObject* object = node.getObject();
    DzShape* shape = object ? object->getCurrentShape() : nullptr;
    QObject* geometry = shape ? shape->getGeometry() : nullptr;
    auto* mesh = static_cast<DzFacetMesh*>(DzFacetMesh::staticMetaObject.cast(geometry));
    if (!mesh || mesh->getNumVertices() == 0)
        return nullptr;
    if (pVertexCount)
        *pVertexCount = size_t(mesh->getNumVertices());
    return mesh;
}
