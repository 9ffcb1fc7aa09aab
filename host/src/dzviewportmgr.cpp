// Viewport manager, viewports, 3D views, draw styles, tools and the pane manager.
#include "dzviewportmgr.h"

#include <QGridLayout>
#include <QWidget>

#include "dz3dviewport.h"
#include "dzcamera.h"
#include "dzdrawstyle.h"
#include "dzpanemgr.h"
#include "dzpicktool.h"
#include "dzviewport.h"
#include "dzviewtool.h"

// ---- DzCamera ----

DzCamera::DzCamera(QString const& name) {
    setName(name);
}

DzCamera::~DzCamera() = default;

// ---- DzDrawStyle ----

DzDrawStyle::DzDrawStyle(QString const& name, QObject* parent) : QObject(parent), m_name(name) {
    setObjectName(name);
}

DzDrawStyle::~DzDrawStyle() = default;

// ---- DzViewTool, DzPickTool ----

DzViewTool::DzViewTool(QString const& name, QObject* parent) : QObject(parent), m_displayName(name) {}

DzViewTool::~DzViewTool() = default;

void DzViewTool::activate() {
    m_active = true;
}

void DzViewTool::deactivate() {
    m_active = false;
}

DzPickTool::DzPickTool(QString const& name, QObject* parent) : DzViewTool(name, parent) {}

DzPickTool::~DzPickTool() = default;

// ---- Dz3DViewport ----

Dz3DViewport::Dz3DViewport(QWidget* parent)
    : QWidget(parent), m_defaultCamera(std::make_unique<DzCamera>(QStringLiteral("Default Camera"))) {
    m_camera = m_defaultCamera.get();
}

Dz3DViewport::~Dz3DViewport() = default;

DzCamera* Dz3DViewport::getCamera() const {
    return static_cast<DzCamera*>(m_camera.data());
}

DzCamera* Dz3DViewport::getDefaultCamera() const {
    return m_defaultCamera.get();
}

void Dz3DViewport::setCamera(DzCamera* camera) {
    if (getCamera() == camera)
        return;
    m_camera = camera;
    emit viewChanged();
}

void Dz3DViewport::setDrawStyle(DzDrawStyle* style) {
    if (m_drawStyle == style)
        return;
    m_drawStyle = style;
    update();
    emit viewChanged();
}

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
    if (view)
        layout()->addWidget(view);
}

Dz3DViewport* DzViewport::take3DViewport() {
    Dz3DViewport* view = m_view;
    m_view = nullptr;
    if (view) {
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
    m_viewports.append(viewport);
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
    viewport->setParent(nullptr);
    if (m_active == viewport) {
        m_active = nullptr;
        emit activeViewportChanged(nullptr);
    }
    layoutViewports();
    return viewport;
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
        emit activeToolChanged(nullptr);
    }
    m_tools.removeOne(tool);
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
    }
    m_activeTool = tool;
    tool->activate();
    emit activeToolChanged(tool);
    return true;
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
