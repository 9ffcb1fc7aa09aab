#include "dzmeshimport.h"

#include "dzmeshheader.h"

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <memory>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

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

// The mesh's vertices by position, bit for bit: open addressing over vertex indices, the positions read from
// the mesh itself (a node-based map cost more than the rest of an import of a million vertices).
class PositionIndex {
public:
    explicit PositionIndex(DzFacetMesh& mesh) : m_mesh(mesh) {}

    void reserve(size_t vertices) {
        if (2 * vertices > m_slots.size())
            rehash(2 * vertices);
    }

    // The vertex at the position, added when there is none yet; -1 when the mesh is full.
    int findOrAdd(float const xyz[3]) {
        if (2 * (m_count + 1) > m_slots.size())
            rehash(2 * (m_count + 1));
        size_t slot = hash(xyz) & (m_slots.size() - 1);
        float const(*vertices)[3] = m_mesh.getVerticesPtr();
        for (; m_slots[slot] >= 0; slot = (slot + 1) & (m_slots.size() - 1))
            if (std::memcmp(vertices[m_slots[slot]], xyz, 3 * sizeof(float)) == 0)
                return m_slots[slot];
        if (m_mesh.getNumVertices() == INT_MAX)
            return -1;
        ++m_count;
        return m_slots[slot] = m_mesh.addVertex(DzVec3(xyz[0], xyz[1], xyz[2]));
    }

private:
    static size_t hash(float const xyz[3]) {
        uint32_t b[3];
        std::memcpy(b, xyz, sizeof b);
        uint64_t h = ((uint64_t(b[0]) << 32) | b[1]) * 0x9E3779B97F4A7C15ull;
        h ^= uint64_t(b[2]) * 0xC2B2AE3D27D4EB4Full;
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        return size_t(h ^ (h >> 32));
    }

    void rehash(size_t atLeast) {
        size_t size = 1024;
        while (size < atLeast) size *= 2;
        m_slots.assign(size, -1);
        float const(*vertices)[3] = m_mesh.getVerticesPtr();
        for (int v = 0, n = m_mesh.getNumVertices(); v < n; ++v) {
            size_t slot = hash(vertices[v]) & (size - 1);
            while (m_slots[slot] >= 0) slot = (slot + 1) & (size - 1);
            m_slots[slot] = v;
        }
    }

    DzFacetMesh& m_mesh;
    std::vector<int> m_slots;  // vertex indices, -1 for free; never more than half full
    size_t m_count = 0;
};

class MeshBuilder {
public:
    explicit MeshBuilder(aiScene const& scene)
        : m_scene(scene), m_mesh(std::make_unique<DzFacetMesh>()), m_byPosition(*m_mesh) {}

    // False with the reason when the scene cannot become one mesh.
    bool addScene(QString* reason) {
        // Room for every vertex of the file's meshes, each once: welding only takes some away.
        size_t vertices = 0;
        for (unsigned i = 0; i < m_scene.mNumMeshes; ++i)
            if (m_scene.mMeshes[i])
                vertices += m_scene.mMeshes[i]->mNumVertices;
        vertices = std::min<size_t>(vertices, INT_MAX);
        m_mesh->reserveVertices(int(vertices));
        m_byPosition.reserve(vertices);
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
            int const index = m_byPosition.findOrAdd(xyz);
            if (index < 0) {
                *reason = "it has too many vertices";
                return -1;
            }
            return welded[v] = index;
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
    PositionIndex m_byPosition;
};

// The memory a reader may take beyond what the process holds: generous for any real file, but a reader that
// trusts a count in a format not checked beforehand cannot take the machine. Enforced as a limit of the
// address space while assimp reads; not under the sanitizers, whose allocators abort instead of throwing.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DZ_IMPORT_BUDGET 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define DZ_IMPORT_BUDGET 0
#endif
#endif
#ifndef DZ_IMPORT_BUDGET
#define DZ_IMPORT_BUDGET 1
#endif

class MemoryBudget {
public:
    explicit MemoryBudget(qint64 fileSize) {
#if DZ_IMPORT_BUDGET
        m_bytes = std::max<uint64_t>(uint64_t(2) << 30, 64 * uint64_t(std::max<qint64>(fileSize, 0)));
        long pages = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        if (pages <= 0 || getrlimit(RLIMIT_AS, &m_saved) != 0)
            return;
        rlimit limit = m_saved;
        uint64_t const wanted = uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) + m_bytes;
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= wanted)
            return;  // a tighter limit is already set
        limit.rlim_cur = wanted;
        m_active = setrlimit(RLIMIT_AS, &limit) == 0;
#else
        (void)fileSize;
#endif
    }
    ~MemoryBudget() {
#if DZ_IMPORT_BUDGET
        if (m_active)
            setrlimit(RLIMIT_AS, &m_saved);
#endif
    }
    MemoryBudget(MemoryBudget const&) = delete;
    MemoryBudget& operator=(MemoryBudget const&) = delete;

    QString refusal() const {
        return QStringLiteral("reading it needs more memory than an import of this file may take (%1 MB)")
            .arg(m_bytes >> 20);
    }

private:
#if DZ_IMPORT_BUDGET
    rlimit m_saved{};
#endif
    uint64_t m_bytes = 0;
    bool m_active = false;
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
    QString const problem = dzMeshHeaderProblem(path);
    if (!problem.isEmpty())
        return fail(problem);

    Assimp::Importer importer;
    // No triangulation: quads stay quads. No joining of identical vertices either: the builder welds by
    // position itself, and assimp's join (which compares every vertex component) takes more time and memory
    // than the rest of an import of a large PLY. The builder reads positions alone, so no component needs
    // removing.
    unsigned const steps = aiProcess_ValidateDataStructure;
    aiScene const* scene = nullptr;
    {
        MemoryBudget const budget(info.size());
        try {
            scene = importer.ReadFile(QFile::encodeName(path).constData(), steps);
        } catch (std::bad_alloc const&) {
            return fail(budget.refusal());
        }
        if (!scene && std::strstr(importer.GetErrorString(), "bad_alloc"))
            return fail(budget.refusal());
    }
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
