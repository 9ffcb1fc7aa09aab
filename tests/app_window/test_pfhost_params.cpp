// pfhost's Parameters dock follows the scene's primary node: its properties by group path, or a line that
// says why there are none.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "pfhost_params.h"

namespace {

// The tree's items, depth first, each indented by two blanks a level.
QStringList shown(HostParamsDock const& dock) {
    QStringList lines;
    auto* tree = dock.findChild<QTreeWidget*>();
    std::function<void(QTreeWidgetItem*, int)> add = [&](QTreeWidgetItem* item, int depth) {
        lines << QString(depth * 2, ' ') + item->text(0);
        for (int i = 0; i < item->childCount(); ++i) add(item->child(i), depth + 1);
    };
    for (int i = 0; tree && i < tree->topLevelItemCount(); ++i) add(tree->topLevelItem(i), 0);
    return lines;
}

struct ParamsDock : ::testing::Test {
    void TearDown() override { dzScene->clear(); }
};

}  // namespace

TEST_F(ParamsDock, FollowsThePrimaryNodeAlsoWhenItHasNoProperties) {
    HostParamsDock dock(nullptr);
    EXPECT_EQ(shown(dock), QStringList{"(no node selected)"});

    DzNode* plain = dztest::makeNode("Plain", dztest::makeGrid(1, 1));
    dzScene->addNode(plain);
    dzScene->setPrimarySelection(plain);
    EXPECT_EQ(shown(dock), QStringList{"(no properties)"});

    DzNode* morphed = dztest::makeNode("Morphed", dztest::makeGrid(1, 1));
    auto* deltas = new DzMorphDeltas;
    deltas->addDelta(0, DzVec3(0, 0, 1), true, 0);
    auto* morph = new DzMorph(deltas);
    morph->setName("Smile");
    morph->getValueProperty()->setName("Smile");
    morph->getValueProperty()->setLabel("Smile");
    morph->getValueProperty()->setPath("Morphs/Face");
    morphed->getObject()->addModifier(morph);
    dzScene->addNode(morphed);
    dzScene->setPrimarySelection(morphed);
    EXPECT_EQ(shown(dock), (QStringList{"Morphs", "  Face", "    Smile"}));

    dzScene->setPrimarySelection(nullptr);
    EXPECT_EQ(shown(dock), QStringList{"(no node selected)"});
}
