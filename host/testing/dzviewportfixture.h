#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>

#include "dzglcontext.h"
#include "dzvec3.h"

class DzCamera;
class DzNode;
class DzViewport;
class DzViewportMgr;
class Dz3DViewport;
class QWidget;

namespace dztest {

// Shows the application's main window with one viewport whose 3D view is exactly width x height pixels
// (needs OpenGL: run under xvfb-run), and puts everything back at the end: the nodes added through addNode
// are removed, the node selection cleared, the pick tool made active again, the view's default camera put
// back (40 degrees, at (0, 0, 10) looking at the origin, as at the start), the window hidden.
class ViewportFixture {
public:
    explicit ViewportFixture(int width = 400, int height = 300);
    ~ViewportFixture();
    ViewportFixture(ViewportFixture const&) = delete;
    ViewportFixture& operator=(ViewportFixture const&) = delete;

    // False, with the reason in error(), when the view got no OpenGL context.
    bool isReady() const { return m_error.isEmpty(); }
    QString const& error() const { return m_error; }

    DzViewportMgr* mgr() const;
    DzViewport* viewport() const;
    Dz3DViewport* view() const;
    DzCamera* camera() const;

    // Adds the node to the application's scene (removed again at the end); returns it.
    DzNode* addNode(DzNode* node);
    // Camera moves that leave the camera where asked (they emit the view's viewChanged()).
    void lookAt(DzVec3 const& eye, DzVec3 const& target);
    void frame(DzNode* node);

    // A world point to the pixel the events use (origin top left); projectF unrounded.
    QPointF projectF(DzVec3 const& world) const;
    QPoint project(DzVec3 const& world) const;

    // Renders a frame now and returns it (top row first).
    QImage grab() const;
    // The pixel at widget coordinates of a grab.
    static Rgba pixel(QImage const& image, QPoint const& at);
    // Processes events until the view has painted more than `paintsBefore` frames; false on time-out.
    bool waitForPaint(int paintsBefore, int timeoutMs = 30000) const;

private:
    // The view's own camera, 40 degrees, at (0, 0, 10) looking at the origin.
    void resetCamera();
    QString m_error;
    QList<DzNode*> m_nodes;
};

// Synthetic input, sent straight to the widget (the 3D view) at widget pixels, with keyboard modifiers.
void mousePress(QWidget* w, QPoint const& at, Qt::MouseButton button = Qt::LeftButton,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// buttons: those held while moving (none: a hover).
void mouseMove(QWidget* w, QPoint const& at, Qt::MouseButtons buttons = Qt::NoButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void mouseRelease(QWidget* w, QPoint const& at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void mouseClick(QWidget* w, QPoint const& at, Qt::MouseButton button = Qt::LeftButton,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Press at from, moves in `steps` equal steps, release at to.
void mouseDrag(QWidget* w, QPoint const& from, QPoint const& to, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier, int steps = 4);
// delta in eighths of a degree (120 is one notch; positive turns forward, away from the user).
void wheel(QWidget* w, QPoint const& at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// text: what the key types; empty for a modifier key alone. modifiers: what the receiver's
// QKeyEvent::modifiers() gives, as under X11: pressing Alt alone gives Alt, releasing it gives none.
void keyPress(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              QString const& text = QString());
void keyRelease(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                QString const& text = QString());

}  // namespace dztest
