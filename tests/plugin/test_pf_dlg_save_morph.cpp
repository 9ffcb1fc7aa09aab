// The save-as-morph dialog: its form, the texts it fills in, the property-path tree and the OK rules that it
// applies while the user types.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <memory>

#include "dzappsettings.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmodalresponder.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dztempsettings.h"
#include "pf_dlg_save-morph.h"

namespace {

QString const kOpen = QString(QChar(0x201C));
QString const kClose = QString(QChar(0x201D));
QString q(QString const& text) {
    return kOpen + text + kClose;
}

// A 2 x 2 grid labelled "Body" with the morphs that a test adds, each under its property path.
class PfSaveMorphDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        node.reset(dztest::makeNode("body_1", dztest::makeGrid(2, 2)));
        node->setLabel("Body");
    }
    DzMorph* addMorph(QString const& name, QString const& path, QString const& uri = QString()) {
        auto* deltas = new DzMorphDeltas;
        deltas->setUri(DzUri(uri));
        deltas->addDelta(1, DzVec3(0, 0, 1), true, 0);
        auto* morph = new DzMorph(deltas);
        morph->setName(name);
        morph->setLabel(name);
        morph->getValueProperty()->setPath(path);
        node->getObject()->addModifier(morph);
        return morph;
    }
    std::unique_ptr<PfSaveMorphDialog> open(std::string const& proposed = std::string()) {
        return std::make_unique<PfSaveMorphDialog>(nullptr, proposed, *node);
    }
    // Top-level item texts, each with its children's texts in brackets.
    static QStringList treeOf(QTreeWidget const& tree) {
        QStringList out;
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = tree.topLevelItem(i);
            QStringList children;
            for (int c = 0; c < item->childCount(); ++c) children << item->child(c)->text(0);
            out << item->text(0) + (children.isEmpty() ? QString() : "[" + children.join(',') + "]");
        }
        return out;
    }

    dztest::TempSettings temp;
    std::unique_ptr<DzNode> node;
};

}  // namespace

TEST_F(PfSaveMorphDialogTest, FormAsDesigned) {
    auto d = open();
    EXPECT_EQ(d->objectName(), "PfSaveMorphDialog");
    EXPECT_EQ(d->size(), QSize(544, 501));
    EXPECT_EQ(d->pLabelMorphName->text(), "Morph name:");
    EXPECT_EQ(d->pLabelMorphLabel->text(), "Morph label:");
    EXPECT_EQ(d->pLabelMorphPath->text(), "Morph path:");
    EXPECT_EQ(d->pButtonHelp->text(), "?");
    EXPECT_EQ(d->pButtonHelp->minimumWidth(), 20);
    EXPECT_EQ(d->pButtonHelp->maximumWidth(), 20);
    EXPECT_EQ(d->pCheckBoxUseNameForLabel->text(), "Use name for label as well");
    EXPECT_EQ(d->pCheckBoxOverwriteExisting->text(), "Overwrite deltas in existing");
    EXPECT_EQ(d->pGroupBoxMoveOrCopy->title(), "Active deltas after morph creation");
    EXPECT_EQ(d->pRadioMoveDeltas->text(), "Activate new morph (reset Pullform, dial new morph to 100%)");
    EXPECT_EQ(d->pRadioCopyDeltas->text(), "Keep in Pullform (leave new morph at 0%)");
    EXPECT_TRUE(d->pRadioMoveDeltas->isChecked());
    EXPECT_TRUE(d->pTreeWidgetPropertyPaths->isHeaderHidden());
    EXPECT_EQ(d->pTreeWidgetPropertyPaths->columnCount(), 1);

    EXPECT_EQ(
        d->pLabelIntro1->text(),
        "<p>Here you can save the current Pullform deltas in the " + q("Body") +
            " scene node as a morph, which you can dial in and out\nand animate like any other morph.</p>");
    EXPECT_EQ(
        d->pLabelIntro2->text(),
        "<p>By default the new morph will be saved with your scene file, but you can also save it out as a "
        "morph support\nasset (see the Pullform documentation).</p>");
    EXPECT_EQ(d->pLabelIntro3->text(),
              "<p>Please enter a name for the morph and select where its slider should appear in the " +
                  q("Parameters") + " tab.</p>");
    EXPECT_TRUE(d->pRadioMoveDeltas->toolTip().contains("The selection in the " +
                                                        q("Active deltas after morph creation") +
                                                        " group determines whether Pullform or the morph"));
    EXPECT_FALSE(d->pRadioCopyDeltas->toolTip().contains("%PF%"));
    EXPECT_TRUE(d->windowTitle().startsWith("Save morph \u2014 "));

    // The tab order, among the widgets that take focus by Tab.
    QList<QWidget*> const wanted{d->pLineEditMorphName,
                                 d->pLineEditMorphLabel,
                                 d->pTreeWidgetPropertyPaths,
                                 d->pLineEditMorphPropertyPath,
                                 d->pRadioMoveDeltas,
                                 d->pRadioCopyDeltas,
                                 d->pButtonBox,
                                 d->pButtonHelp};
    QList<QWidget*> chain;
    QWidget* w = d->pLineEditMorphName;
    do {
        if (wanted.contains(w))
            chain << w;
        w = w->nextInFocusChain();
    } while (w != d->pLineEditMorphName && chain.size() < 20);
    EXPECT_EQ(chain, wanted);
}

TEST_F(PfSaveMorphDialogTest, AnEmptyProposalOpensWithPullformPathAndOkOffUntilAFreeNameIsTyped) {
    auto d = open();
    EXPECT_TRUE(d->getMorphName().isEmpty());
    EXPECT_TRUE(d->getMorphLabel().isEmpty());
    EXPECT_TRUE(d->pCheckBoxUseNameForLabel->isChecked());
    EXPECT_EQ(d->getMorphPropertyPath(), "/Pullform");
    EXPECT_FALSE(d->isOkEnabled());
    EXPECT_TRUE(d->pLabelMorphExists->isHidden());
    EXPECT_TRUE(d->pLineEditMorphLabel->isHidden());

    d->pLineEditMorphName->setText("Smile");
    EXPECT_EQ(d->pLineEditMorphLabel->text(), "Smile");
    EXPECT_EQ(d->getMorphLabel(), "Smile");
    EXPECT_TRUE(d->isOkEnabled());
    EXPECT_TRUE(d->getMoveDeltasToMorph());
    d->pRadioCopyDeltas->setChecked(true);
    EXPECT_FALSE(d->getMoveDeltasToMorph());
    EXPECT_FALSE(d->getOverwriteExisting());
}

TEST_F(PfSaveMorphDialogTest, ATakenNameShowsTheRedNoticeAndNeedsOverwrite) {
    addMorph("Smile", "/Morphs");
    auto d = open("Smile");
    EXPECT_EQ(d->getMorphName(), "Smile");
    EXPECT_FALSE(d->pLabelMorphExists->isHidden());
    EXPECT_FALSE(d->pCheckBoxOverwriteExisting->isHidden());
    EXPECT_FALSE(d->getOverwriteExisting());
    EXPECT_FALSE(d->isOkEnabled());
    EXPECT_EQ(d->pLabelMorphExists->text(), "<p>A morph with the name " + q("Smile") + " already exists in " +
                                                q("Body") + ".\nPlease choose another name or select " +
                                                q("Overwrite deltas in existing") + ".</p>");
    EXPECT_TRUE(d->pLabelMorphExists->wordWrap());
    EXPECT_TRUE(d->pLabelMorphExists->styleSheet().contains("QLabel"));

    d->pCheckBoxOverwriteExisting->setChecked(true);
    EXPECT_TRUE(d->isOkEnabled());
    // A free name hides the notice and the box (which keeps its state) and tests label and path again.
    d->pLineEditMorphPropertyPath->setText("/Pull");
    EXPECT_TRUE(d->isOkEnabled()) << "the path is not tested while the name is taken";
    d->pLineEditMorphName->setText("Smile2");
    EXPECT_TRUE(d->pLabelMorphExists->isHidden());
    EXPECT_TRUE(d->pCheckBoxOverwriteExisting->isHidden());
    EXPECT_TRUE(d->getOverwriteExisting());
    EXPECT_FALSE(d->isOkEnabled());
    d->pLineEditMorphPropertyPath->setText("/Pulls");
    EXPECT_TRUE(d->isOkEnabled());
}

TEST_F(PfSaveMorphDialogTest, ASupportAssetGetsTheWarningWithItsUri) {
    addMorph("Lib", "/Morphs", "/data/Maker/Body/Morphs/Lib.dsf#Lib");
    auto d = open("Lib");
    EXPECT_TRUE(d->pLabelMorphExists->text().endsWith(
        "<p>Warning: The existing morph is a support asset from your library\n(" +
        q("/data/Maker/Body/Morphs/Lib.dsf#Lib") +
        ").\nAs a result, Daz Studio will not save the morph deltas in your scene file.\nIf you choose to "
        "overwrite "
        "the morph deltas, you must save the modified morph again as a morph support\nasset, or your changes "
        "will "
        "be lost after you close the scene. Daz Studio will not warn you about the\nneed to save the morph "
        "asset!</p>"));
    addMorph("Local", "/Morphs", "#Local");
    d->pLineEditMorphName->setText("Local");
    EXPECT_FALSE(d->pLabelMorphExists->isHidden());
    EXPECT_FALSE(d->pLabelMorphExists->text().contains("Warning"));
}

TEST_F(PfSaveMorphDialogTest, OkNeedsANameALabelAndASlashPathOfSixCharacters) {
    struct Case {
        QString name;
        QString path;
        bool ok;
    };
    Case const cases[] = {
        {"Smile", "/Morph", true}, {"Smile", "/Pull", false}, {"Smile", "Morphs", false},
        {"Smile", "", false},      {"", "/Morphs", false},    {"Smile", "/A/B/C", true},
    };
    auto d = open();
    for (Case const& c : cases) {
        d->pLineEditMorphName->setText(c.name);
        d->pLineEditMorphPropertyPath->setText(c.path);
        EXPECT_EQ(d->isOkEnabled(), c.ok) << c.name.toStdString() << " " << c.path.toStdString();
    }
    // No current tree item: no path.
    d->pLineEditMorphName->setText("Smile");
    d->pTreeWidgetPropertyPaths->setCurrentItem(nullptr);
    EXPECT_TRUE(d->getMorphPropertyPath().isEmpty());
    EXPECT_FALSE(d->isOkEnabled());
}

TEST_F(PfSaveMorphDialogTest, TheLabelFollowsTheNameWhileTheBoxIsCheckedAgain) {
    auto d = open("Smile");
    d->pCheckBoxUseNameForLabel->setChecked(false);
    EXPECT_FALSE(d->pLineEditMorphLabel->isHidden());
    EXPECT_EQ(d->pLineEditMorphLabel->text(), "Smile");
    d->pLineEditMorphName->setText("Grin");
    EXPECT_EQ(d->getMorphLabel(), "Smile") << "unchecked, the name leaves the label alone";
    d->pLineEditMorphLabel->setText("");
    EXPECT_FALSE(d->isOkEnabled());
    d->pLineEditMorphLabel->setText("My grin");
    EXPECT_TRUE(d->isOkEnabled());
    EXPECT_EQ(d->getMorphLabel(), "My grin");

    d->pCheckBoxUseNameForLabel->setChecked(true);
    EXPECT_TRUE(d->pLineEditMorphLabel->isHidden());
    EXPECT_EQ(d->getMorphLabel(), "Grin") << "the hidden old label is not used";
    EXPECT_EQ(d->pLineEditMorphLabel->text(), "Grin");
    EXPECT_TRUE(d->isOkEnabled());
}

TEST_F(PfSaveMorphDialogTest, PathsShareTheirBeginningsAndTheNodesPullformGroupIsReused) {
    addMorph("a", "/General/Morphs");
    addMorph("b", "General/Shapes/");
    addMorph("c", "/Pullform/Edits");
    addMorph("d", "/General/Morphs");
    auto d = open();
    QStringList const tree = treeOf(*d->pTreeWidgetPropertyPaths);
    EXPECT_EQ(tree.filter(QRegExp("^General")), QStringList{"General[Morphs,Shapes]"});
    EXPECT_EQ(tree.filter(QRegExp("^Pullform")), QStringList{"Pullform[Edits]"});
    QTreeWidgetItem* current = d->pTreeWidgetPropertyPaths->currentItem();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->text(0), "Pullform");
    EXPECT_EQ(current->parent(), nullptr);
    EXPECT_EQ(d->getMorphPropertyPath(), "/Pullform");

    QTreeWidgetItem* general = d->pTreeWidgetPropertyPaths->findItems("General", Qt::MatchExactly)[0];
    d->pTreeWidgetPropertyPaths->setCurrentItem(general->child(1));
    EXPECT_EQ(d->getMorphPropertyPath(), "/General/Shapes");
}

TEST_F(PfSaveMorphDialogTest, TheWindowGeometryIsKeptBetweenTwoOpenings) {
    QSize const wanted(600, 540);
    {
        auto d = open();
        d->resize(wanted);
        d->pLineEditMorphName->setText("Smile");
        dztest::ModalResponder responder;
        responder.pressButton("OK");
        EXPECT_EQ(d->exec(), int(QDialog::Accepted));
        EXPECT_TRUE(responder.allAnswered());
    }
    DzAppSettings settings("Halvorin's Pullform Plugin");
    EXPECT_TRUE(settings.hasValue("save_morph_window_pos"));
    auto d = open();
    EXPECT_EQ(d->size(), wanted);
}
