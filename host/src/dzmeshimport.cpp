#include "dzmeshimport.h"

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

struct Vec2 {
    double x, y;
};

double cross2(Vec2 a, Vec2 b, Vec2 c) {
    return (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
}

// Inclusive of the border, so a corner lying on a candidate ear's side blocks it.
bool inTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
    double d1 = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    double d2 = (c.x - b.x) * (p.y - b.y) - (c.y - b.y) * (p.x - b.x);
    double d3 = (a.x - c.x) * (p.y - c.y) - (a.y - c.y) * (p.x - c.x);
    bool neg = d1 < 0 || d2 < 0 || d3 < 0;
    bool pos = d1 > 0 || d2 > 0 || d3 > 0;
    return !(neg && pos);
}

struct PositionKey {
    std::array<uint32_t, 3> bits;
    bool operator==(PositionKey const& o) const { return bits == o.bits; }
};

struct PositionHash {
    size_t operator()(PositionKey const& k) const {
        uint64_t h = 1469598103934665603ull;
        for (uint32_t b : k.bits) h = (h ^ b) * 1099511628211ull;
        return size_t(h ^ (h >> 29));
    }
};

class MeshBuilder {
public:
    explicit MeshBuilder(aiScene const& scene) : m_scene(scene), m_mesh(std::make_unique<DzFacetMesh>()) {}

    // False with the reason when the scene cannot become one mesh.
    bool addScene(QString* reason) {
        std::vector<std::pair<aiNode const*, aiMatrix4x4>> stack{{m_scene.mRootNode, aiMatrix4x4()}};
        while (!stack.empty()) {
            auto [node, parent] = stack.back();
            stack.pop_back();
            aiMatrix4x4 global = parent * node->mTransformation;
            for (unsigned i = 0; i < node->mNumMeshes; ++i) {
                if (node->mMeshes[i] >= m_scene.mNumMeshes)
                    continue;
                if (!addMesh(*m_scene.mMeshes[node->mMeshes[i]], global, reason))
                    return false;
            }
            for (unsigned i = node->mNumChildren; i-- > 0;) stack.emplace_back(node->mChildren[i], global);
        }
        if (m_mesh->getNumFacets() == 0) {
            *reason = "it holds no polygons";
            return false;
        }
        m_mesh->finalize();
        return true;
    }

    DzFacetMesh* release() { return m_mesh.release(); }

private:
    bool addMesh(aiMesh const& mesh, aiMatrix4x4 const& transform, QString* reason) {
        // Points and lines are no surface to edit.
        if (!(mesh.mPrimitiveTypes & (aiPrimitiveType_TRIANGLE | aiPrimitiveType_POLYGON)) ||
            !mesh.mVertices || !mesh.mFaces)
            return true;
        bool const identity = transform.IsIdentity();
        // A mirroring transform turns the facets inside out unless their winding is reversed.
        bool const mirrored = transform.Determinant() < 0;
        std::vector<int> welded(mesh.mNumVertices, -1);
        auto vertexOf = [&](unsigned v) -> int {
            if (welded[v] >= 0)
                return welded[v];
            aiVector3D p = identity ? mesh.mVertices[v] : transform * mesh.mVertices[v];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                *reason =
                    QString("vertex %1 of mesh \"%2\" has no finite position").arg(v).arg(mesh.mName.C_Str());
                return -1;
            }
            // +0.0f turns -0 into 0, so the two join.
            float const xyz[3] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
            PositionKey key;
            std::memcpy(key.bits.data(), xyz, sizeof xyz);
            auto it = m_byPosition.find(key);
            if (it == m_byPosition.end()) {
                if (m_mesh->getNumVertices() == INT_MAX) {
                    *reason = "it has too many vertices";
                    return -1;
                }
                it = m_byPosition.emplace(key, m_mesh->addVertex(DzVec3(xyz[0], xyz[1], xyz[2]))).first;
            }
            return welded[v] = it->second;
        };

        std::vector<int> corners;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            aiFace const& face = mesh.mFaces[f];
            if (face.mNumIndices < 3 || !face.mIndices)
                continue;
            corners.clear();
            for (unsigned k = 0; k < face.mNumIndices; ++k) {
                unsigned v = face.mIndices[k];
                if (v >= mesh.mNumVertices) {
                    *reason = QString("a face of mesh \"%1\" names vertex %2 of %3")
                                  .arg(mesh.mName.C_Str())
                                  .arg(v)
                                  .arg(mesh.mNumVertices);
                    return false;
                }
                int idx = vertexOf(v);
                if (idx < 0)
                    return false;
                // Corners joined onto the one before them collapse.
                if (corners.empty() || corners.back() != idx)
                    corners.push_back(idx);
            }
            while (corners.size() > 1 && corners.back() == corners.front()) corners.pop_back();
            if (mirrored)
                std::reverse(corners.begin(), corners.end());
            addPolygon(corners);
        }
        return true;
    }

    void addFacet(int a, int b, int c, int d = -1) {
        if (a == b || b == c || a == c || (d >= 0 && (d == a || d == b || d == c)))
            return;
        m_mesh->addFacet(a, b, c, d);
    }

    void addPolygon(std::vector<int> const& c) {
        size_t const n = c.size();
        if (n < 3)
            return;
        if (n == 3) {
            addFacet(c[0], c[1], c[2]);
            return;
        }
        if (n == 4) {
            addFacet(c[0], c[1], c[2], c[3]);
            return;
        }
        // Project onto the plane of the polygon's (Newell) normal, dropping its largest axis.
        auto vert = m_mesh->getVerticesPtr();
        double nrm[3] = {0, 0, 0};
        for (size_t k = 0; k < n; ++k) {
            float const* p = vert[c[k]];
            float const* q = vert[c[(k + 1) % n]];
            nrm[0] += double(p[1] - q[1]) * double(p[2] + q[2]);
            nrm[1] += double(p[2] - q[2]) * double(p[0] + q[0]);
            nrm[2] += double(p[0] - q[0]) * double(p[1] + q[1]);
        }
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (std::fabs(nrm[k]) > std::fabs(nrm[axis]))
                axis = k;
        if (nrm[axis] == 0)
            return;  // no area: no surface
        int const u = (axis + 1) % 3, v = (axis + 2) % 3;
        double const sign = nrm[axis] < 0 ? -1.0 : 1.0;
        std::vector<Vec2> pts(n);
        for (size_t k = 0; k < n; ++k) pts[k] = {double(vert[c[k]][u]), double(vert[c[k]][v]) * sign};

        bool convex = true;
        for (size_t k = 0; k < n && convex; ++k) {
            if (cross2(pts[(k + n - 1) % n], pts[k], pts[(k + 1) % n]) < 0)
                convex = false;
            for (size_t j = k + 1; j < n && convex; ++j) convex = c[j] != c[k];
        }
        if (convex) {
            size_t k = 1;
            for (; k + 2 < n; k += 2) addFacet(c[0], c[k], c[k + 1], c[k + 2]);
            if (k + 1 < n)
                addFacet(c[0], c[k], c[k + 1]);
            return;
        }
        earClip(c, pts);
    }

    // Ear clipping; a corner that names the same vertex as the ear's (a bridge to a hole) never blocks it.
    void earClip(std::vector<int> const& c, std::vector<Vec2> const& pts) {
        std::vector<size_t> ring(c.size());
        for (size_t k = 0; k < ring.size(); ++k) ring[k] = k;
        size_t start = 0;
        while (ring.size() > 3) {
            size_t const m = ring.size();
            bool clipped = false;
            for (size_t s = 0; s < m && !clipped; ++s) {
                size_t const i = (start + s) % m;
                size_t const a = ring[(i + m - 1) % m], b = ring[i], d = ring[(i + 1) % m];
                if (cross2(pts[a], pts[b], pts[d]) <= 0)
                    continue;
                bool blocked = false;
                for (size_t j = 0; j < m && !blocked; ++j) {
                    size_t const p = ring[j];
                    if (c[p] == c[a] || c[p] == c[b] || c[p] == c[d])
                        continue;
                    blocked = inTriangle(pts[p], pts[a], pts[b], pts[d]);
                }
                if (blocked)
                    continue;
                addFacet(c[a], c[b], c[d]);
                ring.erase(ring.begin() + ptrdiff_t(i));
                start = i == 0 ? 0 : i - 1;
                clipped = true;
            }
            if (!clipped) {
                // Self-intersecting or degenerate: no ear is left, so the rest becomes a fan.
                for (size_t k = 1; k + 1 < ring.size(); ++k) addFacet(c[ring[0]], c[ring[k]], c[ring[k + 1]]);
                return;
            }
        }
        addFacet(c[ring[0]], c[ring[1]], c[ring[2]]);
    }

    aiScene const& m_scene;
    std::unique_ptr<DzFacetMesh> m_mesh;
    std::unordered_map<PositionKey, int, PositionHash> m_byPosition;
};

}  // namespace

DzNode* dzImportMesh(QString const& path, QString* error) {
    auto fail = [&](QString const& reason) -> DzNode* {
        if (error)
            *error = QString("Could not import the mesh file \"%1\": %2")
                         .arg(QDir::toNativeSeparators(path), reason);
        return nullptr;
    };
    QFileInfo const info(path);
    if (!info.exists())
        return fail("the file does not exist");
    if (!info.isFile())
        return fail("it is not a file");
    if (!info.isReadable())
        return fail("the file cannot be read");

    Assimp::Importer importer;
    // Only positions matter, so the join compares positions alone.
    importer.SetPropertyInteger(AI_CONFIG_PP_RVC_FLAGS,
                                aiComponent_NORMALS | aiComponent_TANGENTS_AND_BITANGENTS |
                                    aiComponent_COLORS | aiComponent_TEXCOORDS | aiComponent_BONEWEIGHTS |
                                    aiComponent_ANIMATIONS | aiComponent_TEXTURES | aiComponent_LIGHTS |
                                    aiComponent_CAMERAS);
    // No triangulation: quads stay quads.
    unsigned const steps =
        aiProcess_RemoveComponent | aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure;
    aiScene const* scene = importer.ReadFile(QFile::encodeName(path).constData(), steps);
    if (!scene)
        return fail(QString::fromUtf8(importer.GetErrorString()));
    if ((scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !scene->mRootNode)
        return fail("it holds no complete scene");

    MeshBuilder builder(*scene);
    QString reason;
    if (!builder.addScene(&reason))
        return fail(reason);

    QString const name = info.completeBaseName();
    auto* shape = new DzShape(builder.release());
    shape->setObjectName(name);
    auto* object = new DzObject;
    object->setName(name);
    object->setCurrentShape(shape);
    auto* node = new DzNode;
    node->setName(name);
    node->setObject(object);
    return node;
}
