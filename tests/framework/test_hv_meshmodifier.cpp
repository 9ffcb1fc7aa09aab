#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzwait.h"
#include "dzlegacybinding.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"
#include "dzskinbinding.h"
#include "hv_meshmodifier.h"

namespace {

// Stands in for the plug-in's own modifier: counts the compaction notifications.
class CountingModifier : public HvMeshModifier {
public:
    explicit CountingModifier(char const* name = "TestModifier") : HvMeshModifier(name) {}
    void modifierStatsChanged() override { ++statsCalls; }
    int statsCalls = 0;
};

// A modifier that does nothing, to fill modifier lists.
class PlainModifier : public DzModifier {
public:
    explicit PlainModifier(QString const& name) { setName(name); }
    int apply(DzVertexMesh&, DzNode&) override { return 0; }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
};

HvVertexOffsets offsets(std::initializer_list<std::pair<const int32_t, HvVec3>> l) {
    return HvVertexOffsets(l);
}

void expectVec(HvVec3 const& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

// Waits for the compaction timer (3000 ms after the last write) to report.
bool waitForCompaction(CountingModifier& mod, int before) {
    return QTest::qWaitFor([&] { return mod.statsCalls != before; }, dztest::kEventDeadlineMs);
}

struct ModifierOnGrid : ::testing::Test {
    void SetUp() override {
        node.reset(dztest::makeNode("Grid", dztest::makeGrid(2, 1)));  // 6 vertices
        object = node->getObject();
        mod = new CountingModifier;
        object->addModifier(mod);
    }
    DzVec3 evaluated(int i) { return static_cast<DzFacetMesh*>(object->getCachedGeom())->getVertex(i); }

    std::unique_ptr<DzNode> node;
    DzObject* object = nullptr;
    CountingModifier* mod = nullptr;
};

}  // namespace

TEST_F(ModifierOnGrid, DeltasMoveTheEvaluatedMeshOnlyAfterTheValueChangedSignal) {
    EXPECT_EQ(evaluated(4), DzVec3(1, 1, 0));
    mod->setDeltas(offsets({{4, HvVec3(0.5f, 0, 2)}}));
    EXPECT_EQ(evaluated(4), DzVec3(1, 1, 0)) << "writers must not emit the value-changed signal";
    mod->emitCurrentValueChanged();
    EXPECT_EQ(evaluated(4), DzVec3(1.5f, 1, 2));
    EXPECT_EQ(evaluated(3), DzVec3(0, 1, 0));
    // The base geometry is never touched.
    EXPECT_EQ(object->getCurrentShape()->getGeometry()->getVertex(4), DzVec3(1, 1, 0));
}

TEST_F(ModifierOnGrid, IndicesOutsideTheMeshStayStoredButMoveNothing) {
    mod->setDeltas(offsets({{-1, HvVec3(9, 9, 9)},
                            {0, HvVec3(1, 0, 0)},
                            {6, HvVec3(9, 9, 9)},
                            {std::numeric_limits<int32_t>::min(), HvVec3(9, 9, 9)},
                            {std::numeric_limits<int32_t>::max(), HvVec3(9, 9, 9)}}));
    mod->emitCurrentValueChanged();
    EXPECT_EQ(mod->getNoOfDeltas(), 5u);
    EXPECT_EQ(evaluated(0), DzVec3(1, 0, 0));
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(evaluated(i),
                  static_cast<DzFacetMesh*>(object->getCurrentShape()->getGeometry())->getVertex(i));
}

TEST(HvMeshModifier, SetOverwritesOnlyGivenVerticesAndMergeAddsOrSubtracts) {
    CountingModifier mod;
    mod.setDeltas(offsets({{1, HvVec3(1, 1, 1)}, {2, HvVec3(2, 2, 2)}}));
    mod.setDeltas(offsets({{2, HvVec3(5, 0, 0)}, {3, HvVec3(3, 0, 0)}}));
    expectVec(mod.getDelta(1), 1, 1, 1);
    expectVec(mod.getDelta(2), 5, 0, 0);
    expectVec(mod.getDelta(3), 3, 0, 0);
    expectVec(mod.getDelta(7), 0, 0, 0);  // none stored
    EXPECT_EQ(mod.getNoOfDeltas(), 3u);

    mod.mergeDeltas(offsets({{1, HvVec3(1, 2, 3)}, {9, HvVec3(1, 2, 3)}}), HvMeshModifier::WriteMode::Add);
    expectVec(mod.getDelta(1), 2, 3, 4);
    expectVec(mod.getDelta(9), 1, 2, 3);
    mod.mergeDeltas(offsets({{3, HvVec3(1, 0, 0)}, {10, HvVec3(1, 2, 3)}}),
                    HvMeshModifier::WriteMode::Subtract);
    expectVec(mod.getDelta(3), 2, 0, 0);
    expectVec(mod.getDelta(10), -1, -2, -3);  // a vertex without delta gets the negation

    HvVertexOffsets copy = mod.getDeltas();
    ASSERT_EQ(copy.size(), 5u);
    EXPECT_EQ(copy.begin()->first, 1);
    EXPECT_EQ(copy.rbegin()->first, 10);
}

TEST(HvMeshModifier, ClearEmptiesDeltasAndMorphNameWithoutSignalOrCompaction) {
    CountingModifier mod;
    mod.setLastImportedMorphName("Smile");
    QElapsedTimer clock;
    clock.start();
    mod.setDeltas(offsets({{1, HvVec3(0, 0, 0)}}));
    QSignalSpy changed(&mod, &DzModifier::currentValueChanged);
    mod.clearDeltas();
    EXPECT_EQ(mod.getNoOfDeltas(), 0u);
    EXPECT_EQ(mod.getLastImportedMorphName(), "");
    EXPECT_EQ(changed.count(), 0);
    // The timer started by the earlier write runs on an empty map: nothing to report.
    dztest::runEventsUntil(clock, 3300);
    EXPECT_EQ(mod.statsCalls, 0);
}

TEST(HvMeshModifier, CompactionErasesOnlyEntriesStrictlyBelowEpsilon) {
    float const nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        HvVec3 delta;
        bool erased;
    } const cases[] = {
        {HvVec3(0, 0, 0), true},
        {HvVec3(0, 0, 1e-7f), true},
        {HvVec3(-1e-7f, 1e-7f, -1e-7f), true},
        {HvVec3(0, 0, 1.2e-7f), false},
        {HvVec3(0, 0, FLT_EPSILON), false},  // strictly below only
        {HvVec3(0, -FLT_EPSILON, 0), false},
        {HvVec3(nan, 0, 0), false},
        {HvVec3(0, 0, 1.0f), false},
    };
    CountingModifier mod;
    HvVertexOffsets in;
    for (int i = 0; i < int(std::size(cases)); ++i) in[i] = cases[i].delta;
    mod.setDeltas(in);
    ASSERT_TRUE(waitForCompaction(mod, 0));
    EXPECT_EQ(mod.statsCalls, 1);
    HvVertexOffsets out = mod.getDeltas();
    for (int i = 0; i < int(std::size(cases)); ++i)
        EXPECT_EQ(out.count(i) == 0, cases[i].erased) << "case " << i;
}

TEST(HvMeshModifier, UndoneDragLeavesZerosUntilCompactionReportsOnce) {
    CountingModifier mod;
    HvVertexOffsets drag = offsets({{0, HvVec3(0.1f, 0.2f, 0.3f)}, {5, HvVec3(-1, 0, 1)}});
    mod.setDeltas(offsets({{5, HvVec3(2, 2, 2)}}));
    mod.mergeDeltas(drag, HvMeshModifier::WriteMode::Add);
    mod.mergeDeltas(drag, HvMeshModifier::WriteMode::Subtract);
    EXPECT_EQ(mod.getNoOfDeltas(), 2u);  // vertex 0 holds a zero delta for now
    expectVec(mod.getDelta(5), 2, 2, 2);
    ASSERT_TRUE(waitForCompaction(mod, 0));
    EXPECT_EQ(mod.statsCalls, 1);
    EXPECT_EQ(mod.getNoOfDeltas(), 1u);
    // Compaction that finds nothing to erase stays silent.
    QElapsedTimer clock;
    clock.start();
    mod.triggerCompact();
    dztest::runEventsUntil(clock, 3300);
    EXPECT_EQ(mod.statsCalls, 1);
}

TEST(HvMeshModifier, QuickWritesPostponeCompaction) {
    CountingModifier mod;
    QElapsedTimer clock;
    clock.start();
    mod.setDeltas(offsets({{1, HvVec3(0, 0, 0)}}));
    dztest::runEventsUntil(clock, 1500);
    if (mod.statsCalls != 0 || clock.elapsed() > 2500)
        GTEST_SKIP() << "the machine stalled past the first write's compaction";
    qint64 const lastWrite = clock.elapsed();
    mod.setDeltas(HvVertexOffsets());  // an empty write still restarts the timer
    ASSERT_TRUE(waitForCompaction(mod, 0));
    // A timer may fire up to 5 % early; late is never wrong.
    EXPECT_GE(clock.elapsed() - lastWrite, 2850);
    EXPECT_EQ(mod.getNoOfDeltas(), 0u);
}

// Large ordered writes are split into parts (on the pool from the GUI thread): every mode, into vertices that
// all have entries (written in place) and into some that have none (merged), give bit for bit what writing
// entry by entry into a node map gives, NaN included.
TEST(HvMeshModifier, LargeOrderedWritesMatchWritingEntryByEntry) {
    struct Case {
        char const* name;
        int mapStep;     // the map holds every mapStep-th vertex
        int valueStep;   // the values are at every valueStep-th vertex
        int valueFirst;  // from this one
    };
    Case const cases[] = {
        {"same vertices", 1, 1, 0},
        {"a subset, with gaps", 1, 4, 3},
        {"new vertices between", 2, 1, 0},
        {"into an empty map", 0, 3, 1},
        {"new vertices past the end", 1, 1, 150000},
    };
    int const kVertices = 300000;
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-4.0f, 4.0f);
    auto randomOffset = [&] {
        HvVec3 v(value(rng), value(rng), value(rng));
        if (rng() % 97 == 0)
            v.y = std::numeric_limits<float>::quiet_NaN();
        return v;
    };
    for (Case const& c : cases) {
        std::map<int32_t, HvVec3> reference;
        HvVertexOffsets map;
        if (c.mapStep > 0)
            for (int v = 0; v < kVertices; v += c.mapStep) {
                HvVec3 const d = randomOffset();
                reference[v] = d;
                map.emplace_back(v, d);
            }
        std::vector<std::pair<int32_t, HvVec3>> values;
        for (int v = c.valueFirst; v < kVertices + 1000; v += c.valueStep)
            values.emplace_back(v, randomOffset());
        ASSERT_GE(values.size(), 65536u) << c.name << ": too few values to split";
        for (auto mode : {HvMeshModifier::WriteMode::Add, HvMeshModifier::WriteMode::Subtract,
                          HvMeshModifier::WriteMode::Assign}) {
            for (auto const& [v, x] : values) {
                auto [it, made] = reference.try_emplace(
                    v, mode == HvMeshModifier::WriteMode::Subtract ? HvVec3(-x.x, -x.y, -x.z) : x);
                if (made)
                    continue;
                HvVec3& d = it->second;
                if (mode == HvMeshModifier::WriteMode::Assign)
                    d = x;
                else if (mode == HvMeshModifier::WriteMode::Add)
                    d = HvVec3(d.x + x.x, d.y + x.y, d.z + x.z);
                else
                    d = HvVec3(d.x - x.x, d.y - x.y, d.z - x.z);
            }
            HvMeshModifier::WriteOrdered(map, values, mode);
            ASSERT_EQ(map.size(), reference.size()) << c.name;
            auto r = reference.begin();
            for (auto const& [v, d] : map) {
                ASSERT_EQ(v, r->first) << c.name;
                ASSERT_EQ(0, std::memcmp(&d, &r->second, sizeof(HvVec3))) << c.name << ", vertex " << v;
                ++r;
            }
        }
    }
}

TEST(HvMeshModifier, LockGuardsTheMapHandedOut) {
    CountingModifier mod;
    {
        HvMeshModifierLock lock(mod);
        mod.getOffsets()[3] = HvVec3(1, 2, 3);
    }
    expectVec(mod.getDelta(3), 1, 2, 3);  // would deadlock if the lock were still held
    EXPECT_EQ(mod.getAssetType(), 3);
    EXPECT_EQ(mod.toQObject(), &mod);
    EXPECT_EQ(mod.getName(), "TestModifier");
}

TEST(HvMeshModifier, ApplyInverseLeavesTheMeshAlone) {
    std::unique_ptr<DzNode> node(dztest::makeNode("Grid", dztest::makeGrid(1, 1)));
    CountingModifier mod;
    mod.setDeltas(offsets({{0, HvVec3(1, 1, 1)}}));
    DzFacetMesh copy;
    copy.copyFrom(*node->getObject()->getCurrentShape()->getGeometry(), false, true);
    EXPECT_EQ(mod.applyInverse(copy, *node), 0);
    EXPECT_EQ(copy.getVertex(0), DzVec3(0, 0, 0));
    EXPECT_EQ(mod.apply(copy, *node), 0);
    EXPECT_EQ(copy.getVertex(0), DzVec3(1, 1, 1));
}

namespace {
// Builds an object whose modifiers are named by the letters: 'S' a skin binding, 'L' a legacy binding,
// 'P' a modifier named "HV_PullformModifier", anything else a plain modifier.
std::unique_ptr<DzNode> nodeWithModifiers(std::string const& kinds) {
    std::unique_ptr<DzNode> node(dztest::makeNode("Body", dztest::makeGrid(1, 1)));
    int n = 0;
    for (char k : kinds) {
        DzModifier* m = k == 'S'   ? static_cast<DzModifier*>(new DzSkinBinding)
                        : k == 'L' ? static_cast<DzModifier*>(new DzLegacyBinding)
                        : k == 'P' ? static_cast<DzModifier*>(new PlainModifier("HV_PullformModifier"))
                                   : static_cast<DzModifier*>(new PlainModifier(QString("M%1").arg(n)));
        ++n;
        node->getObject()->addModifier(m);
    }
    return node;
}
}  // namespace

TEST(HvMeshModifierFindOrInsert, InsertsBeforeTheFirstBindingOrAppends) {
    struct Case {
        char const* kinds;
        int expectedPosition;
    } const cases[] = {
        {"", 0}, {"AB", 2}, {"ASB", 1}, {"ALB", 1}, {"LS", 0}, {"ABS", 2}, {"SL", 0},
    };
    for (Case const& c : cases) {
        auto node = nodeWithModifiers(c.kinds);
        DzObject* object = node->getObject();
        int made = 0;
        DzModifier* m = HvMeshModifier::FindOrInsert(*node, *object, "HV_PullformModifier", [&made] {
            ++made;
            return new CountingModifier("HV_PullformModifier");
        });
        EXPECT_EQ(made, 1) << c.kinds;
        EXPECT_EQ(object->getModifier(c.expectedPosition), m) << c.kinds;
        EXPECT_EQ(object->getNumModifiers(), int(std::strlen(c.kinds)) + 1);
        // A second call finds it by name.
        EXPECT_EQ(HvMeshModifier::FindOrInsert(*node, *object, "HV_PullformModifier", {}), m);
    }
}

TEST(HvMeshModifierFindOrInsert, ExistingModifierOfTheNameIsReturnedUnmovedWhateverItsClass) {
    auto node = nodeWithModifiers("SAP");
    DzObject* object = node->getObject();
    DzModifier* existing = object->getModifier(2);
    DzModifier* found = HvMeshModifier::FindOrInsert(
        *node, *object, "HV_PullformModifier", [] { return new CountingModifier("HV_PullformModifier"); });
    EXPECT_EQ(found, existing);
    EXPECT_EQ(object->getModifier(2), existing);
    EXPECT_EQ(dynamic_cast<HvMeshModifier*>(found), nullptr);  // callers must check the cast
    EXPECT_EQ(object->getNumModifiers(), 3);
}

TEST(HvMeshModifierFindOrInsert, EmptyFactoryThrowsBadFunctionCall) {
    auto node = nodeWithModifiers("A");
    EXPECT_THROW(HvMeshModifier::FindOrInsert(*node, *node->getObject(), "HV_PullformModifier", {}),
                 std::bad_function_call);
    EXPECT_EQ(node->getObject()->getNumModifiers(), 1);
}
