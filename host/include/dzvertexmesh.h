#pragma once

#include <QObject>
#include <vector>

#include "dzbox3.h"
#include "dzvec3.h"

// A mesh of vertex positions, three floats a vertex, in vertex order.
class DzVertexMesh : public QObject {
    Q_OBJECT
public:
    DzVertexMesh() = default;
    ~DzVertexMesh() override = default;

    int getNumVertices() const { return int(m_vertices.size() / 3); }
    // The array is writable in place; it moves only when the vertex count changes.
    float (*getVerticesPtr())[3] { return reinterpret_cast<float(*)[3]>(m_vertices.data()); }
    float const (*getVerticesPtr() const)[3] {
        return reinterpret_cast<float const(*)[3]>(m_vertices.data());
    }
    DzVec3 getVertex(int i) const { return DzVec3(&m_vertices[size_t(i) * 3]); }
    void setVertex(int i, DzVec3 const& v);

    int addVertex(DzVec3 const& v);
    void setNumVertices(int count);
    void reserveVertices(int count) { m_vertices.reserve(size_t(count) * 3); }
    DzBox3 getBoundingBox() const;

protected:
    std::vector<float> m_vertices;
};
