#pragma once

#include <cmath>
#include <vector>

#include "dzline3.h"
#include "dzvec3.h"

class DzFacetMesh;
class DzNode;
class DzQuat;
struct DzFacet;

// Whether every component is a finite number (neither NaN nor infinite): the one test of the framework and
// the plug-in before a computed point, vector or vertex is used or stored.
inline bool HvIsFinite(float x, float y, float z) {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}
inline bool HvIsFinite(float const v[3]) {
    return HvIsFinite(v[0], v[1], v[2]);
}
inline bool HvIsFinite(DzVec3 const& v) {
    return HvIsFinite(v.m_x, v.m_y, v.m_z);
}

// The vector types below are read and written in place of the host's DzVec3 (and of float[3] vertex
// records); without this the optimiser could assume the two types never share storage.
#if defined(__GNUC__) || defined(__clang__)
#define HV_MAY_ALIAS __attribute__((__may_alias__))
#else
#define HV_MAY_ALIAS
#endif

// Three floats, laid out as the host's DzVec3, so either can be viewed as the other without a copy.
struct HV_MAY_ALIAS HvVec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    HvVec3() = default;
    HvVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    HvVec3(DzVec3 const& v) : x(v.m_x), y(v.m_y), z(v.m_z) {}  // implicit: a value conversion
    explicit HvVec3(float const v[3]) : x(v[0]), y(v[1]), z(v[2]) {}

    // Views of the same three floats.
    DzVec3& dz() { return *reinterpret_cast<DzVec3*>(this); }
    DzVec3 const& dz() const { return *reinterpret_cast<DzVec3 const*>(this); }
    operator DzVec3 const&() const { return dz(); }  // implicit: host calls take our vectors as they are
    static HvVec3& From(DzVec3& v) { return *reinterpret_cast<HvVec3*>(&v); }
    static HvVec3 const& From(DzVec3 const& v) { return *reinterpret_cast<HvVec3 const*>(&v); }
    float* data() { return &x; }
    float const* data() const { return &x; }

    HvVec3 operator+(HvVec3 const& o) const { return {x + o.x, y + o.y, z + o.z}; }
    HvVec3 operator-(HvVec3 const& o) const { return {x - o.x, y - o.y, z - o.z}; }
    HvVec3 operator-() const { return {-x, -y, -z}; }
    HvVec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    bool operator==(HvVec3 const& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(HvVec3 const& o) const { return !(*this == o); }
    float dot(HvVec3 const& o) const { return dz().dot(o.dz()); }
    HvVec3 cross(HvVec3 const& o) const { return dz().cross(o.dz()); }

    // (a - b) cross (a - c), not normalised.
    static HvVec3 ComputeNormalForPolygon(HvVec3 const& a, HvVec3 const& b, HvVec3 const& c);
};

inline HvVec3 operator*(float s, HvVec3 const& v) {
    return v * s;
}

// A point: the same three floats.
struct HV_MAY_ALIAS HvPoint3 : HvVec3 {
    HvPoint3() = default;
    HvPoint3(float x_, float y_, float z_) : HvVec3(x_, y_, z_) {}
    HvPoint3(HvVec3 const& v) : HvVec3(v) {}  // implicit: a value conversion
    HvPoint3(DzVec3 const& v) : HvVec3(v) {}  // implicit: a value conversion
    explicit HvPoint3(float const v[3]) : HvVec3(v) {}

    static HvPoint3& From(DzVec3& v) { return *reinterpret_cast<HvPoint3*>(&v); }
    static HvPoint3 const& From(DzVec3 const& v) { return *reinterpret_cast<HvPoint3 const*>(&v); }

    static float ComputeDistance(HvPoint3 const& a, HvPoint3 const& b);
    static float ComputeDistance(float const a[3], float const b[3]);
    float computeDistance(HvPoint3 const& other) const { return ComputeDistance(*this, other); }
    float computeDistance(float const other[3]) const { return ComputeDistance(data(), other); }

    // Index of the facet's edge (the facet's own edge index) whose line passes nearest; -1 when the mesh is
    // null or the facet is not in it. Ties keep the earlier edge.
    int findClosestEdge(DzFacetMesh const* mesh, int facet) const;
    // Index of the facet's corner vertex nearest to this point; -1 as above. Ties keep the earlier corner.
    int findClosestVertex(DzFacetMesh const* mesh, int facet) const;

    // One glVertex3f; the caller brackets it with glBegin/glEnd.
    void draw() const;
    // One line segment in its own glBegin(GL_LINES)/glEnd.
    void drawLineTo(HvPoint3 const& other) const;

    // Signed angle in radians at this point from B to A, positive counter-clockwise about n, in (-pi, pi].
    float getAngleBetween(HvVec3 const& n, HvPoint3 const& a, HvPoint3 const& b) const;
};

struct HvTriangle3;

// A line through two points; the point at parameter t is start + t * (end - start).
struct HvLine3 {
    // Single-precision machine epsilon: the in-plane and behind-the-start limits of the ray tests.
    static constexpr float kEpsilon = 1.1920929e-7f;

    HvPoint3 start;
    HvPoint3 end;

    HvLine3() = default;
    HvLine3(HvPoint3 const& s, HvPoint3 const& e) : start(s), end(e) {}

    DzLine3 toDzLine3() const { return DzLine3(start, end); }
    operator DzLine3() const { return toDzLine3(); }  // implicit: the host line through the same two points

    HvPoint3 intersectionPoint(float t) const;

    // Triangles are hit from either side; t is written only on a hit.
    bool intersectsTriangle(float const a[3], float const b[3], float const c[3], float& t) const;
    bool intersectsTriangle(HvTriangle3 const& triangle, float& t) const;
    // Triangle (a, b, c), and for a quad also (a, c, d). A corner outside the mesh's vertices is no hit.
    bool intersectsFacet(DzFacetMesh const* mesh, DzFacet const& facet, float& t) const;
    // The nearest facet of the mesh that the line hits beyond its start, searched in parallel on the thread
    // pool; false, and nothing written, without a hit.
    bool findNearestFacet(DzFacetMesh const* mesh, float& t, int& facet) const;
};

struct HvTriangle3 {
    HvPoint3 a;
    HvPoint3 b;
    HvPoint3 c;

    HvTriangle3() = default;
    HvTriangle3(HvPoint3 const& a_, HvPoint3 const& b_, HvPoint3 const& c_) : a(a_), b(b_), c(c_) {}

    // glBegin(GL_POLYGON), the three corners, glEnd.
    void draw() const;
};

// The drawing palette of the selection and the gizmo.
enum class HvColor : int {
    SelectionYellow = 0,  // yellow, alpha 0.4
    Red = 1,
    Green = 2,
    Blue = 3,
    Yellow = 4,
    WhiteA60 = 5,
    WhiteA30 = 6,
    RedA30 = 7,
    MagentaA30 = 8,
    CyanA30 = 9,
};

// Holds a host facet mesh (not owned, may be null) to draw from.
class HvMeshBase {
public:
    explicit HvMeshBase(DzFacetMesh* mesh = nullptr) : m_pMesh(mesh) {}

    DzFacetMesh* getMesh() const { return m_pMesh; }

    // Sets the current OpenGL colour; a value outside the palette leaves it unchanged.
    static void SetColor(HvColor color);
    int drawFacet(int facet) const;
    // One GL_POLYGON of the facet's corners that lie inside the vertex array; returns how many were drawn.
    static int DrawFacet(DzFacetMesh const& mesh, int facet);

protected:
    DzFacetMesh* m_pMesh;
};

// The geometry the host displays for the node, as a facet mesh (not owned); null when there is none.
class HvCachedGeometry : public HvMeshBase {
public:
    explicit HvCachedGeometry(DzNode& node) : HvMeshBase(GetCachedGeometry(node)) {}

    static DzFacetMesh* GetCachedGeometry(DzNode& node);
};

// A circle or arc drawn as a polyline and hit-tested where it was last drawn.
class Hv3dCircle {
public:
    // Degrees to radians: one unit in the last place below the float nearest pi/180 (bits 0x3C8EFA34).
    static constexpr float kDegToRad = 0.01745329f;

    Hv3dCircle() = default;

    // Unit points from the smaller angle to the larger one (degrees) in steps of 360 / segments, turned by q;
    // the end is included when the range is a whole number of steps. Forgets the last draw.
    void init(unsigned segments, DzQuat const& q, float angle1, float angle2);
    // A line strip through the unit points scaled to radius and moved to centre.
    void draw(HvPoint3 const& centre, float radius);
    static HvPoint3 GetPointAt(DzQuat const& q, float angle, HvPoint3 const& centre, float radius);
    // Whether the ray passes within tolerance of the polyline as last drawn; the first segment hit wins.
    bool intersectsRay(DzLine3 const& ray, HvPoint3* hit, float tolerance) const;

    std::vector<HvPoint3> const& getUnitPoints() const { return m_unitPoints; }
    std::vector<HvPoint3> const& getDrawnPoints() const { return m_drawnPoints; }
    HvPoint3 const& getLastCentre() const { return m_lastCentre; }
    float getLastRadius() const { return m_lastRadius; }

private:
    std::vector<HvPoint3> m_unitPoints;
    HvPoint3 m_lastCentre{3.4028235e38f, 3.4028235e38f, 3.4028235e38f};
    float m_lastRadius = -1.0f;
    std::vector<HvPoint3> m_drawnPoints;
};
