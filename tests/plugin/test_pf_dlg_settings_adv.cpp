// The advanced settings dialog: four keyboard-modifier groups, each click stored at once, Defaults, and
// Cancel that takes nothing back.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest/QTest>

#include "dzappsettings.h"
#include "dzmodalresponder.h"
#include "dztempsettings.h"
#include "pf_dlg_settings-adv.h"
#include "pf_settings.h"

namespace {

QString const kGroup = "Halvorin's Pullform Plugin";
char const* const kAdd = "modifier_add_to_selection";
char const* const kRemove = "modifier_remove_from_selection";
char const* const kMove = "modifier_move_gizmo_only";
char const* const kWheel = "modifier_mouse_wheel_falloff";

QSettings rawSettings() {
    return QSettings(DzAppSettings::getSettingsFilePath(), QSettings::IniFormat);
}

// What the host's settings hold for a key, -1 when nothing was written.
int stored(char const* key) {
    return rawSettings().value(kGroup + "/" + key, -1).toInt();
}

void store(char const* key, int value) {
    DzAppSettings(kGroup).setIntValue(key, value);
}

// The radio buttons of a group that are checked, by text.
QStringList checkedOf(std::initializer_list<QRadioButton*> buttons) {
    QStringList texts;
    for (QRadioButton* b : buttons)
        if (b->isChecked())
            texts << b->text();
    return texts;
}

class PfAdvancedSettingsDialogTest : public ::testing::Test {
protected:
    dztest::TempSettings temp;
};

}  // namespace

TEST_F(PfAdvancedSettingsDialogTest, FormTitleAndTabOrder) {
    PfSettings settings;
    PfAdvancedSettingsDialog dialog(nullptr, settings);
    EXPECT_EQ(dialog.objectName(), "PfAdvancedSettingsDialog");
    EXPECT_EQ(dialog.windowTitle(),
              QString::fromUtf8("Advanced settings \u2014 Halvorin's Pullform V3.0.1 (2020-09-14)"));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(dialog.layout()->spacing(), 10);
    EXPECT_EQ(dialog.label_2->text(), "LMB and   ");
    EXPECT_EQ(dialog.groupBox_4->title(), "Mouse wheel modifier");
    EXPECT_TRUE(dialog.label_5->text().contains("<span style=\" font-style:italic;\">without</span>"));
    EXPECT_EQ(dialog.pButtonGroupAddToSelection->buttons().size(), 3);
    EXPECT_EQ(dialog.pButtonGroupAddToSelection->checkedButton(), dialog.pRadioAddToSelectionWithCtrl);
    EXPECT_TRUE(dialog.pRadioAddToSelectionWithAlt->toolTip().isEmpty());

    QStringList chain;
    QWidget* w = dialog.pRadioAddToSelectionWithCtrl;
    for (int i = 0; i < 8; ++i) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        chain << w->objectName();
    }
    EXPECT_EQ(chain, (QStringList{"pRadioAddToSelectionWithShift", "pRadioAddToSelectionWithAlt",
                                  "pRadioRemoveFromSelectionWithCtrl", "pRadioRemoveFromSelectionWithShift",
                                  "pRadioRemoveFromSelectionWithAlt", "pRadioMoveGizmoOnlyWithCtrl",
                                  "pRadioMoveGizmoOnlyWithShift", "pRadioMoveGizmoOnlyWithAlt"}));
}

TEST_F(PfAdvancedSettingsDialogTest, OpensWithTheRecordsAndAnOutOfRangeValueChecksNothing) {
    store(kRemove, 2);
    store(kWheel, 5);
    PfSettings settings;
    PfAdvancedSettingsDialog d(nullptr, settings);
    EXPECT_EQ(checkedOf({d.pRadioAddToSelectionWithAlt, d.pRadioAddToSelectionWithCtrl,
                         d.pRadioAddToSelectionWithShift}),
              QStringList{"Ctrl"});
    EXPECT_EQ(checkedOf({d.pRadioRemoveFromSelectionWithAlt, d.pRadioRemoveFromSelectionWithCtrl,
                         d.pRadioRemoveFromSelectionWithShift}),
              QStringList{"Shift"});
    EXPECT_EQ(checkedOf({d.pRadioMoveGizmoOnlyWithAlt, d.pRadioMoveGizmoOnlyWithCtrl,
                         d.pRadioMoveGizmoOnlyWithShift}),
              QStringList{"Ctrl"});
    EXPECT_TRUE(checkedOf({d.pRadioMouseWheelFalloffAlt, d.pRadioMouseWheelFalloffCtrl,
                           d.pRadioMouseWheelFalloffShift})
                    .isEmpty());
    // Opening wrote nothing.
    EXPECT_EQ(stored(kAdd), -1);
    EXPECT_EQ(settings.m_kmMouseWheelFalloff.getValue(), 5);
}

TEST_F(PfAdvancedSettingsDialogTest, AClickIsStoredAtOnceAndCancelKeepsIt) {
    PfSettings settings;
    PfAdvancedSettingsDialog dialog(nullptr, settings);
    dztest::ModalResponder responder;
    int storedWhileOpen = -1;
    responder.setInspector([&](QWidget*) {
        QTest::mouseClick(dialog.pRadioAddToSelectionWithShift, Qt::LeftButton);
        storedWhileOpen = stored(kAdd);
    });
    responder.pressButton("Cancel");
    EXPECT_EQ(dialog.exec(), int(QDialog::Rejected));
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(storedWhileOpen, 2);
    EXPECT_EQ(settings.m_kmAddToSelection.getValue(), 2);
    EXPECT_EQ(stored(kAdd), 2);
    EXPECT_EQ(PfSettings().m_kmAddToSelection.getValue(), 2);  // the next run starts with it
    // The other groups were not touched.
    EXPECT_EQ(stored(kRemove), -1);
    EXPECT_EQ(stored(kMove), -1);
}

TEST_F(PfAdvancedSettingsDialogTest, DefaultsWritesNothingWhenAllAreDefaults) {
    PfSettings settings;
    PfAdvancedSettingsDialog dialog(nullptr, settings);
    dialog.pButtonDefaults->click();
    QSettings raw = rawSettings();
    raw.beginGroup(kGroup);
    EXPECT_TRUE(raw.allKeys().isEmpty());
}

TEST_F(PfAdvancedSettingsDialogTest,
       DefaultsAfterChangesStoresEachDefaultAndTheSameKeyMayServeSeveralPurposes) {
    PfSettings settings;
    PfAdvancedSettingsDialog d(nullptr, settings);
    d.pRadioAddToSelectionWithAlt->click();
    d.pRadioRemoveFromSelectionWithAlt->click();  // already Alt: nothing
    d.pRadioMoveGizmoOnlyWithAlt->click();
    d.pRadioMouseWheelFalloffShift->click();
    EXPECT_EQ(stored(kAdd), 0);
    EXPECT_EQ(stored(kRemove), -1);
    EXPECT_EQ(stored(kMove), 0);
    EXPECT_EQ(stored(kWheel), 2);
    EXPECT_EQ(settings.m_kmAddToSelection.getValue(), settings.m_kmRemoveFromSelection.getValue());

    d.pButtonDefaults->click();
    EXPECT_EQ(stored(kAdd), 1);
    EXPECT_EQ(stored(kRemove), -1);
    EXPECT_EQ(stored(kMove), 1);
    EXPECT_EQ(stored(kWheel), 1);
    EXPECT_EQ(settings.m_kmAddToSelection.getValue(), 1);
    EXPECT_EQ(settings.m_kmRemoveFromSelection.getValue(), 0);
    EXPECT_EQ(settings.m_kmMoveGizmoOnly.getValue(), 1);
    EXPECT_EQ(settings.m_kmMouseWheelFalloff.getValue(), 1);
    EXPECT_TRUE(d.pRadioMouseWheelFalloffCtrl->isChecked());
}

TEST_F(PfAdvancedSettingsDialogTest, OkClosesAndSavesNoWindowPosition) {
    PfSettings settings;
    PfAdvancedSettingsDialog dialog(nullptr, settings);
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    EXPECT_EQ(dialog.exec(), int(QDialog::Accepted));
    QSettings raw = rawSettings();
    EXPECT_TRUE(raw.allKeys().isEmpty());
}

TEST_F(PfAdvancedSettingsDialogTest, TheWrappedExplanationsAreShownWhole) {
    PfSettings settings;
    PfAdvancedSettingsDialog dialog(nullptr, settings);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 10000));
    for (QLabel* label : {dialog.label_4, dialog.label_5, dialog.label_8})
        EXPECT_GE(label->height(), label->heightForWidth(label->width()))
            << label->objectName().toStdString();
}
