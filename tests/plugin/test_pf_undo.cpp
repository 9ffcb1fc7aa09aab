// The plug-in's undo steps on the host's stack: drags and resets undone and redone, the lookup of the node by
// name, captions, sizes, the selection's guarded pointer to its last step, and the tool's refresh after them.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "dzapp.h"
#include "dzfixtures.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzundostack.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_meshmodifier.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"
#include "pf_undo.h"

namespace {

using Offsets = HvVertexOffsets;

using pftest::ForeignModifier;

// A node "body_1" labelled "Body" (a 3 x 3 grid) in the scene, with a selection of faces {4} on it and its
// modifier; the options at their defaults (faces, Ctrl adds). Values are binary fractions, so that adding and
// subtracting them is exact.
class PfUndoTest : public pftest::PfNodeSelectionTest {
protected:
    void SetUp() override {
        stack()->clear();
        DzNode* body = dztest::makeNode("body_1", dztest::makeGrid(3, 3));
        body->setLabel("Body");
        selectOn(body);
        ASSERT_TRUE(modifier);
        selection->handleSelection(PfSelectionType::Face, 4, DzViewportMgr::NoModifier);
    }
    void TearDown() override {
        PfNodeSelectionTest::TearDown();
        stack()->clear();
    }
    static DzUndoStack* stack() { return dzApp->getUndoStack(); }

    // A drag from before to after, written to the modifier and pushed.
    PfUndoItem* drag(Offsets const& before, Offsets const& after) {
        modifier->setDeltas(after);
        return PfUndoItem::Create(*selection, PfRelativeOffsetsForUndo(after, before));
    }
};

}  // namespace

TEST(PfRelativeOffsetsForUndoTest, AfterMinusBeforeAndZeroWhereBeforeHasNone) {
    Offsets const before{{1, {1, 1, 1}}, {2, {0.5f, 0, 0}}, {7, {9, 9, 9}}};
    Offsets const after{{1, {1.5f, 0, 2}}, {2, {0.5f, 0, 0}}, {3, {4, 4, 4}}};
    EXPECT_EQ(Offsets(PfRelativeOffsetsForUndo(after, before)),
              (Offsets{{1, {0.5f, -1, 1}}, {2, {0, 0, 0}}, {3, {0, 0, 0}}}));
}

TEST_F(PfUndoTest, DragUndoAndRedoRestoreExactlyAroundOtherEdits) {
    modifier->setDeltas({{0, {1, 0, 0}}, {5, {0, 1, 0}}});
    Offsets const after{{5, {0, 1.5f, 0}}, {6, {0.25f, 0, -2}}};
    PfUndoItem* item = drag({{5, {0, 1, 0}}, {6, {0, 0, 0}}}, after);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->getOffsets(), (Offsets{{5, {0, 0.5f, 0}}, {6, {0.25f, 0, -2}}}));

    // Edits outside the drag's vertices, made after it, stay through undo and redo.
    modifier->setDeltas({{0, {2, 2, 2}}, {9, {3, 0, 0}}});
    QSignalSpy changed(modifier, &DzModifier::currentValueChanged);
    stack()->undo();
    EXPECT_EQ(changed.count(), 1);
    // Vertex 6 had no delta before: the subtraction leaves a zero entry (compaction drops it later).
    EXPECT_EQ(modifier->getDeltas(),
              (Offsets{{0, {2, 2, 2}}, {5, {0, 1, 0}}, {6, {0, 0, 0}}, {9, {3, 0, 0}}}));

    stack()->redo();
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(modifier->getDeltas(),
              (Offsets{{0, {2, 2, 2}}, {5, after.at(5)}, {6, after.at(6)}, {9, {3, 0, 0}}}));
}

TEST_F(PfUndoTest, UpdateReplacesTheOffsetsThatUndoTakesBack) {
    PfUndoItem* item = drag({{3, {0, 0, 0}}}, {{3, {1, 0, 0}}});
    ASSERT_TRUE(item);
    // The drag applied again with other weights: vertex 3 moved less, vertex 4 joined.
    modifier->setDeltas({{3, {0.5f, 0, 0}}, {4, {0.25f, 0, 0}}});
    item->update(
        PfRelativeOffsetsForUndo({{3, {0.5f, 0, 0}}, {4, {0.25f, 0, 0}}}, {{3, {0, 0, 0}}, {4, {0, 0, 0}}}));
    stack()->undo();
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{3, {0, 0, 0}}, {4, {0, 0, 0}}}));
    item->apply(PfUndoOrRedo::Redo);
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{3, {0.5f, 0, 0}}, {4, {0.25f, 0, 0}}}));
    item->apply(PfUndoOrRedo::Undo);
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{3, {0, 0, 0}}, {4, {0, 0, 0}}}));
}

TEST_F(PfUndoTest, ResetUndoRestoresTheCopyAsTheWholeSet) {
    Offsets const copied{{1, {1, 2, 3}}, {2, {-0.5f, 0, 0}}};
    modifier->setDeltas(copied);
    PfUndoReset* reset = PfUndoReset::Create(*selection);
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset->getDeltas(), copied);
    modifier->clearDeltas();

    // Edits after the reset: a new delta and a changed one. Undo drops both.
    modifier->setDeltas({{3, {7, 7, 7}}, {1, {4, 4, 4}}});
    QSignalSpy changed(modifier, &DzModifier::currentValueChanged);
    stack()->undo();
    EXPECT_EQ(modifier->getDeltas(), copied);
    stack()->redo();
    EXPECT_EQ(modifier->getDeltas(), Offsets{});
    stack()->undo();
    EXPECT_EQ(modifier->getDeltas(), copied);
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(PfUndoTest, CaptionsNameTheNodesLabelOneStepEach) {
    ASSERT_TRUE(drag({{0, {0, 0, 0}}}, {{0, {1, 0, 0}}}));
    EXPECT_EQ(stack()->getNumSteps(), 1);
    EXPECT_EQ(stack()->getNumItems(0), 1);
    EXPECT_EQ(stack()->getUndoText().toStdString(), "Pullform on \u201CBody\u201D");
    ASSERT_TRUE(PfUndoReset::Create(*selection));
    EXPECT_EQ(stack()->getNumSteps(), 2);
    EXPECT_EQ(stack()->getUndoText().toStdString(), "Pullform reset on \u201CBody\u201D");

    // A label with a marker of its own is taken as it is.
    node->setLabel("Arm %2");
    ASSERT_TRUE(drag({{0, {1, 0, 0}}}, {{0, {2, 0, 0}}}));
    EXPECT_EQ(stack()->getUndoText().toStdString(), "Pullform on \u201CArm %2\u201D");
}

TEST_F(PfUndoTest, NothingIsPushedWithoutANodeOrWhileTheStackRunsAStep) {
    // The selection's node is gone.
    PfTool other;
    DzNode* gone = dztest::makeNode("gone", dztest::makeGrid(1, 1));
    dzScene->addNode(gone);
    std::unique_ptr<PfSelection> orphan = PfSelection::Create(&other, gone);
    dzScene->removeNode(gone);
    EXPECT_EQ(PfUndoItem::Create(*orphan, PfRelativeOffsetsForUndo()), nullptr);
    EXPECT_EQ(PfUndoReset::Create(*orphan), nullptr);
    EXPECT_EQ(stack()->getNumSteps(), 0);
    orphan.reset();

    // From inside an undo the stack would destroy the item at once: no dangling pointer is handed back.
    struct Reentrant : DzUndoItem {
        std::function<void()> fn;
        void undo() override { fn(); }
        int size() const override { return 1; }
    };
    auto* outer = new Reentrant;
    bool called = false;
    PfUndoItem* inner = nullptr;
    outer->fn = [&] {
        called = true;
        inner = PfUndoItem::Create(*selection, PfRelativeOffsetsForUndo());
    };
    stack()->push(outer);
    stack()->undo();
    EXPECT_TRUE(called);
    EXPECT_EQ(inner, nullptr);
    EXPECT_EQ(stack()->getNumSteps(), 1);
}

// The node looked up by name at every undo and redo: when it or its modifier is gone, nothing happens and
// the step stays.
TEST_F(PfUndoTest, StepsWhoseNodeOrModifierIsGoneDoNothing) {
    // Each case breaks the lookup and names the modifier (if any) that must keep its deltas.
    struct Case {
        char const* what;
        std::function<HvMeshModifier*(DzNode*, PfModifier*)> breakIt;
    };
    Case const cases[] = {
        {"node deleted",
         [](DzNode* n, PfModifier*) -> HvMeshModifier* {
             dzScene->removeNode(n);
             return nullptr;
         }},
        {"node renamed",
         [](DzNode* n, PfModifier* m) -> HvMeshModifier* {
             n->setName("body_2");
             return m;
         }},
        {"modifier removed",
         [](DzNode* n, PfModifier* m) -> HvMeshModifier* {
             n->getObject()->removeModifier(m);
             delete m;
             return nullptr;
         }},
        {"modifier of another class",
         [](DzNode* n, PfModifier* m) -> HvMeshModifier* {
             n->getObject()->removeModifier(m);
             delete m;
             auto* foreign = new ForeignModifier;
             foreign->setDeltas({{0, {5, 5, 5}}});
             n->getObject()->addModifier(foreign);
             return foreign;
         }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        // A bystander whose deltas must not move.
        DzNode* bystander = dztest::makeNode("bystander", dztest::makeGrid(1, 1));
        dzScene->addNode(bystander);
        std::unique_ptr<PfSelection> other = PfSelection::Create(&tool, bystander);
        other->getModifier()->setDeltas({{0, {1, 1, 1}}});

        modifier->setDeltas({{0, {0.5f, 0, 0}}});
        ASSERT_TRUE(PfUndoReset::Create(*selection));
        modifier->clearDeltas();
        PfUndoItem* item = drag({{0, {0, 0, 0}}}, {{0, {1, 0, 0}}});
        ASSERT_TRUE(item);
        EXPECT_TRUE(item->findModifier(nullptr));
        selection.reset();
        HvMeshModifier* watched = c.breakIt(node, modifier);
        Offsets const watchedAtBreak = watched ? watched->getDeltas() : Offsets{};
        EXPECT_EQ(item->findModifier(nullptr), nullptr);

        stack()->undo();
        stack()->undo();
        stack()->redo();
        stack()->redo();
        stack()->undo();
        // The steps stay, and nothing was touched.
        EXPECT_EQ(stack()->getNumSteps(), 2);
        EXPECT_EQ(stack()->getIndex(), 1);
        EXPECT_EQ(other->getModifier()->getDeltas(), (Offsets{{0, {1, 1, 1}}}));
        if (watched) {
            EXPECT_EQ(watched->getDeltas(), watchedAtBreak);
        }
        other.reset();
    }
}

TEST_F(PfUndoTest, TheNameNotTheLabelFindsTheNode) {
    PfUndoItem* item = drag({{2, {0, 0, 0}}}, {{2, {0, 0, 1}}});
    ASSERT_TRUE(item);
    node->setLabel("Renamed for the user");
    DzNode* found = nullptr;
    EXPECT_EQ(item->findModifier(&found), modifier);
    EXPECT_EQ(found, node);
    EXPECT_EQ(item->getNodeName().toStdString(), "body_1");

    // Another node that now carries the name is the one the step acts on.
    node->setName("body_old");
    DzNode* heir = dztest::makeNode("body_1", dztest::makeGrid(1, 1));
    dzScene->addNode(heir);
    std::unique_ptr<PfSelection> heirSelection = PfSelection::Create(&tool, heir);
    stack()->undo();
    EXPECT_EQ(heirSelection->getModifier()->getDeltas(), (Offsets{{2, {0, 0, -1}}}));
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{2, {0, 0, 1}}}));
    heirSelection.reset();
}

TEST_F(PfUndoTest, SizesCountTheObjectTheNameTheSnapshotAndSixteenBytesPerOffset) {
    PfSelectionState const state(*selection);
    size_t const fixed = size_t(QString("body_1").size()) + state.allocated();
    PfUndoItem* item = drag({}, {{0, {1, 0, 0}}, {1, {1, 0, 0}}, {2, {1, 0, 0}}});
    ASSERT_TRUE(item);
    EXPECT_EQ(size_t(item->size()), sizeof(PfUndoItem) + fixed + 3 * 16);
    // A larger snapshot and more offsets.
    selection->handleSelection(PfSelectionType::Face, 5, DzViewportMgr::CtrlModifier);
    PfUndoItem* bigger = drag({}, {{0, {1, 0, 0}}, {1, {1, 0, 0}}, {2, {1, 0, 0}}, {3, {1, 0, 0}}});
    ASSERT_TRUE(bigger);
    EXPECT_EQ(bigger->size() - item->size(), 16 + 4);

    modifier->replaceDeltas({{0, {1, 0, 0}}, {1, {1, 0, 0}}});
    PfUndoReset* reset = PfUndoReset::Create(*selection);
    ASSERT_TRUE(reset);
    EXPECT_EQ(size_t(reset->size()), sizeof(PfUndoReset) + fixed + 4 + 2 * 16);
}

// The selection keeps its last step for update(): once the stack destroys that step, the pointer is null.
TEST_F(PfUndoTest, TheSelectionsPointerToItsStepReadsNullOnceTheStackDestroysIt) {
    PfUndoItem* item = drag({{0, {0, 0, 0}}}, {{0, {1, 0, 0}}});
    ASSERT_TRUE(item);
    selection->setLastUndoItem(item);
    EXPECT_EQ(selection->getLastUndoItem(), item);
    // Undone, then a new step replaces the redo branch.
    stack()->undo();
    EXPECT_EQ(selection->getLastUndoItem(), item);
    ASSERT_TRUE(PfUndoReset::Create(*selection));
    EXPECT_EQ(selection->getLastUndoItem(), nullptr);

    PfUndoItem* second = drag({{0, {0, 0, 0}}}, {{0, {2, 0, 0}}});
    ASSERT_TRUE(second);
    selection->setLastUndoItem(second);
    stack()->clear();
    EXPECT_EQ(selection->getLastUndoItem(), nullptr);

    // A selection that dies first leaves the step alone.
    PfUndoItem* third = drag({{0, {0, 0, 0}}}, {{0, {3, 0, 0}}});
    ASSERT_TRUE(third);
    selection->setLastUndoItem(third);
    selection.reset();
    stack()->undo();
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{0, {0, 0, 0}}}));
}

namespace {

// The tool active on the node "body_1" (a 3 x 3 grid) in a real viewport, selecting faces.
class PfUndoToolTest : public pftest::PfToolViewportTest {
protected:
    PfUndoToolTest() : PfToolViewportTest(200, 150) {}
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PfToolViewportTest::SetUp());
        dzApp->getUndoStack()->clear();
        node = fx.addNode(dztest::makeNode("body_1", dztest::makeGrid(3, 3)));
        dzScene->setPrimarySelection(node);
        registerTool();
        ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
        ASSERT_TRUE(tool->getSelection());
        modifier = tool->getSelection()->getModifier();
        ASSERT_TRUE(modifier);
    }
    void TearDown() override {
        PfToolViewportTest::TearDown();
        dzApp->getUndoStack()->clear();
    }
    static DzUndoStack* stack() { return dzApp->getUndoStack(); }
    std::set<int> faces() const {
        return tool->getSelection() ? std::set<int>(tool->getSelection()->getSelectedFacets())
                                    : std::set<int>{};
    }

    DzNode* node = nullptr;
    PfModifier* modifier = nullptr;
};

}  // namespace

TEST_F(PfUndoToolTest, UndoAndRedoRestoreTheSnapshotAndLeaveTheSelectionIdle) {
    PfSelection* selection = tool->getSelection();
    selection->handleSelection(PfSelectionType::Face, 4, DzViewportMgr::NoModifier);
    modifier->setDeltas({{5, {1, 0, 0}}});
    ASSERT_TRUE(PfUndoItem::Create(*selection, PfRelativeOffsetsForUndo({{5, {1, 0, 0}}}, {{5, {0, 0, 0}}})));

    for (bool undo : {true, false}) {
        SCOPED_TRACE(undo ? "undo" : "redo");
        selection->handleSelection(PfSelectionType::Face, 0, DzViewportMgr::NoModifier);
        selection->setState(PfSelection::State::DragFinished);
        undo ? stack()->undo() : stack()->redo();
        ASSERT_EQ(tool->getSelection(), selection);
        EXPECT_EQ(faces(), (std::set<int>{4}));
        EXPECT_EQ(selection->getState(), PfSelection::State::Idle);
        EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());
    }
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{5, {1, 0, 0}}}));
}

TEST_F(PfUndoToolTest, AStepOfAnotherNodeLeavesTheToolsSelectionAlone) {
    PfSelection* selection = tool->getSelection();
    selection->handleSelection(PfSelectionType::Face, 4, DzViewportMgr::NoModifier);
    modifier->setDeltas({{5, {1, 0, 0}}});
    ASSERT_TRUE(PfUndoItem::Create(*selection, PfRelativeOffsetsForUndo({{5, {1, 0, 0}}}, {{5, {0, 0, 0}}})));

    DzNode* other = fx.addNode(dztest::makeNode("other", dztest::makeGrid(1, 1)));
    dzScene->setPrimarySelection(other);
    EXPECT_FALSE(tool->getSelection());
    stack()->undo();
    // The deltas follow; the tool makes no selection for a node it is not editing.
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{5, {0, 0, 0}}}));
    EXPECT_FALSE(tool->getSelection());
}

// After an undo the next drag starts from the deltas that the undo left: its press takes them, not what the
// undone drag had.
TEST_F(PfUndoToolTest, ADragAfterAnUndoStartsFromTheDeltasTheUndoLeft) {
    PfSelection* selection = tool->getSelection();
    PfSettings::Get()->m_falloffRadius = 0;
    selection->updateAfterSelectionChangeOrThrow(
        selection->handleSelection(PfSelectionType::Face, 4, DzViewportMgr::NoModifier));
    PfSelection::ViewportData data;
    auto drag = [&](HvPoint3 const& to) {
        ASSERT_TRUE(selection->beginDrag(PfGizmoHit::ConeZ, HvPoint3(), HvPoint3()));
        selection->dragTo(&data, PfGizmoDragKind::Translate, to, HvVec3());
        selection->onReleaseDragGizmo(nullptr);
    };
    auto expectDeltas = [&](Offsets const& wanted) {
        Offsets const now = modifier->getDeltas();
        Offsets all = now;
        for (auto const& e : wanted) all.emplace(e.first, HvVec3());
        for (auto const& e : all) {
            SCOPED_TRACE(e.first);
            HvVec3 const a = now.count(e.first) ? now.at(e.first) : HvVec3();
            HvVec3 const b = wanted.count(e.first) ? wanted.at(e.first) : HvVec3();
            EXPECT_NEAR(a.x, b.x, 1e-5f);
            EXPECT_NEAR(a.y, b.y, 1e-5f);
            EXPECT_NEAR(a.z, b.z, 1e-5f);
        }
    };

    drag(HvPoint3(0, 0, 1));
    Offsets const first = modifier->getDeltas();
    drag(HvPoint3(0.5f, 0, 0));
    Offsets const second = modifier->getDeltas();
    ASSERT_EQ(second.size(), 4u);
    stack()->undo();
    ASSERT_EQ(tool->getSelection(), selection);
    ASSERT_EQ(selection->getState(), PfSelection::State::Idle);
    expectDeltas(first);

    drag(HvPoint3(0.5f, 0, 0));
    expectDeltas(second);
    stack()->undo();
    expectDeltas(first);
    stack()->undo();
    expectDeltas(Offsets());
}

TEST_F(PfUndoToolTest, ARedoneResetDropsTheToolsSelectionAndItsUndoKeepsIt) {
    PfSelection* selection = tool->getSelection();
    selection->handleSelection(PfSelectionType::Face, 4, DzViewportMgr::NoModifier);
    modifier->setDeltas({{5, {1, 0, 0}}});
    ASSERT_TRUE(PfUndoReset::Create(*selection));
    modifier->clearDeltas();

    selection->handleSelection(PfSelectionType::Face, 0, DzViewportMgr::NoModifier);
    stack()->undo();
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{5, {1, 0, 0}}}));
    ASSERT_EQ(tool->getSelection(), selection);
    EXPECT_EQ(faces(), (std::set<int>{4}));

    stack()->redo();
    EXPECT_EQ(modifier->getDeltas(), Offsets{});
    EXPECT_FALSE(tool->getSelection());

    // Without an active tool the steps still work.
    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    stack()->undo();
    EXPECT_EQ(modifier->getDeltas(), (Offsets{{5, {1, 0, 0}}}));
    EXPECT_FALSE(tool->getSelection());
}
