// The plug-in's actions as the host holds them: texts, groups, shortcuts and check marks, the shortcuts
// borrowed from the host's facet-selection actions, the menu items that show them, About and Help, and the
// viewport context menu.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QStringList>
#include <memory>
#include <vector>

#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzfixtures.h"
#include "dzmainwindow.h"
#include "dzmenu.h"
#include "dzmodalresponder.h"
#include "dzplugin.h"
#include "dzpluginmgr.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "hv_base.h"
#include "pf_action.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"

namespace {

DzActionMgr* actionMgr() {
    return dzApp->getInterface()->getActionMgr();
}

// The plug-in's sixteen actions registered in the host's action manager for the scope, as the host does
// after making them through their factories.
class RegisteredActions {
public:
    RegisteredActions() {
        add(new PfToolAction);
        add(new PfToogleDrawGizmoAxesAction);
        add(new PfToogleDrawGizmoRotationsAction);
        add(new PfToogleDrawGizmoSphereAction);
        add(new PfFaceSelectionAction);
        add(new PfEdgeSelectionAction);
        add(new PfVertexSelectionAction);
        add(new PfSelectAllAction);
        add(new PfClearSelectionAction);
        add(new PfGrowSelectionAction);
        add(new PfShrinkSelectionAction);
        add(new PfGrowFalloffRadiusAction);
        add(new PfShrinkFalloffRadiusAction);
        add(new PfResetAllDeltasAction);
        add(new PfAboutAction);
        add(new PfHelpAction);
    }
    ~RegisteredActions() {
        for (QString const& name : m_names) delete actionMgr()->takeAction(name);
    }
    DzAction* operator[](char const* className) const { return actionMgr()->findAction(className); }

private:
    void add(DzAction* action) {
        m_names << QString::fromLatin1(action->metaObject()->className());
        EXPECT_TRUE(actionMgr()->addAction(action));
    }
    QStringList m_names;
};

// Puts the host's facet-selection actions' shortcuts back at the end.
class HostShortcuts {
public:
    HostShortcuts() {
        for (char const* name : kNames) m_saved.push_back(actionMgr()->findAction(name)->shortcut());
    }
    ~HostShortcuts() {
        for (size_t i = 0; i < m_saved.size(); ++i)
            actionMgr()->findAction(kNames[i])->setShortcut(m_saved[i]);
    }
    static void set(char const* name, QKeySequence const& keys) {
        actionMgr()->findAction(name)->setShortcut(keys);
    }

    static constexpr char const* kNames[] = {"DzFacetSelAllAction", "DzFacetSelClearAction",
                                             "DzFacetSelGrowAction", "DzFacetSelShrinkAction"};

private:
    std::vector<QKeySequence> m_saved;
};

class PfActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        PfSettings* s = PfSettings::Get();
        s->m_eSelectionType = PfSelectionType::Face;
        s->m_drawGizmoFlags =
            PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation | PfDrawGizmoSetting::Influence;
        ASSERT_TRUE(dzApp->getInterface());
    }
    dztest::TempSettings temp;
    HostShortcuts hostShortcuts;
};

QString menuLabel(char const* pullformAction) {
    DzMenu menu;
    AddActionWithMatchingShortcut(actionMgr(), &menu, pullformAction);
    return menu.getEntries().isEmpty() ? QStringLiteral("<none>") : menu.getEntries()[0].text;
}

}  // namespace

// ---- the commands ----

TEST_F(PfActionTest, EveryCommandHasItsTextGroupShortcutAndCheckMark) {
    PfSettings::Get()->m_drawGizmoFlags =
        PfDrawGizmoSetting::Translation;  // sphere off: its mark must follow
    PfSettings::Get()->m_eSelectionType = PfSelectionType::Edge;
    RegisteredActions actions;
    enum Check { NotCheckable, Unchecked, Checked };
    struct Row {
        char const* className;
        char const* text;
        QKeySequence shortcut;
        Check check;
    };
    Row const rows[] = {
        {"PfToogleDrawGizmoAxesAction", "Show gizmo axes", {}, Checked},
        // Not until the host is starting.
        {"PfToogleDrawGizmoRotationsAction", "Show gizmo rotation controls", {}, Unchecked},
        {"PfToogleDrawGizmoSphereAction", "Show gizmo falloff radius sphere", {}, Unchecked},
        {"PfFaceSelectionAction", "Polygon (face) selection", {}, Unchecked},
        {"PfEdgeSelectionAction", "Edge selection", {}, Checked},
        {"PfVertexSelectionAction", "Vertex selection", {}, Unchecked},
        // Borrowed at activation, never their own.
        {"PfSelectAllAction", "Select all", {}, NotCheckable},
        {"PfClearSelectionAction", "Clear selection", {}, NotCheckable},
        {"PfGrowSelectionAction", "Grow selection", {}, NotCheckable},
        {"PfShrinkSelectionAction", "Shrink selection", {}, NotCheckable},
        {"PfGrowFalloffRadiusAction", "Grow falloff radius", QKeySequence(0x05000016), NotCheckable},
        {"PfShrinkFalloffRadiusAction", "Shrink falloff radius", QKeySequence(0x05000017), NotCheckable},
        {"PfResetAllDeltasAction", "Reset pullform (clear all deltas)...", {}, NotCheckable},
        {"PfAboutAction", "About Halvorin's Pullform...", {}, NotCheckable},
        {"PfHelpAction", "Help (open Pullform PDF documentation)", {}, NotCheckable},
    };
    ASSERT_FALSE(dzApp->hasStarted()) << "the rotations toggle's mark is checked before starting()";
    for (Row const& row : rows) {
        SCOPED_TRACE(row.className);
        DzAction* action = actions[row.className];
        ASSERT_TRUE(action);
        EXPECT_EQ(action->text(), row.text);
        EXPECT_EQ(action->getDescription(), row.text);
        EXPECT_EQ(action->getActionGroup(), "Halvorin's Pullform");
        EXPECT_EQ(action->getDefaultAccel(), row.shortcut);
        EXPECT_EQ(action->shortcut(), row.shortcut);
        EXPECT_EQ(action->isCheckable(), row.check != NotCheckable);
        EXPECT_EQ(action->isChecked(), row.check == Checked);
    }
    PfSettings::Get()->m_drawGizmoFlags = PfDrawGizmoSetting::Rotation;
    dzApp->emitStarting();
    EXPECT_TRUE(actions["PfToogleDrawGizmoRotationsAction"]->isChecked());
    EXPECT_TRUE(actions["PfToogleDrawGizmoAxesAction"]->isChecked()) << "taken once, at init";
}

TEST_F(PfActionTest, ToolActionSwitchesToTheToolWithItsShortcutAndIcon) {
    RegisteredActions actions;
    auto* action = qobject_cast<PfToolAction*>(actions["PfToolAction"]);
    ASSERT_TRUE(action);
    EXPECT_EQ(action->objectName(), "PfToolAction");
    EXPECT_EQ(action->getToolClassName(), "PfTool");
    EXPECT_EQ(action->text(), "Pullform");
    EXPECT_EQ(action->getActionGroup(), "Tools");
    EXPECT_EQ(action->shortcut(), QKeySequence(0x0A000045));
    EXPECT_FALSE(action->icon().isNull());
    EXPECT_FALSE(action->icon().pixmap(32, QIcon::Normal, QIcon::On).isNull());
}

TEST_F(PfActionTest, TogglesAndSelectionTypesChangeTheSettingsAndKeepTheirMarks) {
    RegisteredActions actions;
    PfSettings const* s = PfSettings::Get();
    actions["PfToogleDrawGizmoSphereAction"]->trigger();
    EXPECT_FALSE(s->drawsGizmo(PfDrawGizmoSetting::Influence));
    EXPECT_FALSE(actions["PfToogleDrawGizmoSphereAction"]->isChecked());
    actions["PfToogleDrawGizmoRotationsAction"]->trigger();
    EXPECT_FALSE(s->drawsGizmo(PfDrawGizmoSetting::Rotation));
    actions["PfToogleDrawGizmoAxesAction"]->activate(QAction::Trigger);
    EXPECT_FALSE(s->drawsGizmo(PfDrawGizmoSetting::Translation));
    actions["PfToogleDrawGizmoAxesAction"]->activate(QAction::Trigger);
    EXPECT_TRUE(s->drawsGizmo(PfDrawGizmoSetting::Translation));
    EXPECT_TRUE(actions["PfToogleDrawGizmoAxesAction"]->isChecked());

    actions["PfVertexSelectionAction"]->trigger();
    EXPECT_EQ(s->m_eSelectionType, PfSelectionType::Vertex);
    EXPECT_TRUE(actions["PfVertexSelectionAction"]->isChecked());
    // Triggering the checked one again keeps it checked: the type stays.
    actions["PfVertexSelectionAction"]->trigger();
    EXPECT_EQ(s->m_eSelectionType, PfSelectionType::Vertex);
    EXPECT_TRUE(actions["PfVertexSelectionAction"]->isChecked());

    auto* edge = qobject_cast<PfSelectionTypeActionBase*>(actions["PfEdgeSelectionAction"]);
    ASSERT_TRUE(edge);
    edge->updateChecked(PfSelectionType::Edge);
    EXPECT_TRUE(edge->isChecked());
    edge->updateChecked(PfSelectionType::Face);
    EXPECT_FALSE(edge->isChecked());
}

TEST_F(PfActionTest, AboutShowsTheDescriptionOrNotFound) {
    RegisteredActions actions;
    {
        dztest::ModalResponder responder;
        responder.pressButton("OK");
        actions["PfAboutAction"]->trigger();
        ASSERT_EQ(responder.boxes().size(), 1);
        EXPECT_EQ(responder.boxes()[0].text, "Not found");
        EXPECT_EQ(responder.boxes()[0].buttons, QStringList{"OK"});
    }
    DzPlugin plugin(QStringLiteral("Halvorin's Pullform"));
    plugin.setDescription(QStringLiteral("<p>about</p>\n"));
    dzApp->getPluginMgr()->addPlugin(&plugin);
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    actions["PfAboutAction"]->trigger();
    dzApp->getPluginMgr()->removePlugin(&plugin);
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].text, "<p>about</p>\n");
    EXPECT_TRUE(responder.boxes()[0].title.startsWith("Halvorin's Pullform V3.0.1"))
        << responder.boxes()[0].title.toStdString();
}

TEST_F(PfActionTest, HelpOpensTheManual) {
    RegisteredActions actions;
    actions["PfHelpAction"]->trigger();
    ASSERT_FALSE(dzApp->getShownURLs().isEmpty());
    EXPECT_EQ(dzApp->getShownURLs().last(),
              "file:///" + dzApp->getDocumentationPath() + "/Plugins/Pullform/Pullform Manual.pdf");
}

// ---- borrowed shortcuts ----

TEST_F(PfActionTest, BorrowsTheHostShortcutsOfOneCombination) {
    RegisteredActions actions;
    HostShortcuts::set("DzFacetSelAllAction", QKeySequence(Qt::CTRL | Qt::Key_A, Qt::Key_B));
    HostShortcuts::set("DzFacetSelClearAction", QKeySequence());
    // A later pair takes an earlier pair's keys.
    HostShortcuts::set("DzFacetSelGrowAction", QKeySequence(Qt::CTRL | Qt::Key_K));
    HostShortcuts::set("DzFacetSelShrinkAction", QKeySequence(Qt::CTRL | Qt::Key_K));
    PfActionBase::InitShortcutMagicOrThrow();

    EXPECT_EQ(PfActionBase::FindMatchingDazAction("PfSelectAllAction"),
              actionMgr()->findAction("DzFacetSelAllAction"));
    EXPECT_EQ(PfActionBase::FindMatchingDazAction("PfClearSelectionAction"),
              actionMgr()->findAction("DzFacetSelClearAction"));
    EXPECT_EQ(PfActionBase::FindMatchingDazAction("PfShrinkSelectionAction"),
              actionMgr()->findAction("DzFacetSelShrinkAction"));
    EXPECT_EQ(PfActionBase::FindMatchingDazAction("PfFaceSelectionAction"), nullptr);

    // Neither combination of the two-combination shortcut is bound; the label shows it whole.
    EXPECT_EQ(PfActionBase::FindMatchingPullformActionFromKey(Qt::Key_A, Qt::ControlModifier), nullptr);
    EXPECT_EQ(PfActionBase::FindMatchingPullformActionFromKey(Qt::Key_B, Qt::NoModifier), nullptr);
    EXPECT_EQ(menuLabel("PfSelectAllAction"), "Select all\tCtrl+A, B");
    EXPECT_EQ(menuLabel("PfClearSelectionAction"), "Clear selection");
    EXPECT_EQ(PfActionBase::FindMatchingPullformActionFromKey(Qt::Key_K, Qt::ControlModifier),
              actions["PfShrinkSelectionAction"]);
    EXPECT_EQ(menuLabel("PfGrowSelectionAction"), "Grow selection\tCtrl+K");
    EXPECT_EQ(menuLabel("PfFaceSelectionAction"), "Polygon (face) selection");
    EXPECT_EQ(menuLabel("NoSuchAction"), "<none>");
}

TEST_F(PfActionTest, KeyMatchingIsExactModifiersIncluded) {
    RegisteredActions actions;
    PfActionBase::InitShortcutMagicOrThrow();  // the host's own: Ctrl+A, Ctrl+Shift+A, Ctrl++, Ctrl+-
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        char const* expected;  // null: no action
    };
    Row const rows[] = {
        {Qt::Key_A, Qt::ControlModifier, "PfSelectAllAction"},
        {Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, "PfClearSelectionAction"},
        {Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, nullptr},
        {Qt::Key_A, Qt::NoModifier, nullptr},
        {Qt::Key_Plus, Qt::ControlModifier, "PfGrowSelectionAction"},
        {Qt::Key_Minus, Qt::ControlModifier, "PfShrinkSelectionAction"},
        {Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier, nullptr},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(QKeySequence(int(row.key) | int(row.modifiers)).toString().toStdString());
        EXPECT_EQ(PfActionBase::FindMatchingPullformActionFromKey(row.key, row.modifiers),
                  row.expected ? actions[row.expected] : nullptr);
    }
    QKeyEvent const ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QKeyEvent const ctrlShiftA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(isEquiv(ctrlA, QKeySequence(Qt::CTRL | Qt::Key_A)));
    EXPECT_FALSE(isEquiv(ctrlShiftA, QKeySequence(Qt::CTRL | Qt::Key_A)));
    EXPECT_FALSE(isEquiv(ctrlA, QKeySequence(Qt::CTRL | Qt::Key_A, Qt::Key_B)));
    EXPECT_FALSE(isEquiv(ctrlA, QKeySequence()));

    // Without the plug-in's actions in the host the key finds nothing.
    delete actionMgr()->takeAction("PfSelectAllAction");
    EXPECT_EQ(PfActionBase::FindMatchingPullformActionFromKey(Qt::Key_A, Qt::ControlModifier), nullptr);
}

TEST_F(PfActionTest, AMissingHostActionStopsTheLearningWithItsName) {
    std::unique_ptr<DzAction> taken(actionMgr()->takeAction("DzFacetSelGrowAction"));
    ASSERT_TRUE(taken);
    try {
        PfActionBase::InitShortcutMagicOrThrow();
        ADD_FAILURE() << "no exception";
    } catch (HvException const& e) {
        EXPECT_STREQ(e.what(),
                     "cannot find Daz Studio action \xE2\x80\x9C"
                     "DzFacetSelGrowAction\xE2\x80\x9D");
    }
    actionMgr()->addAction(taken.release());
    // The pairs before it stay.
    EXPECT_TRUE(PfActionBase::FindMatchingDazAction("PfClearSelectionAction"));
    EXPECT_FALSE(PfActionBase::FindMatchingDazAction("PfGrowSelectionAction"));
}

// ---- the context menu ----

namespace {

class PfContextMenuTest : public PfActionTest {
protected:
    void SetUp() override {
        PfActionTest::SetUp();
        ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
        grid = fx.addNode(dztest::makeNode("grid", dztest::makeGrid(2, 2)));
        registered = std::make_unique<pftest::ScopedPfTool>(fx.mgr());
        tool = registered->get();
    }
    void TearDown() override {
        fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool"));
        registered.reset();
    }
    // Entries as "class", "label" for items, "-" for separators.
    QStringList menuOf() {
        DzMenu menu;
        tool->contextMenu(fx.view(), &menu, QPoint(1, 1));
        QStringList out;
        for (DzMenu::Entry const& e : menu.getEntries())
            out << (e.kind == DzMenu::Entry::Separator ? QStringLiteral("-")
                    : e.kind == DzMenu::Entry::Action  ? e.className
                                                       : e.text);
        return out;
    }

    dztest::ViewportFixture fx{200, 150};
    RegisteredActions actions;
    DzNode* grid = nullptr;
    std::unique_ptr<pftest::ScopedPfTool> registered;
    PfTool* tool = nullptr;
};

}  // namespace

TEST_F(PfContextMenuTest, EntriesFollowTheSelectionAndItsType) {
    QStringList const types{"PfFaceSelectionAction", "PfEdgeSelectionAction", "PfVertexSelectionAction"};
    QStringList const tail{"-", "PfAboutAction", "PfHelpAction"};
    QStringList const toggles{"-",
                              "PfToogleDrawGizmoAxesAction",
                              "PfToogleDrawGizmoRotationsAction",
                              "PfToogleDrawGizmoSphereAction",
                              "-",
                              "PfResetAllDeltasAction"};
    QStringList const selectAll{"-", "Select all\tCtrl+A", "Clear selection\tCtrl+Shift+A"};
    QStringList const grow{"-", "Grow selection\tCtrl++", "Shrink selection\tCtrl+-"};

    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    ASSERT_FALSE(tool->getSelection());
    EXPECT_EQ(menuOf(), types + tail) << "no selection";

    dzScene->setPrimarySelection(grid);
    ASSERT_TRUE(tool->getOrMakeSelectionOrThrow(nullptr, false));
    struct Row {
        PfSelectionType type;
        QStringList expected;
    };
    Row const rows[] = {
        {PfSelectionType::Face, types + selectAll + grow + toggles + tail},
        {PfSelectionType::Edge, types + selectAll + toggles + tail},
        {PfSelectionType::Vertex, types + selectAll + toggles + tail},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(int(row.type));
        PfSettings::Get()->m_eSelectionType = row.type;
        EXPECT_EQ(menuOf(), row.expected);
    }
}

TEST_F(PfContextMenuTest, ActivationFailsWithoutAHostFacetActionAndLeavesNothingBehind) {
    std::unique_ptr<DzAction> taken(actionMgr()->takeAction("DzFacetSelShrinkAction"));
    ASSERT_TRUE(taken);
    {
        dztest::ModalResponder responder;
        responder.pressButton("OK");
        tool->activate();
        ASSERT_EQ(responder.boxes().size(), 1);
        EXPECT_EQ(responder.boxes()[0].text,
                  "An error occured activating Pullform: cannot find Daz Studio action "
                  "\xE2\x80\x9C"
                  "DzFacetSelShrinkAction\xE2\x80\x9D");
    }
    tool->deactivate();
    EXPECT_EQ(PfTool::GetActive(), nullptr);
    EXPECT_TRUE(fx.mgr()->getAllowGraftDrawing());
    actionMgr()->addAction(taken.release());
    // The next activation learns the shortcuts and succeeds.
    ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
    EXPECT_EQ(PfTool::GetActive(), tool);
    EXPECT_TRUE(PfActionBase::FindMatchingDazAction("PfShrinkSelectionAction"));
}
