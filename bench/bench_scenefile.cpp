// Saving and loading a modifier of 1,000,000 deltas through the scene file, beside baselines on the same
// numbers: simdjson's On-Demand parse of the very file's bytes into numbers (a stream, no DOM), and a bare
// nlohmann::json dump and parse (a DOM with single-precision floats, to and from a file). The same again on a
// scene that also holds a 1M-vertex mesh. Goals: a load within 3x of simdjson's parse of its bytes, a save
// no slower than the load.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <simdjson.h>
#include <sstream>
#include <string>
#include <vector>

#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
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

// The deltas on a quad, or on a 1000 x 1000 grid of 1M vertices and faces (its side at a step of 0.001 makes
// coordinates of many digits, as modelled meshes have).
void MakeEditedScene(bool largeMesh) {
    DzScene* scene = dzScene;
    scene->clear();
    DzFacetMesh* quad = nullptr;
    if (largeMesh) {
        quad = dztest::makeGrid(999, 999, 0.001f);
    } else {
        quad = new DzFacetMesh;
        for (DzVec3 const& v : {DzVec3(0, 0, 0), DzVec3(1, 0, 0), DzVec3(1, 1, 0), DzVec3(0, 1, 0)})
            quad->addVertex(v);
        quad->addFacet(0, 1, 2, 3);
        quad->finalize();
    }
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

char const* SceneName(bool largeMesh) {
    return largeMesh ? "scene_mesh.json" : "scene.json";
}

void BM_SceneFileSave(benchmark::State& state, bool largeMesh) {
    MakeEditedScene(largeMesh);
    QString const path = QString::fromStdString(PathOf(SceneName(largeMesh)));
    for (auto _ : state)
        if (!dzScene->saveScene(path))
            state.SkipWithError("save failed");
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path.toStdString()));
}

void BM_SceneFileLoad(benchmark::State& state, bool largeMesh) {
    MakeEditedScene(largeMesh);
    QString const path = QString::fromStdString(PathOf(SceneName(largeMesh)));
    dzScene->saveScene(path);
    for (auto _ : state) {
        if (!dzScene->loadScene(path))
            state.SkipWithError("load failed");
        state.PauseTiming();
        dzScene->clear();  // the baselines drop what they parsed inside the loop; ours is dropped outside
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path.toStdString()));
}

// Every number of the value, as a float, in file order; strings and keys read as text.
simdjson::error_code CollectNumbers(simdjson::ondemand::value value, std::vector<float>& out) {
    simdjson::ondemand::json_type type;
    if (auto e = value.type().get(type))
        return e;
    switch (type) {
        case simdjson::ondemand::json_type::object:
            for (auto field : value.get_object()) {
                std::string_view key;
                if (auto e = field.unescaped_key().get(key))
                    return e;
                if (auto e = CollectNumbers(field.value(), out))
                    return e;
            }
            return simdjson::SUCCESS;
        case simdjson::ondemand::json_type::array:
            for (auto item : value.get_array())
                if (auto e = CollectNumbers(item.value(), out))
                    return e;
            return simdjson::SUCCESS;
        case simdjson::ondemand::json_type::number: {
            double d = 0;
            if (auto e = value.get_double().get(d))
                return e;
            out.push_back(float(d));
            return simdjson::SUCCESS;
        }
        case simdjson::ondemand::json_type::string: {
            std::string_view text;
            return value.get_string().get(text);
        }
        default:
            return simdjson::SUCCESS;
    }
}

// The baseline of a load: the file read and its bytes parsed into numbers by simdjson's On-Demand stream.
void BM_SimdjsonParse(benchmark::State& state, bool largeMesh) {
    MakeEditedScene(largeMesh);
    std::string const path = PathOf(SceneName(largeMesh));
    dzScene->saveScene(QString::fromStdString(path));
    dzScene->clear();
    simdjson::ondemand::parser parser;
    std::vector<float> numbers;
    for (auto _ : state) {
        simdjson::padded_string text;
        if (simdjson::padded_string::load(path).get(text)) {
            state.SkipWithError("read failed");
            break;
        }
        numbers.clear();
        simdjson::ondemand::document document;
        simdjson::ondemand::object root;
        if (parser.iterate(text).get(document) || document.get_object().get(root)) {
            state.SkipWithError("parse failed");
            break;
        }
        for (auto field : root) {
            std::string_view key;
            if (field.unescaped_key().get(key) || CollectNumbers(field.value(), numbers)) {
                state.SkipWithError("parse failed");
                break;
            }
        }
        benchmark::DoNotOptimize(numbers.data());
    }
    if (numbers.size() < size_t(4 * kDeltas))
        state.SkipWithError("numbers missing");
    state.SetItemsProcessed(state.iterations() * kDeltas);
    state.SetBytesProcessed(state.iterations() * FileSize(path));
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

BENCHMARK_CAPTURE(BM_SceneFileSave, deltas, false)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_SceneFileLoad, deltas, false)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_SimdjsonParse, deltas, false)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareJsonDump)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareJsonParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_SceneFileSave, mesh_and_deltas, true)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_SceneFileLoad, mesh_and_deltas, true)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_SimdjsonParse, mesh_and_deltas, true)->Unit(benchmark::kMillisecond)->MinTime(2.0);

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
