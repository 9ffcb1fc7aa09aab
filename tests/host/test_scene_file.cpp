#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <nlohmann/json.hpp>

#include "dzapp.h"
#include "dzassetjsonitem.h"
#include "dzclassfactory.h"
#include "dzextramodifierio.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzkeptmodifier.h"
#include "dzlegacybinding.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzskinbinding.h"
#include "idzjsonio.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t bitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float floatOf(uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

void expectSameBits(DzVec3 const& a, DzVec3 const& b) {
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(bitsOf(a[k]), bitsOf(b[k])) << "component " << k << ": " << a[k] << " vs " << b[k];
}

QByteArray readFile(QString const& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(QString const& path, QByteArray const& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// A modifier of no host kind and no IO class.
class PlainModifier : public DzModifier {
    Q_OBJECT
public:
    int apply(DzVertexMesh&, DzNode&) override { return 0; }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
};

// What a test IO class saw, in order.
QStringList g_calls;

// Records every event the reader hands it; nested arrays are recorded too, nested objects go to the default.
class RecordingItem : public DzAssetJsonObject {
public:
    explicit RecordingItem(DzAssetFile* file, QString prefix) : DzAssetJsonObject(file), m_prefix(prefix) {}
    DzAssetJsonItem* startMemberArray(QString const& name) override {
        g_calls << m_prefix + "array " + name;
        return new RecordingItem(getFile(), m_prefix + "  ");
    }
    DzAssetJsonItem* startMemberObject(QString const& name) override {
        g_calls << m_prefix + "object " + name;
        return DzAssetJsonObject::startMemberObject(name);
    }
    bool addMember(QString const& name, double v) override {
        g_calls << m_prefix + QString("number %1=%2").arg(name).arg(v, 0, 'g', 17);
        return true;
    }
    bool addStringMember(QString const& name, QString const& v) override {
        g_calls << m_prefix + QString("text %1=%2").arg(name, v);
        return true;
    }
    bool addBoolMember(QString const& name, bool v) override {
        g_calls << m_prefix + QString("bool %1=%2").arg(name).arg(v);
        return true;
    }
    DzAssetJsonItem* startArray() override {
        g_calls << m_prefix + "array";
        return new RecordingItem(getFile(), m_prefix + "  ");
    }
    bool addItem(double v) override {
        g_calls << m_prefix + QString("number %1").arg(v, 0, 'g', 17);
        return true;
    }
    bool addStringItem(QString const& v) override {
        g_calls << m_prefix + "text " + v;
        return true;
    }
    bool finish() override {
        g_calls << m_prefix + "end";
        return true;
    }

private:
    QString m_prefix;
};

class RecordedModifier : public DzModifier {
    Q_OBJECT
public:
    int apply(DzVertexMesh&, DzNode&) override { return 0; }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
    bool write = true;
    int writeResult = 0;
};

class RecordingIO : public DzExtraModifierIO {
    Q_OBJECT
public:
    int writeExtraDefinition(QObject* o, IDzJsonIO* io, DzFileIOSettings const*) const override {
        g_calls << "writeExtraDefinition";
        io->addMember("int", 7);
        io->addMember("float", 0.1f);
        io->addMember("double", 0.1);
        io->addMember("flag", true);
        io->addMember("text", "a \"quoted\"\n\\ line");
        io->startMemberObject("skipped", false);
        io->addMember("inner", 1);
        io->finishObject();
        io->startMemberArray("list", false);
        io->addItem(1);
        io->addItem("two");
        io->addItem(false);
        io->startArray(false);
        io->addItem(2.5);
        io->finishArray();
        io->startObject(false);
        io->finishObject();
        io->finishArray();
        return static_cast<RecordedModifier*>(o)->writeResult;
    }
    int writeExtraInstance(QObject*, IDzJsonIO* io, DzFileIOSettings const*) const override {
        g_calls << "writeExtraInstance";
        io->addMember("instance", 1);
        return 0;
    }
    DzAssetJsonItem* startDefinitionRead(DzAssetJsonItem* item) override {
        g_calls << "startDefinitionRead";
        return new RecordingItem(item->getFile(), "  ");
    }
    DzAssetJsonItem* startInstanceRead(DzAssetJsonItem* item) override {
        g_calls << "startInstanceRead";
        return new RecordingItem(item->getFile(), "  ");
    }
    int applyDefinitionToObject(QObject*, DzFileIOSettings const*) const override {
        g_calls << "applyDefinitionToObject";
        return 0;
    }
    int applyInstanceToObject(QObject*, DzFileIOSettings const*) const override {
        g_calls << "applyInstanceToObject";
        return 0;
    }
    int resolveInstance(QObject*, DzFileIOSettings const*) const override {
        g_calls << "resolveInstance";
        return 0;
    }
    int finalizeInstance(QObject*, DzFileIOSettings const*) const override {
        g_calls << "finalizeInstance";
        return 0;
    }
    bool shouldWrite(QObject* o, DzFileIOSettings const*) const override {
        g_calls << "shouldWrite";
        return static_cast<RecordedModifier*>(o)->write;
    }
    DzModifier* createModifier(QString const& name, DzObject* object) const override {
        g_calls << "createModifier " + name;
        auto* m = new RecordedModifier;
        m->setName("made by the IO class");
        object->addModifier(m);
        return m;
    }
};

struct SceneFile : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        scene = dzScene;
        scene->clear();
        dzApp->clearLog();
        g_calls.clear();
    }
    void TearDown() override { scene->clear(); }

    QString path(QString const& name = "scene.json") const { return dir.filePath(name); }

    // Saves the scene, clears it and loads the file back.
    void roundTrip() {
        QString error;
        ASSERT_TRUE(scene->saveScene(path(), &error)) << error.toStdString();
        scene->clear();
        ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    }

    bool logHas(QString const& fragment) const {
        for (QString const& line : dzApp->getLogLines())
            if (line.contains(fragment))
                return true;
        return false;
    }

    QTemporaryDir dir;
    DzScene* scene = nullptr;
};

}  // namespace

TEST_F(SceneFile, NodesTransformsGeometryAndHostModifiersSurviveSaveAndLoad) {
    DzFacetMesh* cube = dztest::makeCube(2);
    cube->getFacetFlagsPtr()[3] = DZ_FACET_HIDDEN;
    cube->addFacet(0, 1, 2);  // a triangle too
    cube->finalize();
    DzNode* a = dztest::makeNode("Cube", cube);
    a->setLabel("The Cube");
    a->setOrigin({0.25f, -1.5f, 3.0f});
    a->setLocalPos({1.0f / 3.0f, 2e-30f, -7.0f});
    a->setLocalRot(DzQuat(DzVec3(1, 2, 3).normalized(), 0.7f));
    a->setLocalScale({1.0f, 2.5f, 0.1f});
    DzObject* obj = a->getObject();
    obj->setLabel("Cube object");
    obj->getCurrentShape()->setSubdivisionLevel(2);

    auto* deltas = new DzMorphDeltas;
    deltas->setUri(DzUri("/data/cube/morphs/bulge.dsf#bulge"));
    deltas->addDelta(5, {0.1f, -0.2f, 0.3f}, false, 0);
    deltas->addDelta(1, {1e-20f, 0, -0.0f}, false, 0);
    auto* morph = new DzMorph(deltas);
    morph->setName("Bulge");
    morph->setLabel("Bulge it");
    DzFloatProperty* p = morph->getValueProperty();
    p->setName("Bulge");
    p->setMinMax(0.0f, 1.0f);
    p->setIsClamped(true);
    p->setDisplayAsPercent(true);
    p->setValue(0.37f);
    p->setFavorite(true);
    p->setPath("Morphs/Shape");
    obj->addModifier(morph);
    auto* skin = new DzSkinBinding;
    skin->setPose(DzMatrix3::translation({0, 1, 0}) * DzMatrix3::rotation(DzQuat({0, 0, 1}, 0.3f)));
    obj->addModifier(skin);
    auto* legacy = new DzLegacyBinding;
    legacy->setName("Old binding");
    obj->addModifier(legacy);
    auto* empty = new DzMorph;  // a morph without a delta set
    empty->setName("Empty");
    obj->addModifier(empty);
    scene->addNode(a);
    scene->addNode(new DzNode);  // no object
    scene->getNode(1)->setName("Null");

    std::vector<DzVec3> before;
    auto* evaluated = static_cast<DzFacetMesh*>(obj->getCachedGeom());
    for (int i = 0; i < evaluated->getNumVertices(); ++i) before.push_back(evaluated->getVertex(i));

    roundTrip();

    ASSERT_EQ(scene->getNumNodes(), 2);
    DzNode* b = scene->getNode(0);
    EXPECT_EQ(b->getName(), "Cube");
    EXPECT_EQ(b->getLabel(), "The Cube");
    expectSameBits(b->getOrigin(), {0.25f, -1.5f, 3.0f});
    expectSameBits(b->getLocalPos(), {1.0f / 3.0f, 2e-30f, -7.0f});
    DzQuat q(DzVec3(1, 2, 3).normalized(), 0.7f);
    EXPECT_EQ(b->getLocalRot().m_w, q.m_w);
    EXPECT_EQ(b->getLocalRot().m_x, q.m_x);
    EXPECT_EQ(b->getLocalRot().m_z, q.m_z);
    expectSameBits(b->getLocalScale(), {1.0f, 2.5f, 0.1f});
    EXPECT_EQ(scene->getNode(1)->getName(), "Null");
    EXPECT_EQ(scene->getNode(1)->getObject(), nullptr);

    DzObject* o = b->getObject();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->getName(), "Cube_object");
    EXPECT_EQ(o->getLabel(), "Cube object");
    DzShape* shape = o->getCurrentShape();
    EXPECT_EQ(shape->getSubdivisionLevel(), 2);
    DzFacetMesh const* mesh = shape->getGeometry();
    DzFacetMesh* reference = dztest::makeCube(2);
    reference->addFacet(0, 1, 2);
    reference->finalize();
    ASSERT_EQ(mesh->getNumVertices(), reference->getNumVertices());
    ASSERT_EQ(mesh->getNumFacets(), reference->getNumFacets());
    for (int i = 0; i < mesh->getNumVertices(); ++i)
        expectSameBits(mesh->getVertex(i), reference->getVertex(i));
    for (int i = 0; i < mesh->getNumFacets(); ++i) {
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(mesh->getFacet(i).m_vertIdx[k], reference->getFacet(i).m_vertIdx[k]);
        EXPECT_EQ(mesh->getFacetFlagsPtr()[i], i == 3 ? DZ_FACET_HIDDEN : 0);
    }
    EXPECT_EQ(mesh->getNumEdges(), reference->getNumEdges());
    delete reference;

    ASSERT_EQ(o->getNumModifiers(), 4);
    auto* m = qobject_cast<DzMorph*>(o->getModifier(0));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getName(), "Bulge");
    EXPECT_EQ(m->getLabel(), "Bulge it");
    ASSERT_EQ(m->getNumProperties(), 1);
    DzFloatProperty* mp = m->getValueProperty();
    EXPECT_EQ(mp->getName(), "Bulge");
    EXPECT_EQ(float(mp->getValue()), 0.37f);
    EXPECT_EQ(mp->getMin(), 0.0f);
    EXPECT_EQ(mp->getMax(), 1.0f);
    EXPECT_TRUE(mp->isClamped());
    EXPECT_TRUE(mp->getDisplayAsPercent());
    EXPECT_TRUE(mp->isFavorite());
    EXPECT_EQ(mp->getPath(), "Morphs/Shape");
    ASSERT_NE(m->getDeltas(), nullptr);
    EXPECT_EQ(m->getDeltas()->getUri().toString(), "/data/cube/morphs/bulge.dsf#bulge");
    ASSERT_EQ(m->getDeltas()->getNumDeltas(), 2);
    EXPECT_EQ(m->getDeltas()->getDeltaIndex(0), 5);
    EXPECT_EQ(m->getDeltas()->getDeltaIndex(1), 1);
    expectSameBits(m->getDeltas()->getDelta(1), {1e-20f, 0, -0.0f});
    ASSERT_TRUE(o->getModifier(1)->inherits("DzSkinBinding"));
    EXPECT_EQ(o->getModifier(1)->getName(), "SkinBinding");
    ASSERT_TRUE(o->getModifier(2)->inherits("DzLegacyBinding"));
    EXPECT_EQ(o->getModifier(2)->getName(), "Old binding");
    auto* empty2 = qobject_cast<DzMorph*>(o->getModifier(3));
    ASSERT_NE(empty2, nullptr);
    EXPECT_EQ(empty2->getDeltas(), nullptr);

    // The same modifiers in the same order on the same mesh: the same world-space result, bit for bit.
    auto* after = static_cast<DzFacetMesh*>(o->getCachedGeom());
    ASSERT_EQ(size_t(after->getNumVertices()), before.size());
    for (size_t i = 0; i < before.size(); ++i) expectSameBits(after->getVertex(int(i)), before[i]);
}

TEST_F(SceneFile, FloatsReadBackBitExact) {
    // Including 7.038531e-26, whose shortest text reads back as another float when parsed through a double.
    uint32_t const patterns[] = {0x00000000u, 0x80000000u, 0x00000001u, 0x80000001u, 0x007fffffu, 0x00800000u,
                                 0x7f7fffffu, 0xff7fffffu, 0x3dcccccdu, 0x3eaaaaabu, 0x15ae43fdu, 0x95ae43fdu,
                                 0x4b800001u, 0x5f000000u, 0x7e967699u, 0x3f800000u};
    auto* mesh = new DzFacetMesh;
    size_t const n = sizeof patterns / sizeof patterns[0];
    for (size_t i = 0; i < n; i += 3)
        mesh->addVertex(
            DzVec3(floatOf(patterns[i % n]), floatOf(patterns[(i + 1) % n]), floatOf(patterns[(i + 2) % n])));
    // And floats of every magnitude, enough for a file of several buffers whose numbers are written in
    // ranges on several threads.
    std::mt19937 random(15);
    auto anyFloat = [&random] {
        float f = 0;
        do f = floatOf(uint32_t(random()));
        while (!std::isfinite(f));
        return f;
    };
    for (int i = 0; i < 100000; ++i) mesh->addVertex(DzVec3(anyFloat(), anyFloat(), anyFloat()));
    mesh->finalize();
    scene->addNode(dztest::makeNode("Floats", mesh));
    std::vector<DzVec3> before;
    for (int i = 0; i < mesh->getNumVertices(); ++i) before.push_back(mesh->getVertex(i));

    roundTrip();

    DzFacetMesh const* back = scene->getNode(0)->getObject()->getCurrentShape()->getGeometry();
    ASSERT_EQ(size_t(back->getNumVertices()), before.size());
    for (size_t i = 0; i < before.size(); ++i) expectSameBits(back->getVertex(int(i)), before[i]);
}

TEST_F(SceneFile, IOClassesWriteAndReadTheirOwnDataInTheHostsOrder) {
    DzPlugin plugin("recording");
    DzTClassFactory<RecordingIO> factory(DzGuid::fromString("{00000000-0000-0000-0000-00000000a001}"));
    plugin.addClassFactory(&factory);
    plugin.addIOClassRegistration("test/modifier/recorded", &RecordingIO::staticMetaObject,
                                  &RecordedModifier::staticMetaObject);
    DzNode* node = dztest::makeNode("Grid", dztest::makeGrid(1, 1));
    auto* first = new DzMorph;
    first->setName("First");
    node->getObject()->addModifier(first);
    auto* recorded = new RecordedModifier;
    recorded->setName("Recorded");
    recorded->setLabel("Recorded label");
    node->getObject()->addModifier(recorded);
    auto* last = new DzSkinBinding;
    node->getObject()->addModifier(last);
    scene->addNode(node);

    QString error;
    ASSERT_TRUE(scene->saveScene(path(), &error)) << error.toStdString();
    EXPECT_EQ(g_calls, QStringList({"shouldWrite", "writeExtraDefinition", "writeExtraInstance"}));
    auto json = nlohmann::json::parse(readFile(path()).toStdString());
    auto const& saved = json["nodes"][0]["object"]["modifiers"][1];
    EXPECT_EQ(saved["type"], "test/modifier/recorded");
    EXPECT_EQ(saved["extra"]["text"], "a \"quoted\"\n\\ line");
    EXPECT_EQ(saved["extra"]["list"].dump(), R"([1,"two",false,[2.5],{}])");

    g_calls.clear();
    scene->clear();
    ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    // Integers arrive as doubles; the object the handler does not take is skipped whole.
    QStringList const expected = {"createModifier Recorded",
                                  "startDefinitionRead",
                                  "  number int=7",
                                  "  number float=0.10000000000000001",
                                  "  number double=0.10000000000000001",
                                  "  bool flag=1",
                                  "  text text=a \"quoted\"\n\\ line",
                                  "  object skipped",
                                  "  array list",
                                  "    number 1",
                                  "    text two",
                                  "    array",
                                  "      number 2.5",
                                  "      end",
                                  "    end",
                                  "  end",
                                  "startInstanceRead",
                                  "  number instance=1",
                                  "  end",
                                  "applyDefinitionToObject",
                                  "applyInstanceToObject",
                                  "resolveInstance",
                                  "finalizeInstance"};
    EXPECT_EQ(g_calls, expected);
    DzObject* o = scene->getNode(0)->getObject();
    ASSERT_EQ(o->getNumModifiers(), 3);
    EXPECT_EQ(o->getModifier(0)->getName(), "First");
    ASSERT_NE(qobject_cast<RecordedModifier*>(o->getModifier(1)), nullptr);
    EXPECT_EQ(o->getModifier(1)->getName(), "made by the IO class");
    EXPECT_EQ(o->getModifier(1)->getLabel(), "Recorded label");
    EXPECT_TRUE(o->getModifier(2)->inherits("DzSkinBinding"));

    // shouldWrite false: nothing of the modifier is written.
    static_cast<RecordedModifier*>(o->getModifier(1))->write = false;
    g_calls.clear();
    roundTrip();
    EXPECT_EQ(g_calls, QStringList({"shouldWrite"}));
    EXPECT_EQ(scene->getNode(0)->getObject()->getNumModifiers(), 2);
}

TEST_F(SceneFile, ModifiersWithoutAFileFormOrIOClassAreLeftOutWithAWarning) {
    DzNode* node = dztest::makeNode("Grid", dztest::makeGrid(1, 1));
    auto* plain = new PlainModifier;
    plain->setName("Plain");
    node->getObject()->addModifier(plain);
    node->getObject()->addModifier(new DzSkinBinding);
    scene->addNode(node);
    {
        DzPlugin plugin("recording");  // registered, but no factory makes the IO class
        plugin.addIOClassRegistration("test/modifier/recorded", &RecordingIO::staticMetaObject,
                                      &RecordedModifier::staticMetaObject);
        auto* recorded = new RecordedModifier;
        recorded->setName("Recorded");
        node->getObject()->addModifier(recorded);
        roundTrip();
    }
    EXPECT_TRUE(logHas("modifier \"Plain\" of class PlainModifier was not saved"));
    EXPECT_TRUE(logHas("no class factory makes its IO class RecordingIO"));
    ASSERT_EQ(scene->getNode(0)->getObject()->getNumModifiers(), 1);
}

// A modifier whose type no IO class reads (its plug-in missing) keeps its data in its place through any
// number of saves; a load with the IO class registered then reads it as if it had never been away.
TEST_F(SceneFile, AModifierNobodyReadsIsKeptVerbatimAndReadLaterByItsIOClass) {
    // Every kind of JSON value, texts that need escapes, numbers a float or a double cannot hold exactly.
    std::string const data =
        R"({"name": "Recorded", "type": "test/modifier/recorded", "label": "Lab\"el",
            "extra": {"int": 7, "big": 18446744073709551615, "neg": -9223372036854775808,
                      "float": 0.1, "huge": 1e300, "tiny": 4.9e-324, "exp": 1E+2, "negzero": -0.0,
                      "text": "a \"q\"\n\\ \u0001 \u00e9\u4e2d", "flag": true, "off": false,
                      "nothing": null, "list": [1, "two", [2.5, []], {}, {"x": [null]}]},
            "instance": {"instance": 1}})";
    writeFile(path("in.json"), QByteArray::fromStdString(R"({"file_version": 1, "nodes": [{"name": "N",
        "object": {"shape": {"vertices": [[0,0,0],[1,0,0],[0,1,0]], "facets": [[0,1,2]]},
                   "modifiers": [{"type": "host/morph", "name": "First"}, )" +
                                                         data + R"(, {"type": "host/skin_binding"}]}}]})"));
    QString error;
    ASSERT_TRUE(scene->loadScene(path("in.json"), &error)) << error.toStdString();
    DzObject* o = scene->getNode(0)->getObject();
    ASSERT_EQ(o->getNumModifiers(), 3);
    auto* kept = qobject_cast<DzKeptModifier*>(o->getModifier(1));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->getType(), "test/modifier/recorded");
    EXPECT_EQ(kept->getName(), "Recorded");
    EXPECT_EQ(kept->getLabel(), "Lab\"el");
    QString const notice =
        QString(
            "scene file \"%1\": a modifier of type \"test/modifier/recorded\" is kept but not applied: no "
            "loaded plug-in reads it. Saving the scene keeps its data, so the plug-in that made it finds "
            "it again.")
            .arg(path("in.json"));
    EXPECT_EQ(scene->getLoadNotice(), notice);
    EXPECT_EQ(dzApp->getLogLines().filter(notice).size(), 1);
    EXPECT_TRUE(
        logHas("a modifier of type \"test/modifier/recorded\" is kept but not applied: no IO class "
               "is registered for its type"));
    // It applies nothing.
    DzFacetMesh const* base = o->getCurrentShape()->getGeometry();
    auto* evaluated = static_cast<DzFacetMesh*>(o->getCachedGeom());
    for (int i = 0; i < 3; ++i) expectSameBits(evaluated->getVertex(i), base->getVertex(i));

    // Saved, loaded and saved again: the same value in the same place, and the same file.
    roundTrip();
    QByteArray const first = readFile(path());
    roundTrip();
    EXPECT_EQ(readFile(path()), first);
    auto const saved = nlohmann::json::parse(first.toStdString())["nodes"][0]["object"]["modifiers"];
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[1], nlohmann::json::parse(data));
    EXPECT_EQ(saved[1]["extra"]["big"].get<uint64_t>(), UINT64_MAX);
    EXPECT_EQ(saved[1]["extra"]["neg"].get<int64_t>(), INT64_MIN);
    EXPECT_TRUE(std::signbit(saved[1]["extra"]["negzero"].get<double>()));
    EXPECT_TRUE(first.contains(R"("huge":1e300)")) << first.toStdString();  // the file's own text

    // A scene with a notice, then one without: the notice is the last load's.
    DzScene plain;
    plain.addNode(dztest::makeNode("Plain", dztest::makeGrid(1, 1)));
    ASSERT_TRUE(plain.saveScene(path("plain.json")));
    ASSERT_TRUE(scene->loadScene(path("plain.json"), &error));
    EXPECT_EQ(scene->getLoadNotice(), "");

    // With the IO class registered, the kept data reaches it.
    DzPlugin plugin("recording");
    DzTClassFactory<RecordingIO> factory(DzGuid::fromString("{00000000-0000-0000-0000-00000000a001}"));
    plugin.addClassFactory(&factory);
    plugin.addIOClassRegistration("test/modifier/recorded", &RecordingIO::staticMetaObject,
                                  &RecordedModifier::staticMetaObject);
    g_calls.clear();
    ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    EXPECT_EQ(scene->getLoadNotice(), "");
    o = scene->getNode(0)->getObject();
    ASSERT_EQ(o->getNumModifiers(), 3);
    EXPECT_NE(qobject_cast<RecordedModifier*>(o->getModifier(1)), nullptr);
    EXPECT_EQ(o->getModifier(1)->getLabel(), "Lab\"el");
    EXPECT_TRUE(g_calls.contains("  number huge=1.0000000000000001e+300"))
        << g_calls.join('\n').toStdString();
    EXPECT_TRUE(g_calls.contains(QString::fromUtf8("  text text=a \"q\"\n\\ \u0001 \u00e9\u4e2d")))
        << g_calls.join('\n').toStdString();
    EXPECT_TRUE(g_calls.contains("  number instance=1"));
}

// Several kept modifiers: one notice, each type named once.
TEST_F(SceneFile, OneNoticeForAllKeptModifiersOfALoad) {
    writeFile(path(), R"({"file_version": 1, "nodes": [
        {"name": "A", "object": {"modifiers": [{"type": "x/one"}, {"type": "x/two", "extra": {}}]}},
        {"name": "B", "object": {"modifiers": [{"type": "x/one", "name": "again"}]}}]})");
    QString error;
    ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    EXPECT_EQ(
        scene->getLoadNotice(),
        QString("scene file \"%1\": 3 modifiers of type \"x/one\", \"x/two\" are kept but not applied: no "
                "loaded plug-in reads them. Saving the scene keeps their data, so the plug-ins that made "
                "them find it again.")
            .arg(path()));
    roundTrip();
    EXPECT_EQ(scene->getNode(1)->getObject()->getModifier(0)->getName(), "again");
    EXPECT_EQ(
        nlohmann::json::parse(readFile(path()).toStdString())["nodes"][0]["object"]["modifiers"][1].dump(),
        R"({"extra":{},"type":"x/two"})");
}

// JSON has no text for infinities and NaN: a save of such a number fails, names where it is and leaves the
// old file as it was, rather than writing another number in its place.
TEST_F(SceneFile, ASaveOfANumberThatIsNotFiniteFailsAndSaysWhere) {
    DzPlugin plugin("recording");
    DzTClassFactory<RecordingIO> factory(DzGuid::fromString("{00000000-0000-0000-0000-00000000a001}"));
    plugin.addClassFactory(&factory);
    plugin.addIOClassRegistration("test/modifier/recorded", &RecordingIO::staticMetaObject,
                                  &RecordedModifier::staticMetaObject);
    struct Case {
        char const* what;
        std::function<void(DzNode&)> spoil;
        char const* message;
    } const cases[] = {
        {"vertex",
         [](DzNode& n) {
             n.getObject()->getCurrentShape()->getGeometry()->setVertex(2, {0, NAN, 0});
         },
         "at nodes[0].object.shape.vertices[2][1]: a number that is not finite (nan) cannot be written"},
        {"node",
         [](DzNode& n) {
             n.setLocalScale({1, 1, -INFINITY});
         },
         "at nodes[0].scale[2]: a number that is not finite (-inf) cannot be written"},
        {"morph",
         [](DzNode& n) {
             auto* d = new DzMorphDeltas;
             d->addDelta(0, {0, 0, 0}, false, 0);
             d->addDelta(1, {INFINITY, 0, 0}, false, 0);
             n.getObject()->addModifier(new DzMorph(d));
         },
         "at nodes[0].object.modifiers[0].deltas.values[1][1]: a number that is not finite (inf) cannot be "
         "written"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        scene->clear();
        DzNode* node = dztest::makeNode("Grid", dztest::makeGrid(1, 1));
        scene->addNode(node);
        QString error;
        ASSERT_TRUE(scene->saveScene(path(), &error)) << error.toStdString();
        QByteArray const old = readFile(path());
        c.spoil(*node);
        EXPECT_FALSE(scene->saveScene(path(), &error));
        EXPECT_EQ(error, QString("cannot save scene file \"%1\": %2").arg(path(), c.message));
        EXPECT_EQ(readFile(path()), old);
    }
}

TEST_F(SceneFile, AFailedSaveLeavesTheOldFileAsItWas) {
    DzPlugin plugin("recording");
    DzTClassFactory<RecordingIO> factory(DzGuid::fromString("{00000000-0000-0000-0000-00000000a001}"));
    plugin.addClassFactory(&factory);
    plugin.addIOClassRegistration("test/modifier/recorded", &RecordingIO::staticMetaObject,
                                  &RecordedModifier::staticMetaObject);
    DzNode* node = dztest::makeNode("Grid", dztest::makeGrid(1, 1));
    auto* recorded = new RecordedModifier;
    node->getObject()->addModifier(recorded);
    scene->addNode(node);
    QString error;
    ASSERT_TRUE(scene->saveScene(path(), &error));
    QByteArray const old = readFile(path());

    recorded->writeResult = 5;
    EXPECT_FALSE(scene->saveScene(path(), &error));
    EXPECT_EQ(error,
              QString("cannot save scene file \"%1\": the IO class RecordingIO failed to write modifier \"\" "
                      "(error 5)")
                  .arg(path()));
    EXPECT_TRUE(logHas(error));
    EXPECT_EQ(readFile(path()), old);
    EXPECT_FALSE(QFile::exists(path() + ".saving"));

    EXPECT_FALSE(scene->saveScene(dir.filePath("missing/scene.json"), &error));
    EXPECT_TRUE(error.startsWith(
        QString("cannot save scene file \"%1\": cannot create").arg(dir.filePath("missing/scene.json"))))
        << error.toStdString();
}

// What the reader says about files it cannot read, and that the open scene stays as it was.
TEST_F(SceneFile, BadFilesGiveAClearErrorAndLeaveTheSceneUntouched) {
    std::string const node = R"({"name": "N", "object": {"shape": {"vertices": [[0,0,0],[1,0,0],[0,1,0]],
                                  "facets": [[0,1,2]]}, "modifiers": []}})";
    struct Case {
        std::string text;
        std::string message;  // after the file name
    } const cases[] = {
        {"", "parse error at line 1, column 1: syntax error while parsing value - unexpected end of input"},
        {"hello", "syntax error while parsing value - invalid literal"},
        // Control characters in what the parser last read are shown as escapes, and a long read by its end.
        {R"({"file_version": 1, "nodes": [{"name": ")" + std::string(50, 'x') + "\t\"}]}",
         "must be escaped to \\u0009 or \\t; last read: '..." + std::string(38, 'x') + "\\t'"},
        {"{\"file_version\": 1\x01}", "invalid literal; last read: '1\\u0001'; expected '}'"},
        {R"({"file_version": 1, "nodes": [)" + node, "at nodes[1]: parse error at line 2, column"},
        {R"({"file_version": 1, "nodes": []} x)", "syntax error while parsing value - invalid literal"},
        {"[1, 2]", "the file holds an array where a JSON object was expected"},
        {R"({"nodes": []})", "this is no scene file: it has no \"file_version\""},
        {R"({"file_version": 2})",
         "at file_version: the file has version 2, newer than this application reads (1)"},
        {R"({"file_version": 1, "nodes": {}})", "at nodes: expected an array"},
        {R"({"file_version": 1, "nodes": [5]})", "at nodes[0]: expected an object"},
        {R"({"file_version": 1, "nodes": [)" + node + R"(, {"label": "x"}]})",
         "at nodes[1]: the node has no name"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "origin": [1, 2]}]})",
         "at nodes[0].origin: expected 3 numbers"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "origin": [1, 2, "3"]}]})",
         "at nodes[0].origin[2]: expected a number"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "name": "M"}]})",
         "at nodes[0].name: the member is given twice"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "origin": [1, 1e999, 0]}]})",
         "at nodes[0].origin[1]: number overflow parsing '1e999'"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0,0,0]],
                                  "facets": [[0,0,7]]}}}]})",
         "at nodes[0].object.shape: facet 0 uses vertex 7, but there are 1 vertices"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"facets": [[0,1]]}}}]})",
         "at nodes[0].object.shape.facets[0]: expected 3 to 4 numbers"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"facets": [[0,1,2.5]]}}}]})",
         "at nodes[0].object.shape.facets[0]: expected vertex indices: whole numbers from 0"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"facets": [[0,1,2]],
                                  "vertices": [[0,0,0],[1,0,0],[0,1,0]], "facet_flags": [0, 2]}}}]})",
         "there are 2 facet flags for 1 facets"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [{"name": "M"}]}}]})",
         "at nodes[0].object.modifiers[0]: the modifier has no \"type\""},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [
             {"pose": [], "type": "x"}]}}]})",
         "at nodes[0].object.modifiers[0].pose: the modifier's \"type\" must come before its data"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [{"type": "host/morph",
                                  "deltas": {"values": [[1e10, 0, 0, 0]]}}]}}]})",
         "at nodes[0].object.modifiers[0].deltas.values[0]: expected a vertex index: a whole number in the "
         "32-bit "
         "range"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"subdivision_level": 9}}}]})",
         "at nodes[0].object.shape.subdivision_level: expected a whole number from 0 to 4"},
        // Single-precision values that no float holds.
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0,0,0],
                                  [0,1e300,0]]}}}]})",
         "at nodes[0].object.shape.vertices[1][1]: the number 1e+300 is outside the single-precision "
         "range"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "position": [0, 0, -3.5e38]}]})",
         "at nodes[0].position[2]: the number -3.5e+38 is outside the single-precision range"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [{"type": "host/morph",
                                  "deltas": {"values": [[1, 0, 0, 0], [2, 0, 0, 1e39]]}}]}}]})",
         "at nodes[0].object.modifiers[0].deltas.values[1][3]: the number 1e+39 is outside"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [{"type": "host/morph",
                                  "property": {"max": 1e40}}]}}]})",
         "at nodes[0].object.modifiers[0].property.max: the number 1e+40 is outside"},
        {R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [{"type": "host/skin_binding",
                                  "pose": [1,0,0,0,1,0,0,0,1,0,-1e300,0]}]}}]})",
         "at nodes[0].object.modifiers[0].pose[10]: the number -1e+300 is outside"},
    };
    DzNode* existing = dztest::makeNode("Existing", dztest::makeGrid(1, 1));
    scene->addNode(existing);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.text);
        writeFile(path(), QByteArray::fromStdString(c.text));
        QString error;
        EXPECT_FALSE(scene->loadScene(path(), &error));
        QString const prefix = QString("cannot load scene file \"%1\": ").arg(path());
        EXPECT_TRUE(error.startsWith(prefix)) << error.toStdString();
        EXPECT_TRUE(error.mid(prefix.size()).startsWith(QString::fromStdString(c.message)) ||
                    error.contains(QString::fromStdString(c.message)))
            << error.toStdString();
        EXPECT_TRUE(logHas(error));
        ASSERT_EQ(scene->getNumNodes(), 1);
        EXPECT_EQ(scene->getNode(0), existing);
    }

    // A file cut short anywhere: an error, and still the old scene.
    DzScene other;
    other.addNode(dztest::makeNode("Saved", dztest::makeCube(1)));
    ASSERT_TRUE(other.saveScene(path("whole.json")));
    QByteArray const whole = readFile(path("whole.json"));
    for (int cut : {1, int(whole.size()) / 3, int(whole.size()) / 2, int(whole.size()) - 3}) {
        writeFile(path(), whole.left(cut));
        QString error;
        EXPECT_FALSE(scene->loadScene(path(), &error));
        EXPECT_TRUE(error.contains("unexpected end of input")) << cut << ": " << error.toStdString();
        EXPECT_EQ(scene->getNode(0), existing);
    }

    QString error;
    EXPECT_FALSE(scene->loadScene(path("absent.json"), &error));
    EXPECT_EQ(error,
              QString("cannot load scene file \"%1\": No such file or directory").arg(path("absent.json")));
    EXPECT_EQ(scene->getNumNodes(), 1);

    // The whole file reads: its nodes replace the scene's.
    ASSERT_TRUE(scene->loadScene(path("whole.json"), &error)) << error.toStdString();
    ASSERT_EQ(scene->getNumNodes(), 1);
    EXPECT_EQ(scene->getNode(0)->getName(), "Saved");
}

// Within the float range, the nearest float: the largest float, and below the smallest one zero; a
// rotation is held in double precision.
TEST_F(SceneFile, NumbersThatFitAFloatAreReadAsTheNearestFloat) {
    writeFile(path(), R"({"file_version": 1, "nodes": [{"name": "N", "origin": [3.4028235e38, -3.4028235e38,
        1e-300], "rotation": [1e300, 0, 0, 0], "object": {"shape": {"vertices": [[0.1, -1e-46, 3.4028235677973362e38]]}}}]})");
    QString error;
    ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    DzNode* n = scene->getNode(0);
    expectSameBits(n->getOrigin(), {FLT_MAX, -FLT_MAX, 0});
    EXPECT_EQ(n->getLocalRot().m_w, 1e300);
    expectSameBits(n->getObject()->getCurrentShape()->getGeometry()->getVertex(0), {0.1f, -0.0f, FLT_MAX});
}

// Text the fast parse hands on to the exact one (nesting deeper than it follows) reads all the same; an
// integer's zero has no sign, in values and in a kept modifier's text.
TEST_F(SceneFile, DeepNestingAndIntegerZerosReadAsWritten) {
    for (int depth : {15, 1500}) {
        SCOPED_TRACE(depth);
        std::string const deep = std::string(size_t(depth), '[') + std::string(size_t(depth), ']');
        writeFile(path(), QByteArray::fromStdString(R"({"file_version": 1, "nodes": [{"name": "N",
            "object": {"shape": {"vertices": [[-0, -0.0, 0]]},
            "modifiers": [{"type": "test/nobody", "extra": {"z": -0, "deep": )" +
                                                    deep + R"(}}]}}]})"));
        QString error;
        ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
        expectSameBits(scene->getNode(0)->getObject()->getCurrentShape()->getGeometry()->getVertex(0),
                       {0.0f, -0.0f, 0.0f});
        auto* kept = qobject_cast<DzKeptModifier*>(scene->getNode(0)->getObject()->getModifier(0));
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->getData(), R"({"type":"test/nobody","extra":{"z":0,"deep":)" + deep + "}}");
    }
}

TEST_F(SceneFile, MembersTheHostDoesNotKnowAreSkipped) {
    writeFile(path(), R"({"file_version": 1, "comment": {"nodes": [1]}, "nodes": [
        {"name": "N", "future": [[1, {"x": null}]], "object": {"name": "O", "extra": 5}}]})");
    QString error;
    ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    ASSERT_EQ(scene->getNumNodes(), 1);
    EXPECT_EQ(scene->getNode(0)->getObject()->getName(), "O");
}

// Another program's members of the top object are kept, as the file has them, and written back after the
// nodes; New (clear) drops them. Two of one name could not both go back into a file: refused.
TEST_F(SceneFile, MembersOfTheTopObjectTheHostDoesNotReadAreKeptForTheNextSave) {
    writeFile(path("in.json"), R"({"before": {"nodes": [1], "t": "a\"b"}, "file_version": 1, "huge": 1e300,
        "nodes": [{"name": "N"}], "list": [1, -0, 2.50, {"x": null}, []], "flag": false, "none": null,
        "text": "\u00e9\n"})");
    QString error;
    ASSERT_TRUE(scene->loadScene(path("in.json"), &error)) << error.toStdString();
    DzScene::KeptMembers const expected = {{"before", R"({"nodes":[1],"t":"a\"b"})"},
                                           {"huge", "1e300"},
                                           {"list", R"([1,0,2.50,{"x":null},[]])"},
                                           {"flag", "false"},
                                           {"none", "null"},
                                           {"text", "\"\u00e9\\n\""}};
    EXPECT_EQ(scene->getKeptMembers(), expected);
    EXPECT_TRUE(dzApp->getLogLines().contains(
        QString(
            "scene file \"%1\": its member \"huge\" is not read by this application; it is kept and saved "
            "with the scene")
            .arg(path("in.json"))));
    EXPECT_EQ(scene->getLoadNotice(), "");

    roundTrip();
    QByteArray const first = readFile(path());
    EXPECT_EQ(scene->getKeptMembers(), expected);
    roundTrip();
    EXPECT_EQ(readFile(path()), first);
    auto saved = nlohmann::json::parse(first.toStdString());
    auto in = nlohmann::json::parse(readFile(path("in.json")).toStdString());
    saved.erase("nodes");
    in.erase("nodes");
    EXPECT_EQ(saved, in);
    EXPECT_TRUE(first.startsWith("{\n\t\"file_version\": 1,")) << first.toStdString();
    EXPECT_TRUE(first.contains("\"huge\": 1e300")) << first.toStdString();

    scene->clear();
    EXPECT_TRUE(scene->getKeptMembers().empty());
    ASSERT_TRUE(scene->saveScene(path(), &error)) << error.toStdString();
    EXPECT_EQ(readFile(path()), "{\n\t\"file_version\": 1,\n\t\"nodes\": []\n}\n");

    for (char const* text :
         {R"({"file_version": 1, "x": 1, "x": 2})", R"({"x": [], "file_version": 1, "x": {}})"}) {
        SCOPED_TRACE(text);
        writeFile(path(), text);
        EXPECT_FALSE(scene->loadScene(path(), &error));
        EXPECT_EQ(error.toStdString(),
                  QString("cannot load scene file \"%1\": at x: the member is given twice")
                      .arg(path())
                      .toStdString());
    }
}

// A FIFO would wait for a writer for good, a device might never end: what is not a regular file is refused
// before a byte is read.
TEST_F(SceneFile, WhatIsNotARegularFileIsRefusedBeforeItIsRead) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.json")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.json"));
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(path("zero.pfscene")).constData()), 0);
    struct Case {
        char const* name;
        char const* reason;
    } const cases[] = {
        {"pipe.json", "it is not a regular file"},
        {"folder.json", "it is a folder"},
        {"zero.pfscene", "it is not a regular file"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(scene->loadScene(path(c.name), &error));
        EXPECT_EQ(error.toStdString(),
                  QString("cannot load scene file \"%1\": %2").arg(path(c.name), c.reason).toStdString());
    }
}

// However deep the nesting or long the key, the path in a message stays short: its middle gives way to "...",
// between two of its steps where one is near.
TEST_F(SceneFile, ALongPathIsShortenedInItsMiddle) {
    std::string const start =
        R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [{"type": "x/kept", "extra": )";
    std::string zeros;
    for (int i = 0; i < 33; ++i) zeros += "[0]";
    struct Case {
        std::string text;
        std::string head;   // the message before the "..."
        std::string after;  // what follows it
    } const cases[] = {
        {start + R"({"deep": )" + std::string(200000, '['),
         "at nodes[0].object.modifiers[0].extra.deep" + zeros.substr(0, 39),
         zeros + ": parse error at line 1, column "},
        {start + "{\"" + std::string(100000, 'k') + R"(": [1, }]}]}}]})",
         "at nodes[0].object.modifiers[0].extra." + std::string(45, 'k'),
         std::string(97, 'k') + "[1]: parse error at line 1, column "},
    };
    for (Case const& c : cases) {
        writeFile(path(), QByteArray::fromStdString(c.text));
        QString error;
        EXPECT_FALSE(scene->loadScene(path(), &error));
        std::string const message =
            error.mid(QString("cannot load scene file \"%1\": ").arg(path()).size()).toStdString();
        EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
        EXPECT_EQ(message.substr(0, c.head.size() + 3 + c.after.size()), c.head + "..." + c.after);
    }
}

#include "test_scene_file.moc"
