// Reset, load and save of the whole delta set through the node's morphs, with the boxes and the dialog they
// open answered as a user would.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <string>

#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmodalresponder.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzundostack.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_morph.h"
#include "pf_dlg_save-morph.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_test_support.h"
#include "pf_tool.h"

namespace {

std::string const kOpen = "\xE2\x80\x9C";
std::string const kClose = "\xE2\x80\x9D";
std::string q(std::string const& text) {
    return kOpen + text + kClose;
}

std::string noSelection(char const* command) {
    return "No object is currently selected in the scene. Please select one first and try the " + q(command) +
           " command again.";
}

// A 4 x 4 grid "body_1" labelled "Body", primary, with the tool active on it. Offsets are binary fractions
// so that halving and adding them is exact.
class PfMorphsTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
        stack()->clear();
        node = fx.addNode(dztest::makeNode("body_1", dztest::makeGrid(4, 4)));
        node->setLabel("Body");
        dzScene->setPrimarySelection(node);
        registered = std::make_unique<pftest::ScopedPfTool>(fx.mgr());
        tool = registered->get();
        ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
        ASSERT_TRUE(tool->getSelection());
    }
    void TearDown() override {
        registered.reset();
        stack()->clear();
    }
    static DzUndoStack* stack() { return dzApp->getUndoStack(); }
    PfModifier* modifier() const {
        return tool->getSelection() ? tool->getSelection()->getModifier() : findModifier();
    }
    PfModifier* findModifier() const {
        DzObject* object = node->getObject();
        for (int i = 0; i < object->getNumModifiers(); ++i)
            if (auto* m = qobject_cast<PfModifier*>(object->getModifier(i)))
                return m;
        return nullptr;
    }
    void setDeltas(size_t count) {
        HvVertexOffsets offsets;
        for (size_t i = 0; i < count; ++i) offsets[int32_t(i)] = HvVec3(0, 0, 0.5f);
        modifier()->setDeltas(offsets);
    }
    DzMorph* addMorph(QString const& name, float value, bool favorite, HvVertexOffsets const& entries) {
        auto* deltas = new DzMorphDeltas;
        for (auto const& [index, d] : entries) deltas->addDelta(index, DzVec3(d.x, d.y, d.z), true, 0);
        auto* morph = new DzMorph(deltas);
        morph->setName(name);
        morph->setLabel(name + " label");
        morph->getValueProperty()->setValue(value);
        morph->getValueProperty()->setFavorite(favorite);
        node->getObject()->addModifier(morph);
        return morph;
    }
    DzVec3 vertex(int i) const {
        return static_cast<DzFacetMesh*>(node->getObject()->getCachedGeom())->getVertex(i);
    }
    static std::string text(dztest::ModalResponder const& r, int i) {
        return r.boxes().value(i).text.toStdString();
    }

    dztest::TempSettings temp;
    dztest::ViewportFixture fx{200, 150};
    DzNode* node = nullptr;
    std::unique_ptr<pftest::ScopedPfTool> registered;
    PfTool* tool = nullptr;
};

// Fills the save dialog's fields, then OK; name empty: fields as proposed.
std::function<void(QWidget*)> fillSaveDialog(QString const& name, bool overwrite, bool move,
                                             QString* proposed = nullptr) {
    return [=](QWidget* w) {
        auto* d = qobject_cast<PfSaveMorphDialog*>(w);
        if (!d)
            return;
        if (proposed)
            *proposed = d->getMorphName();
        if (!name.isEmpty())
            d->pLineEditMorphName->setText(name);
        d->pCheckBoxOverwriteExisting->setChecked(overwrite);
        (move ? d->pRadioMoveDeltas : d->pRadioCopyDeltas)->setChecked(true);
    };
}

}  // namespace

TEST_F(PfMorphsTest, ResetAsksWithTheCountThenClearsWithAnUndoStepAndDropsTheSelection) {
    struct Case {
        size_t count;
        char const* countText;
    };
    for (Case const c : {Case{1, "one active delta"}, Case{1234, "1,234 active deltas"}}) {
        stack()->clear();
        ASSERT_TRUE(tool->getOrMakeSelectionOrThrow(nullptr, false));
        setDeltas(c.count);
        PfModifier* m = modifier();
        dztest::ModalResponder responder;
        responder.pressButton("Yes, reset all!");
        PfTool::ResetAllDeltas();
        ASSERT_TRUE(responder.allAnswered());
        ASSERT_EQ(responder.boxes().size(), 1);
        auto const& box = responder.boxes()[0];
        EXPECT_EQ(box.title, "Reset all deltas");
        EXPECT_EQ(
            box.text.toStdString(),
            "<p>The selected node " + q("Body") + " has " + c.countText +
                " in its Pullform modifier.</p>\n<p>Are you sure you want to remove them all? (You can still "
                "undo this later.)</p>");
        EXPECT_EQ(box.defaultButton, "Cancel");
        EXPECT_EQ(m->getNoOfDeltas(), 0u);
        EXPECT_EQ(stack()->getNumSteps(), 1);
        EXPECT_EQ(tool->getSelection(), nullptr);
    }
}

TEST_F(PfMorphsTest, CancellingResetChangesNothing) {
    setDeltas(3);
    dztest::ModalResponder responder;
    responder.pressButton("Cancel");
    PfTool::ResetAllDeltas();
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(modifier()->getNoOfDeltas(), 3u);
    EXPECT_EQ(stack()->getNumSteps(), 0);
    EXPECT_TRUE(tool->getSelection());
}

TEST_F(PfMorphsTest, UndoOfAResetRestoresEveryDeltaAndRedoClearsThemAgain) {
    setDeltas(5);
    PfModifier* m = modifier();
    HvVertexOffsets const before = m->getDeltas();
    DzVec3 const edited = vertex(3);
    dztest::ModalResponder responder;
    responder.pressButton("Yes, reset all!");
    PfTool::ResetAllDeltas();
    ASSERT_TRUE(responder.allAnswered());
    EXPECT_NE(vertex(3).m_z, edited.m_z);
    stack()->undo();
    EXPECT_EQ(m->getDeltas(), before);
    EXPECT_EQ(vertex(3).m_z, edited.m_z);
    ASSERT_TRUE(tool->getOrMakeSelectionOrThrow(nullptr, false));
    stack()->redo();
    EXPECT_EQ(m->getNoOfDeltas(), 0u);
    EXPECT_EQ(tool->getSelection(), nullptr) << "a redone reset drops the tool's selection";
    EXPECT_EQ(vertex(3).m_z, 0.0f);
}

TEST_F(PfMorphsTest, FailuresAreShownAfterEachOperationsPrefix) {
    using Op = void (*)();
    struct Case {
        char const* what;
        std::function<void(PfMorphsTest&)> arrange;
        Op op;
        std::string text;
    };
    std::string const resetPrefix = "An error occured resetting the Pullform: ";
    std::string const loadPrefix = "An error occured loading morph deltas: ";
    std::string const savePrefix = "An error occured saving morph deltas: ";
    std::string const noModifier = "Cannot find Pullform modifier in selected object";
    auto bare = [](PfMorphsTest& t) {
        // A node without geometry has a selection but no modifier.
        DzNode* empty = t.fx.addNode(new DzNode);
        empty->setName("empty");
        empty->setLabel("Empty");
        dzScene->setPrimarySelection(empty);
        ASSERT_TRUE(t.tool->getOrMakeSelectionOrThrow(nullptr, false));
        ASSERT_EQ(t.tool->getSelection()->getModifier(), nullptr);
    };
    auto none = [](PfMorphsTest&) { dzScene->setPrimarySelection(nullptr); };
    Case const cases[] = {
        {"reset, no deltas", [](PfMorphsTest&) {}, &PfTool::ResetAllDeltas,
         resetPrefix + "Cannot reset the selected node " + q("Body") +
             " because there are no active deltas in its Pullform modifier."},
        {"reset, no selection", none, &PfTool::ResetAllDeltas, resetPrefix + noSelection("Reset all deltas")},
        {"load, no selection", none, &PfTool::LoadDeltasFromMorphs, loadPrefix + noSelection("Load morph")},
        {"save, no selection", none, &PfTool::SaveDeltasToMorph, savePrefix + noSelection("Save morph")},
        {"reset, no modifier", bare, &PfTool::ResetAllDeltas, resetPrefix + noModifier},
        {"load, no modifier", bare, &PfTool::LoadDeltasFromMorphs, loadPrefix + noModifier},
        {"save, no modifier", bare, &PfTool::SaveDeltasToMorph, savePrefix + noModifier},
        {"load, no morphs", [](PfMorphsTest&) {}, &PfTool::LoadDeltasFromMorphs,
         loadPrefix + "<p>The selected scene node " + q("Body") +
             " has no morphs.</p>\n<p>Please select an object with morphs and favorite them (using the small "
             "heart "
             "symbol) in the object's properties\nto import their deltas into the Pullform.</p>"},
        {"load, no favourites",
         [](PfMorphsTest& t) {
             t.addMorph("Smile", 1.0f, false, {{1, {0, 0, 1}}});
         },
         &PfTool::LoadDeltasFromMorphs,
         loadPrefix + "<p>No morphs in the " + q("Body") +
             " scene node have been marked as favorites.</p>\n<p>In order to load morph deltas into "
             "Pullform, please "
             "mark the morphs as favorites (using the small heart symbol)\nin the object's properties and "
             "then "
             "press the " +
             q("Import") + " button again.</p>"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(*this);
        dztest::ModalResponder responder;
        responder.pressButton("OK");
        c.op();
        EXPECT_TRUE(responder.allAnswered());
        ASSERT_EQ(responder.boxes().size(), 1);
        EXPECT_EQ(text(responder, 0), c.text);
        EXPECT_EQ(responder.boxes()[0].icon, int(QMessageBox::Critical));
        EXPECT_EQ(findModifier() ? findModifier()->getNoOfDeltas() : 0u, 0u);
        EXPECT_EQ(stack()->getNumSteps(), 0);
        dzScene->setPrimarySelection(node);
    }
}

TEST_F(PfMorphsTest, ResetWithoutTheToolsSelectionAsksForOneEvenWithANodeSelected) {
    setDeltas(2);
    dztest::ModalResponder responder;
    responder.pressButton("Yes, reset all!").pressButton("OK");
    PfTool::ResetAllDeltas();
    ASSERT_EQ(tool->getSelection(), nullptr);
    ASSERT_EQ(dzScene->getPrimarySelection(), node);
    PfTool::ResetAllDeltas();
    EXPECT_TRUE(responder.allAnswered());
    ASSERT_EQ(responder.boxes().size(), 2);
    EXPECT_EQ(text(responder, 1),
              "An error occured resetting the Pullform: " + noSelection("Reset all deltas"));
}

TEST_F(PfMorphsTest, TheLoadBoxListsFavouritesWithTheirDialValues) {
    struct Case {
        float value;
        char const* shown;
    };
    DzMorph* morph = addMorph("Smile", 0.0f, true, {{1, {0, 0, 1}}});
    for (Case const c : {Case{0.05f, "5.0"}, Case{0.5f, "50.0"}, Case{1.0f, "100.0"}, Case{0.0f, "0.0"}}) {
        morph->getValueProperty()->setValue(c.value);
        dztest::ModalResponder responder;
        responder.pressButton("Cancel");
        PfTool::LoadDeltasFromMorphs();
        EXPECT_TRUE(responder.allAnswered());
        EXPECT_NE(text(responder, 0).find(q("Smile label") + " (dialed in at " + c.shown + "%)"),
                  std::string::npos)
            << text(responder, 0);
        EXPECT_EQ(morph->getValueProperty()->getValue(), double(c.value)) << "cancelled: nothing changes";
        EXPECT_EQ(modifier()->getNoOfDeltas(), 0u);
    }
}

TEST_F(PfMorphsTest, LoadMovesHalfDialledFavouritesIntoTheModifierAndLeavesZeroOnesAlone) {
    DzMorph* half = addMorph("Half", 0.5f, true, {{1, {0, 0, 2}}, {6, {1, 0, 0}}});
    DzMorph* zero = addMorph("Zero", 0.0f, true, {{2, {0, 0, 4}}});
    DzMorph* other = addMorph("Other", 1.0f, false, {{3, {0, 0, 1}}});
    DzVec3 const v1 = vertex(1), v6 = vertex(6), v3 = vertex(3);
    dztest::ModalResponder responder;
    responder.pressButton("Import");
    PfTool::LoadDeltasFromMorphs();
    ASSERT_TRUE(responder.allAnswered());
    auto const& box = responder.boxes()[0];
    EXPECT_EQ(box.title.toStdString(),
              "Load morph \u2014 " + box.title.section(QString::fromUtf8("\u2014 "), 1).toStdString());
    EXPECT_EQ(
        box.text.toStdString(),
        "<p>The following morphs of the " + q("Body") +
            " scene node have been marked as favorites and will be imported:</p>\n<ul><li>" +
            q("Half label") + " (dialed in at 50.0%)</li><li>" + q("Zero label") +
            " (dialed in at 0.0%)</li></ul>\n<p>After the import, the favorited morphs will be dialed to "
            "0%.</p>\n<p>You will see no visual difference after the import because effectively the exact "
            "same deltas will be active, but they\nwill now be controlled by Pullform instead of the morphs "
            "and available for editing.</p>\n<p>Do you want to proceed with the import?</p>");
    EXPECT_EQ(box.buttons.contains("Import"), true);
    EXPECT_EQ(box.defaultButton, "Cancel");

    EXPECT_EQ(modifier()->getDeltas(), (HvVertexOffsets{{1, {0, 0, 1}}, {6, {0.5f, 0, 0}}}));
    EXPECT_EQ(half->getValueProperty()->getValue(), 0.0);
    EXPECT_EQ(zero->getValueProperty()->getValue(), 0.0);
    EXPECT_EQ(other->getValueProperty()->getValue(), 1.0);
    EXPECT_EQ(vertex(1), v1);
    EXPECT_EQ(vertex(6), v6);
    EXPECT_EQ(vertex(3), v3);
    EXPECT_TRUE(tool->getSelection()) << "a load keeps the selection";
    EXPECT_EQ(stack()->getNumSteps(), 0);
}

TEST_F(PfMorphsTest, LoadingAFavouriteTwiceAddsItsDeltasTwice) {
    DzMorph* morph = addMorph("Smile", 1.0f, true, {{1, {0, 0, 1}}});
    dztest::ModalResponder responder;
    responder.pressButton("Import").pressButton("Import");
    PfTool::LoadDeltasFromMorphs();
    morph->getValueProperty()->setValue(1.0f);
    PfTool::LoadDeltasFromMorphs();
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(modifier()->getDeltas(), (HvVertexOffsets{{1, {0, 0, 2}}}));
    EXPECT_EQ(vertex(1).m_z, 2.0f);
}

TEST_F(PfMorphsTest, SaveProposesTheLastLoadedMorphAndNothingAfterAReset) {
    addMorph("Smile", 1.0f, true, {{1, {0, 0, 1}}});
    QString proposed = "unset";
    dztest::ModalResponder responder;
    responder.pressButton("Import").pressButton("Cancel");
    responder.setInspector(fillSaveDialog(QString(), false, true, &proposed));
    PfTool::LoadDeltasFromMorphs();
    PfTool::SaveDeltasToMorph();
    EXPECT_EQ(proposed, "Smile");

    responder.pressButton("Yes, reset all!").pressButton("Cancel");
    PfTool::ResetAllDeltas();
    PfTool::SaveDeltasToMorph();
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(proposed, "");
}

TEST_F(PfMorphsTest, SaveWithMoveHandsTheDeltasToANewMorphAtFullValue) {
    setDeltas(3);
    DzVec3 const edited = vertex(2);
    dztest::ModalResponder responder;
    responder.setInspector(fillSaveDialog("Bump", false, true));
    responder.pressButton("OK");
    PfTool::SaveDeltasToMorph();
    ASSERT_TRUE(responder.allAnswered());
    HvMorphList morphs(*node);
    HvMorphInfoPtr bump = morphs.findMorphByName("Bump");
    ASSERT_TRUE(bump);
    ASSERT_TRUE(bump->morph->getDeltas());
    EXPECT_EQ(bump->morph->getDeltas()->getNumDeltas(), 3);
    EXPECT_EQ(bump->property->getValue(), 1.0);
    EXPECT_EQ(bump->property->getPath(), "/Pullform");
    EXPECT_EQ(bump->morph->getLabel(), "Bump");
    EXPECT_EQ(findModifier()->getNoOfDeltas(), 0u);
    EXPECT_EQ(vertex(2), edited);
    EXPECT_EQ(tool->getSelection(), nullptr);
    EXPECT_EQ(stack()->getNumSteps(), 0) << "a save pushes no step";
}

TEST_F(PfMorphsTest, SaveWithCopyKeepsTheDeltasAndTheNewMorphAtZero) {
    setDeltas(2);
    DzVec3 const edited = vertex(1);
    dztest::ModalResponder responder;
    responder.setInspector(fillSaveDialog("Bump", false, false));
    responder.pressButton("OK");
    PfTool::SaveDeltasToMorph();
    ASSERT_TRUE(responder.allAnswered());
    HvMorphList morphs(*node);
    ASSERT_TRUE(morphs.findMorphByName("Bump"));
    EXPECT_EQ(morphs.findMorphByName("Bump")->property->getValue(), 0.0);
    EXPECT_EQ(modifier()->getNoOfDeltas(), 2u);
    EXPECT_EQ(vertex(1), edited);
}

TEST_F(PfMorphsTest, ATakenNameNeedsOverwriteWhichGivesTheExistingMorphTheDeltas) {
    DzMorph* existing = addMorph("Smile", 0.0f, false, {{7, {0, 0, 1}}});
    setDeltas(2);
    // Without overwrite OK stays off: the user can only cancel.
    bool okEnabled = true;
    dztest::ModalResponder responder;
    responder.setInspector([&](QWidget* w) {
        if (auto* d = qobject_cast<PfSaveMorphDialog*>(w)) {
            d->pLineEditMorphName->setText("Smile");
            okEnabled = d->isOkEnabled();
        }
    });
    responder.pressButton("Cancel");
    PfTool::SaveDeltasToMorph();
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(existing->getDeltas()->getNumDeltas(), 1);
    EXPECT_EQ(modifier()->getNoOfDeltas(), 2u);

    responder.setInspector(fillSaveDialog("Smile", true, true));
    responder.pressButton("OK");
    PfTool::SaveDeltasToMorph();
    EXPECT_TRUE(responder.allAnswered());
    ASSERT_TRUE(existing->getDeltas());
    EXPECT_EQ(existing->getDeltas()->getNumDeltas(), 2);
    EXPECT_EQ(existing->getValueProperty()->getValue(), 1.0);
    EXPECT_EQ(findModifier()->getNoOfDeltas(), 0u);
}

TEST_F(PfMorphsTest, NothingHappensWithoutAnActiveTool) {
    setDeltas(2);
    PfModifier* m = modifier();
    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    ASSERT_EQ(PfTool::GetActive(), nullptr);
    dztest::ModalResponder responder;
    PfTool::ResetAllDeltas();
    PfTool::LoadDeltasFromMorphs();
    PfTool::SaveDeltasToMorph();
    PfTool::PostResetDeltas();
    EXPECT_TRUE(responder.boxes().isEmpty());
    EXPECT_EQ(m->getNoOfDeltas(), 2u);
}
