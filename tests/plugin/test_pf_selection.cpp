// The selection: its sets, the pick changes, select all, grow and shrink, the host's face selection both
// ways, subdivided cages, the selection normal, snapshots and the highlight drawing.
#include <gtest/gtest.h>

#include <qopengl.h>

#include <memory>
#include <set>
#include <vector>

#include "dzapp.h"
#include "dzfacegroup.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzglcontext.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dztempsettings.h"
#include "hv_base.h"
#include "hv_worldmesh.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"

namespace {

using Set = std::set<int>;

Set asSet(std::set<int> const& s) {
    return s;
}

DzShape* shapeOf(DzNode* node) {
    return node->getObject()->getCurrentShape();
}

DzFacetMesh* baseOf(DzNode* node) {
    return shapeOf(node)->getGeometry();
}

using pftest::addNode;
using pftest::makeUpFacingQuad;

// A 3 x 3 grid of unit quads on the XY plane (16 vertices, 24 edges, facet 4 in the middle) in the scene,
// with a selection on it; the options at their defaults (faces, radius 50, smooth curve, Ctrl adds, Alt
// removes).
class PfSelectionTest : public pftest::PfNodeSelectionTest {
protected:
    void SetUp() override { selectOn(dztest::makeNode("grid", dztest::makeGrid(3, 3))); }

    void setType(PfSelectionType type) { PfSettings::Get()->m_eSelectionType = type; }
};

}  // namespace

TEST(PfSelectSetBase, Operations) {
    PfSelectSetBase set;
    EXPECT_TRUE(set.selectExactlyOne(3));
    EXPECT_FALSE(set.selectExactlyOne(3));  // already exactly {3}
    set.selectAdditional(5);
    set.selectAdditional(5);
    EXPECT_EQ(asSet(set), (Set{3, 5}));
    EXPECT_TRUE(set.selectExactlyOne(3));  // {3, 5} is not exactly {3}
    EXPECT_EQ(asSet(set), (Set{3}));
    EXPECT_TRUE(set.unselectOne(3));
    EXPECT_FALSE(set.unselectOne(3));
    set.toggle(7);
    set.toggle(8);
    set.toggle(7);
    EXPECT_EQ(asSet(set), (Set{8}));
    set.unselectAll();
    EXPECT_TRUE(set.empty());
}

TEST_F(PfSelectionTest, FindsOrInsertsTheModifierAndListensForTheTool) {
    ASSERT_TRUE(selection->getModifier());
    EXPECT_EQ(selection->getModifier()->objectName(), "HV_PullformModifier");
    EXPECT_EQ(node->getObject()->findModifier("HV_PullformModifier"), selection->getModifier());
    // A second selection finds the same modifier.
    auto second = PfSelection::Create(&tool, node);
    EXPECT_EQ(second->getModifier(), selection->getModifier());
    EXPECT_EQ(node->getObject()->getNumModifiers(), 1);

    EXPECT_TRUE(QObject::disconnect(node, &DzNode::transformChanged, &tool,
                                    &PfTool::slotSelectedNodeTransformChanged));
    second.reset();
    selection.reset();
    // Destroyed, the selections leave no connection behind.
    EXPECT_FALSE(QObject::disconnect(node, &DzNode::transformChanged, &tool,
                                     &PfTool::slotSelectedNodeTransformChanged));
}

TEST_F(PfSelectionTest, NodeWithoutObjectHasNoModifierAndSelectsNothing) {
    DzNode* empty = new DzNode;
    dzScene->addNode(empty);
    auto s = PfSelection::Create(&tool, empty);
    EXPECT_FALSE(s->getModifier());
    s->selectAllOrThrow(*PfSettings::Get(), true);
    EXPECT_TRUE(s->getSelectedFacets().empty());
    EXPECT_EQ(s->drawSelection(), 0);
}

// How a pick changes the set: each row starts from a set and a state and picks one index.
struct HandleCase {
    char const* name;
    PfSelectionType type;
    Set before;
    PfSelection::State state;
    DzViewportMgr::ViewMouseModifier modifier;
    int index;
    Set after;
    PfMouseHandlerResult result;
    PfSelection::State stateAfter;
};

class PfHandleSelectionTest : public PfSelectionTest, public ::testing::WithParamInterface<HandleCase> {};

TEST_P(PfHandleSelectionTest, ChangesTheSetOfTheType) {
    HandleCase const& c = GetParam();
    // Fill the set of the type through picks with the add key, then put the state in place.
    selection->setState(PfSelection::State::Selecting);
    for (int i : c.before) selection->handleSelection(c.type, i, DzViewportMgr::NoModifier);
    selection->setState(c.state);
    PfMouseHandlerResult const result = selection->handleSelection(c.type, c.index, c.modifier);
    Set const& actual =
        c.type == PfSelectionType::Vertex ? static_cast<Set const&>(selection->getSelectedVertices())
        : c.type == PfSelectionType::Edge ? static_cast<Set const&>(selection->getSelectedEdges())
                                          : static_cast<Set const&>(selection->getSelectedFacets());
    EXPECT_EQ(actual, c.after);
    EXPECT_EQ(int(result), int(c.result));
    EXPECT_EQ(selection->getState(), c.stateAfter);
}

using VM = DzViewportMgr;
using R = PfMouseHandlerResultFlag;
INSTANTIATE_TEST_SUITE_P(Cases, PfHandleSelectionTest,
                         ::testing::Values(HandleCase{"PlainClickOnTheOnlySelectedFace",
                                                      PfSelectionType::Face,
                                                      {4},
                                                      PfSelection::State::DragFinished,
                                                      VM::NoModifier,
                                                      4,
                                                      {4},
                                                      R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle},
                                           HandleCase{"PlainClickReplaces",
                                                      PfSelectionType::Face,
                                                      {1, 4},
                                                      PfSelection::State::Idle,
                                                      VM::NoModifier,
                                                      4,
                                                      {4},
                                                      R::FacetsChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle},
                                           HandleCase{"PaintingAdds",
                                                      PfSelectionType::Face,
                                                      {1},
                                                      PfSelection::State::Selecting,
                                                      VM::NoModifier,
                                                      4,
                                                      {1, 4},
                                                      R::FacetsChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Selecting},
                                           HandleCase{"AddKey",
                                                      PfSelectionType::Face,
                                                      {1},
                                                      PfSelection::State::Idle,
                                                      VM::CtrlModifier,
                                                      4,
                                                      {1, 4},
                                                      R::FacetsChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle},
                                           HandleCase{"RemoveKey",
                                                      PfSelectionType::Face,
                                                      {1, 4},
                                                      PfSelection::State::DragFinished,
                                                      VM::AltModifier,
                                                      4,
                                                      {1},
                                                      R::FacetsChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle},
                                           HandleCase{"RemoveKeyOnUnselectedStillReports",
                                                      PfSelectionType::Face,
                                                      {1},
                                                      PfSelection::State::Idle,
                                                      VM::AltModifier,
                                                      4,
                                                      {1},
                                                      R::FacetsChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle},
                                           HandleCase{"OtherKeyChangesNothing",
                                                      PfSelectionType::Face,
                                                      {1},
                                                      PfSelection::State::DragFinished,
                                                      VM::ShiftModifier,
                                                      4,
                                                      {1},
                                                      R(),
                                                      PfSelection::State::Idle},
                                           HandleCase{"TwoKeysChangeNothing",
                                                      PfSelectionType::Face,
                                                      {1},
                                                      PfSelection::State::Idle,
                                                      VM::MultipleModifiers,
                                                      4,
                                                      {1},
                                                      R(),
                                                      PfSelection::State::Idle},
                                           HandleCase{"Edges",
                                                      PfSelectionType::Edge,
                                                      {},
                                                      PfSelection::State::Idle,
                                                      VM::NoModifier,
                                                      7,
                                                      {7},
                                                      R::EdgesChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle},
                                           HandleCase{"Vertices",
                                                      PfSelectionType::Vertex,
                                                      {2},
                                                      PfSelection::State::Idle,
                                                      VM::CtrlModifier,
                                                      9,
                                                      {2, 9},
                                                      R::VerticesChanged | R::Redraw | R::Consumed,
                                                      PfSelection::State::Idle}),
                         [](::testing::TestParamInfo<HandleCase> const& info) {
                             return std::string(info.param.name);
                         });

TEST_F(PfSelectionTest, AddKeyWinsWhenBothKeysAreTheSame) {
    PfSettings::Get()->m_kmRemoveFromSelection.set(HvKeyboardModifier::Ctrl);
    selection->handleSelection(PfSelectionType::Face, 1, VM::NoModifier);
    selection->handleSelection(PfSelectionType::Face, 4, VM::CtrlModifier);
    EXPECT_EQ(asSet(selection->getSelectedFacets()), (Set{1, 4}));
}

TEST_F(PfSelectionTest, UnknownTypeChangesNothing) {
    selection->setState(PfSelection::State::DragFinished);
    EXPECT_EQ(int(selection->handleSelection(PfSelectionType(3), 1, VM::NoModifier)), 0);
    EXPECT_EQ(selection->getState(), PfSelection::State::Idle);
}

TEST_F(PfSelectionTest, FacesGiveTheirEdgesAndVertices) {
    selection->handleSelection(PfSelectionType::Face, 0, VM::NoModifier);
    selection->updateAfterSelectionChangeOrThrow(PfMouseHandlerResultFlag::FacetsChanged);
    EXPECT_EQ(asSet(selection->getSelectedVertices()), (Set{0, 1, 4, 5}));
    DzFacet const& f = baseOf(node)->getFacet(0);
    EXPECT_EQ(asSet(selection->getSelectedEdges()),
              (Set{f.m_edges[0], f.m_edges[1], f.m_edges[2], f.m_edges[3]}));
    EXPECT_TRUE(tool.isToolSettingsStatsUpdatePending());
}

TEST_F(PfSelectionTest, SelectAllAndClearByType) {
    PfSettings const& s = *PfSettings::Get();
    setType(PfSelectionType::Face);
    selection->selectAllOrThrow(s, true);
    EXPECT_EQ(selection->getSelectedFacets().size(), 9u);
    EXPECT_EQ(selection->getSelectedVertices().size(), 16u);
    EXPECT_EQ(selection->getSelectedEdges().size(), 24u);
    selection->selectAllOrThrow(s, false);
    EXPECT_TRUE(selection->getSelectedFacets().empty());
    EXPECT_TRUE(selection->getSelectedVertices().empty());

    // Every vertex on an edge: here, all of them.
    setType(PfSelectionType::Edge);
    selection->selectAllOrThrow(s, true);
    EXPECT_EQ(selection->getSelectedEdges().size(), 24u);
    EXPECT_EQ(selection->getSelectedVertices().size(), 16u);
    EXPECT_TRUE(selection->getSelectedFacets().empty());

    setType(PfSelectionType::Vertex);
    selection->selectAllOrThrow(s, false);
    EXPECT_TRUE(selection->getSelectedVertices().empty());
    selection->selectAllOrThrow(s, true);
    EXPECT_EQ(selection->getSelectedVertices().size(), 16u);
}

TEST_F(PfSelectionTest, SelectAllEdgesLeavesLooseVerticesOut) {
    DzFacetMesh* mesh = dztest::makeGrid(1, 1);
    mesh->addVertex(DzVec3(5, 5, 0));  // on no facet, so on no edge
    mesh->finalize();
    DzNode* loose = addNode("loose", mesh);
    auto s = PfSelection::Create(&tool, loose);
    setType(PfSelectionType::Edge);
    s->selectAllOrThrow(*PfSettings::Get(), true);
    EXPECT_EQ(asSet(s->getSelectedVertices()), (Set{0, 1, 2, 3}));
}

TEST_F(PfSelectionTest, GrowAndShrinkFollowTheHostRule) {
    PfSettings const& s = *PfSettings::Get();
    selection->handleSelection(PfSelectionType::Face, 0, VM::NoModifier);
    selection->growOrShrinkSelectionOrThrow(s, true);
    EXPECT_EQ(asSet(selection->getSelectedFacets()), (Set{0, 1, 3, 4}));
    EXPECT_EQ(selection->getSelectedVertices().size(), 9u);
    // The host's facet selection now holds the same faces.
    EXPECT_EQ(baseOf(node)->getNumSelectedFacets(), 4);
    selection->growOrShrinkSelectionOrThrow(s, false);
    EXPECT_EQ(asSet(selection->getSelectedFacets()), (Set{0}));
    EXPECT_EQ(asSet(selection->getSelectedVertices()), (Set{0, 1, 4, 5}));
    // Shrunk to nothing, nothing is left selected.
    selection->handleSelection(PfSelectionType::Face, 4, VM::NoModifier);
    selection->growOrShrinkSelectionOrThrow(s, false);
    EXPECT_TRUE(selection->getSelectedFacets().empty());
    EXPECT_TRUE(selection->getSelectedVertices().empty());
}

TEST_F(PfSelectionTest, GrowAndShrinkOnlyInFaceMode) {
    for (PfSelectionType type : {PfSelectionType::Edge, PfSelectionType::Vertex}) {
        setType(type);
        try {
            selection->growOrShrinkSelectionOrThrow(*PfSettings::Get(), true);
            ADD_FAILURE() << "no exception";
        } catch (HvException const& e) {
            EXPECT_STREQ(
                e.what(),
                "Growing and shrinking selections is currently only supported in face selection mode.");
        }
    }
}

TEST_F(PfSelectionTest, HostFaceSelectionBothWays) {
    DzFaceGroup group;
    group.addIndex(2);
    group.addIndex(7);
    baseOf(node)->selectFacets(&group);
    selection->copyFaceSelectionsFromMesh(*PfSettings::Get());
    EXPECT_EQ(asSet(selection->getSelectedFacets()), (Set{2, 7}));
    EXPECT_EQ(selection->getSelectedVertices().size(), 8u);

    selection->handleSelection(PfSelectionType::Face, 5, VM::NoModifier);
    EXPECT_EQ(selection->copyFaceSelectionsToMesh(), baseOf(node));
    EXPECT_EQ(baseOf(node)->getNumSelectedFacets(), 1);
    EXPECT_TRUE(baseOf(node)->isFacetSelected(5));
}

TEST_F(PfSelectionTest, SubdividedPicksSelectCageFaces) {
    shapeOf(node)->setSubdivisionLevel(1);
    DzFacetMesh* cached = selection->getCachedGeometry();
    ASSERT_TRUE(cached && cached->isSubDivisionEnabled());
    ASSERT_EQ(cached->getNumFacets(), 36);
    std::map<int, std::vector<int>> const& cages = selection->getCachedCagesMap();
    ASSERT_EQ(cages.size(), 9u);
    std::vector<int> const& ofCentre = cages.at(4);
    ASSERT_EQ(ofCentre.size(), 4u);

    // A pick on a refined face of the centre selects the centre cage face...
    EXPECT_EQ(selection->findCageFacetIfSubd(ofCentre[2]), 4);
    selection->handleSelection(PfSelectionType::Face, ofCentre[2], VM::NoModifier);
    EXPECT_EQ(asSet(selection->getSelectedFacets()), (Set{4}));
    // ...and the centre is drawn as its four refined faces.
    EXPECT_EQ(selection->getSelectedFacetsMaybeSubd(), Set(ofCentre.begin(), ofCentre.end()));
    // A face outside the refined mesh maps to itself.
    EXPECT_EQ(selection->findCageFacetIfSubd(1000), 1000);
}

TEST_F(PfSelectionTest, UnsubdividedFacesAreDrawnAsSelected) {
    selection->handleSelection(PfSelectionType::Face, 3, VM::NoModifier);
    EXPECT_EQ(selection->findCageFacetIfSubd(3), 3);
    EXPECT_EQ(selection->getSelectedFacetsMaybeSubd(), (Set{3}));
}

TEST_F(PfSelectionTest, SelectionNormalAndSideVector) {
    HvVec3 normal, side;
    EXPECT_FALSE(selection->getSelectionNormal(normal, side));  // nothing selected

    selection->handleSelection(PfSelectionType::Face, 4, VM::NoModifier);
    selection->updateAfterSelectionChangeOrThrow(PfMouseHandlerResultFlag::FacetsChanged);
    ASSERT_TRUE(selection->getSelectionNormal(normal, side));
    EXPECT_TRUE(DzVec3::equals(normal, DzVec3(0, 0, 1), 1e-6f))
        << normal.x << " " << normal.y << " " << normal.z;
    EXPECT_TRUE(DzVec3::equals(side, DzVec3(1, 0, 0), 1e-6f));

    // In vertex and edge modes the faces around the selected elements count.
    for (PfSelectionType type : {PfSelectionType::Vertex, PfSelectionType::Edge}) {
        setType(type);
        selection->invalidateAffectedVertices(50, PfFalloffMode::SmoothCurve, false);
        ASSERT_TRUE(selection->getSelectionNormal(normal, side));
        EXPECT_TRUE(DzVec3::equals(normal, DzVec3(0, 0, 1), 1e-6f));
    }
}

TEST_F(PfSelectionTest, SelectionNormalIsCachedUntilInvalidated) {
    HvVec3 normal, side;
    selection->handleSelection(PfSelectionType::Face, 4, VM::NoModifier);
    // The vertex set is still empty: computed once, invalid, and so it stays until an invalidation.
    EXPECT_FALSE(selection->getSelectionNormal(normal, side));
    selection->recomputeSelectedVerticesFromFacetsOrThrow();
    EXPECT_FALSE(selection->getSelectionNormal(normal, side));
    selection->invalidateAffectedVertices(50, PfFalloffMode::SmoothCurve, true);
    EXPECT_TRUE(selection->getSelectionNormal(normal, side));
}

TEST_F(PfSelectionTest, StraightUpNormalKeepsTheSideVector) {
    DzNode* up = addNode("up", makeUpFacingQuad());
    auto s = PfSelection::Create(&tool, up);
    s->handleSelection(PfSelectionType::Face, 0, VM::NoModifier);
    s->updateAfterSelectionChangeOrThrow(PfMouseHandlerResultFlag::FacetsChanged);
    HvVec3 normal(9, 9, 9), side(9, 9, 9);
    ASSERT_TRUE(s->getSelectionNormal(normal, side));
    EXPECT_TRUE(DzVec3::equals(normal, DzVec3(0, 1, 0), 1e-6f));
    EXPECT_EQ(side, HvVec3(0, 0, 0));  // the new selection's zero side vector
}

TEST_F(PfSelectionTest, RestoreOfASnapshot) {
    selection->handleSelection(PfSelectionType::Face, 0, VM::NoModifier);
    selection->handleSelection(PfSelectionType::Face, 8, VM::CtrlModifier);
    PfSelectionState const state(*selection);
    EXPECT_EQ(state.type, PfSelectionType::Face);
    EXPECT_EQ(state.facets, (Set{0, 8}));
    EXPECT_TRUE(state.edges.empty());
    EXPECT_EQ(state.allocated(), sizeof(PfSelectionState) + 8);

    selection->handleSelection(PfSelectionType::Face, 4, VM::NoModifier);
    setType(PfSelectionType::Vertex);
    selection->restoreOrThrow(state);
    EXPECT_EQ(asSet(selection->getSelectedFacets()), (Set{0, 8}));
    EXPECT_EQ(selection->getSelectedVertices().size(), 8u);
    EXPECT_EQ(PfSettings::Get()->m_eSelectionType, PfSelectionType::Face);
    EXPECT_TRUE(tool.isToolSettingsStatsUpdatePending());
}

TEST_F(PfSelectionTest, IndicesOutsideTheMeshAreSkipped) {
    // A snapshot taken on a larger mesh, restored on this one.
    DzNode* big = addNode("big", dztest::makeGrid(10, 10));
    auto other = PfSelection::Create(&tool, big);
    for (int f : {3, 50, 99}) other->handleSelection(PfSelectionType::Face, f, VM::CtrlModifier);
    PfSelectionState const faces(*other);
    selection->restoreOrThrow(faces);
    EXPECT_EQ(asSet(selection->getSelectedVertices()), (Set{4, 5, 8, 9}));  // face 3 only

    setType(PfSelectionType::Edge);
    for (int e : {1, 500}) other->handleSelection(PfSelectionType::Edge, e, VM::CtrlModifier);
    PfSelectionState const edges(*other);
    selection->restoreOrThrow(edges);
    EXPECT_EQ(selection->getSelectedVertices().size(), 2u);
    HvVec3 normal, side;
    EXPECT_TRUE(selection->getSelectionNormal(normal, side));

    dztest::GlContext gl;
    ASSERT_TRUE(gl.create(32, 32)) << gl.error().toStdString();
    EXPECT_EQ(selection->drawSelection(), 2);  // one edge
    setType(PfSelectionType::Vertex);
    selection->handleSelection(PfSelectionType::Vertex, 0, VM::NoModifier);
    for (int v : {16, 1000}) selection->handleSelection(PfSelectionType::Vertex, v, VM::CtrlModifier);
    EXPECT_EQ(selection->drawSelection(), 1);
    setType(PfSelectionType::Face);
    selection->restoreOrThrow(faces);
    EXPECT_EQ(selection->drawSelection(), 4);  // the quad of face 3
}

// The highlight drawn into a framebuffer: the grid fills 80 x 80 of 100 x 100 pixels, 20 pixels a unit.
class PfSelectionDrawTest : public PfSelectionTest {
protected:
    void SetUp() override {
        PfSelectionTest::SetUp();
        ASSERT_TRUE(gl.create(100, 100)) << gl.error().toStdString();
        gl.setOrtho(-1.0, 4.0, -1.0, 4.0, -10.0, 10.0);
        gl.clear();
    }
    // The pixel at grid coordinates (x, y).
    dztest::Rgba at(float x, float y) const {
        return gl.pixel(int((x + 1.0f) * 20.0f), int((y + 1.0f) * 20.0f));
    }
    static bool isYellow(dztest::Rgba const& c) { return c.r > 50 && c.r == c.g && c.b == 0; }

    dztest::GlContext gl;
};

TEST_F(PfSelectionDrawTest, FacesAreFilledInYellow) {
    selection->handleSelection(PfSelectionType::Face, 4, VM::NoModifier);
    glEnable(GL_LIGHTING);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    EXPECT_EQ(selection->drawSelection(), 4);
    EXPECT_TRUE(isYellow(at(1.5f, 1.5f))) << at(1.5f, 1.5f);
    EXPECT_EQ(at(0.5f, 0.5f), dztest::Rgba());
    EXPECT_EQ(at(2.5f, 1.5f), dztest::Rgba());
    // The state around the drawing is put back.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_EQ(modes[1], GL_LINE);
    EXPECT_EQ(gl.glError(), 0u);
}

TEST_F(PfSelectionDrawTest, SubdividedFacesAreDrawnRefined) {
    shapeOf(node)->setSubdivisionLevel(1);
    // Picks come as faces of the refined mesh.
    selection->handleSelection(PfSelectionType::Face, selection->getCachedCagesMap().at(4).front(),
                               VM::NoModifier);
    ASSERT_EQ(asSet(selection->getSelectedFacets()), (Set{4}));
    EXPECT_EQ(selection->drawSelection(), 16);  // four refined quads
    EXPECT_TRUE(isYellow(at(1.5f, 1.5f)));
    EXPECT_EQ(at(0.2f, 0.2f), dztest::Rgba());
}

TEST_F(PfSelectionDrawTest, EdgesAndVerticesAreDrawnThick) {
    setType(PfSelectionType::Edge);
    // The bottom edge of face 4: from vertex 5 (1, 1) to vertex 6 (2, 1).
    DzFacetMesh* base = baseOf(node);
    int bottom = -1;
    for (int e = 0; e < base->getNumEdges(); ++e)
        if (Set{base->getEdge(e).m_vertIdx[0], base->getEdge(e).m_vertIdx[1]} == Set{5, 6})
            bottom = e;
    ASSERT_GE(bottom, 0);
    selection->handleSelection(PfSelectionType::Edge, bottom, VM::NoModifier);
    selection->updateAfterSelectionChangeOrThrow(PfMouseHandlerResultFlag::EdgesChanged);
    GLfloat width = 0.0f;
    glLineWidth(3.0f);
    EXPECT_EQ(selection->drawSelection(), 2);
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 3.0f);
    EXPECT_TRUE(isYellow(at(1.5f, 1.0f)));
    EXPECT_TRUE(isYellow(at(1.5f, 1.1f)));  // 10 pixels wide
    EXPECT_EQ(at(1.5f, 1.5f), dztest::Rgba());

    gl.clear();
    setType(PfSelectionType::Vertex);
    selection->handleSelection(PfSelectionType::Vertex, 0, VM::NoModifier);
    EXPECT_EQ(selection->drawSelection(), 1);
    EXPECT_TRUE(isYellow(at(0.0f, 0.0f)));
    EXPECT_TRUE(isYellow(at(0.3f, 0.3f)));  // a point of 20 pixels
    EXPECT_EQ(at(1.0f, 0.0f), dztest::Rgba());
}
