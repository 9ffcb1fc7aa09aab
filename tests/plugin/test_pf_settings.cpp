// The tool's settings: defaults, what is stored and what is not, the setters and their side effects.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <vector>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dz3dviewport.h"
#include "dzappsettings.h"
#include "dzfixtures.h"
#include "dzfloatslider.h"
#include "dzmainwindow.h"
#include "dztempsettings.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "dzwait.h"
#include "pf_settings.h"
#include "pf_test_support.h"
#include "pf_tool.h"
#include "pf_dlg_settings-tool.h"

namespace {

QString const kGroup = "Halvorin's Pullform Plugin";

// A checkable toggle action for the handler's check-mark step.
class PfSettingsTestToggle : public DzAction {
    Q_OBJECT
public:
    PfSettingsTestToggle() : DzAction("Toggle", "Toggle") { setCheckable(true); }
};

QStringList storedKeys() {
    QSettings raw(DzAppSettings::getSettingsFilePath(), QSettings::IniFormat);
    raw.beginGroup(kGroup);
    return raw.allKeys();
}

// Each test starts from the defaults, in a settings folder of its own, with no tool active.
class PfSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PfTool::GetActive(), nullptr); }

    dztest::TempSettings temp;
    pftest::PfSettingsGuard optionsGuard{pftest::PfSettingsGuard::FromDefaults};
};

// The tool active on a 4 x 4 grid of unit quads, a face picked and its gizmo drawn, its pane made: what the
// setters ask of the viewport and the pane.
class PfSettingsToolTest : public pftest::PfToolViewportTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PfToolViewportTest::SetUp());
        fx.addNode(dztest::makeNode("grid", dztest::makeGrid(4, 4)));
        fx.lookAt(DzVec3(2, 2, 10), DzVec3(2, 2, 0));
        registerTool();
        pane = qobject_cast<PfToolOptionsWidget*>(tool->getPane(&paneParent));
        ASSERT_TRUE(pane);
        ASSERT_TRUE(fx.mgr()->setActiveTool(tool));
        ASSERT_EQ(PfTool::GetToolOptionsDialog(), pane);
        dztest::mouseClick(fx.view(), at(1.5f, 2.5f));
        // The click's delayed redraw is out of the way before the tests count redraws.
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return !tool->isDelayedRedrawPending(); }, dztest::kEventDeadlineMs));
        fx.grab();
        ASSERT_GT(gizmoSize(), 0.0f);
    }
    void TearDown() override {
        fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool"));
        PfToolViewportTest::TearDown();
    }

    int redraws() const { return fx.mgr()->getDrawnDataChangedCount(); }
    // The size of the viewport's gizmo as made for its last draw; 0 while it has none.
    float gizmoSize() const {
        PfTool::GizmoView view;
        return PfTool::GetGizmoView(fx.view(), view) ? view.size : 0.0f;
    }
    PfSelection::ViewportData::OriginState originState() const {
        return tool->getSelection()->getGizmoOriginState(fx.view());
    }

    QWidget paneParent;
    PfToolOptionsWidget* pane = nullptr;
};

TEST_F(PfSettingsTest, GetGivesTheOneObject) {
    EXPECT_EQ(PfSettings::Get(), PfSettings::Get());
    EXPECT_NE(PfSettings::Get(), nullptr);
}

TEST_F(PfSettingsTest, DefaultsWithNothingStored) {
    PfSettings fresh;
    EXPECT_EQ(fresh.m_eSelectionType, PfSelectionType::Face);
    EXPECT_EQ(fresh.m_drawGizmoFlags, 7u);
    EXPECT_EQ(fresh.m_ullGizmoSize, 5u);
    EXPECT_EQ(fresh.m_eGizmoOrientation, PfGizmoOrientation::NodeAxes);
    EXPECT_EQ(fresh.m_falloffRadius, 50u);
    EXPECT_EQ(fresh.m_eFalloffMode, PfFalloffMode::SmoothCurve);
    EXPECT_EQ(fresh.m_fGain, 1.0f);
    EXPECT_STREQ(fresh.m_kmAddToSelection.describe(), "Ctrl");
    EXPECT_STREQ(fresh.m_kmRemoveFromSelection.describe(), "Alt");
    EXPECT_STREQ(fresh.m_kmMoveGizmoOnly.describe(), "Ctrl");
    EXPECT_STREQ(fresh.m_kmMouseWheelFalloff.describe(), "Ctrl");
    EXPECT_TRUE(storedKeys().isEmpty());  // reading writes nothing
}

TEST_F(PfSettingsTest, StoredValuesAreReadByTheNextRun) {
    DzAppSettings stored(kGroup);
    stored.setBoolValue("influence_as_outline", true);
    stored.setIntValue("gizmo_size", 8);
    stored.setIntValue("modifier_add_to_selection", 2);
    stored.setIntValue("modifier_remove_from_selection", 1);
    stored.setIntValue("modifier_move_gizmo_only", 0);
    stored.setIntValue("modifier_mouse_wheel_falloff", 2);
    PfSettings next;
    EXPECT_EQ(next.m_drawGizmoFlags, 15u);
    EXPECT_EQ(next.m_ullGizmoSize, 8u);
    EXPECT_STREQ(next.m_kmAddToSelection.describe(), "Shift");
    EXPECT_STREQ(next.m_kmRemoveFromSelection.describe(), "Ctrl");
    EXPECT_STREQ(next.m_kmMoveGizmoOnly.describe(), "Alt");
    EXPECT_STREQ(next.m_kmMouseWheelFalloff.describe(), "Shift");
}

TEST_F(PfSettingsTest, OutlineSurvivesARestartButTheSphereBitDoesNot) {
    EXPECT_TRUE(PfSettings::SetDrawInfluenceAsOutline(true, false));
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 15u);
    EXPECT_EQ(PfSettings().m_drawGizmoFlags, 15u);
    EXPECT_TRUE(PfSettings::SetDrawInfluence(false, false));
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 11u);
    EXPECT_EQ(PfSettings().m_drawGizmoFlags, 15u);
    EXPECT_TRUE(PfSettings::SetDrawInfluenceAsOutline(false, true));
    EXPECT_EQ(PfSettings().m_drawGizmoFlags, 7u);
    EXPECT_FALSE(DzAppSettings(kGroup).getBoolValue("influence_as_outline", true));
}

TEST_F(PfSettingsTest, OnlyTheGizmoSizeTheOutlineAndTheModifiersAreStored) {
    PfSettings* s = PfSettings::Get();
    PfSettings::SetDrawGizmoTranslation(false, true);
    PfSettings::SetDrawGizmoRotation(false, true);
    PfSettings::SetDrawInfluence(false, true);
    PfSettings::SetGizmoGain(0.25f, true);
    s->m_eSelectionType = PfSelectionType::Edge;
    s->m_eGizmoOrientation = PfGizmoOrientation::Clamped;
    s->m_falloffRadius = 120;
    s->m_eFalloffMode = PfFalloffMode::Random;
    EXPECT_TRUE(storedKeys().isEmpty());
    PfSettings::SetGizmoSize(3, false);
    PfSettings::SetDrawInfluenceAsOutline(true, false);
    s->m_kmMoveGizmoOnly.set(HvKeyboardModifier::Shift);
    EXPECT_EQ(storedKeys(), (QStringList{"gizmo_size", "influence_as_outline", "modifier_move_gizmo_only"}));
    PfSettings next;
    EXPECT_EQ(next.m_drawGizmoFlags, 15u);  // 7 again, plus the stored outline bit
    EXPECT_EQ(next.m_ullGizmoSize, 3u);
    EXPECT_EQ(next.m_fGain, 1.0f);
    EXPECT_EQ(next.m_eSelectionType, PfSelectionType::Face);
    EXPECT_EQ(next.m_eGizmoOrientation, PfGizmoOrientation::NodeAxes);
    EXPECT_EQ(next.m_falloffRadius, 50u);
    EXPECT_EQ(next.m_eFalloffMode, PfFalloffMode::SmoothCurve);
    EXPECT_STREQ(next.m_kmMoveGizmoOnly.describe(), "Shift");
    s->m_eSelectionType = PfSelectionType::Face;
    s->m_eGizmoOrientation = PfGizmoOrientation::NodeAxes;
    s->m_falloffRadius = 50;
    s->m_eFalloffMode = PfFalloffMode::SmoothCurve;
    s->m_kmMoveGizmoOnly.set(HvKeyboardModifier::Ctrl);
}

TEST_F(PfSettingsToolTest, GizmoSizeIsHeldWithinOneToTenStoredAndRebuildsTheGizmos) {
    float const atFive = gizmoSize();
    int const start = redraws();
    EXPECT_TRUE(PfSettings::SetGizmoSize(0, false));
    EXPECT_EQ(PfSettings::Get()->m_ullGizmoSize, 1u);
    EXPECT_EQ(DzAppSettings(kGroup).getIntValue("gizmo_size", -1), 1);
    EXPECT_EQ(gizmoSize(), 0.0f) << "dropped, to be made again by the next draw";
    EXPECT_EQ(redraws(), start + 1);
    fx.grab();
    // The gizmo's size is its distance to the camera divided by 60 - 4 x the setting.
    EXPECT_FLOAT_EQ(gizmoSize(), atFive * 40.0f / 56.0f);
    EXPECT_TRUE(PfSettings::SetGizmoSize(25, true));
    EXPECT_EQ(PfSettings::Get()->m_ullGizmoSize, 10u);
    EXPECT_EQ(DzAppSettings(kGroup).getIntValue("gizmo_size", -1), 10);
    EXPECT_EQ(gizmoSize(), 0.0f);
    EXPECT_EQ(redraws(), start + 2);
    fx.grab();
    EXPECT_FLOAT_EQ(gizmoSize(), atFive * 2.0f);
    // The same clamped value again: nothing changes, nothing is written.
    DzAppSettings(kGroup).removeValue("gizmo_size");
    EXPECT_FALSE(PfSettings::SetGizmoSize(11, false));
    EXPECT_FALSE(DzAppSettings(kGroup).hasValue("gizmo_size"));
    EXPECT_EQ(redraws(), start + 2);
    EXPECT_GT(gizmoSize(), 0.0f);
}

// A stored size outside 1..10 is held in range at load and not written back.
struct StoredSizeCase {
    int stored;
    uint64_t loaded;
};

void PrintTo(StoredSizeCase const& c, std::ostream* os) {
    *os << "stored " << c.stored;
}

class PfSettingsStoredSize : public ::testing::TestWithParam<StoredSizeCase> {};

TEST_P(PfSettingsStoredSize, IsClampedAtLoadAndLeftAsStored) {
    dztest::TempSettings temp;
    DzAppSettings(kGroup).setIntValue("gizmo_size", GetParam().stored);
    PfSettings next;
    EXPECT_EQ(next.m_ullGizmoSize, GetParam().loaded);
    EXPECT_EQ(DzAppSettings(kGroup).getIntValue("gizmo_size", 99), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PfSettingsStoredSize,
                         ::testing::Values(StoredSizeCase{-1, 1}, StoredSizeCase{0, 1}, StoredSizeCase{1, 1},
                                           StoredSizeCase{10, 10}, StoredSizeCase{11, 10},
                                           StoredSizeCase{2147483647, 10}));

TEST_F(PfSettingsToolTest, FlagSettersChangeOnlyTheirBitAndRedrawTheActiveTool) {
    float const size = gizmoSize();
    ASSERT_EQ(originState(), PfSelection::ViewportData::OriginState::AutoChosen);
    int const start = redraws();
    EXPECT_TRUE(PfSettings::SetDrawGizmoTranslation(false, false));
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 6u);
    EXPECT_TRUE(PfSettings::SetDrawGizmoRotation(false, true));
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 4u);
    EXPECT_TRUE(PfSettings::SetDrawGizmoTranslation(true, true));
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 5u);
    EXPECT_EQ(redraws(), start + 3);
    // A redraw only: the gizmo and its origin stay.
    EXPECT_EQ(gizmoSize(), size);
    EXPECT_EQ(originState(), PfSelection::ViewportData::OriginState::AutoChosen);
}

TEST_F(PfSettingsToolTest, SettingTheCurrentStateDoesNothing) {
    int const start = redraws();
    EXPECT_FALSE(PfSettings::SetDrawInfluence(true, true));
    EXPECT_FALSE(PfSettings::SetDrawGizmoTranslation(true, true));
    EXPECT_FALSE(PfSettings::SetDrawInfluenceAsOutline(false, true));
    EXPECT_EQ(redraws(), start);
    EXPECT_TRUE(storedKeys().isEmpty());
}

TEST_F(PfSettingsTest, HandlerKeepsTheToggleActionsCheckMarkInStepWithoutATool) {
    DzActionMgr* mgr = dzApp->getInterface()->getActionMgr();
    auto* toggle = new PfSettingsTestToggle;
    ASSERT_TRUE(mgr->addAction(toggle));
    toggle->setChecked(true);
    int paneCalls = 0;
    auto pane = [&](PfToolOptionsWidget&, PfSettings const&) { ++paneCalls; };
    EXPECT_TRUE(PfSettings::GizmoBoolHandler(false, PfDrawGizmoSetting::Rotation, "PfSettingsTestToggle",
                                             true, pane));
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 5u);
    EXPECT_FALSE(PfSettings::GizmoBoolHandler(false, PfDrawGizmoSetting::Rotation, "PfSettingsTestToggle",
                                              true, pane));
    toggle->setChecked(true);
    EXPECT_FALSE(PfSettings::GizmoBoolHandler(false, PfDrawGizmoSetting::Rotation, "PfSettingsTestToggle",
                                              true, pane));
    EXPECT_TRUE(toggle->isChecked());  // an unchanged state touches no action
    // A missing action is skipped; no pane exists, so none is updated.
    EXPECT_TRUE(
        PfSettings::GizmoBoolHandler(true, PfDrawGizmoSetting::Rotation, "NoSuchToggleAction", true, pane));
    EXPECT_EQ(paneCalls, 0);
    delete mgr->takeAction("PfSettingsTestToggle");
}

TEST_F(PfSettingsTest, FlagSettersWorkWithoutAnActionManager) {
    DzActionMgr* mgr = dzApp->getInterface()->takeActionMgr();
    EXPECT_TRUE(PfSettings::SetDrawGizmoRotation(false, true));
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 5u);
    dzApp->getInterface()->setActionMgr(mgr);
}

TEST_F(PfSettingsToolTest, GainComparesExactlyNeverRedrawsAndIsNotStored) {
    int const start = redraws();
    EXPECT_FALSE(PfSettings::SetGizmoGain(1.0f, true));
    EXPECT_TRUE(PfSettings::SetGizmoGain(0.5f, true));
    EXPECT_EQ(PfSettings::Get()->m_fGain, 0.5f);
    EXPECT_TRUE(PfSettings::SetGizmoGain(std::nextafter(0.5f, 1.0f), false));
    EXPECT_EQ(redraws(), start);
    EXPECT_TRUE(storedKeys().isEmpty());
}

// Asked to, a setter shows its new value in the active tool's pane; the pane's own controls do not ask.
TEST_F(PfSettingsToolTest, SettersShowTheNewValueInTheActiveToolsPaneWhenAsked) {
    PfToolOptionsWidget* handed = nullptr;
    PfSettings const* handedSettings = nullptr;
    EXPECT_TRUE(PfSettings::GizmoBoolHandler(false, PfDrawGizmoSetting::Rotation, nullptr, true,
                                             [&](PfToolOptionsWidget& p, PfSettings const& s) {
                                                 handed = &p;
                                                 handedSettings = &s;
                                             }));
    EXPECT_EQ(handed, pane);
    EXPECT_EQ(handedSettings, PfSettings::Get());
    EXPECT_TRUE(pane->pCheckBoxDrawGizmoRotation->isChecked()) << "the callable alone updates the pane";

    EXPECT_TRUE(PfSettings::SetDrawGizmoTranslation(false, true));
    EXPECT_FALSE(pane->pCheckBoxDrawGizmoTranslation->isChecked());
    EXPECT_TRUE(PfSettings::SetDrawGizmoRotation(true, true));
    EXPECT_TRUE(PfSettings::SetDrawGizmoRotation(false, true));
    EXPECT_FALSE(pane->pCheckBoxDrawGizmoRotation->isChecked());
    EXPECT_TRUE(PfSettings::SetDrawInfluenceAsOutline(true, true));
    EXPECT_EQ(pane->pCheckBoxTriShowGizmoSphere->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(PfSettings::SetDrawInfluence(false, true));
    EXPECT_EQ(pane->pCheckBoxTriShowGizmoSphere->checkState(), Qt::Unchecked);
    EXPECT_TRUE(PfSettings::SetGizmoGain(0.25f, true));
    EXPECT_EQ(pane->getGainSlider()->getValue(), 0.25f);
    // The box's and the slider's echoes stored the same values again.
    EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, 8u);
    EXPECT_EQ(PfSettings::Get()->m_fGain, 0.25f);

    EXPECT_TRUE(PfSettings::SetDrawGizmoTranslation(true, false));
    EXPECT_FALSE(pane->pCheckBoxDrawGizmoTranslation->isChecked());
    EXPECT_TRUE(PfSettings::SetDrawInfluence(true, false));
    EXPECT_EQ(pane->pCheckBoxTriShowGizmoSphere->checkState(), Qt::Unchecked);
    EXPECT_TRUE(PfSettings::SetGizmoGain(0.5f, false));
    EXPECT_EQ(pane->getGainSlider()->getValue(), 0.25f);

    // Without an active tool no pane is reached.
    ASSERT_TRUE(fx.mgr()->setActiveTool(fx.mgr()->findTool("DzPickTool")));
    EXPECT_TRUE(PfSettings::SetDrawGizmoRotation(true, true));
    EXPECT_FALSE(pane->pCheckBoxDrawGizmoRotation->isChecked());
    EXPECT_TRUE(PfSettings::SetGizmoGain(1.0f, true));
    EXPECT_EQ(pane->getGainSlider()->getValue(), 0.25f);
}

// The suites rely on the guard: every field and every stored key comes back, whatever the scope changed.
TEST_F(PfSettingsTest, TheTestGuardPutsEveryFieldAndStoredKeyBack) {
    PfSettings* s = PfSettings::Get();
    s->m_eFalloffMode = PfFalloffMode::Sharp;  // a value the defaults do not have
    DzAppSettings(kGroup).setIntValue(g_pcszGizmoSize, 4);
    {
        pftest::PfSettingsGuard guard(pftest::PfSettingsGuard::FromDefaults);
        EXPECT_EQ(s->m_eFalloffMode, PfFalloffMode::SmoothCurve);
        s->m_eSelectionType = PfSelectionType::Edge;
        s->m_drawGizmoFlags = {};
        s->m_eGizmoOrientation = PfGizmoOrientation::Clamped;
        s->m_falloffRadius = 7;
        s->m_fGain = 0.25f;
        EXPECT_TRUE(PfSettings::SetGizmoSize(9, false));
        EXPECT_TRUE(PfSettings::SetDrawInfluenceAsOutline(true, false));
        for (HvKeyboardModifier* m : {&s->m_kmAddToSelection, &s->m_kmRemoveFromSelection,
                                      &s->m_kmMoveGizmoOnly, &s->m_kmMouseWheelFalloff})
            m->set(HvKeyboardModifier::Shift);
    }
    EXPECT_EQ(s->m_eFalloffMode, PfFalloffMode::Sharp);
    EXPECT_EQ(s->m_eSelectionType, PfSelectionType::Face);
    EXPECT_EQ(s->m_drawGizmoFlags, 7u);
    EXPECT_EQ(s->m_eGizmoOrientation, PfGizmoOrientation::NodeAxes);
    EXPECT_EQ(s->m_falloffRadius, 50u);
    EXPECT_EQ(s->m_fGain, 1.0f);
    EXPECT_EQ(s->m_ullGizmoSize, 5u);
    EXPECT_EQ(s->m_kmAddToSelection.getValue(), HvKeyboardModifier::Ctrl);
    EXPECT_EQ(s->m_kmRemoveFromSelection.getValue(), HvKeyboardModifier::Alt);
    EXPECT_EQ(s->m_kmMoveGizmoOnly.getValue(), HvKeyboardModifier::Ctrl);
    EXPECT_EQ(s->m_kmMouseWheelFalloff.getValue(), HvKeyboardModifier::Ctrl);
    // The stored size is back, the keys that were not stored are gone again.
    EXPECT_EQ(storedKeys(), QStringList{g_pcszGizmoSize});
    EXPECT_EQ(DzAppSettings(kGroup).getIntValue(g_pcszGizmoSize), 4);
}

// One run of the host, started by the test below: it changes the settings, or checks what it starts with.
TEST(PfSettingsNextRun, DISABLED_Child) {
    QByteArray const mode = qgetenv("PF_SETTINGS_CHILD");
    PfSettings* s = PfSettings::Get();
    if (mode == "write") {
        EXPECT_TRUE(PfSettings::SetGizmoSize(7, false));
        EXPECT_TRUE(PfSettings::SetDrawInfluenceAsOutline(true, false));
        EXPECT_TRUE(PfSettings::SetDrawGizmoRotation(false, false));
        EXPECT_TRUE(PfSettings::SetGizmoGain(0.5f, false));
        EXPECT_TRUE(s->m_kmRemoveFromSelection.set(HvKeyboardModifier::Shift));
        s->m_falloffRadius = 300;
        s->m_eSelectionType = PfSelectionType::Vertex;
    } else if (mode == "read") {
        EXPECT_EQ(s->m_ullGizmoSize, 7u);
        EXPECT_EQ(s->m_drawGizmoFlags, 15u);
        EXPECT_STREQ(s->m_kmRemoveFromSelection.describe(), "Shift");
        EXPECT_STREQ(s->m_kmAddToSelection.describe(), "Ctrl");
        EXPECT_EQ(s->m_fGain, 1.0f);
        EXPECT_EQ(s->m_falloffRadius, 50u);
        EXPECT_EQ(s->m_eSelectionType, PfSelectionType::Face);
    } else {
        FAIL() << "started by PfSettingsNextRun.ReadsWhatThePreviousRunStored";
    }
}

TEST(PfSettingsNextRun, ReadsWhatThePreviousRunStored) {
    QTemporaryDir dir;
    auto run = [&](char const* mode) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HV_HOST_SETTINGS_DIR", dir.path());
        env.insert("PF_SETTINGS_CHILD", mode);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=PfSettingsNextRun.DISABLED_Child", "--gtest_also_run_disabled_tests"});
        bool const finished = child.waitForFinished(60000);
        if (!finished)
            child.kill();
        bool const passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        return passed ? QString() : QString::fromLocal8Bit(child.readAll());
    };
    EXPECT_EQ(run("write"), "");
    EXPECT_EQ(run("read"), "");
}

}  // namespace

#include "test_pf_settings.moc"
