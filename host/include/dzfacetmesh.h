#pragma once

#include <memory>
#include <vector>

#include "dzvertexmesh.h"

class DzFaceGroup;

// Four corners; a negative fourth vertex index marks a triangle. The cage index names the base facet a
// subdivided facet came from (negative when there is none).
struct DzFacet {
    int m_vertIdx[4] = {-1, -1, -1, -1};
    int m_normIdx[4] = {-1, -1, -1, -1};
    int m_edges[4] = {-1, -1, -1, -1};
    int m_cageIdx = -1;

    bool isQuad() const { return m_vertIdx[3] >= 0; }
    int getNumCorners() const { return isQuad() ? 4 : 3; }
};

// Two vertices and the facets on either side; the second facet is negative on a border.
struct DzEdge {
    int m_vertIdx[2] = {-1, -1};
    int m_facetIdx[2] = {-1, -1};
};

// Facet flag bits.
enum DzFacetFlag : unsigned char {
    DZ_FACET_HIDDEN = 0x02,    // hidden geometry: its corners must never move
    DZ_FACET_SELECTED = 0x04,  // the host's own facet selection
};

// A polygon mesh of triangles and quads. Copies share the facets, edges and normals until one of them changes
// its topology, so a copy of a large mesh costs only its vertex array and flag bytes.
class DzFacetMesh : public DzVertexMesh {
    Q_OBJECT
public:
    DzFacetMesh();
    ~DzFacetMesh() override;

    // Copies the whole mesh with its numbering. vertexPositionsOnly copies only the vertex array (the
    // topology must already match); withFacetFlags also copies the facet flag bytes.
    void copyFrom(DzFacetMesh const& source, bool vertexPositionsOnly, bool withFacetFlags);

    int addFacet(int a, int b, int c, int d = -1);
    // Builds the edges from the facets and the per-vertex normals; call after adding facets.
    void finalize();

    int getNumFacets() const { return int(m_topo->facets.size()); }
    DzFacet const& getFacet(int i) const { return m_topo->facets[size_t(i)]; }
    DzFacet const* getFacetsPtr() const { return m_topo->facets.data(); }

    int getNumEdges() const { return int(m_topo->edges.size()); }
    DzEdge const& getEdge(int i) const { return m_topo->edges[size_t(i)]; }
    DzEdge const* getEdgesPtr() const { return m_topo->edges.data(); }

    int getNumNormals() const { return int(m_topo->normals.size() / 3); }
    float const (*getNormalsPtr() const)[3] {
        return reinterpret_cast<float const(*)[3]>(m_topo->normals.data());
    }

    // Changes whenever the facets, edges or normals may have changed; copies that share them share it. The
    // viewport rebuilds its index buffers only when it changes.
    unsigned long long getTopologyRevision() const { return m_topo->revision; }

    unsigned char* getFacetFlagsPtr() { return m_flags.data(); }
    unsigned char const* getFacetFlagsPtr() const { return m_flags.data(); }

    // ---- the host's facet selection, flag 0x04 (dzfacetselection.cpp) ----
    // The changes return whether a flag changed. selectFacets sets the flag on the group's facets (indices
    // outside the mesh are skipped), the others leave hidden facets (0x02) unselected. Grow adds every facet
    // sharing a vertex with a selected one; shrink drops every selected facet sharing a vertex with a facet
    // that is not selected (the mesh border alone shrinks nothing).
    bool selectFacets(DzFaceGroup const* group);
    bool selectAllFacets();
    bool deselectAllFacets();
    bool growFacetSelection();
    bool shrinkFacetSelection();
    int getNumSelectedFacets() const;
    bool isFacetSelected(int facet) const;
    // Sets or clears the hidden flag 0x02 of one facet; hiding also deselects it.
    void setFacetHidden(int facet, bool hidden);

    // True on a subdivision refinement, whose facets name their base facets through m_cageIdx. It belongs to
    // the facets, so copies that share them keep it.
    bool isSubDivisionEnabled() const { return m_topo->subdivided; }
    void setSubDivisionEnabled(bool enabled) {
        if (enabled != m_topo->subdivided)
            editTopology().subdivided = enabled;
    }
    void setFacetCageIndex(int facet, int cageIdx) {
        editTopology().facets[size_t(facet)].m_cageIdx = cageIdx;
    }

private:
    static unsigned long long nextRevision();
    struct Topology {
        std::vector<DzFacet> facets;
        std::vector<DzEdge> edges;
        std::vector<float> normals;
        bool subdivided = false;
        unsigned long long revision = nextRevision();
    };
    Topology& editTopology();

    std::shared_ptr<Topology> m_topo;
    std::vector<unsigned char> m_flags;
};
