// The scene's node selection with its primary node, and the host's own facet selection and face groups.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>
#include <memory>

#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzfacegroup.h"
#include "dzfacetmesh.h"
#include "dzfacetselaction.h"
#include "dzfixtures.h"
#include "dzmainwindow.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"

namespace {

class HostNodeSelection : public ::testing::Test {
protected:
    void SetUp() override {
        scene = dzScene;
        for (char const* name : {"a", "b", "c"}) {
            DzNode* node = dztest::makeNode(name, dztest::makeGrid(1, 1));
            scene->addNode(node);
            nodes << node;
        }
    }
    void TearDown() override {
        scene->selectAllNodes(false);
        for (DzNode* n : nodes) scene->removeNode(n);
    }
    QStringList selectedNames() const {
        QStringList out;
        for (int i = 0; i < scene->getNumSelectedNodes(); ++i) out << scene->getSelectedNode(i)->getName();
        return out;
    }
    DzScene* scene = nullptr;
    QList<DzNode*> nodes;
};

TEST_F(HostNodeSelection, PrimarySelectionChangesAreSignalledInsideTheCall) {
    QList<DzNode*> seen;
    QList<DzNode*> primaryDuringSignal;
    auto c = QObject::connect(scene, &DzScene::primarySelectionChanged, [&](DzNode* n) {
        seen << n;
        primaryDuringSignal << scene->getPrimarySelection();
    });
    scene->setPrimarySelection(nodes[1]);
    ASSERT_EQ(seen, QList<DzNode*>{nodes[1]});  // before setPrimarySelection returned
    scene->setPrimarySelection(nodes[1]);       // no change, no signal
    EXPECT_EQ(seen.size(), 1);
    scene->selectAllNodes(false);
    ASSERT_EQ(seen, (QList<DzNode*>{nodes[1], nullptr}));
    EXPECT_EQ(primaryDuringSignal, seen);
    EXPECT_EQ(scene->getNumSelectedNodes(), 0);
    QObject::disconnect(c);
}

TEST_F(HostNodeSelection, SelectingAndDeselectingKeepsAPrimaryNodeWhileAnyIsSelected) {
    QSignalSpy primary(scene, &DzScene::primarySelectionChanged);
    scene->selectNode(nodes[0]);
    EXPECT_EQ(scene->getPrimarySelection(), nodes[0]);
    scene->selectNode(nodes[2]);
    EXPECT_EQ(scene->getPrimarySelection(), nodes[0]);
    EXPECT_EQ(selectedNames(), (QStringList{"a", "c"}));
    EXPECT_TRUE(scene->isNodeSelected(nodes[2]));
    EXPECT_FALSE(scene->isNodeSelected(nodes[1]));
    scene->setPrimarySelection(nodes[1]);  // selects it too
    EXPECT_EQ(selectedNames(), (QStringList{"a", "c", "b"}));
    scene->selectNode(nodes[1], false);  // the last one still selected becomes primary
    EXPECT_EQ(scene->getPrimarySelection(), nodes[2]);
    EXPECT_EQ(primary.count(), 3);
    scene->selectAllNodes(true);
    EXPECT_EQ(scene->getNumSelectedNodes(), 3);
    EXPECT_EQ(scene->getPrimarySelection(), nodes[2]);
    scene->setPrimarySelection(nullptr);
    EXPECT_EQ(scene->getNumSelectedNodes(), 0);
    EXPECT_EQ(scene->getPrimarySelection(), nullptr);
    scene->selectAllNodes(true);
    EXPECT_EQ(scene->getPrimarySelection(), nodes[0]);
    // A node that is not in the scene is never selected.
    std::unique_ptr<DzNode> stranger(dztest::makeNode("x", dztest::makeGrid(1, 1)));
    scene->setPrimarySelection(stranger.get());
    scene->selectNode(stranger.get());
    EXPECT_FALSE(scene->isNodeSelected(stranger.get()));
    EXPECT_EQ(scene->getPrimarySelection(), nodes[0]);
}

TEST_F(HostNodeSelection, ANodeLeavingTheSceneIsDeselectedFirst) {
    scene->setPrimarySelection(nodes[0]);
    scene->selectNode(nodes[1]);
    QList<DzNode*> seen;
    bool stillInSceneWhenSignalled = false;
    DzNode* removed = nodes[1];
    scene->setPrimarySelection(removed);
    auto c = QObject::connect(scene, &DzScene::primarySelectionChanged, [&](DzNode* n) {
        seen << n;
        stillInSceneWhenSignalled = scene->findNode("b") == removed;
    });
    nodes.removeOne(removed);
    ASSERT_TRUE(scene->removeNode(removed));
    EXPECT_EQ(seen, QList<DzNode*>{nodes[0]});
    EXPECT_FALSE(stillInSceneWhenSignalled);
    EXPECT_EQ(selectedNames(), QStringList{"a"});
    // Deleted by someone else: it leaves the selection too.
    DzNode* other = nodes.takeFirst();
    delete other;
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1], nullptr);
    EXPECT_EQ(scene->getPrimarySelection(), nullptr);
    EXPECT_EQ(scene->getNumSelectedNodes(), 0);
    QObject::disconnect(c);
}

TEST(HostNodes, VisibilityAndTheWorldBoxOfTheCachedGeometry) {
    std::unique_ptr<DzNode> node(dztest::makeNode("g", dztest::makeGrid(2, 1)));
    QSignalSpy visibility(node.get(), &DzNode::visibilityChanged);
    EXPECT_TRUE(node->isVisible());
    node->setVisible(false);
    node->setVisible(false);
    EXPECT_FALSE(node->isVisible());
    EXPECT_EQ(visibility.count(), 1);
    node->setLocalPos(DzVec3(10.0f, 0.0f, -1.0f));
    DzBox3 const box = node->getWSBoundingBox();
    ASSERT_TRUE(box.isValid());
    EXPECT_EQ(box.getMin(), DzVec3(10.0f, 0.0f, -1.0f));
    EXPECT_EQ(box.getMax(), DzVec3(12.0f, 1.0f, -1.0f));
    DzNode empty;
    EXPECT_FALSE(empty.getWSBoundingBox().isValid());
}

// ---- facet selection ----

// 3 x 3 grid, facet (i, j) = j * 3 + i; "row 0" is j = 0. Written as nine 0/1 digits, facet 0 first.
QString flagsOf(DzFacetMesh const& mesh) {
    QString s;
    for (int f = 0; f < mesh.getNumFacets(); ++f) s += mesh.isFacetSelected(f) ? '1' : '0';
    return s;
}

void selectOnly(DzFacetMesh& mesh, QString const& bits) {
    mesh.deselectAllFacets();
    DzFaceGroup group;
    for (int f = 0; f < bits.size(); ++f)
        if (bits[f] == '1')
            group.addIndex(f);
    mesh.selectFacets(&group);
}

TEST(HostFacetSelection, GrowAddsFacetsSharingAVertexAndShrinkDropsFacetsTouchingUnselectedOnes) {
    std::unique_ptr<DzFacetMesh> mesh(dztest::makeGrid(3, 3));
    struct Case {
        char const* before;
        bool grow;
        char const* after;
        bool changed;
    };
    Case const cases[] = {
        {"000010000", true, "111111111", true},    // the centre touches every facet at a corner
        {"100000000", true, "110110000", true},    // a corner grows into its 2 x 2 block
        {"110110000", false, "100000000", true},   // and shrinks back to the corner
        {"111111111", false, "111111111", false},  // the border alone shrinks nothing
        {"111111111", true, "111111111", false},
        {"000010000", false, "000000000", true},
        {"000000000", true, "000000000", false},
        {"111000000", false, "000000000", true},  // a strip of one row touches row 1 everywhere
    };
    for (Case const& c : cases) {
        selectOnly(*mesh, c.before);
        bool const changed = c.grow ? mesh->growFacetSelection() : mesh->shrinkFacetSelection();
        EXPECT_EQ(flagsOf(*mesh), c.after) << c.before << (c.grow ? " grow" : " shrink");
        EXPECT_EQ(changed, c.changed) << c.before;
    }
}

TEST(HostFacetSelection, HiddenFacetsAreNeverSelectedByGrowOrAllAndStopAShrink) {
    std::unique_ptr<DzFacetMesh> mesh(dztest::makeGrid(3, 3));
    mesh->setFacetHidden(1, true);
    selectOnly(*mesh, "100000000");
    mesh->growFacetSelection();
    EXPECT_EQ(flagsOf(*mesh), "100110000");
    EXPECT_TRUE(mesh->selectAllFacets());
    EXPECT_EQ(flagsOf(*mesh), "101111111");
    EXPECT_EQ(mesh->getNumSelectedFacets(), 8);
    // Facets 0, 2, 3, 4, 5 touch the hidden (unselected) facet 1.
    mesh->shrinkFacetSelection();
    EXPECT_EQ(flagsOf(*mesh), "000000111");
    EXPECT_TRUE(mesh->deselectAllFacets());
    EXPECT_FALSE(mesh->deselectAllFacets());
    EXPECT_EQ(mesh->getFacetFlagsPtr()[1], DZ_FACET_HIDDEN);
    // Hiding a selected facet deselects it.
    selectOnly(*mesh, "000010000");
    mesh->setFacetHidden(4, true);
    EXPECT_EQ(mesh->getNumSelectedFacets(), 0);
    mesh->setFacetHidden(4, false);
    EXPECT_EQ(mesh->getFacetFlagsPtr()[4], 0);
}

TEST(HostFacetSelection, SelectFacetsSetsTheGroupsFacetsOnTopOfTheSelectionAndSkipsBadIndices) {
    std::unique_ptr<DzFacetMesh> mesh(dztest::makeGrid(3, 3));
    DzFaceGroup group;
    EXPECT_EQ(group.getName(), "");
    for (int f : {8, 2, -1, 9, 2}) group.addIndex(f);
    EXPECT_EQ(group.count(), 5);
    EXPECT_TRUE(mesh->selectFacets(&group));
    EXPECT_EQ(flagsOf(*mesh), "001000001");
    EXPECT_FALSE(mesh->selectFacets(&group));
    DzFaceGroup more("more");
    more.addIndex(0);
    mesh->selectFacets(&more);
    EXPECT_EQ(flagsOf(*mesh), "101000001");
    EXPECT_FALSE(mesh->selectFacets(nullptr));
    // Copies with flags carry the selection; the other bits of the flag bytes stay.
    mesh->getFacetFlagsPtr()[0] |= 0x80;
    DzFacetMesh copy;
    copy.copyFrom(*mesh, false, true);
    EXPECT_EQ(flagsOf(copy), "101000001");
    copy.deselectAllFacets();
    EXPECT_EQ(copy.getFacetFlagsPtr()[0], 0x80);
}

TEST_F(HostNodeSelection, TheHostsFacetActionsWorkOnThePrimaryNodesBaseGeometry) {
    DzActionMgr* actions = dzApp->getInterface()->getActionMgr();
    DzNode* node = dztest::makeNode("grid", dztest::makeGrid(3, 3));
    scene->addNode(node);
    nodes << node;
    DzFacetMesh* base = node->getObject()->getCurrentShape()->getGeometry();
    auto* cached = qobject_cast<DzFacetMesh*>(node->getObject()->getCachedGeom());
    ASSERT_NE(cached, nullptr);
    auto run = [&](char const* className) { actions->findAction(className)->trigger(); };
    // Nothing is selected: no node to act on.
    run("DzFacetSelAllAction");
    EXPECT_EQ(base->getNumSelectedFacets(), 0);
    scene->setPrimarySelection(nodes[0]);  // another node is primary
    run("DzFacetSelAllAction");
    EXPECT_EQ(base->getNumSelectedFacets(), 0);
    scene->setPrimarySelection(node);
    selectOnly(*base, "100000000");
    run("DzFacetSelGrowAction");
    EXPECT_EQ(flagsOf(*base), "110110000");
    // The evaluated geometry follows.
    cached = qobject_cast<DzFacetMesh*>(node->getObject()->getCachedGeom());
    EXPECT_EQ(flagsOf(*cached), "110110000");
    run("DzFacetSelShrinkAction");
    EXPECT_EQ(flagsOf(*base), "100000000");
    run("DzFacetSelAllAction");
    EXPECT_EQ(base->getNumSelectedFacets(), 9);
    run("DzFacetSelClearAction");
    EXPECT_EQ(base->getNumSelectedFacets(), 0);
}

}  // namespace
