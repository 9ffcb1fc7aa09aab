#include <gtest/gtest.h>

#include <qopengl.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <utility>

#include "dzexpect.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzglcontext.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzquat.h"
#include "hv_geometry.h"

namespace {

uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

using dztest::expectNear;

// A mesh of the given points (z = 0) without facets yet.
std::unique_ptr<DzFacetMesh> pointsMesh(std::initializer_list<DzVec3> points) {
    auto mesh = std::make_unique<DzFacetMesh>();
    for (DzVec3 const& p : points) mesh->addVertex(p);
    return mesh;
}

// Straight down the z axis through (x, y), crossing z = 0 at parameter 0.5.
HvLine3 downAt(float x, float y) {
    return HvLine3({x, y, 1.0f}, {x, y, -1.0f});
}

float const kPi = 3.14159265358979f;

}  // namespace

void PrintTo(HvVec3 const& v, std::ostream* os) {
    *os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

// ---- value types ----

TEST(HvGeometry, VectorsShareTheHostLayoutBothWays) {
    DzVec3 host(1, 2, 3);
    HvVec3& view = HvVec3::From(host);
    view.y = 20.0f;
    EXPECT_EQ(host.m_y, 20.0f);
    host.m_z = 30.0f;
    EXPECT_EQ(view.z, 30.0f);
    EXPECT_EQ(static_cast<void*>(&view), static_cast<void*>(&host));

    HvPoint3 p(4, 5, 6);
    DzVec3 const& asHost = p;  // no copy
    EXPECT_EQ(static_cast<void const*>(&asHost), static_cast<void const*>(&p));
    p.dz().m_x = 40.0f;
    EXPECT_EQ(p.x, 40.0f);

    float vertex[3] = {7, 8, 9};
    EXPECT_EQ(HvPoint3(vertex), HvPoint3(7, 8, 9));
    EXPECT_EQ(HvVec3(DzVec3(1, 2, 3)), HvVec3(1, 2, 3));
}

TEST(HvGeometry, ConstantsHaveTheirBitPatterns) {
    EXPECT_EQ(bitsOf(HvLine3::kEpsilon), 0x34000000u);
    EXPECT_EQ(HvLine3::kEpsilon, FLT_EPSILON);
    EXPECT_EQ(bitsOf(Hv3dCircle::kDegToRad), 0x3C8EFA34u);
    Hv3dCircle circle;
    EXPECT_TRUE(circle.getUnitPoints().empty());
    EXPECT_TRUE(circle.getDrawnPoints().empty());
    EXPECT_EQ(bitsOf(circle.getLastCentre().x), 0x7F7FFFFFu);
    EXPECT_EQ(circle.getLastCentre(), HvPoint3(FLT_MAX, FLT_MAX, FLT_MAX));
    EXPECT_EQ(circle.getLastRadius(), -1.0f);
}

TEST(HvGeometry, DistanceIsNestedHypotInBothForms) {
    HvPoint3 a(1, 2, 3), b(4, 6, 15);
    EXPECT_EQ(HvPoint3::ComputeDistance(a, b), 13.0f);
    EXPECT_EQ(a.computeDistance(b), 13.0f);
    float fb[3] = {4, 6, 15};
    EXPECT_EQ(HvPoint3::ComputeDistance(a.data(), fb), 13.0f);
    EXPECT_EQ(a.computeDistance(fb), 13.0f);
    EXPECT_EQ(HvPoint3::ComputeDistance(a, a), 0.0f);
    // Squares of these overflow single precision; hypot does not.
    HvPoint3 far(3e30f, 4e30f, 0.0f);
    EXPECT_FLOAT_EQ(HvPoint3::ComputeDistance(far, HvPoint3()), 5e30f);
}

TEST(HvGeometry, PolygonNormalIsUnnormalisedAMinusBCrossAMinusC) {
    HvVec3 n = HvVec3::ComputeNormalForPolygon({0, 0, 0}, {2, 0, 0}, {0, 3, 0});
    EXPECT_EQ(n, HvVec3(0, 0, 6));
    // Reversed winding flips it.
    EXPECT_EQ(HvVec3::ComputeNormalForPolygon({0, 0, 0}, {0, 3, 0}, {2, 0, 0}), HvVec3(0, 0, -6));
}

TEST(HvGeometry, SignedAngleFollowsTheRightHandRuleAboutTheNormal) {
    struct Case {
        HvVec3 n;
        HvPoint3 a, b;
        float want;
    } const cases[] = {
        {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, kPi / 2},    // B to A counter-clockwise about +z
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, -kPi / 2},   // clockwise
        {{0, 0, 7}, {0, 1, 0}, {1, 0, 0}, kPi / 2},    // the normal's length does not count
        {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}, -kPi / 2},  // about the opposite normal
        {{0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, kPi},       // a half turn is +pi
        {{0, 0, 1}, {1, 1, 0}, {1, 0, 0}, kPi / 4},    // an eighth of a turn
        {{0, 0, 1}, {2, 0, 0}, {1, 0, 0}, 0.0f},       // the same direction
    };
    HvPoint3 const offset(10, -3, 5);  // the angle is taken at the point, not at the origin
    for (Case const& c : cases) {
        HvPoint3 at(offset);
        float got = at.getAngleBetween(c.n, c.a + offset, c.b + offset);
        EXPECT_NEAR(got, c.want, 1e-6f) << "A " << c.a.x << "," << c.a.y << " B " << c.b.x << "," << c.b.y;
    }
}

TEST(HvGeometry, LineParameterAndHostLine) {
    HvLine3 line({1, 2, 3}, {3, 6, 11});
    EXPECT_EQ(line.intersectionPoint(0.0f), HvPoint3(1, 2, 3));
    EXPECT_EQ(line.intersectionPoint(1.0f), HvPoint3(3, 6, 11));
    EXPECT_EQ(line.intersectionPoint(0.5f), HvPoint3(2, 4, 7));
    DzLine3 host = line;
    EXPECT_EQ(host.getStart(), DzVec3(1, 2, 3));
    EXPECT_EQ(host.getEnd(), DzVec3(3, 6, 11));
}

// ---- ray and triangle ----

TEST(HvGeometry, RayTriangleBoundaries) {
    float const a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    struct Case {
        char const* what;
        HvLine3 ray;
        bool hit;
        float t;
    } const cases[] = {
        {"inside", downAt(0.25f, 0.25f), true, 0.5f},
        {"from the back side", HvLine3({0.25f, 0.25f, -1}, {0.25f, 0.25f, 1}), true, 0.5f},
        {"corner a (u = v = 0)", downAt(0, 0), true, 0.5f},
        {"corner b (u = 1)", downAt(1, 0), true, 0.5f},
        {"corner c (u + v = 1)", downAt(0, 1), true, 0.5f},
        {"edge ab (v = 0)", downAt(0.5f, 0), true, 0.5f},
        {"edge ac (u = 0)", downAt(0, 0.5f), true, 0.5f},
        {"edge bc (u + v = 1)", downAt(0.5f, 0.5f), true, 0.5f},
        {"beside ac", downAt(-0.01f, 0.5f), false, 0},
        {"beside ab", downAt(0.5f, -0.01f), false, 0},
        {"beside bc", downAt(0.6f, 0.5f), false, 0},
        {"t is the line parameter, not a distance", HvLine3({0.25f, 0.25f, 4}, {0.25f, 0.25f, 2}), true,
         2.0f},
        {"in the plane", HvLine3({-1, 0.25f, 0}, {2, 0.25f, 0}), false, 0},
        // Crosses the triangle at (0.5, 0.25), but |det| = 1e-7 is below the epsilon.
        {"nearly in the plane", HvLine3({-1, 0.25f, 0.5e-7f}, {2, 0.25f, -0.5e-7f}), false, 0},
        {"shallow but above the epsilon", HvLine3({-1, 0.25f, 0.5e-6f}, {2, 0.25f, -0.5e-6f}), true, 0.5f},
        {"behind the start", HvLine3({0.25f, 0.25f, -1}, {0.25f, 0.25f, -2}), false, 0},
        {"starting on the triangle (t = 0)", HvLine3({0.25f, 0.25f, 0}, {0.25f, 0.25f, -1}), false, 0},
    };
    for (Case const& k : cases) {
        float t = 42.0f;
        EXPECT_EQ(k.ray.intersectsTriangle(a, b, c, t), k.hit) << k.what;
        if (k.hit) {
            EXPECT_NEAR(t, k.t, 1e-6f) << k.what;
        } else {
            EXPECT_EQ(t, 42.0f) << k.what << ": t must stay untouched on a miss";
        }
        // The triangle form passes its corners in order and agrees.
        float t2 = 42.0f;
        EXPECT_EQ(k.ray.intersectsTriangle(HvTriangle3(HvPoint3(a), HvPoint3(b), HvPoint3(c)), t2), k.hit)
            << k.what;
        EXPECT_EQ(t2, t) << k.what;
    }
    // A hit just past the epsilon in front of the start counts.
    float t = 42.0f;
    EXPECT_TRUE(HvLine3({0.25f, 0.25f, 1e-6f}, {0.25f, 0.25f, 1e-6f - 1.0f}).intersectsTriangle(a, b, c, t));
    EXPECT_NEAR(t, 1e-6f, 1e-9f);
    HvLine3 ray({0.25f, 0.25f, 3}, {0.25f, 0.25f, 1});
    ASSERT_TRUE(ray.intersectsTriangle(a, b, c, t));
    expectNear(ray.intersectionPoint(t), {0.25f, 0.25f, 0});
}

// ---- ray and facet ----

TEST(HvGeometry, RayFacetTestsTheQuadsSecondTriangleOnly) {
    // Facet (0, 1, 3, 2): first triangle (0,0) (1,0) (1,1), second (0,0) (1,1) (0,1).
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(1, 1));
    DzFacet const& quad = grid->getFacet(0);
    ASSERT_TRUE(quad.isQuad());
    float t = 42.0f;
    EXPECT_TRUE(downAt(0.75f, 0.25f).intersectsFacet(grid.get(), quad, t));
    EXPECT_FLOAT_EQ(t, 0.5f);
    t = 42.0f;
    EXPECT_TRUE(downAt(0.25f, 0.75f).intersectsFacet(grid.get(), quad, t)) << "second triangle (a, c, d)";
    EXPECT_FLOAT_EQ(t, 0.5f);
    t = 42.0f;
    EXPECT_FALSE(downAt(1.5f, 0.5f).intersectsFacet(grid.get(), quad, t));
    EXPECT_EQ(t, 42.0f);
    EXPECT_FALSE(downAt(0.5f, 0.5f).intersectsFacet(nullptr, quad, t));

    // The same four points with a triangle facet: the upper-left half is not part of it.
    auto mesh = pointsMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    mesh->addFacet(0, 1, 2);
    mesh->finalize();
    DzFacet const& tri = mesh->getFacet(0);
    ASSERT_FALSE(tri.isQuad());
    t = 42.0f;
    EXPECT_TRUE(downAt(0.75f, 0.25f).intersectsFacet(mesh.get(), tri, t));
    t = 42.0f;
    EXPECT_FALSE(downAt(0.25f, 0.75f).intersectsFacet(mesh.get(), tri, t));
    EXPECT_EQ(t, 42.0f);

    // A corner outside the vertex array only loses the triangle that uses it.
    DzFacet broken = quad;
    broken.m_vertIdx[3] = 99;
    EXPECT_TRUE(downAt(0.75f, 0.25f).intersectsFacet(grid.get(), broken, t));
    EXPECT_FALSE(downAt(0.25f, 0.75f).intersectsFacet(grid.get(), broken, t));
}

// ---- nearest corner and edge ----

TEST(HvGeometry, ClosestVertexTiesKeepTheEarlierCorner) {
    // Facet (0, 1, 3, 2) of the unit square.
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(1, 1));
    EXPECT_EQ(HvPoint3(0.9f, 0.8f, 0).findClosestVertex(grid.get(), 0), 3);
    EXPECT_EQ(HvPoint3(0.1f, 0.8f, 0).findClosestVertex(grid.get(), 0), 2);
    EXPECT_EQ(HvPoint3(0.5f, 0, 0).findClosestVertex(grid.get(), 0), 0);  // 0 and 1 tie
    // 3 and 2 tie: 3 comes first in the facet, though its index is higher.
    EXPECT_EQ(HvPoint3(0.5f, 1, 0).findClosestVertex(grid.get(), 0), 3);
    EXPECT_EQ(HvPoint3(0.5f, 0.5f, 0).findClosestVertex(grid.get(), 0), 0);  // all four tie

    // A triangle has three corners: the fourth vertex of the array is not one of them.
    auto mesh = pointsMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    mesh->addFacet(2, 1, 0);
    mesh->finalize();
    EXPECT_EQ(HvPoint3(0, 1, 0).findClosestVertex(mesh.get(), 0), 2);  // 2 and 0 tie, 2 first

    EXPECT_EQ(HvPoint3().findClosestVertex(nullptr, 0), -1);
    EXPECT_EQ(HvPoint3().findClosestVertex(grid.get(), -1), -1);
    EXPECT_EQ(HvPoint3().findClosestVertex(grid.get(), 1), -1);
}

TEST(HvGeometry, ClosestEdgeMeasuresToTheEdgesLinesAndTiesKeepTheEarlierEdge) {
    // 2 x 1 grid: facet 1 is (1, 2, 5, 4) with edges (1-2, 2-5, 5-4, 4-1), the last one shared with facet 0.
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(2, 1));
    DzFacet const& f = grid->getFacet(1);
    int const bottom = f.m_edges[0], right = f.m_edges[1], top = f.m_edges[2], left = f.m_edges[3];
    ASSERT_LT(left, bottom) << "the fixture needs an earlier corner with a higher edge index";
    EXPECT_EQ(HvPoint3(1.9f, 0.5f, 0).findClosestEdge(grid.get(), 1), right);
    EXPECT_EQ(HvPoint3(1.5f, 0.9f, 0).findClosestEdge(grid.get(), 1), top);
    EXPECT_EQ(HvPoint3(1.1f, 0.4f, 0).findClosestEdge(grid.get(), 1), left);
    // The centre is as far from all four: the facet's first edge wins, not the lowest index.
    EXPECT_EQ(HvPoint3(1.5f, 0.5f, 0).findClosestEdge(grid.get(), 1), bottom);
    // Beyond the facet on the bottom edge's line: the line counts, not the segment (the right edge's
    // segment would be nearer).
    EXPECT_EQ(HvPoint3(3.0f, 0.2f, 0).findClosestEdge(grid.get(), 1), bottom);

    EXPECT_EQ(HvPoint3().findClosestEdge(nullptr, 0), -1);
    EXPECT_EQ(HvPoint3().findClosestEdge(grid.get(), 2), -1);
}

// ---- colours and drawing, read back from an offscreen framebuffer ----

class HvGeometryGl : public ::testing::Test {
protected:
    static constexpr int kSize = 64;
    void SetUp() override {
        ASSERT_TRUE(m_gl.create(kSize, kSize))
            << "no OpenGL for the drawing tests: " << m_gl.error().toStdString();
        m_gl.clear();
        glColor4f(0, 0, 0, 1);
    }
    void TearDown() override {
        if (m_gl.width() > 0) {
            EXPECT_EQ(m_gl.glError(), 0u) << "OpenGL error";
        }
    }
    static dztest::Rgba currentColour() {
        float c[4];
        glGetFloatv(GL_CURRENT_COLOR, c);
        return {int(std::lround(c[0] * 255)), int(std::lround(c[1] * 255)), int(std::lround(c[2] * 255)),
                int(std::lround(c[3] * 255))};
    }
    int painted() const { return m_gl.countPixels({0, 0, 0, 0}, 0, false); }
    // Whether a pixel within one of (x, y) has the colour: thin lines fall on either side of a boundary.
    bool colourNear(int x, int y, dztest::Rgba c) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (m_gl.pixel(x + dx, y + dy) == c)
                    return true;
        return false;
    }

    dztest::GlContext m_gl;
};

TEST_F(HvGeometryGl, PaletteSetsTheCurrentColourAndOtherValuesChangeNothing) {
    struct Case {
        int value;
        dztest::Rgba want;
    } const cases[] = {
        {0, {255, 255, 0, 102}}, {1, {255, 0, 0, 255}},     {2, {0, 255, 0, 255}},    {3, {0, 0, 255, 255}},
        {4, {255, 255, 0, 255}}, {5, {255, 255, 255, 153}}, {6, {255, 255, 255, 77}}, {7, {255, 0, 0, 77}},
        {8, {255, 0, 255, 77}},  {9, {0, 255, 255, 77}},
    };
    for (Case const& c : cases) {
        glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
        HvMeshBase::SetColor(HvColor(c.value));
        EXPECT_EQ(currentColour(), c.want) << "HvColor " << c.value;
    }
    for (int outside : {10, -1, 255}) {
        glColor4f(0.2f, 0.4f, 0.6f, 0.8f);
        HvMeshBase::SetColor(HvColor(outside));
        EXPECT_EQ(currentColour(), (dztest::Rgba{51, 102, 153, 204})) << "HvColor " << outside;
    }
    // The colour reaches the pixels, alpha included.
    m_gl.setOrtho(0, 1, 0, 1);
    HvMeshBase::SetColor(HvColor::SelectionYellow);
    HvTriangle3({-1, -1, 0}, {3, -1, 0}, {-1, 3, 0}).draw();
    EXPECT_EQ(m_gl.pixel(32, 32), (dztest::Rgba{255, 255, 0, 102}));
    // An opaque colour right after a translucent one is opaque, with no drawing in between.
    for (int i = 0; i < 3; ++i) {
        HvMeshBase::SetColor(HvColor::WhiteA60);
        HvMeshBase::SetColor(HvColor::Blue);
    }
    HvTriangle3({-1, -1, 0}, {3, -1, 0}, {-1, 3, 0}).draw();
    EXPECT_EQ(m_gl.pixel(32, 32), (dztest::Rgba{0, 0, 255, 255}));
}

TEST_F(HvGeometryGl, DrawFacetCountsAndFillsItsCorners) {
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(1, 1));
    m_gl.setOrtho(-0.5, 1.5, -0.5, 1.5);  // the unit square covers pixels 16 to 47
    HvMeshBase::SetColor(HvColor::Red);
    EXPECT_EQ(HvMeshBase::DrawFacet(*grid, 0), 4);
    dztest::Rgba const red{255, 0, 0, 255};
    EXPECT_EQ(m_gl.countPixels(red), 32 * 32);
    EXPECT_EQ(painted(), 32 * 32);
    EXPECT_EQ(m_gl.pixel(16, 16), red);
    EXPECT_EQ(m_gl.pixel(47, 47), red);
    EXPECT_EQ(m_gl.pixel(15, 32), (dztest::Rgba{0, 0, 0, 0}));
    EXPECT_EQ(m_gl.pixel(48, 32), (dztest::Rgba{0, 0, 0, 0}));

    // Indices outside the facets draw nothing.
    m_gl.clear();
    EXPECT_EQ(HvMeshBase::DrawFacet(*grid, -1), 0);
    EXPECT_EQ(HvMeshBase::DrawFacet(*grid, 1), 0);
    EXPECT_EQ(painted(), 0);

    // A corner outside the vertex array is skipped, the others still make a polygon.
    auto broken = pointsMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    broken->addFacet(0, 1, 99, 2);  // the lower-left half
    m_gl.clear();
    EXPECT_EQ(HvMeshBase::DrawFacet(*broken, 0), 3);
    EXPECT_EQ(m_gl.pixel(20, 20), red);
    EXPECT_EQ(m_gl.pixel(44, 44), (dztest::Rgba{0, 0, 0, 0}));
    auto triangle = pointsMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    triangle->addFacet(0, 1, 2);
    EXPECT_EQ(HvMeshBase::DrawFacet(*triangle, 0), 3);

    HvMeshBase none;
    EXPECT_EQ(none.drawFacet(0), 0);
    HvMeshBase holder(grid.get());
    EXPECT_EQ(holder.drawFacet(0), 4);
    EXPECT_EQ(holder.drawFacet(5), 0);
}

TEST_F(HvGeometryGl, PointsLinesAndTriangles) {
    m_gl.ortho();
    HvMeshBase::SetColor(HvColor::Green);
    HvPoint3(10.5f, 50.5f, 0).drawLineTo(HvPoint3(54.5f, 50.5f, 0));
    dztest::Rgba const green{0, 255, 0, 255};
    EXPECT_EQ(m_gl.pixel(11, 50), green);
    EXPECT_EQ(m_gl.pixel(53, 50), green);
    EXPECT_EQ(m_gl.pixel(32, 49), (dztest::Rgba{0, 0, 0, 0}));
    EXPECT_EQ(m_gl.countPixels(green), 44);

    HvMeshBase::SetColor(HvColor::Blue);
    glBegin(GL_POINTS);
    HvPoint3(5.5f, 5.5f, 0).draw();
    glEnd();
    EXPECT_EQ(m_gl.pixel(5, 5), (dztest::Rgba{0, 0, 255, 255}));

    HvMeshBase::SetColor(HvColor::Red);
    HvTriangle3({16, 16, 0}, {48, 16, 0}, {16, 40, 0}).draw();
    EXPECT_EQ(m_gl.pixel(20, 20), (dztest::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(m_gl.pixel(44, 36), (dztest::Rgba{0, 0, 0, 0}));
    EXPECT_NEAR(m_gl.countPixels({255, 0, 0, 255}), 32 * 24 / 2, 24);
}

// ---- cached geometry ----

TEST(HvGeometry, CachedGeometryIsTheObjectsDisplayedFacetMesh) {
    std::unique_ptr<DzNode> node(dztest::makeNode("cube", dztest::makeCube(1)));
    DzFacetMesh* cached = HvCachedGeometry::GetCachedGeometry(*node);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(static_cast<DzVertexMesh*>(cached), node->getObject()->getCachedGeom());
    EXPECT_EQ(cached->getNumFacets(), 6);
    EXPECT_EQ(HvCachedGeometry(*node).getMesh(), cached);

    DzNode bare;
    EXPECT_EQ(HvCachedGeometry::GetCachedGeometry(bare), nullptr);
    EXPECT_EQ(HvCachedGeometry(bare).drawFacet(0), 0);
    bare.setObject(new DzObject);  // an object without a shape has no cached geometry
    EXPECT_EQ(HvCachedGeometry::GetCachedGeometry(bare), nullptr);
}

// ---- circles ----

TEST(HvGeometry, CircleInitPointCounts) {
    DzQuat const id;
    struct Case {
        unsigned segments;
        float a1, a2;
        size_t points;
    } const cases[] = {
        {48, 0, 360, 49},  {360, 0, 360, 361}, {4, 0, 360, 5},   {48, 45, 135, 13}, {48, 225, 315, 13},
        {48, -45, 45, 13}, {48, 135, 45, 13},  {48, 0, 10, 2},   {48, 0, 7.5f, 2},  {48, 0, 7.4f, 1},
        {48, 5, 5, 1},     {13, 0, 360, 14},   {17, 0, 360, 18}, {0, 0, 360, 0},
    };
    Hv3dCircle circle;
    for (Case const& c : cases) {
        circle.init(c.segments, id, c.a1, c.a2);
        EXPECT_EQ(circle.getUnitPoints().size(), c.points)
            << c.segments << " segments, " << c.a1 << " to " << c.a2;
    }
    // Every full circle closes: segments + 1 points, the last back on the first.
    for (unsigned s = 1; s <= 1000; ++s) {
        circle.init(s, id, 0, 360);
        ASSERT_EQ(circle.getUnitPoints().size(), s + 1) << s << " segments";
        expectNear(circle.getUnitPoints().back(), circle.getUnitPoints().front(), 1e-4f);
    }
    // Reversed angles start at the smaller one.
    circle.init(48, id, 135, 45);
    expectNear(circle.getUnitPoints().front(),
               {std::cos(45 * Hv3dCircle::kDegToRad), std::sin(45 * Hv3dCircle::kDegToRad), 0});
}

TEST(HvGeometry, CircleUnitPointsAreTurnedByTheQuaternion) {
    DzQuat q(DzVec3(1, 0, 0), kPi / 2);  // the XY circle turned into the XZ plane
    Hv3dCircle circle;
    circle.init(48, q, 0, 360);
    ASSERT_EQ(circle.getUnitPoints().size(), 49u);
    for (size_t i = 0; i < circle.getUnitPoints().size(); ++i) {
        float const a = float(i) * 7.5f * Hv3dCircle::kDegToRad;
        HvVec3 const want = q.multVec(DzVec3(std::cos(a), std::sin(a), 0.0f));
        EXPECT_EQ(circle.getUnitPoints()[i], want) << "point " << i;
    }
    expectNear(circle.getUnitPoints()[12], {0, 0, 1});

    HvPoint3 p = Hv3dCircle::GetPointAt(q, 90, {1, 2, 3}, 2.0f);
    expectNear(p, {1, 2, 5});
    expectNear(Hv3dCircle::GetPointAt(DzQuat(), 180, {1, 2, 3}, 2.0f), {-1, 2, 3});
}

TEST_F(HvGeometryGl, CircleIsHitTestedWhereItWasLastDrawn) {
    Hv3dCircle circle;
    circle.init(48, DzQuat(), 0, 360);
    HvPoint3 hit(-7, -7, -7);
    DzLine3 const throughRim({10, 0, 5}, {10, 0, -5});
    EXPECT_FALSE(circle.intersectsRay(throughRim, &hit, 1.0f)) << "never drawn";
    EXPECT_EQ(hit, HvPoint3(-7, -7, -7));

    circle.draw({0, 0, 0}, 10.0f);
    ASSERT_EQ(circle.getDrawnPoints().size(), 49u);
    EXPECT_EQ(circle.getLastRadius(), 10.0f);
    EXPECT_EQ(circle.getLastCentre(), HvPoint3(0, 0, 0));
    expectNear(circle.getDrawnPoints()[12], {0, 10, 0});
    EXPECT_TRUE(circle.intersectsRay(throughRim, &hit, 1.0f));
    expectNear(hit, {10, 0, 0}, 1e-4f);
    EXPECT_TRUE(circle.intersectsRay(throughRim, nullptr, 1.0f));
    EXPECT_TRUE(circle.intersectsRay(DzLine3({10.9f, 0, 5}, {10.9f, 0, -5}), nullptr, 1.0f));
    EXPECT_FALSE(circle.intersectsRay(DzLine3({11.1f, 0, 5}, {11.1f, 0, -5}), nullptr, 1.0f));
    hit = HvPoint3(-7, -7, -7);
    EXPECT_FALSE(circle.intersectsRay(DzLine3({0, 0, 5}, {0, 0, -5}), &hit, 1.0f)) << "the centre";
    EXPECT_EQ(hit, HvPoint3(-7, -7, -7));

    // Moved: the old place no longer hits, the new one does.
    circle.draw({100, 0, 0}, 10.0f);
    expectNear(circle.getDrawnPoints()[0], {110, 0, 0});
    EXPECT_FALSE(circle.intersectsRay(throughRim, nullptr, 1.0f));
    EXPECT_TRUE(circle.intersectsRay(DzLine3({110, 0, 5}, {110, 0, -5}), nullptr, 1.0f));
    circle.draw({100, 0, 0}, 5.0f);
    expectNear(circle.getDrawnPoints()[0], {105, 0, 0});

    // A new init forgets the drawing.
    circle.init(48, DzQuat(), 0, 360);
    EXPECT_TRUE(circle.getDrawnPoints().empty());
    EXPECT_EQ(circle.getLastRadius(), -1.0f);
    EXPECT_FALSE(circle.intersectsRay(DzLine3({105, 0, 5}, {105, 0, -5}), nullptr, 1.0f));
    circle.draw({100, 0, 0}, 5.0f);  // same centre and radius as before, still rebuilt
    EXPECT_TRUE(circle.intersectsRay(DzLine3({105, 0, 5}, {105, 0, -5}), nullptr, 1.0f));
}

TEST_F(HvGeometryGl, CircleSegmentEndsAndOrder) {
    // init(4, ...) over 90 degrees: one segment from (10, 0) to (0, 10).
    Hv3dCircle arc;
    arc.init(4, DzQuat(), 0, 90);
    arc.draw({0, 0, 0}, 10.0f);
    ASSERT_EQ(arc.getDrawnPoints().size(), 2u);
    HvVec3 const end = arc.getDrawnPoints()[1], start = arc.getDrawnPoints()[0];
    HvVec3 const dir = HvVec3((end - start).dz().normalized());
    auto along = [](HvVec3 const& p) { return DzLine3(p + HvVec3(0, 0, 5), p - HvVec3(0, 0, 5)); };
    EXPECT_TRUE(arc.intersectsRay(along(end + dir * 0.5f), nullptr, 1.0f)) << "grazing past the end";
    EXPECT_FALSE(arc.intersectsRay(along(end + dir * 1.5f), nullptr, 1.0f));
    EXPECT_TRUE(arc.intersectsRay(along(start - dir * 0.5f), nullptr, 1.0f)) << "before the start";
    EXPECT_FALSE(arc.intersectsRay(along(start - dir * 1.5f), nullptr, 1.0f));

    Hv3dCircle single;
    single.init(4, DzQuat(), 0, 45);
    single.draw({0, 0, 0}, 10.0f);
    EXPECT_EQ(single.getDrawnPoints().size(), 1u);
    EXPECT_FALSE(single.intersectsRay(along({10, 0, 0}), nullptr, 1.0f)) << "one point is no polyline";

    // The square (10,0) (0,10) (-10,0) (0,-10) (10,0): a ray nearer the second segment still takes the first.
    Hv3dCircle square;
    square.init(4, DzQuat(), 0, 360);
    square.draw({0, 0, 0}, 10.0f);
    HvPoint3 hit;
    ASSERT_TRUE(square.intersectsRay(along({-0.2f, 9.6f, 0}), &hit, 1.0f));
    expectNear(hit, {0.1f, 9.9f, 0}, 1e-4f);  // its foot on the first segment

    // A half circle is not closed back from its last point to its first.
    Hv3dCircle half;
    half.init(48, DzQuat(), 0, 180);
    half.draw({0, 0, 0}, 10.0f);
    EXPECT_FALSE(half.intersectsRay(along({0, 0, 0}), nullptr, 1.0f));
    EXPECT_TRUE(half.intersectsRay(along({0, 10, 0}), nullptr, 1.0f));
    EXPECT_FALSE(half.intersectsRay(along({0, -10, 0}), nullptr, 1.0f));
}

TEST_F(HvGeometryGl, CirclePixels) {
    m_gl.ortho();
    dztest::Rgba const green{0, 255, 0, 255}, none{0, 0, 0, 0};
    HvMeshBase::SetColor(HvColor::Green);
    Hv3dCircle circle;
    circle.init(48, DzQuat(), 0, 360);
    circle.draw({32, 32, 0}, 20.0f);
    std::pair<int, int> const rims[] = {{52, 32}, {32, 52}, {12, 32}, {32, 12}, {46, 46}};
    for (auto [x, y] : rims) EXPECT_TRUE(colourNear(x, y, green)) << "rim at " << x << ", " << y;
    EXPECT_EQ(m_gl.pixel(32, 32), none);
    EXPECT_EQ(m_gl.pixel(40, 40), none);
    int const rim = m_gl.countPixels(green);
    EXPECT_GT(rim, 100);  // about 2 pi 20
    EXPECT_LT(rim, 170);
    EXPECT_EQ(painted(), rim);

    // A half circle: the upper rim only, and no chord through the centre.
    m_gl.clear();
    Hv3dCircle half;
    half.init(48, DzQuat(), 0, 180);
    half.draw({32, 32, 0}, 20.0f);
    EXPECT_TRUE(colourNear(32, 52, green));
    EXPECT_EQ(m_gl.countPixels(none, 0, false), m_gl.countPixels(green));
    for (int x = 14; x <= 50; ++x) EXPECT_EQ(m_gl.pixel(x, 32), none) << "chord at " << x;
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < kSize; ++x)
            ASSERT_EQ(m_gl.pixel(x, y), none) << "below the half circle at " << x << ", " << y;
}
