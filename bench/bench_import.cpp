// Opening a mesh file of 1,000,000 vertices (a 1000 x 1000 grid of quads) as pfhost does: from the file to a
// finalized facet mesh. PLY written binary and as text. Peak memory: run one of them under /usr/bin/time -v,
// e.g. bench_import --benchmark_filter=Binary.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dzmeshimport.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

namespace {

int const kSide = 1000;

QTemporaryDir* g_pDir = nullptr;

// A gently waved grid, so that no two vertices share a position.
void Position(int i, int j, float* p) {
    p[0] = float(i) * 0.01f;
    p[1] = float(j) * 0.01f;
    p[2] = 0.001f * float((i * 7 + j * 13) % 97);
}

QString WriteGrid(bool binary) {
    QString const path = g_pDir->filePath(binary ? "grid-binary.ply" : "grid-ascii.ply");
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
    int const faces = (kSide - 1) * (kSide - 1);
    std::fprintf(
        f,
        "ply\nformat %s 1.0\nelement vertex %d\nproperty float x\nproperty float y\nproperty float z\n"
        "element face %d\nproperty list uchar int vertex_indices\nend_header\n",
        binary ? "binary_little_endian" : "ascii", kSide * kSide, faces);
    float p[3];
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            Position(i, j, p);
            if (binary)
                std::fwrite(p, sizeof p, 1, f);
            else
                std::fprintf(f, "%.9g %.9g %.9g\n", double(p[0]), double(p[1]), double(p[2]));
        }
    for (int j = 0; j + 1 < kSide; ++j)
        for (int i = 0; i + 1 < kSide; ++i) {
            int32_t const q[4] = {j * kSide + i, j * kSide + i + 1, (j + 1) * kSide + i + 1,
                                  (j + 1) * kSide + i};
            if (binary) {
                unsigned char const n = 4;
                std::fwrite(&n, 1, 1, f);
                std::fwrite(q, sizeof q, 1, f);
            } else {
                std::fprintf(f, "4 %d %d %d %d\n", q[0], q[1], q[2], q[3]);
            }
        }
    std::fclose(f);
    return path;
}

void Open(benchmark::State& state, bool binary) {
    QString const path = WriteGrid(binary);
    for (auto _ : state) {
        QString error;
        std::unique_ptr<DzNode> node(dzImportMesh(path, &error));
        if (!node) {
            state.SkipWithError(error.toLocal8Bit().constData());
            break;
        }
        DzFacetMesh* mesh = node->getObject()->getCurrentShape()->getGeometry();
        if (mesh->getNumVertices() != kSide * kSide)
            state.SkipWithError("the grid lost vertices");
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_OpenPlyBinary(benchmark::State& state) {
    Open(state, true);
}

void BM_OpenPlyAscii(benchmark::State& state) {
    Open(state, false);
}

}  // namespace

BENCHMARK(BM_OpenPlyBinary)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenPlyAscii)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    DzApp app;
    QTemporaryDir dir;
    g_pDir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
