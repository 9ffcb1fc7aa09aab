// The 3D viewports under Xvfb: event dispatch to the active tool with the OpenGL state loaded, camera moves
// for what the tool leaves, the context menu, tool switching with panes, redraws and the drawn pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QStringList>
#include <QWheelEvent>
#include <GL/glu.h>

#include "dz3dviewport.h"
#include "dzcamera.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzmainwindow.h"
#include "dzmenu.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"
#include "dzscene.h"
#include "dzviewport.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "dztransformtool.h"

#include <cmath>
#include <memory>

namespace {

// Records what the viewport hands it and the OpenGL state at that moment.
class RecordingTool : public DzTransformTool {
    Q_OBJECT
public:
    explicit RecordingTool(QString const& name = "Recorder", QStringList* log = nullptr)
        : DzTransformTool(name), m_log(log) {}

    struct Call {
        QString what;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons;
        int modifier = -1;
        QPoint pos;
        DzVec3 rayNear, rayFar;  // gluUnProject of the event with the GL state read back
        int viewport[4] = {0, 0, 0, 0};
        QString keyText;
        int key = 0;
    };
    QList<Call> calls;
    bool consumePress = false;
    bool consumeWheel = false;
    bool drawOverlay = false;
    mutable int draws = 0;
    mutable QPointer<QLabel> pane;
    mutable int paneRequests = 0;
    mutable QWidget* paneParent = nullptr;

    QStringList names() const {
        QStringList out;
        for (Call const& c : calls) out << c.what;
        return out;
    }

    void activate() override {
        log("activate");
        DzTransformTool::activate();
    }
    void deactivate() override {
        log("deactivate");
        DzTransformTool::deactivate();
    }
    bool mousePress(Dz3DViewport* v, QMouseEvent* e, DzViewportMgr::ViewMouseModifier m) override {
        record("press", v, e, m);
        return consumePress;
    }
    void mouseMove(Dz3DViewport* v, QMouseEvent* e, DzViewportMgr::ViewMouseModifier m) override {
        record("move", v, e, m);
    }
    void mouseRelease(Dz3DViewport* v, QMouseEvent* e, DzViewportMgr::ViewMouseModifier m) override {
        record("release", v, e, m);
    }
    void mouseOver(Dz3DViewport* v, QMouseEvent* e, DzViewportMgr::ViewMouseModifier m) override {
        record("over", v, e, m);
    }
    bool wheelEvent(Dz3DViewport*, QWheelEvent* e, DzViewportMgr::ViewMouseModifier m) override {
        Call c;
        c.what = "wheel";
        c.modifier = m;
        c.key = e->angleDelta().y();
        calls << c;
        return consumeWheel;
    }
    void keyPress(Dz3DViewport*, QKeyEvent* e) override { recordKey("keyPress", e); }
    void keyRelease(Dz3DViewport*, QKeyEvent* e) override { recordKey("keyRelease", e); }
    void contextMenu(Dz3DViewport*, DzMenu* menu, QPoint const& pos) override {
        Call c;
        c.what = "contextMenu";
        c.pos = pos;
        calls << c;
        menu->addItem("Do It\tCtrl+D", this, SLOT(deleteLater()));
        menu->addSeparator();
        menu->addAction("DzFacetSelGrowAction");
        menu->addAction("NoSuchAction");
    }
    void draw(DzDrawStyle const&, Dz3DViewport*) const override {
        ++draws;
        if (!drawOverlay)
            return;
        // Half-transparent red over the square (1, 1) to (3, 3) of the z = 0 plane.
        glDisable(GL_LIGHTING);
        glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
        glBegin(GL_QUADS);
        glVertex3f(1, 1, 0);
        glVertex3f(3, 1, 0);
        glVertex3f(3, 3, 0);
        glVertex3f(1, 3, 0);
        glEnd();
    }
    QWidget* getPane(QWidget* parent) const override {
        log("getPane");
        ++paneRequests;
        paneParent = parent;
        if (!pane)
            pane = new QLabel("pane of " + getDisplayName(), parent);
        return pane;
    }

private:
    void log(QString const& what) const {
        if (m_log)
            *m_log << getDisplayName() + ":" + what;
    }
    void record(QString const& what, Dz3DViewport*, QMouseEvent* e, DzViewportMgr::ViewMouseModifier m) {
        Call c;
        c.what = what;
        c.button = e->button();
        c.buttons = e->buttons();
        c.modifier = m;
        c.pos = e->pos();
        GLdouble mv[16], proj[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, c.viewport);
        double const wx = e->pos().x(), wy = c.viewport[3] - e->pos().y();
        double x, y, z;
        gluUnProject(wx, wy, 0.0, mv, proj, c.viewport, &x, &y, &z);
        c.rayNear = DzVec3(float(x), float(y), float(z));
        gluUnProject(wx, wy, 1.0, mv, proj, c.viewport, &x, &y, &z);
        c.rayFar = DzVec3(float(x), float(y), float(z));
        calls << c;
    }
    void recordKey(QString const& what, QKeyEvent* e) {
        Call c;
        c.what = what;
        c.key = e->key();
        c.keyText = e->text();
        c.modifier = int(e->modifiers());
        calls << c;
    }
    QStringList* m_log;
};

// Where a ray meets the z = 0 plane.
DzVec3 onGround(DzVec3 const& a, DzVec3 const& b) {
    float const t = a.m_z / (a.m_z - b.m_z);
    return a + (b - a) * t;
}

class HostViewport : public ::testing::Test {
protected:
    void SetUp() override {
        fx = std::make_unique<dztest::ViewportFixture>(400, 300);
        ASSERT_TRUE(fx->isReady()) << fx->error().toStdString();
        grid = fx->addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
        fx->lookAt(DzVec3(2.0f, 2.0f, 10.0f), DzVec3(2.0f, 2.0f, 0.0f));
        tool = new RecordingTool;
        fx->mgr()->addTool(tool);
        fx->mgr()->setActiveTool(tool);
    }
    void TearDown() override {
        if (fx && fx->mgr() && tool) {
            fx->mgr()->removeTool(tool);
            delete tool;
        }
        fx.reset();
    }
    Dz3DViewport* view() const { return fx->view(); }

    std::unique_ptr<dztest::ViewportFixture> fx;
    DzNode* grid = nullptr;
    QPointer<RecordingTool> tool;
};

TEST_F(HostViewport, AClickReachesTheToolWithItsModifierAndTheMatricesOfTheView) {
    struct Case {
        Qt::KeyboardModifiers keys;
        int modifier;
    };
    Case const cases[] = {{Qt::NoModifier, 0},
                          {Qt::AltModifier, 1},
                          {Qt::ShiftModifier, 2},
                          {Qt::ControlModifier, 3},
                          {Qt::ControlModifier | Qt::ShiftModifier, DzViewportMgr::MultipleModifiers}};
    DzVec3 const target(2.5f, 1.5f, 0.0f);
    QPoint const at = fx->project(target);
    for (Case const& c : cases) {
        tool->calls.clear();
        dztest::mouseClick(view(), at, Qt::LeftButton, c.keys);
        ASSERT_EQ(tool->names(), (QStringList{"press", "release"}));
        RecordingTool::Call const& press = tool->calls[0];
        EXPECT_EQ(press.button, Qt::LeftButton);
        EXPECT_EQ(press.modifier, c.modifier);
        EXPECT_EQ(press.pos, at);
        EXPECT_EQ(press.viewport[0], 0);
        EXPECT_EQ(press.viewport[1], 0);
        EXPECT_EQ(press.viewport[2], 400);
        EXPECT_EQ(press.viewport[3], 300);
        // The event's pixel is the floor of the projected point: half a pixel is 0.015 units here.
        DzVec3 const hit = onGround(press.rayNear, press.rayFar);
        EXPECT_NEAR(hit.m_x, target.m_x, 0.03f);
        EXPECT_NEAR(hit.m_y, target.m_y, 0.03f);
        EXPECT_EQ(tool->calls[1].modifier, c.modifier);
    }
}

TEST_F(HostViewport, TheMatricesFollowTheCameraAndSizeAndViewChangedIsEmitted) {
    QSignalSpy changed(view(), &Dz3DViewport::viewChanged);
    fx->lookAt(DzVec3(-3.0f, 6.0f, 8.0f), DzVec3(1.0f, 0.5f, 0.0f));
    EXPECT_GE(changed.count(), 1);
    fx->camera()->setFieldOfView(25.0f);
    EXPECT_GE(changed.count(), 2);
    DzVec3 const target(3.2f, 0.7f, 0.0f);
    QPointF const exact = fx->projectF(target);
    dztest::mouseClick(view(), fx->project(target));
    ASSERT_FALSE(tool->calls.isEmpty());
    DzVec3 const hit = onGround(tool->calls[0].rayNear, tool->calls[0].rayFar);
    // The ray through the pixel's corner lands within a pixel of the point.
    QPointF back;
    ASSERT_TRUE(view()->projectToPixel(hit, back));
    EXPECT_LE(std::abs(back.x() - exact.x()), 1.0);
    EXPECT_LE(std::abs(back.y() - exact.y()), 1.0);
    // The view's own unprojection agrees with the one read back from OpenGL.
    DzLine3 const ray = view()->unprojectPixel(fx->project(target));
    DzVec3 const own = onGround(ray.getStart(), ray.getEnd());
    EXPECT_NEAR(own.m_x, hit.m_x, 1e-3f);
    EXPECT_NEAR(own.m_y, hit.m_y, 1e-3f);
}

TEST_F(HostViewport, AConsumedPressGivesTheToolTheDragAndLeavesTheCamera) {
    tool->consumePress = true;
    DzVec3 const before = fx->camera()->getWSPos();
    dztest::mouseDrag(view(), QPoint(100, 100), QPoint(160, 120), Qt::LeftButton, Qt::NoModifier, 3);
    EXPECT_EQ(tool->names(), (QStringList{"press", "move", "move", "move", "release"}));
    EXPECT_EQ(tool->calls[1].buttons, Qt::LeftButton);
    EXPECT_EQ(fx->camera()->getWSPos(), before);
}

TEST_F(HostViewport, ADuringTheToolsDragAnotherButtonStillReachesTheTool) {
    tool->consumePress = true;
    dztest::mousePress(view(), QPoint(100, 100), Qt::LeftButton);
    dztest::mousePress(view(), QPoint(100, 100), Qt::RightButton);
    dztest::mouseRelease(view(), QPoint(100, 100), Qt::RightButton);
    dztest::mouseMove(view(), QPoint(110, 100), Qt::LeftButton);
    dztest::mouseRelease(view(), QPoint(110, 100), Qt::LeftButton);
    EXPECT_EQ(tool->names(), (QStringList{"press", "press", "release", "move", "release"}));
    EXPECT_EQ(tool->calls[2].button, Qt::RightButton);
    EXPECT_EQ(view()->getLastContextMenu(), nullptr);
}

TEST_F(HostViewport, UnconsumedDragsMoveTheCamera) {
    DzCamera* camera = fx->camera();
    // Left or right drag orbits about the focal point: same distance, new place.
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        fx->lookAt(DzVec3(2.0f, 2.0f, 10.0f), DzVec3(2.0f, 2.0f, 0.0f));
        QSignalSpy changed(view(), &Dz3DViewport::viewChanged);
        tool->calls.clear();
        dztest::mouseDrag(view(), QPoint(200, 150), QPoint(260, 170), button);
        EXPECT_GT((camera->getWSPos() - DzVec3(2.0f, 2.0f, 10.0f)).length(), 1.0f);
        EXPECT_NEAR((camera->getWSPos() - DzVec3(2.0f, 2.0f, 0.0f)).length(), 10.0f, 1e-3f);
        EXPECT_NEAR((camera->getFocalPoint() - DzVec3(2.0f, 2.0f, 0.0f)).length(), 0.0f, 1e-3f);
        EXPECT_GE(changed.count(), 1);
        // The tool saw the press and the release, not the camera's moves.
        EXPECT_EQ(tool->names(), (QStringList{"press", "release"}));
    }
    EXPECT_EQ(view()->getLastContextMenu(), nullptr);
    // Middle drag pans: the direction stays, the focal point moves.
    fx->lookAt(DzVec3(2.0f, 2.0f, 10.0f), DzVec3(2.0f, 2.0f, 0.0f));
    dztest::mouseDrag(view(), QPoint(200, 150), QPoint(240, 150), Qt::MiddleButton);
    EXPECT_NEAR(camera->getViewDirection().m_z, -1.0f, 1e-5f);
    EXPECT_LT(camera->getWSPos().m_x, 2.0f - 0.1f);
    EXPECT_NEAR(camera->getWSPos().m_z, 10.0f, 1e-4f);
}

TEST_F(HostViewport, TheWheelGoesToTheToolFirstAndZoomsWhenItDeclines) {
    DzCamera* camera = fx->camera();
    dztest::wheel(view(), QPoint(200, 150), 120, Qt::ControlModifier);
    ASSERT_EQ(tool->names(), QStringList{"wheel"});
    EXPECT_EQ(tool->calls[0].modifier, 3);
    EXPECT_EQ(tool->calls[0].key, 120);
    float const zoomedIn = (camera->getWSPos() - DzVec3(2.0f, 2.0f, 0.0f)).length();
    EXPECT_NEAR(zoomedIn, 9.0f, 1e-3f);
    dztest::wheel(view(), QPoint(200, 150), -240);
    EXPECT_NEAR((camera->getWSPos() - DzVec3(2.0f, 2.0f, 0.0f)).length(), 9.0f / 0.81f, 1e-3f);
    tool->consumeWheel = true;
    DzVec3 const before = camera->getWSPos();
    dztest::wheel(view(), QPoint(200, 150), 120);
    EXPECT_EQ(camera->getWSPos(), before);
}

TEST_F(HostViewport, HoveringReachesMouseOverAndKeysReachTheTool) {
    dztest::mouseMove(view(), QPoint(50, 60), Qt::NoButton, Qt::ShiftModifier);
    ASSERT_EQ(tool->names(), QStringList{"over"});
    EXPECT_EQ(tool->calls[0].modifier, 2);
    EXPECT_EQ(tool->calls[0].pos, QPoint(50, 60));
    EXPECT_EQ(tool->calls[0].viewport[3], 300);
    tool->calls.clear();
    dztest::keyPress(view(), Qt::Key_Alt, Qt::AltModifier);
    dztest::keyRelease(view(), Qt::Key_Alt, Qt::NoModifier);
    dztest::keyPress(view(), Qt::Key_E, Qt::NoModifier, "e");
    ASSERT_EQ(tool->names(), (QStringList{"keyPress", "keyRelease", "keyPress"}));
    EXPECT_TRUE(tool->calls[0].keyText.isEmpty());
    EXPECT_EQ(tool->calls[0].modifier, int(Qt::AltModifier));
    EXPECT_EQ(tool->calls[2].keyText, "e");
}

TEST_F(HostViewport, ARightClickBuildsTheToolsContextMenu) {
    view()->setShowContextMenus(false);
    dztest::mouseClick(view(), QPoint(120, 80), Qt::RightButton);
    ASSERT_EQ(tool->names(), (QStringList{"press", "release", "contextMenu"}));
    EXPECT_EQ(tool->calls[0].button, Qt::RightButton);
    EXPECT_EQ(tool->calls[2].pos, QPoint(120, 80));
    DzMenu* menu = view()->getLastContextMenu();
    ASSERT_NE(menu, nullptr);
    // The missing action adds nothing.
    ASSERT_EQ(menu->getEntries().size(), 3);
    EXPECT_EQ(menu->getEntries()[0].kind, DzMenu::Entry::Item);
    EXPECT_EQ(menu->getEntries()[0].text, "Do It\tCtrl+D");
    EXPECT_EQ(menu->getEntries()[1].kind, DzMenu::Entry::Separator);
    EXPECT_EQ(menu->getEntries()[2].kind, DzMenu::Entry::Action);
    EXPECT_EQ(menu->getEntries()[2].className, "DzFacetSelGrowAction");
    EXPECT_EQ(menu->getQMenu()->actions().size(), 3);
    // Choosing the item calls the receiver's slot (here the tool's deleteLater).
    menu->getEntries()[0].action->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(tool.isNull());
}

TEST_F(HostViewport, ShownContextMenusPopUpAndANewClickReplacesTheMenu) {
    dztest::mouseClick(view(), QPoint(120, 80), Qt::RightButton);
    QPointer<DzMenu> first = view()->getLastContextMenu();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->getQMenu()->isVisible());
    first->getQMenu()->close();
    dztest::mouseClick(view(), QPoint(130, 90), Qt::RightButton);
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(view()->getLastContextMenu(), nullptr);
    view()->getLastContextMenu()->getQMenu()->close();
}

TEST_F(HostViewport, TheActiveViewportFollowsTheLastInteraction) {
    fx->mgr()->setNumViewports(2);
    DzViewport* second = fx->mgr()->getViewport(1);
    ASSERT_NE(second, nullptr);
    fx->mgr()->setActiveViewport(fx->viewport());
    dztest::keyPress(second->get3DViewport(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(fx->mgr()->getActiveViewport(), second);
    dztest::wheel(view(), QPoint(10, 10), 0);
    EXPECT_EQ(fx->mgr()->getActiveViewport(), fx->viewport());
    fx->mgr()->setNumViewports(1);
    EXPECT_EQ(fx->mgr()->getNumViewports(), 1);
    EXPECT_EQ(fx->mgr()->getActiveViewport(), fx->viewport());
}

TEST_F(HostViewport, DrawnDataChangedRepaintsAndTheToolDrawsAfterTheScene) {
    int const paints = view()->getPaintCount();
    int const draws = tool->draws;
    int const requests = fx->mgr()->getDrawnDataChangedCount();
    tool->drawnDataChanged();
    EXPECT_EQ(fx->mgr()->getDrawnDataChangedCount(), requests + 1);
    ASSERT_TRUE(fx->waitForPaint(paints));
    EXPECT_GT(tool->draws, draws);
}

TEST_F(HostViewport, TheNodesMeshShowsInThePixelsAndTheToolsDrawingBlendsOverIt) {
    QPoint const onMesh = fx->project(DzVec3(0.5f, 3.5f, 0.0f));
    QPoint const inSquare = fx->project(DzVec3(2.0f, 2.0f, 0.0f));
    QPoint const offMesh = fx->project(DzVec3(-1.0f, 2.0f, 0.0f));
    QImage image = fx->grab();
    dztest::Rgba const background = dztest::ViewportFixture::pixel(image, offMesh);
    dztest::Rgba const mesh = dztest::ViewportFixture::pixel(image, onMesh);
    EXPECT_FALSE(mesh.isNear(background, 20)) << mesh << " against " << background;
    EXPECT_TRUE(dztest::ViewportFixture::pixel(image, inSquare).isNear(mesh, 2));

    tool->drawOverlay = true;
    image = fx->grab();
    dztest::Rgba const blended = dztest::ViewportFixture::pixel(image, inSquare);
    // Half red over the grey mesh: red up, green and blue halved.
    EXPECT_NEAR(blended.r, (255 + mesh.r) / 2, 3) << blended;
    EXPECT_NEAR(blended.g, mesh.g / 2, 3) << blended;
    EXPECT_TRUE(dztest::ViewportFixture::pixel(image, onMesh).isNear(mesh, 2));

    // A hidden node is not drawn.
    tool->drawOverlay = false;
    grid->setVisible(false);
    image = fx->grab();
    EXPECT_TRUE(dztest::ViewportFixture::pixel(image, onMesh).isNear(background, 2));
    grid->setVisible(true);
}

TEST_F(HostViewport, TheWireFrameStyleDrawsEdgesOnly) {
    DzDrawStyle* before = view()->getDrawStyle();
    DzDrawStyle* wire = nullptr;
    for (int i = 0; i < fx->mgr()->getNumUserDrawStyles(); ++i)
        if (fx->mgr()->getUserDrawStyle(i)->getName() == "Wire Frame")
            wire = fx->mgr()->getUserDrawStyle(i);
    ASSERT_NE(wire, nullptr);
    QPoint const offMesh = fx->project(DzVec3(-1.0f, 2.0f, 0.0f));
    QPoint const facetCentre = fx->project(DzVec3(0.5f, 0.5f, 0.0f));
    QPoint const onEdge = fx->project(DzVec3(1.0f, 0.5f, 0.0f));
    view()->setDrawStyle(wire);
    QImage const image = fx->grab();
    dztest::Rgba const background = dztest::ViewportFixture::pixel(image, offMesh);
    EXPECT_TRUE(dztest::ViewportFixture::pixel(image, facetCentre).isNear(background, 2));
    // A vertical line one pixel wide: one of the two columns around the edge is lit.
    dztest::Rgba const a = dztest::ViewportFixture::pixel(image, onEdge);
    dztest::Rgba const b = dztest::ViewportFixture::pixel(image, onEdge - QPoint(1, 0));
    EXPECT_TRUE(!a.isNear(background, 20) || !b.isNear(background, 20)) << a << b;
    view()->setDrawStyle(before);
}

// The view keeps the evaluated mesh in buffers: each kind of change must reach the pixels, in both shaded
// styles, and flat shading lights a plane facing the camera as smooth shading does.
TEST_F(HostViewport, TheDrawnMeshFollowsNewPositionsHiddenFacetsAndNewTopology) {
    DzDrawStyle* before = view()->getDrawStyle();
    QPoint const offMesh = fx->project(DzVec3(-1.0f, 2.0f, 0.0f));
    QPoint const facet12 = fx->project(DzVec3(0.5f, 3.5f, 0.0f));
    QPoint const facet13 = fx->project(DzVec3(1.5f, 3.5f, 0.0f));
    QPoint const nearOrigin = fx->project(DzVec3(0.5f, 0.5f, 0.0f));
    DzShape* shape = grid->getObject()->getCurrentShape();
    dztest::Rgba smoothColour;
    for (char const* name : {"Smooth Shaded", "Flat Shaded"}) {
        SCOPED_TRACE(name);
        for (int i = 0; i < fx->mgr()->getNumUserDrawStyles(); ++i)
            if (fx->mgr()->getUserDrawStyle(i)->getName() == name)
                view()->setDrawStyle(fx->mgr()->getUserDrawStyle(i));
        ASSERT_EQ(view()->getDrawStyle()->getName(), name);
        shape->setGeometry(dztest::makeGrid(4, 4));
        QImage image = fx->grab();
        dztest::Rgba const background = dztest::ViewportFixture::pixel(image, offMesh);
        dztest::Rgba const mesh = dztest::ViewportFixture::pixel(image, facet12);
        ASSERT_FALSE(mesh.isNear(background, 20)) << mesh;
        if (smoothColour == dztest::Rgba())
            smoothColour = mesh;
        EXPECT_TRUE(mesh.isNear(smoothColour, 2)) << mesh << " against smooth " << smoothColour;

        // New positions: the grid moved 3 units right.
        grid->setLocalPos(DzVec3(3.0f, 0.0f, 0.0f));
        image = fx->grab();
        EXPECT_TRUE(dztest::ViewportFixture::pixel(image, facet12).isNear(background, 2));
        EXPECT_TRUE(
            dztest::ViewportFixture::pixel(image, fx->project(DzVec3(3.5f, 3.5f, 0.0f))).isNear(mesh, 2));
        grid->setLocalPos(DzVec3(0.0f, 0.0f, 0.0f));
        EXPECT_TRUE(dztest::ViewportFixture::pixel(fx->grab(), facet12).isNear(mesh, 2));

        // A hidden facet, with the same topology and positions.
        shape->getGeometry()->setFacetHidden(12, true);
        grid->getObject()->invalidateCache();
        image = fx->grab();
        EXPECT_TRUE(dztest::ViewportFixture::pixel(image, facet12).isNear(background, 2));
        EXPECT_TRUE(dztest::ViewportFixture::pixel(image, facet13).isNear(mesh, 2));

        // New topology and vertex count: a 2 x 2 grid has no facet at (0.5, 3.5).
        shape->setGeometry(dztest::makeGrid(2, 2));
        image = fx->grab();
        EXPECT_TRUE(dztest::ViewportFixture::pixel(image, facet12).isNear(background, 2));
        EXPECT_TRUE(dztest::ViewportFixture::pixel(image, facet13).isNear(background, 2));
        EXPECT_TRUE(dztest::ViewportFixture::pixel(image, nearOrigin).isNear(mesh, 2));
    }
    view()->setDrawStyle(before);
}

TEST_F(HostViewport, FramingANodeShowsItsWholeBoxAndOrbitingStopsShortOfThePole) {
    grid->setLocalPos(DzVec3(30.0f, -5.0f, 2.0f));
    fx->camera()->lookAt(DzVec3(0.0f, 8.0f, 10.0f), DzVec3(0.0f, 0.0f, 0.0f));
    fx->frame(grid);
    DzBox3 const box = grid->getWSBoundingBox();
    for (DzVec3 const& corner : {box.getMin(), box.getMax()}) {
        QPointF p;
        ASSERT_TRUE(view()->projectToPixel(corner, p));
        EXPECT_GE(p.x(), 0.0);
        EXPECT_LE(p.x(), 400.0);
        EXPECT_GE(p.y(), 0.0);
        EXPECT_LE(p.y(), 300.0);
    }
    EXPECT_NEAR((fx->camera()->getFocalPoint() - box.getCenter()).length(), 0.0f, 1e-3f);
    // Many turns up: the camera never looks straight down the up axis, and keeps its distance.
    float const distance = fx->camera()->getFocalDistance();
    for (int i = 0; i < 40; ++i) fx->camera()->orbit(0.0f, 10.0f);
    EXPECT_LT(std::abs(fx->camera()->getViewDirection().m_y), 0.999f);
    EXPECT_NEAR((fx->camera()->getWSPos() - box.getCenter()).length(), distance, 1e-2f);
}

// ---- tool switching ----

TEST(HostViewportTools, SetActiveToolDeactivatesActivatesThenShowsTheNewPaneInTheOneArea) {
    DzMainWindow* window = dzApp->getInterface();
    DzViewportMgr* mgr = window->getViewportMgr();
    QStringList log;
    auto* a = new RecordingTool("A", &log);
    auto* b = new RecordingTool("B", &log);
    mgr->addTool(a);
    mgr->addTool(b);
    ASSERT_TRUE(mgr->setActiveTool(a));
    log.clear();
    ASSERT_TRUE(mgr->setActiveTool(b));
    EXPECT_EQ(log, (QStringList{"A:deactivate", "B:activate", "B:getPane"}));
    EXPECT_EQ(b->paneParent, window->getToolPaneArea());
    ASSERT_FALSE(b->pane.isNull());
    EXPECT_EQ(b->pane->parentWidget(), window->getToolPaneArea());
    EXPECT_EQ(mgr->getActiveToolPane(), b->pane.data());
    EXPECT_FALSE(b->pane->isHidden());
    QPointer<QLabel> paneA = a->pane;
    ASSERT_FALSE(paneA.isNull());
    EXPECT_TRUE(paneA->isHidden());

    // Back to A: B's pane is hidden, not deleted, and A is asked again (with the same parent).
    log.clear();
    ASSERT_TRUE(mgr->setActiveTool(a));
    EXPECT_EQ(log, (QStringList{"B:deactivate", "A:activate", "A:getPane"}));
    ASSERT_FALSE(b->pane.isNull());
    EXPECT_TRUE(b->pane->isHidden());
    EXPECT_EQ(a->pane, paneA);
    EXPECT_FALSE(paneA->isHidden());
    EXPECT_EQ(a->paneRequests, 2);

    mgr->setActiveTool(mgr->findTool("DzPickTool"));
    EXPECT_EQ(mgr->getActiveToolPane(), nullptr);
    EXPECT_TRUE(paneA->isHidden());
    mgr->removeTool(a);
    mgr->removeTool(b);
    delete a;
    delete b;
}

TEST(HostViewportTools, GraftDrawingIsASwitchWithASignal) {
    DzViewportMgr* mgr = dzApp->getInterface()->getViewportMgr();
    ASSERT_TRUE(mgr->getAllowGraftDrawing());
    QSignalSpy spy(mgr, &DzViewportMgr::allowGraftDrawingChanged);
    mgr->setAllowGraftDrawing(false);
    mgr->setAllowGraftDrawing(false);
    EXPECT_FALSE(mgr->getAllowGraftDrawing());
    mgr->setAllowGraftDrawing(true);
    EXPECT_EQ(spy.count(), 2);
}

TEST(HostViewportTools, AtMostFourViewports) {
    QWidget area;
    DzViewportMgr mgr(&area);
    mgr.setNumViewports(9);
    EXPECT_EQ(mgr.getNumViewports(), 4);
    DzViewport extra;
    EXPECT_EQ(mgr.addViewport(&extra), -1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(mgr.getViewport(i)->getViewportMgr(), &mgr);
    mgr.setNumViewports(0);
    EXPECT_EQ(mgr.getNumViewports(), 1);
}

}  // namespace

#include "test_host_viewport.moc"
