// Viewport manager, viewports, 3D views, draw styles, tools and the pane manager.
#include "dzviewportmgr.h"

#include <QGridLayout>
#include <QWidget>

#include <algorithm>

#include "dz3dviewport.h"
#include "dzdrawstyle.h"
#include "dzpanemgr.h"
#include "dzpicktool.h"
#include "dzscene.h"
#include "dzviewport.h"
#include "dzviewtool.h"

// ---- DzDrawStyle ----

DzDrawStyle::DzDrawStyle(QString const& name, QObject* parent) : QObject(parent), m_name(name) {
    setObjectName(name);
}

DzDrawStyle::~DzDrawStyle() = default;

// ---- DzViewport ----

DzViewport::DzViewport(QWidget* parent) : QWidget(parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    set3DViewport(new Dz3DViewport);
}

DzViewport::~DzViewport() = default;

void DzViewport::set3DViewport(Dz3DViewport* view) {
    if (view == m_view)
        return;
    delete m_view;
    m_view = view;
    if (view) {
        layout()->addWidget(view);
        connect(view, &Dz3DViewport::interacted, this, &DzViewport::interacted);
    }
}

Dz3DViewport* DzViewport::take3DViewport() {
    Dz3DViewport* view = m_view;
    m_view = nullptr;
    if (view) {
        disconnect(view, nullptr, this, nullptr);
        layout()->removeWidget(view);
        view->setParent(nullptr);
    }
    return view;
}

// ---- DzViewportMgr ----

DzViewportMgr::ViewMouseModifier DzViewportMgr::toViewMouseModifier(Qt::KeyboardModifiers modifiers) {
    Qt::KeyboardModifiers const keys =
        modifiers & (Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier);
    if (keys == Qt::NoModifier)
        return NoModifier;
    if (keys == Qt::AltModifier)
        return AltModifier;
    if (keys == Qt::ShiftModifier)
        return ShiftModifier;
    if (keys == Qt::ControlModifier)
        return CtrlModifier;
    return MultipleModifiers;
}

DzViewportMgr::DzViewportMgr(QWidget* viewportArea, QObject* parent) : QObject(parent), m_area(viewportArea) {
    if (m_area && !m_area->layout()) {
        auto* layout = new QGridLayout(m_area);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    for (char const* name : {"Smooth Shaded", "Flat Shaded", "Wire Shaded", "Wire Frame"})
        addUserDrawStyle(new DzDrawStyle(QString::fromLatin1(name)));
    addTool(new DzPickTool);
    addViewport(new DzViewport);
    setActiveViewport(m_viewports.value(0));
    setActiveTool(m_tools.value(0));
    watchScene();
}

DzViewportMgr::~DzViewportMgr() {
    m_activeTool = nullptr;
    QList<DzViewport*> viewports = m_viewports;
    m_viewports.clear();
    for (DzViewport* v : viewports) {
        disconnect(v, nullptr, this, nullptr);
        delete v;
    }
}

int DzViewportMgr::addViewport(DzViewport* viewport) {
    if (!viewport)
        return -1;
    if (m_viewports.contains(viewport))
        return m_viewports.indexOf(viewport);
    if (m_viewports.size() >= MaxViewports)
        return -1;
    m_viewports.append(viewport);
    viewport->setViewportMgr(this);
    connect(viewport, &DzViewport::interacted, this, [this, viewport] { setActiveViewport(viewport); });
    // A viewport that its parent widget deletes leaves the list.
    // Compared as QObject: the viewport part of the object is already gone.
    connect(viewport, &QObject::destroyed, this, [this](QObject* gone) {
        for (int i = 0; i < m_viewports.size(); ++i)
            if (static_cast<QObject*>(m_viewports[i]) == gone) {
                m_viewports.removeAt(i);
                break;
            }
        if (static_cast<QObject*>(m_active) == gone) {
            m_active = nullptr;
            emit activeViewportChanged(nullptr);
        }
    });
    if (Dz3DViewport* view = viewport->get3DViewport(); view && !view->getDrawStyle())
        view->setDrawStyle(m_drawStyles.value(0));
    if (m_area) {
        viewport->setParent(m_area);
        layoutViewports();
    }
    return m_viewports.size() - 1;
}

DzViewport* DzViewportMgr::takeViewport(int index) {
    if (index < 0 || index >= m_viewports.size())
        return nullptr;
    DzViewport* viewport = m_viewports.takeAt(index);
    disconnect(viewport, nullptr, this, nullptr);
    viewport->setViewportMgr(nullptr);
    viewport->setParent(nullptr);
    if (m_active == viewport) {
        m_active = nullptr;
        emit activeViewportChanged(nullptr);
    }
    layoutViewports();
    return viewport;
}

void DzViewportMgr::setNumViewports(int count) {
    count = std::clamp(count, 1, int(MaxViewports));
    while (m_viewports.size() < count) {
        auto* viewport = new DzViewport;
        if (DzViewport* first = m_viewports.value(0))
            if (Dz3DViewport* view = first->get3DViewport(); view && viewport->get3DViewport())
                viewport->get3DViewport()->setDrawStyle(view->getDrawStyle());
        addViewport(viewport);
    }
    while (m_viewports.size() > count) delete takeViewport(m_viewports.size() - 1);
    if (!m_active)
        setActiveViewport(m_viewports.value(0));
}

void DzViewportMgr::layoutViewports() {
    if (!m_area)
        return;
    auto* grid = qobject_cast<QGridLayout*>(m_area->layout());
    if (!grid)
        return;
    for (DzViewport* v : m_viewports) grid->removeWidget(v);
    // Two columns: one viewport fills the area, four make a two by two grid.
    for (int i = 0; i < m_viewports.size(); ++i) grid->addWidget(m_viewports[i], i / 2, i % 2);
}

void DzViewportMgr::setActiveViewport(DzViewport* viewport) {
    if (viewport && !m_viewports.contains(viewport))
        return;
    if (viewport == m_active)
        return;
    m_active = viewport;
    emit activeViewportChanged(viewport);
}

void DzViewportMgr::addTool(DzViewTool* tool) {
    if (!tool || m_tools.contains(tool))
        return;
    tool->setParent(this);
    m_tools.append(tool);
    // A tool deleted by someone else leaves the registry; compared as QObject, its tool part is gone.
    connect(tool, &QObject::destroyed, this, [this](QObject* gone) {
        for (int i = 0; i < m_tools.size(); ++i)
            if (static_cast<QObject*>(m_tools[i]) == gone)
                m_tools.removeAt(i--);
        if (static_cast<QObject*>(m_activeTool) == gone) {
            m_activeTool = nullptr;
            m_activePane = nullptr;
            emit activeToolChanged(nullptr);
        }
    });
}

DzViewTool* DzViewportMgr::findTool(QString const& className) const {
    for (DzViewTool* tool : m_tools)
        if (className == QLatin1String(tool->metaObject()->className()))
            return tool;
    return nullptr;
}

bool DzViewportMgr::removeTool(DzViewTool* tool) {
    if (!m_tools.contains(tool))
        return false;
    if (tool == m_activeTool) {
        m_activeTool = nullptr;
        tool->deactivate();
        hideActivePane();
        emit activeToolChanged(nullptr);
    }
    m_tools.removeOne(tool);
    disconnect(tool, nullptr, this, nullptr);
    tool->setParent(nullptr);
    return true;
}

bool DzViewportMgr::setActiveTool(DzViewTool* tool) {
    if (!tool || !m_tools.contains(tool))
        return false;
    if (tool == m_activeTool)
        return true;
    if (DzViewTool* old = m_activeTool) {
        m_activeTool = nullptr;
        old->deactivate();
        hideActivePane();
    }
    m_activeTool = tool;
    tool->activate();
    showActivePane();
    emit activeToolChanged(tool);
    updateViewports();
    return true;
}

void DzViewportMgr::hideActivePane() {
    if (m_activePane)
        m_activePane->hide();
    m_activePane = nullptr;
}

void DzViewportMgr::showActivePane() {
    hideActivePane();
    if (!m_activeTool || !m_paneArea)
        return;
    QWidget* pane = m_activeTool->getPane(m_paneArea);
    if (!pane)
        return;
    if (pane->parentWidget() != m_paneArea)
        pane->setParent(m_paneArea);
    if (QLayout* layout = m_paneArea->layout(); layout && layout->indexOf(pane) < 0)
        layout->addWidget(pane);
    pane->show();
    m_activePane = pane;
}

void DzViewportMgr::setToolPaneArea(QWidget* area) {
    if (area == m_paneArea)
        return;
    hideActivePane();
    m_paneArea = area;
    showActivePane();
}

void DzViewportMgr::setAllowGraftDrawing(bool allow) {
    if (allow == m_allowGraftDrawing)
        return;
    m_allowGraftDrawing = allow;
    emit allowGraftDrawingChanged(allow);
    updateViewports();
}

void DzViewportMgr::drawnDataChanged() {
    ++m_drawnDataChangedCount;
    for (DzViewport* v : m_viewports)
        if (Dz3DViewport* view = v->get3DViewport())
            view->update();
    emit drawnDataRedrawRequested();
}

void DzViewportMgr::updateViewports() {
    for (DzViewport* v : m_viewports)
        if (Dz3DViewport* view = v->get3DViewport())
            view->update();
}

// Whatever changes what the scene shows repaints the viewports.
void DzViewportMgr::watchScene() {
    DzScene* scene = dzScene;
    if (!scene)
        return;
    auto watchNode = [this](DzNode* node) {
        connect(node, &DzNode::transformChanged, this, &DzViewportMgr::updateViewports);
        connect(node, &DzNode::visibilityChanged, this, &DzViewportMgr::updateViewports);
        if (DzObject* object = node->getObject())
            connect(object, &DzObject::cachedGeomInvalidated, this, &DzViewportMgr::updateViewports);
        updateViewports();
    };
    for (DzNodeIterator it = scene->nodeListIterator(); it.hasNext();) watchNode(it.next());
    connect(scene, &DzScene::nodeAdded, this, watchNode);
    connect(scene, &DzScene::nodeRemoved, this, &DzViewportMgr::updateViewports);
    connect(scene, &DzScene::sceneLoaded, this, &DzViewportMgr::updateViewports);
    connect(scene, &DzScene::nodeSelectionListChanged, this, &DzViewportMgr::updateViewports);
}

void DzViewportMgr::addUserDrawStyle(DzDrawStyle* style) {
    if (!style || m_drawStyles.contains(style))
        return;
    style->setParent(this);
    m_drawStyles.append(style);
}

bool DzViewportMgr::removeUserDrawStyle(DzDrawStyle* style) {
    if (!m_drawStyles.removeOne(style))
        return false;
    style->setParent(nullptr);
    return true;
}

// ---- DzPaneMgr ----

DzPaneMgr::DzPaneMgr(QObject* parent) : QObject(parent) {}

DzPaneMgr::~DzPaneMgr() = default;
