#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

namespace {

DzFacetMesh* makeTetrahedron() {
    auto* mesh = new DzFacetMesh;
    mesh->addVertex({1, 1, 1});
    mesh->addVertex({1, -1, -1});
    mesh->addVertex({-1, 1, -1});
    mesh->addVertex({-1, -1, 1});
    mesh->addFacet(0, 1, 2);
    mesh->addFacet(0, 3, 1);
    mesh->addFacet(0, 2, 3);
    mesh->addFacet(1, 3, 2);
    mesh->finalize();
    return mesh;
}

DzFacetMesh* cachedOf(DzNode& node) {
    return qobject_cast<DzFacetMesh*>(node.getObject()->getCachedGeom());
}
DzShape* shapeOf(DzNode& node) {
    return node.getObject()->getCurrentShape();
}

DzVec3 centroid(DzFacetMesh const& mesh, DzFacet const& f) {
    DzVec3 c;
    for (int k = 0; k < f.getNumCorners(); ++k) c += mesh.getVertex(f.m_vertIdx[k]);
    return c / float(f.getNumCorners());
}

// Adds `amount` times a fixed offset to one vertex, or to all when the index is negative.
class LiftModifier : public DzModifier {
public:
    LiftModifier(int vertex, DzVec3 offset) : m_vertex(vertex), m_offset(offset) {}
    int apply(DzVertexMesh& mesh, DzNode&) override {
        auto v = mesh.getVerticesPtr();
        for (int i = 0; i < mesh.getNumVertices(); ++i)
            if (m_vertex < 0 || i == m_vertex)
                for (int k = 0; k < 3; ++k) v[i][k] += m_amount * m_offset[k];
        return 0;
    }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
    void setAmount(float amount) {
        m_amount = amount;
        emit currentValueChanged();
    }

private:
    int m_vertex;
    DzVec3 m_offset;
    float m_amount = 1.0f;
};

}  // namespace

// Counts worked out by hand from Catmull-Clark's rule (every level adds a vertex per edge and per facet and
// splits an n-cornered facet into n quads): cube V 8, E 12, F 6; 3 x 2 grid V 12, E 17, F 6; tetrahedron V 4,
// E 6, F 4; sphere(4, 6) V 20, E 42, F 12 triangles and 12 quads.
struct RefineCase {
    char const* name;
    std::function<DzFacetMesh*()> make;
    int level;
    int vertices, edges, facets;
};

void PrintTo(RefineCase const& c, std::ostream* os) {
    *os << c.name;
}

class HostSubdivisionCounts : public ::testing::TestWithParam<RefineCase> {};

TEST_P(HostSubdivisionCounts, RefinedCountsAndCageIndices) {
    RefineCase const& c = GetParam();
    std::unique_ptr<DzNode> node(dztest::makeNode("mesh", c.make()));
    DzFacetMesh const& cage = *shapeOf(*node)->getGeometry();
    shapeOf(*node)->setSubdivisionLevel(c.level);
    DzFacetMesh* refined = cachedOf(*node);
    ASSERT_TRUE(refined);
    EXPECT_TRUE(refined->isSubDivisionEnabled());
    EXPECT_EQ(refined->getNumVertices(), c.vertices);
    EXPECT_EQ(refined->getNumEdges(), c.edges);
    ASSERT_EQ(refined->getNumFacets(), c.facets);
    EXPECT_EQ(refined->getNumNormals(), c.vertices);

    // Every refined facet is a quad naming a cage facet; an n-cornered cage facet has n * 4^(level - 1) of
    // them.
    std::map<int, int> children;
    for (int i = 0; i < refined->getNumFacets(); ++i) {
        DzFacet const& f = refined->getFacet(i);
        EXPECT_TRUE(f.isQuad()) << "facet " << i;
        for (int k = 0; k < 4; ++k) {
            EXPECT_GE(f.m_vertIdx[k], 0);
            EXPECT_LT(f.m_vertIdx[k], c.vertices);
        }
        ASSERT_GE(f.m_cageIdx, 0) << "facet " << i;
        ASSERT_LT(f.m_cageIdx, cage.getNumFacets()) << "facet " << i;
        ++children[f.m_cageIdx];
    }
    ASSERT_EQ(int(children.size()), cage.getNumFacets());
    for (auto const& [cageFacet, count] : children)
        EXPECT_EQ(count, cage.getFacet(cageFacet).getNumCorners() << (2 * (c.level - 1)))
            << "cage " << cageFacet;

    // At level 1 each refined facet has one corner that is a cage vertex, kept at its index: a corner of its
    // cage facet.
    if (c.level == 1) {
        for (int i = 0; i < refined->getNumFacets(); ++i) {
            DzFacet const& f = refined->getFacet(i);
            DzFacet const& parent = cage.getFacet(f.m_cageIdx);
            int cageCorners = 0;
            for (int k = 0; k < 4; ++k)
                if (f.m_vertIdx[k] < cage.getNumVertices()) {
                    ++cageCorners;
                    EXPECT_NE(std::find(parent.m_vertIdx, parent.m_vertIdx + 4, f.m_vertIdx[k]),
                              parent.m_vertIdx + 4)
                        << "facet " << i;
                }
            EXPECT_EQ(cageCorners, 1) << "facet " << i;
        }
    }
    // The base geometry stays the cage.
    EXPECT_FALSE(cage.isSubDivisionEnabled());
    EXPECT_NE(&cage, refined);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, HostSubdivisionCounts,
    ::testing::Values(RefineCase{"cube1", [] { return dztest::makeCube(1); }, 1, 26, 48, 24},
                      RefineCase{"cube2", [] { return dztest::makeCube(1); }, 2, 98, 192, 96},
                      RefineCase{"grid1", [] { return dztest::makeGrid(3, 2); }, 1, 35, 58, 24},
                      RefineCase{"grid2", [] { return dztest::makeGrid(3, 2); }, 2, 117, 212, 96},
                      RefineCase{"tetrahedron1", makeTetrahedron, 1, 14, 24, 12},
                      RefineCase{"tetrahedron2", makeTetrahedron, 2, 50, 96, 48},
                      RefineCase{"sphere1", [] { return dztest::makeSphere(4, 6); }, 1, 86, 168, 84},
                      RefineCase{"sphere2", [] { return dztest::makeSphere(4, 6); }, 2, 338, 672, 336}),
    [](auto const& info) { return std::string(info.param.name); });

// A flat, evenly spaced grid refines into the grid of half (quarter) the step: border points stay on the
// border, corners stay put. So every refined position is known, cage vertices must sit at their own indices,
// and each refined facet's centre lies in its cage facet.
TEST(HostSubdivision, GridRefinesIntoTheFinerGrid) {
    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        int const nx = 3, ny = 2;
        std::unique_ptr<DzNode> node(dztest::makeNode("grid", dztest::makeGrid(nx, ny)));
        DzFacetMesh const& cage = *shapeOf(*node)->getGeometry();
        shapeOf(*node)->setSubdivisionLevel(level);
        DzFacetMesh* refined = cachedOf(*node);
        ASSERT_TRUE(refined);
        int const parts = 1 << level;
        ASSERT_EQ(refined->getNumVertices(), (nx * parts + 1) * (ny * parts + 1));

        for (int i = 0; i < cage.getNumVertices(); ++i)
            EXPECT_TRUE(DzVec3::equals(refined->getVertex(i), cage.getVertex(i), 1e-6f))
                << "cage vertex " << i;
        std::set<std::pair<int, int>> points;
        for (int i = 0; i < refined->getNumVertices(); ++i) {
            DzVec3 p = refined->getVertex(i) * float(parts);
            int x = int(std::lround(p.m_x)), y = int(std::lround(p.m_y));
            EXPECT_NEAR(p.m_x, x, 1e-5f);
            EXPECT_NEAR(p.m_y, y, 1e-5f);
            EXPECT_EQ(p.m_z, 0.0f);
            points.insert({x, y});
        }
        EXPECT_EQ(int(points.size()), refined->getNumVertices());  // each grid point once
        for (int i = 0; i < refined->getNumFacets(); ++i) {
            DzFacet const& f = refined->getFacet(i);
            DzVec3 c = centroid(*refined, f);
            EXPECT_EQ(f.m_cageIdx, int(c.m_y) * nx + int(c.m_x)) << "facet " << i;
        }
    }
}

// A cube corner (valence 3) moves to (Q + 2R) / 3: face points Q average (1/3, 1/3, 1/3) and edge midpoints R
// (2/3, 2/3, 2/3) for the corner (1, 1, 1), so it lands at 5/9 of its place. At both levels the cage corner
// is also the refined vertex furthest out along its diagonal, and each refined facet lies on its cage face.
TEST(HostSubdivision, CubeKeepsCageVerticesAtTheirIndices) {
    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        std::unique_ptr<DzNode> node(dztest::makeNode("cube", dztest::makeCube(1, 2.0f)));
        DzFacetMesh const& cage = *shapeOf(*node)->getGeometry();
        shapeOf(*node)->setSubdivisionLevel(level);
        DzFacetMesh* refined = cachedOf(*node);
        ASSERT_TRUE(refined);
        for (int i = 0; i < cage.getNumVertices(); ++i) {
            DzVec3 corner = cage.getVertex(i);
            if (level == 1) {
                EXPECT_TRUE(DzVec3::equals(refined->getVertex(i), corner * (5.0f / 9.0f), 1e-6f))
                    << "corner " << i;
            }
            int furthest = 0;
            for (int j = 1; j < refined->getNumVertices(); ++j)
                if (refined->getVertex(j).dot(corner) > refined->getVertex(furthest).dot(corner))
                    furthest = j;
            EXPECT_EQ(furthest, i);
        }
        for (int i = 0; i < refined->getNumFacets(); ++i) {
            DzVec3 c = centroid(*refined, refined->getFacet(i));
            int best = 0;
            for (int f = 1; f < cage.getNumFacets(); ++f)
                if (c.dot(centroid(cage, cage.getFacet(f))) > c.dot(centroid(cage, cage.getFacet(best))))
                    best = f;
            EXPECT_EQ(refined->getFacet(i).m_cageIdx, best) << "facet " << i;
        }
    }
}

// A drag re-evaluates at every mouse move: the refinement is built once for the topology and only the
// positions are interpolated again, giving what a fresh refinement of the moved cage gives.
TEST(HostSubdivision, RefinementIsReusedAcrossEvaluations) {
    int const lifted = 5;  // an inner vertex of the 3 x 2 grid
    std::unique_ptr<DzNode> edited(dztest::makeNode("edited", dztest::makeGrid(3, 2)));
    auto* lift = new LiftModifier(lifted, {0, 0, 1});
    edited->getObject()->addModifier(lift);
    DzShape* shape = shapeOf(*edited);
    shape->setSubdivisionLevel(2);
    DzFacetMesh* first = cachedOf(*edited);
    ASSERT_TRUE(first);
    DzFacet const* facets = first->getFacetsPtr();
    EXPECT_EQ(shape->getSubdivisionBuildCount(), 1);

    for (float amount : {0.5f, -2.0f, 3.25f}) {
        SCOPED_TRACE(amount);
        lift->setAmount(amount);
        EXPECT_FALSE(edited->getObject()->isCacheValid());
        DzFacetMesh* refined = cachedOf(*edited);
        ASSERT_TRUE(refined);
        EXPECT_EQ(shape->getSubdivisionBuildCount(), 1);
        EXPECT_EQ(refined->getFacetsPtr(), facets);  // the refined facets are shared, not rebuilt

        DzFacetMesh* moved = dztest::makeGrid(3, 2);
        moved->setVertex(lifted, moved->getVertex(lifted) + DzVec3(0, 0, amount));
        std::unique_ptr<DzNode> fresh(dztest::makeNode("fresh", moved));
        shapeOf(*fresh)->setSubdivisionLevel(2);
        DzFacetMesh* expected = cachedOf(*fresh);
        ASSERT_EQ(refined->getNumVertices(), expected->getNumVertices());
        float highest = 0;
        for (int i = 0; i < refined->getNumVertices(); ++i) {
            EXPECT_TRUE(DzVec3::equals(refined->getVertex(i), expected->getVertex(i), 1e-6f))
                << "vertex " << i;
            highest = std::max(highest, std::fabs(refined->getVertex(i).m_z));
        }
        EXPECT_GT(highest, 0.1f * std::fabs(amount));
    }

    // A new topology or level builds a new refinement.
    shape->setGeometry(dztest::makeGrid(2, 2));
    EXPECT_EQ(cachedOf(*edited)->getNumVertices(), 9 * 9);
    EXPECT_EQ(shape->getSubdivisionBuildCount(), 2);
    shape->setSubdivisionLevel(1);
    EXPECT_EQ(cachedOf(*edited)->getNumVertices(), 5 * 5);
    EXPECT_EQ(shape->getSubdivisionBuildCount(), 3);
}

TEST(HostSubdivision, LevelZeroShowsTheCage) {
    std::unique_ptr<DzNode> node(dztest::makeNode("cube", dztest::makeCube(1)));
    DzShape* shape = shapeOf(*node);
    EXPECT_EQ(shape->getSubdivisionLevel(), 0);
    DzFacetMesh* cached = cachedOf(*node);
    ASSERT_TRUE(cached);
    EXPECT_FALSE(cached->isSubDivisionEnabled());
    EXPECT_EQ(cached->getNumFacets(), 6);
    EXPECT_EQ(cached->getFacet(0).m_cageIdx, -1);

    shape->setSubdivisionLevel(1);
    EXPECT_FALSE(node->getObject()->isCacheValid());
    EXPECT_TRUE(cachedOf(*node)->isSubDivisionEnabled());
    shape->setSubdivisionLevel(0);
    cached = cachedOf(*node);
    EXPECT_FALSE(cached->isSubDivisionEnabled());
    EXPECT_EQ(cached->getNumVertices(), 8);
    EXPECT_EQ(cached->getNumFacets(), 6);
    // The base geometry never changed.
    DzFacetMesh const& base = *shape->getGeometry();
    EXPECT_EQ(base.getNumVertices(), 8);
    EXPECT_EQ(base.getNumFacets(), 6);
    EXPECT_FALSE(base.isSubDivisionEnabled());

    shape->setSubdivisionLevel(-3);
    EXPECT_EQ(shape->getSubdivisionLevel(), 0);
    shape->setSubdivisionLevel(99);
    EXPECT_EQ(shape->getSubdivisionLevel(), DzShape::MaxSubdivisionLevel);
}

// Refined facets carry their cage facet's flags: hidden geometry stays hidden, the host's selection shows.
TEST(HostSubdivision, RefinedFacetsInheritCageFlags) {
    std::unique_ptr<DzNode> node(dztest::makeNode("grid", dztest::makeGrid(3, 2)));
    DzShape* shape = shapeOf(*node);
    unsigned char* flags = shape->getGeometry()->getFacetFlagsPtr();
    flags[2] = DZ_FACET_HIDDEN;
    flags[4] = DZ_FACET_SELECTED;
    shape->setSubdivisionLevel(2);
    DzFacetMesh* refined = cachedOf(*node);
    ASSERT_TRUE(refined);
    unsigned char const expected[6] = {0, 0, DZ_FACET_HIDDEN, 0, DZ_FACET_SELECTED, 0};
    for (int i = 0; i < refined->getNumFacets(); ++i)
        EXPECT_EQ(refined->getFacetFlagsPtr()[i], expected[refined->getFacet(i).m_cageIdx]) << "facet " << i;
}

TEST(HostSubdivision, BrokenCageIsShownUnrefinedWithAMessage) {
    auto* mesh = dztest::makeGrid(1, 1);
    mesh->addFacet(0, 1, 7);  // vertex 7 does not exist
    std::unique_ptr<DzNode> node(dztest::makeNode("broken", mesh));
    DzShape* shape = shapeOf(*node);
    shape->setObjectName("broken_shape");
    dzApp->clearLog();
    shape->setSubdivisionLevel(1);
    DzFacetMesh* cached = cachedOf(*node);
    ASSERT_TRUE(cached);
    EXPECT_FALSE(cached->isSubDivisionEnabled());
    EXPECT_EQ(cached->getNumFacets(), 2);
    ASSERT_EQ(dzApp->getLogLines().size(), 1);
    EXPECT_EQ(dzApp->getLogLines().front(),
              "Subdivision level 1 is not applied to \"broken_shape\": facet 1 names vertex 7, outside the 4 "
              "vertices");
    // The same topology is not tried again at the next evaluation.
    node->getObject()->invalidateCache();
    cachedOf(*node);
    EXPECT_EQ(dzApp->getLogLines().size(), 1);
    EXPECT_EQ(shape->getSubdivisionBuildCount(), 1);
}
