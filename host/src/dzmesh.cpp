#include "dzfacetmesh.h"
#include "dzvertexmesh.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <unordered_map>

// ---- DzVertexMesh ----

void DzVertexMesh::setVertex(int i, DzVec3 const& v) {
    float* p = &m_vertices[size_t(i) * 3];
    p[0] = v.m_x;
    p[1] = v.m_y;
    p[2] = v.m_z;
}

int DzVertexMesh::addVertex(DzVec3 const& v) {
    m_vertices.push_back(v.m_x);
    m_vertices.push_back(v.m_y);
    m_vertices.push_back(v.m_z);
    return getNumVertices() - 1;
}

void DzVertexMesh::setNumVertices(int count) {
    m_vertices.resize(size_t(std::max(count, 0)) * 3, 0.0f);
}

DzBox3 DzVertexMesh::getBoundingBox() const {
    DzBox3 box;
    for (int i = 0, n = getNumVertices(); i < n; ++i) box.include(getVertex(i));
    return box;
}

// ---- DzFacetMesh ----

DzFacetMesh::DzFacetMesh() : m_topo(std::make_shared<Topology>()) {}

DzFacetMesh::~DzFacetMesh() = default;

unsigned long long DzFacetMesh::nextRevision() {
    static std::atomic<unsigned long long> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

DzFacetMesh::Topology& DzFacetMesh::editTopology() {
    if (m_topo.use_count() > 1)
        m_topo = std::make_shared<Topology>(*m_topo);
    m_topo->revision = nextRevision();
    return *m_topo;
}

void DzFacetMesh::copyFrom(DzFacetMesh const& source, bool vertexPositionsOnly, bool withFacetFlags) {
    if (&source == this)
        return;
    m_vertices = source.m_vertices;
    if (vertexPositionsOnly)
        return;
    m_topo = source.m_topo;
    if (withFacetFlags)
        m_flags = source.m_flags;
    else
        m_flags.assign(source.m_flags.size(), 0);
}

int DzFacetMesh::addFacet(int a, int b, int c, int d) {
    DzFacet f;
    f.m_vertIdx[0] = a;
    f.m_vertIdx[1] = b;
    f.m_vertIdx[2] = c;
    f.m_vertIdx[3] = d < 0 ? -1 : d;
    Topology& topo = editTopology();
    topo.facets.push_back(f);
    m_flags.push_back(0);
    return int(topo.facets.size()) - 1;
}

void DzFacetMesh::finalize() {
    Topology& topo = editTopology();
    topo.edges.clear();
    // One edge per unordered vertex pair, numbered in the order the facets first name it.
    std::unordered_map<uint64_t, int> edgeOf;
    edgeOf.reserve(topo.facets.size() * 2);
    for (size_t fi = 0; fi < topo.facets.size(); ++fi) {
        DzFacet& f = topo.facets[fi];
        int n = f.getNumCorners();
        for (int k = 0; k < 4; ++k) f.m_edges[k] = -1;
        for (int k = 0; k < n; ++k) {
            int a = f.m_vertIdx[k];
            int b = f.m_vertIdx[(k + 1) % n];
            uint64_t key = (uint64_t(uint32_t(std::min(a, b))) << 32) | uint32_t(std::max(a, b));
            auto it = edgeOf.find(key);
            if (it == edgeOf.end()) {
                DzEdge e;
                e.m_vertIdx[0] = a;
                e.m_vertIdx[1] = b;
                e.m_facetIdx[0] = int(fi);
                it = edgeOf.emplace(key, int(topo.edges.size())).first;
                topo.edges.push_back(e);
            } else if (topo.edges[size_t(it->second)].m_facetIdx[1] < 0) {
                topo.edges[size_t(it->second)].m_facetIdx[1] = int(fi);
            }
            f.m_edges[k] = it->second;
        }
    }
    // Area-weighted vertex normals; a facet's normal indices are its vertex indices.
    int nv = getNumVertices();
    topo.normals.assign(size_t(nv) * 3, 0.0f);
    auto vert = getVerticesPtr();
    for (DzFacet& f : topo.facets) {
        int n = f.getNumCorners();
        DzVec3 sum;
        for (int k = 0; k < n; ++k) {
            DzVec3 p(vert[f.m_vertIdx[k]]);
            DzVec3 q(vert[f.m_vertIdx[(k + 1) % n]]);
            sum += p.cross(q);
        }
        for (int k = 0; k < 4; ++k) {
            f.m_normIdx[k] = k < n ? f.m_vertIdx[k] : -1;
            if (k < n) {
                float* dst = &topo.normals[size_t(f.m_vertIdx[k]) * 3];
                dst[0] += sum.m_x;
                dst[1] += sum.m_y;
                dst[2] += sum.m_z;
            }
        }
    }
    for (int i = 0; i < nv; ++i) {
        float* p = &topo.normals[size_t(i) * 3];
        DzVec3 v(p);
        v.normalize();
        p[0] = v.m_x;
        p[1] = v.m_y;
        p[2] = v.m_z;
    }
}
