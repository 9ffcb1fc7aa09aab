#pragma once

#include <QList>
#include <QObject>
#include <QString>

class DzDrawStyle;
class DzViewTool;
class DzViewport;
class QWidget;

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

    // Viewports, by index; null for an index out of range.
    int getNumViewports() const { return m_viewports.size(); }
    DzViewport* getViewport(int index) const { return m_viewports.value(index); }
    // Takes ownership and appends; returns the new index.
    int addViewport(DzViewport* viewport);
    // Gives the viewport back to the caller (unparented); the later ones move down by one.
    DzViewport* takeViewport(int index);

    // The viewport the user works in; null when there is none.
    DzViewport* getActiveViewport() const { return m_active; }
    // Only a viewport of this manager (or null) can be made active.
    void setActiveViewport(DzViewport* viewport);

    // Tools, found by class name.
    void addTool(DzViewTool* tool);  // takes ownership
    DzViewTool* findTool(QString const& className) const;
    // Gives the tool back to the caller; it is deactivated first when it is the active one.
    bool removeTool(DzViewTool* tool);
    DzViewTool* getActiveTool() const { return m_activeTool; }
    // Deactivates the old tool and activates the new one; true when the tool is then the active one. A tool
    // that is not registered here is refused.
    bool setActiveTool(DzViewTool* tool);

    // The user's draw styles, in list order.
    int getNumUserDrawStyles() const { return m_drawStyles.size(); }
    DzDrawStyle* getUserDrawStyle(int index) const { return m_drawStyles.value(index); }
    void addUserDrawStyle(DzDrawStyle* style);     // takes ownership
    bool removeUserDrawStyle(DzDrawStyle* style);  // gives ownership back

signals:
    void activeViewportChanged(DzViewport* viewport);
    void activeToolChanged(DzViewTool* tool);

private:
    void layoutViewports();

    QWidget* m_area;
    QList<DzViewport*> m_viewports;
    DzViewport* m_active = nullptr;
    QList<DzViewTool*> m_tools;
    DzViewTool* m_activeTool = nullptr;
    QList<DzDrawStyle*> m_drawStyles;
};
