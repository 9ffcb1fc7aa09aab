#include "dzscene.h"

#include <QPointer>

#include "dzmodifier.h"
#include "dznode.h"
#include "dzparallel.h"
#include "dzundostack.h"
#include "dzvertexmesh.h"
#include "dzworldspace.h"

// ---- the application's scene ----

DzScene* DzApp::getScene() {
    // Made on first use as a child of the application, so it dies with it.
    static QPointer<DzScene> s_scene;
    if (!s_scene || s_scene->parent() != this)
        s_scene = new DzScene(this);
    return s_scene;
}

// ---- DzScene ----

DzScene::DzScene(QObject* parent) : QObject(parent) {}

DzScene::~DzScene() {
    clear();
    for (DzModifier* m : m_wsModifiers) {
        disconnect(m, nullptr, this, nullptr);
        delete m;
    }
}

void DzScene::addNode(DzNode* node) {
    if (!node || m_nodes.contains(node))
        return;
    m_nodes.append(node);
    // Only the pointer is used: the node is gone by the time destroyed() is emitted.
    connect(node, &QObject::destroyed, this, [this, node] {
        m_nodes.removeOne(node);
        forgetSelectedNode(node);
    });
    emit nodeAdded(node);
}

bool DzScene::removeNode(DzNode* node) {
    if (!m_nodes.removeOne(node))
        return false;
    disconnect(node, nullptr, this, nullptr);
    forgetSelectedNode(node);
    emit nodeRemoved(node);
    delete node;
    return true;
}

void DzScene::clear() {
    while (!m_nodes.isEmpty()) removeNode(m_nodes.last());
    m_keptMembers.clear();
    // The application's steps belong to the nodes just dropped; loading a file comes through here too.
    if (dzApp && parent() == dzApp && dzApp->getScene() == this)
        dzApp->getUndoStack()->clear();
}

DzNode* DzScene::findNode(QString const& name) const {
    for (DzNode* n : m_nodes)
        if (n->getName() == name)
            return n;
    return nullptr;
}

void DzScene::takeNodesFrom(DzScene& other) {
    if (&other == this)
        return;
    clear();
    QList<DzNode*> const nodes = other.m_nodes;
    for (DzNode* n : nodes) {
        disconnect(n, nullptr, &other, nullptr);
        other.m_nodes.removeOne(n);
        other.forgetSelectedNode(n);
        emit other.nodeRemoved(n);
        addNode(n);
    }
    // Their geometry now goes through this scene's world-space modifiers.
    invalidateNodeGeometry();
}

void DzScene::addWSModifier(DzModifier* modifier, int index) {
    if (!modifier || m_wsModifiers.contains(modifier))
        return;
    if (index < 0 || index > m_wsModifiers.size())
        m_wsModifiers.append(modifier);
    else
        m_wsModifiers.insert(index, modifier);
    connect(modifier, &DzModifier::currentValueChanged, this, &DzScene::invalidateNodeGeometry);
    invalidateNodeGeometry();
}

bool DzScene::removeWSModifier(DzModifier* modifier) {
    if (!m_wsModifiers.removeOne(modifier))
        return false;
    disconnect(modifier, nullptr, this, nullptr);
    invalidateNodeGeometry();
    return true;
}

void DzScene::invalidateNodeGeometry() {
    for (DzNode* n : m_nodes)
        if (DzObject* o = n->getObject())
            o->invalidateCache();
}

// ---- evaluation in world space ----

namespace {
// Vertices a pool task takes at least.
constexpr size_t kEvaluationGrain = 65536;
}  // namespace

void dzMakeOriginRelative(DzVertexMesh& mesh, DzNode const& node) {
    DzVec3 const origin = node.getOrigin();
    if (origin.m_x == 0.0f && origin.m_y == 0.0f && origin.m_z == 0.0f)
        return;
    float(*v)[3] = mesh.getVerticesPtr();
    dzParallelFor(size_t(mesh.getNumVertices()), kEvaluationGrain, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            v[i][0] -= origin.m_x;
            v[i][1] -= origin.m_y;
            v[i][2] -= origin.m_z;
        }
    });
}

void dzToWorldSpace(DzVertexMesh& mesh, DzNode& node) {
    DzMatrix3 const ws = node.getWSTransform();
    float(*v)[3] = mesh.getVerticesPtr();
    dzParallelFor(size_t(mesh.getNumVertices()), kEvaluationGrain, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            DzVec3 const p = ws.multPnt(DzVec3(v[i]));
            v[i][0] = p.m_x;
            v[i][1] = p.m_y;
            v[i][2] = p.m_z;
        }
    });
    if (DzScene* scene = dzScene)
        for (DzModifierIterator it = scene->wsModifierListIterator(); it.hasNext();)
            it.next()->apply(mesh, node);
}
