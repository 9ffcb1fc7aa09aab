#pragma once

// Host-internal: a view's OpenGL buffers of the objects' evaluated meshes. Positions go to a vertex buffer
// updated in place after every evaluation; the triangles and edges are listed again only when the topology,
// the vertex count or the facet flags change. Each frame draws only the triangles that may cover a pixel.

#include <QPointer>
#include <map>
#include <memory>

class DzFacetMesh;
class DzObject;

class DzMeshDrawer {
public:
    DzMeshDrawer();
    ~DzMeshDrawer();
    DzMeshDrawer(DzMeshDrawer const&) = delete;
    DzMeshDrawer& operator=(DzMeshDrawer const&) = delete;

    // Every call below needs the view's context current.
    // Frees the buffers of objects deleted since the last frame.
    void beginFrame();
    // The visible facets, lit by the current lights in the current colour: facets flagged selected take
    // `selected` (RGB) instead when `showSelection` is set. Smooth uses the area-weighted vertex normals,
    // flat each facet's own normal.
    void drawFacets(DzObject* object, DzFacetMesh const& mesh, bool flat, float const plain[3],
                    float const selected[3], bool showSelection);
    // The edges of visible facets as lines in the current colour.
    void drawEdges(DzObject* object, DzFacetMesh const& mesh);
    // Frees every buffer and the shader (before the context goes).
    void releaseAll();

private:
    struct Entry;
    struct Impl;
    Entry& entryFor(DzObject* object, DzFacetMesh const& mesh);
    std::unique_ptr<Impl> m_pImpl;
};
