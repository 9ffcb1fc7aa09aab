#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dzshape.h"

#include <opensubdiv/far/stencilTable.h>
#include <opensubdiv/far/stencilTableFactory.h>
#include <opensubdiv/far/topologyDescriptor.h>
#include <opensubdiv/far/topologyRefiner.h>
#include <opensubdiv/far/topologyRefinerFactory.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace Far = OpenSubdiv::Far;
namespace Sdc = OpenSubdiv::Sdc;
// The float table as the factory makes it (its StencilTable wrapper downcasts to a type it never made).
using Stencils = Far::StencilTableReal<float>;

// The Catmull-Clark refinement of one cage topology at one level. The refiner's product is kept: stencils
// that give every refined vertex from the cage vertices, and the refined facets with their edges and cage
// indices. Re-evaluating after an edit then only re-interpolates the positions.
class DzSubdivision {
public:
    // False, with the reason, when this topology cannot be refined; the cage is then shown as it is.
    bool build(DzFacetMesh const& cage, int level, QString* error);
    bool matches(DzFacetMesh const& cage, int level) const;
    bool isValid() const { return bool(m_stencils); }
    // Replaces the cage's vertices, facets and flags by the refinement's.
    void refine(DzFacetMesh& mesh);

private:
    void interpolate(float const (*src)[3], float (*dst)[3]) const;

    int m_level = 0;
    int m_cageVertices = 0;
    std::vector<int> m_cageCorners;  // four a facet, to recognise the topology the refinement was built for
    std::unique_ptr<Stencils const> m_stencils;
    DzFacetMesh m_refined;  // refined facets, edges, normals and the subdivision mark; no positions
    int m_refinedVertices = 0;
    std::vector<int> m_refinedCage;  // cage facet of every refined facet
    std::vector<float> m_cagePositions;
    std::vector<unsigned char> m_cageFlags;
};

namespace {

std::vector<int> cornersOf(DzFacetMesh const& mesh) {
    std::vector<int> corners(size_t(mesh.getNumFacets()) * 4);
    DzFacet const* f = mesh.getFacetsPtr();
    for (size_t i = 0, n = size_t(mesh.getNumFacets()); i < n; ++i)
        std::copy(f[i].m_vertIdx, f[i].m_vertIdx + 4, corners.begin() + ptrdiff_t(i * 4));
    return corners;
}

}  // namespace

bool DzSubdivision::matches(DzFacetMesh const& cage, int level) const {
    if (level != m_level || cage.getNumVertices() != m_cageVertices ||
        size_t(cage.getNumFacets()) * 4 != m_cageCorners.size())
        return false;
    DzFacet const* f = cage.getFacetsPtr();
    for (size_t i = 0, n = size_t(cage.getNumFacets()); i < n; ++i)
        if (!std::equal(f[i].m_vertIdx, f[i].m_vertIdx + 4, m_cageCorners.begin() + ptrdiff_t(i * 4)))
            return false;
    return true;
}

bool DzSubdivision::build(DzFacetMesh const& cage, int level, QString* error) {
    m_level = level;
    m_cageVertices = cage.getNumVertices();
    m_cageCorners = cornersOf(cage);

    int const numFacets = cage.getNumFacets();
    std::vector<int> vertsPerFace(static_cast<size_t>(numFacets));
    std::vector<int> indices;
    indices.reserve(size_t(numFacets) * 4);
    for (int i = 0; i < numFacets; ++i) {
        DzFacet const& f = cage.getFacet(i);
        vertsPerFace[size_t(i)] = f.getNumCorners();
        for (int k = 0; k < f.getNumCorners(); ++k) {
            if (f.m_vertIdx[k] < 0 || f.m_vertIdx[k] >= m_cageVertices) {
                *error = QString("facet %1 names vertex %2, outside the %3 vertices")
                             .arg(i)
                             .arg(f.m_vertIdx[k])
                             .arg(m_cageVertices);
                return false;
            }
            indices.push_back(f.m_vertIdx[k]);
        }
    }

    Far::TopologyDescriptor desc;
    desc.numVertices = m_cageVertices;
    desc.numFaces = numFacets;
    desc.numVertsPerFace = vertsPerFace.data();
    desc.vertIndicesPerFace = indices.data();
    // Open borders are smoothed along the border and their corners stay put, as modelling tools do.
    Sdc::Options sdcOptions;
    sdcOptions.SetVtxBoundaryInterpolation(Sdc::Options::VTX_BOUNDARY_EDGE_AND_CORNER);
    using Factory = Far::TopologyRefinerFactory<Far::TopologyDescriptor>;
    std::unique_ptr<Far::TopologyRefiner> refiner(
        Factory::Create(desc, Factory::Options(Sdc::SCHEME_CATMARK, sdcOptions)));
    if (!refiner) {
        *error = "OpenSubdiv rejected the topology";
        return false;
    }
    refiner->RefineUniform(Far::TopologyRefiner::UniformOptions(level));

    // Vertex mode draws and picks refined vertices by cage index, so each cage vertex's child must keep its
    // index at every level (OpenSubdiv orders vertex children first unless asked otherwise).
    for (int v = 0; v < m_cageVertices; ++v) {
        int child = v;
        for (int l = 0; l < level; ++l) child = refiner->GetLevel(l).GetVertexChildVertex(child);
        if (child != v) {
            *error = QString("cage vertex %1 became refined vertex %2").arg(v).arg(child);
            return false;
        }
    }

    Far::StencilTableFactoryReal<float>::Options stencilOptions;
    stencilOptions.generateOffsets = true;
    stencilOptions.generateControlVerts = false;
    stencilOptions.generateIntermediateLevels = false;
    stencilOptions.maxLevel = unsigned(level);
    std::unique_ptr<Stencils const> stencils(
        Far::StencilTableFactoryReal<float>::Create(*refiner, stencilOptions));
    Far::TopologyLevel const& last = refiner->GetLevel(level);
    if (!stencils || stencils->GetNumStencils() != last.GetNumVertices()) {
        *error = "OpenSubdiv gave no stencil for every refined vertex";
        return false;
    }

    m_refinedVertices = last.GetNumVertices();
    int const refinedFacets = last.GetNumFaces();
    m_refinedCage.resize(size_t(refinedFacets));
    for (int f = 0; f < refinedFacets; ++f) {
        Far::ConstIndexArray fv = last.GetFaceVertices(f);
        int parent = f;
        for (int l = level; l > 0; --l) parent = refiner->GetLevel(l).GetFaceParentFace(parent);
        m_refinedCage[size_t(f)] = parent;
        int idx = m_refined.addFacet(fv[0], fv[1], fv[2], fv.size() > 3 ? fv[3] : -1);
        m_refined.setFacetCageIndex(idx, parent);
    }
    m_stencils = std::move(stencils);

    // Edges and normals come from the refinement of this first evaluation; later ones share them.
    m_refined.setNumVertices(m_refinedVertices);
    interpolate(cage.getVerticesPtr(), m_refined.getVerticesPtr());
    m_refined.finalize();
    m_refined.setSubDivisionEnabled(true);
    m_refined.setNumVertices(0);
    return true;
}

void DzSubdivision::interpolate(float const (*src)[3], float (*dst)[3]) const {
    int const n = m_stencils->GetNumStencils();
    int const* sizes = m_stencils->GetSizes().data();
    Far::Index const* offsets = m_stencils->GetOffsets().data();
    Far::Index const* controls = m_stencils->GetControlIndices().data();
    float const* weights = m_stencils->GetWeights().data();
    for (int i = 0; i < n; ++i) {
        float x = 0, y = 0, z = 0;
        for (int j = offsets[i], e = offsets[i] + sizes[i]; j < e; ++j) {
            float const* p = src[controls[j]];
            x += weights[j] * p[0];
            y += weights[j] * p[1];
            z += weights[j] * p[2];
        }
        dst[i][0] = x;
        dst[i][1] = y;
        dst[i][2] = z;
    }
}

void DzSubdivision::refine(DzFacetMesh& mesh) {
    auto cage = mesh.getVerticesPtr();
    m_cagePositions.assign(&cage[0][0], &cage[0][0] + size_t(m_cageVertices) * 3);
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    m_cageFlags.assign(flags, flags + m_cageCorners.size() / 4);

    mesh.copyFrom(m_refined, false, true);
    mesh.setNumVertices(m_refinedVertices);
    interpolate(reinterpret_cast<float const(*)[3]>(m_cagePositions.data()), mesh.getVerticesPtr());
    // Refined facets inherit their cage facet's flags: hidden stays hidden, the selection is the cage's.
    unsigned char* refinedFlags = mesh.getFacetFlagsPtr();
    for (size_t i = 0; i < m_refinedCage.size(); ++i) refinedFlags[i] = m_cageFlags[size_t(m_refinedCage[i])];
}

// ---- DzShape ----

void DzShape::setSubdivisionLevel(int level) {
    level = std::clamp(level, 0, MaxSubdivisionLevel);
    if (level == m_subdivisionLevel)
        return;
    m_subdivisionLevel = level;
    if (level == 0)
        m_subdivision.reset();
    // The displayed geometry changes, the base does not.
    emit geometryChanged();
}

void DzShape::applySubdivision(DzFacetMesh& cage) {
    if (m_subdivisionLevel <= 0 || cage.getNumFacets() == 0)
        return;
    if (!m_subdivision || !m_subdivision->matches(cage, m_subdivisionLevel)) {
        auto subdivision = std::make_shared<DzSubdivision>();
        QString error;
        ++m_subdivisionBuilds;
        // A failed build is kept too, so the same topology is not retried and reported at every evaluation.
        if (!subdivision->build(cage, m_subdivisionLevel, &error) && dzApp)
            dzApp->log(QString("Subdivision level %1 is not applied to \"%2\": %3")
                           .arg(m_subdivisionLevel)
                           .arg(objectName().isEmpty() ? QString("unnamed shape") : objectName(), error));
        m_subdivision = std::move(subdivision);
    }
    if (m_subdivision->isValid())
        m_subdivision->refine(cage);
}
