// The 3D view: an OpenGL widget that draws the scene and the active tool, and hands events to the tool.
#include "dz3dviewport.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <GL/glu.h>

#include "dzapp.h"
#include "dzcamera.h"
#include "dzfacetmesh.h"
#include "dzmainwindow.h"
#include "dzmenu.h"
#include "dzmeshdrawer.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzpicktool.h"
#include "dzscene.h"
#include "dzviewport.h"
#include "dzviewtool.h"

#include <cmath>
#include <vector>

namespace {

// Pixels a right press may move and still be a click (the context menu) rather than an orbit.
constexpr int kClickSlop = 3;
constexpr float kOrbitDegreesPerPixel = 0.4f;
constexpr float kKeyOrbitDegrees = 5.0f;
constexpr float kZoomPerNotch = 0.9f;

void identity(double out[16]) {
    for (int i = 0; i < 16; ++i) out[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

}  // namespace

Dz3DViewport::Dz3DViewport(QWidget* parent)
    : QOpenGLWidget(parent),
      m_defaultCamera(std::make_unique<DzCamera>(QStringLiteral("Default Camera"))),
      m_fallbackStyle(std::make_unique<DzDrawStyle>(QStringLiteral("Smooth Shaded"))),
      m_meshDrawer(std::make_unique<DzMeshDrawer>()) {
    // Immediate-mode drawing needs a compatibility (or legacy) context.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    setFormat(format);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 48);
    setCamera(m_defaultCamera.get());
}

Dz3DViewport::~Dz3DViewport() {
    if (m_camera)
        disconnect(m_camera, nullptr, this, nullptr);
    // The base class destroys the context after this object's members are gone.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    releaseBuffers();
}

void Dz3DViewport::releaseBuffers() {
    if (!context()) {
        m_meshDrawer->releaseAll();
        return;
    }
    makeCurrent();
    m_meshDrawer->releaseAll();
    doneCurrent();
}

DzCamera* Dz3DViewport::getCamera() const {
    return m_camera.data();
}

DzCamera* Dz3DViewport::getDefaultCamera() const {
    return m_defaultCamera.get();
}

void Dz3DViewport::setCamera(DzCamera* camera) {
    if (m_camera == camera)
        return;
    if (m_camera)
        disconnect(m_camera, nullptr, this, nullptr);
    m_camera = camera;
    if (camera) {
        connect(camera, &DzCamera::cameraChanged, this, &Dz3DViewport::cameraChanged);
        connect(camera, &QObject::destroyed, this, [this] { update(); });
    }
    cameraChanged();
}

void Dz3DViewport::cameraChanged() {
    update();
    emit viewChanged();
}

void Dz3DViewport::setDrawStyle(DzDrawStyle* style) {
    if (m_drawStyle == style)
        return;
    m_drawStyle = style;
    update();
    emit viewChanged();
}

DzViewportMgr* Dz3DViewport::getViewportMgr() const {
    if (m_mgr)
        return m_mgr;
    if (auto* viewport = qobject_cast<DzViewport*>(parentWidget()); viewport && viewport->getViewportMgr())
        return viewport->getViewportMgr();
    return dzApp && dzApp->getInterface() ? dzApp->getInterface()->getViewportMgr() : nullptr;
}

DzViewTool* Dz3DViewport::activeTool() const {
    DzViewportMgr* mgr = getViewportMgr();
    return mgr ? mgr->getActiveTool() : nullptr;
}

// ---- matrices and projection ----

void Dz3DViewport::getModelViewMatrix(double out[16]) const {
    if (DzCamera* camera = getCamera())
        camera->getModelViewMatrix(out);
    else
        identity(out);
}

void Dz3DViewport::getProjectionMatrix(double out[16]) const {
    DzCamera* camera = getCamera();
    if (!camera) {
        identity(out);
        return;
    }
    double const aspect = height() > 0 ? double(width()) / double(height()) : 1.0;
    camera->getProjectionMatrix(aspect, out);
}

bool Dz3DViewport::projectToPixel(DzVec3 const& world, QPointF& pixel, double* depth) const {
    if (!getCamera())
        return false;
    double mv[16], proj[16];
    getModelViewMatrix(mv);
    getProjectionMatrix(proj);
    double const p[4] = {world.m_x, world.m_y, world.m_z, 1.0};
    double eye[4], clip[4];
    for (int r = 0; r < 4; ++r)
        eye[r] = mv[r] * p[0] + mv[4 + r] * p[1] + mv[8 + r] * p[2] + mv[12 + r] * p[3];
    for (int r = 0; r < 4; ++r)
        clip[r] = proj[r] * eye[0] + proj[4 + r] * eye[1] + proj[8 + r] * eye[2] + proj[12 + r] * eye[3];
    if (!(clip[3] > 0.0))
        return false;
    double const nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
    double const winX = (nx + 1.0) * 0.5 * width();
    double const winY = (ny + 1.0) * 0.5 * height();
    // Window y counts from the bottom, widget y from the top.
    pixel = QPointF(winX, height() - winY);
    if (depth)
        *depth = (nz + 1.0) * 0.5;
    return true;
}

DzLine3 Dz3DViewport::unprojectPixel(QPointF const& pixel) const {
    double mv[16], proj[16];
    getModelViewMatrix(mv);
    getProjectionMatrix(proj);
    GLint const viewport[4] = {0, 0, width(), height()};
    double const winY = height() - pixel.y();
    double nx = 0, ny = 0, nz = 0, fx = 0, fy = 0, fz = 0;
    gluUnProject(pixel.x(), winY, 0.0, mv, proj, viewport, &nx, &ny, &nz);
    gluUnProject(pixel.x(), winY, 1.0, mv, proj, viewport, &fx, &fy, &fz);
    return DzLine3(DzVec3(float(nx), float(ny), float(nz)), DzVec3(float(fx), float(fy), float(fz)));
}

void Dz3DViewport::frameScene() {
    DzScene* scene = dzScene;
    if (!scene || !getCamera())
        return;
    DzBox3 box;
    for (DzNodeIterator it = scene->nodeListIterator(); it.hasNext();) {
        DzNode* node = it.next();
        if (!node->isVisible())
            continue;
        DzBox3 const b = node->getWSBoundingBox();
        if (b.isValid()) {
            box.include(b.getMin());
            box.include(b.getMax());
        }
    }
    getCamera()->frame(box, height() > 0 ? double(width()) / height() : 1.0);
}

void Dz3DViewport::frameNode(DzNode* node) {
    if (node && getCamera())
        getCamera()->frame(node->getWSBoundingBox(), height() > 0 ? double(width()) / height() : 1.0);
}

// ---- OpenGL ----

void Dz3DViewport::makeCurrentForEvents() {
    makeCurrent();
    double mv[16], proj[16];
    getModelViewMatrix(mv);
    getProjectionMatrix(proj);
    // In the events' pixel units: a tool's window y is the viewport height minus the event's y.
    glViewport(0, 0, width(), height());
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(proj);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(mv);
}

QImage Dz3DViewport::grabPixels() {
    return grabFramebuffer();
}

void Dz3DViewport::initializeGL() {
    // The buffers belong to this context: they go with it (the widget gets a new one when it is reparented).
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &Dz3DViewport::releaseBuffers,
            Qt::UniqueConnection);
}

void Dz3DViewport::resizeGL(int, int) {
    emit viewChanged();
}

void Dz3DViewport::paintGL() {
    ++m_paintCount;
    qreal const ratio = devicePixelRatioF();
    glViewport(0, 0, GLsizei(std::lround(width() * ratio)), GLsizei(std::lround(height() * ratio)));
    // Tools may leave state behind; every frame starts from the same.
    glClearColor(0.22f, 0.24f, 0.27f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(1.0f);
    glPointSize(1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    double mv[16], proj[16];
    getModelViewMatrix(mv);
    getProjectionMatrix(proj);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(proj);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A head light: set in eye space, before the world model-view.
    GLfloat const lightPos[4] = {0.3f, 0.4f, 1.0f, 0.0f};
    GLfloat const diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f};
    GLfloat const ambient[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPos);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glEnable(GL_LIGHT0);
    glLoadMatrixd(mv);

    DzDrawStyle const& style = m_drawStyle ? *m_drawStyle : *m_fallbackStyle;
    drawScene(style);

    if (DzViewTool* tool = activeTool()) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_DEPTH_TEST);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(mv);
        tool->draw(style, this);
    }
}

void Dz3DViewport::drawScene(DzDrawStyle const& style) {
    DzScene* scene = dzScene;
    if (!scene)
        return;
    QString const name = style.getName();
    bool const wireOnly = name == QLatin1String("Wire Frame");
    bool const wireOver = name == QLatin1String("Wire Shaded");
    bool const flat = name == QLatin1String("Flat Shaded");
    // The host's own facet selection shows while its own tool is the active one.
    DzViewTool* tool = activeTool();
    bool const showFacetSelection = tool && tool->metaObject() == &DzPickTool::staticMetaObject;

    m_meshDrawer->beginFrame();
    for (DzNodeIterator it = scene->nodeListIterator(); it.hasNext();) {
        DzNode* node = it.next();
        DzObject* object = node->getObject();
        if (!node->isVisible() || !object)
            continue;
        auto* mesh = qobject_cast<DzFacetMesh*>(object->getCachedGeom());
        if (!mesh || mesh->getNumFacets() == 0)
            continue;
        bool const selected = scene->isNodeSelected(node);

        if (!wireOnly) {
            glEnable(GL_LIGHTING);
            glEnable(GL_COLOR_MATERIAL);
            glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
            glShadeModel(flat ? GL_FLAT : GL_SMOOTH);
            // Pushed back a little, so that tools drawing on the surface stay in front of it.
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
            float const plain[3] = {selected ? 0.72f : 0.70f, selected ? 0.78f : 0.70f,
                                    selected ? 0.88f : 0.70f};
            float const highlight[3] = {0.95f, 0.55f, 0.25f};
            m_meshDrawer->drawFacets(object, *mesh, flat, plain, highlight, showFacetSelection);
            glDisable(GL_POLYGON_OFFSET_FILL);
            glDisable(GL_COLOR_MATERIAL);
        }
        if (wireOnly || wireOver) {
            glDisable(GL_LIGHTING);
            if (wireOnly)
                glColor3f(selected ? 0.85f : 0.75f, selected ? 0.90f : 0.75f, selected ? 1.0f : 0.75f);
            else
                glColor3f(0.12f, 0.12f, 0.12f);
            m_meshDrawer->drawEdges(object, *mesh);
        }
    }
    // Lighting stays on for the tool in shaded styles.
    if (wireOnly)
        glDisable(GL_LIGHTING);
    else
        glEnable(GL_LIGHTING);
}

// ---- events ----

void Dz3DViewport::mousePressEvent(QMouseEvent* event) {
    emit interacted();
    DzViewportMgr::ViewMouseModifier const modifier = DzViewportMgr::toViewMouseModifier(event->modifiers());
    DzViewTool* tool = activeTool();
    bool const haveContext = context() != nullptr;
    if (m_drag == Drag::Tool) {
        // Another button during the tool's drag: the tool sees it and keeps the drag.
        if (tool && haveContext) {
            makeCurrentForEvents();
            if (tool->mousePress(this, event, modifier))
                m_toolButtons |= event->button();
        }
        return;
    }
    if (m_drag != Drag::None)
        return;
    bool consumed = false;
    if (tool && haveContext) {
        makeCurrentForEvents();
        consumed = tool->mousePress(this, event, modifier);
    }
    m_pressPos = m_lastPos = event->pos();
    if (consumed) {
        m_drag = Drag::Tool;
        m_toolButtons = event->button();
        return;
    }
    switch (event->button()) {
        case Qt::LeftButton:
            m_drag = Drag::Orbit;
            break;
        case Qt::MiddleButton:
            m_drag = Drag::Pan;
            break;
        case Qt::RightButton:
            m_drag = Drag::RightClick;
            break;
        default:
            break;
    }
    m_toolButtons = event->button();
}

void Dz3DViewport::mouseMoveEvent(QMouseEvent* event) {
    DzViewportMgr::ViewMouseModifier const modifier = DzViewportMgr::toViewMouseModifier(event->modifiers());
    QPoint const delta = event->pos() - m_lastPos;
    DzCamera* camera = getCamera();
    switch (m_drag) {
        case Drag::None:
        case Drag::Tool:
            if (DzViewTool* tool = activeTool(); tool && context()) {
                makeCurrentForEvents();
                if (event->buttons() == Qt::NoButton)
                    tool->mouseOver(this, event, modifier);
                else
                    tool->mouseMove(this, event, modifier);
            }
            break;
        case Drag::RightClick:
            if ((event->pos() - m_pressPos).manhattanLength() <= kClickSlop)
                break;
            m_drag = Drag::Orbit;
            [[fallthrough]];
        case Drag::Orbit:
            if (camera)
                camera->orbit(-delta.x() * kOrbitDegreesPerPixel, -delta.y() * kOrbitDegreesPerPixel);
            break;
        case Drag::Pan:
            if (camera && height() > 0) {
                double const halfFov = camera->getFieldOfView() * 3.14159265358979323846 / 360.0;
                float const unitsPerPixel =
                    float(2.0 * camera->getFocalDistance() * std::tan(halfFov) / double(height()));
                camera->pan(-delta.x() * unitsPerPixel, delta.y() * unitsPerPixel);
            }
            break;
    }
    m_lastPos = event->pos();
}

void Dz3DViewport::mouseReleaseEvent(QMouseEvent* event) {
    DzViewportMgr::ViewMouseModifier const modifier = DzViewportMgr::toViewMouseModifier(event->modifiers());
    if (DzViewTool* tool = activeTool(); tool && context()) {
        makeCurrentForEvents();
        tool->mouseRelease(this, event, modifier);
    }
    Drag const drag = m_drag;
    m_toolButtons &= ~event->button();
    if (drag == Drag::Tool) {
        if (m_toolButtons == Qt::NoButton)
            m_drag = Drag::None;
        return;
    }
    if (m_toolButtons != Qt::NoButton)
        return;
    m_drag = Drag::None;
    if (drag == Drag::RightClick && event->button() == Qt::RightButton)
        showContextMenu(event->pos());
}

void Dz3DViewport::showContextMenu(QPoint const& pos) {
    m_contextMenu = std::make_unique<DzMenu>();
    if (DzViewTool* tool = activeTool()) {
        if (context())
            makeCurrentForEvents();
        tool->contextMenu(this, m_contextMenu.get(), pos);
    }
    if (m_showContextMenus && !m_contextMenu->isEmpty())
        m_contextMenu->getQMenu()->popup(mapToGlobal(pos));
}

void Dz3DViewport::wheelEvent(QWheelEvent* event) {
    emit interacted();
    DzViewportMgr::ViewMouseModifier const modifier = DzViewportMgr::toViewMouseModifier(event->modifiers());
    bool consumed = false;
    if (DzViewTool* tool = activeTool(); tool && context()) {
        makeCurrentForEvents();
        consumed = tool->wheelEvent(this, event, modifier);
    }
    event->accept();
    if (consumed)
        return;
    int const delta = event->angleDelta().y();
    if (DzCamera* camera = getCamera(); camera && delta != 0)
        camera->dolly(std::pow(kZoomPerNotch, float(delta) / 120.0f));
}

void Dz3DViewport::keyPressEvent(QKeyEvent* event) {
    emit interacted();
    if (DzViewTool* tool = activeTool()) {
        if (context())
            makeCurrentForEvents();
        tool->keyPress(this, event);
    }
    DzCamera* camera = getCamera();
    if (!camera || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        event->ignore();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Left:
            camera->orbit(kKeyOrbitDegrees, 0.0f);
            break;
        case Qt::Key_Right:
            camera->orbit(-kKeyOrbitDegrees, 0.0f);
            break;
        case Qt::Key_Up:
            camera->orbit(0.0f, kKeyOrbitDegrees);
            break;
        case Qt::Key_Down:
            camera->orbit(0.0f, -kKeyOrbitDegrees);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            camera->dolly(kZoomPerNotch);
            break;
        case Qt::Key_Minus:
            camera->dolly(1.0f / kZoomPerNotch);
            break;
        case Qt::Key_F:
            frameScene();
            break;
        default:
            event->ignore();
            return;
    }
    event->accept();
}

void Dz3DViewport::keyReleaseEvent(QKeyEvent* event) {
    if (DzViewTool* tool = activeTool()) {
        if (context())
            makeCurrentForEvents();
        tool->keyRelease(this, event);
    }
    event->ignore();
}
