#pragma once

#include <QImage>
#include <QOpenGLWidget>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <memory>

#include "dzdrawstyle.h"
#include "dzline3.h"
#include "dzvec3.h"
#include "dzviewportmgr.h"

class DzCamera;
class DzMenu;
class DzMeshDrawer;
class DzNode;
class DzViewTool;

// The 3D view inside a viewport: an OpenGL widget (compatibility profile, so tools draw in immediate mode)
// that draws the scene's evaluated geometry through its camera in its draw style, then the active tool's
// drawing, and hands mouse, wheel and key events to the active tool of its viewport manager. What the tool
// does not take moves the camera:
// - left drag whose press the tool did not take, or right drag: orbit; middle drag: pan; wheel: zoom;
// - right press and release without moving: the context menu (the tool fills it through contextMenu());
// - keys: arrows orbit, + and - zoom, F frames the scene.
class Dz3DViewport : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit Dz3DViewport(QWidget* parent = nullptr);
    ~Dz3DViewport() override;

    // The camera the view looks through; null when it has none. A view starts with a default camera of its
    // own; another camera is not owned, and a deleted one leaves the view without a camera. Every change of
    // the camera emits viewChanged().
    DzCamera* getCamera() const;
    void setCamera(DzCamera* camera);
    DzCamera* getDefaultCamera() const;

    // Not owned (the viewport manager keeps the styles); a deleted style leaves the view without one, and it
    // then draws smooth shaded.
    DzDrawStyle* getDrawStyle() const { return m_drawStyle.data(); }
    void setDrawStyle(DzDrawStyle* style);

    // The manager whose active tool gets the events: the one set here, else the application's.
    void setViewportMgr(DzViewportMgr* mgr) { m_mgr = mgr; }
    DzViewportMgr* getViewportMgr() const;

    // The camera's matrices for this view's size (column-major, as OpenGL takes them); identity without a
    // camera. The same as the tool reads back from OpenGL at an event.
    void getModelViewMatrix(double out[16]) const;
    void getProjectionMatrix(double out[16]) const;
    // A world point to widget pixels (origin top left, the events' units); false when it lies behind the
    // camera or there is no camera. depth is the window depth 0 (near) to 1 (far).
    bool projectToPixel(DzVec3 const& world, QPointF& pixel, double* depth = nullptr) const;
    // The ray under a pixel, from the near to the far clipping plane.
    DzLine3 unprojectPixel(QPointF const& pixel) const;
    // Frames every visible node's world box (nothing when the scene is empty).
    void frameScene();
    void frameNode(DzNode* node);

    // Makes the context current with the state a tool sees in its event handlers.
    void makeCurrentForEvents();
    // Renders a frame now and returns its pixels (widget size times the device pixel ratio).
    QImage grabPixels();
    // Frames painted so far.
    int getPaintCount() const { return m_paintCount; }
    // The menu of the last right click, kept until the next one (null before).
    DzMenu* getLastContextMenu() const { return m_contextMenu.get(); }
    // Whether right clicks show the menu they build (tests read it from getLastContextMenu instead).
    void setShowContextMenus(bool show) { m_showContextMenus = show; }

signals:
    // The view changed: its camera, the camera's position or direction, its size or its draw style.
    void viewChanged();
    // The user worked in this view (any mouse button, wheel or key): the manager makes its viewport active.
    void interacted();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    DzViewTool* activeTool() const;
    void cameraChanged();
    void showContextMenu(QPoint const& pos);
    void drawScene(DzDrawStyle const& style);
    // Frees the meshes' buffers in this view's context.
    void releaseBuffers();

    std::unique_ptr<DzCamera> m_defaultCamera;
    QPointer<DzCamera> m_camera;
    QPointer<DzDrawStyle> m_drawStyle;
    QPointer<DzViewportMgr> m_mgr;
    std::unique_ptr<DzMenu> m_contextMenu;
    std::unique_ptr<DzDrawStyle> m_fallbackStyle;
    // The evaluated meshes in vertex and index buffers of this view's context.
    std::unique_ptr<DzMeshDrawer> m_meshDrawer;

    // The drag under way: the buttons the tool took, or the camera move of an untaken press.
    enum class Drag { None, Tool, Orbit, Pan, RightClick };
    Drag m_drag = Drag::None;
    Qt::MouseButtons m_toolButtons;
    QPoint m_pressPos;
    QPoint m_lastPos;
    int m_paintCount = 0;
    bool m_showContextMenus = true;
};
