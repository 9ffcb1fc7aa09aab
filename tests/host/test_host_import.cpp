#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cmath>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "dzfacetmesh.h"
#include "dzmeshimport.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

namespace {

// Debian's assimp-testmodels.
QString const kModels = "/usr/share/assimp/models/";

std::unique_ptr<DzNode> importOrFail(QString const& path) {
    QString error;
    std::unique_ptr<DzNode> node(dzImportMesh(path, &error));
    EXPECT_TRUE(node) << error.toStdString();
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return node;
}

DzFacetMesh* meshOf(DzNode* node) {
    if (!node || !node->getObject() || !node->getObject()->getCurrentShape())
        return nullptr;
    return node->getObject()->getCurrentShape()->getGeometry();
}

DzVec3 facetNormal(DzFacetMesh const& mesh, DzFacet const& f) {
    DzVec3 sum;
    for (int k = 0, n = f.getNumCorners(); k < n; ++k)
        sum += mesh.getVertex(f.m_vertIdx[k]).cross(mesh.getVertex(f.m_vertIdx[(k + 1) % n]));
    return sum * 0.5f;  // area-weighted
}

void writeFile(QString const& path, std::string const& text) {
    std::ofstream(path.toStdString()) << text;
}

// Every edge has a facet on either side: the mesh is closed and joined at its seams.
void expectClosed(DzFacetMesh const& mesh) {
    for (int e = 0; e < mesh.getNumEdges(); ++e)
        EXPECT_GE(mesh.getEdge(e).m_facetIdx[1], 0) << "border edge " << e;
}

}  // namespace

// Counts read off the files: vertex and face lines, and for Wuson.off the distinct vertex lines (the file
// repeats positions along its texture seams; WusonOBJ.obj, the same model, lists 2117 vertices).
struct ModelCase {
    char const* file;
    char const* name;
    int vertices;
    int facets;
    int quads;
    bool closed;
};

void PrintTo(ModelCase const& c, std::ostream* os) {
    *os << c.file;
}

class HostImportModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(HostImportModel, ImportsWithTheFilesCounts) {
    ModelCase const& c = GetParam();
    auto node = importOrFail(kModels + c.file);
    DzFacetMesh* mesh = meshOf(node.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(node->getName(), c.name);
    EXPECT_EQ(mesh->getNumVertices(), c.vertices);
    EXPECT_EQ(mesh->getNumFacets(), c.facets);
    int quads = 0;
    for (int i = 0; i < mesh->getNumFacets(); ++i) {
        DzFacet const& f = mesh->getFacet(i);
        quads += f.isQuad();
        for (int k = 0; k < f.getNumCorners(); ++k) {
            EXPECT_GE(f.m_vertIdx[k], 0);
            EXPECT_LT(f.m_vertIdx[k], mesh->getNumVertices());
        }
    }
    EXPECT_EQ(quads, c.quads);
    // finalize() ran: edges and normals exist.
    EXPECT_GT(mesh->getNumEdges(), 0);
    EXPECT_EQ(mesh->getNumNormals(), mesh->getNumVertices());
    if (c.closed)
        expectClosed(*mesh);
    EXPECT_FALSE(mesh->isSubDivisionEnabled());
    // The object evaluates it.
    auto* cached = qobject_cast<DzFacetMesh*>(node->getObject()->getCachedGeom());
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->getNumFacets(), c.facets);
}

INSTANTIATE_TEST_SUITE_P(TestModels, HostImportModel,
                         ::testing::Values(ModelCase{"OBJ/box.obj", "box", 8, 6, 6, true},
                                           ModelCase{"OFF/Cube.off", "Cube", 8, 6, 6, true},
                                           ModelCase{"PLY/cube.ply", "cube", 8, 6, 6, true},
                                           // Four meshes, one per material, joined back into one closed cube.
                                           ModelCase{"OBJ/cube_usemtl.obj", "cube_usemtl", 8, 12, 0, true},
                                           // Points, lines and quads: only the quads are kept.
                                           ModelCase{"OBJ/testmixed.obj", "testmixed", 8, 6, 6, true},
                                           ModelCase{"OFF/Wuson.off", "Wuson", 2117, 3732, 0, false},
                                           ModelCase{"OBJ/WusonOBJ.obj", "WusonOBJ", 2117, 3732, 0, false}),
                         [](auto const& info) {
                             return QFileInfo(info.param.file).completeBaseName().toStdString();
                         });

TEST(HostImport, BoxKeepsItsQuadsAndPositions) {
    auto node = importOrFail(kModels + "OBJ/box.obj");
    DzFacetMesh* mesh = meshOf(node.get());
    ASSERT_TRUE(mesh);
    std::set<std::vector<float>> corners;
    for (int i = 0; i < mesh->getNumVertices(); ++i) {
        DzVec3 p = mesh->getVertex(i);
        corners.insert({p.m_x, p.m_y, p.m_z});
    }
    for (float x : {-0.5f, 0.5f})
        for (float y : {-0.5f, 0.5f})
            for (float z : {-0.5f, 0.5f}) EXPECT_TRUE(corners.count({x, y, z})) << x << " " << y << " " << z;
    // 6 quads joined at their corners: 12 edges; each facet faces away from the centre (the file winds them
    // so).
    EXPECT_EQ(mesh->getNumEdges(), 12);
    for (int i = 0; i < mesh->getNumFacets(); ++i) {
        DzFacet const& f = mesh->getFacet(i);
        DzVec3 centre;
        for (int k = 0; k < 4; ++k) centre += mesh->getVertex(f.m_vertIdx[k]) * 0.25f;
        EXPECT_GT(facetNormal(*mesh, f).dot(centre), 0) << "facet " << i;
    }
}

// The one 66-corner polygon of concave_polygon.obj (a ring around a hole, bridged by a doubled edge) becomes
// triangles that cover it exactly: all facing the polygon's way, their areas adding up to its area.
TEST(HostImport, ConcavePolygonIsTriangulatedWithoutFolds) {
    QString const path = kModels + "OBJ/concave_polygon.obj";
    std::vector<DzVec3> v;
    std::vector<int> ring;
    std::ifstream in(path.toStdString());
    for (std::string line; std::getline(in, line);) {
        std::istringstream s(line);
        std::string tag;
        s >> tag;
        if (tag == "v") {
            DzVec3 p;
            s >> p.m_x >> p.m_y >> p.m_z;
            v.push_back(p);
        } else if (tag == "f") {
            for (std::string corner; s >> corner;) ring.push_back(std::stoi(corner) - 1);
        }
    }
    ASSERT_EQ(v.size(), 64u);
    ASSERT_EQ(ring.size(), 66u);
    DzVec3 polygonArea;
    for (size_t k = 0; k < ring.size(); ++k)
        polygonArea += v[size_t(ring[k])].cross(v[size_t(ring[(k + 1) % ring.size()])]) * 0.5f;

    auto node = importOrFail(path);
    DzFacetMesh* mesh = meshOf(node.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->getNumVertices(), 64);
    ASSERT_EQ(mesh->getNumFacets(), 64);  // n - 2 triangles
    DzVec3 const axis = polygonArea.normalized();
    double sum = 0;
    for (int i = 0; i < mesh->getNumFacets(); ++i) {
        DzFacet const& f = mesh->getFacet(i);
        EXPECT_FALSE(f.isQuad());
        double a = facetNormal(*mesh, f).dot(axis);
        EXPECT_GT(a, 0) << "triangle " << i << " is folded over";
        sum += a;
    }
    EXPECT_NEAR(sum, polygonArea.length(), 1e-4 * polygonArea.length());
}

TEST(HostImport, LargerPolygonsBecomeQuadFansOrTriangles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A convex hexagon, a convex heptagon and a concave pentagon (a notch at its fourth corner).
    QString const path = dir.filePath("polygons.obj");
    std::ostringstream obj;
    for (int n : {6, 7}) {
        for (int k = 0; k < n; ++k) {
            double a = 2 * M_PI * k / n;
            obj << "v " << std::cos(a) + (n == 7 ? 3 : 0) << " " << std::sin(a) << " 0\n";
        }
    }
    obj << "v 0 5 0\nv 2 5 0\nv 2 7 0\nv 1 6 0\nv 0 7 0\n";
    obj << "f 1 2 3 4 5 6\nf 7 8 9 10 11 12 13\nf 14 15 16 17 18\n";
    writeFile(path, obj.str());

    auto node = importOrFail(path);
    DzFacetMesh* mesh = meshOf(node.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->getNumVertices(), 18);
    // Hexagon: two quads from its first corner; heptagon: two quads and a closing triangle; pentagon: three
    // triangles.
    ASSERT_EQ(mesh->getNumFacets(), 2 + 3 + 3);
    std::vector<int> corners;
    double pentagonArea = 0;
    for (int i = 0; i < mesh->getNumFacets(); ++i) {
        DzFacet const& f = mesh->getFacet(i);
        corners.push_back(f.getNumCorners());
        double a = facetNormal(*mesh, f).m_z;
        EXPECT_GT(a, 0) << "facet " << i;
        if (i >= 5)
            pentagonArea += a;
    }
    EXPECT_EQ(corners, (std::vector<int>{4, 4, 4, 4, 3, 3, 3, 3}));
    // The fans start at the polygon's first corner.
    EXPECT_EQ(mesh->getFacet(0).m_vertIdx[0], mesh->getFacet(1).m_vertIdx[0]);
    EXPECT_EQ(mesh->getFacet(2).m_vertIdx[0], mesh->getFacet(4).m_vertIdx[0]);
    EXPECT_NEAR(pentagonArea, 3.0, 1e-5);  // 2 x 2 square less the notch's 1
}

TEST(HostImport, CornersAtOnePositionCollapse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString const path = dir.filePath("collapse.obj");
    // The quad's second and third corners lie at one position: a triangle. The sliver triangle collapses to a
    // line (-0 joins 0) and is dropped.
    writeFile(path, "v 0 0 0\nv 1 0 0\nv 1 0 0\nv 0 1 0\nv -0 -0 0\nf 1 2 3 4\nf 1 2 5\n");
    auto node = importOrFail(path);
    DzFacetMesh* mesh = meshOf(node.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->getNumVertices(), 3);
    ASSERT_EQ(mesh->getNumFacets(), 1);
    EXPECT_FALSE(mesh->getFacet(0).isQuad());
}

// Node transforms place each instance; a mirroring one keeps the facets facing their way.
TEST(HostImport, SceneNodeTransformsAreApplied) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString const path = dir.filePath("instances.dae");
    writeFile(path, R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><unit name="meter" meter="1"/><up_axis>Y_UP</up_axis></asset>
  <library_geometries>
    <geometry id="quad" name="quad"><mesh>
      <source id="pos">
        <float_array id="pos-array" count="12">0 0 0 1 0 0 1 1 0 0 1 0</float_array>
        <technique_common><accessor source="#pos-array" count="4" stride="3">
          <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
        </accessor></technique_common>
      </source>
      <vertices id="vtx"><input semantic="POSITION" source="#pos"/></vertices>
      <polylist count="1"><input semantic="VERTEX" source="#vtx" offset="0"/><vcount>4</vcount><p>0 1 2 3</p></polylist>
    </mesh></geometry>
  </library_geometries>
  <library_visual_scenes><visual_scene id="scene">
    <node id="a" name="a"><instance_geometry url="#quad"/></node>
    <node id="b" name="b"><translate>5 0 0</translate><scale>-1 1 1</scale><instance_geometry url="#quad"/>
      <node id="c" name="c"><translate>0 0 2</translate><instance_geometry url="#quad"/></node>
    </node>
  </visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)");
    auto node = importOrFail(path);
    DzFacetMesh* mesh = meshOf(node.get());
    ASSERT_TRUE(mesh);
    EXPECT_EQ(node->getName(), "instances");
    ASSERT_EQ(mesh->getNumVertices(), 12);
    ASSERT_EQ(mesh->getNumFacets(), 3);
    std::set<std::vector<float>> positions;
    for (int i = 0; i < mesh->getNumVertices(); ++i) {
        DzVec3 p = mesh->getVertex(i);
        positions.insert({p.m_x, p.m_y, p.m_z});
    }
    std::set<std::vector<float>> expected;
    for (float y : {0.f, 1.f}) {
        for (float x : {0.f, 1.f}) expected.insert({x, y, 0});  // a
        for (float x : {5.f, 4.f}) {
            expected.insert({x, y, 0});  // b: mirrored about x = 0, then moved by 5
            expected.insert({x, y, 2});  // c: inside b, moved by 2 along z first
        }
    }
    EXPECT_EQ(positions, expected);
    for (int i = 0; i < mesh->getNumFacets(); ++i) {
        DzFacet const& f = mesh->getFacet(i);
        EXPECT_TRUE(f.isQuad());
        EXPECT_NEAR(facetNormal(*mesh, f).m_z, 1.0f, 1e-6f) << "facet " << i;
    }
}

struct ErrorCase {
    char const* label;
    QString path;
    QString reason;
};

TEST(HostImport, FailuresNameTheFileAndTheReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString const lines = kModels + "OBJ/testline.obj";
    ErrorCase const cases[] = {
        {"missing", dir.filePath("nothing.obj"), "the file does not exist"},
        {"folder", dir.path(), "it is not a file"},
        {"empty", kModels + "invalid/empty.obj", "OBJ-file is too small."},
        {"bad index", kModels + "invalid/malformed.obj", "OBJ: Invalid face index."},
        {"not a model", kModels + "invalid/readme.txt",
         "No suitable reader found for the file format of file \"" + kModels + "invalid/readme.txt\"."},
        {"only lines", lines, "it holds no polygons"},
    };
    for (ErrorCase const& c : cases) {
        QString error;
        std::unique_ptr<DzNode> node(dzImportMesh(c.path, &error));
        EXPECT_FALSE(node) << c.label;
        EXPECT_EQ(error.toStdString(),
                  QString("Could not import the mesh file \"%1\": %2").arg(c.path, c.reason).toStdString())
            << c.label;
    }
    // Without an error string the failure is still a null node.
    EXPECT_EQ(dzImportMesh(dir.filePath("nothing.obj")), nullptr);
}

TEST(HostImport, UnreadableFileIsRefused) {
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString const path = dir.filePath("locked.obj");
    ASSERT_TRUE(QFile::copy(kModels + "OBJ/box.obj", path));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    QString error;
    std::unique_ptr<DzNode> node(dzImportMesh(path, &error));
    EXPECT_FALSE(node);
    EXPECT_EQ(error, QString("Could not import the mesh file \"%1\": the file cannot be read").arg(path));
}

// A header that declares more than the file can hold is refused before a reader trusts its counts (the
// 309-byte OutOfMemory.off asks for 353 billion vertices).
TEST(HostImport, HeadersThatDeclareMoreThanTheFileHoldsAreRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto binaryPly = [](char const* format, char const* vertices, std::string const& body) {
        return "ply\nformat " + std::string(format) + " 1.0\nelement vertex " + vertices +
               "\nproperty float x\nproperty float y\nproperty float z\nelement face 1\n"
               "property list uchar uint vertex_indices\nend_header\n" +
               body;
    };
    struct Case {
        char const* file;
        std::string text;  // empty: a file of assimp-testmodels
        QString reason;
    };
    Case const cases[] = {
        {"invalid/OutOfMemory.off", "",
         "its header declares 353535235358 vertices and 6 faces, which need at least 2121211412159 bytes, "
         "but only "
         "291 follow it"},
        {"comments.off", "# made by hand\nCOFF\n# counts\n1000 1 0\n0 0 0\n3 0 0 0\n",
         "its header declares 1000 vertices and 1 face, which need at least 6001 bytes, but only 17 follow "
         "it"},
        {"huge.off", "OFF 99999999999999999999999999999999999 1\n0 0 0\n",
         "its header declares 99999999999999999999999999999999999 vertices and 1 face, which no file can "
         "hold"},
        {"four.off", "4OFF\n2 0\n0 0 0 0\n",
         "its header declares 2 vertices and 0 faces, which need at least 11 "
         "bytes, but only 9 follow it"},
        {"text.ply",
         "ply\nformat ascii 1.0\nelement vertex 1000000\nproperty float x\nproperty float y\nproperty float "
         "z\n"
         "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n3 0 0 0\n",
         "its header declares 1000000 \u201Cvertex\u201D and 1 \u201Cface\u201D elements, which need at "
         "least "
         "6000001 bytes, but only 14 follow it"},
        {"little.ply", binaryPly("binary_little_endian", "100", std::string(13, '\0')),
         "its header declares 100 \u201Cvertex\u201D and 1 \u201Cface\u201D elements, which need at least "
         "1201 "
         "bytes, but only 13 follow it"},
        {"big.ply", binaryPly("binary_big_endian", "4294967295", std::string(64, '\0')),
         "its header declares 4294967295 \u201Cvertex\u201D and 1 \u201Cface\u201D elements, which need at "
         "least "
         "51539607541 bytes, but only 64 follow it"},
    };
    for (Case const& c : cases) {
        QString path = kModels + c.file;
        if (!c.text.empty()) {
            path = dir.filePath(c.file);
            writeFile(path, c.text);
        }
        QString error;
        std::unique_ptr<DzNode> node(dzImportMesh(path, &error));
        EXPECT_FALSE(node) << c.file;
        EXPECT_EQ(error.toStdString(),
                  QString("Could not import the mesh file \"%1\": %2").arg(path, c.reason).toStdString());
    }
}

// Small files that hold what their headers declare pass the check (the text PLY ends without a line end).
TEST(HostImport, HeadersThatFitTheFileAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::string binary =
        "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
        "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n";
    float const xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    binary.append(reinterpret_cast<char const*>(xyz), sizeof xyz);
    binary += '\3';
    int32_t const corners[3] = {0, 1, 2};
    binary.append(reinterpret_cast<char const*>(corners), sizeof corners);
    struct Case {
        char const* file;
        std::string text;
    };
    Case const cases[] = {
        {"tight.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"},
        {"tight.ply",
         "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
         "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2"},
        {"binary.ply", binary},
    };
    for (Case const& c : cases) {
        QString const path = dir.filePath(c.file);
        writeFile(path, c.text);
        auto node = importOrFail(path);
        DzFacetMesh* mesh = meshOf(node.get());
        ASSERT_TRUE(mesh) << c.file;
        EXPECT_EQ(mesh->getNumVertices(), 3) << c.file;
        EXPECT_EQ(mesh->getNumFacets(), 1) << c.file;
    }
}

// A format whose counts are not checked beforehand: the X file's mesh declares two billion vertices, which
// its reader would make room for (24 GB) before reading one. The import's memory budget stops it. The
// sanitizers' allocators abort instead of throwing, so the budget is off under them.
TEST(HostImport, AnImportThatWouldTakeTheMachineIsStopped) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "no import budget under the sanitizers";
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString const path = dir.filePath("huge.x");
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
    writeFile(
        path,
        "xof 0303txt 0032\nMesh m {\n 2000000000;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n"
        " 3;0,1,2;;\n}\n");
    QString error;
    std::unique_ptr<DzNode> node(dzImportMesh(path, &error));
    EXPECT_FALSE(node);
    EXPECT_EQ(error,
              QString("Could not import the mesh file \"%1\": reading it needs more memory than an import "
                      "of this file may take (2048 MB)")
                  .arg(path));
    // The process's own limit is back.
    rlimit after{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &after), 0);
    EXPECT_EQ(after.rlim_cur, before.rlim_cur);
}
