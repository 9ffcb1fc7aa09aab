// The tool's options pane in pfhost, operated through its real controls by object name from a script: each
// control reaches the tool (a drag with the pane's settings), what the pane shows is checked, and the
// advanced settings dialog is played from its button.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "pfhost_runner.h"

namespace {

// A 4 x 4 grid of quads on the XY plane, from (0, 0) to (4, 4).
class HostPaneScript : public PfhostScriptTest {
protected:
    HostPaneScript() : PfhostScriptTest(4, 4, "400x300") {}
    QString stored(char const* key) const {
        QSettings raw(dir.filePath("settings/host-settings.ini"), QSettings::IniFormat);
        return raw.value(QStringLiteral("Halvorin's Pullform Plugin/") + key).toString();
    }
};

}  // namespace

TEST_F(HostPaneScript, ThePanesControlsReachTheToolAndShowItsState) {
    PfhostRun const r =
        run("open grid.obj\n"
            "camera 2 -3 6 2 2 0\n"
            "tool PfTool\n"
            "expect widget pLabelInfo text-contains \"Please select\"\n"
            "expect widget pButtonReset disabled\n"
            "pf-mesh-snapshot before\n"
            // The pane's radius (tenths: 1.0 on the slider is 10) and the curve, then a pull.
            "widget-slider pSliderFalloffRadius 1.5\n"
            "expect widget pSliderFalloffRadius value 1.5\n"
            "widget-check pRadioFalloffLinear\n"
            "widget-check pCheckBoxTriShowGizmoSphere partial\n"
            "widget-slider pSliderGizmoSize 7\n"
            "project 2.5 2.5 0 a\n"
            "click @a\n"
            "expect pf-faces 10\n"
            "pf-gizmo-drag z 0 0 1\n"
            "wait 300\n"
            "expect pf-mesh-differs before\n"
            "expect widget pLabelInfo text-contains \"deltas in modifier\"\n"
            "expect widget pButtonReset enabled\n"
            "expect widget pButtonSaveAsMorph enabled\n"
            "expect widget pButtonLoadMorph disabled\n"
            // The selection type by its radio.
            "widget-check pRadioSelectionVertex\n"
            "expect widget pRadioSelectionFacet unchecked\n"
            "widget-check pRadioSelectionFacet\n"
            // The typed radius.
            "widget-text pSliderFalloffRadius 2.25\n"
            "expect widget pSliderFalloffRadius value 2.25\n"
            // The dialog from the cog: a click stored, Cancel keeps it.
            "answer Cancel pRadioMoveGizmoOnlyWithShift=on\n"
            "widget-click pButtonAdvancedSettings\n"
            "pf-summary\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // The edit used the pane's radius: vertices beyond the selected face moved.
    EXPECT_TRUE(r.out.contains("pf-summary: node grid")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(", 4 deltas"))
        << "a falloff of 1.5 reaches beyond the face: " << r.out.toStdString();
    EXPECT_EQ(stored("gizmo_size"), "7");
    EXPECT_EQ(stored("influence_as_outline"), "true");
    EXPECT_EQ(stored("modifier_move_gizmo_only"), "2");
}

TEST_F(HostPaneScript, FailuresNameTheControl) {
    struct Row {
        char const* line;
        char const* message;
    };
    Row const rows[] = {
        {"widget-check pNoSuchBox", "no control named \u201CpNoSuchBox\u201D"},
        {"widget-check pRadioSelectionEdge off", "\u201CpRadioSelectionEdge\u201D can only be checked on"},
        {"widget-slider pRadioSelectionEdge 3", "\u201CpRadioSelectionEdge\u201D is not a slider"},
        {"widget-check pCheckBoxDrawGizmoTranslation partial",
         ":3: widget-check: the check box \u201CpCheckBoxDrawGizmoTranslation\u201D takes on or off, not "
         "\u201Cpartial\u201D\n"},
        {"widget-slider pSliderGizmoSize 7.5",
         ":3: widget-slider: the value of \u201CpSliderGizmoSize\u201D must be a whole number between 1 and "
         "10, "
         "not \u201C7.5\u201D\n"},
        {"widget-click pButtonReset", "\u201CpButtonReset\u201D is disabled"},
        {"expect widget pRadioSelectionFacet unchecked",
         "\u201CpRadioSelectionFacet\u201D is \u201Cchecked\u201D, not \u201Cunchecked\u201D"},
        {"answer Defaults\nwidget-click pButtonAdvancedSettings",
         ":4: widget-click: the dialog \u201CAdvanced settings \u2014 Halvorin's Pullform V3.0.1 "
         "(2020-09-14)\u201D "
         "stayed open after the answer pressed \u201CDefaults\u201D (answer with a button that closes it)\n"},
        {"answer Cancel pRadioMoveGizmoOnlyWithShift=off\nwidget-click pButtonAdvancedSettings",
         ":4: widget-click: answering the dialog \u201CAdvanced settings \u2014 Halvorin's Pullform V3.0.1 "
         "(2020-09-14)\u201D: \u201CpRadioMoveGizmoOnlyWithShift\u201D can only be checked on\n"},
        {"answer Cancel pSliderGain=0.5\nwidget-click pButtonAdvancedSettings",
         ":4: widget-click: answering the dialog \u201CAdvanced settings \u2014 Halvorin's Pullform V3.0.1 "
         "(2020-09-14)\u201D: no control named \u201CpSliderGain\u201D\n"},
        {"widget-click pButtonAdvancedSettings",
         ":3: widget-click: a dialog appeared: \u201CAdvanced settings \u2014 Halvorin's Pullform V3.0.1 "
         "(2020-09-14)\u201D\n"},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.line);
        PfhostRun const r = run(QString("open grid.obj\ntool PfTool\n") + row.line + "\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(row.message))) << r.err.toStdString();
    }
}
