// One drag step on a 1,000,000-vertex grid: the translation written as deltas for about 100,000 affected
// vertices (a 100 x 100 patch of selected vertices with a falloff reaching 117 units around it) and the
// host's evaluation of the mesh that the modifier's signal asks for. Goal: the whole step under 16 ms. The
// parts are timed on their own too, to show where the time goes: the drag engine alone, the host's evaluation
// alone, and the modifier's own setDeltas of that many entries (which the engine no longer uses); last a
// rotation step.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <memory>

#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzshape.h"
#include "hv_meshmodifier.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_tool.h"

namespace {

int const kSide = 1000;  // vertices along each side
int const kPatch = 100;

struct Setup {
    PfTool tool;
    DzNode* node = nullptr;
    std::unique_ptr<PfSelection> selection;
    PfSelection::ViewportData data;
    HvPoint3 start;
    size_t affected = 0;
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
    settings->m_eSelectionType = PF_SELECTION_VERTEX;
    settings->m_fGain = 1.0f;
    settings->m_kmAddToSelection.set(HvKeyboardModifier::Ctrl);
    setup->selection = PfSelection::Create(&setup->tool, node);
    PfSelection& selection = *setup->selection;
    int const first = (kSide - kPatch) / 2;
    bool one = true;
    for (int j = first; j < first + kPatch; ++j)
        for (int i = first; i < first + kPatch; ++i) {
            selection.handleSelection(PF_SELECTION_VERTEX, j * kSide + i,
                                      one ? DzViewportMgr::NoModifier : DzViewportMgr::CtrlModifier);
            one = false;
        }
    selection.invalidateAffectedVertices(1170, PF_FALLOFF_SMOOTH_CURVE, false);
    setup->affected = selection.getAffectedVertices().size();
    int const centre = kSide / 2;
    setup->start = HvPoint3(float(centre), float(centre), 0.0f);
    selection.beginDrag(PF_GIZMO_HIT_CONE_Z, setup->start, setup->start);
    return *setup;
}

// Alternating targets, so that every step changes the deltas.
HvPoint3 TargetOf(Setup const& setup, int64_t step) {
    return setup.start + HvPoint3(0.0f, 0.0f, step % 2 ? 1.0f : 2.0f);
}

void BM_DragStep(benchmark::State& state) {
    Setup& setup = TheSetup();
    DzObject* object = setup.node->getObject();
    int64_t step = 0;
    for (auto _ : state) {
        setup.selection->dragTo(&setup.data, PF_GIZMO_DRAG_TRANSLATE, TargetOf(setup, ++step), HvVec3());
        benchmark::DoNotOptimize(object->getCachedGeom());
    }
    state.counters["affected"] = double(setup.affected);
}

void BM_DragStepEngineOnly(benchmark::State& state) {
    Setup& setup = TheSetup();
    int64_t step = 0;
    for (auto _ : state)
        setup.selection->dragTo(&setup.data, PF_GIZMO_DRAG_TRANSLATE, TargetOf(setup, ++step), HvVec3());
    state.counters["affected"] = double(setup.affected);
}

void BM_HostEvaluation(benchmark::State& state) {
    Setup& setup = TheSetup();
    DzObject* object = setup.node->getObject();
    for (auto _ : state) {
        object->invalidateCache();
        benchmark::DoNotOptimize(object->getCachedGeom());
    }
}

void BM_DeltaMapWrite(benchmark::State& state) {
    Setup& setup = TheSetup();
    PfModifier* modifier = setup.selection->getModifier();
    HvVertexOffsets const offsets = setup.selection->getDeltasAfter();
    for (auto _ : state) modifier->setDeltas(offsets);
    state.counters["entries"] = double(offsets.size());
}

// A rotation step about Z through the patch's centre, with the host's evaluation; the drag starts here, so
// this one runs last.
void BM_RotationStep(benchmark::State& state) {
    Setup& setup = TheSetup();
    DzObject* object = setup.node->getObject();
    HvPoint3 const start = setup.start + HvPoint3(10.0f, 0.0f, 0.0f);
    setup.selection->beginDrag(PF_GIZMO_HIT_RING_Z, setup.start, start);
    int64_t step = 0;
    for (auto _ : state) {
        HvPoint3 const target =
            setup.start + (++step % 2 ? HvPoint3(10.0f, 5.0f, 0.0f) : HvPoint3(10.0f, 9.0f, 0.0f));
        setup.selection->dragTo(&setup.data, PF_GIZMO_DRAG_ROTATE_Z, target, HvVec3(0.0f, 0.0f, 1.0f));
        benchmark::DoNotOptimize(object->getCachedGeom());
    }
    state.counters["affected"] = double(setup.affected);
}

}  // namespace

BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DragStepEngineOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_HostEvaluation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DeltaMapWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RotationStep)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    DzApp app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dzScene->clear();
    return 0;
}
