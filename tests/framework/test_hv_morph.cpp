#include <gtest/gtest.h>

#include <memory>

#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzintproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzskinbinding.h"
#include "hv_base.h"
#include "hv_morph.h"

namespace {

DzMorphDeltas* deltasOf(std::initializer_list<std::pair<int, DzVec3>> entries,
                        QString const& uri = QString()) {
    auto* d = new DzMorphDeltas;
    d->setUri(DzUri(uri));
    for (auto const& e : entries) d->addDelta(e.first, e.second, true, 0);
    return d;
}

// A 2 x 1 grid (6 vertices) with a skin binding at rest, then the morphs that a test adds.
struct MorphList : ::testing::Test {
    void SetUp() override {
        node.reset(dztest::makeNode("Body", dztest::makeGrid(2, 1)));
        object = node->getObject();
        object->addModifier(new DzSkinBinding);
    }

    DzMorph* addMorph(QString const& name, float value, bool favorite, DzMorphDeltas* deltas = nullptr) {
        auto* morph = new DzMorph(deltas ? deltas : deltasOf({{1, {0, 0, 1}}}));
        morph->setName(name);
        morph->setLabel(name + " label");
        morph->getValueProperty()->setValue(value);
        morph->getValueProperty()->setFavorite(favorite);
        object->addModifier(morph);
        return morph;
    }

    DzVec3 evaluated(int i) { return static_cast<DzFacetMesh*>(object->getCachedGeom())->getVertex(i); }

    std::unique_ptr<DzNode> node;
    DzObject* object = nullptr;
};

template <typename F>
std::string thrownText(F&& f) {
    try {
        f();
    } catch (std::exception const& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST_F(MorphList, ANodeWithoutObjectOrMorphsGivesAnEmptyList) {
    DzNode bare;
    HvMorphList none(bare);
    EXPECT_EQ(none.getNumMorphs(), 0u);
    EXPECT_TRUE(none.getFavorites().empty());

    HvMorphList onlyBinding(*node);
    EXPECT_EQ(onlyBinding.getNumMorphs(), 0u);
    EXPECT_TRUE(onlyBinding.getFavorites().empty());
    EXPECT_EQ(onlyBinding.findMorphByName("SkinBinding"), nullptr) << "only morphs are listed";
}

TEST_F(MorphList, AMorphWithTwoPropertiesIsRefused) {
    addMorph("Smile", 0, false)->addProperty(new DzIntProperty("Extra"));
    EXPECT_EQ(thrownText([&] { HvMorphList list(*node); }), "expected modifier to have exactly one property");
}

TEST_F(MorphList, FavouritesKeepListOrderAndKeepTheirDialValues) {
    addMorph("Half", 0.5f, true);
    addMorph("Plain", 1.0f, false);
    addMorph("Zero", 0.0f, true);
    HvMorphList list(*node);
    EXPECT_EQ(list.getNumMorphs(), 3u);
    ASSERT_EQ(list.getFavorites().size(), 2u);
    EXPECT_EQ(list.getFavorites()[0]->morph->getName(), "Half");
    EXPECT_EQ(list.getFavorites()[0]->property->getValue(), 0.5);
    EXPECT_EQ(list.getFavorites()[1]->morph->getName(), "Zero");
    EXPECT_EQ(list.getFavorites()[1]->property->getValue(), 0.0);
    EXPECT_TRUE(list.getFavorites()[1]->favorite);
    EXPECT_FALSE(list.findMorphByName("Plain")->favorite);

    // A snapshot: the flag was taken when the entry was made.
    list.findMorphByName("Plain")->property->setFavorite(true);
    EXPECT_EQ(list.getFavorites().size(), 2u);
    EXPECT_EQ(HvMorphList(*node).getFavorites().size(), 3u);
}

TEST_F(MorphList, LookupByNameIsExactAndTheLaterOfTwoEqualNamesWins) {
    DzMorph* first = addMorph("Smile", 0, true);
    DzMorph* second = addMorph("Smile", 0, true);
    addMorph("Frown", 0, false);
    HvMorphList list(*node);
    EXPECT_EQ(list.getNumMorphs(), 3u) << "both stay in the sequences";
    EXPECT_EQ(list.getFavorites().size(), 2u);
    EXPECT_EQ(list.getFavorites()[0]->morph, first);
    ASSERT_NE(list.findMorphByName("Smile"), nullptr);
    EXPECT_EQ(list.findMorphByName("Smile")->morph, second);
    EXPECT_EQ(list.findMorphByName("Smile")->property, second->getValueProperty());
    for (char const* absent : {"smile", "Smile ", "Smil", ""})
        EXPECT_EQ(list.findMorphByName(absent), nullptr) << absent;
}

TEST_F(MorphList, DeltaUrisUnderDataMarkSupportAssets) {
    struct Case {
        char const* uri;
        bool supportAsset;
    } const cases[] = {
        {"/data/figure/morphs/smile.dsf#smile", true},
        {"/data/", true},
        {"", false},  // saved with the scene
        {"data/figure/smile.dsf", false},
        {"/database/smile.dsf", false},
        {"/Data/figure/smile.dsf", false},
        {"/scenes/x.json#Smile", false},
        {"/scenes/data/smile.dsf", false},
    };
    for (Case const& c : cases) addMorph(c.uri, 0, false, deltasOf({}, c.uri));
    auto* without = new DzMorph;  // no delta set at all
    without->setName("NoDeltas");
    object->addModifier(without);

    HvMorphList list(*node);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.uri);
        HvMorphInfoPtr info = list.findMorphByName(c.uri);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->deltasUri, c.uri);
        EXPECT_EQ(info->supportAsset, c.supportAsset);
    }
    EXPECT_EQ(list.findMorphByName("NoDeltas")->deltasUri, "");
    EXPECT_FALSE(list.findMorphByName("NoDeltas")->supportAsset);
}

TEST_F(MorphList, ANewMorphGoesAtTheEndAndDialsFromZeroToOne) {
    addMorph("Old", 0, true);
    HvMorphList list(*node);
    HvMorphInfoPtr info =
        list.addMorphOrThrow(deltasOf({{4, {0, 2, 0}}}), "Pulled", false, "Pulled label", "/General/Morphs");
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(object->getNumModifiers(), 3);
    EXPECT_EQ(object->getModifier(2), info->morph) << "after the skin binding and the old morph";
    EXPECT_EQ(list.getNumMorphs(), 2u);
    EXPECT_EQ(list.findMorphByName("Pulled"), info);
    EXPECT_EQ(list.getFavorites().size(), 1u) << "a new morph is no favourite";
    EXPECT_FALSE(info->favorite);
    EXPECT_EQ(info->deltasUri, "");
    EXPECT_FALSE(info->supportAsset);

    DzMorph* morph = info->morph;
    DzFloatProperty* p = info->property;
    EXPECT_EQ(morph->getName(), "Pulled");
    EXPECT_EQ(morph->getLabel(), "Pulled label");
    EXPECT_EQ(p, morph->getProperty(0));
    EXPECT_EQ(p->getName(), "Pulled");
    EXPECT_EQ(p->objectName(), "Pulled");
    EXPECT_EQ(p->getLabel(), "Pulled") << "the property's label is the name, not the label";
    EXPECT_EQ(p->getPath(), "/General/Morphs");
    EXPECT_EQ(p->getMin(), 0.0f);
    EXPECT_EQ(p->getMax(), 1.0f);
    EXPECT_TRUE(p->isClamped());
    EXPECT_TRUE(p->getDisplayAsPercent());
    EXPECT_EQ(p->getValue(), 0.0);

    // The new morph dials the mesh; clamped to its range.
    EXPECT_EQ(evaluated(4), DzVec3(1, 1, 0));
    p->setValue(1.0f);
    EXPECT_EQ(evaluated(4), DzVec3(1, 3, 0));
    p->setValue(2.0f);
    EXPECT_EQ(p->getValue(), 1.0);
    EXPECT_EQ(evaluated(4), DzVec3(1, 3, 0));

    // Seen by the next list too.
    HvMorphList again(*node);
    EXPECT_EQ(again.getNumMorphs(), 2u);
    EXPECT_EQ(again.findMorphByName("Pulled")->morph, morph);
}

TEST_F(MorphList, ATakenNameIsRefusedWithoutOverwriteAndChangesNothing) {
    DzMorph* smile = addMorph("Smile", 0.25f, true);
    DzMorphDeltas const* before = smile->getDeltas();
    HvMorphList list(*node);
    EXPECT_EQ(thrownText([&] {
                  list.addMorphOrThrow(deltasOf({{0, {1, 1, 1}}}), "Smile", false, "L", "/Pullform");
              }),
              "a morph with the name \u201cSmile\u201d exists already");
    EXPECT_EQ(object->getNumModifiers(), 2);
    EXPECT_EQ(smile->getDeltas(), before);
    EXPECT_EQ(list.getNumMorphs(), 1u);
}

TEST_F(MorphList, OverwriteGivesOnlyNewDeltasToTheExistingMorph) {
    DzMorph* smile = addMorph("Smile", 0.5f, true);
    smile->getValueProperty()->setPath("/Face");
    HvMorphList list(*node);
    HvMorphInfoPtr existing = list.findMorphByName("Smile");
    HvMorphInfoPtr info =
        list.addMorphOrThrow(deltasOf({{2, {4, 0, 0}}}), "Smile", true, "New label", "/Pullform");
    EXPECT_EQ(info, existing);
    EXPECT_EQ(object->getNumModifiers(), 2);
    EXPECT_EQ(list.getNumMorphs(), 1u);
    ASSERT_EQ(smile->getDeltas()->getNumDeltas(), 1);
    EXPECT_EQ(smile->getDeltas()->getDeltaIndex(0), 2);
    EXPECT_EQ(smile->getLabel(), "Smile label");
    EXPECT_EQ(smile->getValueProperty()->getPath(), "/Face");
    EXPECT_EQ(smile->getValueProperty()->getValue(), 0.5);
    EXPECT_FALSE(smile->getValueProperty()->isClamped()) << "the property's settings stay";
    EXPECT_TRUE(smile->getValueProperty()->isFavorite());
    EXPECT_EQ(evaluated(2), DzVec3(4, 0, 0)) << "the mesh follows the new deltas at the morph's value";
}

TEST_F(MorphList, ANewMorphNeedsAnObject) {
    DzNode bare;
    HvMorphList list(bare);
    EXPECT_EQ(thrownText([&] { list.addMorphOrThrow(deltasOf({}), "M", false, "M", "/Pullform"); }),
              "internal error: the node has no object for a new morph");
    EXPECT_EQ(list.getNumMorphs(), 0u);
}
