// The affected vertices of a selection: the brute-force nearest-vertex search beside the indexed one, on flat
// grids of 16,384, 260,100 and 1,000,000 vertices. The selection is a square patch in the middle holding 1%
// of the vertices (10,000 on the largest grid), the radius a tenth of the grid's side. Goal: the indexed
// search on 1,000,000 vertices under 50 ms. "Scattered" spreads the selection over the whole grid instead, so
// that every vertex is affected and the map of weights is as large as it gets. "Reference" is the reference
// configuration other tools' proportional editing is measured on: an n x n grid, a centre patch of s x s
// selected vertices, a radius of 0.178 of the side and the smooth curve, for 128/20, 512/50 and 1000/100.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <set>

#include "dzfacetmesh.h"
#include "pf_falloff.h"

namespace {

using Affected = PfAffectedWeights;

struct Scene {
    std::unique_ptr<DzFacetMesh> mesh;
    std::set<int> patch;
    std::set<int> scattered;
    double radius = 0.0;
};

// side x side vertices a unit apart on the XY plane, in quads.
Scene const& SceneOf(int side) {
    static std::map<int, Scene> scenes;
    Scene& scene = scenes[side];
    if (scene.mesh)
        return scene;
    scene.mesh = std::make_unique<DzFacetMesh>();
    DzFacetMesh& mesh = *scene.mesh;
    mesh.reserveVertices(side * side);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) mesh.addVertex(DzVec3(float(i), float(j), 0.0f));
    for (int j = 0; j + 1 < side; ++j)
        for (int i = 0; i + 1 < side; ++i)
            mesh.addFacet(j * side + i, j * side + i + 1, (j + 1) * side + i + 1, (j + 1) * side + i);
    int const patch = side / 10;
    int const first = (side - patch) / 2;
    for (int j = first; j < first + patch; ++j)
        for (int i = first; i < first + patch; ++i) scene.patch.insert(j * side + i);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> vertex(0, side * side - 1);
    while (scene.scattered.size() < scene.patch.size()) scene.scattered.insert(vertex(random));
    scene.radius = side / 10;
    return scene;
}

void Run(benchmark::State& state, PfNearestSearch search, bool scattered) {
    Scene const& scene = SceneOf(int(state.range(0)));
    std::set<int> const& selected = scattered ? scene.scattered : scene.patch;
    bool seeded = false;
    PfFalloffCurve const curve = PfGetFalloffCurve(PfFalloffMode::SmoothCurve, &seeded);
    PfFalloffMesh const mesh(*scene.mesh);
    Affected affected;
    std::set<int> excluded;
    for (auto _ : state) {
        PfComputeAffectedVertices(mesh, selected, scene.radius, curve, affected, excluded, search);
        benchmark::DoNotOptimize(affected.size());
    }
    state.counters["vertices"] = double(scene.mesh->getNumVertices());
    state.counters["selected"] = double(selected.size());
    state.counters["affected"] = double(affected.size());
}

void BM_AffectedIndexed(benchmark::State& state) {
    Run(state, PfNearestSearch::Indexed, false);
}
void BM_AffectedBruteForce(benchmark::State& state) {
    Run(state, PfNearestSearch::BruteForce, false);
}
void BM_AffectedIndexedScattered(benchmark::State& state) {
    Run(state, PfNearestSearch::Indexed, true);
}

// The reference configuration: n x n vertices a unit apart, the centre s x s selected.
void BM_AffectedReference(benchmark::State& state) {
    int const n = int(state.range(0));
    int const s = int(state.range(1));
    DzFacetMesh grid;
    grid.reserveVertices(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) grid.addVertex(DzVec3(float(i), float(j), 0.0f));
    std::set<int> selected;
    int const first = (n - s) / 2;
    for (int j = first; j < first + s; ++j)
        for (int i = first; i < first + s; ++i) selected.insert(j * n + i);
    double const radius = 0.178 * double(n - 1);
    bool seeded = false;
    PfFalloffCurve const curve = PfGetFalloffCurve(PfFalloffMode::SmoothCurve, &seeded);
    PfFalloffMesh const mesh(grid);
    Affected affected;
    std::set<int> excluded;
    for (auto _ : state) {
        PfComputeAffectedVertices(mesh, selected, radius, curve, affected, excluded);
        benchmark::DoNotOptimize(affected.size());
    }
    state.counters["affected"] = double(affected.size());
}

BENCHMARK(BM_AffectedIndexed)->Arg(128)->Arg(510)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AffectedBruteForce)->Arg(128)->Arg(510)->Unit(benchmark::kMillisecond)->UseRealTime();
// About 10^10 distances: seconds per run, so one run.
BENCHMARK(BM_AffectedBruteForce)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AffectedIndexedScattered)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AffectedReference)
    ->Args({128, 20})
    ->Args({512, 50})
    ->Args({1000, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
