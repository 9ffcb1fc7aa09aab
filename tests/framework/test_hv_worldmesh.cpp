#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "dzexpect.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzfloatproperty.h"
#include "dzskinbinding.h"
#include "hv_meshmodifier.h"
#include "hv_worldmesh.h"

namespace {

class EditModifier : public HvMeshModifier {
public:
    EditModifier() : HvMeshModifier("Edit") {}
    void modifierStatsChanged() override {}
};

// A world-space modifier: pushes every vertex away from the world origin along X.
class PushModifier : public DzModifier {
public:
    int apply(DzVertexMesh& mesh, DzNode&) override {
        auto v = mesh.getVerticesPtr();
        for (int i = 0; i < mesh.getNumVertices(); ++i) v[i][0] = v[i][0] * 1.5f + 0.25f;
        return 0;
    }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
};

::testing::AssertionResult sameVertices(DzFacetMesh const& a, DzFacetMesh const& b) {
    if (a.getNumVertices() != b.getNumVertices())
        return ::testing::AssertionFailure() << a.getNumVertices() << " vertices vs " << b.getNumVertices();
    if (std::memcmp(a.getVerticesPtr(), b.getVerticesPtr(), size_t(a.getNumVertices()) * 3 * sizeof(float)) !=
        0)
        return ::testing::AssertionFailure() << "the vertex arrays differ";
    return ::testing::AssertionSuccess();
}

using dztest::expectNear;

struct WorldMesh : ::testing::Test {
    void SetUp() override { dzScene->clear(); }
    void TearDown() override {
        dzScene->clear();
        while (dzScene->getNumWSModifiers() > 0) {
            DzModifier* m = dzScene->wsModifierListIterator().next();
            dzScene->removeWSModifier(m);
            delete m;
        }
    }

    // A node in the scene with everything that moves a vertex: origin, transform, a morph, our deltas, a
    // binding, and a world-space modifier.
    DzNode* makeEditedNode(int nx, int ny, EditModifier** edit = nullptr) {
        DzNode* node = dztest::makeNode("Edited", dztest::makeGrid(nx, ny, 0.1f));
        node->setOrigin({0.5f, 0.25f, 0});
        node->setLocalPos({1, 2, 3});
        node->setLocalRot(DzQuat(DzVec3(0, 1, 1).normalized(), 0.4f));
        node->setLocalScale({1.5f, 1.5f, 1.5f});
        DzObject* o = node->getObject();
        auto* deltas = new DzMorphDeltas;
        deltas->addDelta(1, {0, 0, 0.5f}, false, 0);
        auto* morph = new DzMorph(deltas);
        morph->getValueProperty()->setValue(0.5f);
        o->addModifier(morph);
        auto* mine = new EditModifier;
        mine->setDeltas(HvVertexOffsets{{0, {0, 0, 1}}, {nx, {0.25f, 0, 0}}});
        o->addModifier(mine);
        auto* skin = new DzSkinBinding;
        skin->setPose(DzMatrix3::translation({0, 0, -1}));
        o->addModifier(skin);
        dzScene->addNode(node);
        if (edit)
            *edit = mine;
        return node;
    }
};

}  // namespace

TEST_F(WorldMesh, NoUsableGeometryGivesANullMeshAndNoError) {
    DzNode bare;
    EXPECT_EQ(HvWorldMeshBaseWithModifiers(bare).getMesh(), nullptr);
    bare.setObject(new DzObject);
    EXPECT_EQ(HvWorldMeshBaseWithModifiers(bare).getMesh(), nullptr) << "no shape";
    bare.getObject()->setCurrentShape(new DzShape);
    EXPECT_EQ(HvWorldMeshBaseWithModifiers(bare).getMesh(), nullptr) << "no geometry";
    bare.getObject()->getCurrentShape()->setGeometry(new DzFacetMesh);
    EXPECT_EQ(HvWorldMeshBaseWithModifiers(bare).getMesh(), nullptr) << "no vertices";
    size_t count = 99;
    EXPECT_EQ(HvWorldMeshBaseWithModifiers::CopyBaseMeshVerticesMinusOrigin(bare, &count), nullptr);
    EXPECT_EQ(HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(bare, &count), nullptr);
    EXPECT_EQ(count, 99u) << "written only when there is a mesh";
}

TEST_F(WorldMesh, TheBaseCopyIsRelativeToTheOrigin) {
    std::unique_ptr<DzNode> node(dztest::makeNode("G", dztest::makeGrid(2, 1)));
    DzFacetMesh* base = node->getObject()->getCurrentShape()->getGeometry();
    size_t count = 0;
    EXPECT_EQ(HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(*node, &count), base);
    EXPECT_EQ(count, 6u);

    std::unique_ptr<DzFacetMesh> copy = HvWorldMeshBaseWithModifiers::CopyBaseMeshVerticesMinusOrigin(*node);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), base);
    EXPECT_TRUE(sameVertices(*copy, *base)) << "origin exactly zero: the vertices as they are";
    EXPECT_EQ(copy->getNumFacets(), base->getNumFacets());

    node->setOrigin({0, 0, -2});
    count = 0;
    copy = HvWorldMeshBaseWithModifiers::CopyBaseMeshVerticesMinusOrigin(*node, &count);
    EXPECT_EQ(count, 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(copy->getVertex(i), base->getVertex(i) + DzVec3(0, 0, 2));
    EXPECT_EQ(base->getVertex(5), DzVec3(2, 1, 0)) << "the base stays as it is";
}

// The copy shows what the viewport shows: it equals the object's cached geometry vertex for vertex, on the
// calling thread (500 vertices) and on the pool (501).
TEST_F(WorldMesh, EqualsTheDisplayedGeometryWithOurDeltasVisible) {
    for (auto [nx, ny] : {std::pair{19, 24}, std::pair{2, 166}}) {
        SCOPED_TRACE((nx + 1) * (ny + 1));
        EditModifier* edit = nullptr;
        DzNode* node = makeEditedNode(nx, ny, &edit);
        dzScene->addWSModifier(new PushModifier);
        HvWorldMeshBaseWithModifiers world(*node);
        ASSERT_NE(world.getMesh(), nullptr);
        auto* shown = static_cast<DzFacetMesh*>(node->getObject()->getCachedGeom());
        EXPECT_TRUE(sameVertices(*world.getMesh(), *shown));
        EXPECT_EQ(world.getMesh()->getNumFacets(), nx * ny);

        // Vertex nx, (0.1 nx, 0, 0) in the base, carries our delta along X.
        DzVec3 local = DzVec3(0.1f * nx + 0.25f, 0, 0) - node->getOrigin() + DzVec3(0, 0, -1);
        DzVec3 expected = node->getWSTransform().multPnt(local);
        expected.m_x = expected.m_x * 1.5f + 0.25f;
        expectNear(world.getMesh()->getVertex(nx), expected, 1e-4f);

        // A snapshot: later edits show in the next copy only.
        edit->setDeltas(HvVertexOffsets{{nx, {0, 0, 0}}});
        edit->emitCurrentValueChanged();
        HvWorldMeshBaseWithModifiers later(*node);
        EXPECT_FALSE(sameVertices(*world.getMesh(), *later.getMesh()));
        EXPECT_TRUE(
            sameVertices(*later.getMesh(), *static_cast<DzFacetMesh*>(node->getObject()->getCachedGeom())));
        TearDown();
    }
}
