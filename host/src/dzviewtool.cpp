// Viewport tools and the host's pick tool; the context menu.
#include <QMenu>
#include <QMouseEvent>

#include "dz3dviewport.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dzmainwindow.h"
#include "dzmenu.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzpicktool.h"
#include "dzscene.h"
#include "dztransformtool.h"
#include "dzviewtool.h"

#include <limits>

// ---- DzViewTool ----

DzViewTool::DzViewTool(QString const& name, QObject* parent) : QObject(parent), m_displayName(name) {}

DzViewTool::~DzViewTool() = default;

void DzViewTool::activate() {
    m_active = true;
}

void DzViewTool::deactivate() {
    m_active = false;
}

bool DzViewTool::mousePress(Dz3DViewport*, QMouseEvent*, DzViewportMgr::ViewMouseModifier) {
    return false;
}
void DzViewTool::mouseMove(Dz3DViewport*, QMouseEvent*, DzViewportMgr::ViewMouseModifier) {}
void DzViewTool::mouseRelease(Dz3DViewport*, QMouseEvent*, DzViewportMgr::ViewMouseModifier) {}
void DzViewTool::mouseOver(Dz3DViewport*, QMouseEvent*, DzViewportMgr::ViewMouseModifier) {}
bool DzViewTool::wheelEvent(Dz3DViewport*, QWheelEvent*, DzViewportMgr::ViewMouseModifier) {
    return false;
}
void DzViewTool::keyPress(Dz3DViewport*, QKeyEvent*) {}
void DzViewTool::keyRelease(Dz3DViewport*, QKeyEvent*) {}
void DzViewTool::contextMenu(Dz3DViewport*, DzMenu*, QPoint const&) {}
void DzViewTool::draw(DzDrawStyle const&, Dz3DViewport*) const {}

QWidget* DzViewTool::getPane(QWidget*) const {
    return nullptr;
}

void DzViewTool::drawnDataChanged() {
    // The manager that registered the tool, else the application's.
    DzViewportMgr* mgr = qobject_cast<DzViewportMgr*>(parent());
    if (!mgr && dzApp && dzApp->getInterface())
        mgr = dzApp->getInterface()->getViewportMgr();
    if (mgr)
        mgr->drawnDataChanged();
}

// ---- DzPickTool ----

DzPickTool::DzPickTool(QString const& name, QObject* parent) : DzViewTool(name, parent) {}

DzPickTool::~DzPickTool() = default;

void DzPickTool::activate() {
    DzViewTool::activate();
}

void DzPickTool::deactivate() {
    DzViewTool::deactivate();
}

namespace {

// Distance along the ray to the nearest facet of the node's cached geometry it hits; false on a miss.
bool nearestHit(DzNode* node, DzLine3 const& ray, float& distance) {
    if (!node->isVisible() || !node->getObject())
        return false;
    auto* mesh = qobject_cast<DzFacetMesh*>(node->getObject()->getCachedGeom());
    if (!mesh)
        return false;
    DzBox3 const box = mesh->getBoundingBox();
    if (!box.isValid() || !box.testIntersection(ray, 0.0f))
        return false;
    DzVec3 const o = ray.getStart();
    DzVec3 const d = ray.getDirection();
    float const length = ray.length();
    auto const* v = mesh->getVerticesPtr();
    unsigned char const* flags = mesh->getFacetFlagsPtr();
    int const nv = mesh->getNumVertices();
    bool hit = false;
    distance = std::numeric_limits<float>::max();
    for (int f = 0, nf = mesh->getNumFacets(); f < nf; ++f) {
        if (flags[f] & DZ_FACET_HIDDEN)
            continue;
        DzFacet const& facet = mesh->getFacet(f);
        int const corners = facet.getNumCorners();
        for (int k = 1; k + 1 < corners; ++k) {
            int const i0 = facet.m_vertIdx[0], i1 = facet.m_vertIdx[k], i2 = facet.m_vertIdx[k + 1];
            if (i0 < 0 || i1 < 0 || i2 < 0 || i0 >= nv || i1 >= nv || i2 >= nv)
                continue;
            // Moeller-Trumbore, both sides.
            DzVec3 const a(v[i0]), b(v[i1]), c(v[i2]);
            DzVec3 const e1 = b - a, e2 = c - a;
            DzVec3 const p = d.cross(e2);
            float const det = e1.dot(p);
            if (std::fabs(det) < 1e-12f)
                continue;
            float const inv = 1.0f / det;
            DzVec3 const s = o - a;
            float const u = s.dot(p) * inv;
            if (u < 0.0f || u > 1.0f)
                continue;
            DzVec3 const q = s.cross(e1);
            float const w = d.dot(q) * inv;
            if (w < 0.0f || u + w > 1.0f)
                continue;
            float const t = e2.dot(q) * inv;
            if (t >= 0.0f && t <= length && t < distance) {
                distance = t;
                hit = true;
            }
        }
    }
    return hit;
}

}  // namespace

bool DzPickTool::mousePress(Dz3DViewport* view, QMouseEvent* event,
                            DzViewportMgr::ViewMouseModifier modifier) {
    DzScene* scene = dzScene;
    if (!view || !event || event->button() != Qt::LeftButton || !scene)
        return false;
    DzLine3 const ray = view->unprojectPixel(event->localPos());
    DzNode* best = nullptr;
    float bestDistance = std::numeric_limits<float>::max();
    for (DzNodeIterator it = scene->nodeListIterator(); it.hasNext();) {
        DzNode* node = it.next();
        float distance = 0.0f;
        if (nearestHit(node, ray, distance) && distance < bestDistance) {
            best = node;
            bestDistance = distance;
        }
    }
    if (modifier == DzViewportMgr::CtrlModifier) {
        if (best)
            scene->selectNode(best, !scene->isNodeSelected(best));
    } else if (!best) {
        scene->selectAllNodes(false);
    } else if (scene->getNumSelectedNodes() != 1 || scene->getPrimarySelection() != best) {
        scene->selectAllNodes(false);
        scene->setPrimarySelection(best);
    }
    // The drag that may follow still turns the camera.
    return false;
}

// ---- DzTransformTool ----

DzTransformTool::DzTransformTool(QString const& name, QObject* parent) : DzPickTool(name, parent) {}

DzTransformTool::~DzTransformTool() = default;

// ---- DzMenu ----

DzMenu::DzMenu(QString const& title, QObject* parent)
    : QObject(parent), m_menu(std::make_unique<QMenu>(title)) {}

DzMenu::~DzMenu() = default;

QAction* DzMenu::addAction(QString const& className, int) {
    DzActionMgr* mgr = dzApp && dzApp->getInterface() ? dzApp->getInterface()->getActionMgr() : nullptr;
    DzAction* action = mgr ? mgr->findAction(className) : nullptr;
    if (!action)
        return nullptr;
    m_menu->addAction(action);
    m_entries.append({Entry::Action, action->text(), className, action});
    return action;
}

QAction* DzMenu::addItem(QString const& label, QObject* receiver, char const* slot, int) {
    QAction* action = m_menu->addAction(label);
    if (receiver && slot)
        connect(action, SIGNAL(triggered()), receiver, slot);
    m_entries.append({Entry::Item, label, QString(), action});
    return action;
}

QAction* DzMenu::addSeparator(int) {
    QAction* action = m_menu->addSeparator();
    m_entries.append({Entry::Separator, QString(), QString(), action});
    return action;
}
