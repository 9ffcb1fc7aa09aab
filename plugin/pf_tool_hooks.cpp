#include "pf_tool_hooks.h"

std::function<PfToolOptionsWidget*()> PfToolHooks::getToolOptionsDialog = [] {
    return static_cast<PfToolOptionsWidget*>(nullptr);
};
std::function<bool(unsigned int)> PfToolHooks::invalidateActiveTool = [](unsigned int) { return false; };
std::function<void(PfToolOptionsWidget&, bool)> PfToolHooks::setDrawGizmoTranslationCheckBox =
    [](PfToolOptionsWidget&, bool) {};
std::function<void(PfToolOptionsWidget&, bool)> PfToolHooks::setDrawGizmoRotationCheckBox =
    [](PfToolOptionsWidget&, bool) {};
std::function<void(PfToolOptionsWidget&, bool, bool)> PfToolHooks::setDrawSphereCheckBox =
    [](PfToolOptionsWidget&, bool, bool) {};
std::function<void(PfToolOptionsWidget&, float)> PfToolHooks::setGizmoGainSlider = [](PfToolOptionsWidget&,
                                                                                      float) {};
std::function<void()> PfToolHooks::triggerToolSettingsStatsUpdate = [] {};
