// The tool's options pane: what it shows (the information label, the buttons, the lock box), both directions
// of every kind of control (the pane to the settings and back, without echo), the slider scales, and the
// pane as the tool makes it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <memory>

#include "dzapp.h"
#include "dzappsettings.h"
#include "dzfixtures.h"
#include "dzfloatslider.h"
#include "dzintproperty.h"
#include "dzintslider.h"
#include "dzmodalresponder.h"
#include "dzmorph.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dztempsettings.h"
#include "dzwait.h"
#include "hv_helpers_qt.h"
#include "pf_dlg_settings-adv.h"
#include "pf_dlg_settings-tool.h"
#include "pf_modifier.h"
#include "pf_settings.h"
#include "pf_tool.h"

namespace {

QString const kPleaseSelect =
    "Please select an object in the scene with geometry to be able to modify its mesh.";

void resetSettings(PfSettings& s) {
    s.m_eSelectionType = PfSelectionType::Face;
    s.m_drawGizmoFlags =
        PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation | PfDrawGizmoSetting::Influence;
    s.m_ullGizmoSize = 5;
    s.m_eGizmoOrientation = PfGizmoOrientation::NodeAxes;
    s.m_falloffRadius = 50;
    s.m_eFalloffMode = PfFalloffMode::SmoothCurve;
    s.m_fGain = 1.0f;
    s.m_kmMoveGizmoOnly.set(HvKeyboardModifier::Ctrl);
}

// A node of a 2 x 2 grid in the scene; with `deltas` > 0 its object carries the plug-in's modifier holding
// that many, with `morphs` that many plain morphs.
DzNode* addNode(QString const& name, int deltas, int morphs) {
    DzNode* node = dztest::makeNode(name, dztest::makeGrid(2, 2));
    if (deltas > 0) {
        auto* modifier = new PfModifier;
        HvVertexOffsets offsets;
        for (int i = 0; i < deltas; ++i) offsets[i] = HvVec3(0.0f, 0.0f, 1.0f);
        modifier->setDeltas(offsets);
        node->getObject()->addModifier(modifier);
    }
    for (int i = 0; i < morphs; ++i) {
        auto* morph = new DzMorph;
        morph->setName(QStringLiteral("Morph%1").arg(i));
        node->getObject()->addModifier(morph);
    }
    dzScene->addNode(node);
    return node;
}

void select(DzNode* node) {
    dzScene->selectAllNodes(false);
    dzScene->setPrimarySelection(node);
}

class PfToolOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dzScene->clear();
        resetSettings(*PfSettings::Get());
    }
    void TearDown() override {
        pane.reset();
        dzScene->clear();
        resetSettings(*PfSettings::Get());
    }
    PfToolOptionsWidget& makePane() {
        pane = std::make_unique<PfToolOptionsWidget>(nullptr, *PfSettings::Get());
        return *pane;
    }
    QString label() const { return pane->pLabelInfo->text(); }
    // Reset, Save, Load.
    QString buttons() const {
        auto on = [](QPushButton* b) { return b->isEnabled() ? QChar('1') : QChar('0'); };
        return QString() + on(pane->pButtonReset) + on(pane->pButtonSaveAsMorph) + on(pane->pButtonLoadMorph);
    }

    dztest::TempSettings temp;
    std::unique_ptr<PfToolOptionsWidget> pane;
};

}  // namespace

// ---- information label and buttons ----

TEST_F(PfToolOptionsTest, InformationLabelTexts) {
    struct Row {
        char const* selectionText;
        int count;  // -2: no count given
        QString label;
        QString buttons;  // Reset, Save, Load (no node: Load off)
    };
    Row const rows[] = {
        {"", -2, "<p>" + kPleaseSelect + "</p>", "000"},
        {"", 0, "<p>" + kPleaseSelect + "<br>0 deltas in modifier</p>", "000"},
        {"", 1, "<p>" + kPleaseSelect + "<br>One delta in modifier</p>", "110"},
        {"", 1234, "<p>" + kPleaseSelect + "<br>1,234 deltas in modifier</p>", "110"},
        {"3 faces with 12 vertices selected", -2, "<p>3 faces with 12 vertices selected</p>", "000"},
        {"3 faces with 12 vertices selected", 0,
         "<p>3 faces with 12 vertices selected<br>0 deltas in modifier</p>", "000"},
        {"One face with 4 vertices selected", 1,
         "<p>One face with 4 vertices selected<br>One delta in modifier</p>", "110"},
        {"3 faces with 12 vertices selected", 1234,
         "<p>3 faces with 12 vertices selected<br>1,234 deltas in modifier</p>", "110"},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(QString("%1 / %2").arg(row.selectionText).arg(row.count).toStdString());
        makePane();
        EXPECT_EQ(label(), "<p>" + kPleaseSelect + "</p>");
        pane->updateSelectionInfo(row.selectionText);
        if (row.count != -2)
            pane->updateModifierStats2(row.count);
        EXPECT_EQ(label(), row.label);
        EXPECT_EQ(pane->getDeltaCount(), row.count);
        if (row.count != -2) {
            EXPECT_EQ(buttons(), row.buttons);
        }
    }
}

TEST_F(PfToolOptionsTest, DeselectingAndReselectingTheNode) {
    DzNode* node = addNode("Grid", 3, 1);
    select(node);
    makePane();
    EXPECT_EQ(buttons(), "001") << "a node with a morph, before its statistics are read";
    pane->updateModifierStats(true);
    EXPECT_EQ(pane->getDeltaCount(), 3);
    EXPECT_EQ(label(), "<p>" + kPleaseSelect + "<br>3 deltas in modifier</p>");
    EXPECT_EQ(buttons(), "111");

    select(nullptr);
    pane->updateSelectionInfo("");
    EXPECT_EQ(pane->getDeltaCount(), -2);
    EXPECT_EQ(label(), "<p>" + kPleaseSelect + "</p>");
    EXPECT_EQ(buttons(), "000");
    pane->updateModifierStats(true);  // no node: nothing to read
    EXPECT_EQ(pane->getDeltaCount(), -2);

    select(node);
    pane->updateSelectionInfo("One face with 4 vertices selected");
    EXPECT_EQ(pane->getDeltaCount(), -2) << "until the statistics are read again";
    EXPECT_EQ(buttons(), "001");
    pane->updateModifierStats(true);
    EXPECT_EQ(label(), "<p>One face with 4 vertices selected<br>3 deltas in modifier</p>");
    EXPECT_EQ(buttons(), "111");
}

TEST_F(PfToolOptionsTest, ANodeWithoutThePluginsModifierKeepsThePreviousStatistics) {
    DzNode* edited = addNode("Edited", 2, 0);
    DzNode* plain = addNode("Plain", 0, 2);
    DzNode* bare = addNode("Bare", 0, 0);
    // A modifier of the plug-in's name that is not the plug-in's is not read either.
    DzNode* foreign = addNode("Foreign", 0, 0);
    auto* impostor = new DzMorph;
    impostor->setName("HV_PullformModifier");
    foreign->getObject()->addModifier(impostor);

    select(edited);
    makePane();
    pane->updateModifierStats(true);
    EXPECT_EQ(pane->getDeltaCount(), 2);
    for (DzNode* node : {plain, bare, foreign}) {
        SCOPED_TRACE(node->getName().toStdString());
        select(node);
        pane->updateSelectionInfo("");
        pane->updateModifierStats(true);
        EXPECT_EQ(pane->getDeltaCount(), 2);
        EXPECT_EQ(label(), "<p>" + kPleaseSelect + "<br>2 deltas in modifier</p>");
        // Reset and Save follow the kept count, Load the new node's morphs.
        EXPECT_EQ(buttons(), node == bare ? "110" : "111");
    }
}

// A morph list that cannot be built (a morph with two properties) must not throw out of the pane into Qt's
// event loop; Load stays usable so that its own message tells what is wrong.
TEST_F(PfToolOptionsTest, AMorphListThatThrowsEnablesLoad) {
    DzNode* broken = addNode("Broken", 0, 1);
    qobject_cast<DzMorph*>(broken->getObject()->findModifier("Morph0"))
        ->addProperty(new DzIntProperty("Extra"));
    DzNode* plain = addNode("Plain", 0, 0);
    select(plain);
    makePane();
    EXPECT_FALSE(pane->pButtonLoadMorph->isEnabled());
    select(broken);
    EXPECT_NO_THROW(pane->updateSelectionInfo(""));
    EXPECT_TRUE(pane->pButtonLoadMorph->isEnabled());
    // Made with the node already selected, the constructor does the same.
    EXPECT_NO_THROW(makePane());
    EXPECT_TRUE(pane->pButtonLoadMorph->isEnabled());
}

// ---- the lock box ----

TEST_F(PfToolOptionsTest, LockBoxUpdatesCoalesceAndWithoutAToolEndDisabledAndUnchecked) {
    makePane();  // schedules one update
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !pane->isLockInPlaceUpdatePending(); }, dztest::kEventDeadlineMs));
    int const before = pane->getLockInPlaceUpdateCount();
    EXPECT_EQ(before, 1);
    {
        QSignalBlocker block(pane->pCheckBoxLockGizmoInPlace);
        pane->pCheckBoxLockGizmoInPlace->setEnabled(true);
        pane->pCheckBoxLockGizmoInPlace->setChecked(true);
    }
    pane->updateLockInPlaceGizmoCheckBox();
    pane->updateLockInPlaceGizmoCheckBox();
    pane->updateLockInPlaceGizmoCheckBox();
    EXPECT_TRUE(pane->isLockInPlaceUpdatePending());
    EXPECT_TRUE(pane->pCheckBoxLockGizmoInPlace->isChecked()) << "not before the delay";
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !pane->isLockInPlaceUpdatePending(); }, dztest::kEventDeadlineMs));
    // One more update marks the end: every timer started before it has fired by the time it has.
    pane->updateLockInPlaceGizmoCheckBox();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !pane->isLockInPlaceUpdatePending(); }, dztest::kEventDeadlineMs));
    EXPECT_EQ(pane->getLockInPlaceUpdateCount(), before + 2);
    EXPECT_FALSE(pane->pCheckBoxLockGizmoInPlace->isEnabled());
    EXPECT_FALSE(pane->pCheckBoxLockGizmoInPlace->isChecked());
}

// ---- controls to the settings and back ----

TEST_F(PfToolOptionsTest, ConstructionShowsTheGivenSettingsAndCallsNoSetter) {
    PfSettings shown;
    shown.m_eSelectionType = PfSelectionType::Edge;
    shown.m_drawGizmoFlags =
        PfDrawGizmoSetting::Rotation | PfDrawGizmoSetting::Influence | PfDrawGizmoSetting::InfluenceAsOutline;
    shown.m_ullGizmoSize = 3;
    shown.m_eGizmoOrientation = PfGizmoOrientation::Camera45;
    shown.m_falloffRadius = 123;
    shown.m_eFalloffMode = PfFalloffMode::Sharp;
    shown.m_fGain = 0.25f;
    shown.m_kmMoveGizmoOnly.set(HvKeyboardModifier::Shift);
    PfToolOptionsWidget p(nullptr, shown);

    EXPECT_TRUE(p.pRadioSelectionEdge->isChecked());
    EXPECT_FALSE(p.pCheckBoxDrawGizmoTranslation->isChecked());
    EXPECT_TRUE(p.pCheckBoxDrawGizmoRotation->isChecked());
    EXPECT_EQ(p.pCheckBoxTriShowGizmoSphere->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(p.getGizmoSizeSlider()->getValue(), 3);
    EXPECT_TRUE(p.pRadioGizmoCamera45->isChecked());
    EXPECT_EQ(p.getFalloffRadiusSlider()->getValue(), 12.3f);
    EXPECT_TRUE(p.pRadioFalloffSharp->isChecked());
    EXPECT_EQ(p.getGainSlider()->getValue(), 0.25f);
    EXPECT_EQ(p.pLabelInfoHoldDownModifier->text(),
              "To move the gizmo without changing geometry, hold down the \u201CShift\u201D key while "
              "dragging it.");

    // The process's settings were not touched: no callback, slot or setter ran.
    PfSettings const* s = PfSettings::Get();
    EXPECT_EQ(s->m_eSelectionType, PfSelectionType::Face);
    EXPECT_EQ(s->m_drawGizmoFlags, 7u);
    EXPECT_EQ(s->m_ullGizmoSize, 5u);
    EXPECT_EQ(s->m_eGizmoOrientation, PfGizmoOrientation::NodeAxes);
    EXPECT_EQ(s->m_falloffRadius, 50u);
    EXPECT_EQ(s->m_eFalloffMode, PfFalloffMode::SmoothCurve);
    EXPECT_EQ(s->m_fGain, 1.0f);
    QSettings raw(DzAppSettings::getSettingsFilePath(), QSettings::IniFormat);
    EXPECT_TRUE(raw.allKeys().filter("gizmo_size").isEmpty());
    EXPECT_TRUE(raw.allKeys().filter("influence_as_outline").isEmpty());
}

TEST_F(PfToolOptionsTest, ClickingAnotherSelectionTypeStoresTheNewOne) {
    makePane();
    pane->pRadioSelectionEdge->click();
    EXPECT_TRUE(pane->pRadioSelectionEdge->isChecked());
    EXPECT_FALSE(pane->pRadioSelectionFacet->isChecked());
    EXPECT_EQ(PfSettings::Get()->m_eSelectionType, PfSelectionType::Edge);
    // From elsewhere: the radio follows, and its echo stores the same value again.
    pane->setSelectionTypeRadioChecked(PfSelectionType::Vertex);
    EXPECT_TRUE(pane->pRadioSelectionVertex->isChecked());
    EXPECT_EQ(PfSettings::Get()->m_eSelectionType, PfSelectionType::Vertex);
}

TEST_F(PfToolOptionsTest, SetterOfAKeyWithoutButtonChangesNothing) {
    makePane();
    pane->setFalloffModeRadioChecked(PfFalloffMode(7));
    pane->setGizmoOrientationRadioChecked(PfGizmoOrientation(6));
    pane->setSelectionTypeRadioChecked(PfSelectionType(3));
    EXPECT_TRUE(pane->pRadioFalloffSmoothCurve->isChecked());
    EXPECT_TRUE(pane->pRadioGizmoNodeAxes->isChecked());
    EXPECT_TRUE(pane->pRadioSelectionFacet->isChecked());
}

TEST_F(PfToolOptionsTest, GizmoBoxesBothWays) {
    makePane();
    PfSettings* s = PfSettings::Get();
    pane->pCheckBoxDrawGizmoTranslation->click();
    EXPECT_FALSE(s->drawsGizmo(PfDrawGizmoSetting::Translation));
    pane->pCheckBoxDrawGizmoRotation->click();
    EXPECT_FALSE(s->drawsGizmo(PfDrawGizmoSetting::Rotation));
    // A setter called with pane update reaches the box only while the active tool has this pane; here the
    // box is set as the setter does it.
    pane->setDrawGizmoTranslationCheckBox(true);
    pane->setDrawGizmoRotationCheckBox(true);
    EXPECT_TRUE(pane->pCheckBoxDrawGizmoTranslation->isChecked());
    EXPECT_EQ(s->m_drawGizmoFlags, 7u);
}

TEST_F(PfToolOptionsTest, SphereBoxThreeStatesAndTheOutlineFlag) {
    struct Row {
        uint32_t before;
        Qt::CheckState state;
        uint32_t after;
        char const* why;
    };
    Row const rows[] = {
        {15, Qt::Unchecked, 11, "hides the sphere, the outline flag stays"},
        {3, Qt::PartiallyChecked, 15, "sphere on, then outline on"},
        {11, Qt::Checked, 7, "sphere on, then outline off"},
        {7, Qt::PartiallyChecked, 15, "outline on"},
    };
    makePane();
    for (Row const& row : rows) {
        SCOPED_TRACE(row.why);
        PfSettings::Get()->m_drawGizmoFlags = PfDrawGizmoFlags(QFlag(int(row.before)));
        DzAppSettings("Halvorin's Pullform Plugin")
            .setBoolValue("influence_as_outline",
                          (row.before & uint32_t(PfDrawGizmoSetting::InfluenceAsOutline)) != 0);
        // The box starts from the other state, so that it changes.
        {
            QSignalBlocker block(pane->pCheckBoxTriShowGizmoSphere);
            pane->pCheckBoxTriShowGizmoSphere->setCheckState(row.state == Qt::Checked ? Qt::Unchecked
                                                                                      : Qt::Checked);
        }
        pane->pCheckBoxTriShowGizmoSphere->setCheckState(row.state);
        EXPECT_EQ(PfSettings::Get()->m_drawGizmoFlags, row.after);
        EXPECT_EQ(PfSettings().drawsGizmo(PfDrawGizmoSetting::InfluenceAsOutline),
                  (row.after & uint32_t(PfDrawGizmoSetting::InfluenceAsOutline)) != 0)
            << "the outline flag is stored";
    }
    // And back: the settings' setters show their state in the box.
    pane->setDrawSphereCheckBox(false, false);
    EXPECT_EQ(pane->pCheckBoxTriShowGizmoSphere->checkState(), Qt::Unchecked);
    pane->setDrawSphereCheckBox(true, true);
    EXPECT_EQ(pane->pCheckBoxTriShowGizmoSphere->checkState(), Qt::PartiallyChecked);
    pane->setDrawSphereCheckBox(true, false);
    EXPECT_EQ(pane->pCheckBoxTriShowGizmoSphere->checkState(), Qt::Checked);
}

TEST_F(PfToolOptionsTest, GizmoSizeNeverBelowOne) {
    makePane();
    DzIntSlider* slider = pane->getGizmoSizeSlider();
    EXPECT_EQ(slider->getMin(), 1);
    EXPECT_EQ(slider->getMax(), 10);
    pane->slotGizmoSizeSliderValueChanged(0);
    pane->slotGizmoSizeSliderValueChanged(-3);
    EXPECT_EQ(PfSettings::Get()->m_ullGizmoSize, 5u);
    slider->setValue(0);  // clamped by the slider
    EXPECT_EQ(slider->getValue(), 1);
    EXPECT_EQ(PfSettings::Get()->m_ullGizmoSize, 1u);
    pane->setGizmoSizeSlider(8);
    EXPECT_EQ(PfSettings::Get()->m_ullGizmoSize, 8u);
    EXPECT_EQ(DzAppSettings("Halvorin's Pullform Plugin").getIntValue("gizmo_size", -1), 8);
}

TEST_F(PfToolOptionsTest, GainSliderShowsPercent) {
    makePane();
    DzFloatSlider* slider = pane->getGainSlider();
    EXPECT_TRUE(slider->getDisplayAsPercent());
    EXPECT_EQ(slider->findChild<QLineEdit*>()->text(), "100.0%");
    pane->setGizmoGainSlider(0.25f);
    EXPECT_EQ(slider->findChild<QLineEdit*>()->text(), "25.0%");
    EXPECT_EQ(PfSettings::Get()->m_fGain, 0.25f);
    slider->setValue(2.0f);  // held in range
    EXPECT_EQ(PfSettings::Get()->m_fGain, 1.0f);
}

TEST_F(PfToolOptionsTest, FalloffRadiusScale) {
    makePane();
    DzFloatSlider* slider = pane->getFalloffRadiusSlider();
    PfSettings* s = PfSettings::Get();
    EXPECT_EQ(slider->getSensitivity(), 0.5f);
    EXPECT_TRUE(slider->getTextEditable());
    slider->setValue(12.34f);
    EXPECT_EQ(s->m_falloffRadius, 123u);
    pane->setFalloffRadiusSlider(55);
    EXPECT_EQ(slider->getValue(), 5.5f);
    slider->setValue(5000.0f);
    EXPECT_EQ(slider->getValue(), 1000.0f);
    EXPECT_EQ(s->m_falloffRadius, 10000u);
    // Typed into the slider's value text.
    QLineEdit* text = slider->findChild<QLineEdit*>();
    text->setText("7.25");
    emit text->editingFinished();
    EXPECT_EQ(s->m_falloffRadius, 72u);

    // A radius set elsewhere is shown and echoed back by the slider's own signal unchanged.
    for (size_t radius = 0; radius <= 10000; ++radius) {
        s->m_falloffRadius = radius;
        pane->setFalloffRadiusSlider(radius);
        ASSERT_EQ(slider->getValue(), float(radius) / 10.0f) << radius;
        ASSERT_EQ(s->m_falloffRadius, radius) << "the echo changed the radius";
    }
}

// ---- texts ----

TEST_F(PfToolOptionsTest, ToolTipsToTheLetter) {
    makePane();
    QString const onlyDisplay =
        "<p>This only affects how the gizmo is displayed; it does not affect any geometry in the scene.</p>";
    EXPECT_EQ(pane->pCheckBoxDrawGizmoRotation->toolTip(),
              "<p>Uncheck this box to temporarily hide the rotation controls of the gizmo.</p>\n    " +
                  onlyDisplay);
    EXPECT_EQ(pane->pButtonHelp->toolTip(), "Press this button to open Pullform's PDF documentation.");
    EXPECT_TRUE(pane->pCheckBoxLockGizmoInPlace->toolTip().contains(
        "after you move the gizmo with the \u201CCtrl\u201D key pressed, it will remain locked"));
    EXPECT_TRUE(pane->pCheckBoxLockGizmoInPlace->toolTip().startsWith(
        "<p>If this box is unchecked, the gizmo will always be repositioned automatically"));
    EXPECT_TRUE(pane->pRadioGizmoCamera45->toolTip().contains(
        "With \u201CZ to camera\u201D or \u201C45\u00B0 to camera\u201D, the gizmo axes"));
    EXPECT_EQ(pane->pRadioGizmoClamped->toolTip(), pane->pRadioGizmoWorldAxes->toolTip());
    EXPECT_TRUE(pane->pButtonLoadMorph->toolTip().contains("one moprh in the figure properties"));
    EXPECT_TRUE(
        pane->pButtonReset->toolTip().endsWith("This action is also available as \u201CReset all "
                                               "deltas\u201D from the Pullform's context menu.</p>"));
    EXPECT_TRUE(pane->getFalloffRadiusSlider()->toolTip().startsWith(
        "\n<p>Use this slider to determine the radius of the sphere within which vertices will be affected\n"
        "when you drag the gizmo.</p>\n<p>Two factors influence how much geometry is affected:\n<ol>"));
    EXPECT_TRUE(pane->pRadioFalloffRandom->toolTip().endsWith(
        "give you an indication of the effect of each type.</li>\n</ol>\n"));
    for (QWidget* none :
         {static_cast<QWidget*>(pane->pLabelInfo), static_cast<QWidget*>(pane->pLabelImageSharp),
          static_cast<QWidget*>(pane->pLabelGainSlider)})
        EXPECT_TRUE(none->toolTip().isEmpty()) << none->objectName().toStdString();
}

TEST_F(PfToolOptionsTest, PicturesCogAndSlidersInTheirRows) {
    makePane();
    for (QLabel* picture : {pane->pLabelImageSmoothCurve, pane->pLabelImageSphere,
                            pane->pLabelImageInverseSquare, pane->pLabelImageSharp, pane->pLabelImageLinear,
                            pane->pLabelImageConstant, pane->pLabelImageRandom}) {
        QPixmap const shown = picture->pixmap(Qt::ReturnByValue);
        ASSERT_FALSE(shown.isNull()) << picture->objectName().toStdString();
        EXPECT_EQ(shown.height(), 14);
    }
    EXPECT_TRUE(pane->pButtonAdvancedSettings->text().isEmpty());
    EXPECT_FALSE(pane->pButtonAdvancedSettings->icon().isNull());
    EXPECT_EQ(pane->pLabelHeading->text(), HvHelpersQt::MakeWindowTitleQ(nullptr));
    // Each slider beside its label.
    EXPECT_EQ(pane->pHorizontalLayoutGizmoSizeSlider->itemAt(1)->widget(), pane->getGizmoSizeSlider());
    EXPECT_EQ(pane->pHorizontalLayoutGainSlider->itemAt(1)->widget(), pane->getGainSlider());
    EXPECT_EQ(pane->pHorizontalLayoutFalloffRadiusSlider->itemAt(1)->widget(),
              pane->getFalloffRadiusSlider());
    EXPECT_EQ(pane->pLabelFalloffRadiusSlider->buddy(), pane->getFalloffRadiusSlider());
}

// ---- the dialog and the help from the pane ----

TEST_F(PfToolOptionsTest, AdvancedSettingsFromThePaneCancelKeepsTheClick) {
    makePane();
    dztest::ModalResponder responder;
    responder.setInspector([](QWidget* box) {
        if (auto* dialog = qobject_cast<PfAdvancedSettingsDialog*>(box))
            dialog->pRadioAddToSelectionWithShift->click();
    });
    responder.pressButton("Cancel");
    pane->pButtonAdvancedSettings->click();
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].className, "PfAdvancedSettingsDialog");
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(PfSettings::Get()->m_kmAddToSelection.getValue(), HvKeyboardModifier::Shift);
    PfSettings::Get()->m_kmAddToSelection.set(HvKeyboardModifier::Ctrl);
}

TEST_F(PfToolOptionsTest, HelpWithoutItsActionShowsTheError) {
    makePane();
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    pane->pButtonHelp->click();
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_TRUE(responder.boxes()[0].text.startsWith("Error: ")) << responder.boxes()[0].text.toStdString();
}

// ---- the pane as the tool makes it ----

TEST_F(PfToolOptionsTest, TheToolMakesThisPaneOnceUnderTheGivenParent) {
    PfTool tool;
    QWidget parent;
    auto* made = qobject_cast<PfToolOptionsWidget*>(tool.getPane(&parent));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->parentWidget(), &parent);
    EXPECT_EQ(tool.getPane(&parent), made);
}
