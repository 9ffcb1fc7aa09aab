#include "pf_tool_hooks.h"

#include "pf_tool_options.h"
#include "pf_tool.h"

std::function<PfToolOptionsWidget*()> PfToolHooks::getToolOptionsWidget = [] {
    return qobject_cast<PfToolOptionsWidget*>(PfTool::GetToolOptionsWidget());
};
std::function<bool(PfInvalidateFlags)> PfToolHooks::invalidateActiveTool = [](PfInvalidateFlags flags) {
    PfTool* tool = PfTool::GetActive();
    if (!tool)
        return false;
    tool->invalidateAndRedraw(flags);
    return true;
};
std::function<void(PfToolOptionsWidget&, bool)> PfToolHooks::setDrawGizmoTranslationCheckBox =
    [](PfToolOptionsWidget& pane, bool on) { pane.setDrawGizmoTranslationCheckBox(on); };
std::function<void(PfToolOptionsWidget&, bool)> PfToolHooks::setDrawGizmoRotationCheckBox =
    [](PfToolOptionsWidget& pane, bool on) { pane.setDrawGizmoRotationCheckBox(on); };
std::function<void(PfToolOptionsWidget&, bool, bool)> PfToolHooks::setDrawSphereCheckBox =
    [](PfToolOptionsWidget& pane, bool draw, bool asOutline) { pane.setDrawSphereCheckBox(draw, asOutline); };
std::function<void(PfToolOptionsWidget&, float)> PfToolHooks::setGizmoGainSlider =
    [](PfToolOptionsWidget& pane, float gain) { pane.setGizmoGainSlider(gain); };
std::function<void()> PfToolHooks::triggerToolSettingsStatsUpdate = [] {
    PfTool::TriggerToolSettingsStatsUpdate();
};
std::function<void(DzNode*, PfSelectionState*)> PfToolHooks::onUndoOrRedo =
    [](DzNode* node, PfSelectionState* state) { PfTool::OnUndoOrRedo(node, state); };
std::function<void()> PfToolHooks::postResetDeltas = [] { PfTool::PostResetDeltas(); };
