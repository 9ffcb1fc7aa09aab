// The drag engine: translations and rotations written as deltas from the press state, gizmo-only moves, the
// release's undo step, re-application after a falloff change, and the degenerate and interrupted drags.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>
#include <random>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzexpect.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmatrix3.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzundostack.h"
#include "dzvertexmesh.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_meshmodifier.h"
#include "hv_worldmesh.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"
#include "pf_undo.h"

namespace {

using Offsets = HvVertexOffsets;

float const kPi = 3.14159265358979f;

float radians(float degrees) {
    return degrees * kPi / 180.0f;
}

HvPoint3 onCircle(float degrees, float radius = 1.0f) {
    return HvPoint3(radius * std::cos(radians(degrees)), radius * std::sin(radians(degrees)), 0.0f);
}

using pftest::ForeignModifier;

// A 6 x 2 grid of unit quads on the XY plane in the scene (vertex (i, j) has index 7 j + i), with a selection
// in vertex mode and its modifier, the other options at their defaults (gain 1, Ctrl adds); drags are driven
// without a gizmo, as the gizmo would drive them.
class PfDragTest : public pftest::PfNodeSelectionTest {
protected:
    void SetUp() override {
        PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
        stack()->clear();
        selectOn(dztest::makeNode("grid", dztest::makeGrid(6, 2)));
        ASSERT_TRUE(modifier);
    }
    void TearDown() override {
        PfNodeSelectionTest::TearDown();
        stack()->clear();
    }
    static DzUndoStack* stack() { return dzApp->getUndoStack(); }

    // Selects exactly these vertices with the falloff (settings radius, that is tenths of a unit).
    void select(std::initializer_list<int> vertices, unsigned long radius = 0,
                PfFalloffMode mode = PfFalloffMode::Linear) {
        bool first = true;
        for (int v : vertices) {
            selection->handleSelection(PfSelectionType::Vertex, v,
                                       first ? DzViewportMgr::NoModifier : DzViewportMgr::CtrlModifier);
            first = false;
        }
        setFalloff(radius, mode);
    }
    void setFalloff(unsigned long radius, PfFalloffMode mode = PfFalloffMode::Linear) {
        // The active tool drops its world-space copy when the modifier changes; this one is not active.
        tool.clearWorldMeshBaseWithModifiers();
        PfSettings::Get()->m_falloffRadius = radius;
        PfSettings::Get()->m_eFalloffMode = mode;
        selection->invalidateAffectedVertices(radius, mode, false);
    }
    // A falloff change as the tool hands it to this selection.
    void changeFalloff(unsigned long radius, PfFalloffMode mode = PfFalloffMode::Linear) {
        tool.clearWorldMeshBaseWithModifiers();
        PfSettings::Get()->m_falloffRadius = radius;
        PfSettings::Get()->m_eFalloffMode = mode;
        selection->onFalloffChanged(radius, mode);
    }

    // A translation drag from start through the targets, released.
    void translate(HvPoint3 const& start, std::initializer_list<HvPoint3> targets, bool release = true) {
        ASSERT_TRUE(selection->beginDrag(PfGizmoHit::ConeX, start, start));
        for (HvPoint3 const& t : targets) selection->dragTo(&data, PfGizmoDragKind::Translate, t, HvVec3());
        if (release)
            selection->onReleaseDragGizmo(nullptr);
    }
    // A rotation about Z through centre, from the point at 0 degrees to the given angles.
    void rotate(HvPoint3 const& centre, std::initializer_list<float> degrees, bool release = true) {
        HvPoint3 const start = centre + onCircle(0.0f);
        ASSERT_TRUE(selection->beginDrag(PfGizmoHit::RingZ, centre, start));
        for (float d : degrees)
            selection->dragTo(&data, PfGizmoDragKind::RotateZ, centre + onCircle(d), HvVec3(0, 0, 1));
        if (release)
            selection->onReleaseDragGizmo(nullptr);
    }

    HvVec3 position(int vertex) const {
        DzFacetMesh* base = HvWorldMeshBaseWithModifiers::GetBaseGeometryFromShape(*node);
        return HvVec3(base->getVerticesPtr()[vertex]) + modifier->getDelta(unsigned(vertex));
    }

    PfSelection::ViewportData data;
};

using dztest::expectNear;

void expectNear(Offsets const& a, Offsets const& b, float tolerance) {
    // A vertex missing on one side counts as a zero offset there.
    Offsets all = a;
    for (auto const& e : b) all.emplace(e.first, HvVec3());
    for (auto const& e : all) {
        auto ia = a.find(e.first);
        auto ib = b.find(e.first);
        HvVec3 const va = ia != a.end() ? ia->second : HvVec3();
        HvVec3 const vb = ib != b.end() ? ib->second : HvVec3();
        SCOPED_TRACE(e.first);
        expectNear(va, vb, tolerance);
    }
}

}  // namespace

TEST_F(PfDragTest, TranslationTakesTheGainTheGizmoTheFullMovement) {
    PfSettings::Get()->m_fGain = 0.5f;
    select({8}, 20);  // vertex (1, 1); linear falloff of radius 2
    HvPoint3 const start(1, 1, 0);
    translate(start, {HvPoint3(1, 1, 2)}, false);
    EXPECT_EQ(selection->getState(), PfSelection::State::Translating);
    EXPECT_EQ(modifier->getDelta(8), HvVec3(0, 0, 1));
    // Vertex (2, 1) at distance 1: weight 0.5.
    EXPECT_EQ(modifier->getDelta(9), HvVec3(0, 0, 0.5f));
    EXPECT_EQ(modifier->getDelta(11), HvVec3());  // outside the radius
    EXPECT_EQ(data.originWs, DzVec3(1, 1, 2));
    // Back to the press point: nothing happens, the last deltas stay.
    selection->dragTo(&data, PfGizmoDragKind::Translate, start, HvVec3());
    EXPECT_EQ(modifier->getDelta(8), HvVec3(0, 0, 1));
    selection->onReleaseDragGizmo(nullptr);
    EXPECT_EQ(selection->getState(), PfSelection::State::DragFinished);
    EXPECT_EQ(stack()->getNumSteps(), 1);
}

TEST_F(PfDragTest, TranslationIsInTheNodesLocalSpace) {
    // The node turned a quarter about Z: a world move along +Y is a local move along +X.
    node->setLocalRot(DzQuat(DzVec3(0, 0, 1), kPi / 2.0f));
    selection->invalidateTransforms();
    select({0});
    translate(HvPoint3(), {HvPoint3(0, 1, 0)});
    expectNear(modifier->getDelta(0), HvVec3(1, 0, 0));
}

TEST_F(PfDragTest, AQuarterWeightTurnsAQuarterOfTheAngle) {
    select({0}, 40);  // vertex 3 at distance 3 of radius 4: linear weight 0.25
    ASSERT_DOUBLE_EQ(selection->getAffectedVertices().at(3), 0.25);
    rotate(HvPoint3(), {40.0f});
    HvVec3 const p = position(3);
    EXPECT_NEAR(std::hypot(p.x, p.y), 3.0f, 1e-5f);
    // With the mouse: counter-clockwise about +Z, as the drag went.
    EXPECT_NEAR(std::atan2(p.y, p.x), radians(10.0f), 1e-5f);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
    expectNear(position(0), HvVec3());  // the centre stays

    // A weight-1 vertex follows the mouse onto the target.
    stack()->undo();
    select({1});
    rotate(HvPoint3(), {40.0f});
    expectNear(position(1), onCircle(40.0f));
}

// A rotation turns a vertex from where the node shows it: with a morph before our modifier, and with an
// origin (the drag measures on the base mesh as those leave it, not on the bare base mesh).
TEST_F(PfDragTest, ARotationTurnsTheVertexWhereTheModifiersBeforeOursAndTheOriginPutIt) {
    enum Case { Plain, MorphBefore, Origin };
    for (Case c : {Plain, MorphBefore, Origin}) {
        SCOPED_TRACE(int(c));
        DzNode* bent = dztest::makeNode(QString("bent_%1").arg(int(c)), dztest::makeGrid(6, 2));
        if (c == MorphBefore) {
            auto* deltas = new DzMorphDeltas;
            deltas->addDelta(1, DzVec3(1, 0.5f, 0), false, 0);
            auto* morph = new DzMorph(deltas);
            morph->setName("bend");
            morph->getValueProperty()->setValue(1.0f);
            bent->getObject()->addModifier(morph);
        }
        if (c == Origin)
            bent->setOrigin(DzVec3(0.5f, 0.25f, 0));
        selectOn(bent);
        ASSERT_TRUE(modifier);
        auto shown = [&] {
            DzVertexMesh* evaluated = bent->getObject()->getCachedGeom();
            return HvVec3(evaluated->getVerticesPtr()[1]);
        };
        HvVec3 const before = shown();
        select({1});
        rotate(HvPoint3(), {90.0f});
        // A quarter turn about +Z through the world origin.
        expectNear(shown(), HvVec3(-before.y, before.x, before.z));
        stack()->clear();
    }
}

// A selection large enough to be computed in parts: every affected vertex, and only those, gets its delta at
// the press plus its weighted movement, in vertex order.
TEST_F(PfDragTest, ALargeDragGivesEachAffectedVertexItsOwnDelta) {
    selectOn(dztest::makeNode("large", dztest::makeGrid(199, 199)));  // 40,000 vertices
    ASSERT_TRUE(modifier);
    // Deltas at the press on every third vertex, and on one the falloff does not reach.
    Offsets earlier;
    for (int v = 0; v < 40000; v += 3) earlier.emplace_back(v, HvVec3(0.25f, float(v % 7), 0.0f));
    modifier->setDeltas(earlier);
    select({20100}, 1200);
    PfAffectedWeights const affected = selection->getAffectedVertices();
    ASSERT_GT(affected.size(), 35000u);
    ASSERT_LT(affected.size(), 40000u);
    translate(HvPoint3(), {HvPoint3(0, 0, 2)});
    Offsets const deltas = modifier->getDeltas();
    size_t checked = 0;
    for (auto const& [v, d] : deltas) {
        HvVec3 const was = earlier.count(v) ? earlier.at(v) : HvVec3();
        double const weight = affected.count(v) ? affected.at(v) : 0.0;
        if (d.x != was.x || d.y != was.y || std::fabs(d.z - was.z - float(2.0 * weight)) > 1e-5f) {
            ADD_FAILURE() << "vertex " << v << ": " << d.x << " " << d.y << " " << d.z;
            break;
        }
        ++checked;
    }
    EXPECT_EQ(checked, deltas.size());
    EXPECT_EQ(selection->getDeltasAfter().size(), affected.size());
}

TEST_F(PfDragTest, RotationPastHalfATurnKeepsGrowing) {
    PfSettings::Get()->m_fGain = 0.5f;
    select({1});
    rotate(HvPoint3(), {60.0f, 120.0f, 170.0f, 200.0f}, false);
    // The signed angle runs against the drag: -200 degrees, not +160.
    EXPECT_NEAR(selection->getCurrentAngle(), -radians(200.0f), 1e-5f);
    // Half of 200 degrees: the vertex stands at 100 degrees (at -80 had the angle jumped).
    expectNear(position(1), onCircle(100.0f));
}

// A gizmo's ring dragged by rays that meet its plane at exact points of the ring: a weight-1 vertex turns by
// the swept angle times the gain about the gizmo's axis through its centre, for each ring, either sense, past
// half a turn, with the gizmo tilted and the node moved and turned (the drag works in local space).
TEST_F(PfDragTest, RingDragsTurnByTheSweptAngleTimesTheGain) {
    DzQuat const nodeRotation(DzVec3(1, 2, 3).normalized(), 0.7f);
    node->setLocalRot(nodeRotation);
    node->setLocalPos(DzVec3(0.5f, -1, 2));
    selection->invalidateTransforms();
    select({9});  // vertex (2, 1) alone, weight 1
    DzMatrix3 const toWorld = node->getWSTransform();
    DzVec3 const vertexWs = toWorld.multPnt(DzVec3(2, 1, 0));

    DzQuat const tilt(DzVec3(-2, 1, 0.5f).normalized(), 0.9f);
    PfGizmoInit init;
    init.x = tilt.multVec(DzVec3(1, 0, 0));
    init.z = tilt.multVec(DzVec3(0, 0, 1));
    init.orientation = tilt;
    DzVec3 const centre = toWorld.multPnt(DzVec3(1, 1, 0)) + DzVec3(0.1f, 0.2f, -0.3f);
    data.gizmo = PfGizmo::Create(init, centre, 0.5f);
    data.gizmo->recomputeIfNeeded();
    float const radius = 0.8f * data.gizmo->getSize();

    struct Ring {
        PfGizmoHit hit;
        HvVec3 const& n;  // the axis; u, v span the ring's plane with u x v = n
        HvVec3 const& u;
        HvVec3 const& v;
    } const rings[] = {
        {PfGizmoHit::RingX, data.gizmo->getX(), data.gizmo->getY(), data.gizmo->getZ()},
        {PfGizmoHit::RingY, data.gizmo->getY(), data.gizmo->getZ(), data.gizmo->getX()},
        {PfGizmoHit::RingZ, data.gizmo->getZ(), data.gizmo->getX(), data.gizmo->getY()},
    };
    for (Ring const& ring : rings)
        for (float gain : {1.0f, 0.5f})
            for (float degrees : {10.0f, 30.0f, 45.0f, 90.0f, 270.0f, -135.0f}) {
                SCOPED_TRACE(testing::Message()
                             << "ring " << ring.hit << ", gain " << gain << ", " << degrees);
                PfSettings::Get()->m_fGain = gain;
                DzVec3 const n = ring.n.dz().normalized();
                DzVec3 const u = ring.u.dz().normalized();
                DzVec3 const v = ring.v.dz().normalized();
                float const from = 20.0f;
                auto onRing = [&](float deg) {
                    return centre + (u * std::cos(radians(deg)) + v * std::sin(radians(deg))) * radius;
                };
                // Slanted rays, as a camera off the axis sees the ring.
                DzVec3 const slant = n * 3.0f + u * 0.7f - v * 0.4f;
                auto rayThrough = [&](DzVec3 const& p) { return HvLine3(p + slant, p - slant); };

                ASSERT_TRUE(selection->beginDrag(ring.hit, centre, onRing(from)));
                data.gizmo->setCurrentHit(ring.hit);
                int const steps = int(std::ceil(std::fabs(degrees) / 30.0f));
                for (int i = 1; i <= steps; ++i)
                    selection->onMouseMoveDraggingGizmo(data, rayThrough(onRing(from + degrees * i / steps)));
                selection->onReleaseDragGizmo(nullptr);

                // The vertex turned about n through the centre, in double precision.
                double const a = radians(degrees * gain);
                DzVec3 const r = vertexWs - centre;
                DzVec3 const expected = centre + r * float(std::cos(a)) + n.cross(r) * float(std::sin(a)) +
                                        n * (n.dot(r) * float(1.0 - std::cos(a)));
                DzVec3 const got = toWorld.multPnt(position(9).dz());
                EXPECT_NEAR((got - expected).length(), 0.0f, 2e-5f)
                    << got.m_x << " " << got.m_y << " " << got.m_z;
                stack()->undo();
                ASSERT_EQ(modifier->getDelta(9), HvVec3());
            }
}

TEST_F(PfDragTest, TwoMovesEqualOne) {
    select({8}, 25, PfFalloffMode::SmoothCurve);
    translate(HvPoint3(1, 1, 0), {HvPoint3(2, 0, 1), HvPoint3(1.5f, 2, -1)});
    Offsets const twoMoves = modifier->getDeltas();
    stack()->undo();
    translate(HvPoint3(1, 1, 0), {HvPoint3(1.5f, 2, -1)});
    // Each move starts again from the press state, so nothing accumulates: equal to the bit.
    Offsets after = modifier->getDeltas();
    EXPECT_EQ(selection->getDeltasAfter().size(), twoMoves.size());
    for (auto const& e : twoMoves) EXPECT_EQ(after.at(e.first), e.second) << e.first;

    stack()->undo();
    Offsets const undone = modifier->getDeltas();
    rotate(HvPoint3(1, 1, 0), {30.0f, 75.0f});
    Offsets const rotatedTwice = modifier->getDeltas();
    stack()->undo();
    ASSERT_EQ(modifier->getDeltas(), undone);
    rotate(HvPoint3(1, 1, 0), {75.0f});
    EXPECT_EQ(modifier->getDeltas(), rotatedTwice);
}

TEST_F(PfDragTest, AGizmoOnlyDragIsFixedAtThePress) {
    select({8}, 20);
    selection->setMoveGizmoOnlyKeyboardModifierActive(true);
    ASSERT_TRUE(selection->beginDrag(PfGizmoHit::ConeX, HvPoint3(1, 1, 0), HvPoint3(1, 1, 0)));
    EXPECT_EQ(selection->getState(), PfSelection::State::MovingGizmo);
    selection->dragTo(&data, PfGizmoDragKind::Translate, HvPoint3(2, 1, 0), HvVec3());
    // The key let go in the middle of the drag: the drag still moves only the gizmo.
    selection->setMoveGizmoOnlyKeyboardModifierActive(false);
    selection->dragTo(&data, PfGizmoDragKind::Translate, HvPoint3(3, 1, 0), HvVec3());
    EXPECT_EQ(data.originWs, DzVec3(3, 1, 0));
    EXPECT_EQ(modifier->getNoOfDeltas(), 0u);
    selection->onReleaseDragGizmo(nullptr);
    EXPECT_EQ(selection->getState(), PfSelection::State::Idle);
    EXPECT_EQ(stack()->getNumSteps(), 0);

    // The other way round: a translation stays one when the key goes down during it.
    translate(HvPoint3(1, 1, 0), {}, false);
    selection->setMoveGizmoOnlyKeyboardModifierActive(true);
    selection->dragTo(&data, PfGizmoDragKind::Translate, HvPoint3(1, 1, 1), HvVec3());
    EXPECT_EQ(modifier->getDelta(8), HvVec3(0, 0, 1));
    selection->onReleaseDragGizmo(nullptr);
    EXPECT_EQ(stack()->getNumSteps(), 1);
}

TEST_F(PfDragTest, AFalloffChangeAfterADragKeepsOneStepThatUndoesIt) {
    modifier->setDeltas(Offsets{{10, HvVec3(0, 0, 0.25f)}});  // an earlier edit within the reach
    select({8}, 30);
    translate(HvPoint3(1, 1, 0), {HvPoint3(1, 1, 1)});
    ASSERT_EQ(stack()->getNumSteps(), 1);
    // Its weight is that of the vertex where the user sees it, lifted by the earlier edit.
    double const weight = selection->getAffectedVertices().at(10);
    EXPECT_LT(weight, 1.0 / 3.0);
    EXPECT_NEAR(modifier->getDelta(10).z, 0.25f + float(weight), 1e-6f);

    // Shrinking the radius takes the far vertices back to their press deltas.
    changeFalloff(10);
    EXPECT_EQ(selection->getState(), PfSelection::State::DragFinished);
    EXPECT_EQ(modifier->getDelta(8), HvVec3(0, 0, 1));
    EXPECT_NEAR(modifier->getDelta(10).z, 0.25f, 1e-6f);
    EXPECT_NEAR(modifier->getDelta(9).z, 0.0f, 1e-6f);  // at distance 1 = the radius: not affected now
    // Growing it again re-applies with the new weights.
    changeFalloff(20);
    EXPECT_NEAR(modifier->getDelta(9).z, 0.5f, 1e-6f);
    EXPECT_EQ(stack()->getNumSteps(), 1);

    stack()->undo();
    EXPECT_NEAR(modifier->getDelta(8).z, 0.0f, 1e-6f);
    EXPECT_NEAR(modifier->getDelta(9).z, 0.0f, 1e-6f);
    EXPECT_NEAR(modifier->getDelta(10).z, 0.25f, 1e-6f);
    stack()->redo();
    EXPECT_NEAR(modifier->getDelta(9).z, 0.5f, 1e-6f);
}

TEST_F(PfDragTest, TheStepHoldsTheDragsOffsetsWithoutACopy) {
    select({8}, 15);
    translate(HvPoint3(1, 1, 0), {HvPoint3(1, 1, 1)});
    PfUndoItem* item = selection->getLastUndoItem();
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->getOffsets().empty());
    EXPECT_EQ(&item->getOffsets(), &selection->getLastDragOffsets());
    // Applied again with other weights: still one set, shared.
    changeFalloff(20);
    EXPECT_EQ(&item->getOffsets(), &selection->getLastDragOffsets());
    EXPECT_EQ(item->getOffsets().size(), selection->getAffectedVertices().size());
}

TEST_F(PfDragTest, UndoAndRedoRightAfterUnrelatedEdits) {
    select({8}, 15);
    translate(HvPoint3(1, 1, 0), {HvPoint3(1, 1, 1)});
    Offsets const dragged = modifier->getDeltas();
    // Edits outside the drag's vertices, one of them its own step.
    modifier->setDeltas(Offsets{{6, HvVec3(1, 2, 3)}});
    DzNode* other = dztest::makeNode("other", dztest::makeGrid(1, 1));
    dzScene->addNode(other);
    {
        PfSelection second(&tool, other);
        second.handleSelection(PfSelectionType::Vertex, 0, DzViewportMgr::NoModifier);
        second.invalidateAffectedVertices(0, PfFalloffMode::Linear, false);
        ASSERT_TRUE(second.beginDrag(PfGizmoHit::ConeZ, HvPoint3(), HvPoint3()));
        second.dragTo(nullptr, PfGizmoDragKind::Translate, HvPoint3(0, 0, 1), HvVec3());
        second.onReleaseDragGizmo(nullptr);
    }
    ASSERT_EQ(stack()->getNumSteps(), 2);
    stack()->undo();
    stack()->undo();
    for (auto const& e : dragged) expectNear(modifier->getDelta(unsigned(e.first)), HvVec3());
    EXPECT_EQ(modifier->getDelta(6), HvVec3(1, 2, 3));
    stack()->redo();
    for (auto const& e : dragged) expectNear(modifier->getDelta(unsigned(e.first)), e.second);
    EXPECT_EQ(modifier->getDelta(6), HvVec3(1, 2, 3));
}

TEST_F(PfDragTest, AReleaseWithoutMovePushesWhatThisDragWrote) {
    select({8}, 20);
    // A selection that never wrote: no step, idle.
    translate(HvPoint3(1, 1, 0), {});
    EXPECT_EQ(selection->getState(), PfSelection::State::Idle);
    EXPECT_EQ(stack()->getNumSteps(), 0);

    translate(HvPoint3(1, 1, 0), {HvPoint3(1, 1, 1)});
    stack()->undo();
    Offsets const undone = modifier->getDeltas();
    // A click on the gizmo after the undo: a zero step for the same vertices, and the undo stays done.
    translate(HvPoint3(1, 1, 0), {});
    EXPECT_EQ(selection->getState(), PfSelection::State::DragFinished);
    ASSERT_EQ(stack()->getNumSteps(), 1);  // the undone step left the redo branch
    Offsets const& zero = selection->getLastDragOffsets();
    EXPECT_EQ(zero.size(), selection->getAffectedVertices().size());
    for (auto const& e : zero) EXPECT_EQ(e.second, HvVec3()) << e.first;
    // Neither a falloff change nor undoing the zero step brings the old drag back.
    changeFalloff(30);
    expectNear(modifier->getDeltas(), undone, 0.0f);
    stack()->undo();
    expectNear(modifier->getDeltas(), undone, 0.0f);
}

TEST_F(PfDragTest, ATargetThatIsNotFiniteWritesNothing) {
    select({8}, 20);
    float const nan = std::nanf("");
    float const inf = INFINITY;
    struct Case {
        PfGizmoDragKind kind;
        HvPoint3 target;
        HvVec3 axis;
    } const cases[] = {
        {PfGizmoDragKind::Translate, HvPoint3(nan, 1, 0), HvVec3()},
        {PfGizmoDragKind::Translate, HvPoint3(1, inf, 0), HvVec3()},
        {PfGizmoDragKind::RotateZ, HvPoint3(1, nan, 0), HvVec3(0, 0, 1)},
        {PfGizmoDragKind::RotateZ, HvPoint3(1, 2, 0), HvVec3(0, 0, inf)},
        {PfGizmoDragKind::RotateZ, HvPoint3(1, 2, 0), HvVec3()},  // no axis: the angle is not a number
        {PfGizmoDragKind::None, HvPoint3(1, 2, 0), HvVec3()},     // the ray missed the plane
    };
    for (Case const& c : cases) {
        PfGizmoHit const hit = c.kind == PfGizmoDragKind::Translate ? PfGizmoHit::ConeX : PfGizmoHit::RingZ;
        ASSERT_TRUE(selection->beginDrag(hit, HvPoint3(1, 1, 0), HvPoint3(1, 1, 0)));
        selection->dragTo(&data, c.kind, c.target, c.axis);
        EXPECT_EQ(modifier->getNoOfDeltas(), 0u) << c.kind << " " << c.target.x << " " << c.target.y;
        EXPECT_TRUE(selection->getDeltasAfter().empty());
        EXPECT_EQ(data.originWs, DzVec3());
        selection->onReleaseDragGizmo(nullptr);
        EXPECT_EQ(stack()->getNumSteps(), 0);
    }

    // A finite movement whose offsets overflow: nothing written, the gizmo stays.
    modifier->setDeltas(Offsets{{8, HvVec3(3e38f, 0, 0)}});
    translate(HvPoint3(1, 1, 0), {HvPoint3(3e38f, 1, 0)}, false);
    EXPECT_EQ(modifier->getDelta(8), HvVec3(3e38f, 0, 0));
    EXPECT_EQ(data.originWs, DzVec3());
}

TEST_F(PfDragTest, NoDragWithoutOurModifier) {
    DzNode* foreign = dztest::makeNode("foreign", dztest::makeGrid(2, 2));
    dzScene->addNode(foreign);
    foreign->getObject()->addModifier(new ForeignModifier);
    PfSelection other(&tool, foreign);
    ASSERT_EQ(other.getModifier(), nullptr);
    other.handleSelection(PfSelectionType::Vertex, 4, DzViewportMgr::NoModifier);
    other.invalidateAffectedVertices(0, PfFalloffMode::Linear, false);
    EXPECT_FALSE(other.beginDrag(PfGizmoHit::ConeX, HvPoint3(), HvPoint3()));
    EXPECT_EQ(other.getState(), PfSelection::State::Idle);
    other.dragTo(nullptr, PfGizmoDragKind::Translate, HvPoint3(1, 0, 0), HvVec3());
    EXPECT_FALSE(other.modifyMesh([](float(*)[3], int, double) {}));
    other.onReleaseDragGizmo(nullptr);
    EXPECT_EQ(stack()->getNumSteps(), 0);
}

TEST_F(PfDragTest, ResetClearsTheDeltas) {
    select({8}, 20);
    translate(HvPoint3(1, 1, 0), {HvPoint3(1, 1, 1)});
    ASSERT_GT(modifier->getNoOfDeltas(), 0u);
    selection->resetAllDeltas();
    EXPECT_EQ(modifier->getNoOfDeltas(), 0u);
}

// 1,000 random drags, undos and redos, then everything undone and redone again.
TEST_F(PfDragTest, RandomDragsUndosAndRedosComeBackToTheirStates) {
    std::mt19937 random(20261210u);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> vertexOf(0, 20);
    int const operations = 1000;
    float largest = 0.0f;  // the largest delta component the modifier held
    for (int op = 0; op < operations; ++op) {
        int const what = int(random() % 5);
        if (what == 0 && stack()->canUndo()) {
            stack()->undo();
            selection->setState(PfSelection::State::Idle);
        } else if (what == 1 && stack()->canRedo()) {
            stack()->redo();
            selection->setState(PfSelection::State::Idle);
        } else if (what == 2 && selection->getState() == PfSelection::State::DragFinished) {
            changeFalloff(unsigned(random() % 40), PfFalloffMode(random() % 6));
        } else {
            int const v = vertexOf(random);
            select({v}, unsigned(random() % 40), PfFalloffMode(random() % 6));
            HvPoint3 const p = position(v);
            if (random() % 2)
                translate(p, {p + HvPoint3(unit(random), unit(random), unit(random))});
            else
                rotate(p, {unit(random) * 170.0f, unit(random) * 170.0f});
        }
        for (auto const& e : modifier->getDeltas())
            largest =
                std::max({largest, std::fabs(e.second.x), std::fabs(e.second.y), std::fabs(e.second.z)});
    }
    while (stack()->canRedo()) stack()->redo();
    Offsets const edited = modifier->getDeltas();
    int const steps = stack()->getIndex();
    ASSERT_GT(steps, 100);

    // Undo subtracts what redo added, so bit-exactness is not to be had. Each add or subtract rounds by at
    // most half a unit in the last place of the largest delta held, and so does each step's own offset (after
    // minus before); over one pass of every step in each direction that sums to 2 * steps * largest *
    // epsilon. Twice that leaves room, and stays far below the size of a drag's offsets (tenths of a unit and
    // more), so a step lost or applied twice cannot hide in it.
    float const tolerance = 4.0f * float(steps) * largest * FLT_EPSILON;
    ASSERT_GT(largest, 0.1f);
    ASSERT_LT(tolerance, 0.01f);
    while (stack()->canUndo()) stack()->undo();
    expectNear(modifier->getDeltas(), Offsets(), tolerance);
    while (stack()->canRedo()) stack()->redo();
    expectNear(modifier->getDeltas(), edited, tolerance);
}

// ---- the tool around the selection ----

// A selection dropped in the middle of a drag ends it as its release would.
TEST(PfDragToolTest, ADragUnderWayEndsWithItsStepWhenTheSelectionGoes) {
    dztest::TempSettings temp;
    pftest::PfSettingsGuard optionsGuard(pftest::PfSettingsGuard::FromDefaults);
    dztest::ViewportFixture fx(200, 150);
    ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    DzUndoStack* stack = dzApp->getUndoStack();
    stack->clear();
    DzNode* grid = fx.addNode(dztest::makeNode("grid", dztest::makeGrid(2, 2)));
    DzNode* other = fx.addNode(dztest::makeNode("other", dztest::makeGrid(1, 1)));
    pftest::ScopedPfTool registered(fx.mgr());
    PfTool* tool = registered.get();
    dzScene->setPrimarySelection(grid);
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    PfSelection* selection = tool->getSelection();
    ASSERT_TRUE(selection);
    PfModifier* modifier = selection->getModifier();
    selection->handleSelection(PfSelectionType::Vertex, 4, DzViewportMgr::NoModifier);
    selection->invalidateAffectedVertices(0, PfFalloffMode::Linear, false);
    ASSERT_TRUE(selection->beginDrag(PfGizmoHit::ConeZ, HvPoint3(1, 1, 0), HvPoint3(1, 1, 0)));
    selection->dragTo(nullptr, PfGizmoDragKind::Translate, HvPoint3(1, 1, 0.5f), HvVec3());

    dzScene->setPrimarySelection(other);
    EXPECT_EQ(tool->getSelection(), nullptr);
    ASSERT_EQ(stack->getNumSteps(), 1);
    EXPECT_EQ(modifier->getDelta(4), HvVec3(0, 0, 0.5f));
    stack->undo();
    EXPECT_EQ(modifier->getDelta(4), HvVec3());

    // And deactivation in the middle of a rotation.
    dzScene->setPrimarySelection(grid);
    selection = tool->getOrMakeSelectionOrThrow(nullptr, false);
    ASSERT_TRUE(selection);
    selection->handleSelection(PfSelectionType::Vertex, 0, DzViewportMgr::NoModifier);
    selection->invalidateAffectedVertices(0, PfFalloffMode::Linear, false);
    ASSERT_TRUE(selection->beginDrag(PfGizmoHit::RingZ, HvPoint3(1, 1, 0), HvPoint3(2, 1, 0)));
    selection->dragTo(nullptr, PfGizmoDragKind::RotateZ, HvPoint3(1, 2, 0), HvVec3(0, 0, 1));
    tool->deactivate();
    EXPECT_EQ(stack->getNumSteps(), 1);  // the undone step gave way to the new one
    EXPECT_NE(modifier->getDelta(0), HvVec3());
    stack->undo();
    expectNear(modifier->getDelta(0), HvVec3());

    stack->clear();
}

// The whole road in a viewport: a click selects a face, a drag on the gizmo's X cone moves it, the release
// pushes one step, and undo takes it back.
TEST(PfDragToolTest, DraggingTheGizmoInAViewport) {
    dztest::TempSettings temp;
    pftest::PfSettingsGuard optionsGuard(pftest::PfSettingsGuard::FromDefaults);
    dztest::ViewportFixture fx(400, 300);
    ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
    PfSettings* s = PfSettings::Get();
    s->m_falloffRadius = 10;
    s->m_eFalloffMode = PfFalloffMode::Linear;
    DzUndoStack* stack = dzApp->getUndoStack();
    stack->clear();
    fx.addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
    fx.lookAt(DzVec3(2, 2, 10), DzVec3(2, 2, 0));
    pftest::ScopedPfTool registered(fx.mgr());
    PfTool* tool = registered.get();
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    dztest::mouseClick(fx.view(), fx.project(DzVec3(2.5f, 2.5f, 0)));  // face (2, 2): index 10
    PfSelection* selection = tool->getSelection();
    ASSERT_TRUE(selection);
    ASSERT_EQ(selection->getSelectedFacets().count(10), 1u);
    fx.view()->grabPixels();  // a draw makes and draws the gizmo
    PfSelection::ViewportData& data = selection->getViewportData(fx.view());
    ASSERT_TRUE(data.gizmo);
    DzVec3 const origin = data.gizmo->getOriginWs();
    DzVec3 const x = data.gizmo->getX();
    ASSERT_GT(x.length(), 0.0f);

    // From the X cone's tip along X by one unit.
    DzVec3 const tip = origin + x;
    dztest::mouseDrag(fx.view(), fx.project(tip), fx.project(tip + DzVec3(1, 0, 0)));
    EXPECT_EQ(selection->getState(), PfSelection::State::DragFinished);
    PfModifier* modifier = selection->getModifier();
    ASSERT_EQ(stack->getNumSteps(), 1);
    // The face's corners moved along X by about a unit (pixel rounding), and nowhere else.
    for (int v : {12, 13, 17, 18}) {
        HvVec3 const d = modifier->getDelta(unsigned(v));
        EXPECT_NEAR(d.x, 1.0f, 0.05f) << v;
        EXPECT_NEAR(d.y, 0.0f, 1e-4f) << v;
        EXPECT_NEAR(d.z, 0.0f, 1e-4f) << v;
    }
    EXPECT_EQ(modifier->getDelta(0), HvVec3());
    stack->undo();
    for (int v : {12, 13, 17, 18}) expectNear(modifier->getDelta(unsigned(v)), HvVec3());

    // A camera move makes the gizmos anew, for the new distance.
    fx.view()->grabPixels();
    ASSERT_TRUE(data.gizmo);
    fx.lookAt(DzVec3(2, 2, 14), DzVec3(2, 2, 0));
    EXPECT_FALSE(data.gizmo);

    stack->clear();
}

// The frames of a drag show it (the used cone lit, the rings left out); the release brings a frame with the
// gizmo as it was before the press, so that its rings can be grabbed at once where they are, without a camera
// move.
TEST(PfDragToolTest, TheReleaseRedrawsTheGizmoWithItsRings) {
    dztest::TempSettings temp;
    pftest::PfSettingsGuard optionsGuard(pftest::PfSettingsGuard::FromDefaults);
    dztest::ViewportFixture fx(400, 300);
    ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
    dzApp->getUndoStack()->clear();
    fx.addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
    fx.lookAt(DzVec3(2, 2, 10), DzVec3(2, 2, 0));
    pftest::ScopedPfTool tool(fx.mgr());
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool.get()));
    dztest::mouseClick(fx.view(), fx.project(DzVec3(2.5f, 2.5f, 0)));
    PfSelection* selection = tool.get()->getSelection();
    ASSERT_TRUE(selection);
    fx.view()->grabPixels();
    PfGizmo* gizmo = selection->getViewportData(fx.view()).gizmo.get();
    ASSERT_TRUE(gizmo);
    ASSERT_TRUE(gizmo->drewXYRings() && gizmo->drewZRing());

    DzVec3 const tip = gizmo->getOriginWs() + gizmo->getX();
    QPoint const from = fx.project(tip);
    QPoint const to = fx.project(tip + DzVec3(1, 0, 0));
    dztest::mousePress(fx.view(), from);
    dztest::mouseMove(fx.view(), to, Qt::LeftButton);
    ASSERT_TRUE(fx.waitForPaint(fx.view()->getPaintCount()));
    EXPECT_EQ(gizmo->getCurrentHit(), PfGizmoHit::ConeX);

    int const paints = fx.view()->getPaintCount();
    dztest::mouseRelease(fx.view(), to);
    ASSERT_EQ(selection->getState(), PfSelection::State::DragFinished);
    ASSERT_TRUE(fx.waitForPaint(paints));
    EXPECT_EQ(gizmo->getCurrentHit(), PfGizmoHit::None);

    // The mouse over the ring about Z where it is now (the middle of its arc, the gizmo moved along) lights a
    // ring: the frame drew the rings there.
    HvPoint3 const onRing = Hv3dCircle::GetPointAt(gizmo->getOrientation(), 0.0f,
                                                   HvPoint3(gizmo->getOriginWs()), 0.8f * gizmo->getSize());
    dztest::mouseMove(fx.view(), fx.project(onRing.dz()));
    PfGizmoHit const hover = gizmo->getCurrentHit();
    EXPECT_TRUE(hover == PfGizmoHit::RingX || hover == PfGizmoHit::RingY || hover == PfGizmoHit::RingZ)
        << int(hover);
    dzApp->getUndoStack()->clear();
}
