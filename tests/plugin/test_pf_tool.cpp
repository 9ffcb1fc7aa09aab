// The viewport tool in a real viewport: activation, the pick road through synthetic mouse events, the
// highlight in the pixels, the wheel and key rules, the delayed redraw and statistics, the pane, the
// failures.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzcamera.h"
#include "dzfacegroup.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzwait.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dztempsettings.h"
#include "dzviewport.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_base.h"
#include "hv_worldmesh.h"
#include "pf_dlg_settings-tool.h"
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

DzFacetMesh* baseOf(DzNode* node) {
    return node->getObject()->getCurrentShape()->getGeometry();
}

// The edge of the mesh between two vertices; -1 when there is none.
int edgeBetween(DzFacetMesh const* mesh, int a, int b) {
    for (int e = 0; e < mesh->getNumEdges(); ++e)
        if (Set{mesh->getEdge(e).m_vertIdx[0], mesh->getEdge(e).m_vertIdx[1]} == Set{a, b})
            return e;
    return -1;
}

// A 400 x 300 viewport looking straight down at a 4 x 4 grid of unit quads on the XY plane (vertex (i, j) has
// index 5 j + i, face (i, j) index 4 j + i), with the tool registered; the options at their defaults (faces,
// radius 50, smooth curve, Ctrl adds, Alt removes, Ctrl moves the gizmo alone, Ctrl and the wheel size the
// falloff).
class PfToolTest : public pftest::PfToolViewportTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PfToolViewportTest::SetUp());
        grid = fx.addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
        fx.lookAt(DzVec3(2, 2, 10), DzVec3(2, 2, 0));
        registerTool();
    }
    void TearDown() override {
        PfToolViewportTest::TearDown();
        PfTool::SetPaneFactory(nullptr);
    }

    void activate() { ASSERT_TRUE(fx.mgr()->setActiveTool(tool)); }
    void click(float x, float y, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        dztest::mouseClick(fx.view(), at(x, y), Qt::LeftButton, modifiers);
    }
    PfSelection* selection() const { return tool->getSelection(); }
    Set faces() const { return selection() ? asSet(selection()->getSelectedFacets()) : Set{}; }
    int redraws() const { return fx.mgr()->getDrawnDataChangedCount(); }

    DzNode* grid = nullptr;
};

}  // namespace

// ---- activation ----

TEST_F(PfToolTest, ActivationAndDeactivation) {
    // The host's own face selection of the primary node is taken over.
    DzFaceGroup group;
    group.addIndex(5);
    baseOf(grid)->selectFacets(&group);
    dzScene->setPrimarySelection(grid);

    activate();
    EXPECT_EQ(PfTool::GetActive(), tool);
    EXPECT_FALSE(fx.mgr()->getAllowGraftDrawing());
    ASSERT_TRUE(selection());
    EXPECT_EQ(selection()->getNode(), grid);
    EXPECT_EQ(faces(), (Set{5}));
    EXPECT_TRUE(tool->isActive());

    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    EXPECT_EQ(PfTool::GetActive(), nullptr);
    EXPECT_TRUE(fx.mgr()->getAllowGraftDrawing());
    EXPECT_FALSE(selection());
    EXPECT_FALSE(tool->isActive());
}

TEST_F(PfToolTest, ActivationWithoutNodeMakesNoSelection) {
    activate();
    EXPECT_EQ(PfTool::GetActive(), tool);
    EXPECT_FALSE(selection());
    EXPECT_EQ(tool->getOrMakeSelectionOrThrow(nullptr, false), nullptr);
    try {
        tool->getOrMakeSelectionOrThrow("Select all", false);
        ADD_FAILURE() << "no exception";
    } catch (NoSelectionException const& e) {
        EXPECT_STREQ(e.what(),
                     "No object is currently selected in the scene. Please select one first and try the "
                     "\u201CSelect all\u201D command again.");
    }
}

TEST_F(PfToolTest, FailedActivationShowsItsMessageAndStaysInactive) {
    std::unique_ptr<DzViewportMgr> mgr(dzApp->getInterface()->takeViewportMgr());
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    tool->activate();
    dzApp->getInterface()->setViewportMgr(mgr.release());
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].text,
              "An error occured activating Pullform: cannot get Daz Studio viewport manager");
    EXPECT_EQ(PfTool::GetActive(), nullptr);
    EXPECT_TRUE(tool->isActive());  // for the host it is the tool; for the plug-in nothing happens
    tool->deactivate();
}

TEST_F(PfToolTest, FailedActivationPutsEverythingBack) {
    dzScene->setPrimarySelection(grid);
    DzViewportMgr* mgr = fx.mgr();
    // The manager goes away right after graft drawing was switched off: a later step of the first
    // activation fails.
    std::unique_ptr<DzViewportMgr> taken;
    QMetaObject::Connection const c =
        QObject::connect(mgr, &DzViewportMgr::allowGraftDrawingChanged, [&](bool allow) {
            if (!allow && !taken)
                taken.reset(dzApp->getInterface()->takeViewportMgr());
        });
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    tool->activate();
    QObject::disconnect(c);
    ASSERT_TRUE(taken);
    dzApp->getInterface()->setViewportMgr(taken.release());
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].text,
              "An error occured activating Pullform: cannot get Daz Studio viewport manager");
    EXPECT_EQ(PfTool::GetActive(), nullptr);
    EXPECT_TRUE(mgr->getAllowGraftDrawing());
    EXPECT_FALSE(selection());
    tool->deactivate();

    // Nothing is left behind that stops the next activation.
    activate();
    EXPECT_EQ(PfTool::GetActive(), tool);
    EXPECT_TRUE(selection());
    EXPECT_EQ(responder.boxes().size(), 1);
}

TEST_F(PfToolTest, DeactivationWithoutViewportManagerIsQuiet) {
    activate();
    std::unique_ptr<DzViewportMgr> mgr(dzApp->getInterface()->takeViewportMgr());
    dztest::ModalResponder responder;
    tool->deactivate();
    dzApp->getInterface()->setViewportMgr(mgr.release());
    EXPECT_TRUE(responder.boxes().isEmpty());
    EXPECT_EQ(PfTool::GetActive(), nullptr);
}

TEST_F(PfToolTest, Texts) {
    EXPECT_EQ(tool->getDisplayName(), "Pullform");
    EXPECT_EQ(
        tool->whatsThisText(),
        "Click here to activate Halvorin's Pullform, which allows you to move and rotate geometry inside Daz "
        "Studio.");
}

// ---- picking through the viewport ----

TEST_F(PfToolTest, ClickSelectsTheFaceUnderTheMouse) {
    activate();
    click(1.5f, 2.5f);
    EXPECT_EQ(dzScene->getPrimarySelection(), grid);
    ASSERT_TRUE(selection());
    EXPECT_EQ(selection()->getNode(), grid);
    EXPECT_EQ(faces(), (Set{9}));
    EXPECT_EQ(asSet(selection()->getSelectedVertices()), (Set{11, 12, 16, 17}));
    EXPECT_EQ(selection()->getState(), PfSelection::State::Idle);

    click(3.5f, 0.5f);
    EXPECT_EQ(faces(), (Set{3}));
}

TEST_F(PfToolTest, EdgeAndVertexModesPickTheNearest) {
    activate();
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Edge;
    click(1.5f, 2.1f);  // near the bottom edge of face 9
    ASSERT_TRUE(selection());
    EXPECT_EQ(asSet(selection()->getSelectedEdges()), (Set{edgeBetween(baseOf(grid), 11, 12)}));
    EXPECT_EQ(asSet(selection()->getSelectedVertices()), (Set{11, 12}));
    click(1.9f, 2.5f);  // near its right edge
    EXPECT_EQ(asSet(selection()->getSelectedEdges()), (Set{edgeBetween(baseOf(grid), 12, 17)}));

    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    click(1.2f, 2.8f);
    EXPECT_EQ(asSet(selection()->getSelectedVertices()), (Set{16}));
    click(3.7f, 0.6f);
    EXPECT_EQ(asSet(selection()->getSelectedVertices()), (Set{9}));
}

TEST_F(PfToolTest, AddAndRemoveModifiers) {
    activate();
    click(0.5f, 0.5f);
    click(2.5f, 0.5f, Qt::ControlModifier);
    click(2.5f, 2.5f, Qt::ControlModifier);
    EXPECT_EQ(faces(), (Set{0, 2, 10}));
    click(2.5f, 0.5f, Qt::AltModifier);
    EXPECT_EQ(faces(), (Set{0, 10}));
    // A key that is neither changes nothing; two keys at once neither.
    click(3.5f, 3.5f, Qt::ShiftModifier);
    click(3.5f, 3.5f, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(faces(), (Set{0, 10}));

    // Configured to other keys, they follow.
    PfSettings::Get()->m_kmAddToSelection.set(HvKeyboardModifier::Shift);
    click(3.5f, 3.5f, Qt::ShiftModifier);
    EXPECT_EQ(faces(), (Set{0, 10, 15}));
}

TEST_F(PfToolTest, PaintingWithTheButtonHeld) {
    activate();
    click(0.5f, 0.5f);  // the node is picked first
    dztest::mouseDrag(fx.view(), at(0.5f, 1.5f), at(3.5f, 1.5f), Qt::LeftButton, Qt::NoModifier, 12);
    EXPECT_EQ(faces(), (Set{4, 5, 6, 7}));
    EXPECT_EQ(selection()->getState(), PfSelection::State::Idle);
    // Painting beyond the mesh selects nothing more, and the painting stays on.
    dztest::mousePress(fx.view(), at(0.5f, 3.5f));
    dztest::mouseMove(fx.view(), at(-3.0f, 3.5f), Qt::LeftButton);
    dztest::mouseMove(fx.view(), at(1.5f, 3.5f), Qt::LeftButton);
    EXPECT_EQ(selection()->getState(), PfSelection::State::Selecting);
    dztest::mouseRelease(fx.view(), at(1.5f, 3.5f));
    EXPECT_EQ(faces(), (Set{12, 13}));
}

TEST_F(PfToolTest, OnlyTheLeftButtonsReleaseEndsThePainting) {
    activate();
    dztest::mousePress(fx.view(), at(0.5f, 0.5f));
    ASSERT_TRUE(selection());
    ASSERT_EQ(selection()->getState(), PfSelection::State::Selecting);
    dztest::mousePress(fx.view(), at(0.5f, 0.5f), Qt::RightButton);
    dztest::mouseRelease(fx.view(), at(0.5f, 0.5f), Qt::RightButton);
    EXPECT_EQ(selection()->getState(), PfSelection::State::Selecting);
    dztest::mouseMove(fx.view(), at(1.5f, 0.5f), Qt::LeftButton);
    dztest::mouseRelease(fx.view(), at(1.5f, 0.5f));
    EXPECT_EQ(selection()->getState(), PfSelection::State::Idle);
    EXPECT_EQ(faces(), (Set{0, 1}));
}

TEST_F(PfToolTest, ClickOnNothingDeselects) {
    activate();
    click(1.5f, 1.5f);
    ASSERT_TRUE(selection());
    // With a modifier held nothing changes.
    click(-3.0f, -3.0f, Qt::ControlModifier);
    EXPECT_EQ(dzScene->getPrimarySelection(), grid);
    EXPECT_EQ(faces(), (Set{5}));
    click(-3.0f, -3.0f);
    EXPECT_EQ(dzScene->getPrimarySelection(), nullptr);
    EXPECT_FALSE(selection());
}

TEST_F(PfToolTest, PressResults) {
    activate();
    QPoint const p = at(1.5f, 1.5f);
    QMouseEvent right(QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    fx.view()->makeCurrentForEvents();
    EXPECT_FALSE(tool->mousePress(fx.view(), &right, DzViewportMgr::NoModifier));
    EXPECT_FALSE(selection());
    QMouseEvent left(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(tool->mousePress(nullptr, &left, DzViewportMgr::NoModifier));
    EXPECT_FALSE(tool->mousePress(fx.view(), nullptr, DzViewportMgr::NoModifier));
    EXPECT_TRUE(tool->mousePress(fx.view(), &left, DzViewportMgr::NoModifier));
    EXPECT_EQ(faces(), (Set{5}));
    // A press on nothing is not taken: the viewport moves its camera.
    QMouseEvent off(QEvent::MouseButtonPress, at(-3.0f, -3.0f), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    tool->mouseRelease(fx.view(), &left, DzViewportMgr::NoModifier);
    EXPECT_FALSE(tool->mousePress(fx.view(), &off, DzViewportMgr::NoModifier));
}

TEST_F(PfToolTest, UnprojectionGivesTheRayUnderTheMouse) {
    fx.view()->makeCurrentForEvents();
    QPointF const p = fx.projectF(DzVec3(1.25f, 2.75f, 0.0f));
    QMouseEvent event(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    HvLine3 const ray = PfTool::UnProjectMouseEvent(PfGlTransforms::ReadCurrent(), event);
    DzVec3 hit;
    ASSERT_TRUE(ray.toDzLine3().planeIntersect(DzVec3(0, 0, 0), DzVec3(0, 0, 1), hit));
    EXPECT_NEAR(hit.m_x, 1.25f, 1e-3f);
    EXPECT_NEAR(hit.m_y, 2.75f, 1e-3f);
    // From the near to the far plane, the start in front of the camera.
    EXPECT_GT(ray.start.z, ray.end.z);
    EXPECT_LT(ray.start.z, 10.0f);
}

TEST_F(PfToolTest, WithoutPrimaryTheFirstNodeInListOrderIsTaken) {
    DzNode* nearer = fx.addNode(dztest::makeNode("nearer", dztest::makeGrid(4, 4)));
    nearer->setLocalPos(DzVec3(0, 0, 2));
    activate();
    click(1.5f, 1.5f);
    EXPECT_EQ(dzScene->getPrimarySelection(), grid);
    // With a primary node, only it is tested.
    dzScene->setPrimarySelection(nearer);
    click(1.5f, 1.5f, Qt::NoModifier);
    ASSERT_TRUE(selection());
    EXPECT_EQ(selection()->getNode(), nearer);
    // Hidden, a node is never hit.
    dzScene->selectAllNodes(false);
    grid->setVisible(false);
    click(1.5f, 1.5f);
    EXPECT_EQ(dzScene->getPrimarySelection(), nearer);
}

TEST_F(PfToolTest, SubdividedMeshesPickTheirCage) {
    grid->getObject()->getCurrentShape()->setSubdivisionLevel(2);
    activate();
    click(1.5f, 2.5f);
    EXPECT_EQ(faces(), (Set{9}));
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Edge;
    click(1.5f, 2.1f);
    EXPECT_EQ(asSet(selection()->getSelectedEdges()), (Set{edgeBetween(baseOf(grid), 11, 12)}));
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    click(1.8f, 2.2f);
    EXPECT_EQ(asSet(selection()->getSelectedVertices()), (Set{12}));
}

TEST_F(PfToolTest, TheFirstPickOfASubdividedNodeBuildsItsWorldCopyOnce) {
    // Every copy of the node's mesh runs its object's modifiers, as the host's own evaluations do.
    struct CountingModifier : DzModifier {
        int apply(DzVertexMesh&, DzNode&) override { return ++applies, 0; }
        int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
        int applies = 0;
    };
    auto* counter = new CountingModifier;
    DzObject* object = grid->getObject();
    object->addModifier(counter);
    object->getCurrentShape()->setSubdivisionLevel(2);
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    activate();
    ASSERT_FALSE(selection());
    int const applies = counter->applies;
    int const evaluations = object->getEvaluationCount();
    // The pick needs the copy for the cage's numbering; the selection it makes keeps that copy.
    click(1.8f, 2.2f);
    ASSERT_TRUE(selection());
    EXPECT_EQ(asSet(selection()->getSelectedVertices()), (Set{12}));
    ASSERT_TRUE(tool->getWorldMeshBaseWithModifiers(grid)->getMesh());
    EXPECT_EQ((counter->applies - applies) - (object->getEvaluationCount() - evaluations), 1);
}

TEST_F(PfToolTest, ExternalSelectionChangeDropsTheSelection) {
    activate();
    click(1.5f, 1.5f);
    ASSERT_TRUE(selection());
    DzNode* other = fx.addNode(dztest::makeNode("other", dztest::makeGrid(1, 1)));
    dzScene->setPrimarySelection(other);
    EXPECT_FALSE(selection());
    EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());
    // The next command or event makes one for the new node.
    ASSERT_TRUE(tool->getOrMakeSelectionOrThrow("Select all", false));
    EXPECT_EQ(selection()->getNode(), other);
}

TEST_F(PfToolTest, WorldCopyIsNotKeptPastItsSelection) {
    activate();
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Edge;
    click(1.5f, 1.1f);
    ASSERT_TRUE(selection());
    ASSERT_TRUE(DzVec3::equals(tool->getWorldMeshBaseWithModifiers(grid)->getMesh()->getVertex(0),
                               DzVec3(0, 0, 0), 1e-6f));
    // Moved while nothing listens to it, the node must still be seen where it is.
    dzScene->setPrimarySelection(nullptr);
    grid->setLocalPos(DzVec3(0.0f, 0.0f, 1.0f));
    dzScene->setPrimarySelection(grid);
    ASSERT_TRUE(tool->getOrMakeSelectionOrThrow(nullptr, false));
    EXPECT_TRUE(DzVec3::equals(tool->getWorldMeshBaseWithModifiers(grid)->getMesh()->getVertex(0),
                               DzVec3(0, 0, 1), 1e-6f));
}

TEST_F(PfToolTest, AWorldCopyMadeWithoutASelectionIsNotTakenByALaterOne) {
    // A hit test on a subdivided node without a selection makes the tool's copy of it; nothing follows the
    // node then, so a selection made for it later, by a click or by a command, must see it where it is.
    grid->getObject()->getCurrentShape()->setSubdivisionLevel(2);
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    activate();
    struct Case {
        char const* name;
        std::function<void()> select;
        Set vertices;
    };
    Case const cases[] = {
        // Over cage face (1, 2), nearer its corner 11 where the node is, nearer 12 where it was.
        {"click", [&] { click(1.8f, 2.2f); }, Set{11}},
        {"command",
         [&] {
             dzScene->setPrimarySelection(grid);
             tool->getOrMakeSelectionOrThrow("Select all", false);
         },
         Set{}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        dzScene->selectAllNodes(false);
        grid->setLocalPos(DzVec3(0.0f, 0.0f, 0.0f));
        ASSERT_FALSE(selection());
        int index = -1;
        ASSERT_TRUE(tool->nodeHitTest(
            grid, HvLine3(HvPoint3(1.3f, 2.2f, 10.0f), HvPoint3(1.3f, 2.2f, -10.0f)), &index));
        ASSERT_EQ(index, 11);
        grid->setLocalPos(DzVec3(0.5f, 0.0f, 0.0f));
        c.select();
        ASSERT_TRUE(selection());
        EXPECT_EQ(asSet(selection()->getSelectedVertices()), c.vertices);
        EXPECT_TRUE(DzVec3::equals(tool->getWorldMeshBaseWithModifiers(grid)->getMesh()->getVertex(0),
                                   DzVec3(0.5f, 0.0f, 0.0f), 1e-6f));
    }
}

// ---- drawing ----

TEST_F(PfToolTest, TheHighlightShowsInThePixels) {
    dzScene->setPrimarySelection(grid);  // the host draws a selected node in its own tint
    activate();
    QPoint const selected = at(1.5f, 2.5f);
    QPoint const other = at(2.5f, 2.5f);
    QImage const before = fx.grab();
    dztest::Rgba const plain = dztest::ViewportFixture::pixel(before, selected);
    EXPECT_EQ(plain, dztest::ViewportFixture::pixel(before, other));

    click(1.5f, 2.5f);
    QImage const after = fx.grab();
    dztest::Rgba const lit = dztest::ViewportFixture::pixel(after, selected);
    EXPECT_EQ(dztest::ViewportFixture::pixel(after, other), plain);
    // Yellow over the surface: red and green up, blue down.
    EXPECT_GT(lit.r + lit.g, plain.r + plain.g + 20) << lit << " over " << plain;
    EXPECT_LT(lit.b, plain.b - 20) << lit << " over " << plain;

    // Inactive, the tool draws nothing.
    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    EXPECT_EQ(dztest::ViewportFixture::pixel(fx.grab(), selected), plain);
}

TEST_F(PfToolTest, EdgeAndVertexHighlights) {
    PfSettings::Get()->m_drawGizmoFlags = {};  // the gizmo would cover the highlighted corner
    activate();
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    click(1.1f, 1.1f);
    QImage const image = fx.grab();
    dztest::Rgba const corner = dztest::ViewportFixture::pixel(image, at(1.0f, 1.0f));
    dztest::Rgba const middle = dztest::ViewportFixture::pixel(image, at(1.5f, 1.5f));
    EXPECT_LT(corner.b, middle.b) << corner << " " << middle;

    PfSettings::Get()->m_eSelectionType = PfSelectionType::Edge;
    click(1.5f, 1.1f);
    QImage const edges = fx.grab();
    EXPECT_LT(dztest::ViewportFixture::pixel(edges, at(1.5f, 1.0f)).b,
              dztest::ViewportFixture::pixel(edges, at(1.5f, 1.5f)).b);
    PfSettings::Get()->m_drawGizmoFlags =
        PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation | PfDrawGizmoSetting::Influence;
}

// ---- redraws, statistics ----

TEST_F(PfToolTest, RedrawsWithin50MsBecomeOne) {
    activate();
    int const start = redraws();
    tool->emitDrawnDataChangedDelayed();
    tool->emitDrawnDataChangedDelayed();
    EXPECT_TRUE(tool->isDelayedRedrawPending());
    EXPECT_EQ(redraws(), start);
    // Counted, not timed: a later delayed redraw is the fence that any second one would have come before.
    auto const redrawnAfterFence = [&](int before) {
        if (!QTest::qWaitFor([&] { return !tool->isDelayedRedrawPending(); }, dztest::kEventDeadlineMs))
            return -1;
        tool->emitDrawnDataChangedDelayed();
        if (!QTest::qWaitFor([&] { return !tool->isDelayedRedrawPending(); }, dztest::kEventDeadlineMs))
            return -1;
        return redraws() - before;
    };
    EXPECT_EQ(redrawnAfterFence(start), 2);

    // Two picking presses in a row: one redraw.
    click(0.5f, 0.5f);
    click(1.5f, 0.5f);
    int const afterClicks = redraws();
    EXPECT_TRUE(tool->isDelayedRedrawPending());
    EXPECT_EQ(redrawnAfterFence(afterClicks), 2);
}

TEST_F(PfToolTest, StatisticsTimerRestartsAndNeedsAnActiveTool) {
    PfTool::TriggerToolSettingsStatsUpdate();
    EXPECT_FALSE(tool->isToolSettingsStatsUpdatePending());
    activate();
    PfTool::TriggerToolSettingsStatsUpdate();
    EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !tool->isToolSettingsStatsUpdatePending(); }, dztest::kEventDeadlineMs));
    // A selection change asks for it.
    click(0.5f, 0.5f);
    EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());
}

TEST_F(PfToolTest, NodeMovesAndModifierChangesRedraw) {
    activate();
    click(0.5f, 0.5f);
    int const start = redraws();
    grid->setLocalPos(DzVec3(0.0f, 0.0f, 0.5f));
    EXPECT_EQ(redraws(), start + 1);
    selection()->getModifier()->emitCurrentValueChanged();
    EXPECT_EQ(redraws(), start + 1);  // the modifier's change redraws by itself
    // The moved node is picked where it is now.
    click(1.5f, 0.5f, Qt::NoModifier);
    EXPECT_EQ(faces(), (Set{1}));
}

// ---- wheel and keys ----

struct WheelCase {
    char const* name;
    uint64_t radius;
    int delta;
    Qt::KeyboardModifiers modifiers;
    bool withSelection;
    uint64_t radiusAfter;
};

class PfToolWheelTest : public PfToolTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(PfToolWheelTest, FalloffRadius) {
    WheelCase const& c = GetParam();
    activate();
    if (c.withSelection)
        click(0.5f, 0.5f);
    PfSettings::Get()->m_falloffRadius = c.radius;
    QWheelEvent event(QPointF(at(0.5f, 0.5f)), fx.view()->mapToGlobal(at(0.5f, 0.5f)), QPoint(),
                      QPoint(0, c.delta), Qt::NoButton, c.modifiers, Qt::NoScrollPhase, false);
    bool const consumed =
        tool->wheelEvent(fx.view(), &event, DzViewportMgr::toViewMouseModifier(c.modifiers));
    EXPECT_EQ(consumed, c.withSelection && c.modifiers == Qt::ControlModifier);
    EXPECT_EQ(PfSettings::Get()->m_falloffRadius, c.radiusAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PfToolWheelTest,
    ::testing::Values(WheelCase{"ForwardFrom10", 10, 120, Qt::ControlModifier, true, 0},
                      WheelCase{"ForwardFrom11", 11, 120, Qt::ControlModifier, true, 1},
                      WheelCase{"ForwardFrom0", 0, 120, Qt::ControlModifier, true, 0},
                      WheelCase{"ForwardFrom50", 50, 120, Qt::ControlModifier, true, 40},
                      WheelCase{"BackwardFrom0", 0, -120, Qt::ControlModifier, true, 10},
                      WheelCase{"BackwardFrom995", 995, -120, Qt::ControlModifier, true, 1005},
                      WheelCase{"NoSelection", 50, 120, Qt::ControlModifier, false, 50},
                      WheelCase{"ExtraModifier", 50, 120, Qt::ControlModifier | Qt::ShiftModifier, true, 50},
                      WheelCase{"NoModifier", 50, 120, Qt::NoModifier, true, 50}),
    [](::testing::TestParamInfo<WheelCase> const& info) { return std::string(info.param.name); });

TEST_F(PfToolTest, WheelThroughTheViewport) {
    activate();
    click(0.5f, 0.5f);
    PfSettings::Get()->m_kmMouseWheelFalloff.set(HvKeyboardModifier::Shift);
    dztest::wheel(fx.view(), at(0.5f, 0.5f), -120, Qt::ShiftModifier);
    EXPECT_EQ(PfSettings::Get()->m_falloffRadius, 60u);
    // Not taken, the wheel zooms the camera instead.
    DzVec3 const eye = fx.camera()->getWSPos();
    dztest::wheel(fx.view(), at(0.5f, 0.5f), -120, Qt::ControlModifier);
    EXPECT_EQ(PfSettings::Get()->m_falloffRadius, 60u);
    EXPECT_FALSE(DzVec3::equals(fx.camera()->getWSPos(), eye, 1e-4f));
}

TEST_F(PfToolTest, MoveGizmoOnlyKey) {
    activate();
    click(0.5f, 0.5f);
    PfSelection* s = selection();
    int const start = redraws();
    dztest::keyPress(fx.view(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(s->isMoveGizmoOnlyKeyboardModifierActive());
    EXPECT_EQ(redraws(), start + 1);
    dztest::keyPress(fx.view(), Qt::Key_Control, Qt::ControlModifier);  // auto-repeat: no change, no redraw
    EXPECT_EQ(redraws(), start + 1);
    dztest::keyRelease(fx.view(), Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(s->isMoveGizmoOnlyKeyboardModifierActive());
    EXPECT_EQ(redraws(), start + 2);

    // Another key, a typed key, or a drag under way: no change.
    dztest::keyPress(fx.view(), Qt::Key_Shift, Qt::ShiftModifier);
    dztest::keyPress(fx.view(), Qt::Key_A, Qt::ControlModifier, "\x01");
    EXPECT_FALSE(s->isMoveGizmoOnlyKeyboardModifierActive());
    for (PfSelection::State state :
         {PfSelection::State::MovingGizmo, PfSelection::State::Translating, PfSelection::State::Rotating}) {
        s->setState(state);
        dztest::keyPress(fx.view(), Qt::Key_Control, Qt::ControlModifier);
        EXPECT_FALSE(s->isMoveGizmoOnlyKeyboardModifierActive()) << state;
    }
    s->setState(PfSelection::State::DragFinished);
    dztest::keyPress(fx.view(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(s->isMoveGizmoOnlyKeyboardModifierActive());
    // Letting go of another key while it is held keeps it on.
    dztest::keyRelease(fx.view(), Qt::Key_Shift, Qt::ControlModifier);
    EXPECT_TRUE(s->isMoveGizmoOnlyKeyboardModifierActive());
}

// ---- the options pane ----

TEST_F(PfToolTest, PaneIsKeptAndMadeAgainWhenItsParentIsGone) {
    int made = 0;
    PfTool::SetPaneFactory([&](QWidget* parent) {
        ++made;
        return new QWidget(parent);
    });
    auto* parent = new QWidget;
    QWidget* pane = tool->getPane(parent);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->parentWidget(), parent);
    QWidget other;
    EXPECT_EQ(tool->getPane(&other), pane);
    EXPECT_EQ(made, 1);

    delete parent;  // the host destroyed the pane's parent, and the pane with it
    QWidget* again = tool->getPane(&other);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->parentWidget(), &other);
    EXPECT_EQ(made, 2);

    activate();
    EXPECT_EQ(PfTool::GetToolOptionsDialog(), again);
    // With the pane, activation asks for the statistics.
    EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());
}

// A host may ask for the pane only after it activated the tool (pfhost does): the first pane still comes to
// show the selected node and its modifier.
TEST_F(PfToolTest, APaneMadeAfterTheFirstActivationShowsTheSelectedNode) {
    dzScene->setPrimarySelection(grid);
    activate();
    QWidget parent;
    auto* pane = qobject_cast<PfToolOptionsWidget*>(tool->getPane(&parent));
    ASSERT_TRUE(pane);
    QString const expected = QStringLiteral(
        "<p>Please select geometry in the selected node to be able to modify it with Pullform.<br>0 deltas "
        "in "
        "modifier</p>");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return pane->pLabelInfo->text() == expected; }, dztest::kEventDeadlineMs))
        << pane->pLabelInfo->text().toStdString();
}

TEST_F(PfToolTest, PaneThatFailsShowsTheMessageAndIsTriedAgain) {
    bool fail = true;
    PfTool::SetPaneFactory([&](QWidget* parent) -> QWidget* {
        if (fail)
            throw std::runtime_error("cannot build the pane");
        return new QWidget(parent);
    });
    QWidget parent;
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    EXPECT_EQ(tool->getPane(&parent), nullptr);
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].text, "cannot build the pane");
    fail = false;
    EXPECT_TRUE(tool->getPane(&parent));
}
