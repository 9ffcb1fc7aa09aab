#pragma once

#include <QMainWindow>

class DzAction;
class DzActionMgr;
class QDockWidget;
class QMenu;
class QToolBar;
class DzPaneMgr;
class DzViewportMgr;

// The host's main window with its viewport, pane and action managers. Each manager can be taken away and
// given back, so that code can be run against a host that lacks it.
class DzMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit DzMainWindow(QWidget* parent = nullptr);
    ~DzMainWindow() override;

    DzViewportMgr* getViewportMgr() const { return m_viewportMgr; }
    DzPaneMgr* getPaneMgr() const { return m_paneMgr; }
    DzActionMgr* getActionMgr() const { return m_actionMgr; }

    // take: the caller owns the manager, the window has none. set: takes ownership, deletes the old one.
    DzViewportMgr* takeViewportMgr();
    void setViewportMgr(DzViewportMgr* mgr);
    DzPaneMgr* takePaneMgr();
    void setPaneMgr(DzPaneMgr* mgr);
    DzActionMgr* takeActionMgr();
    void setActionMgr(DzActionMgr* mgr);

    // The menu of a path of titles separated by '/' ("&Tools", "Plugins/Pullform"), made where missing.
    // Titles match without their '&' marks and letter case; null for an empty path.
    QMenu* findOrAddMenu(QString const& path);
    // The tool bar of that title, made where missing; null for an empty title.
    QToolBar* findOrAddToolBar(QString const& title);
    // Puts a plug-in's action where it asks to be: a tool action in its default menu path and tool bar, any
    // other action in a menu named after its action group ("&Plugins" when it has none).
    void placeAction(DzAction* action);

    // The widget the viewports are laid out on.
    QWidget* getViewportArea() const { return m_viewportArea; }
    // The dock of the active tool's options pane, and the pane's parent inside it (given to each viewport
    // manager the window holds).
    QDockWidget* getToolOptionsDock() const { return m_toolOptionsDock; }
    QWidget* getToolPaneArea() const { return m_toolPaneArea; }

private:
    QWidget* m_viewportArea;
    QDockWidget* m_toolOptionsDock;
    QWidget* m_toolPaneArea;
    DzViewportMgr* m_viewportMgr = nullptr;
    DzPaneMgr* m_paneMgr = nullptr;
    DzActionMgr* m_actionMgr = nullptr;
};
