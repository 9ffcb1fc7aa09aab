#include "dzviewportfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QTest>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzcamera.h"
#include "dzmainwindow.h"
#include "dznode.h"
#include "dzscene.h"
#include "dzsyntheticinput.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"

#include <cmath>

namespace dztest {

ViewportFixture::ViewportFixture(int width, int height) {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    if (!window || !window->getViewportMgr()) {
        m_error = "no main window with a viewport manager";
        return;
    }
    mgr()->setNumViewports(1);
    resetCamera();
    window->getViewportArea()->setFixedSize(width, height);
    window->show();
    if (!QTest::qWaitForWindowExposed(window, 5000)) {
        m_error = "the main window was not exposed (is there an X server? run under xvfb-run)";
        return;
    }
    mgr()->setActiveViewport(viewport());
    // The view gets its OpenGL context with its first frame.
    view()->grabPixels();
    if (!view()->context() || !view()->context()->isValid())
        m_error = "the 3D view has no OpenGL context (tests that draw need xvfb-run and the xcb platform)";
    else if (view()->width() != width || view()->height() != height)
        m_error = QString("the 3D view is %1 x %2, not %3 x %4")
                      .arg(view()->width())
                      .arg(view()->height())
                      .arg(width)
                      .arg(height);
}

ViewportFixture::~ViewportFixture() {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    if (DzScene* scene = dzScene) {
        scene->selectAllNodes(false);
        for (DzNode* node : m_nodes) scene->removeNode(node);
    }
    if (!window || !window->getViewportMgr())
        return;
    if (DzViewTool* pick = mgr()->findTool(QStringLiteral("DzPickTool")))
        mgr()->setActiveTool(pick);
    resetCamera();
    if (Dz3DViewport* v = view())
        v->setShowContextMenus(true);
    window->hide();
    window->getViewportArea()->setMinimumSize(0, 0);
    window->getViewportArea()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void ViewportFixture::resetCamera() {
    Dz3DViewport* v = view();
    if (!v)
        return;
    v->setCamera(v->getDefaultCamera());
    DzCamera* camera = v->getDefaultCamera();
    camera->setFieldOfView(40.0f);
    camera->lookAt(DzVec3(0.0f, 0.0f, 10.0f), DzVec3(0.0f, 0.0f, 0.0f));
}

DzViewportMgr* ViewportFixture::mgr() const {
    return dzApp && dzApp->getInterface() ? dzApp->getInterface()->getViewportMgr() : nullptr;
}

DzViewport* ViewportFixture::viewport() const {
    return mgr() ? mgr()->getViewport(0) : nullptr;
}

Dz3DViewport* ViewportFixture::view() const {
    return viewport() ? viewport()->get3DViewport() : nullptr;
}

DzCamera* ViewportFixture::camera() const {
    return view() ? view()->getCamera() : nullptr;
}

DzNode* ViewportFixture::addNode(DzNode* node) {
    m_nodes.append(node);
    dzScene->addNode(node);
    return node;
}

void ViewportFixture::lookAt(DzVec3 const& eye, DzVec3 const& target) {
    camera()->lookAt(eye, target);
}

void ViewportFixture::frame(DzNode* node) {
    view()->frameNode(node);
}

QPointF ViewportFixture::projectF(DzVec3 const& world) const {
    QPointF pixel(-1.0, -1.0);
    view()->projectToPixel(world, pixel);
    return pixel;
}

QPoint ViewportFixture::project(DzVec3 const& world) const {
    QPointF const p = projectF(world);
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

QImage ViewportFixture::grab() const {
    return view()->grabPixels();
}

Rgba ViewportFixture::pixel(QImage const& image, QPoint const& at) {
    if (!image.valid(at))
        return Rgba{};
    QRgb const c = image.pixel(at);
    return Rgba{qRed(c), qGreen(c), qBlue(c), qAlpha(c)};
}

bool ViewportFixture::waitForPaint(int paintsBefore, int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    while (view()->getPaintCount() <= paintsBefore) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// ---- synthetic input ----

void mousePress(QWidget* w, QPoint const& at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    dzinput::sendMouse(w, QEvent::MouseButtonPress, at, button, button, modifiers);
}

void mouseMove(QWidget* w, QPoint const& at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    dzinput::sendMouse(w, QEvent::MouseMove, at, Qt::NoButton, buttons, modifiers);
}

void mouseRelease(QWidget* w, QPoint const& at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    dzinput::sendMouse(w, QEvent::MouseButtonRelease, at, button, Qt::NoButton, modifiers);
}

void mouseClick(QWidget* w, QPoint const& at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    mousePress(w, at, button, modifiers);
    mouseRelease(w, at, button, modifiers);
}

void mouseDrag(QWidget* w, QPoint const& from, QPoint const& to, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers, int steps) {
    mousePress(w, from, button, modifiers);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        QPoint const p = from + (to - from) * i / steps;
        mouseMove(w, p, button, modifiers);
    }
    mouseRelease(w, to, button, modifiers);
}

void wheel(QWidget* w, QPoint const& at, int delta, Qt::KeyboardModifiers modifiers) {
    dzinput::sendWheel(w, at, delta, Qt::NoButton, modifiers);
}

void keyPress(QWidget* w, int key, Qt::KeyboardModifiers modifiers, QString const& text) {
    dzinput::sendKey(w, QEvent::KeyPress, key, modifiers, text);
}

void keyRelease(QWidget* w, int key, Qt::KeyboardModifiers modifiers, QString const& text) {
    dzinput::sendKey(w, QEvent::KeyRelease, key, modifiers, text);
}

}  // namespace dztest
