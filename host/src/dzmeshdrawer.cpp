#include "dzmeshdrawer.h"

#include <QDebug>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLShaderProgram>
#include <algorithm>
#include <cmath>
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

// Smooth shading with the lighting the fixed pipeline computes for this state (one directional light,
// two-sided, colour material for ambient and diffuse, no specular), per vertex for both sides: the fixed
// pipeline's emulation costs the software renderer far more per vertex, and its two-sided lighting takes a
// slow path.
char const* const kSmoothVertexShader = R"(#version 150 compatibility
out vec2 lit;
void main() {
    gl_Position = ftransform();
    float d = dot(gl_NormalMatrix * gl_Normal, normalize(gl_LightSource[0].position.xyz));
    lit = vec2(max(d, 0.0), max(-d, 0.0));
}
)";
char const* const kSmoothFragmentShader = R"(#version 150 compatibility
uniform vec3 colour;
in vec2 lit;
void main() {
    vec3 ambient = (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb) * colour;
    vec3 diffuse = gl_LightSource[0].diffuse.rgb * colour;
    gl_FragColor = vec4(clamp(ambient + diffuse * (gl_FrontFacing ? lit.x : lit.y), 0.0, 1.0), 1.0);
}
)";

std::unique_ptr<QOpenGLShaderProgram> buildProgram(char const* vertex, char const* fragment,
                                                   char const* what) {
    auto program = std::make_unique<QOpenGLShaderProgram>();
    if (program->addShaderFromSourceCode(QOpenGLShader::Vertex, vertex) &&
        program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragment) && program->link())
        return program;
    qWarning("%s: %s", what, qPrintable(program->log()));
    return nullptr;
}

}  // namespace

struct DzMeshDrawer::Entry {
    QPointer<DzObject> object;
    GLuint positions = 0;
    GLuint normals = 0;
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
    std::vector<GLuint> triangleIndices;
    GLsizei edgeIndices = 0;
    // The triangles that may cover a pixel centre in the last frame, in the same order.
    GLuint visible = 0;
    GLsizeiptr visibleBytes = 0;
    std::vector<float> window;
    std::vector<unsigned char> inside;
    std::vector<std::vector<GLuint>> kept;
    std::vector<std::vector<unsigned>> keptNumbers;  // the kept triangles' numbers, for flat shading
    std::vector<float> flatValues;                   // each triangle's facet normal
    std::vector<GLuint> scratchIndices;
    // What the visible triangles were culled for: a redraw with the same view and the same positions and
    // triangles (a hover highlight, the gizmo) draws them again as they are.
    bool culledValid = false;
    float culledMatrix[16] = {};
    GLint culledViewport[4] = {};
    bool culledCentres = false;
    GLsizei culledCounts[2] = {};
    // The flat normals buffer holds the culled triangles' normals of the current positions.
    bool flatUploaded = false;
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
    std::unique_ptr<QOpenGLShaderProgram> smoothProgram;
    bool smoothProgramTried = false;

    static QOpenGLExtraFunctions* gl() { return QOpenGLContext::currentContext()->extraFunctions(); }
    static void release(Entry& e) {
        QOpenGLExtraFunctions* f = gl();
        for (GLuint* b : {&e.positions, &e.normals, &e.edges, &e.flatNormals, &e.visible})
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
    QOpenGLShaderProgram* smooth();

    void syncPositions(Entry& e, DzFacetMesh const& mesh);
    void syncNormals(Entry& e, DzFacetMesh const& mesh);
    void syncTriangles(Entry& e, DzFacetMesh const& mesh);
    void syncFlatNormals(Entry& e, DzFacetMesh const& mesh);
    void syncEdges(Entry& e, DzFacetMesh const& mesh);
    // Fills counts with the triangles kept of each range; false when the last frame's are still current.
    bool cullSmall(Entry& e, DzFacetMesh const& mesh, GLsizei counts[2]);
    void uploadFlatNormals(Entry& e);
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

DzMeshDrawer::DzMeshDrawer() : m_pImpl(std::make_unique<Impl>()) {}

DzMeshDrawer::~DzMeshDrawer() = default;

void DzMeshDrawer::releaseAll() {
    if (QOpenGLContext::currentContext())
        for (auto& entry : m_pImpl->entries) Impl::release(*entry.second);
    m_pImpl->entries.clear();
    m_pImpl->flatProgram.reset();
    m_pImpl->flatProgramTried = false;
    m_pImpl->smoothProgram.reset();
    m_pImpl->smoothProgramTried = false;
}

void DzMeshDrawer::beginFrame() {
    for (auto it = m_pImpl->entries.begin(); it != m_pImpl->entries.end();) {
        if (it->second->object) {
            ++it;
            continue;
        }
        Impl::release(*it->second);
        it = m_pImpl->entries.erase(it);
    }
}

DzMeshDrawer::Entry& DzMeshDrawer::entryFor(DzObject* object, DzFacetMesh const& mesh) {
    std::unique_ptr<Entry>& slot = m_pImpl->entries[object];
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
        e.positionsValid = e.normalsValid = e.flatValid = e.culledValid = false;
        e.evaluation = evaluation;
    }
    if (!sameMesh || e.topology != mesh.getTopologyRevision()) {
        e.trianglesValid = e.edgesValid = e.adjacencyValid = e.flatValid = e.culledValid = false;
        e.topology = mesh.getTopologyRevision();
    }
    size_t const nf = size_t(mesh.getNumFacets());
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    if (e.flags.size() != nf || (nf && std::memcmp(e.flags.data(), flags, nf) != 0)) {
        e.flags.assign(flags, flags + nf);
        e.trianglesValid = e.edgesValid = e.flatValid = e.culledValid = false;
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
    std::vector<GLuint>& indices = e.triangleIndices;
    indices.clear();
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
    e.trianglesValid = true;
    e.flatValid = false;
}

void DzMeshDrawer::Impl::syncFlatNormals(Entry& e, DzFacetMesh const& mesh) {
    if (e.flatValid)
        return;
    float const(*v)[3] = mesh.getVerticesPtr();
    DzFacet const* facets = mesh.getFacetsPtr();
    size_t const triangles = e.firstTriangle.back();
    e.flatValues.resize(triangles * 3);
    float* out = e.flatValues.data();
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
    e.flatValid = true;
    e.flatUploaded = false;
}

// The normals of the triangles drawn, in their order, for the flat program to read by the triangle's number.
void DzMeshDrawer::Impl::uploadFlatNormals(Entry& e) {
    size_t total = 0;
    for (auto const& numbers : e.keptNumbers) total += numbers.size();
    e.scratch.resize(total * 3);
    float* out = e.scratch.data();
    float const* all = e.flatValues.data();
    for (auto const& numbers : e.keptNumbers)
        for (unsigned const t : numbers) {
            std::memcpy(out, all + size_t(t) * 3, 3 * sizeof(float));
            out += 3;
        }
    QOpenGLExtraFunctions* f = gl();
    setBuffer(GL_TEXTURE_BUFFER, e.flatNormals, e.scratch.data(),
              GLsizeiptr(e.scratch.size() * sizeof(float)), e.flatBytes);
    f->glBindBuffer(GL_TEXTURE_BUFFER, 0);
    if (!e.flatTexture)
        f->glGenTextures(1, &e.flatTexture);
    f->glBindTexture(GL_TEXTURE_BUFFER, e.flatTexture);
    f->glTexBuffer(GL_TEXTURE_BUFFER, GL_RGB32F, e.flatNormals);
    f->glBindTexture(GL_TEXTURE_BUFFER, 0);
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

namespace {

// Whether one of the pixel centres of the columns and rows given lies within `margin` of the triangle (of
// either winding, or a degenerate one).
bool coversCentre(float const* a, float const* b, float const* c, float x0, float x1, float y0, float y1,
                  float margin) {
    float const* p[3] = {a, b, c};
    float ex[3], ey[3], reach[3];
    for (int k = 0; k < 3; ++k) {
        ex[k] = p[(k + 1) % 3][0] - p[k][0];
        ey[k] = p[(k + 1) % 3][1] - p[k][1];
        reach[k] = margin * std::sqrt(ex[k] * ex[k] + ey[k] * ey[k]);
    }
    for (float y = y0; y <= y1; y += 1.0f)
        for (float x = x0; x <= x1; x += 1.0f) {
            bool left = true, right = true;
            for (int k = 0; k < 3; ++k) {
                float const side = ex[k] * (y + 0.5f - p[k][1]) - ey[k] * (x + 0.5f - p[k][0]);
                left = left && side >= -reach[k];
                right = right && side <= reach[k];
            }
            if (left || right)
                return true;
        }
    return false;
}

}  // namespace

// A million-facet mesh in a view has mostly triangles smaller than a pixel, and the software renderer sets up
// each one on the drawing thread. A triangle wholly inside the view volume whose screen box holds no pixel
// centre draws nothing: leaving those out keeps every pixel the same. The margin covers the renderer's
// rounding of the window coordinates to its sub-pixel grid.
bool DzMeshDrawer::Impl::cullSmall(Entry& e, DzFacetMesh const& mesh, GLsizei counts[2]) {
    GLfloat mv[16], pr[16];
    GLint vp[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    // Multisampling covers other points than the centres: then every triangle is drawn.
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    bool const centres = sampleBuffers == 0;
    float m[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += pr[k * 4 + r] * mv[c * 4 + k];
            m[c * 4 + r] = sum;
        }
    if (e.culledValid && e.culledCentres == centres && std::memcmp(e.culledMatrix, m, sizeof m) == 0 &&
        std::memcmp(e.culledViewport, vp, sizeof vp) == 0) {
        counts[0] = e.culledCounts[0];
        counts[1] = e.culledCounts[1];
        return false;
    }
    float const halfW = 0.5f * float(vp[2]), halfH = 0.5f * float(vp[3]);
    float const x0 = float(vp[0]) + halfW, y0 = float(vp[1]) + halfH;
    size_t const nv = size_t(mesh.getNumVertices());
    float const(*v)[3] = mesh.getVerticesPtr();
    e.window.resize(nv * 2);
    float* window = e.window.data();
    e.inside.resize(nv);
    unsigned char* insideFlags = e.inside.data();
    dzParallelFor(nv, kGrain, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            float const x = v[i][0], y = v[i][1], z = v[i][2];
            float const cx = m[0] * x + m[4] * y + m[8] * z + m[12];
            float const cy = m[1] * x + m[5] * y + m[9] * z + m[13];
            float const cz = m[2] * x + m[6] * y + m[10] * z + m[14];
            float const cw = m[3] * x + m[7] * y + m[11] * z + m[15];
            // Outside the view volume (or not a number) the renderer clips: such a vertex keeps its
            // triangles.
            bool const inside =
                centres && cw > 0.0f && std::fabs(cx) <= cw && std::fabs(cy) <= cw && std::fabs(cz) <= cw;
            insideFlags[i] = inside;
            window[i * 2] = inside ? x0 + cx / cw * halfW : 0.0f;
            window[i * 2 + 1] = inside ? y0 + cy / cw * halfH : 0.0f;
        }
    });
    GLuint const* all = e.triangleIndices.data();
    size_t const ranges[3] = {0, size_t(e.plainTriangles), size_t(e.plainTriangles + e.selectedTriangles)};
    size_t const total = ranges[2];
    size_t const chunk = 16384;
    // A chunk never spans the two ranges: each range starts its own chunks.
    std::vector<size_t> starts;
    for (int r = 0; r < 2; ++r)
        for (size_t t = ranges[r]; t < ranges[r + 1]; t += chunk) starts.push_back(t);
    starts.push_back(total);
    e.kept.resize(std::max(e.kept.size(), starts.size()));
    e.keptNumbers.resize(starts.size() - 1);
    dzParallelFor(starts.size() - 1, 1, [&](size_t begin, size_t end) {
        float const margin = 1.0f / 32.0f;
        for (size_t c = begin; c < end; ++c) {
            std::vector<GLuint>& out = e.kept[c];
            std::vector<unsigned>& numbers = e.keptNumbers[c];
            out.clear();
            numbers.clear();
            size_t const last = std::min(starts[c + 1], starts[c] + chunk);
            for (size_t t = starts[c]; t < last; ++t) {
                GLuint const* tri = all + t * 3;
                float const* a = window + size_t(tri[0]) * 2;
                float const* b = window + size_t(tri[1]) * 2;
                float const* d = window + size_t(tri[2]) * 2;
                float const minX = std::min({a[0], b[0], d[0]}), maxX = std::max({a[0], b[0], d[0]});
                float const minY = std::min({a[1], b[1], d[1]}), maxY = std::max({a[1], b[1], d[1]});
                if (!(insideFlags[tri[0]] && insideFlags[tri[1]] && insideFlags[tri[2]])) {
                    out.insert(out.end(), tri, tri + 3);
                    numbers.push_back(unsigned(t));
                    continue;
                }
                float const cx0 = std::ceil(minX - 0.5f - margin), cx1 = std::floor(maxX - 0.5f + margin);
                float const cy0 = std::ceil(minY - 0.5f - margin), cy1 = std::floor(maxY - 0.5f + margin);
                if (cx0 > cx1 || cy0 > cy1)
                    continue;
                if ((cx1 - cx0 + 1.0f) * (cy1 - cy0 + 1.0f) <= 4.0f &&
                    !coversCentre(a, b, d, cx0, cx1, cy0, cy1, margin))
                    continue;
                out.insert(out.end(), tri, tri + 3);
                numbers.push_back(unsigned(t));
            }
        }
    });
    std::vector<GLuint>& joined = e.scratchIndices;
    joined.clear();
    counts[0] = counts[1] = 0;
    for (size_t c = 0; c + 1 < starts.size(); ++c) {
        joined.insert(joined.end(), e.kept[c].begin(), e.kept[c].end());
        counts[starts[c] < ranges[1] ? 0 : 1] += GLsizei(e.kept[c].size() / 3);
    }
    setBuffer(GL_ELEMENT_ARRAY_BUFFER, e.visible, joined.data(), GLsizeiptr(joined.size() * sizeof(GLuint)),
              e.visibleBytes);
    std::memcpy(e.culledMatrix, m, sizeof m);
    std::memcpy(e.culledViewport, vp, sizeof vp);
    e.culledCentres = centres;
    e.culledCounts[0] = counts[0];
    e.culledCounts[1] = counts[1];
    e.culledValid = true;
    return true;
}

QOpenGLShaderProgram* DzMeshDrawer::Impl::flat() {
    if (!flatProgramTried) {
        flatProgramTried = true;
        flatProgram =
            buildProgram(kFlatVertexShader, kFlatFragmentShader, "Flat shading falls back to smooth normals");
    }
    return flatProgram.get();
}

QOpenGLShaderProgram* DzMeshDrawer::Impl::smooth() {
    if (!smoothProgramTried) {
        smoothProgramTried = true;
        smoothProgram = buildProgram(kSmoothVertexShader, kSmoothFragmentShader,
                                     "Smooth shading falls back to the fixed pipeline");
    }
    return smoothProgram.get();
}

void DzMeshDrawer::drawFacets(DzObject* object, DzFacetMesh const& mesh, bool flat, float const plain[3],
                              float const selected[3], bool showSelection) {
    Entry& e = entryFor(object, mesh);
    QOpenGLExtraFunctions* f = Impl::gl();
    m_pImpl->syncTriangles(e, mesh);
    if (e.plainTriangles + e.selectedTriangles == 0)
        return;
    m_pImpl->syncPositions(e, mesh);
    QOpenGLShaderProgram* const flatProgram = flat ? m_pImpl->flat() : nullptr;
    if (flatProgram)
        m_pImpl->syncFlatNormals(e, mesh);
    else
        m_pImpl->syncNormals(e, mesh);
    // Without the flat program, flat shading is the fixed pipeline's, which takes the shade model.
    QOpenGLShaderProgram* const program = flatProgram ? flatProgram : flat ? nullptr : m_pImpl->smooth();

    glEnableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ARRAY_BUFFER, e.positions);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    if (!flatProgram) {
        glEnableClientState(GL_NORMAL_ARRAY);
        f->glBindBuffer(GL_ARRAY_BUFFER, e.normals);
        glNormalPointer(GL_FLOAT, 0, nullptr);
    }
    GLsizei counts[2] = {e.plainTriangles, e.selectedTriangles};
    if (m_pImpl->cullSmall(e, mesh, counts))
        e.flatUploaded = false;
    GLsizei const firsts[2] = {0, counts[0]};
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, e.visible);
    if (flatProgram && !e.flatUploaded) {
        m_pImpl->uploadFlatNormals(e);
        e.flatUploaded = true;
    }
    if (program)
        program->bind();
    if (flatProgram) {
        f->glActiveTexture(GL_TEXTURE0);
        f->glBindTexture(GL_TEXTURE_BUFFER, e.flatTexture);
        flatProgram->setUniformValue("normals", 0);
    }
    auto range = [&](GLsizei first, GLsizei count, float const colour[3]) {
        if (count == 0)
            return;
        glColor3fv(colour);
        if (flatProgram)
            flatProgram->setUniformValue("first", int(first));
        else if (program)
            program->setUniformValue("colour", colour[0], colour[1], colour[2]);
        glDrawElements(GL_TRIANGLES, count * 3, GL_UNSIGNED_INT,
                       reinterpret_cast<void const*>(size_t(first) * 3 * sizeof(GLuint)));
    };
    range(firsts[0], counts[0], plain);
    range(firsts[1], counts[1], showSelection ? selected : plain);
    if (flatProgram)
        f->glBindTexture(GL_TEXTURE_BUFFER, 0);
    if (program)
        program->release();
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void DzMeshDrawer::drawEdges(DzObject* object, DzFacetMesh const& mesh) {
    Entry& e = entryFor(object, mesh);
    QOpenGLExtraFunctions* f = Impl::gl();
    m_pImpl->syncEdges(e, mesh);
    if (e.edgeIndices == 0)
        return;
    m_pImpl->syncPositions(e, mesh);
    glEnableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ARRAY_BUFFER, e.positions);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, e.edges);
    glDrawElements(GL_LINES, e.edgeIndices, GL_UNSIGNED_INT, nullptr);
    glDisableClientState(GL_VERTEX_ARRAY);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    f->glBindBuffer(GL_ARRAY_BUFFER, 0);
}
