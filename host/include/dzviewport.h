#pragma once

#include <QPointer>
#include <QWidget>

class Dz3DViewport;
class DzViewportMgr;

// One viewport pane of the main window; shows a 3D view.
class DzViewport : public QWidget {
    Q_OBJECT
public:
    explicit DzViewport(QWidget* parent = nullptr);
    ~DzViewport() override;

    // Null when the viewport has no 3D view.
    Dz3DViewport* get3DViewport() const { return m_view; }
    // Takes ownership; the old view is deleted.
    void set3DViewport(Dz3DViewport* view);
    // Gives ownership of the view to the caller and leaves the viewport without one.
    Dz3DViewport* take3DViewport();

    // The manager that holds this viewport (set by DzViewportMgr::addViewport); null when none does.
    DzViewportMgr* getViewportMgr() const { return m_mgr; }
    void setViewportMgr(DzViewportMgr* mgr) { m_mgr = mgr; }

signals:
    // The user worked in the viewport's 3D view.
    void interacted();

private:
    Dz3DViewport* m_view = nullptr;
    QPointer<DzViewportMgr> m_mgr;
};
