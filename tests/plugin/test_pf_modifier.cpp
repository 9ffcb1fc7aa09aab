#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>

#include "dzclassfactory.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzwait.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzskinbinding.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_test_support.h"
#include "pf_tool.h"
#include "pf_dlg_settings-tool.h"

namespace {

DzMorphDeltas* morphOf(std::initializer_list<std::pair<int, DzVec3>> entries) {
    auto* d = new DzMorphDeltas;
    for (auto const& [i, v] : entries) d->addDelta(i, v, false, 0);
    return d;
}

void expectVec(HvVec3 const& v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

}  // namespace

TEST(PfModifier, CarriesTheFixedName) {
    PfModifier modifier;
    EXPECT_EQ(modifier.getName(), "HV_PullformModifier");
    EXPECT_STREQ(g_pcszPullformModifierName, "HV_PullformModifier");
}

// Entries whose scaled components are all within FLT_EPSILON of zero are skipped.
TEST(PfModifier, ImportAddsScaledEntriesAboveTheThreshold) {
    struct Case {
        char const* what;
        DzVec3 entry;
        double scale;
        bool added;
        HvVec3 stored;
    } const cases[] = {
        {"zero entry", {0, 0, 0}, 1.0, false, {}},
        {"scale 0", {1, 2, 3}, 0.0, false, {}},
        {"2e-7 at half scale is 1e-7", {2e-7f, 0, 0}, 0.5, false, {}},
        {"2e-7 at full scale", {2e-7f, 0, 0}, 1.0, true, {2e-7f, 0, 0}},
        {"exactly FLT_EPSILON is not above it", {0, -FLT_EPSILON, 0}, 1.0, false, {}},
        {"one component is enough", {0, 0, -1.2e-7f}, 1.0, true, {0, 0, -1.2e-7f}},
        {"not a number never counts", {NAN, 0, 0}, 1.0, false, {}},
        {"negative scale", {1, -2, 0.5f}, -2.0, true, {-2, 4, -1}},
        {"product in double precision",
         {0.1f, 0, 0},
         1.0 / 3.0,
         true,
         {float(double(0.1f) * (1.0 / 3.0)), 0, 0}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        PfModifier modifier;
        std::unique_ptr<DzMorphDeltas> morph(morphOf({{4, c.entry}}));
        EXPECT_EQ(modifier.importMorphDeltas("Morph", *morph, c.scale), c.added);
        EXPECT_EQ(modifier.getLastImportedMorphName(), "Morph") << "the name is recorded either way";
        EXPECT_EQ(modifier.getNoOfDeltas(), c.added ? 1u : 0u);
        if (c.added)
            expectVec(modifier.getDelta(4), c.stored.x, c.stored.y, c.stored.z);
    }
}

TEST(PfModifier, ImportAddsToDeltasTheModifierHasAlready) {
    PfModifier modifier;
    modifier.setDeltas(HvVertexOffsets{{1, {1, 1, 1}}, {7, {0, 0, 5}}});
    std::unique_ptr<DzMorphDeltas> morph(morphOf({{1, {0.5f, 0, 0}}, {3, {0, 2, 0}}}));
    EXPECT_TRUE(modifier.importMorphDeltas("A", *morph, 1.0));
    EXPECT_TRUE(modifier.importMorphDeltas("B", *morph, 1.0));
    expectVec(modifier.getDelta(1), 2, 1, 1);
    expectVec(modifier.getDelta(3), 0, 4, 0);
    expectVec(modifier.getDelta(7), 0, 0, 5);
    EXPECT_EQ(modifier.getLastImportedMorphName(), "B");

    DzMorphDeltas none;
    EXPECT_FALSE(modifier.importMorphDeltas("Empty", none, 1.0));
    EXPECT_EQ(modifier.getLastImportedMorphName(), "Empty");
}

// Morphs may list their deltas in any order, and a vertex more than once: the deltas stay one per vertex in
// ascending order, and a vertex listed twice gets both values added in the morph's order.
TEST(PfModifier, ImportTakesDeltasInAnyOrderAndAddsARepeatedVertexTwice) {
    struct Case {
        char const* what;
        std::initializer_list<std::pair<int, DzVec3>> entries;
        HvVertexOffsets expected;
    } const cases[] = {
        {"descending",
         {{9, {0, 0, 1}}, {5, {1, 0, 0}}, {2, {0, 1, 0}}},
         {{1, {1, 1, 1}}, {2, {0, 1, 0}}, {5, {1, 0, 0}}, {9, {0, 0, 1}}}},
        {"repeated",
         {{7, {0, 0, 1}}, {1, {0.5f, 0, 0}}, {7, {0, 0, 2}}, {3, {0, 1, 0}}},
         {{1, {1.5f, 1, 1}}, {3, {0, 1, 0}}, {7, {0, 0, 3}}}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        PfModifier modifier;
        modifier.setDeltas(HvVertexOffsets{{1, {1, 1, 1}}});
        std::unique_ptr<DzMorphDeltas> morph(morphOf(c.entries));
        EXPECT_TRUE(modifier.importMorphDeltas("M", *morph, 1.0));
        EXPECT_EQ(modifier.getDeltas(), c.expected);
        for (auto const& [vertex, delta] : c.expected) EXPECT_EQ(modifier.getDelta(unsigned(vertex)), delta);
    }
}

TEST(PfModifier, ExportAppendsEveryDeltaExactlyInIndexOrder) {
    PfModifier modifier;
    modifier.setDeltas(HvVertexOffsets{{9, {1e-9f, 0, 0}}});
    modifier.setDeltas(HvVertexOffsets{{2, {0.1f, -0.2f, 0.3f}}});
    modifier.setDeltas(HvVertexOffsets{{5, {0, 0, 0}}});
    DzMorphDeltas morph;
    modifier.exportMorphDeltas(morph);
    ASSERT_EQ(morph.getNumDeltas(), 3);
    EXPECT_EQ(morph.getDeltaIndex(0), 2);
    EXPECT_EQ(morph.getDeltaIndex(1), 5);
    EXPECT_EQ(morph.getDeltaIndex(2), 9);
    EXPECT_EQ(morph.getDelta(0), DzVec3(0.1f, -0.2f, 0.3f));
    EXPECT_EQ(morph.getDelta(1), DzVec3(0, 0, 0)) << "no threshold";
    EXPECT_EQ(morph.getDelta(2), DzVec3(1e-9f, 0, 0));
    EXPECT_EQ(modifier.getNoOfDeltas(), 3u) << "export leaves the deltas";

    PfModifier empty;
    DzMorphDeltas nothing;
    empty.exportMorphDeltas(nothing);
    EXPECT_EQ(nothing.getNumDeltas(), 0);
}

using PfModifierWithToolTest = pftest::PfToolViewportTest;

// The tool active on a node whose plug-in modifier holds two deltas, its pane showing them.
TEST_F(PfModifierWithToolTest, CompactionThatErasesDeltasRefreshesTheActiveToolsStatistics) {
    DzNode* node = fx.addNode(dztest::makeNode("N", dztest::makeGrid(1, 1)));
    auto* modifier = new PfModifier;
    modifier->setDeltas(HvVertexOffsets{{1, {1, 0, 0}}, {2, {0, 1, 0}}});
    node->getObject()->addModifier(modifier);
    dzScene->setPrimarySelection(node);
    registerTool();
    QWidget parent;
    auto* pane = qobject_cast<PfToolOptionsWidget*>(tool->getPane(&parent));
    ASSERT_TRUE(pane);
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    ASSERT_EQ(tool->getSelection()->getModifier(), modifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->getDeltaCount() == 2; }, dztest::kEventDeadlineMs));

    // A write that signals nothing: only the compaction that erases the near-zero delta refreshes the pane.
    modifier->setDeltas(HvVertexOffsets{{1, {0, 0, 1e-8f}}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane->getDeltaCount() == 1; }, dztest::kEventDeadlineMs));
    EXPECT_EQ(modifier->getNoOfDeltas(), 1u);

    // The request itself, and none from a compaction that erases nothing.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !tool->isToolSettingsStatsUpdatePending(); }, dztest::kEventDeadlineMs));
    QMetaObject::invokeMethod(modifier, "slotCompactDelayed");
    EXPECT_FALSE(tool->isToolSettingsStatsUpdatePending());
    modifier->setDeltas(HvVertexOffsets{{2, {0, 0, 0}}});
    QMetaObject::invokeMethod(modifier, "slotCompactDelayed");
    EXPECT_EQ(modifier->getNoOfDeltas(), 0u);
    EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());

    // With no tool the notification does nothing.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !tool->isToolSettingsStatsUpdatePending(); }, dztest::kEventDeadlineMs));
    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    PfModifier alone;
    alone.setDeltas(HvVertexOffsets{{1, {0, 0, 0}}});
    QMetaObject::invokeMethod(&alone, "slotCompactDelayed");
    EXPECT_EQ(alone.getNoOfDeltas(), 0u);
    EXPECT_FALSE(tool->isToolSettingsStatsUpdatePending());
}

TEST(PfModifierIO, CreatesAPfModifierAtTheEndOfTheObject) {
    PfModifierIO io;
    std::unique_ptr<DzNode> node(dztest::makeNode("N", dztest::makeGrid(1, 1)));
    node->getObject()->addModifier(new DzSkinBinding);
    DzModifier* made = io.createModifier("anything", node->getObject());
    EXPECT_NE(qobject_cast<PfModifier*>(made), nullptr);
    EXPECT_EQ(node->getObject()->getModifier(1), made);
    EXPECT_EQ(made->getName(), "HV_PullformModifier");
}

// A scene with an edited modifier survives save and load exactly, in its place before the binding.
TEST(PfModifierIO, AnEditedSceneSurvivesSaveAndLoad) {
    DzPlugin plugin("pullform test");
    DzTClassFactory<PfModifierIO> factory(DzGuid::fromString("{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}"));
    plugin.addClassFactory(&factory);
    plugin.addIOClassRegistration(QString("studio/modifier/") + "halvorin_pullform_modifier",
                                  &PfModifierIO::staticMetaObject, &PfModifier::staticMetaObject);
    QTemporaryDir dir;
    QString const file = dir.filePath("edited.json");
    DzScene* scene = dzScene;
    scene->clear();

    DzNode* node = dztest::makeNode("Body", dztest::makeSphere(12, 16));
    node->setOrigin({0, 0, 1});
    node->setLocalRot(DzQuat({1, 0, 0}, 0.5f));
    DzObject* object = node->getObject();
    auto* smile = new DzMorph(morphOf({{3, {0.1f, 0, 0}}}));
    smile->setName("Smile");
    object->addModifier(smile);
    auto* skin = new DzSkinBinding;
    skin->setPose(DzMatrix3::translation({0, 0.5f, 0}));
    object->addModifier(skin);
    scene->addNode(node);
    auto* mine = static_cast<PfModifier*>(HvMeshModifier::FindOrInsert(
        *node, *object, g_pcszPullformModifierName, [] { return new PfModifier; }));
    ASSERT_EQ(object->getModifier(1), mine);
    HvVertexOffsets const edit{{0, {0.25f, -1e-3f, 3.3e-5f}}, {17, {1.0f / 3.0f, 2.0f / 3.0f, -7.25f}}};
    mine->setDeltas(edit);
    mine->emitCurrentValueChanged();
    std::vector<float> shown;
    {
        auto* mesh = static_cast<DzFacetMesh*>(object->getCachedGeom());
        shown.assign(&mesh->getVerticesPtr()[0][0],
                     &mesh->getVerticesPtr()[0][0] + mesh->getNumVertices() * 3);
    }

    QString error;
    ASSERT_TRUE(scene->saveScene(file, &error)) << error.toStdString();
    scene->clear();
    ASSERT_TRUE(scene->loadScene(file, &error)) << error.toStdString();

    DzObject* loaded = scene->findNode("Body")->getObject();
    ASSERT_EQ(loaded->getNumModifiers(), 3);
    EXPECT_EQ(loaded->getModifier(0)->getName(), "Smile");
    auto* again = qobject_cast<PfModifier*>(loaded->findModifier(g_pcszPullformModifierName));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(loaded->getModifier(1), again);
    EXPECT_TRUE(loaded->getModifier(2)->inherits("DzSkinBinding"));
    HvVertexOffsets const back = again->getDeltas();
    ASSERT_EQ(back.size(), edit.size());
    for (auto const& [index, offset] : edit)
        EXPECT_EQ(std::memcmp(&back.at(index), &offset, sizeof offset), 0) << index;
    auto* mesh = static_cast<DzFacetMesh*>(loaded->getCachedGeom());
    ASSERT_EQ(size_t(mesh->getNumVertices()) * 3, shown.size());
    EXPECT_EQ(std::memcmp(mesh->getVerticesPtr(), shown.data(), shown.size() * sizeof(float)), 0);

    // Without deltas the modifier is not written, and the tool inserts it again when it needs one.
    again->clearDeltas();
    ASSERT_TRUE(scene->saveScene(file, &error));
    ASSERT_TRUE(scene->loadScene(file, &error));
    EXPECT_EQ(scene->findNode("Body")->getObject()->findModifier(g_pcszPullformModifierName), nullptr);
    scene->clear();
}

namespace {

struct PullformIO {
    PullformIO() {
        plugin.addClassFactory(&factory);
        plugin.addIOClassRegistration(QString("studio/modifier/") + "halvorin_pullform_modifier",
                                      &PfModifierIO::staticMetaObject, &PfModifier::staticMetaObject);
    }
    DzPlugin plugin{"pullform test"};
    DzTClassFactory<PfModifierIO> factory{DzGuid::fromString("{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}")};
};

}  // namespace

// A scene opened while the plug-in is missing and saved then still holds the edit; the next load with the
// plug-in restores it in its place.
TEST(PfModifierIO, AnEditSurvivesASaveMadeWithoutThePlugIn) {
    QTemporaryDir dir;
    QString const file = dir.filePath("edited.json");
    DzScene* scene = dzScene;
    scene->clear();
    DzNode* node = dztest::makeNode("Body", dztest::makeGrid(3, 3));
    scene->addNode(node);
    HvVertexOffsets const edit{{2, {0.25f, -1e-3f, 3.3e-5f}}, {9, {1.0f / 3.0f, 2.0f / 3.0f, -7.25f}}};
    {
        PullformIO io;
        auto* mine = static_cast<PfModifier*>(HvMeshModifier::FindOrInsert(
            *node, *node->getObject(), g_pcszPullformModifierName, [] { return new PfModifier; }));
        mine->setDeltas(edit);
        node->getObject()->addModifier(new DzSkinBinding);
        QString error;
        ASSERT_TRUE(scene->saveScene(file, &error)) << error.toStdString();
    }

    QString error;
    ASSERT_TRUE(scene->loadScene(file, &error)) << error.toStdString();
    EXPECT_TRUE(scene->getLoadNotice().contains("is kept but not applied"))
        << scene->getLoadNotice().toStdString();
    EXPECT_EQ(qobject_cast<PfModifier*>(scene->getNode(0)->getObject()->getModifier(0)), nullptr);
    ASSERT_TRUE(scene->saveScene(file, &error)) << error.toStdString();

    PullformIO io;
    ASSERT_TRUE(scene->loadScene(file, &error)) << error.toStdString();
    EXPECT_EQ(scene->getLoadNotice(), "");
    DzObject* loaded = scene->getNode(0)->getObject();
    ASSERT_EQ(loaded->getNumModifiers(), 2);
    auto* again = qobject_cast<PfModifier*>(loaded->getModifier(0));
    ASSERT_NE(again, nullptr);
    HvVertexOffsets const back = again->getDeltas();
    ASSERT_EQ(back.size(), edit.size());
    for (auto const& [index, offset] : edit)
        EXPECT_EQ(std::memcmp(&back.at(index), &offset, sizeof offset), 0) << index;
    scene->clear();
}

// An offset no float holds is refused where it stands, as the host refuses its own single-precision values,
// so that no loaded scene holds a value no scene file can hold. The host never writes another number in the
// place of one that is not finite: a save of such a delta fails and says where the value is.
TEST(PfModifierIO, AnOffsetBeyondTheFloatRangeIsRefusedAndAnInfiniteOneStopsTheSave) {
    PullformIO io;
    QTemporaryDir dir;
    QString const file = dir.filePath("huge.json");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(
        R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0,0,0],[1,0,0],
        [0,1,0]], "facets": [[0,1,2]]}, "modifiers": [{"type": "studio/modifier/halvorin_pullform_modifier",
        "extra": {"hv_deltas": {"count": 2, "values": [[1, 0.5, 0, 0], [2, 1e300, 0, 1]]}}}]}}]})");
    out.close();
    DzScene* scene = dzScene;
    scene->clear();
    QString error;
    EXPECT_FALSE(scene->loadScene(file, &error));
    EXPECT_EQ(error, QString("cannot load scene file \"%1\": at nodes[0].object.modifiers[0].extra.hv_deltas."
                             "values[1][1]: the number 1e+300 is outside the single-precision range")
                         .arg(file));
    EXPECT_EQ(scene->getNumNodes(), 0);

    DzNode* node = dztest::makeNode("N", dztest::makeGrid(1, 1));
    scene->addNode(node);
    auto* mine = static_cast<PfModifier*>(HvMeshModifier::FindOrInsert(
        *node, *node->getObject(), g_pcszPullformModifierName, [] { return new PfModifier; }));
    mine->setDeltas(HvVertexOffsets{{1, {0.5f, 0, 0}}, {2, {INFINITY, 0, 1}}});
    QByteArray const old = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    EXPECT_FALSE(scene->saveScene(file, &error));
    EXPECT_EQ(error, QString("cannot save scene file \"%1\": at nodes[0].object.modifiers[0].extra.hv_deltas."
                             "values[1][1]: a number that is not finite (inf) cannot be written")
                         .arg(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
    scene->clear();
}
