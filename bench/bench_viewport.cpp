// The host's side of a large edit: a 1,000,000-vertex grid node in a real 800 x 600 viewport (run under
// xvfb-run). Timed: a repaint of the unchanged scene in three draw styles, the re-evaluation of the object
// after a modifier's currentValueChanged(), and the two together, which is what every drag step costs the
// host. A repaint ends with glFinish, so the software renderer's work is inside the figure. With
// HV_BENCH_PNG_DIR set, the frames of the three styles are written there as PNG files.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzappsettings.h"
#include "dzcamera.h"
#include "dzfacegroup.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"

namespace {

int const kQuads = 999;  // 1000 x 1000 vertices
float const kStep = 0.01f;

struct Setup {
    dztest::ViewportFixture fx{800, 600};
    DzNode* node = nullptr;
    DzMorph* morph = nullptr;
    DzDrawStyle* smooth = nullptr;
};

DzDrawStyle* styleNamed(DzViewportMgr* mgr, QString const& name) {
    for (int i = 0; i < mgr->getNumUserDrawStyles(); ++i)
        if (mgr->getUserDrawStyle(i)->getName() == name)
            return mgr->getUserDrawStyle(i);
    return nullptr;
}

Setup* TheSetup() {
    static Setup* setup = nullptr;
    if (setup)
        return setup;
    setup = new Setup;
    if (!setup->fx.isReady()) {
        std::fprintf(stderr, "no viewport: %s\n", qPrintable(setup->fx.error()));
        return setup;
    }
    DzFacetMesh* mesh = dztest::makeGrid(kQuads, kQuads, kStep);
    // A host-side facet selection of 100 x 100 facets, shown while the pick tool is active.
    for (int j = 450; j < 550; ++j)
        for (int i = 450; i < 550; ++i) mesh->getFacetFlagsPtr()[j * kQuads + i] |= DZ_FACET_SELECTED;
    setup->node = setup->fx.addNode(dztest::makeNode("grid", mesh));
    // A bump over the whole grid: every vertex has a delta, so the evaluation's modifier touches them all.
    auto* deltas = new DzMorphDeltas;
    int const side = kQuads + 1;
    deltas->preSize(side * side);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            float const x = float(i) / kQuads - 0.5f, y = float(j) / kQuads - 0.5f;
            deltas->addDelta(j * side + i, DzVec3(0.0f, 0.0f, 2.0f * std::cos(6.0f * x) * std::cos(9.0f * y)),
                             false, 0);
        }
    setup->morph = new DzMorph(deltas);
    setup->morph->setName("bump");
    setup->morph->getValueProperty()->setValue(1.0f);
    setup->node->getObject()->addModifier(setup->morph);
    setup->fx.lookAt(DzVec3(5.0f, -6.0f, 9.0f), DzVec3(5.0f, 5.0f, 0.0f));
    setup->smooth = styleNamed(setup->fx.mgr(), "Smooth Shaded");
    return setup;
}

// Renders a frame now and waits for the renderer to finish it (reading the 800 x 600 pixels back adds
// about a millisecond).
void repaint(Dz3DViewport* view) {
    int const before = view->getPaintCount();
    view->grabPixels();
    view->makeCurrent();
    QOpenGLContext::currentContext()->functions()->glFinish();
    if (view->getPaintCount() != before + 1)
        std::abort();
}

void ToggleValue(DzMorph* morph) {
    DzFloatProperty* value = morph->getValueProperty();
    value->setValue(value->getValue() == 1.0 ? 0.5f : 1.0f);
}

void BM_Repaint(benchmark::State& state, char const* styleName) {
    Setup* setup = TheSetup();
    if (!setup->fx.isReady()) {
        state.SkipWithError("no viewport");
        return;
    }
    Dz3DViewport* view = setup->fx.view();
    DzDrawStyle* style = styleNamed(setup->fx.mgr(), styleName);
    view->setDrawStyle(style);
    repaint(view);  // the first frame after a change of style uploads what the style draws
    for (auto _ : state) repaint(view);
    if (char const* dir = std::getenv("HV_BENCH_PNG_DIR"))
        setup->fx.grab().save(QDir(dir).filePath(
            QString("viewport_%1.png").arg(QString(styleName).toLower().replace(' ', '_'))));
    view->setDrawStyle(setup->smooth);
}

void BM_Reevaluate(benchmark::State& state) {
    Setup* setup = TheSetup();
    if (!setup->fx.isReady()) {
        state.SkipWithError("no viewport");
        return;
    }
    DzObject* object = setup->node->getObject();
    for (auto _ : state) {
        ToggleValue(setup->morph);
        benchmark::DoNotOptimize(object->getCachedGeom());
    }
}

// What a drag step costs the host: the modifier's change, the re-evaluation and the repaint of the new
// positions.
void BM_EditAndRepaint(benchmark::State& state) {
    Setup* setup = TheSetup();
    if (!setup->fx.isReady()) {
        state.SkipWithError("no viewport");
        return;
    }
    Dz3DViewport* view = setup->fx.view();
    view->setDrawStyle(setup->smooth);
    for (auto _ : state) {
        ToggleValue(setup->morph);
        repaint(view);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_Repaint, smooth, "Smooth Shaded")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Repaint, flat, "Flat Shaded")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Repaint, wire_shaded, "Wire Shaded")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Reevaluate)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EditAndRepaint)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QTemporaryDir settingsDir;
    DzAppSettings::setSettingsFolder(settingsDir.path());
    DzApp app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
