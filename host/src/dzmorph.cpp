#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dzvertexmesh.h"

// ---- DzMorphDeltas ----

void DzMorphDeltas::preSize(int count) {
    if (count <= 0)
        return;
    m_indices.reserve(size_t(count));
    m_deltas.reserve(size_t(count));
}

void DzMorphDeltas::addDelta(int index, DzVec3 const& delta, bool replace, unsigned char) {
    // Entries usually come in ascending order: only an index not above the last one needs the search.
    if (replace && !m_indices.empty() && index <= m_indices.back()) {
        for (size_t i = m_indices.size(); i-- > 0;)
            if (m_indices[i] == index) {
                m_deltas[i] = delta;
                return;
            }
    }
    m_indices.push_back(index);
    m_deltas.push_back(delta);
}

void DzMorphDeltas::clear() {
    m_indices.clear();
    m_deltas.clear();
}

// ---- DzMorph ----

DzMorph::DzMorph(DzMorphDeltas* deltas)
    : m_deltas(deltas), m_value(new DzFloatProperty(QStringLiteral("Value"))) {
    addProperty(m_value);
    connect(m_value, &DzFloatProperty::currentValueChanged, this, &DzModifier::currentValueChanged);
}

DzMorph::~DzMorph() = default;

void DzMorph::setDeltas(DzMorphDeltas* deltas) {
    if (deltas == m_deltas.get())
        return;
    m_deltas.reset(deltas);
    emit currentValueChanged();
}

int DzMorph::addScaled(DzVertexMesh& mesh, float sign) const {
    float const weight = float(m_value->getValue()) * sign;
    if (!m_deltas || weight == 0.0f)
        return 0;
    unsigned const count = unsigned(mesh.getNumVertices());
    float(*v)[3] = mesh.getVerticesPtr();
    for (int i = 0, n = m_deltas->getNumDeltas(); i < n; ++i) {
        unsigned const index = unsigned(m_deltas->getDeltaIndex(i));
        if (index >= count)
            continue;  // negative or beyond the mesh
        DzVec3 const d = m_deltas->getDelta(i);
        v[index][0] += d.m_x * weight;
        v[index][1] += d.m_y * weight;
        v[index][2] += d.m_z * weight;
    }
    return 0;
}

int DzMorph::apply(DzVertexMesh& mesh, DzNode&) {
    return addScaled(mesh, 1.0f);
}

int DzMorph::applyInverse(DzVertexMesh& mesh, DzNode&) {
    return addScaled(mesh, -1.0f);
}
