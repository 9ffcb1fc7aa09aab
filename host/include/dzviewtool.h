#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include "dzviewportmgr.h"

class Dz3DViewport;
class DzDrawStyle;
class DzMenu;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QWidget;

// A tool that the 3D viewports hand their events to while it is the active one. Before every event handler
// and draw() the viewport's OpenGL context is current, with glViewport(0, 0, width, height) in the events'
// pixel units (during draw: in device pixels) and the camera's projection and world model-view matrices
// loaded, so the handlers can read them back and unproject.
class DzViewTool : public QObject {
    Q_OBJECT
public:
    explicit DzViewTool(QString const& name, QObject* parent = nullptr);
    ~DzViewTool() override;

    // The name shown to the user.
    QString getDisplayName() const { return m_displayName; }
    bool isActive() const { return m_active; }

    // Called by the viewport manager when the tool becomes, or stops being, the active one.
    virtual void activate();
    virtual void deactivate();

    // Every button's press, then moves while a button is held, then its release. True from mousePress: the
    // tool takes the drag, and the viewport does not move its camera for it.
    virtual bool mousePress(Dz3DViewport* view, QMouseEvent* event,
                            DzViewportMgr::ViewMouseModifier modifier);
    virtual void mouseMove(Dz3DViewport* view, QMouseEvent* event, DzViewportMgr::ViewMouseModifier modifier);
    virtual void mouseRelease(Dz3DViewport* view, QMouseEvent* event,
                              DzViewportMgr::ViewMouseModifier modifier);
    // The mouse moves over the view with no button held.
    virtual void mouseOver(Dz3DViewport* view, QMouseEvent* event, DzViewportMgr::ViewMouseModifier modifier);
    // False: the viewport zooms its camera with the wheel instead.
    virtual bool wheelEvent(Dz3DViewport* view, QWheelEvent* event,
                            DzViewportMgr::ViewMouseModifier modifier);
    // Also keys of modifiers alone (their text is empty).
    virtual void keyPress(Dz3DViewport* view, QKeyEvent* event);
    virtual void keyRelease(Dz3DViewport* view, QKeyEvent* event);
    // The tool adds its entries to the view's context menu, which the viewport then shows at pos.
    virtual void contextMenu(Dz3DViewport* view, DzMenu* menu, QPoint const& pos);
    // Draws over the scene, with blending (source alpha, one minus source alpha) and depth testing on.
    virtual void draw(DzDrawStyle const& style, Dz3DViewport* view) const;

    virtual QString whatsThisText() const { return QString(); }
    // The tool's options pane, made with parent on the first call; null when the tool has none. The viewport
    // manager shows it while the tool is active and hides it (never deletes it) otherwise.
    virtual QWidget* getPane(QWidget* parent) const;

    // Asks the host to redraw every viewport.
    void drawnDataChanged();

private:
    QString m_displayName;
    bool m_active = false;
};
