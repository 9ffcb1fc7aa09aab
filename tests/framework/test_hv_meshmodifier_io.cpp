#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>

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
    // Loads a scene whose one modifier has this extra data.
    void loadExtra(std::string const& extra) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray::fromStdString(
            R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0, 0, 0]]},
               "modifiers": [{"type": "test/modifier/deltas", "name": "DeltaModifier", "extra": )" +
            extra + "}]}}]}"));
        f.close();
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
    int32_t const lowest = std::numeric_limits<int32_t>::min();
    struct Case {
        char const* values;
        HvVertexOffsets expected;
    } const cases[] = {
        {"[[12, 0.5, 0, -0.25], [40, 0, 1, 0]]", offsets({{12, {0.5f, 0, -0.25f}}, {40, {0, 1, 0}}})},
        {"[[3, 1, 1, 1], [3, 2, 2, 2]]", offsets({{3, {2, 2, 2}}})},
        {"[[5, 1, 2, 3, 9, 4, 5, 6]]", offsets({{5, {1, 2, 3}}, {9, {4, 5, 6}}})},
        {"[[5, 1, 2], [3, 8, 0, 0, 0]]", offsets({{5, {1, 2, 3}}, {8, {0, 0, 0}}})},
        {"[[2.9, 1, 1, 1], [-2.9, 2, 2, 2]]", offsets({{2, {1, 1, 1}}, {-2, {2, 2, 2}}})},
        {"[[1, 2, 3]]", {}},
        {"[]", {}},
        // Items that are not numbers do not count; nor do numbers outside an element array.
        {R"([[4, "x", 1, true, 2, null, 3, {"a": [1, 2]}]])", offsets({{4, {1, 2, 3}}})},
        {R"([7, [1, 1, 2, 3], {"values": [[2, 2, 2, 2]]}])", offsets({{1, {1, 2, 3}}})},
        // Indices no int32 holds never address a vertex, and still take their group of four.
        {"[[1e10, 1, 2, 3], [4, 5, 6, 7]]", offsets({{lowest, {1, 2, 3}}, {4, {5, 6, 7}}})},
        {"[[-3e9, 1, 2, 3], [1.7e308, 4, 5, 6], [-1e300, 7, 8, 9]]", offsets({{lowest, {7, 8, 9}}})},
        {"[[2147483647.9, 1, 1, 1], [-2147483648.9, 2, 2, 2], [2147483648, 3, 3, 3]]",
         offsets({{2147483647, {1, 1, 1}}, {lowest, {3, 3, 3}}})},
        {"[[18446744073709551616, 1, 1, 1], [-9223372036854775809, 2, 2, 2]]",
         offsets({{lowest, {2, 2, 2}}})},
        {"[[0, 1e300, -1e300, 1e-300]]",
         offsets(
             {{0, {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 0}}})},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.values);
        loadExtra(std::string(R"({"hv_deltas": {"count": 2, "values": )") + c.values + "}}");
        DeltaModifier* loaded = loadedModifier();
        ASSERT_NE(loaded, nullptr);
        EXPECT_TRUE(sameDeltas(loaded->getDeltas(), c.expected));
    }
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
