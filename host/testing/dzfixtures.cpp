#include "dzfixtures.h"

#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

namespace dztest {

DzFacetMesh* makeGrid(int nx, int ny, float step) {
    auto* mesh = new DzFacetMesh;
    mesh->reserveVertices((nx + 1) * (ny + 1));
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) mesh->addVertex(DzVec3(i * step, j * step, 0.0f));
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int a = j * (nx + 1) + i;
            mesh->addFacet(a, a + 1, a + nx + 2, a + nx + 1);
        }
    mesh->finalize();
    return mesh;
}

DzFacetMesh* makeCube(int n, float size) {
    auto* mesh = new DzFacetMesh;
    float h = size * 0.5f;
    // Each face: origin corner, two edge directions; outward normal = u x v.
    struct Face {
        DzVec3 o, u, v;
    } faces[6] = {
        {{-h, -h, h}, {size, 0, 0}, {0, size, 0}},   // +Z
        {{h, -h, -h}, {-size, 0, 0}, {0, size, 0}},  // -Z
        {{h, -h, h}, {0, 0, -size}, {0, size, 0}},   // +X
        {{-h, -h, -h}, {0, 0, size}, {0, size, 0}},  // -X
        {{-h, h, h}, {size, 0, 0}, {0, 0, -size}},   // +Y
        {{-h, -h, -h}, {size, 0, 0}, {0, 0, size}},  // -Y
    };
    // Corners shared between faces are joined by position, so the cube is closed.
    std::map<std::array<long, 3>, int> byPosition;
    auto vertexAt = [&](DzVec3 const& p) {
        std::array<long, 3> key{std::lround(p.m_x * 1e4), std::lround(p.m_y * 1e4), std::lround(p.m_z * 1e4)};
        auto it = byPosition.find(key);
        if (it != byPosition.end())
            return it->second;
        return byPosition[key] = mesh->addVertex(p);
    };
    for (Face const& f : faces) {
        std::vector<int> idx;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i)
                idx.push_back(vertexAt(f.o + f.u * (float(i) / n) + f.v * (float(j) / n)));
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                int a = j * (n + 1) + i;
                mesh->addFacet(idx[a], idx[a + 1], idx[a + n + 2], idx[a + n + 1]);
            }
    }
    mesh->finalize();
    return mesh;
}

DzFacetMesh* makeSphere(int rings, int segments, float radius) {
    auto* mesh = new DzFacetMesh;
    float const pi = 3.14159265358979f;
    mesh->addVertex(DzVec3(0, 0, radius));  // north pole
    for (int r = 1; r < rings; ++r) {
        float theta = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            float phi = 2.0f * pi * s / segments;
            mesh->addVertex(DzVec3(radius * std::sin(theta) * std::cos(phi),
                                   radius * std::sin(theta) * std::sin(phi), radius * std::cos(theta)));
        }
    }
    int south = mesh->addVertex(DzVec3(0, 0, -radius));
    auto ring = [segments](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    for (int s = 0; s < segments; ++s) mesh->addFacet(0, ring(1, s), ring(1, s + 1));
    for (int r = 1; r < rings - 1; ++r)
        for (int s = 0; s < segments; ++s)
            mesh->addFacet(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1), ring(r, s + 1));
    for (int s = 0; s < segments; ++s) mesh->addFacet(ring(rings - 1, s), south, ring(rings - 1, s + 1));
    mesh->finalize();
    return mesh;
}

DzNode* makeNode(QString const& name, DzFacetMesh* mesh) {
    auto* node = new DzNode;
    node->setName(name);
    auto* object = new DzObject;
    object->setName(name + "_object");
    object->setCurrentShape(new DzShape(mesh));
    node->setObject(object);
    return node;
}

}  // namespace dztest
