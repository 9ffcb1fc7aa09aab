#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cmath>
#include <memory>

#include "dzapp.h"
#include "dzbox3.h"
#include "dzexpect.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzlegacybinding.h"
#include "dzline3.h"
#include "dzmatrix3.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzquat.h"
#include "dzshape.h"
#include "dzskinbinding.h"

namespace {

using dztest::expectNear;

// Adds a fixed offset to every vertex, counting its calls.
class ShiftModifier : public DzModifier {
public:
    explicit ShiftModifier(DzVec3 shift) : m_shift(shift) {}
    int apply(DzVertexMesh& mesh, DzNode&) override {
        ++applied;
        auto v = mesh.getVerticesPtr();
        for (int i = 0; i < mesh.getNumVertices(); ++i)
            for (int k = 0; k < 3; ++k) v[i][k] += m_shift[k];
        return 0;
    }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
    void change(DzVec3 shift) {
        m_shift = shift;
        emit currentValueChanged();
    }
    int applied = 0;

private:
    DzVec3 m_shift;
};

}  // namespace

// ---- math: the semantics the plug-in relies on ----

TEST(HostMath, MatrixMultVecAndMultPntBothApplyTheTranslation) {
    DzMatrix3 m = DzMatrix3::translation({1, 2, 3}) * DzMatrix3::rotation(DzQuat({0, 0, 1}, float(M_PI / 2)));
    expectNear(m.multPnt({1, 0, 0}), {1, 3, 3});
    expectNear(m.multVec({1, 0, 0}), {1, 3, 3});
    expectNear(m.inverse().multPnt(m.multPnt({0.3f, -4, 7})), {0.3f, -4, 7});
    DzMatrix3 s = DzMatrix3::scaling({2, 4, 0.5f});
    expectNear((s * s.inverse()).multPnt({5, 6, 7}), {5, 6, 7});
}

TEST(HostMath, QuatAxisAngleTwoVectorFrameAndScaledAngle) {
    DzQuat q({0, 0, 2}, float(M_PI / 2));  // the axis need not be unit length
    expectNear(q.multVec({1, 0, 0}), {0, 1, 0});
    DzVec3 axis;
    float angle;
    q.getValue(axis, angle);
    expectNear(axis, {0, 0, 1});
    EXPECT_NEAR(angle, M_PI / 2, 1e-6);
    DzQuat half = q;
    half.scaleAngle(0.5);
    expectNear(half.multVec({1, 0, 0}), {float(M_SQRT1_2), float(M_SQRT1_2), 0});

    // The frame with x as its X axis and y (orthonormalised) as its Y axis.
    DzQuat f;
    f.setValue(DzVec3(0, 1, 0), DzVec3(-1, 0.5f, 0));
    expectNear(f.multVec({1, 0, 0}), {0, 1, 0});
    expectNear(f.multVec({0, 1, 0}), {-1, 0, 0});
    expectNear(f.multVec({0, 0, 1}), {0, 0, 1});
    expectNear((q * q.inverse()).multVec({3, 4, 5}), {3, 4, 5});
    expectNear(DzVec3(1, 0, 0).getRotationTo({0, 0, 5}).multVec({1, 0, 0}), {0, 0, 1});
    expectNear(DzVec3(1, 0, 0).getRotationTo({-2, 0, 0}).multVec({1, 0, 0}), {-1, 0, 0});
}

TEST(HostMath, LineParametersAreDistancesFromTheStart) {
    DzLine3 line({0, 0, 0}, {0, 0, 10});
    EXPECT_FLOAT_EQ(line.length(1.0f), 10.0f);
    expectNear(line.getPoint(4), {0, 0, 4});
    EXPECT_FLOAT_EQ(line.minDistance({3, 0, 20}, false), 3.0f);  // infinite line
    EXPECT_FLOAT_EQ(line.minDistance({3, 0, 20}, true), std::hypot(3.0f, 10.0f));
    float t1 = 0, t2 = 0;
    DzLine3 other({-5, 2, 7}, {5, 2, 7});
    EXPECT_FLOAT_EQ(line.minDistance(other, t1, t2), 2.0f);
    EXPECT_FLOAT_EQ(t1, 7.0f);
    EXPECT_FLOAT_EQ(t2, 5.0f);
    DzVec3 hit;
    EXPECT_TRUE(line.planeIntersect({0, 0, 3}, {0, 0, 1}, hit));
    expectNear(hit, {0, 0, 3});
    EXPECT_FALSE(line.planeIntersect({0, 0, 3}, {1, 0, 0}, hit));  // parallel to the plane
}

TEST(HostMath, BoxIsInvalidUntilItHoldsAPointAndTestsSegments) {
    DzBox3 box;
    EXPECT_FALSE(box.isValid());
    EXPECT_FALSE(box.testIntersection(DzLine3({0, 0, -5}, {0, 0, 5}), 0.0f));
    box.include({-1, -1, -1});
    box.include({1, 1, 1});
    EXPECT_TRUE(box.testIntersection(DzLine3({0, 0, -5}, {0, 0, 5}), 0.0f));
    EXPECT_FALSE(box.testIntersection(DzLine3({1.5f, 0, -5}, {1.5f, 0, 5}), 0.0f));
    EXPECT_TRUE(box.testIntersection(DzLine3({1.5f, 0, -5}, {1.5f, 0, 5}), 0.6f));
    EXPECT_FALSE(box.testIntersection(DzLine3({0, 0, 5}, {0, 0, 10}), 0.0f));  // box behind the start
}

// ---- meshes ----

TEST(HostMesh, EdgesAreBuiltFromTheFacetsWithTheirNeighbours) {
    std::unique_ptr<DzFacetMesh> m(dztest::makeGrid(3, 2));
    EXPECT_EQ(m->getNumVertices(), 12);
    EXPECT_EQ(m->getNumFacets(), 6);
    EXPECT_EQ(m->getNumEdges(), 17);
    int borders = 0;
    for (int e = 0; e < m->getNumEdges(); ++e) {
        DzEdge const& edge = m->getEdge(e);
        EXPECT_GE(edge.m_facetIdx[0], 0);
        borders += edge.m_facetIdx[1] < 0;
        // Every edge is one of the sides of the facets it names.
        for (int side = 0; side < 2; ++side) {
            int f = edge.m_facetIdx[side];
            if (f < 0)
                continue;
            DzFacet const& facet = m->getFacet(f);
            EXPECT_TRUE(std::count(facet.m_edges, facet.m_edges + 4, e) == 1);
        }
    }
    EXPECT_EQ(borders, 10);
    expectNear(DzVec3(m->getNormalsPtr()[5]), {0, 0, 1});

    std::unique_ptr<DzFacetMesh> cube(dztest::makeCube(2));
    EXPECT_EQ(cube->getNumVertices(), 26);
    EXPECT_EQ(cube->getNumFacets(), 24);
    EXPECT_EQ(cube->getNumEdges(), 48);  // closed: every edge has two facets
    for (int e = 0; e < cube->getNumEdges(); ++e) EXPECT_GE(cube->getEdge(e).m_facetIdx[1], 0);

    std::unique_ptr<DzFacetMesh> sphere(dztest::makeSphere(4, 6, 2.0f));
    EXPECT_EQ(sphere->getNumVertices(), 2 + 3 * 6);
    EXPECT_EQ(sphere->getNumFacets(), 6 + 2 * 6 + 6);
    EXPECT_FALSE(sphere->getFacet(0).isQuad());
    EXPECT_TRUE(sphere->getFacet(6).isQuad());
    for (int i = 0; i < sphere->getNumVertices(); ++i)
        EXPECT_NEAR(sphere->getVertex(i).length(), 2.0f, 1e-5f);
}

TEST(HostMesh, CopyKeepsNumberingAndFlagsAndSharesTopologyUntilEdited) {
    std::unique_ptr<DzFacetMesh> src(dztest::makeGrid(2, 2));
    src->getFacetFlagsPtr()[1] = DZ_FACET_SELECTED | DZ_FACET_HIDDEN;
    DzFacetMesh copy;
    copy.copyFrom(*src, false, true);
    EXPECT_EQ(copy.getNumVertices(), src->getNumVertices());
    EXPECT_EQ(copy.getNumEdges(), src->getNumEdges());
    EXPECT_EQ(copy.getFacetsPtr(), src->getFacetsPtr());  // shared until one side edits
    EXPECT_EQ(copy.getFacetFlagsPtr()[1], DZ_FACET_SELECTED | DZ_FACET_HIDDEN);

    copy.getVerticesPtr()[0][2] = 5.0f;
    EXPECT_EQ(src->getVertex(0).m_z, 0.0f);
    copy.addFacet(0, 1, 4);  // a topology edit detaches
    EXPECT_NE(copy.getFacetsPtr(), src->getFacetsPtr());
    EXPECT_EQ(copy.getNumFacets(), 5);
    EXPECT_EQ(src->getNumFacets(), 4);

    DzFacetMesh noFlags;
    noFlags.copyFrom(*src, false, false);
    EXPECT_EQ(noFlags.getFacetFlagsPtr()[1], 0);
    EXPECT_EQ(noFlags.getNumFacets(), 4);
}

// ---- object evaluation ----

TEST(HostObject, EvaluatesModifiersInListOrderLazilyAndOnlyAfterAChange) {
    std::unique_ptr<DzNode> node(dztest::makeNode("Grid", dztest::makeGrid(1, 1)));
    DzObject* object = node->getObject();
    auto* shift = new ShiftModifier({1, 0, 0});
    auto* skin = new DzSkinBinding;
    object->addModifier(shift);
    object->addModifier(skin);
    skin->setPose(DzMatrix3::scaling({2, 2, 2}));  // applied after the shift

    auto cached = [&] { return static_cast<DzFacetMesh*>(object->getCachedGeom())->getVertex(3); };
    expectNear(cached(), {4, 2, 0});
    EXPECT_EQ(shift->applied, 1);
    cached();
    EXPECT_EQ(shift->applied, 1) << "no change, no evaluation";

    QSignalSpy invalidated(object, &DzObject::cachedGeomInvalidated);
    shift->change({0, 0, 1});
    EXPECT_EQ(invalidated.count(), 1);
    EXPECT_EQ(shift->applied, 1) << "evaluation waits for the next access";
    expectNear(cached(), {2, 2, 2});

    EXPECT_TRUE(object->removeModifier(skin));
    expectNear(cached(), {1, 1, 1});
    skin->setPose(DzMatrix3::scaling({3, 3, 3}));  // no longer in the list: no effect
    EXPECT_TRUE(object->isCacheValid());
    delete skin;

    object->addModifier(new ShiftModifier({0, 5, 0}), 0);
    EXPECT_EQ(object->getModifier(1), shift);
    expectNear(cached(), {1, 6, 1});
    EXPECT_EQ(object->findModifier("nothing"), nullptr);
}

TEST(HostObject, BindingsPoseAndTakeThePoseBackOut) {
    std::unique_ptr<DzNode> node(dztest::makeNode("Grid", dztest::makeGrid(1, 1)));
    DzLegacyBinding legacy;
    legacy.setPose(DzMatrix3::translation({0, 0, 1}) * DzMatrix3::rotation(DzQuat({1, 0, 0}, 0.7f)));
    DzFacetMesh copy;
    copy.copyFrom(*node->getObject()->getCurrentShape()->getGeometry(), false, true);
    legacy.apply(copy, *node);
    EXPECT_NE(copy.getVertex(2), DzVec3(0, 1, 0));
    legacy.applyInverse(copy, *node);
    expectNear(copy.getVertex(2), {0, 1, 0});
    EXPECT_TRUE(legacy.inherits("DzLegacyBinding"));
    EXPECT_FALSE(legacy.inherits("DzSkinBinding"));
    EXPECT_TRUE(legacy.inherits("DzModifier"));
}

TEST(HostObject, WithoutGeometryThereIsNoCachedMesh) {
    DzNode node;
    node.setObject(new DzObject);
    EXPECT_EQ(node.getObject()->getCachedGeom(), nullptr);
    EXPECT_EQ(node.getObject()->getNode(), &node);
}

TEST(HostApp, LogKeepsItsLines) {
    ASSERT_NE(dzApp, nullptr);
    dzApp->clearLog();
    dzApp->log("one");
    dzApp->log("two");
    EXPECT_EQ(dzApp->getLogLines(), QStringList({"one", "two"}));
}
