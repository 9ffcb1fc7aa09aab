#include "hv_geometry.h"

#include <qopengl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <mutex>
#include <type_traits>

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzquat.h"
#include "hv_threadpool.h"

static_assert(sizeof(HvVec3) == sizeof(DzVec3) && sizeof(HvVec3) == 3 * sizeof(float), "HvVec3 layout");
static_assert(sizeof(HvPoint3) == sizeof(DzVec3), "HvPoint3 layout");
static_assert(std::is_standard_layout<HvVec3>::value && std::is_standard_layout<HvPoint3>::value &&
                  std::is_standard_layout<DzVec3>::value,
              "vector types must be standard layout");
static_assert(offsetof(HvVec3, x) == offsetof(DzVec3, m_x) && offsetof(HvVec3, y) == offsetof(DzVec3, m_y) &&
                  offsetof(HvVec3, z) == offsetof(DzVec3, m_z),
              "HvVec3 and DzVec3 must share their layout");

// ---- HvVec3 ----

HvVec3 HvVec3::ComputeNormalForPolygon(HvVec3 const& a, HvVec3 const& b, HvVec3 const& c) {
    return (a - b).cross(a - c);
}

// ---- HvPoint3 ----

float HvPoint3::ComputeDistance(HvPoint3 const& a, HvPoint3 const& b) {
    return ComputeDistance(a.data(), b.data());
}

float HvPoint3::ComputeDistance(float const a[3], float const b[3]) {
    float const dx = a[0] - b[0];
    float const dy = a[1] - b[1];
    float const dz = a[2] - b[2];
    return std::hypot(std::hypot(dx, dy), dz);
}

namespace {

bool facetInMesh(DzFacetMesh const* mesh, int facet) {
    return mesh && facet >= 0 && facet < mesh->getNumFacets();
}

}  // namespace

int HvPoint3::findClosestEdge(DzFacetMesh const* mesh, int facet) const {
    if (!facetInMesh(mesh, facet))
        return -1;
    DzFacet const& f = mesh->getFacet(facet);
    int const numEdges = mesh->getNumEdges();
    int const numVertices = mesh->getNumVertices();
    auto const vertices = mesh->getVerticesPtr();
    int best = -1;
    float bestDistance = 0.0f;
    for (int k = 0, n = f.getNumCorners(); k < n; ++k) {
        int const e = f.m_edges[k];
        if (e < 0 || e >= numEdges)
            continue;
        DzEdge const& edge = mesh->getEdge(e);
        int const v0 = edge.m_vertIdx[0];
        int const v1 = edge.m_vertIdx[1];
        if (v0 < 0 || v0 >= numVertices || v1 < 0 || v1 >= numVertices)
            continue;
        float const d = DzLine3(DzVec3(vertices[v0]), DzVec3(vertices[v1])).minDistance(*this, false);
        if (best < 0 || d < bestDistance) {
            best = e;
            bestDistance = d;
        }
    }
    return best;
}

int HvPoint3::findClosestVertex(DzFacetMesh const* mesh, int facet) const {
    if (!facetInMesh(mesh, facet))
        return -1;
    DzFacet const& f = mesh->getFacet(facet);
    int const numVertices = mesh->getNumVertices();
    auto const vertices = mesh->getVerticesPtr();
    int best = -1;
    float bestDistance = 0.0f;
    for (int k = 0, n = f.getNumCorners(); k < n; ++k) {
        int const v = f.m_vertIdx[k];
        if (v < 0 || v >= numVertices)
            continue;
        float const d = computeDistance(vertices[v]);
        if (best < 0 || d < bestDistance) {
            best = v;
            bestDistance = d;
        }
    }
    return best;
}

void HvPoint3::draw() const {
    glVertex3f(x, y, z);
}

void HvPoint3::drawLineTo(HvPoint3 const& other) const {
    glBegin(GL_LINES);
    draw();
    other.draw();
    glEnd();
}

float HvPoint3::getAngleBetween(HvVec3 const& n, HvPoint3 const& a, HvPoint3 const& b) const {
    DzVec3 const va = a.dz() - dz();
    DzVec3 const vb = b.dz() - dz();
    float const sy = vb.cross(va).dot(n.dz().normalized());
    float const sx = va.dot(vb);
    return std::atan2(sy, sx);
}

// ---- HvLine3 ----

HvPoint3 HvLine3::intersectionPoint(float t) const {
    return start + (end - start) * t;
}

bool HvLine3::intersectsTriangle(float const a[3], float const b[3], float const c[3], float& t) const {
    DzVec3 const pa(a);
    DzVec3 const d = end.dz() - start.dz();
    DzVec3 const e1 = DzVec3(b) - pa;
    DzVec3 const e2 = DzVec3(c) - pa;
    DzVec3 const h = d.cross(e2);
    float const det = e1.dot(h);
    if (det > -kEpsilon && det < kEpsilon)
        return false;  // the ray runs in the triangle's plane
    float const f = 1.0f / det;
    DzVec3 const s = start.dz() - pa;
    float const u = f * s.dot(h);
    if (u < 0.0f || u > 1.0f)
        return false;
    DzVec3 const q = s.cross(e1);
    float const v = f * d.dot(q);
    if (v < 0.0f || u + v > 1.0f)
        return false;
    float const hit = f * e2.dot(q);
    if (!(hit > kEpsilon))
        return false;  // at or behind the start
    t = hit;
    return true;
}

bool HvLine3::intersectsTriangle(HvTriangle3 const& triangle, float& t) const {
    return intersectsTriangle(triangle.a.data(), triangle.b.data(), triangle.c.data(), t);
}

bool HvLine3::intersectsFacet(DzFacetMesh const* mesh, DzFacet const& facet, float& t) const {
    if (!mesh)
        return false;
    int const numVertices = mesh->getNumVertices();
    auto inMesh = [numVertices](int v) { return v >= 0 && v < numVertices; };
    auto const vertices = mesh->getVerticesPtr();
    int const a = facet.m_vertIdx[0];
    int const b = facet.m_vertIdx[1];
    int const c = facet.m_vertIdx[2];
    int const d = facet.m_vertIdx[3];
    if (!inMesh(a) || !inMesh(c))
        return false;
    if (inMesh(b) && intersectsTriangle(vertices[a], vertices[b], vertices[c], t))
        return true;
    if (d < 0 || !inMesh(d))
        return false;
    return intersectsTriangle(vertices[a], vertices[c], vertices[d], t);
}

bool HvLine3::findNearestFacet(DzFacetMesh const* mesh, float& t, int& facet) const {
    if (!mesh)
        return false;
    struct Hit {
        float t = 0.0f;
        int facet = -1;
    } shared;
    std::mutex mutex;
    DzFacet const* facets = mesh->getFacetsPtr();
    HvThreadPool::Get()->parallelFor(
        size_t(mesh->getNumFacets()),
        [&](size_t begin, size_t end) {
            // Each chunk keeps its own nearest; only that one is compared under the lock.
            Hit own;
            for (size_t i = begin; i < end; ++i) {
                float ti = 0.0f;
                if (intersectsFacet(mesh, facets[i], ti) && (own.facet < 0 || ti < own.t)) {
                    own.t = ti;
                    own.facet = int(i);
                }
            }
            if (own.facet < 0)
                return;
            std::lock_guard<std::mutex> lock(mutex);
            if (shared.facet < 0 || shared.t > own.t)
                shared = own;
        },
        true);
    if (shared.facet < 0)
        return false;
    t = shared.t;
    facet = shared.facet;
    return true;
}

// ---- HvTriangle3 ----

void HvTriangle3::draw() const {
    glBegin(GL_POLYGON);
    a.draw();
    b.draw();
    c.draw();
    glEnd();
}

// ---- HvMeshBase ----

// The opaque entries give their alpha of 1 explicitly: what glColor3f means, but some drivers (Mesa 22) keep
// the alpha of an earlier glColor4f when glColor3f follows it without drawing in between.
void HvMeshBase::SetColor(HvColor color) {
    switch (color) {
        case HvColor::SelectionYellow:
            glColor4f(1.0f, 1.0f, 0.0f, 0.4f);
            break;
        case HvColor::Red:
            glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
            break;
        case HvColor::Green:
            glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
            break;
        case HvColor::Blue:
            glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
            break;
        case HvColor::Yellow:
            glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
            break;
        case HvColor::WhiteA60:
            glColor4f(1.0f, 1.0f, 1.0f, 0.6f);
            break;
        case HvColor::WhiteA30:
            glColor4f(1.0f, 1.0f, 1.0f, 0.3f);
            break;
        case HvColor::RedA30:
            glColor4f(1.0f, 0.0f, 0.0f, 0.3f);
            break;
        case HvColor::MagentaA30:
            glColor4f(1.0f, 0.0f, 1.0f, 0.3f);
            break;
        case HvColor::CyanA30:
            glColor4f(0.0f, 1.0f, 1.0f, 0.3f);
            break;
    }
}

int HvMeshBase::drawFacet(int facet) const {
    return m_pMesh ? DrawFacet(*m_pMesh, facet) : 0;
}

int HvMeshBase::DrawFacet(DzFacetMesh const& mesh, int facet) {
    if (facet < 0 || facet >= mesh.getNumFacets())
        return 0;
    DzFacet const& f = mesh.getFacet(facet);
    int const numVertices = mesh.getNumVertices();
    auto const vertices = mesh.getVerticesPtr();
    int drawn = 0;
    glBegin(GL_POLYGON);
    for (int v : f.m_vertIdx) {
        if (v < 0 || v >= numVertices)
            continue;
        glVertex3f(vertices[v][0], vertices[v][1], vertices[v][2]);
        ++drawn;
    }
    glEnd();
    return drawn;
}

// ---- HvCachedGeometry ----

DzFacetMesh* HvCachedGeometry::GetCachedGeometry(DzNode& node) {
    DzObject* object = node.getObject();
    if (!object)
        return nullptr;
    return qobject_cast<DzFacetMesh*>(object->getCachedGeom());
}

// ---- Hv3dCircle ----

namespace {

DzVec3 unitPointAt(DzQuat const& q, float degrees) {
    float const r = degrees * Hv3dCircle::kDegToRad;
    return q.multVec(DzVec3(std::cos(r), std::sin(r), 0.0f));
}

}  // namespace

void Hv3dCircle::init(unsigned segments, DzQuat const& q, float angle1, float angle2) {
    m_unitPoints.clear();
    m_drawnPoints.clear();
    m_lastRadius = -1.0f;
    float const from = std::min(angle1, angle2);
    float const last = std::max(angle1, angle2);
    if (segments == 0 || !std::isfinite(from) || !std::isfinite(last))
        return;  // no step to walk with, or no end to reach
    float const to = last + HvLine3::kEpsilon;
    float const step = 360.0f / float(segments);
    float a = from;
    for (; a <= to; a += step) {
        m_unitPoints.push_back(unitPointAt(q, a));
        if (a + step == a)
            return;  // the step is lost at this magnitude: no further angle is reachable
    }
    // The summed steps round away from the end: at 360 the epsilon above is below one unit in the last place,
    // so a whole number of steps can overshoot by a few units and leave the circle open. Close it at the end
    // angle when the overshoot is no more than the summing can have added.
    if (m_unitPoints.empty())
        return;
    float const magnitude = std::max(std::fabs(from), std::fabs(to));
    float const rounding = float(m_unitPoints.size()) * magnitude * HvLine3::kEpsilon;
    if (a - to <= std::min(rounding, 0.5f * step))
        m_unitPoints.push_back(unitPointAt(q, last));
}

void Hv3dCircle::draw(HvPoint3 const& centre, float radius) {
    if (centre != m_lastCentre || radius != m_lastRadius) {
        m_drawnPoints.resize(m_unitPoints.size());
        for (size_t i = 0; i < m_unitPoints.size(); ++i) {
            DzVec3 p = m_unitPoints[i];
            p.setLength(radius);
            m_drawnPoints[i] = p + centre.dz();
        }
        m_lastCentre = centre;
        m_lastRadius = radius;
    }
    glBegin(GL_LINE_STRIP);
    for (HvPoint3 const& p : m_drawnPoints) p.draw();
    glEnd();
}

HvPoint3 Hv3dCircle::GetPointAt(DzQuat const& q, float angle, HvPoint3 const& centre, float radius) {
    DzVec3 p = unitPointAt(q, angle);
    p.setLength(radius);
    return p + centre.dz();
}

bool Hv3dCircle::intersectsRay(DzLine3 const& ray, HvPoint3* hit, float tolerance) const {
    if (m_drawnPoints.size() < 2)
        return false;
    for (size_t i = 0; i + 1 < m_drawnPoints.size(); ++i) {
        DzLine3 const segment(m_drawnPoints[i], m_drawnPoints[i + 1]);
        float tRay = 0.0f;
        float tSegment = 0.0f;
        float const distance = ray.minDistance(segment, tRay, tSegment);
        if (distance < tolerance && tSegment > -tolerance && segment.length(1.0f) + tolerance > tSegment) {
            if (hit)
                *hit = segment.getPoint(tSegment);
            return true;
        }
    }
    return false;
}
