#include "dzmeshdrawer.h"

#include <QDebug>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <algorithm>
#include <cstring>
#include <vector>

#include "dzfacetmesh.h"
#include "dzobject.h"
#include "dzparallel.h"

namespace {

// Items a pool task takes at least: below this the threads cost more than they save.
constexpr size_t kGrain = 32768;

bool facetInRange(DzFacet const& facet, int nv) {
    for (int k = 0; k < facet.getNumCorners(); ++k)
        if (facet.m_vertIdx[k] < 0 || facet.m_vertIdx[k] >= nv)
            return false;
    return true;
}

// The unnormalised facet normal: the sum of its corners' cross products.
DzVec3 facetSum(float const (*v)[3], DzFacet const& facet) {
    int const n = facet.getNumCorners();
    DzVec3 sum;
    for (int k = 0; k < n; ++k)
        sum += DzVec3(v[facet.m_vertIdx[k]]).cross(DzVec3(v[facet.m_vertIdx[(k + 1) % n]]));
    return sum;
}

// Flat shading as the fixed pipeline lights a facet (one head light, two-sided, colour material for ambient
// and diffuse), with the facet's normal read from a buffer by the triangle's number.
char const* const kFlatVertexShader = R"(#version 150 compatibility
flat out vec4 colour;
void main() {
    gl_Position = ftransform();
    colour = gl_Color;
}
)";
char const* const kFlatFragmentShader = R"(#version 150 compatibility
uniform samplerBuffer normals;
uniform int first;
flat in vec4 colour;
void main() {
    vec3 n = gl_NormalMatrix * texelFetch(normals, gl_PrimitiveID + first).xyz;
    if (!gl_FrontFacing)
        n = -n;
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    vec4 lit = gl_LightModel.ambient * colour + gl_LightSource[0].ambient * colour +
               gl_LightSource[0].diffuse * colour * max(dot(n, l), 0.0);
    gl_FragColor = vec4(clamp(lit.rgb, 0.0, 1.0), colour.a);
}
)";

}  // namespace

struct DzMeshDrawer::Entry {
    QPointer<DzObject> object;
    GLuint positions = 0;
    GLuint normals = 0;
    GLuint triangles = 0;
    GLuint edges = 0;
    GLuint flatNormals = 0;
    GLuint flatTexture = 0;
    GLsizeiptr positionsBytes = 0;
    GLsizeiptr normalsBytes = 0;
    GLsizeiptr flatBytes = 0;

    // What the buffers hold.
    DzFacetMesh const* mesh = nullptr;
    int evaluation = -1;
    int numVertices = -1;
    unsigned long long topology = 0;
    std::vector<unsigned char> flags;
    bool positionsValid = false;
    bool normalsValid = false;
    bool trianglesValid = false;
    bool edgesValid = false;
    bool flatValid = false;
    bool adjacencyValid = false;

    // Triangles: those of unselected facets first, then those of selected ones.
    GLsizei plainTriangles = 0;
    GLsizei selectedTriangles = 0;
    std::vector<int> drawnFacets;         // facets in triangle order
    std::vector<unsigned> firstTriangle;  // of each drawn facet, and the total last
    GLsizei edgeIndices = 0;
    // The facets around each vertex in ascending order, for the vertex normals.
    std::vector<int> adjacencyStart;
    std::vector<int> adjacency;
    std::vector<float> facetSums;
    std::vector<float> scratch;
};

struct DzMeshDrawer::Impl {
    std::map<DzObject*, std::unique_ptr<Entry>> entries;
    std::unique_ptr<QOpenGLShaderProgram> flatProgram;
    bool flatProgramTried = false;

    static QOpenGLExtraFunctions* gl() { return QOpenGLContext::currentContext()->extraFunctions(); }
    static void release(Entry& e) {
        QOpenGLExtraFunctions* f = gl();
        for (GLuint* b : {&e.positions, &e.normals, &e.triangles, &e.edges, &e.flatNormals})
            if (*b) {
                f->glDeleteBuffers(1, b);
                *b = 0;
            }
        if (e.flatTexture) {
            f->glDeleteTextures(1, &e.flatTexture);
            e.flatTexture = 0;
        }
    }
    QOpenGLShaderProgram* flat();

    void syncPositions(Entry& e, DzFacetMesh const& mesh);
    void syncNormals(Entry& e, DzFacetMesh const& mesh);
    void syncTriangles(Entry& e, DzFacetMesh const& mesh);
    void syncFlatNormals(Entry& e, DzFacetMesh const& mesh);
    void syncEdges(Entry& e, DzFacetMesh const& mesh);
};

namespace {

// Replaces the buffer's content, in place while the size stays.
void setBuffer(GLenum target, GLuint& buffer, void const* data, GLsizeiptr bytes, GLsizeiptr& size) {
    QOpenGLExtraFunctions* f = QOpenGLContext::currentContext()->extraFunctions();
    if (!buffer) {
        f->glGenBuffers(1, &buffer);
        size = -1;
    }
    f->glBindBuffer(target, buffer);
    if (bytes == size && bytes > 0)
        f->glBufferSubData(target, 0, bytes, data);
    else
        f->glBufferData(target, bytes, data, GL_DYNAMIC_DRAW);
    size = bytes;
}

}  // namespace

DzMeshDrawer::DzMeshDrawer() : m(std::make_unique<Impl>()) {}

DzMeshDrawer::~DzMeshDrawer() = default;

void DzMeshDrawer::releaseAll() {
    if (QOpenGLContext::currentContext())
        for (auto& entry : m->entries) Impl::release(*entry.second);
    m->entries.clear();
    m->flatProgram.reset();
    m->flatProgramTried = false;
}

void DzMeshDrawer::beginFrame() {
    for (auto it = m->entries.begin(); it != m->entries.end();) {
        if (it->second->object) {
            ++it;
            continue;
        }
        Impl::release(*it->second);
        it = m->entries.erase(it);
    }
}

DzMeshDrawer::Entry& DzMeshDrawer::entryFor(DzObject* object, DzFacetMesh const& mesh) {
    std::unique_ptr<Entry>& slot = m->entries[object];
    if (slot && !slot->object) {
        Impl::release(*slot);  // a new object where a deleted one was
        slot.reset();
    }
    if (!slot) {
        slot = std::make_unique<Entry>();
        slot->object = object;
    }
    Entry& e = *slot;
    int const nv = mesh.getNumVertices();
    int const evaluation = object->getEvaluationCount();
    bool const sameMesh = e.mesh == &mesh && e.numVertices == nv;
    if (!sameMesh || e.evaluation != evaluation) {
        e.positionsValid = e.normalsValid = e.flatValid = false;
        e.evaluation = evaluation;
    }
    if (!sameMesh || e.topology != mesh.getTopologyRevision()) {
        e.trianglesValid = e.edgesValid = e.adjacencyValid = e.flatValid = false;
        e.topology = mesh.getTopologyRevision();
    }
    size_t const nf = size_t(mesh.getNumFacets());
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    if (e.flags.size() != nf || (nf && std::memcmp(e.flags.data(), flags, nf) != 0)) {
        e.flags.assign(flags, flags + nf);
        e.trianglesValid = e.edgesValid = e.flatValid = false;
    }
    e.mesh = &mesh;
    e.numVertices = nv;
    return e;
}

void DzMeshDrawer::Impl::syncPositions(Entry& e, DzFacetMesh const& mesh) {
    if (e.positionsValid)
        return;
    GLsizeiptr const bytes = GLsizeiptr(mesh.getNumVertices()) * 3 * GLsizeiptr(sizeof(float));
    setBuffer(GL_ARRAY_BUFFER, e.positions, mesh.getVerticesPtr(), bytes, e.positionsBytes);
    e.positionsValid = true;
}

void DzMeshDrawer::Impl::syncNormals(Entry& e, DzFacetMesh const& mesh) {
    if (e.normalsValid)
        return;
    int const nv = mesh.getNumVertices();
    int const nf = mesh.getNumFacets();
    DzFacet const* facets = mesh.getFacetsPtr();
    if (!e.adjacencyValid) {
        // Counting sort of the valid facets' corners by vertex: each vertex's facets in ascending order, a
        // facet naming a vertex twice listed twice, so the sums below add up as a walk over the facets would.
        e.adjacencyStart.assign(size_t(nv) + 1, 0);
        for (int fi = 0; fi < nf; ++fi) {
            DzFacet const& facet = facets[fi];
            if (!facetInRange(facet, nv))
                continue;
            for (int k = 0; k < facet.getNumCorners(); ++k)
                ++e.adjacencyStart[size_t(facet.m_vertIdx[k]) + 1];
        }
        for (size_t i = 0; i < size_t(nv); ++i) e.adjacencyStart[i + 1] += e.adjacencyStart[i];
        e.adjacency.resize(size_t(e.adjacencyStart[size_t(nv)]));
        std::vector<int> fill(e.adjacencyStart.begin(), e.adjacencyStart.end() - 1);
        for (int fi = 0; fi < nf; ++fi) {
            DzFacet const& facet = facets[fi];
            if (!facetInRange(facet, nv))
                continue;
            for (int k = 0; k < facet.getNumCorners(); ++k)
                e.adjacency[size_t(fill[size_t(facet.m_vertIdx[k])]++)] = fi;
        }
        e.adjacencyValid = true;
    }
    float const(*v)[3] = mesh.getVerticesPtr();
    e.facetSums.resize(size_t(nf) * 3);
    float* sums = e.facetSums.data();
    dzParallelFor(size_t(nf), kGrain, [&](size_t begin, size_t end) {
        for (size_t fi = begin; fi < end; ++fi) {
            if (!facetInRange(facets[fi], nv))
                continue;
            DzVec3 const s = facetSum(v, facets[fi]);
            sums[fi * 3] = s.m_x;
            sums[fi * 3 + 1] = s.m_y;
            sums[fi * 3 + 2] = s.m_z;
        }
    });
    e.scratch.resize(size_t(nv) * 3);
    float* normals = e.scratch.data();
    int const* start = e.adjacencyStart.data();
    int const* around = e.adjacency.data();
    dzParallelFor(size_t(nv), kGrain, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            float x = 0.0f, y = 0.0f, z = 0.0f;
            for (int a = start[i]; a < start[i + 1]; ++a) {
                float const* s = sums + size_t(around[a]) * 3;
                x += s[0];
                y += s[1];
                z += s[2];
            }
            DzVec3 const n = DzVec3(x, y, z).normalized();
            normals[i * 3] = n.m_x;
            normals[i * 3 + 1] = n.m_y;
            normals[i * 3 + 2] = n.m_z;
        }
    });
    setBuffer(GL_ARRAY_BUFFER, e.normals, normals, GLsizeiptr(e.scratch.size() * sizeof(float)),
              e.normalsBytes);
    e.normalsValid = true;
}

void DzMeshDrawer::Impl::syncTriangles(Entry& e, DzFacetMesh const& mesh) {
    if (e.trianglesValid)
        return;
    int const nv = mesh.getNumVertices();
    int const nf = mesh.getNumFacets();
    DzFacet const* facets = mesh.getFacetsPtr();
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    std::vector<GLuint> indices;
    indices.reserve(size_t(nf) * 6);
    e.drawnFacets.clear();
    e.firstTriangle.clear();
    unsigned triangle = 0;
    // Two passes: unselected facets, then selected ones, each drawn in one call.
    for (unsigned char const wanted : {0, int(DZ_FACET_SELECTED)}) {
        for (int fi = 0; fi < nf; ++fi) {
            if ((flags[fi] & DZ_FACET_HIDDEN) || (flags[fi] & DZ_FACET_SELECTED) != wanted)
                continue;
            DzFacet const& facet = facets[fi];
            if (!facetInRange(facet, nv))
                continue;
            e.drawnFacets.push_back(fi);
            e.firstTriangle.push_back(triangle);
            for (int k = 1; k + 1 < facet.getNumCorners(); ++k) {
                indices.push_back(GLuint(facet.m_vertIdx[0]));
                indices.push_back(GLuint(facet.m_vertIdx[k]));
                indices.push_back(GLuint(facet.m_vertIdx[k + 1]));
                ++triangle;
            }
        }
        if (wanted == 0)
            e.plainTriangles = GLsizei(triangle);
    }
    e.firstTriangle.push_back(triangle);
    e.selectedTriangles = GLsizei(triangle) - e.plainTriangles;
    GLsizeiptr current = -1;
    setBuffer(GL_ELEMENT_ARRAY_BUFFER, e.triangles, indices.data(),
              GLsizeiptr(indices.size() * sizeof(GLuint)), current);
    e.trianglesValid = true;
    e.flatValid = false;
}

void DzMeshDrawer::Impl::syncFlatNormals(Entry& e, DzFacetMesh const& mesh) {
    if (e.flatValid)
        return;
    float const(*v)[3] = mesh.getVerticesPtr();
    DzFacet const* facets = mesh.getFacetsPtr();
    size_t const triangles = e.firstTriangle.back();
    e.scratch.resize(triangles * 3);
    float* out = e.scratch.data();
    int const* drawn = e.drawnFacets.data();
    unsigned const* first = e.firstTriangle.data();
    dzParallelFor(e.drawnFacets.size(), kGrain, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            DzVec3 const n = facetSum(v, facets[drawn[i]]).normalized();
            for (unsigned t = first[i]; t < first[i + 1]; ++t) {
                out[t * 3] = n.m_x;
                out[t * 3 + 1] = n.m_y;
                out[t * 3 + 2] = n.m_z;
            }
        }
    });
    QOpenGLExtraFunctions* f = gl();
    setBuffer(GL_TEXTURE_BUFFER, e.flatNormals, out, GLsizeiptr(triangles * 3 * sizeof(float)), e.flatBytes);
    f->glBindBuffer(GL_TEXTURE_BUFFER, 0);
    if (!e.flatTexture)
        f->glGenTextures(1, &e.flatTexture);
    f->glBindTexture(GL_TEXTURE_BUFFER, e.flatTexture);
    f->glTexBuffer(GL_TEXTURE_BUFFER, GL_RGB32F, e.flatNormals);
    f->glBindTexture(GL_TEXTURE_BUFFER, 0);
    e.flatValid = true;
}

void DzMeshDrawer::Impl::syncEdges(Entry& e, DzFacetMesh const& mesh) {
    if (e.edgesValid)
        return;
    int const nv = mesh.getNumVertices();
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    std::vector<GLuint> indices;
    indices.reserve(size_t(mesh.getNumEdges()) * 2);
    DzEdge const* edges = mesh.getEdgesPtr();
    for (int i = 0, ne = mesh.getNumEdges(); i < ne; ++i) {
        DzEdge const& edge = edges[i];
        int const a = edge.m_vertIdx[0], b = edge.m_vertIdx[1];
        if (a < 0 || b < 0 || a >= nv || b >= nv)
            continue;
        // An edge of hidden facets only stays hidden.
        int const f0 = edge.m_facetIdx[0], f1 = edge.m_facetIdx[1];
        bool const hidden0 = f0 < 0 || (flags[f0] & DZ_FACET_HIDDEN);
        bool const hidden1 = f1 < 0 || (flags[f1] & DZ_FACET_HIDDEN);
        if (hidden0 && hidden1)
            continue;
        indices.push_back(GLuint(a));
        indices.push_back(GLuint(b));
    }
    GLsizeiptr current = -1;
    setBuffer(GL_ELEMENT_ARRAY_BUFFER, e.edges, indices.data(), GLsizeiptr(indices.size() * sizeof(GLuint)),
              current);
    e.edgeIndices = GLsizei(indices.size());
    e.edgesValid = true;
}

QOpenGLShaderProgram* DzMeshDrawer::Impl::flat() {
    if (!flatProgramTried) {
        flatProgramTried = true;
        auto program = std::make_unique<QOpenGLShaderProgram>();
        if (program->addShaderFromSourceCode(QOpenGLShader::Vertex, kFlatVertexShader) &&
            program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFlatFragmentShader) && program->link())
            flatProgram = std::move(program);
        else
            qWarning("Flat shading falls back to smooth normals: %s", qPrintable(program->log()));
    }
    return flatProgram.get();
}

void DzMeshDrawer::drawFacets(DzObject* object, DzFacetMesh const& mesh, bool flat, float const plain[3],
                              float const selected[3], bool showSelection) {
    Entry& e = entryFor(object, mesh);
    QOpenGLExtraFunctions* f = Impl::gl();
    m->syncTriangles(e, mesh);
    if (e.plainTriangles + e.selectedTriangles == 0)
        return;
    m->syncPositions(e, mesh);
    QOpenGLShaderProgram* program = flat ? m->flat() : nullptr;
    if (program)
        m->syncFlatNormals(e, mesh);
    else
        m->syncNormals(e, mesh);

    glEnableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ARRAY_BUFFER, e.positions);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    if (!program) {
        glEnableClientState(GL_NORMAL_ARRAY);
        f->glBindBuffer(GL_ARRAY_BUFFER, e.normals);
        glNormalPointer(GL_FLOAT, 0, nullptr);
    }
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, e.triangles);
    if (program) {
        program->bind();
        f->glActiveTexture(GL_TEXTURE0);
        f->glBindTexture(GL_TEXTURE_BUFFER, e.flatTexture);
        program->setUniformValue("normals", 0);
    }
    auto range = [&](GLsizei first, GLsizei count, float const colour[3]) {
        if (count == 0)
            return;
        glColor3fv(colour);
        if (program)
            program->setUniformValue("first", int(first));
        glDrawElements(GL_TRIANGLES, count * 3, GL_UNSIGNED_INT,
                       reinterpret_cast<void const*>(size_t(first) * 3 * sizeof(GLuint)));
    };
    range(0, e.plainTriangles, plain);
    range(e.plainTriangles, e.selectedTriangles, showSelection ? selected : plain);
    if (program) {
        f->glBindTexture(GL_TEXTURE_BUFFER, 0);
        program->release();
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void DzMeshDrawer::drawEdges(DzObject* object, DzFacetMesh const& mesh) {
    Entry& e = entryFor(object, mesh);
    QOpenGLExtraFunctions* f = Impl::gl();
    m->syncEdges(e, mesh);
    if (e.edgeIndices == 0)
        return;
    m->syncPositions(e, mesh);
    glEnableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ARRAY_BUFFER, e.positions);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, e.edges);
    glDrawElements(GL_LINES, e.edgeIndices, GL_UNSIGNED_INT, nullptr);
    glDisableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
}
