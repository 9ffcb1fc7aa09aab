#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <cstring>

#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzpropertygrouptree.h"
#include "dzscene.h"
#include "dzskinbinding.h"

namespace {

// A morph as the plug-in makes one: property named after the morph, 0..1, clamped, shown in percent.
DzMorph* makeMorph(QString const& name, QString const& path, DzMorphDeltas* deltas) {
    auto* morph = new DzMorph(deltas);
    morph->setName(name);
    morph->setLabel(name + " label");
    DzFloatProperty* p = morph->getValueProperty();
    p->setName(name);
    p->setLabel(name);
    p->setMinMax(0.0f, 1.0f);
    p->setIsClamped(true);
    p->setDisplayAsPercent(true);
    p->setPath(path);
    return morph;
}

DzMorphDeltas* deltas(int index, DzVec3 const& d, QString const& uri = QString()) {
    auto* set = new DzMorphDeltas;
    set->addDelta(index, d, true, 0);
    set->setUri(DzUri(uri));
    return set;
}

DzVec3 evaluated(DzNode& node, int i) {
    return static_cast<DzFacetMesh*>(node.getObject()->getCachedGeom())->getVertex(i);
}

QStringList allPaths(DzNode& node) {
    QStringList paths;
    node.getPropertyGroups()->collectAllPaths(paths);
    return paths;
}

uint32_t bitsOf(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

}  // namespace

TEST(HostMorphParams, DialingMovesTheMeshAtOnce) {
    std::unique_ptr<DzNode> node(dztest::makeNode("N", dztest::makeGrid(1, 1)));  // vertex 3 at (1, 1, 0)
    DzObject* object = node->getObject();
    DzMorph* morph = makeMorph("Lift", "/Morphs", deltas(3, {0, 0, 2}));
    object->addModifier(morph);
    DzFloatProperty* dial = morph->getValueProperty();
    EXPECT_EQ(evaluated(*node, 3), DzVec3(1, 1, 0));

    QSignalSpy invalidated(object, &DzObject::cachedGeomInvalidated);
    struct Step {
        float set;
        double value;  // after clamping to 0..1
        float z;
    } const steps[] = {
        {0.25f, 0.25, 0.5f}, {1.0f, 1.0, 2.0f}, {1.5f, 1.0, 2.0f}, {-1.0f, 0.0, 0.0f}, {0.5f, 0.5, 1.0f}};
    for (Step const& s : steps) {
        SCOPED_TRACE(s.set);
        int const before = invalidated.count();
        dial->setValue(s.set);
        EXPECT_EQ(dial->getValue(), s.value);
        if (s.set == float(s.value)) {
            EXPECT_EQ(invalidated.count(), before + 1) << "the object knows at once that its shape changed";
        }
        EXPECT_EQ(evaluated(*node, 3), DzVec3(1, 1, s.z));
    }
}

TEST(HostMorphParams, TheFavouriteMarkSignalsOnlyChanges) {
    DzFloatProperty p("Smile");
    QSignalSpy spy(&p, &DzProperty::favoriteChanged);
    p.setFavorite(false);
    p.setFavorite(true);
    p.setFavorite(true);
    p.setFavorite(false);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(spy.at(1).at(0).toBool());
    EXPECT_FALSE(p.isFavorite());
}

TEST(HostMorphParams, PropertyGroupsFormATreeOfEveryPathInTheOrderFirstMet) {
    std::unique_ptr<DzNode> node(dztest::makeNode("Body", dztest::makeGrid(1, 1)));
    auto* visible = new DzFloatProperty("Visible");
    visible->setPath("/General/Display");
    node->addProperty(visible);
    auto* loose = new DzFloatProperty("Loose");  // no path: the root holds it
    node->addProperty(loose);
    DzObject* object = node->getObject();
    object->addModifier(new DzSkinBinding);
    DzMorph* smile = makeMorph("Smile", "/General/Morphs/Face", deltas(0, {1, 0, 0}));
    object->addModifier(smile);
    object->addModifier(makeMorph("Blink", "Pullform", deltas(0, {1, 0, 0})));           // no leading "/"
    object->addModifier(makeMorph("Frown", "//General/Morphs/", deltas(0, {1, 0, 0})));  // empty pieces
    object->addModifier(makeMorph("Wide", "/Pose/Body", deltas(0, {1, 0, 0})));

    EXPECT_EQ(allPaths(*node), QStringList({"/General", "/General/Display", "/General/Morphs",
                                            "/General/Morphs/Face", "/Pullform", "/Pose", "/Pose/Body"}));

    DzPropertyGroupTree* tree = node->getPropertyGroups();
    DzPropertyGroup* face = tree->findGroup("/General/Morphs/Face");
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(tree->findGroup("General/Morphs/Face"), face);
    EXPECT_EQ(face->getName(), "Face");
    EXPECT_EQ(face->getPath(), "/General/Morphs/Face");
    ASSERT_EQ(face->getNumProperties(), 1);
    EXPECT_EQ(face->getProperty(0), smile->getValueProperty());
    EXPECT_EQ(tree->findGroupOf(smile->getValueProperty()), face);
    EXPECT_EQ(tree->findGroup("/General/Morphs")->getProperty(0)->getName(), "Frown");
    EXPECT_EQ(tree->findGroupOf(loose), tree->getRoot());
    EXPECT_EQ(tree->findGroup(""), tree->getRoot());
    EXPECT_EQ(tree->findGroup("/General/Face"), nullptr);
    EXPECT_EQ(tree->findGroup("/general"), nullptr) << "names are exact";

    // Built again at every call: a moved property and a new morph show, the tree object stays the same.
    smile->getValueProperty()->setPath("/Pullform/Mine");
    object->addModifier(makeMorph("Late", "/Late", deltas(0, {1, 0, 0})));
    EXPECT_EQ(node->getPropertyGroups(), tree);
    EXPECT_EQ(allPaths(*node), QStringList({"/General", "/General/Display", "/General/Morphs", "/Pullform",
                                            "/Pullform/Mine", "/Pose", "/Pose/Body", "/Late"}));
    EXPECT_EQ(tree->findGroupOf(smile->getValueProperty())->getPath(), "/Pullform/Mine");

    DzNode bare;
    EXPECT_TRUE(allPaths(bare).isEmpty());
}

struct HostMorphScene : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        dzScene->clear();
    }
    void TearDown() override { dzScene->clear(); }

    void roundTrip() {
        QString const path = dir.filePath("morphs.json");
        QString error;
        ASSERT_TRUE(dzScene->saveScene(path, &error)) << error.toStdString();
        dzScene->clear();
        ASSERT_TRUE(dzScene->loadScene(path, &error)) << error.toStdString();
    }

    QTemporaryDir dir;
};

TEST_F(HostMorphScene, MorphsComeBackWithTheirDeltasSettingsPlaceAndOrigin) {
    DzNode* node = dztest::makeNode("Body", dztest::makeGrid(2, 1));
    DzObject* object = node->getObject();
    object->addModifier(new DzSkinBinding);
    auto* own = new DzMorphDeltas;
    float const odd[] = {1.0f / 3.0f, 7.038531e-26f, -0.0f, 1e-40f, 3.4e38f, 0.1f};
    own->addDelta(5, {odd[0], odd[1], odd[2]}, true, 0);
    own->addDelta(1, {odd[3], odd[4], odd[5]}, true, 0);
    DzMorph* pulled = makeMorph("Pulled", "/General/Morphs", own);
    pulled->getValueProperty()->setValue(1.0f);
    pulled->getValueProperty()->setFavorite(true);
    object->addModifier(pulled);
    DzMorph* library = makeMorph("Smile", "/Face", deltas(4, {0, 0, 1}, "/data/Body/morphs/smile.dsf#Smile"));
    library->getValueProperty()->setValue(0.5f);
    object->addModifier(library);
    dzScene->addNode(node);

    roundTrip();

    ASSERT_EQ(dzScene->getNumNodes(), 1);
    DzNode* back = dzScene->getNode(0);
    DzObject* o = back->getObject();
    ASSERT_EQ(o->getNumModifiers(), 3);
    EXPECT_TRUE(o->getModifier(0)->inherits("DzSkinBinding")) << "new morphs stay after the binding";
    auto* m = qobject_cast<DzMorph*>(o->getModifier(1));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->getName(), "Pulled");
    EXPECT_EQ(m->getLabel(), "Pulled label");
    ASSERT_EQ(m->getNumProperties(), 1);
    DzFloatProperty* p = m->getValueProperty();
    EXPECT_EQ(p->getName(), "Pulled");
    EXPECT_EQ(p->getLabel(), "Pulled");
    EXPECT_EQ(p->getPath(), "/General/Morphs");
    EXPECT_EQ(p->getValue(), 1.0);
    EXPECT_TRUE(p->isFavorite());
    EXPECT_TRUE(p->isClamped());
    EXPECT_TRUE(p->getDisplayAsPercent());
    EXPECT_EQ(p->getMin(), 0.0f);
    EXPECT_EQ(p->getMax(), 1.0f);
    DzMorphDeltas const* d = m->getDeltas();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->getUri().toString(), "") << "saved with the scene, not from a library";
    ASSERT_EQ(d->getNumDeltas(), 2);
    EXPECT_EQ(d->getDeltaIndex(0), 5);
    EXPECT_EQ(d->getDeltaIndex(1), 1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(bitsOf(d->getDelta(0)[k]), bitsOf(odd[k])) << k;
        EXPECT_EQ(bitsOf(d->getDelta(1)[k]), bitsOf(odd[3 + k])) << k;
    }

    auto* smile = qobject_cast<DzMorph*>(o->getModifier(2));
    ASSERT_NE(smile, nullptr);
    EXPECT_EQ(smile->getDeltas()->getUri().toString(), "/data/Body/morphs/smile.dsf#Smile");
    EXPECT_FALSE(smile->getValueProperty()->isFavorite());

    // The loaded morphs appear under their paths and still dial the mesh.
    DzPropertyGroupTree* tree = back->getPropertyGroups();
    EXPECT_EQ(tree->findGroupOf(p), tree->findGroup("/General/Morphs"));
    EXPECT_EQ(tree->findGroupOf(smile->getValueProperty()), tree->findGroup("/Face"));
    EXPECT_EQ(evaluated(*back, 4), DzVec3(1, 1, 0.5f));
    smile->getValueProperty()->setValue(0.0f);
    EXPECT_EQ(evaluated(*back, 4), DzVec3(1, 1, 0));
}
