#include "dzapp.h"
#include "dzbindingbase.h"
#include "dzfacetmesh.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

#include <cstdio>
#include <cstdlib>

// ---- DzApp ----

DzApp* dzApp = nullptr;

DzApp::DzApp(QObject* parent) : QObject(parent) {
    dzApp = this;
    createApplicationLevel();
}

DzApp::~DzApp() {
    destroyApplicationLevel();
    if (dzApp == this)
        dzApp = nullptr;
}

void DzApp::log(QString const& line) {
    m_logLines.append(line);
    if (std::getenv("HV_HOST_LOG_STDERR"))
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    emit logged(line);
}

// ---- DzShape ----

DzShape::DzShape(DzFacetMesh* geometry) : m_geometry(geometry) {}

DzShape::~DzShape() = default;

void DzShape::setGeometry(DzFacetMesh* geometry) {
    m_geometry.reset(geometry);
    emit geometryChanged();
}

// ---- DzNode ----

DzNode::DzNode() = default;

DzNode::~DzNode() = default;

void DzNode::setObject(DzObject* object) {
    m_object.reset(object);
    if (object)
        object->m_node = this;
}

// ---- DzBindingBase ----

int DzBindingBase::apply(DzVertexMesh& mesh, DzNode&) {
    auto v = mesh.getVerticesPtr();
    for (int i = 0, n = mesh.getNumVertices(); i < n; ++i) {
        DzVec3 p = m_pose.multPnt(DzVec3(v[i]));
        v[i][0] = p.m_x;
        v[i][1] = p.m_y;
        v[i][2] = p.m_z;
    }
    return 0;
}

int DzBindingBase::applyInverse(DzVertexMesh& mesh, DzNode&) {
    DzMatrix3 inv = m_pose.inverse();
    auto v = mesh.getVerticesPtr();
    for (int i = 0, n = mesh.getNumVertices(); i < n; ++i) {
        DzVec3 p = inv.multPnt(DzVec3(v[i]));
        v[i][0] = p.m_x;
        v[i][1] = p.m_y;
        v[i][2] = p.m_z;
    }
    return 0;
}

void DzBindingBase::setPose(DzMatrix3 const& pose) {
    m_pose = pose;
    emit currentValueChanged();
}
