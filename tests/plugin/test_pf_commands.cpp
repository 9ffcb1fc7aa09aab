// The tool's commands with the tool active in a real viewport: what each keeps in step (settings, action
// check marks, pane, viewport), the falloff re-applying a finished drag, the refresh after undo and redo, the
// pane's selection text, and the boxes of select all, clear, grow and shrink.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzfixtures.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dznode.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzundostack.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_base.h"
#include "pf_action.h"
#include "pf_modifier.h"
#include "pf_tool_options_view.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"
#include "pf_undo.h"

namespace {

using Set = std::set<int>;

// Records what the commands ask of the pane, one line per call.
class FakePane : public QWidget, public PfToolOptionsView {
public:
    using QWidget::QWidget;
    void setSelectionTypeRadioChecked(PfSelectionType type) const override {
        log(QString("type %1").arg(uint32_t(type)));
    }
    void setGizmoOrientationRadioChecked(PfGizmoOrientation o) const override {
        log(QString("orient %1").arg(uint32_t(o)));
    }
    void setFalloffRadiusSlider(size_t radius) const override { log(QString("radius %1").arg(radius)); }
    void setFalloffModeRadioChecked(PfFalloffMode mode) const override {
        log(QString("mode %1").arg(uint32_t(mode)));
    }
    void updateSelectionInfo(std::string const& text) override {
        log("info " + QString::fromStdString(text));
        info = text;
    }
    void updateLockInPlaceGizmoCheckBox() override { log("lock"); }
    void updateModifierStats(bool) override {}

    mutable QStringList calls;
    std::string info = "(never)";

private:
    void log(QString const& line) const { calls << line; }
};

// Puts the actions into the host's action manager for the test, and whatever was there back afterwards.
class ActionsInManager {
public:
    explicit ActionsInManager(std::vector<DzAction*> actions) : m_mgr(dzApp->getInterface()->getActionMgr()) {
        for (DzAction* a : actions) {
            QString const name = a->metaObject()->className();
            if (DzAction* old = m_mgr->takeAction(name))
                m_saved.push_back(old);
            m_mgr->addAction(a);
            m_names << name;
        }
    }
    ~ActionsInManager() {
        for (QString const& name : m_names) delete m_mgr->takeAction(name);
        for (DzAction* a : m_saved) m_mgr->addAction(a);
    }

private:
    DzActionMgr* m_mgr;
    QStringList m_names;
    std::vector<DzAction*> m_saved;
};

// A 4 x 4 grid of unit quads on the XY plane (vertex (i, j) has index 5 j + i, face (i, j) index 4 j + i),
// the primary node, with the tool active on it and its pane made.
class PfCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        PfSettings* s = PfSettings::Get();
        s->m_eSelectionType = PfSelectionType::Face;
        s->m_falloffRadius = 50;
        s->m_eFalloffMode = PfFalloffMode::SmoothCurve;
        s->m_eGizmoOrientation = PfGizmoOrientation::NodeAxes;
        s->m_fGain = 1.0f;
        s->m_kmAddToSelection.set(HvKeyboardModifier::Ctrl);
        ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
        stack()->clear();
        grid = fx.addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
        fx.lookAt(DzVec3(2, 2, 10), DzVec3(2, 2, 0));
        dzScene->setPrimarySelection(grid);
        registered = std::make_unique<pftest::ScopedPfTool>(fx.mgr());
        tool = registered->get();
        PfTool::SetPaneFactory([](QWidget* parent) { return new FakePane(parent); });
        pane = dynamic_cast<FakePane*>(tool->getPane(&paneParent));
        ASSERT_TRUE(pane);
        ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
        ASSERT_TRUE(selection());
    }
    void TearDown() override {
        registered.reset();
        PfTool::SetPaneFactory(nullptr);
        stack()->clear();
    }
    static DzUndoStack* stack() { return dzApp->getUndoStack(); }
    PfSelection* selection() const { return tool->getSelection(); }
    int redraws() const { return fx.mgr()->getDrawnDataChangedCount(); }
    void deactivate() { ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool"))); }

    // Exactly these elements of the type, as picks would select them.
    void pick(PfSelectionType type, std::vector<int> const& indices) {
        PfSettings::Get()->m_eSelectionType = type;
        bool first = true;
        for (int i : indices) {
            selection()->handleSelection(type, i,
                                         first ? DzViewportMgr::NoModifier : DzViewportMgr::CtrlModifier);
            first = false;
        }
        selection()->updateAfterSelectionChangeOrThrow(
            type == PfSelectionType::Face   ? PfMouseHandlerResultFlag::FacetsChanged
            : type == PfSelectionType::Edge ? PfMouseHandlerResultFlag::EdgesChanged
                                            : PfMouseHandlerResultFlag::VerticesChanged);
    }
    // Vertex (2, 2) lifted by 1 along Z with the current falloff, released: state 5 and one undo step.
    void dragCentreUp() {
        pick(PfSelectionType::Vertex, {12});
        ASSERT_TRUE(selection()->beginDrag(PfGizmoHit::ConeX, DzVec3(2, 2, 0), HvPoint3(2, 2, 0)));
        selection()->dragTo(&data, PfGizmoDragKind::Translate, HvPoint3(2, 2, 1), HvVec3());
        selection()->onReleaseDragGizmo(nullptr);
        ASSERT_EQ(selection()->getState(), PfSelection::State::DragFinished);
    }
    float liftOf(int vertex) const { return selection()->getModifier()->getDelta(unsigned(vertex)).z; }

    dztest::TempSettings temp;
    dztest::ViewportFixture fx{200, 150};
    QWidget paneParent;
    DzNode* grid = nullptr;
    std::unique_ptr<pftest::ScopedPfTool> registered;
    PfTool* tool = nullptr;
    FakePane* pane = nullptr;
    PfSelection::ViewportData data;
};

}  // namespace

// ---- falloff radius and curve ----

struct RadiusStep {
    uint64_t radius;
    bool grow;
    uint64_t after;
};

TEST_F(PfCommandsTest, RadiusStepsOfTenNeverBelowZero) {
    for (RadiusStep const& c : {RadiusStep{10, false, 0}, RadiusStep{11, false, 1}, RadiusStep{0, true, 10},
                                RadiusStep{50, false, 40}, RadiusStep{0, false, 0}}) {
        SCOPED_TRACE(testing::Message() << c.radius << (c.grow ? " grown" : " shrunk"));
        PfSettings::Get()->m_falloffRadius = c.radius;
        pane->calls.clear();
        bool const changed = c.after != c.radius;
        EXPECT_EQ(PfTool::GrowOrShrinkFalloffRadius(c.grow, true), changed);
        EXPECT_EQ(PfSettings::Get()->m_falloffRadius, c.after);
        EXPECT_EQ(pane->calls, changed ? QStringList{QString("radius %1").arg(c.after)} : QStringList{});
    }
}

TEST_F(PfCommandsTest, TheSameRadiusChangesNothingAndNoToolOnlyTheSettings) {
    pick(PfSelectionType::Face, {5});
    int const start = redraws();
    pane->calls.clear();
    EXPECT_FALSE(PfTool::SetFalloffRadius(50, true));
    EXPECT_EQ(redraws(), start);
    EXPECT_TRUE(pane->calls.isEmpty());

    // The pane's own slider passes false: the viewport follows, the pane is left alone.
    EXPECT_TRUE(PfTool::SetFalloffRadius(5, false));
    EXPECT_EQ(redraws(), start + 1);
    EXPECT_TRUE(pane->calls.isEmpty());
    EXPECT_EQ(selection()->getAffectedVertices().size(),
              4u);  // half a unit reaches no vertex beyond the face's

    deactivate();
    int const inactive = redraws();
    EXPECT_TRUE(PfTool::SetFalloffRadius(70, true));
    EXPECT_EQ(PfSettings::Get()->m_falloffRadius, 70u);
    EXPECT_EQ(redraws(), inactive);
    EXPECT_TRUE(pane->calls.isEmpty());
    PfTool::SetFalloffMode(PfFalloffMode::Sharp, true);
    EXPECT_EQ(PfSettings::Get()->m_eFalloffMode, PfFalloffMode::Sharp);
    EXPECT_TRUE(pane->calls.isEmpty());
}

TEST_F(PfCommandsTest, AFinishedDragFollowsTheCurveAndItsOneStepKeepsTheResult) {
    PfTool::SetFalloffRadius(20, false);
    PfTool::SetFalloffMode(PfFalloffMode::Linear, false);
    dragCentreUp();
    EXPECT_FLOAT_EQ(liftOf(12), 1.0f);
    EXPECT_FLOAT_EQ(liftOf(13), 0.5f);  // distance 1 of radius 2

    // The same curve again: the drag is taken back and applied again, to the same result.
    QSignalSpy changes(selection()->getModifier(), SIGNAL(currentValueChanged()));
    pane->calls.clear();
    PfTool::SetFalloffMode(PfFalloffMode::Linear, true);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FLOAT_EQ(liftOf(13), 0.5f);
    EXPECT_EQ(pane->calls, QStringList{QString("mode %1").arg(uint32_t(PfFalloffMode::Linear))});
    EXPECT_EQ(selection()->getState(), PfSelection::State::DragFinished);

    // Another curve changes the mesh in place; still one step, and it undoes and redoes the new result.
    PfTool::SetFalloffMode(PfFalloffMode::Constant, true);
    EXPECT_FLOAT_EQ(liftOf(13), 1.0f);
    ASSERT_EQ(stack()->getNumSteps(), 1);
    for (bool undo : {true, false}) {
        SCOPED_TRACE(undo ? "undo" : "redo");
        selection()->setState(PfSelection::State::DragFinished);
        undo ? stack()->undo() : stack()->redo();
        EXPECT_FLOAT_EQ(liftOf(12), undo ? 0.0f : 1.0f);
        EXPECT_FLOAT_EQ(liftOf(13), undo ? 0.0f : 1.0f);
        EXPECT_EQ(selection()->getState(), PfSelection::State::Idle);
    }

    // After the next press the falloff only changes what is highlighted.
    dragCentreUp();
    pick(PfSelectionType::Vertex, {12});  // a pick: the drag is no longer adjustable
    ASSERT_EQ(selection()->getState(), PfSelection::State::Idle);
    float const before13 = liftOf(13);
    ASSERT_EQ(selection()->getAffectedVertices().count(13), 1u);
    int const start = redraws();
    EXPECT_TRUE(PfTool::SetFalloffRadius(5, true));
    EXPECT_EQ(selection()->getAffectedVertices().count(13), 0u);
    EXPECT_FLOAT_EQ(liftOf(13), before13);
    EXPECT_EQ(redraws(), start + 1);
    EXPECT_EQ(stack()->getNumSteps(), 2);
}

// ---- undo and redo ----

TEST_F(PfCommandsTest, UndoAndRedoLeaveTheSelectionIdleAlsoWhenItsRestoreFails) {
    PfTool::SetFalloffRadius(0, false);
    dragCentreUp();  // its snapshot is of vertex mode
    for (bool restoreFails : {false, true})
        for (bool undo : {true, false}) {
            SCOPED_TRACE(testing::Message() << (undo ? "undo" : "redo") << (restoreFails ? ", failing" : ""));
            // In face mode the restore switches the type back, which needs the action manager.
            PfSettings::Get()->m_eSelectionType = PfSelectionType::Face;
            selection()->setState(PfSelection::State::DragFinished);
            std::unique_ptr<DzActionMgr> taken(restoreFails ? dzApp->getInterface()->takeActionMgr()
                                                            : nullptr);
            dztest::ModalResponder responder;
            undo ? stack()->undo() : stack()->redo();
            if (taken)
                dzApp->getInterface()->setActionMgr(taken.release());
            EXPECT_EQ(selection()->getState(), PfSelection::State::Idle);
            EXPECT_FLOAT_EQ(liftOf(12), undo ? 0.0f : 1.0f);
            EXPECT_TRUE(responder.boxes().isEmpty());
            EXPECT_EQ(PfSettings::Get()->m_eSelectionType, PfSelectionType::Vertex);
        }
}

// ---- selection type ----

TEST_F(PfCommandsTest, SelectionTypeKeepsActionsPaneAndViewportInStep) {
    auto* face = new PfFaceSelectionAction;
    auto* edge = new PfEdgeSelectionAction;
    auto* vertex = new PfVertexSelectionAction;
    ActionsInManager const actions({face, edge, vertex});
    // The actions check themselves from the settings when added; clear it to see that nothing touches it.
    face->setChecked(false);
    int start = redraws();
    pane->calls.clear();

    // The current type without force: nothing at all.
    PfTool::SetSelectionTypeOrThrow(PfSelectionType::Face, false, true);
    EXPECT_FALSE(face->isChecked());
    EXPECT_EQ(redraws(), start);
    EXPECT_TRUE(pane->calls.isEmpty());

    PfTool::SetSelectionTypeOrThrow(PfSelectionType::Face, true, true);
    EXPECT_TRUE(face->isChecked());
    EXPECT_FALSE(edge->isChecked());
    EXPECT_TRUE(edge->isCheckable());
    EXPECT_EQ(redraws(), start + 1);
    EXPECT_EQ(pane->calls, QStringList{QString("type %1").arg(uint32_t(PfSelectionType::Face))});
    EXPECT_TRUE(tool->isToolSettingsStatsUpdatePending());

    // From the pane's radios: the pane is not told what it shows already; the sets stay.
    pick(PfSelectionType::Face, {5});
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Face;
    pane->calls.clear();
    start = redraws();
    PfTool::SetSelectionTypeOrThrow(PfSelectionType::Edge, false, false);
    EXPECT_EQ(PfSettings::Get()->m_eSelectionType, PfSelectionType::Edge);
    EXPECT_FALSE(face->isChecked());
    EXPECT_TRUE(edge->isChecked());
    EXPECT_FALSE(vertex->isChecked());
    EXPECT_EQ(redraws(), start + 1);
    EXPECT_TRUE(pane->calls.isEmpty());
    EXPECT_EQ(Set(selection()->getSelectedFacets()), (Set{5}));

    // Without the action manager the setting is stored and the failure goes to the caller.
    std::unique_ptr<DzActionMgr> taken(dzApp->getInterface()->takeActionMgr());
    try {
        PfTool::SetSelectionTypeOrThrow(PfSelectionType::Vertex, false, true);
        ADD_FAILURE() << "no exception";
    } catch (HvException const& e) {
        EXPECT_STREQ(e.what(), "cannot get Daz Studio action manager");
    }
    dzApp->getInterface()->setActionMgr(taken.release());
    EXPECT_EQ(PfSettings::Get()->m_eSelectionType, PfSelectionType::Vertex);
}

// ---- gizmo ----

TEST_F(PfCommandsTest, GizmoLockRedrawsOnlyOnAChangeOrWhenForced) {
    selection()->getViewportData(fx.view());
    selection()->setGizmoLockInPlace(false);  // automatic, whatever a paint chose
    EXPECT_EQ(PfTool::GetGizmoLockInPlace(), PfGizmoLock::Automatic);
    int const start = redraws();
    pane->calls.clear();
    PfTool::SetGizmoLockInPlace(false, false, true);
    EXPECT_EQ(redraws(), start);
    EXPECT_TRUE(pane->calls.isEmpty());

    PfTool::SetGizmoLockInPlace(true, false, true);
    EXPECT_EQ(PfTool::GetGizmoLockInPlace(), PfGizmoLock::Placed);
    EXPECT_EQ(redraws(), start + 1);
    EXPECT_EQ(pane->calls, QStringList{"lock"});

    PfTool::SetGizmoLockInPlace(true, true, true);  // forced, unchanged: redrawn, the pane not told
    EXPECT_EQ(redraws(), start + 2);
    EXPECT_EQ(pane->calls, QStringList{"lock"});
    EXPECT_EQ(PfTool::GetGizmoLockInPlace(), PfGizmoLock::Placed);

    deactivate();
    EXPECT_EQ(PfTool::GetGizmoLockInPlace(), PfGizmoLock::Unavailable);
}

TEST_F(PfCommandsTest, OrientationIsStoredAlwaysAndRebuildsTheGizmos) {
    int const start = redraws();
    pane->calls.clear();
    PfTool::SetGizmoOrientation(PfGizmoOrientation::NodeAxes, true);  // the same one still rebuilds
    PfTool::SetGizmoOrientation(PfGizmoOrientation::Clamped, false);
    EXPECT_EQ(PfSettings::Get()->m_eGizmoOrientation, PfGizmoOrientation::Clamped);
    EXPECT_EQ(redraws(), start + 2);
    EXPECT_EQ(pane->calls, QStringList{QString("orient %1").arg(uint32_t(PfGizmoOrientation::NodeAxes))});

    deactivate();
    PfTool::SetGizmoOrientation(PfGizmoOrientation::WorldAxes, true);
    EXPECT_EQ(PfSettings::Get()->m_eGizmoOrientation, PfGizmoOrientation::WorldAxes);
    EXPECT_EQ(pane->calls.size(), 1);
}

// ---- the pane's selection text ----

struct TextCase {
    char const* name;
    PfSelectionType type;
    std::vector<int> picks;
    char const* text;
};

TEST_F(PfCommandsTest, SelectionTexts) {
    char const* const please =
        "Please select geometry in the selected node to be able to modify it with Pullform.";
    for (TextCase const& c :
         {TextCase{"vertices", PfSelectionType::Vertex, {12, 13}, ""},
          TextCase{"one face", PfSelectionType::Face, {5}, "One face with 4 vertices selected"},
          TextCase{"faces", PfSelectionType::Face, {0, 1, 2}, "3 faces with 8 vertices selected"},
          TextCase{"one edge", PfSelectionType::Edge, {0}, "One edge with 2 vertices selected"},
          TextCase{"nothing selected", PfSelectionType::Face, {}, please}}) {
        SCOPED_TRACE(c.name);
        pick(c.type, c.picks);
        if (c.picks.empty())
            selection()->selectAllOrThrow(*PfSettings::Get(), false);
        pane->calls.clear();
        tool->updateToolSettingsSelectionInfo();
        EXPECT_EQ(pane->calls, (QStringList{"info " + QString::fromUtf8(c.text), "lock"}));
    }

    // No selection: the text depends on whether a node is selected in the scene.
    dzScene->selectAllNodes(false);
    ASSERT_FALSE(selection());
    tool->updateToolSettingsSelectionInfo();
    EXPECT_EQ(pane->info, "");
    dzScene->setPrimarySelection(grid);
    ASSERT_FALSE(selection());
    tool->updateToolSettingsSelectionInfo();
    EXPECT_EQ(pane->info, please);

    // Counts with thousands separators: rows 0 to 29 of a 40-wide grid and 34 faces of row 30.
    DzNode* big = fx.addNode(dztest::makeNode("big", dztest::makeGrid(40, 31)));
    dzScene->setPrimarySelection(big);
    ASSERT_TRUE(tool->getOrMakeSelectionOrThrow(nullptr, false));
    std::vector<int> faces(1234);
    for (int i = 0; i < 1234; ++i) faces[size_t(i)] = i;
    pick(PfSelectionType::Face, faces);
    tool->updateToolSettingsSelectionInfo();
    EXPECT_EQ(pane->info, "1,234 faces with 1,306 vertices selected");
}

// ---- select all, clear, grow, shrink ----

TEST_F(PfCommandsTest, SelectAllClearGrowAndShrink) {
    PfTool::SelectAll(true);
    EXPECT_EQ(selection()->getSelectedFacets().size(), 16u);
    EXPECT_EQ(pane->info, "16 faces with 25 vertices selected");
    PfTool::SelectAll(false);
    EXPECT_TRUE(selection()->getSelectedFacets().empty());
    EXPECT_EQ(pane->info,
              "Please select geometry in the selected node to be able to modify it with Pullform.");

    pick(PfSelectionType::Face, {5});
    int const start = redraws();
    PfTool::GrowOrShrinkSelection(true);
    Set const grown(selection()->getSelectedFacets());
    EXPECT_TRUE(grown.count(5));
    EXPECT_GT(grown.size(), 1u);
    EXPECT_EQ(redraws(), start + 1);

    // Grow outside face mode is refused in a box; nothing changes.
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Vertex;
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    PfTool::GrowOrShrinkSelection(false);
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].text,
              "Growing and shrinking selections is currently only supported in face selection mode.");
    EXPECT_EQ(Set(selection()->getSelectedFacets()), grown);
}

TEST_F(PfCommandsTest, AnotherNodeChosenInTheSceneLeavesTheCommandsNoSelection) {
    DzNode* other = fx.addNode(dztest::makeNode("other", dztest::makeGrid(1, 1)));
    dzScene->setPrimarySelection(other);
    ASSERT_FALSE(selection());
    struct Command {
        void (*run)(bool);
        bool arg;
        char const* name;
    };
    for (Command const& c : {Command{&PfTool::SelectAll, true, "Select all"},
                             Command{&PfTool::SelectAll, false, "Clear selection"},
                             Command{&PfTool::GrowOrShrinkSelection, true, "Grow selection"},
                             Command{&PfTool::GrowOrShrinkSelection, false, "Shrink selection"}}) {
        SCOPED_TRACE(c.name);
        dztest::ModalResponder responder;
        responder.pressButton("OK");
        c.run(c.arg);
        ASSERT_EQ(responder.boxes().size(), 1);
        EXPECT_EQ(responder.boxes()[0].text.toStdString(),
                  "No object is currently selected in the scene. Please select one first and try the " +
                      HvHelpers::Quote(c.name) + " command again.");
        EXPECT_FALSE(selection());  // none is made here
    }

    // Without an active tool they do nothing.
    deactivate();
    dztest::ModalResponder responder;
    PfTool::SelectAll(true);
    PfTool::GrowOrShrinkSelection(true);
    EXPECT_TRUE(responder.boxes().isEmpty());
}

#include "test_pf_commands.moc"
