#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cmath>
#include <memory>

#include "dzapp.h"
#include "dzexpect.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzmatrix3.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"

namespace {

using dztest::expectNear;

// Adds a fixed offset to every vertex.
class ShiftModifier : public DzModifier {
public:
    explicit ShiftModifier(DzVec3 shift) : m_shift(shift) {}
    int apply(DzVertexMesh& mesh, DzNode&) override {
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

private:
    DzVec3 m_shift;
};

// A world-space modifier: scales every coordinate.
class ScaleModifier : public ShiftModifier {
public:
    explicit ScaleModifier(float s) : ShiftModifier({}), m_s(s) {}
    int apply(DzVertexMesh& mesh, DzNode&) override {
        auto v = mesh.getVerticesPtr();
        for (int i = 0; i < mesh.getNumVertices(); ++i)
            for (int k = 0; k < 3; ++k) v[i][k] *= m_s;
        return 0;
    }
    float m_s;
};

DzVec3 cached(DzNode& node, int i) {
    return static_cast<DzFacetMesh*>(node.getObject()->getCachedGeom())->getVertex(i);
}

struct SceneTransforms : ::testing::Test {
    void SetUp() override {
        scene = dzScene;
        scene->clear();
    }
    void TearDown() override {
        scene->clear();
        while (scene->getNumWSModifiers() > 0) {
            DzModifierIterator it = scene->wsModifierListIterator();
            DzModifier* m = it.next();
            scene->removeWSModifier(m);
            delete m;
        }
    }
    DzScene* scene = nullptr;
};

}  // namespace

TEST_F(SceneTransforms, TheNodeTurnsAndScalesAboutItsOrigin) {
    std::unique_ptr<DzNode> node(dztest::makeNode("N", dztest::makeGrid(1, 1)));
    EXPECT_EQ(node->getWSPos(), DzVec3(0, 0, 0));
    node->setOrigin({1, 0, 0});
    node->setLocalPos({0, 0, 5});
    node->setLocalRot(DzQuat({0, 0, 1}, float(M_PI / 2)));
    node->setLocalScale({2, 2, 2});
    EXPECT_EQ(node->getWSPos(), DzVec3(1, 0, 5));
    // A point one unit right of the origin: scaled to two, turned onto +Y, then moved to origin + position.
    DzVec3 const local = DzVec3(2, 0, 0) - node->getOrigin();
    expectNear(node->getWSTransform().multPnt(local), {1, 2, 5});
    DzVec3 axis;
    float angle = 0;
    node->getWSRot().getValue(axis, angle);
    EXPECT_NEAR(angle, M_PI / 2, 1e-6);
}

TEST_F(SceneTransforms, CachedGeometryIsInWorldSpaceAndFollowsEveryChange) {
    DzNode* node = dztest::makeNode("N", dztest::makeGrid(2, 1));  // vertex 5 at (2, 1, 0)
    scene->addNode(node);
    auto* shift = new ShiftModifier({0, 0, 1});
    node->getObject()->addModifier(shift);
    expectNear(cached(*node, 5), {2, 1, 1});

    QSignalSpy moved(node, &DzNode::transformChanged);
    node->setOrigin({2, 0, 0});  // identity transform: the geometry stays where it was modelled
    expectNear(cached(*node, 5), {2, 1, 1});
    node->setLocalRot(DzQuat({0, 0, 1}, float(M_PI)));  // half a turn about the origin (2, 0, 0)
    expectNear(cached(*node, 5), {2, -1, 1});
    node->setLocalPos({0, 0, 10});
    expectNear(cached(*node, 5), {2, -1, 11});
    EXPECT_EQ(moved.count(), 3);
    node->setLocalPos({0, 0, 10});
    EXPECT_EQ(moved.count(), 3) << "no change, no signal";

    auto* ws = new ScaleModifier(2);
    scene->addWSModifier(ws);
    expectNear(cached(*node, 5), {4, -2, 22});
    ws->m_s = 3;
    ws->change({});
    expectNear(cached(*node, 5), {6, -3, 33});
    scene->removeWSModifier(ws);
    delete ws;
    expectNear(cached(*node, 5), {2, -1, 11});
    EXPECT_EQ(node->getObject()->getCurrentShape()->getGeometry()->getVertex(5), DzVec3(2, 1, 0));
}

TEST_F(SceneTransforms, TheSceneOwnsItsNodesInOrder) {
    DzNode* a = dztest::makeNode("A", dztest::makeGrid(1, 1));
    DzNode* b = dztest::makeNode("B", dztest::makeGrid(1, 1));
    DzNode* c = dztest::makeNode("A", dztest::makeGrid(1, 1));
    QSignalSpy added(scene, &DzScene::nodeAdded);
    scene->addNode(a);
    scene->addNode(b);
    scene->addNode(c);
    EXPECT_EQ(added.count(), 3);
    EXPECT_EQ(scene->findNode("A"), a);
    EXPECT_EQ(scene->findNode("B"), b);
    EXPECT_EQ(scene->findNode("a"), nullptr);
    DzNodeIterator it = scene->nodeListIterator();
    EXPECT_EQ(it.next(), a);
    EXPECT_EQ(it.next(), b);
    EXPECT_EQ(it.next(), c);
    EXPECT_FALSE(it.hasNext());

    EXPECT_TRUE(scene->removeNode(a));
    EXPECT_FALSE(scene->removeNode(a));
    EXPECT_EQ(scene->findNode("A"), c);
    delete b;  // deleted elsewhere: it leaves the list
    EXPECT_EQ(scene->getNumNodes(), 1);
    EXPECT_EQ(scene->getNode(0), c);
}

// Large meshes are evaluated on the host's workers (also run under ThreadSanitizer): the result must be the
// serial arithmetic's, bit for bit, in every chunk.
TEST_F(SceneTransforms, ALargeMeshIsEvaluatedOnTheWorkersBitForBit) {
    DzNode* node = dztest::makeNode("Big", dztest::makeGrid(500, 400, 0.01f));  // 200,901 vertices
    scene->addNode(node);
    node->getObject()->addModifier(new ShiftModifier({0.25f, 0, 0}));
    node->setOrigin({1, 0.5f, 0});
    node->setLocalPos({0, 0, 3});
    node->setLocalRot(DzQuat({0.3f, 0.4f, 0.866f}, 0.7f));
    node->setLocalScale({1.5f, 1.5f, 1.5f});
    auto const* base = static_cast<DzFacetMesh const*>(node->getObject()->getCurrentShape()->getGeometry());
    DzMatrix3 const ws = node->getWSTransform();
    DzVec3 const origin = node->getOrigin();
    auto const* evaluated = static_cast<DzFacetMesh*>(node->getObject()->getCachedGeom());
    ASSERT_EQ(evaluated->getNumVertices(), base->getNumVertices());
    int differing = 0;
    for (int i = 0; i < base->getNumVertices(); ++i) {
        DzVec3 p = base->getVertex(i);
        p.m_x -= origin.m_x;
        p.m_y -= origin.m_y;
        p.m_z -= origin.m_z;
        p.m_x += 0.25f;
        DzVec3 const expected = ws.multPnt(p);
        DzVec3 const got = evaluated->getVertex(i);
        if (!(got.m_x == expected.m_x && got.m_y == expected.m_y && got.m_z == expected.m_z))
            ++differing;
    }
    EXPECT_EQ(differing, 0);
}
