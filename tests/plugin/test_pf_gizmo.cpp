// The gizmo: its axes in every orientation, the hit test and its order, drag targets and rays that miss
// their plane, the falloff sphere, the per-viewport data of the selection, and the gizmo in a real viewport.
#include <gtest/gtest.h>

#include <qopengl.h>

#include <cmath>
#include <limits>
#include <memory>

#include "dz3dviewport.h"
#include "dzcamera.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzglcontext.h"
#include "dzsyntheticinput.h"
#include "dzundostack.h"
#include "dzapp.h"
#include "dznode.h"
#include "dzrotationorder.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "pf_gizmo.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"

namespace {

using VM = DzViewportMgr;

float const kPi = 3.14159265f;

::testing::AssertionResult near(DzVec3 const& a, DzVec3 const& b, float tolerance = 1e-5f) {
    if (DzVec3::equals(a, b, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.m_x << ", " << a.m_y << ", " << a.m_z << ") vs ("
                                         << b.m_x << ", " << b.m_y << ", " << b.m_z << ")";
}

DzVec3 unit(DzVec3 const& v) {
    return v.normalized();
}

// Two coincident unit quads facing opposite ways: their normals cancel.
DzFacetMesh* makeCancellingQuads() {
    auto* mesh = new DzFacetMesh;
    for (int copy = 0; copy < 2; ++copy) {
        mesh->addVertex(DzVec3(0, 0, 0));
        mesh->addVertex(DzVec3(1, 0, 0));
        mesh->addVertex(DzVec3(1, 1, 0));
        mesh->addVertex(DzVec3(0, 1, 0));
    }
    mesh->addFacet(0, 1, 2, 3);
    mesh->addFacet(7, 6, 5, 4);
    mesh->finalize();
    return mesh;
}

using pftest::makeUpFacingQuad;

// A node (a 3 x 3 grid on the XY plane unless given) with a selection on it, and a camera; the options at
// their defaults (faces, radius 50, every gizmo part but the outline, size 5, node axes).
class PfGizmoInitTest : public pftest::PfNodeSelectionTest {
protected:
    void SetUp() override {
        use(dztest::makeGrid(3, 3));
        camera.lookAt(DzVec3(1, 2, 10), DzVec3(1, 2, 0));
    }
    void use(DzFacetMesh* mesh) { selectOn(dztest::makeNode("node", mesh)); }
    void selectFace(int face) {
        selection->handleSelection(PfSelectionType::Face, face, VM::NoModifier);
        selection->updateAfterSelectionChangeOrThrow(PfMouseHandlerResultFlag::FacetsChanged);
    }
    PfGizmoInit init(PfGizmoOrientation o, bool stored = false, DzQuat const& q = DzQuat()) {
        return selection->makeGizmoInit(o, &camera, stored, q);
    }

    DzCamera camera;
};

}  // namespace

// ---- orientations ----

TEST_F(PfGizmoInitTest, NodeAndWorldAxes) {
    DzQuat const turn(DzVec3(0, 0, 1), kPi / 2);
    node->setLocalRot(turn);

    PfGizmoInit const nodeAxes = init(PfGizmoOrientation::NodeAxes);
    EXPECT_TRUE(near(nodeAxes.x, DzVec3(0, 1, 0)));
    EXPECT_TRUE(near(nodeAxes.z, DzVec3(0, 0, 1)));
    EXPECT_TRUE(near(nodeAxes.orientation.multVec(DzVec3(1, 0, 0)), DzVec3(0, 1, 0)));
    EXPECT_TRUE(near(nodeAxes.cameraRotation.multVec(DzVec3(0, 0, 1)), DzVec3(0, 0, 1)));

    PfGizmoInit const world = init(PfGizmoOrientation::WorldAxes);
    EXPECT_EQ(world.x, DzVec3(1, 0, 0));
    EXPECT_EQ(world.z, DzVec3(0, 0, 1));
    EXPECT_TRUE(near(world.orientation.multVec(DzVec3(0, 1, 0)), DzVec3(0, 1, 0)));

    // Past the last orientation both axes stay zero.
    PfGizmoInit const beyond = init(PfGizmoOrientation(6));
    EXPECT_EQ(beyond.x, DzVec3());
    EXPECT_EQ(beyond.z, DzVec3());
}

TEST_F(PfGizmoInitTest, SurfaceNormal) {
    selectFace(4);
    PfGizmoInit const g = init(PfGizmoOrientation::Normal);
    EXPECT_TRUE(near(unit(g.z), DzVec3(0, 0, 1)));
    EXPECT_TRUE(near(unit(g.x), DzVec3(1, 0, 0)));  // up cross normal
    EXPECT_TRUE(near(g.orientation.multVec(DzVec3(1, 0, 0)), unit(g.x)));
    EXPECT_TRUE(near(g.orientation.multVec(DzVec3(0, 0, 1)), unit(g.z)));
}

// Without a usable normal the node's axes serve; a normal straight up takes its side from another axis.
TEST_F(PfGizmoInitTest, SurfaceNormalFallbacks) {
    DzQuat const turn(DzVec3(0, 0, 1), kPi / 2);
    node->setLocalRot(turn);
    PfGizmoInit const nothingSelected = init(PfGizmoOrientation::Normal);
    EXPECT_TRUE(near(nothingSelected.x, DzVec3(0, 1, 0)));
    EXPECT_TRUE(near(nothingSelected.z, DzVec3(0, 0, 1)));

    use(makeCancellingQuads());
    node->setLocalRot(turn);
    selectFace(0);
    selection->handleSelection(PfSelectionType::Face, 1, VM::CtrlModifier);
    selection->updateAfterSelectionChangeOrThrow(PfMouseHandlerResultFlag::FacetsChanged);
    HvVec3 normal, side;
    ASSERT_TRUE(selection->getSelectionNormal(normal, side));
    ASSERT_LT(normal.dz().length(), 1e-6f);  // the faces cancel
    PfGizmoInit const zeroNormal = init(PfGizmoOrientation::Normal);
    EXPECT_TRUE(near(zeroNormal.x, DzVec3(0, 1, 0)));
    EXPECT_TRUE(near(zeroNormal.z, DzVec3(0, 0, 1)));

    use(makeUpFacingQuad());
    selectFace(0);
    ASSERT_TRUE(selection->getSelectionNormal(normal, side));
    ASSERT_EQ(side, HvVec3());  // straight up: no side vector of its own
    PfGizmoInit const up = init(PfGizmoOrientation::Normal);
    EXPECT_TRUE(near(unit(up.z), DzVec3(0, 1, 0)));
    ASSERT_GT(up.x.length(), 0.5f);
    EXPECT_NEAR(unit(up.x).dot(unit(up.z)), 0.0f, 1e-6f);
    EXPECT_TRUE(near(up.orientation.multVec(DzVec3(1, 0, 0)), unit(up.x)));
    EXPECT_TRUE(near(up.orientation.multVec(DzVec3(0, 0, 1)), unit(up.z)));
    // The gizmo of that orientation has finite axes at right angles.
    auto gizmo = PfGizmo::Create(up, DzVec3(), 2.0f);
    gizmo->recomputeIfNeeded();
    for (HvVec3 const* axis : {&gizmo->getX(), &gizmo->getY(), &gizmo->getZ()})
        EXPECT_NEAR(axis->dz().length(), 2.0f, 1e-5f);
    EXPECT_NEAR(gizmo->getX().dot(gizmo->getY()), 0.0f, 1e-5f);
}

TEST_F(PfGizmoInitTest, CameraOrientations) {
    camera.lookAt(DzVec3(5, 0, 0), DzVec3(0, 0, 0), DzVec3(0, 0, 1));
    PfGizmoInit const toCamera = init(PfGizmoOrientation::ZToCamera);
    EXPECT_TRUE(near(toCamera.z, DzVec3(1, 0, 0)));  // towards the camera
    EXPECT_TRUE(near(toCamera.x, camera.getWSRot().multVec(DzVec3(1, 0, 0))));

    // At 45 degrees the gizmo keeps the same pose relative to the camera wherever it looks from.
    DzQuat const q45(DzRotationOrder::xyz(), DzVec3(0.66322505f, -0.6981316f, -0.47123885f));
    DzVec3 const expectedX = q45.multVec(DzVec3(1, 0, 0));
    DzVec3 const expectedZ = q45.multVec(DzVec3(0, 0, 1));
    for (DzVec3 const& eye : {DzVec3(5, 0, 0), DzVec3(1, 2, 10), DzVec3(-3, 4, -2)}) {
        camera.lookAt(eye, DzVec3(0, 0, 0));
        PfGizmoInit const g = init(PfGizmoOrientation::Camera45);
        DzQuat const toLocal = camera.getWSRot().inverse();
        EXPECT_TRUE(near(toLocal.multVec(g.x), expectedX));
        EXPECT_TRUE(near(toLocal.multVec(g.z), expectedZ));
        // Tilted: neither straight at the camera nor across the view.
        float const facing = unit(g.z).dot(unit(eye));
        EXPECT_GT(facing, 0.2f);
        EXPECT_LT(facing, 0.95f);
    }
}

TEST_F(PfGizmoInitTest, ClampedKeepsTheStoredOrientation) {
    PfGizmoInit const none = init(PfGizmoOrientation::Clamped);
    EXPECT_EQ(none.x, DzVec3(1, 0, 0));
    EXPECT_EQ(none.z, DzVec3(0, 0, 1));
    DzQuat const stored(DzVec3(1, 0, 0), kPi / 2);
    PfGizmoInit const clamped = init(PfGizmoOrientation::Clamped, true, stored);
    EXPECT_TRUE(near(clamped.x, DzVec3(1, 0, 0)));
    EXPECT_TRUE(near(clamped.z, DzVec3(0, -1, 0)));
}

TEST(DzRotationOrder, EulerAnglesTurnXThenYThenZ) {
    DzQuat const q(DzRotationOrder::xyz(), DzVec3(kPi / 2, kPi / 2, 0));
    // X first takes Y to Z, then Y takes Z to X.
    EXPECT_TRUE(near(q.multVec(DzVec3(0, 1, 0)), DzVec3(1, 0, 0)));
}

// ---- geometry, hit test and drag targets (drawn into an offscreen framebuffer) ----

namespace {

// A ray straight down through (x, y).
HvLine3 down(float x, float y) {
    return HvLine3(HvPoint3(x, y, 30), HvPoint3(x, y, -30));
}

PfGizmo::DrawFlags flags(PfGizmo::DrawFlags bits) {
    return bits;
}

// A world-axes gizmo of size 10 at the origin, drawn once so that every part can be hit. The framebuffer
// shows x and y in [-20, 20] at 5 pixels a unit, looking down -Z.
class PfGizmoHitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.create(200, 200)) << gl.error().toStdString();
        gl.setOrtho(-20.0, 20.0, -20.0, 20.0, -50.0, 50.0);
        gl.clear();
        PfGizmoInit init;
        init.x = DzVec3(1, 0, 0);
        init.z = DzVec3(0, 0, 1);
        gizmo = PfGizmo::Create(init, DzVec3(0, 0, 0), 10.0f);
        draw();
    }
    void draw(PfGizmo::DrawFlags parts = flags(PfDrawGizmoSetting::Translation |
                                               PfDrawGizmoSetting::Rotation),
              PfGizmo::TempDrawFlags temp = {}, float sphere = 0.0f) {
        gizmo->draw(parts, sphere, temp, nullptr, nullptr, 0.0f);
    }
    PfGizmoHit hitOf(HvLine3 const& ray) {
        gizmo->hitTest(ray, nullptr);
        return gizmo->getCurrentHit();
    }
    dztest::Rgba at(float x, float y) const {
        return gl.pixel(int((x + 20.0f) * 5.0f), int((y + 20.0f) * 5.0f));
    }
    // Whether a pixel within one of (x, y) passes the test: a one-pixel line may fall either side.
    template <class Test>
    bool anyNear(float x, float y, Test test) const {
        int const px = int((x + 20.0f) * 5.0f);
        int const py = int((y + 20.0f) * 5.0f);
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (test(gl.pixel(px + dx, py + dy)))
                    return true;
        return false;
    }

    dztest::GlContext gl;
    std::unique_ptr<PfGizmo> gizmo;
};

struct HitCase {
    char const* name;
    HvLine3 ray;
    PfGizmoHit expected;
};

std::ostream& operator<<(std::ostream& os, HitCase const& c) {
    return os << c.name;
}

class PfGizmoHitTable : public PfGizmoHitTest, public ::testing::WithParamInterface<HitCase> {};

// Cone tip X at (10, 0, 0), Y (0, 10, 0), Z (0, 0, 10), cone size 1.25; the XY handle is the triangle
// (5, 2.5), (2.5, 5), (5, 5); rings of radius 8 with a tolerance of 1.
HvLine3 const kThroughConeZAndPlaneXY(HvPoint3(-4, -4, 20), HvPoint3(4, 4, 0));
HvLine3 const kThroughConeXAndRingZ(HvPoint3(6.05f, -4, 0), HvPoint3(12.05f, 4, 0));

}  // namespace

TEST_P(PfGizmoHitTable, FirstPartHitWins) {
    EXPECT_EQ(hitOf(GetParam().ray), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, PfGizmoHitTable,
    ::testing::Values(
        HitCase{"ConeXJustInside", down(10, 1.24f), PfGizmoHit::ConeX},
        HitCase{"ConeXAtItsSizeMisses", down(10, 1.25f), PfGizmoHit::None},
        HitCase{"ConeY", down(0.5f, 10), PfGizmoHit::ConeY},
        HitCase{"ConeZ", down(0.3f, 0.3f), PfGizmoHit::ConeZ},
        HitCase{"ConeZBeforePlaneXY", kThroughConeZAndPlaneXY, PfGizmoHit::ConeZ},
        HitCase{"PlaneXY", down(4.5f, 4.5f), PfGizmoHit::PlaneXY},
        HitCase{"PlaneXZ", HvLine3(HvPoint3(4.5f, 30, 4.5f), HvPoint3(4.5f, -30, 4.5f)), PfGizmoHit::PlaneXZ},
        HitCase{"PlaneYZ", HvLine3(HvPoint3(30, 4.5f, 4.5f), HvPoint3(-30, 4.5f, 4.5f)), PfGizmoHit::PlaneYZ},
        HitCase{"ConeXBeforeRingZ", kThroughConeXAndRingZ, PfGizmoHit::ConeX},
        HitCase{"RingXArc", down(0, 8), PfGizmoHit::RingX},
        HitCase{"RingYArc", HvLine3(HvPoint3(0, 30, -8), HvPoint3(0, -30, -8)), PfGizmoHit::RingY},
        HitCase{"RingZWithinTolerance", down(8.9f * 0.8660254f, 8.9f * 0.5f), PfGizmoHit::RingZ},
        HitCase{"RingZBeyondTolerance", down(9.1f * 0.8660254f, 9.1f * 0.5f), PfGizmoHit::None},
        HitCase{"RingZOutsideItsArc", down(-8, 0), PfGizmoHit::None},
        HitCase{"Nothing", down(15, 15), PfGizmoHit::None}),
    [](::testing::TestParamInfo<HitCase> const& info) { return std::string(info.param.name); });

TEST_F(PfGizmoHitTest, GeometryAfterRecomputation) {
    EXPECT_EQ(gizmo->getSegments(), 48u);
    EXPECT_TRUE(near(gizmo->getX(), DzVec3(10, 0, 0)));
    EXPECT_TRUE(near(gizmo->getY(), DzVec3(0, 10, 0)));  // right-handed
    EXPECT_TRUE(near(gizmo->getZ(), DzVec3(0, 0, 10)));
    EXPECT_FLOAT_EQ(gizmo->getConeSize(), 1.25f);
    // Moving the origin moves every part at the next draw.
    gizmo->setOriginWs(DzVec3(100, 0, 0));
    draw();
    EXPECT_EQ(hitOf(down(110, 0.5f)), PfGizmoHit::ConeX);
    EXPECT_EQ(hitOf(down(10, 0.5f)), PfGizmoHit::None);
}

// A turned gizmo keeps each ring at right angles to its own axis.
TEST(PfGizmo, RingsLieAcrossTheirAxesInAnyOrientation) {
    dztest::GlContext gl;
    ASSERT_TRUE(gl.create(16, 16)) << gl.error().toStdString();
    DzQuat const q = DzQuat(DzVec3(0, 0, 1), 1.1f) * DzQuat(DzVec3(1, 1, 0), 0.7f);
    PfGizmoInit init;
    init.orientation = q;
    init.x = q.multVec(DzVec3(1, 0, 0));
    init.z = q.multVec(DzVec3(0, 0, 1));
    auto gizmo = PfGizmo::Create(init, DzVec3(1, 2, 3), 10.0f);
    gizmo->draw(flags(PfDrawGizmoSetting::Rotation), 0.0f, {}, nullptr, nullptr, 0.0f);
    HvVec3 const* axes[3] = {&gizmo->getX(), &gizmo->getY(), &gizmo->getZ()};
    PfGizmoHit const rings[3] = {PfGizmoHit::RingX, PfGizmoHit::RingY, PfGizmoHit::RingZ};
    for (int i = 0; i < 3; ++i) {
        DzVec3 const a = unit(*axes[i]);
        // A ray along the axis, through a point 8 units out at right angles, hits that ring.
        DzVec3 const across = unit(a.cross(unit(*axes[(i + 1) % 3])));
        bool hitOnce = false;
        for (int k = 0; k < 8 && !hitOnce; ++k) {
            DzVec3 const dir = DzQuat(a, float(k) * kPi / 4).multVec(across);
            DzVec3 const p = DzVec3(1, 2, 3) + dir * 8.0f;
            gizmo->hitTest(HvLine3(p + a * 30.0f, p - a * 30.0f), nullptr);
            hitOnce = gizmo->getCurrentHit() == rings[i];
        }
        EXPECT_TRUE(hitOnce) << "ring " << i;
    }
}

// The rings' tolerance of one unit shrinks to the cone size on a gizmo smaller than 8.
TEST_F(PfGizmoHitTest, SmallGizmoRingsKeepTheirToleranceToScale) {
    PfGizmoInit init;
    init.x = DzVec3(1, 0, 0);
    init.z = DzVec3(0, 0, 1);
    gizmo = PfGizmo::Create(init, DzVec3(0, 0, 0), 1.0f);  // ring radius 0.8, cone size 0.125
    draw();
    EXPECT_EQ(hitOf(down(0.9f * 0.8660254f, 0.9f * 0.5f)), PfGizmoHit::RingZ);
    EXPECT_EQ(hitOf(down(0.95f * 0.8660254f, 0.95f * 0.5f)), PfGizmoHit::None);
    EXPECT_EQ(hitOf(down(1.5f, 0.5f)), PfGizmoHit::None);
}

TEST_F(PfGizmoHitTest, ReportsOnlyChanges) {
    EXPECT_TRUE(gizmo->hitTest(down(10, 0.5f), nullptr));
    EXPECT_FALSE(gizmo->hitTest(down(10, 0.6f), nullptr));  // the same cone
    EXPECT_EQ(gizmo->getCurrentHit(), PfGizmoHit::ConeX);
    EXPECT_TRUE(gizmo->hitTest(down(15, 15), nullptr));  // left the gizmo
    EXPECT_EQ(gizmo->getCurrentHit(), PfGizmoHit::None);
    EXPECT_FALSE(gizmo->hitTest(down(16, 15), nullptr));
    gizmo->hitTest(down(4.5f, 4.5f), nullptr);
    gizmo->onReleaseDrag();
    EXPECT_EQ(gizmo->getCurrentHit(), PfGizmoHit::None);
}

TEST_F(PfGizmoHitTest, OnlyWhatTheLastDrawDrewCanBeHit) {
    HvLine3 const ringX = down(0, 8);
    HvLine3 const ringZ = down(8 * 0.8660254f, 8 * 0.5f);
    // Without rings, or with the move-gizmo-only flag, no ring.
    draw(flags(PfDrawGizmoSetting::Translation));
    EXPECT_EQ(hitOf(ringZ), PfGizmoHit::None);
    draw(flags(PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation),
         PfGizmo::TempDrawFlag::MoveGizmoOnly);
    EXPECT_EQ(hitOf(ringZ), PfGizmoHit::None);
    EXPECT_EQ(hitOf(down(10, 0.5f)), PfGizmoHit::ConeX);
    // Without translation parts, rings only: the cone ray now finds the ring behind it.
    draw(flags(PfDrawGizmoSetting::Rotation));
    EXPECT_EQ(hitOf(kThroughConeXAndRingZ), PfGizmoHit::RingZ);
    EXPECT_EQ(hitOf(down(10, 0.5f)), PfGizmoHit::None);
    // The planar subset: X, Y, the XY handle and the Z ring.
    draw(flags(PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation),
         PfGizmo::TempDrawFlag::Planar);
    EXPECT_EQ(hitOf(kThroughConeZAndPlaneXY), PfGizmoHit::PlaneXY);
    EXPECT_EQ(hitOf(HvLine3(HvPoint3(4.5f, 30, 4.5f), HvPoint3(4.5f, -30, 4.5f))), PfGizmoHit::None);
    EXPECT_EQ(hitOf(ringX), PfGizmoHit::None);
    EXPECT_EQ(hitOf(ringZ), PfGizmoHit::RingZ);
    EXPECT_EQ(hitOf(down(0.5f, 10)), PfGizmoHit::ConeY);
}

TEST_F(PfGizmoHitTest, HitsFillTheirTarget) {
    HvPoint3 target(-1, -1, -1);
    gizmo->hitTest(down(9.5f, 0.5f), &target);
    EXPECT_TRUE(near(target, DzVec3(9.5f, 0, 0)));  // the axis point nearest the ray
    gizmo->hitTest(down(4.5f, 4.6f), &target);
    EXPECT_TRUE(near(target, DzVec3(4.5f, 4.6f, 0)));
    gizmo->hitTest(down(8.9f * 0.8660254f, 8.9f * 0.5f), &target);
    EXPECT_NEAR(target.z, 0.0f, 1e-4f);
    EXPECT_NEAR(std::hypot(target.x, target.y), 8.0f, 0.05f);  // on the drawn ring
}

TEST_F(PfGizmoHitTest, DragTargets) {
    HvLine3 const slanted(HvPoint3(3, 4, 6), HvPoint3(1, 2, -2));
    struct Row {
        PfGizmoHit hit;
        PfGizmoDragKind kind;
        DzVec3 target;
        DzVec3 axis;
    };
    DzLine3 const line = slanted.toDzLine3();
    DzVec3 onXY, onXZ, onYZ;
    ASSERT_TRUE(line.planeIntersect(DzVec3(), DzVec3(0, 0, 1), onXY));
    ASSERT_TRUE(line.planeIntersect(DzVec3(), DzVec3(0, 1, 0), onXZ));
    ASSERT_TRUE(line.planeIntersect(DzVec3(), DzVec3(1, 0, 0), onYZ));
    Row const rows[] = {
        {PfGizmoHit::PlaneXY, PfGizmoDragKind::Translate, onXY, DzVec3(7, 7, 7)},
        {PfGizmoHit::PlaneXZ, PfGizmoDragKind::Translate, onXZ, DzVec3(7, 7, 7)},
        {PfGizmoHit::PlaneYZ, PfGizmoDragKind::Translate, onYZ, DzVec3(7, 7, 7)},
        {PfGizmoHit::RingX, PfGizmoDragKind::RotateX, onYZ, DzVec3(10, 0, 0)},
        {PfGizmoHit::RingY, PfGizmoDragKind::RotateY, onXZ, DzVec3(0, 10, 0)},
        {PfGizmoHit::RingZ, PfGizmoDragKind::RotateZ, onXY, DzVec3(0, 0, 10)},
        {PfGizmoHit::None, PfGizmoDragKind::None, DzVec3(-1, -1, -1), DzVec3(7, 7, 7)},
    };
    for (Row const& row : rows) {
        HvPoint3 target(-1, -1, -1);
        HvVec3 axis(7, 7, 7);
        EXPECT_EQ(gizmo->computeDragTargetWs(row.hit, line, &target, &axis), row.kind) << row.hit;
        EXPECT_TRUE(near(target, row.target, 1e-4f)) << row.hit;
        EXPECT_TRUE(near(axis, row.axis)) << row.hit;
        EXPECT_EQ(PfGizmo::DragKindOf(row.hit), row.kind);
    }
    // An axis: the point of the axis line nearest the ray, also beyond the tip.
    HvPoint3 target;
    EXPECT_EQ(gizmo->computeDragTargetWs(PfGizmoHit::ConeY, down(3, 14), &target, nullptr),
              PfGizmoDragKind::Translate);
    EXPECT_TRUE(near(target, DzVec3(0, 14, 0)));
}

// Seen edge-on, a handle's or ring's plane gives no point to drag to: the caller is told and nothing is
// written.
TEST_F(PfGizmoHitTest, RayAlongThePlaneGivesNoTarget) {
    HvLine3 const inXY(HvPoint3(-30, 3, 0), HvPoint3(30, 3, 0));
    HvLine3 const inYZ(HvPoint3(0, -30, 2), HvPoint3(0, 30, 2));
    struct Row {
        PfGizmoHit hit;
        HvLine3 ray;
    };
    for (Row const& row : {Row{PfGizmoHit::PlaneXY, inXY}, Row{PfGizmoHit::RingZ, inXY},
                           Row{PfGizmoHit::RingX, inYZ}, Row{PfGizmoHit::PlaneYZ, inYZ}}) {
        HvPoint3 target(-1, -1, -1);
        HvVec3 axis(7, 7, 7);
        EXPECT_EQ(gizmo->computeDragTargetWs(row.hit, row.ray, &target, &axis), PfGizmoDragKind::None)
            << row.hit;
        EXPECT_NE(PfGizmo::DragKindOf(row.hit), PfGizmoDragKind::None);
        EXPECT_EQ(target, HvPoint3(-1, -1, -1));
        EXPECT_EQ(axis, HvVec3(7, 7, 7));
    }
    // A ray that is not finite gives no target either.
    float const nan = std::numeric_limits<float>::quiet_NaN();
    HvPoint3 target(-1, -1, -1);
    EXPECT_EQ(gizmo->computeDragTargetWs(PfGizmoHit::ConeX, down(nan, 0), &target, nullptr),
              PfGizmoDragKind::None);
    EXPECT_EQ(target, HvPoint3(-1, -1, -1));
}

TEST_F(PfGizmoHitTest, FalloffSphere) {
    PfGizmo::DrawFlags const influence = flags(PfDrawGizmoSetting::Influence);
    auto lit = [](dztest::Rgba const& c) { return c.r > 100 && c.g > 100 && c.b > 100; };
    // A radius of 0 draws nothing.
    gl.clear();
    draw(influence, {}, 0.0f);
    EXPECT_EQ(gl.countPixels(dztest::Rgba(), 0, false), 0);
    // The silhouette of a sphere of radius 12 around the origin, none of it beyond.
    gl.clear();
    draw(influence, {}, 12.0f);
    EXPECT_GT(gl.countPixels(dztest::Rgba(), 0, false), 0);
    int litNearRim = 0;
    for (int k = 0; k < 16; ++k) {
        float const a = float(k) * kPi / 8;
        for (float r : {11.6f, 12.0f}) litNearRim += lit(at(r * std::cos(a), r * std::sin(a))) ? 1 : 0;
        EXPECT_FALSE(lit(at(13.0f * std::cos(a), 13.0f * std::sin(a)))) << k;
    }
    EXPECT_GE(litNearRim, 12);
    // As an outline: the circle facing the camera.
    gl.clear();
    draw(flags(PfDrawGizmoSetting::Influence | PfDrawGizmoSetting::InfluenceAsOutline), {}, 12.0f);
    EXPECT_TRUE(lit(at(12.0f, 0.0f)));
    EXPECT_TRUE(lit(at(0.0f, -12.0f)));
    EXPECT_FALSE(lit(at(6.0f, 0.0f)));
    // The state around the drawing is put back.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
}

TEST_F(PfGizmoHitTest, AxesInTheirColours) {
    gl.clear();
    draw(flags(PfDrawGizmoSetting::Translation));
    EXPECT_TRUE(anyNear(7.0f, 0.0f, [](dztest::Rgba const& c) { return c.r > 200 && c.g < 60 && c.b < 60; }));
    EXPECT_TRUE(anyNear(0.0f, 7.0f, [](dztest::Rgba const& c) { return c.g > 200 && c.r < 60 && c.b < 60; }));
    // The highlighted cone is yellow.
    gizmo->setCurrentHit(PfGizmoHit::ConeX);
    gl.clear();
    draw(flags(PfDrawGizmoSetting::Translation));
    dztest::Rgba const cone = at(10.6f, 0.0f);
    EXPECT_TRUE(cone.r > 200 && cone.g > 200 && cone.b < 60) << cone;
}

// While a ring is dragged only that ring shows: highlighted in full, with the swept arc in its colour from
// the press point to the current one (either sense of the angle).
TEST_F(PfGizmoHitTest, RingDragShowsTheSweptArc) {
    auto isBlue = [](dztest::Rgba const& c) { return c.b > 200 && c.r < 60 && c.g < 60; };
    auto isYellow = [](dztest::Rgba const& c) { return c.r > 200 && c.g > 200 && c.b < 60; };
    auto isRed = [](dztest::Rgba const& c) { return c.r > 200 && c.g < 60 && c.b < 60; };
    for (float angle : {kPi / 3, -kPi / 3}) {
        gizmo->setCurrentHit(PfGizmoHit::RingZ);
        HvPoint3 start(8, 0, 0);
        HvPoint3 current(4, 8 * 0.8660254f, 0);
        gl.clear();
        gizmo->draw(flags(PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation), 0.0f, {}, &start,
                    &current, angle);
        EXPECT_TRUE(anyNear(8 * 0.8660254f, 4.0f, isBlue)) << angle;
        EXPECT_TRUE(anyNear(8 * 0.8660254f, -4.0f, isYellow)) << angle;
        EXPECT_FALSE(anyNear(7.0f, 0.5f, isRed)) << angle;  // no translation parts during a ring drag
        EXPECT_EQ(hitOf(down(10, 0.5f)), PfGizmoHit::None);
    }
}

// ---- the selection's gizmos, one per viewport ----

namespace {

// The 3 x 3 grid seen by two viewports (not shown), vertex (i, j) with index 4 j + i.
class PfSelectionGizmoTest : public PfGizmoInitTest {
protected:
    void SetUp() override {
        PfGizmoInitTest::SetUp();
        PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
        viewA.getCamera()->lookAt(DzVec3(3, 3, 10), DzVec3(1.5f, 1.5f, 0));
        viewB.getCamera()->lookAt(DzVec3(0, 0, 20), DzVec3(1.5f, 1.5f, 0));
    }
    void selectVertices(std::initializer_list<int> vertices) {
        for (int v : vertices) selection->handleSelection(PfSelectionType::Vertex, v, VM::CtrlModifier);
    }
    PfSelection::ViewportData& data(Dz3DViewport& view) { return selection->getViewportData(&view); }

    Dz3DViewport viewA;
    Dz3DViewport viewB;
};

}  // namespace

TEST_F(PfSelectionGizmoTest, OriginIsTheSelectedVertexNearestTheCamera) {
    selectVertices({0, 10, 15, 1000});  // 1000 lies outside the mesh and is passed over
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    selection->makeGizmo(&viewB, 5, PfGizmoOrientation::WorldAxes);
    ASSERT_TRUE(data(viewA).gizmo);
    EXPECT_EQ(data(viewA).originState, PfSelection::ViewportData::OriginState::AutoChosen);
    EXPECT_EQ(data(viewA).originVertex, 15);  // (3, 3)
    EXPECT_EQ(data(viewA).gizmo->getOriginWs(), DzVec3(3, 3, 0));
    EXPECT_EQ(data(viewB).originVertex, 0);  // (0, 0)
    // The size keeps the gizmo's size on screen: distance / (60 - 4 * size).
    EXPECT_FLOAT_EQ(data(viewA).gizmo->getSize(), 10.0f / 40.0f);
    selection->makeGizmo(&viewB, 1, PfGizmoOrientation::WorldAxes);
    EXPECT_FLOAT_EQ(data(viewB).gizmo->getSize(), 20.0f / 56.0f);
    selection->makeGizmo(&viewB, 10, PfGizmoOrientation::WorldAxes);
    EXPECT_FLOAT_EQ(data(viewB).gizmo->getSize(), 1.0f);

    // Chosen once, the origin stays on its vertex; placed by the user, it stays where it is.
    selection->handleSelection(PfSelectionType::Vertex, 15, VM::AltModifier);
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    EXPECT_EQ(data(viewA).originVertex, 15);
    data(viewA).originState = PfSelection::ViewportData::OriginState::Placed;
    data(viewA).originWs = DzVec3(7, 7, 7);
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    EXPECT_EQ(data(viewA).gizmo->getOriginWs(), DzVec3(7, 7, 7));
}

TEST_F(PfSelectionGizmoTest, TiesGoToTheLowerIndexAndStaleVerticesAreSkipped) {
    viewA.getCamera()->lookAt(DzVec3(1.5f, 0, 10), DzVec3(1.5f, 0, 0));
    selectVertices({2, 1});  // (2, 0) and (1, 0), equally far
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    EXPECT_EQ(data(viewA).originVertex, 1);

    // An origin vertex that the mesh no longer has keeps the last origin.
    data(viewA).originVertex = 500;
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    ASSERT_TRUE(data(viewA).gizmo);
    EXPECT_EQ(data(viewA).gizmo->getOriginWs(), DzVec3(1, 0, 0));
}

TEST_F(PfSelectionGizmoTest, ClampedKeepsTheAxesOfTheViewportsLastGizmo) {
    selectVertices({5});
    DzQuat const turn(DzVec3(0, 0, 1), kPi / 2);
    node->setLocalRot(turn);
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::NodeAxes);
    EXPECT_TRUE(data(viewA).clampedOrientationStored);
    node->setLocalRot(DzQuat());
    tool.clearWorldMeshBaseWithModifiers();
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::Clamped);
    data(viewA).gizmo->recomputeIfNeeded();
    EXPECT_TRUE(near(unit(data(viewA).gizmo->getX()), DzVec3(0, 1, 0)));
    // Clamped never stores; a viewport that never had a gizmo gets world axes.
    selection->makeGizmo(&viewB, 5, PfGizmoOrientation::Clamped);
    EXPECT_FALSE(data(viewB).clampedOrientationStored);
    data(viewB).gizmo->recomputeIfNeeded();
    EXPECT_TRUE(near(unit(data(viewB).gizmo->getX()), DzVec3(1, 0, 0)));
}

TEST_F(PfSelectionGizmoTest, OriginStatesAndReset) {
    EXPECT_EQ(selection->getGizmoOriginState(&viewA),
              PfSelection::ViewportData::OriginState::AutoUnchosen);  // made on first access
    EXPECT_FALSE(data(viewA).gizmo);
    selectVertices({5});
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    selection->makeGizmo(&viewB, 5, PfGizmoOrientation::WorldAxes);
    EXPECT_EQ(selection->getGizmoOriginState(&viewA), PfSelection::ViewportData::OriginState::AutoChosen);
    EXPECT_FALSE(selection->isAnyGizmoMovedManually());
    data(viewB).originState = PfSelection::ViewportData::OriginState::Placed;
    EXPECT_TRUE(selection->isAnyGizmoMovedManually());

    selection->resetAutoGizmoOrigins(false);
    EXPECT_EQ(selection->getGizmoOriginState(&viewA), PfSelection::ViewportData::OriginState::AutoUnchosen);
    EXPECT_EQ(selection->getGizmoOriginState(&viewB), PfSelection::ViewportData::OriginState::Placed);
    selection->resetAutoGizmoOrigins(true);
    EXPECT_EQ(selection->getGizmoOriginState(&viewB), PfSelection::ViewportData::OriginState::AutoUnchosen);

    selection->resetGizmos();
    EXPECT_FALSE(data(viewA).gizmo);
    EXPECT_FALSE(data(viewB).gizmo);
}

TEST_F(PfSelectionGizmoTest, NoCameraOrNoMeshMakesNoGizmo) {
    selectVertices({5});
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    ASSERT_TRUE(data(viewA).gizmo);
    viewA.setCamera(nullptr);
    selection->makeGizmo(&viewA, 5, PfGizmoOrientation::WorldAxes);
    EXPECT_FALSE(data(viewA).gizmo);
    // Nothing drawn with every display flag off, nor made.
    PfSettings::Get()->m_drawGizmoFlags = PfDrawGizmoSetting::InfluenceAsOutline;
    selection->drawGizmo(&viewB);
    EXPECT_FALSE(data(viewB).gizmo);
}

// ---- in a real viewport ----

namespace {

// Looking straight down at a 4 x 4 grid of unit quads on the XY plane (vertex (i, j) has index 5 j + i, face
// (i, j) index 4 j + i), the tool active.
class PfGizmoViewportTest : public pftest::PfToolViewportTest {
protected:
    void SetUp() override {
        PfSettings::Get()->m_drawGizmoFlags = PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation;
        ASSERT_NO_FATAL_FAILURE(PfToolViewportTest::SetUp());
        grid = fx.addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
        fx.lookAt(DzVec3(2, 2, 10), DzVec3(2, 2, 0));
        registerTool();
        ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    }
    void TearDown() override {
        fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool"));
        PfToolViewportTest::TearDown();
    }
    // Whether a pixel within two of p passes the test.
    template <class Test>
    static bool anyNear(QImage const& image, QPoint const& p, Test test) {
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy)
                if (test(dztest::ViewportFixture::pixel(image, p + QPoint(dx, dy))))
                    return true;
        return false;
    }
    static bool red(dztest::Rgba const& c) { return c.r > 180 && c.g < 80 && c.b < 80; }
    static bool green(dztest::Rgba const& c) { return c.g > 180 && c.r < 80 && c.b < 80; }
    static bool blue(dztest::Rgba const& c) { return c.b > 180 && c.r < 80 && c.g < 80; }

    DzNode* grid = nullptr;
};

}  // namespace

// The face at (1.5, 2.5) is picked: its corner nearest the camera, (2, 2), carries a gizmo of size
// 10 / 40 = 0.25 with X to the right, Y up and the Z ring's arc to the right.
TEST_F(PfGizmoViewportTest, TheGizmoShowsAtTheSelection) {
    QImage const before = fx.grab();
    EXPECT_FALSE(anyNear(before, at(2.15f, 2.0f), red));
    dztest::mouseClick(fx.view(), at(1.5f, 2.5f));
    QImage const after = fx.grab();
    EXPECT_TRUE(anyNear(after, at(2.12f, 2.0f), red));
    EXPECT_TRUE(anyNear(after, at(2.0f, 2.12f), green));
    EXPECT_TRUE(anyNear(after, at(2.2f, 2.0f), blue));
    EXPECT_FALSE(anyNear(after, at(1.8f, 2.0f), blue));  // the arc spans -45 to 45 degrees only
    // Nothing of it anywhere else.
    EXPECT_FALSE(anyNear(after, at(3.12f, 3.0f), red));

    PfSelection* selection = tool->getSelection();
    ASSERT_TRUE(selection);
    PfGizmo* gizmo = selection->getViewportData(fx.view()).gizmo.get();
    ASSERT_TRUE(gizmo);
    EXPECT_EQ(gizmo->getOriginWs(), DzVec3(2, 2, 0));
    EXPECT_FLOAT_EQ(gizmo->getSize(), 0.25f);

    // Hovering over the X cone highlights it and redraws at once.
    int const redraws = fx.mgr()->getDrawnDataChangedCount();
    dztest::mouseMove(fx.view(), at(2.25f, 2.0f));
    EXPECT_EQ(gizmo->getCurrentHit(), PfGizmoHit::ConeX);
    EXPECT_EQ(fx.mgr()->getDrawnDataChangedCount(), redraws + 1);
    dztest::mouseMove(fx.view(), at(2.26f, 2.0f));
    EXPECT_EQ(fx.mgr()->getDrawnDataChangedCount(), redraws + 1);

    // The falloff outline: a radius of 10 shows as a circle of radius 1 around the origin.
    PfSettings::Get()->m_drawGizmoFlags =
        PfDrawGizmoSetting::Influence | PfDrawGizmoSetting::InfluenceAsOutline;
    PfSettings::Get()->m_falloffRadius = 10;
    QImage const outline = fx.grab();
    auto brightness = [](QImage const& image, QPoint const& p) {
        dztest::Rgba const c = dztest::ViewportFixture::pixel(image, p);
        return c.r + c.g + c.b;
    };
    for (QPoint const& p : {at(3.0f, 2.0f), at(2.0f, 1.0f)})
        EXPECT_GT(brightness(outline, p), brightness(after, p) + 30);
    for (QPoint const& p : {at(3.5f, 2.0f), at(2.5f, 2.5f)})
        EXPECT_EQ(brightness(outline, p), brightness(after, p));

    // With the display flags off, no gizmo.
    PfSettings::Get()->m_drawGizmoFlags = {};
    EXPECT_FALSE(anyNear(fx.grab(), at(2.12f, 2.0f), red));
}

// A ring grabbed where the view shows it and dragged along it by the mouse turns the selection by the angle
// the mouse swept about the gizmo's centre, times the gain: every ring of a gizmo seen at a slant, small and
// large angles, either sense. The mouse goes exactly through the ring's points, between pixels.
TEST_F(PfGizmoViewportTest, RingDragsThroughTheViewTurnByTheSweptAngle) {
    PfSettings::Get()->m_falloffRadius = 0;  // the face's corners alone, at weight 1
    fx.lookAt(DzVec3(6, -3, 6), DzVec3(2, 2, 0));
    dztest::mouseClick(fx.view(), at(2.5f, 2.5f));
    PfSelection* selection = tool->getSelection();
    ASSERT_TRUE(selection && selection->getModifier());
    fx.grab();
    PfGizmo* gizmo = selection->getViewportData(fx.view()).gizmo.get();
    ASSERT_TRUE(gizmo);
    DzVec3 const centre = gizmo->getOriginWs();
    float const radius = 0.8f * gizmo->getSize();
    DzVec3 const axes[] = {gizmo->getX().dz().normalized(), gizmo->getY().dz().normalized(),
                           gizmo->getZ().dz().normalized()};
    PfModifier* modifier = selection->getModifier();
    auto position = [&](int i) { return DzVec3(float(i % 5), float(i / 5), 0) + modifier->getDelta(i).dz(); };
    auto send = [&](QEvent::Type type, QPointF const& p, Qt::MouseButton button, Qt::MouseButtons held) {
        dzinput::sendMouse(fx.view(), type, p, button, held, Qt::NoModifier);
    };

    struct Ring {
        PfGizmoHit hit;
        int axis;  // n; u and v follow it, so that u x v = n
    } const rings[] = {{PfGizmoHit::RingX, 0}, {PfGizmoHit::RingY, 1}, {PfGizmoHit::RingZ, 2}};
    for (Ring const& ring : rings) {
        DzVec3 const n = axes[ring.axis], u = axes[(ring.axis + 1) % 3], v = axes[(ring.axis + 2) % 3];
        auto pixelAt = [&](double deg) {
            double const a = deg * kPi / 180.0;
            return fx.projectF(centre + (u * float(std::cos(a)) + v * float(std::sin(a))) * radius);
        };
        // The corner that turns on the widest circle about the axis.
        int vertex = -1;
        float lever = 0.0f;
        for (int i : {12, 13, 17, 18}) {
            DzVec3 const r = position(i) - centre;
            float const l = (r - n * n.dot(r)).length();
            if (l > lever) {
                lever = l;
                vertex = i;
            }
        }
        ASSERT_GT(lever, 0.5f);
        for (float gain : {1.0f, 0.5f})
            for (double degrees : {10.0, 30.0, 45.0, 90.0, 270.0, -100.0}) {
                SCOPED_TRACE(testing::Message()
                             << "ring " << ring.hit << ", gain " << gain << ", " << degrees);
                PfSettings::Get()->m_fGain = gain;
                fx.grab();  // the hit test tests what the last draw drew
                gizmo = selection->getViewportData(fx.view()).gizmo.get();
                ASSERT_TRUE(gizmo);
                ASSERT_EQ(gizmo->getOriginWs(), centre);
                double from = 0.0;
                for (; from < 360.0; from += 7.5) {
                    send(QEvent::MouseMove, pixelAt(from), Qt::NoButton, Qt::NoButton);
                    if (gizmo->getCurrentHit() == ring.hit)
                        break;
                }
                ASSERT_LT(from, 360.0) << "the ring cannot be hit";
                DzVec3 const before = position(vertex);
                send(QEvent::MouseButtonPress, pixelAt(from), Qt::LeftButton, Qt::LeftButton);
                ASSERT_EQ(selection->getState(), PfSelection::State::Rotating);
                int const steps = int(std::ceil(std::fabs(degrees) / 15.0));
                for (int i = 1; i <= steps; ++i)
                    send(QEvent::MouseMove, pixelAt(from + degrees * i / steps), Qt::NoButton,
                         Qt::LeftButton);
                send(QEvent::MouseButtonRelease, pixelAt(from + degrees), Qt::LeftButton, Qt::NoButton);

                DzVec3 r0 = before - centre, r1 = position(vertex) - centre;
                r0 -= n * n.dot(r0);
                r1 -= n * n.dot(r1);
                double const turned = std::atan2(n.dot(r0.cross(r1)), r0.dot(r1)) * 180.0 / kPi;
                EXPECT_NEAR(std::remainder(turned - degrees * gain, 360.0), 0.0, 0.01) << turned;
                EXPECT_NEAR(r1.length(), r0.length(), 1e-4f);
                dzApp->getUndoStack()->undo();
                ASSERT_EQ(position(vertex), before);
            }
    }
}
