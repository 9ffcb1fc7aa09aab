// What a user waits for during a drag on a 1,000,000-vertex grid, event by event: the press, the first move,
// a later move, the release, and the undo and redo of the step, each with the host's evaluation of the mesh
// that a write asks for. Three selections with a falloff reaching 117 units: a 100 x 100 patch (about 81,000
// affected vertices), a 316 x 316 patch (about 256,000) and every tenth vertex of every tenth row spread over
// the grid (every vertex affected). Goals: every mouse event under 16 ms with 256,000 affected vertices and
// under 33 ms with all of them; undo and redo under 33 ms. Each drag event is a counter in milliseconds per
// drag ("eval" is the host's evaluation alone, included in the others); the time of the benchmark is the
// whole drag. Beside them: a rotation step, the world-space copy's rebuild that the tool pays before the
// falloff, and the falloff of each selection.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <memory>

#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzundostack.h"
#include "hv_meshmodifier.h"
#include "hv_worldmesh.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_tool.h"

namespace {

int const kSide = 1000;              // vertices along each side
unsigned long const kRadius = 1170;  // tenths of a unit

using Clock = std::chrono::steady_clock;

enum Selection { Patch10k = 0, Patch100k = 1, Spread = 2 };

struct Setup {
    PfTool tool;
    DzNode* node = nullptr;
    std::unique_ptr<PfSelection> selection;
    PfSelection::ViewportData data;
    HvPoint3 start;
    int current = -1;
};

Setup& TheSetup() {
    static Setup* setup = nullptr;
    if (setup)
        return *setup;
    setup = new Setup;
    auto* mesh = new DzFacetMesh;
    mesh->reserveVertices(kSide * kSide);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) mesh->addVertex(DzVec3(float(i), float(j), 0.0f));
    for (int j = 0; j + 1 < kSide; ++j)
        for (int i = 0; i + 1 < kSide; ++i)
            mesh->addFacet(j * kSide + i, j * kSide + i + 1, (j + 1) * kSide + i + 1, (j + 1) * kSide + i);
    mesh->finalize();
    auto* node = new DzNode;
    node->setName("grid");
    auto* object = new DzObject;
    object->setName("grid_object");
    object->setCurrentShape(new DzShape(mesh));
    node->setObject(object);
    dzScene->addNode(node);
    setup->node = node;

    PfSettings* settings = PfSettings::Get();
    settings->m_eSelectionType = PfSelectionType::Vertex;
    settings->m_fGain = 1.0f;
    settings->m_falloffRadius = kRadius;
    settings->m_eFalloffMode = PfFalloffMode::SmoothCurve;
    setup->selection = PfSelection::Create(&setup->tool, node);
    int const centre = kSide / 2;
    setup->start = HvPoint3(float(centre), float(centre), 0.0f);
    return *setup;
}

// Selects the vertices of the kind, with the falloff computed, and no drag under way.
PfSelection& Select(Setup& setup, Selection kind) {
    PfSelection& selection = *setup.selection;
    if (setup.current == kind)
        return selection;
    PfSelectionState state(selection);
    state.type = PfSelectionType::Vertex;
    state.vertices.clear();
    if (kind == Spread) {
        for (int j = 5; j < kSide; j += 10)
            for (int i = 5; i < kSide; i += 10) state.vertices.insert(j * kSide + i);
    } else {
        int const patch = kind == Patch10k ? 100 : 316;
        int const first = (kSide - patch) / 2;
        for (int j = first; j < first + patch; ++j)
            for (int i = first; i < first + patch; ++i) state.vertices.insert(j * kSide + i);
    }
    selection.restoreOrThrow(state);
    selection.invalidateAffectedVertices(kRadius, PfFalloffMode::SmoothCurve, false);
    selection.getAffectedVertices();
    setup.current = kind;
    return selection;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One whole drag per iteration, with its undo and redo; each event timed on its own.
void BM_DragEvents(benchmark::State& state) {
    Setup& setup = TheSetup();
    PfSelection& selection = Select(setup, Selection(state.range(0)));
    DzObject* object = setup.node->getObject();
    DzUndoStack* stack = dzUndoStack;
    double press = 0, firstMove = 0, laterMove = 0, release = 0, undo = 0, redo = 0, eval = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        selection.beginDrag(PfGizmoHit::ConeZ, setup.start, setup.start);
        press += Since(t);

        t = Clock::now();
        selection.dragTo(&setup.data, PfGizmoDragKind::Translate, setup.start + HvPoint3(0, 0, 1), HvVec3());
        benchmark::DoNotOptimize(object->getCachedGeom());
        firstMove += Since(t);

        t = Clock::now();
        selection.dragTo(&setup.data, PfGizmoDragKind::Translate, setup.start + HvPoint3(0, 0, 2), HvVec3());
        benchmark::DoNotOptimize(object->getCachedGeom());
        laterMove += Since(t);

        t = Clock::now();
        object->invalidateCache();
        benchmark::DoNotOptimize(object->getCachedGeom());
        eval += Since(t);

        t = Clock::now();
        selection.onReleaseDragGizmo(nullptr);
        release += Since(t);

        t = Clock::now();
        stack->undo();
        benchmark::DoNotOptimize(object->getCachedGeom());
        undo += Since(t);

        t = Clock::now();
        stack->redo();
        benchmark::DoNotOptimize(object->getCachedGeom());
        redo += Since(t);

        state.PauseTiming();
        stack->clear();
        state.ResumeTiming();
    }
    auto perDrag = [&](double ms) { return benchmark::Counter(ms, benchmark::Counter::kAvgIterations); };
    state.counters["affected"] = double(selection.getAffectedVertices().size());
    state.counters["press"] = perDrag(press);
    state.counters["move1"] = perDrag(firstMove);
    state.counters["move"] = perDrag(laterMove);
    state.counters["release"] = perDrag(release);
    state.counters["undo"] = perDrag(undo);
    state.counters["redo"] = perDrag(redo);
    state.counters["eval"] = perDrag(eval);
}

// A rotation step about Z through the grid's centre, with the host's evaluation, on the 100 x 100 patch.
void BM_RotationStep(benchmark::State& state) {
    Setup& setup = TheSetup();
    PfSelection& selection = Select(setup, Patch10k);
    DzObject* object = setup.node->getObject();
    HvPoint3 const start = setup.start + HvPoint3(10.0f, 0.0f, 0.0f);
    selection.beginDrag(PfGizmoHit::RingZ, setup.start, start);
    int64_t step = 0;
    for (auto _ : state) {
        HvPoint3 const target =
            setup.start + (++step % 2 ? HvPoint3(10.0f, 5.0f, 0.0f) : HvPoint3(10.0f, 9.0f, 0.0f));
        selection.dragTo(&setup.data, PfGizmoDragKind::RotateZ, target, HvVec3(0.0f, 0.0f, 1.0f));
        benchmark::DoNotOptimize(object->getCachedGeom());
    }
    selection.onReleaseDragGizmo(nullptr);
    dzUndoStack->clear();
    state.counters["affected"] = double(selection.getAffectedVertices().size());
}

// The world-space copy of the 1,000,000-vertex node, rebuilt as the tool does after the deltas changed.
void BM_WorldCopyRebuild(benchmark::State& state) {
    Setup& setup = TheSetup();
    for (auto _ : state) {
        HvWorldMeshBaseWithModifiers copy(*setup.node);
        benchmark::DoNotOptimize(copy.getMesh());
    }
}

// The falloff of a selection on the world-space copy, as the first press after a selection change pays it.
void BM_SelectionFalloff(benchmark::State& state) {
    Setup& setup = TheSetup();
    PfSelection& selection = Select(setup, Selection(state.range(0)));
    for (auto _ : state) {
        selection.invalidateAffectedVertices(kRadius, PfFalloffMode::SmoothCurve, false);
        benchmark::DoNotOptimize(selection.getAffectedVertices().size());
    }
    state.counters["affected"] = double(selection.getAffectedVertices().size());
}

}  // namespace

BENCHMARK(BM_DragEvents)
    ->ArgName("selection")
    ->Arg(Patch10k)
    ->Arg(Patch100k)
    ->Arg(Spread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);
BENCHMARK(BM_RotationStep)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_WorldCopyRebuild)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SelectionFalloff)
    ->ArgName("selection")
    ->Arg(Patch10k)
    ->Arg(Patch100k)
    ->Arg(Spread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    DzApp app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dzScene->clear();
    return 0;
}
