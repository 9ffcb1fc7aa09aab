#pragma once

#include <functional>
#include <map>
#include <set>

#include "hv_meshmodifier_offsets.h"
#include "pf_settings.h"

class DzFacetMesh;
struct DzFacet;

// A falloff curve of x = distance / radius, 0 <= x < 1.
using PfFalloffCurve = std::function<double(double)>;

// The curve of a mode; empty for modes without one (past Random). The random curve draws from the C library's
// generator behind one process-wide lock, and on its first draw with *pRandomSeeded false seeds it from the
// clock and sets the flag (the owner's, which only the curve touches, under that lock). It may be called from
// several threads at once; pRandomSeeded must outlive it.
PfFalloffCurve PfGetFalloffCurve(PfFalloffMode mode, bool* pRandomSeeded);

// The arrays of a world-space mesh that the weights are computed from. They must not change during a
// computation.
struct PfFalloffMesh {
    int vertexCount = 0;
    float const (*vertices)[3] = nullptr;
    int facetCount = 0;
    DzFacet const* facets = nullptr;
    unsigned char const* facetFlags = nullptr;  // one byte per facet; bit 0x02 marks hidden geometry

    PfFalloffMesh() = default;
    explicit PfFalloffMesh(DzFacetMesh const& mesh);
};

// The weights of the affected vertices in ascending vertex order, one sorted array.
using PfAffectedWeights = HvVertexArrayMap<double>;

// How the distance to the nearest selected vertex is found. Both give the same distances, bit for bit; the
// brute force compares every vertex with every selected one and is kept as the reference.
enum class PfNearestSearch { Indexed, BruteForce };

// Fills `excluded` with the corner vertices of the facets flagged hidden, and `affected` with the weights of
// the vertices a drag moves: every selected vertex 1.0, and with a radius above 0 every other vertex whose
// distance (HvPoint3::ComputeDistance) to the nearest selected vertex is strictly below the radius
// curve(distance / radius). Excluded vertices get no weight, selected or not; indices outside the mesh are
// skipped. Runs on the thread pool. A curve's exception (an empty curve throws std::bad_function_call)
// reaches the caller, with `affected` left empty.
void PfComputeAffectedVertices(PfFalloffMesh const& mesh, std::set<int> const& selected, double radius,
                               PfFalloffCurve const& curve, PfAffectedWeights& affected,
                               std::set<int>& excluded, PfNearestSearch search = PfNearestSearch::Indexed);
// The same weights in a node map, for callers that want one.
void PfComputeAffectedVertices(PfFalloffMesh const& mesh, std::set<int> const& selected, double radius,
                               PfFalloffCurve const& curve, std::map<int, double>& affected,
                               std::set<int>& excluded, PfNearestSearch search = PfNearestSearch::Indexed);
