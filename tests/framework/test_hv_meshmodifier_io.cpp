#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dzapp.h"
#include "dzassetfile.h"
#include "dzclassfactory.h"
#include "dzfixtures.h"
#include "dzwait.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "hv_meshmodifier_io.h"

namespace {

class DeltaModifier : public HvMeshModifier {
    Q_OBJECT
public:
    DeltaModifier() : HvMeshModifier("DeltaModifier") {}
    void modifierStatsChanged() override { ++statsCalls; }
    int statsCalls = 0;
};

class DeltaModifierIO : public HvMeshModifierIO {
    Q_OBJECT
public:
    HvMeshModifier* createModifierInstance() const override { return new DeltaModifier; }
};

char const* const kType = "test/modifier/deltas";

uint32_t bitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Equal maps, each offset bit for bit.
::testing::AssertionResult sameDeltas(HvVertexOffsets const& a, HvVertexOffsets const& b) {
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << a.size() << " deltas vs " << b.size();
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
        if (ia->first != ib->first)
            return ::testing::AssertionFailure() << "index " << ia->first << " vs " << ib->first;
        HvVec3 const &u = ia->second, &v = ib->second;
        if (bitsOf(u.x) != bitsOf(v.x) || bitsOf(u.y) != bitsOf(v.y) || bitsOf(u.z) != bitsOf(v.z))
            return ::testing::AssertionFailure()
                   << "delta of " << ia->first << ": (" << u.x << ", " << u.y << ", " << u.z << ") vs ("
                   << v.x << ", " << v.y << ", " << v.z << ")";
    }
    return ::testing::AssertionSuccess();
}

struct DeltaFiles : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        plugin.addClassFactory(&factory);
        plugin.addIOClassRegistration(kType, &DeltaModifierIO::staticMetaObject,
                                      &DeltaModifier::staticMetaObject);
        scene = dzScene;
        scene->clear();
    }
    void TearDown() override { scene->clear(); }

    // A node with a 2 by 2 grid and an empty delta modifier, in the scene.
    DeltaModifier* addEditedNode(HvVertexOffsets const& deltas) {
        DzNode* node = dztest::makeNode("Grid", dztest::makeGrid(2, 2));
        auto* modifier = new DeltaModifier;
        modifier->setDeltas(deltas);
        node->getObject()->addModifier(modifier);
        scene->addNode(node);
        return modifier;
    }
    // The delta modifier of the scene's first node after a load.
    DeltaModifier* loadedModifier() const {
        DzNode* node = scene->getNode(0);
        if (!node)
            return nullptr;
        return qobject_cast<DeltaModifier*>(node->getObject()->findModifier("DeltaModifier"));
    }
    QString path() const { return dir.filePath("deltas.json"); }
    void save() {
        QString error;
        ASSERT_TRUE(scene->saveScene(path(), &error)) << error.toStdString();
    }
    void load() {
        scene->clear();
        QString error;
        ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    }
    void writeFile(std::string const& text) const {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray::fromStdString(text));
    }
    // Writes a scene whose one modifier has this extra data.
    void writeExtra(std::string const& extra) const {
        writeFile(
            R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0, 0, 0]]},
               "modifiers": [{"type": "test/modifier/deltas", "name": "DeltaModifier", "extra": )" +
            extra + "}]}}]}");
    }
    // Loads a scene whose one modifier has this extra data.
    void loadExtra(std::string const& extra) {
        writeExtra(extra);
        load();
    }
    nlohmann::json savedModifiers() const {
        QFile f(path());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return nlohmann::json::parse(f.readAll().toStdString())["nodes"][0]["object"]["modifiers"];
    }

    QTemporaryDir dir;
    DzPlugin plugin{"test deltas"};
    DzTClassFactory<DeltaModifierIO> factory{DzGuid::fromString("{00000000-0000-0000-0000-0000000000d1}")};
    DzScene* scene = nullptr;
};

HvVertexOffsets offsets(std::initializer_list<std::pair<int32_t const, HvVec3>> l) {
    return HvVertexOffsets(l);
}

}  // namespace

TEST_F(DeltaFiles, AModifierWithoutDeltasIsNotWritten) {
    DeltaModifierIO io;
    DeltaModifier* modifier = addEditedNode({});
    EXPECT_FALSE(io.shouldWrite(modifier, nullptr));
    save();
    EXPECT_TRUE(savedModifiers().empty());
    modifier->setDeltas(offsets({{0, HvVec3(0, 0, 0)}}));
    EXPECT_TRUE(io.shouldWrite(modifier, nullptr));
}

TEST_F(DeltaFiles, DeltasAreWrittenAsOneMemberInAscendingIndexOrder) {
    DeltaModifier* modifier = addEditedNode(offsets({{7, HvVec3(1, 2, 3)}}));
    save();
    nlohmann::json const extra = savedModifiers()[0]["extra"];
    EXPECT_EQ(extra.dump(), R"({"hv_deltas":{"count":1,"values":[[7,1,2,3]]}})");
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray const text = f.readAll();
    EXPECT_LT(text.indexOf("\"count\""), text.indexOf("\"values\"")) << "count first";

    modifier->setDeltas(offsets({{9, HvVec3(0.5f, 0, -0.25f)}}));
    modifier->setDeltas(offsets({{-2, HvVec3(1, 1, 1)}}));
    modifier->setDeltas(offsets({{5, HvVec3(0, 1e-30f, 0)}}));
    save();
    EXPECT_EQ(savedModifiers()[0]["extra"].dump(),
              R"({"hv_deltas":{"count":4,"values":[[-2,1,1,1],[5,0,1e-30,0],[7,1,2,3],[9,0.5,0,-0.25]]}})");
}

// The numbers of "values" are one running sequence read in groups of four.
TEST_F(DeltaFiles, ValuesAreReadInGroupsOfFour) {
    float const big = std::numeric_limits<float>::max();
    struct Case {
        char const* values;
        HvVertexOffsets expected;
    } const cases[] = {
        {"[[12, 0.5, 0, -0.25], [40, 0, 1, 0]]", offsets({{12, {0.5f, 0, -0.25f}}, {40, {0, 1, 0}}})},
        {"[[5, 1, 2, 3, 9, 4, 5, 6]]", offsets({{5, {1, 2, 3}}, {9, {4, 5, 6}}})},
        {"[[5, 1, 2], [3, 8, 0, 0, 0]]", offsets({{5, {1, 2, 3}}, {8, {0, 0, 0}}})},
        {"[]", {}},
        // Any order comes out ascending.
        {"[[9, 1, 1, 1], [-2, 2, 2, 2], [4, 3, 3, 3]]",
         offsets({{-2, {2, 2, 2}}, {4, {3, 3, 3}}, {9, {1, 1, 1}}})},
        // Whole numbers in any notation, to the ends of the 32-bit range; offsets to the ends of the float's.
        {"[[2147483647, 1, 1, 1], [-2147483648, 2, 2, 2], [1e2, -0, 0, 0], [-0, 3.4028235e38, -3.4028235e38, "
         "1e-300]]",
         offsets(
             {{-2147483647 - 1, {2, 2, 2}}, {0, {big, -big, 0}}, {100, {0, 0, 0}}, {2147483647, {1, 1, 1}}})},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.values);
        loadExtra(std::string(R"({"hv_deltas": {"count": 2, "values": )") + c.values + "}}");
        DeltaModifier* loaded = loadedModifier();
        ASSERT_NE(loaded, nullptr);
        EXPECT_TRUE(sameDeltas(loaded->getDeltas(), c.expected));
    }
}

// What the writer never writes would load as other deltas than the file holds, and the next save would write
// those: refused, with the path of the first bad value, and the open scene stays as it was.
TEST_F(DeltaFiles, AnythingTheWriterDoesNotWriteIsRefusedWithItsPath) {
    std::string const wrongKinds[] = {"\"x\"", "5", "true", "null"};
    struct Case {
        std::string extra;
        char const* where;  // after the extra data's path
        char const* message;
    };
    std::vector<Case> cases;
    for (std::string const& v : wrongKinds) {
        cases.push_back({R"({"hv_deltas": )" + v + "}", ".hv_deltas", "expected an object"});
        cases.push_back(
            {R"({"hv_deltas": {"values": )" + v + "}}", ".hv_deltas.values", "expected an array"});
        cases.push_back(
            {R"({"hv_deltas": {"values": [)" + v + "]}}", ".hv_deltas.values[0]", "expected an array"});
        if (v != "5")
            cases.push_back({R"({"hv_deltas": {"values": [[1, )" + v + ", 2, 3]]}}",
                             ".hv_deltas.values[0][1]", "expected a number"});
    }
    std::string const index = "expected a vertex index: a whole number in the 32-bit range";
    std::vector<Case> const more = {
        {R"({"hv_deltas": []})", ".hv_deltas", "expected an object"},
        {R"({"hv_deltas": {"values": {}}})", ".hv_deltas.values", "expected an array"},
        {R"({"hv_deltas": {"values": [{}]}})", ".hv_deltas.values[0]", "expected an array"},
        {R"({"hv_deltas": {"values": [[1, 2, 3, 4], 7]}})", ".hv_deltas.values[1]", "expected an array"},
        // Nested arrays and objects.
        {R"({"hv_deltas": {"values": [[[1, 2, 3, 4]]]}})", ".hv_deltas.values[0][0]", "expected a number"},
        {R"({"hv_deltas": {"values": [[1, 2, 3, {"z": 4}]]}})", ".hv_deltas.values[0][3]",
         "expected a number"},
        // Indices: whole numbers in the 32-bit range, also where a running group begins inside an element.
        {R"({"hv_deltas": {"values": [[2.9, 1, 1, 1]]}})", ".hv_deltas.values[0][0]", index.c_str()},
        {R"({"hv_deltas": {"values": [[-2.5, 1, 1, 1]]}})", ".hv_deltas.values[0][0]", index.c_str()},
        {R"({"hv_deltas": {"values": [[1e10, 1, 1, 1]]}})", ".hv_deltas.values[0][0]", index.c_str()},
        {R"({"hv_deltas": {"values": [[2147483648, 1, 1, 1]]}})", ".hv_deltas.values[0][0]", index.c_str()},
        {R"({"hv_deltas": {"values": [[-2147483649, 1, 1, 1]]}})", ".hv_deltas.values[0][0]", index.c_str()},
        {R"({"hv_deltas": {"values": [[18446744073709551616, 1, 1, 1]]}})", ".hv_deltas.values[0][0]",
         index.c_str()},
        {R"({"hv_deltas": {"values": [[5, 1, 2, 3, 9.5, 4, 5, 6]]}})", ".hv_deltas.values[0][4]",
         index.c_str()},
        {R"({"hv_deltas": {"values": [[5, 1, 2], [3, 8.25, 0, 0, 0]]}})", ".hv_deltas.values[1][1]",
         index.c_str()},
        // Offsets a float holds.
        {R"({"hv_deltas": {"values": [[1, 1e300, 0, 0]]}})", ".hv_deltas.values[0][1]",
         "the number 1e+300 is outside the single-precision range"},
        {R"({"hv_deltas": {"values": [[1, 0, 0, -3.5e38]]}})", ".hv_deltas.values[0][3]",
         "the number -3.5e+38 is outside the single-precision range"},
        // A last group cut short.
        {R"({"hv_deltas": {"values": [[1, 2, 3]]}})", ".hv_deltas.values",
         "expected groups of four numbers (a vertex index, then x, y and z), but the last group has 3"},
        {R"({"hv_deltas": {"values": [[1, 2, 3, 4], [5]]}})", ".hv_deltas.values",
         "expected groups of four numbers (a vertex index, then x, y and z), but the last group has 1"},
        // A vertex given twice, or a member: one value would be lost.
        {R"({"hv_deltas": {"values": [[3, 1, 1, 1], [3, 2, 2, 2]]}})", ".hv_deltas.values",
         "vertex 3 is given twice"},
        {R"({"hv_deltas": {"values": [[7, 1, 1, 1], [3, 2, 2, 2], [7, 2, 2, 2]]}})", ".hv_deltas.values",
         "vertex 7 is given twice"},
        {R"({"hv_deltas": {"values": [[1, 1, 1, 1]]}, "hv_deltas": {"values": []}})", ".hv_deltas",
         "the member is given twice"},
        {R"({"hv_deltas": {"values": [[1, 1, 1, 1]], "values": [[2, 2, 2, 2]]}})", ".hv_deltas.values",
         "the member is given twice"},
        {R"({"hv_deltas": {"count": 1, "values": [[1, 1, 1, 1]], "count": 2}})", ".hv_deltas.count",
         "the member is given twice"},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    addEditedNode(offsets({{1, {1, 2, 3}}}));
    for (Case const& c : cases) {
        SCOPED_TRACE(c.extra);
        writeExtra(c.extra);
        QString error;
        EXPECT_FALSE(scene->loadScene(path(), &error));
        EXPECT_EQ(error.toStdString(),
                  QString("cannot load scene file \"%1\": at nodes[0].object.modifiers[0].extra%2: %3")
                      .arg(path(), c.where, c.message)
                      .toStdString());
        ASSERT_EQ(scene->getNumNodes(), 1);
        EXPECT_EQ(scene->getNode(0)->getName().toStdString(), "Grid") << "the open scene stays";
    }
}

// Modifiers are found by name: a second one of the same name would apply as well, and the tool would never
// reach it.
TEST_F(DeltaFiles, ASecondModifierOfTheSameNameInAnObjectIsRefused) {
    std::string const modifier =
        R"({"type": "test/modifier/deltas", "name": "%NAME%", "extra": {"hv_deltas": {"values": [[0, 1, 1, 1]]}}})";
    auto named = [&modifier](char const* name) {
        return QString::fromStdString(modifier).replace("%NAME%", name).toStdString();
    };
    std::string const morph = R"({"type": "host/morph", "name": "DeltaModifier"})";
    std::pair<std::string, std::string> const pairs[] = {
        {named("DeltaModifier"), named("DeltaModifier")},
        {named("DeltaModifier"), named("Another")},  // its IO class names it all the same
        {named("Another"), named("")},
        {morph, named("DeltaModifier")},
    };
    for (auto const& [first, second] : pairs) {
        SCOPED_TRACE(first + ", " + second);
        writeFile(
            R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0, 0, 0]]},
               "modifiers": [)" +
            first + ", " + second + "]}}]}");
        QString error;
        EXPECT_FALSE(scene->loadScene(path(), &error));
        EXPECT_EQ(
            error.toStdString(),
            QString("cannot load scene file \"%1\": at nodes[0].object.modifiers[1]: its IO class "
                    "DeltaModifierIO names the modifier \"DeltaModifier\", and the object has a modifier of "
                    "that name already")
                .arg(path())
                .toStdString());
    }
    // One of them loads, and a name of the file's that its IO class does not give is said in the log.
    dzApp->clearLog();
    writeFile(R"({"file_version": 1, "nodes": [{"name": "N", "object": {"modifiers": [)" + named("Another") +
              "]}}]}");
    QString error;
    ASSERT_TRUE(scene->loadScene(path(), &error)) << error.toStdString();
    ASSERT_NE(loadedModifier(), nullptr);
    EXPECT_EQ(loadedModifier()->getNoOfDeltas(), 1u);
    EXPECT_TRUE(dzApp->getLogLines().contains(
        QString(
            "scene file \"%1\": the modifier \"Another\" of the file is named \"DeltaModifier\" by its IO "
            "class DeltaModifierIO")
            .arg(path())))
        << dzApp->getLogLines().join('\n').toStdString();
}

TEST_F(DeltaFiles, TheCountIsNeverCompared) {
    for (char const* count : {"0", "1", "-5", "1e30", "-1e300", "2.5", "\"three\""}) {
        SCOPED_TRACE(count);
        loadExtra(std::string(R"({"hv_deltas": {"count": )") + count +
                  R"(, "values": [[1, 1, 1, 1], [2, 2, 2, 2], [3, 3, 3, 3]]}})");
        ASSERT_NE(loadedModifier(), nullptr);
        EXPECT_EQ(loadedModifier()->getNoOfDeltas(), 3u);
    }
    loadExtra(R"({"hv_deltas": {"values": [[1, 1, 1, 1]]}})");
    EXPECT_EQ(loadedModifier()->getNoOfDeltas(), 1u);
}

TEST_F(DeltaFiles, OtherMembersGoToTheHostsDefaultHandling) {
    loadExtra(R"({"other": {"hv_deltas": {"values": [[9, 9, 9, 9]]}}, "list": [[8, 8, 8, 8]], "n": 3,
                  "hv_deltas": {"more": {"values": [[7, 7, 7, 7]]}, "other": [[6, 6, 6, 6]], "x": 1,
                                "values": [[1, 2, 3, 4]]}})");
    ASSERT_NE(loadedModifier(), nullptr);
    EXPECT_TRUE(sameDeltas(loadedModifier()->getDeltas(), offsets({{1, {2, 3, 4}}})));
}

TEST_F(DeltaFiles, ApplyingMovesTheReadDeltasIntoTheModifier) {
    DeltaModifierIO io;
    DeltaModifier target;
    target.setDeltas(offsets({{1, {1, 1, 1}}}));
    io.applyDefinitionToObject(&target, nullptr);
    EXPECT_TRUE(sameDeltas(target.getDeltas(), offsets({{1, {1, 1, 1}}}))) << "no read yet: unchanged";

    DzAssetFile file("in memory");
    DzAssetJsonObject parent(&file);
    std::unique_ptr<DzAssetJsonItem> root(io.startDefinitionRead(&parent));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->getFile(), &file);
    std::unique_ptr<DzAssetJsonItem> object(root->startMemberObject("hv_deltas"));
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->addMember("count", 1));
    std::unique_ptr<DzAssetJsonItem> values(object->startMemberArray("values"));
    ASSERT_NE(values, nullptr);
    std::unique_ptr<DzAssetJsonItem> element(values->startArray());
    for (double v : {4.0, 0.5, 0.25, 0.125}) EXPECT_TRUE(element->addItem(v));

    target.setLastImportedMorphName("Smile");
    EXPECT_EQ(io.applyDefinitionToObject(&target, nullptr), 0);
    EXPECT_TRUE(sameDeltas(target.getDeltas(), offsets({{4, {0.5f, 0.25f, 0.125f}}})))
        << "its own deltas dropped";
    EXPECT_EQ(target.getLastImportedMorphName(), "Smile");

    // The context's deltas were consumed: a second apply without a new read empties the target.
    DeltaModifier second;
    second.setDeltas(offsets({{2, {2, 2, 2}}}));
    io.applyDefinitionToObject(&second, nullptr);
    EXPECT_EQ(second.getNoOfDeltas(), 0u);
}

TEST_F(DeltaFiles, CreateModifierAppendsTheConcreteModifier) {
    DeltaModifierIO io;
    std::unique_ptr<DzNode> node(dztest::makeNode("N", dztest::makeGrid(1, 1)));
    node->getObject()->addModifier(new DeltaModifier);
    DzModifier* made = io.createModifier("ignored name", node->getObject());
    ASSERT_NE(qobject_cast<DeltaModifier*>(made), nullptr);
    EXPECT_EQ(node->getObject()->getModifier(1), made);
    EXPECT_EQ(made->getName(), "DeltaModifier");
}

TEST_F(DeltaFiles, ALoadedModifierDropsNearZeroDeltasThreeSecondsLater) {
    QElapsedTimer clock;
    clock.start();
    loadExtra(R"({"hv_deltas": {"count": 3, "values": [[1, 0, 0, 1e-7], [2, 0, 0, 1.2e-7], [3, 1, 0, 0]]}})");
    DeltaModifier* loaded = loadedModifier();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->getNoOfDeltas(), 3u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return loaded->statsCalls != 0; }, dztest::kEventDeadlineMs));
    // Not before 3000 ms (a timer may fire up to 5 % early; late is never wrong).
    EXPECT_GE(clock.elapsed(), 2850);
    EXPECT_EQ(loaded->statsCalls, 1);
    EXPECT_TRUE(sameDeltas(loaded->getDeltas(), offsets({{2, {0, 0, 1.2e-7f}}, {3, {1, 0, 0}}})));
}

TEST_F(DeltaFiles, HundredThousandRandomDeltasSurviveSaveAndLoadBitForBit) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int32_t> index(-1000, 5000000);
    HvVertexOffsets deltas;
    auto anyFloat = [&random] {
        for (;;) {
            uint32_t const bits = uint32_t(random());
            float f;
            std::memcpy(&f, &bits, sizeof f);
            if (std::isfinite(f))
                return f;
        }
    };
    while (deltas.size() < 100000) {
        // Every kind of float: random bit patterns, and as many of a modelling size.
        bool const small = deltas.size() % 2 == 0;
        std::uniform_real_distribution<float> offset(-0.5f, 0.5f);
        deltas[index(random)] = small ? HvVec3(offset(random), offset(random), offset(random))
                                      : HvVec3(anyFloat(), anyFloat(), anyFloat());
    }
    deltas[3] = HvVec3(7.038531e-26f, -0.0f, 1.4e-45f);
    addEditedNode(deltas);
    save();
    load();
    ASSERT_NE(loadedModifier(), nullptr);
    EXPECT_TRUE(sameDeltas(loadedModifier()->getDeltas(), deltas));
}

#include "test_hv_meshmodifier_io.moc"
