#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class DzDrawStyle;
class DzViewTool;
class DzViewport;

// The viewports of the main window, the viewport tools and the draw styles.
class DzViewportMgr : public QObject {
    Q_OBJECT
public:
    // The keyboard modifier that comes with a viewport mouse event. Two or more keys at once give
    // MultipleModifiers, which equals no single key.
    enum ViewMouseModifier {
        NoModifier = 0,
        AltModifier = 1,
        ShiftModifier = 2,
        CtrlModifier = 3,
        MultipleModifiers = 4
    };
    static ViewMouseModifier toViewMouseModifier(Qt::KeyboardModifiers modifiers);

    // The viewports are made on viewportArea (which lays them out); one viewport to start with.
    explicit DzViewportMgr(QWidget* viewportArea, QObject* parent = nullptr);
    ~DzViewportMgr() override;

    // Viewports 0 to MaxViewports - 1, by index; null for an index out of range.
    static constexpr int MaxViewports = 4;
    int getNumViewports() const { return m_viewports.size(); }
    DzViewport* getViewport(int index) const { return m_viewports.value(index); }
    // Takes ownership and appends; returns the new index, -1 (and the caller keeps it) when all four exist.
    int addViewport(DzViewport* viewport);
    // Adds or deletes viewports at the end until there are count (1 to MaxViewports).
    void setNumViewports(int count);
    // Gives the viewport back to the caller (unparented); the later ones move down by one.
    DzViewport* takeViewport(int index);

    // The viewport the user works in; null when there is none.
    DzViewport* getActiveViewport() const { return m_active; }
    // Only a viewport of this manager (or null) can be made active.
    void setActiveViewport(DzViewport* viewport);

    // Tools, found by class name.
    void addTool(DzViewTool* tool);  // takes ownership
    DzViewTool* findTool(QString const& className) const;
    int getNumTools() const { return m_tools.size(); }
    DzViewTool* getTool(int index) const { return m_tools.value(index); }
    // Gives the tool back to the caller; it is deactivated first when it is the active one.
    bool removeTool(DzViewTool* tool);
    DzViewTool* getActiveTool() const { return m_activeTool; }
    // Deactivates the old tool, activates the new one, then asks it for its pane with the pane area as parent
    // and shows it (the old tool's pane is hidden, never deleted); true when the tool is then the active
    // one. A tool that is not registered here is refused.
    bool setActiveTool(DzViewTool* tool);
    // The one long-lived parent of the tools' panes (the main window's tool options dock); not owned. Without
    // one, no pane is asked for.
    void setToolPaneArea(QWidget* area);
    QWidget* getToolPaneArea() const { return m_paneArea; }
    // The pane the active tool gave; null when it has none.
    QWidget* getActiveToolPane() const { return m_activePane; }

    // Whether the viewports may draw grafted geometry; tools switch it off while they are active.
    void setAllowGraftDrawing(bool allow);
    bool getAllowGraftDrawing() const { return m_allowGraftDrawing; }

    // Repaints every 3D viewport (the tools ask through DzViewTool::drawnDataChanged()).
    void drawnDataChanged();
    int getDrawnDataChangedCount() const { return m_drawnDataChangedCount; }

    // The user's draw styles, in list order.
    int getNumUserDrawStyles() const { return m_drawStyles.size(); }
    DzDrawStyle* getUserDrawStyle(int index) const { return m_drawStyles.value(index); }
    void addUserDrawStyle(DzDrawStyle* style);     // takes ownership
    bool removeUserDrawStyle(DzDrawStyle* style);  // gives ownership back

signals:
    void activeViewportChanged(DzViewport* viewport);
    void activeToolChanged(DzViewTool* tool);
    void allowGraftDrawingChanged(bool allow);
    // Emitted by drawnDataChanged(), after the repaints were requested.
    void drawnDataRedrawRequested();

private:
    void layoutViewports();
    void hideActivePane();
    void showActivePane();
    void updateViewports();
    void watchScene();

    QWidget* m_area;
    QList<DzViewport*> m_viewports;
    DzViewport* m_active = nullptr;
    QList<DzViewTool*> m_tools;
    DzViewTool* m_activeTool = nullptr;
    QList<DzDrawStyle*> m_drawStyles;
    QPointer<QWidget> m_paneArea;
    QPointer<QWidget> m_activePane;
    bool m_allowGraftDrawing = true;
    int m_drawnDataChangedCount = 0;
};
