#pragma once

#include <functional>

#include "pf_flags.h"
#include "pf_settings.h"

class DzNode;
class PfToolOptionsWidget;
struct PfSelectionState;

// How the files below the tool (settings, modifier, undo) reach the active tool and its options pane: through
// these hooks, never by including pf_tool.h for PfTool's statics. The tool's hooks default to those statics
// (pf_tool_hooks.cpp), so they work the same whether a tool was ever made, and a test replaces one to watch
// what a lower file asks of the tool. The selection asks only the tool that owns it, through
// PfSelectionOwner (pf_selection_owner.h).
struct PfToolHooks {
    // The tool's options pane; null while it does not exist.
    static std::function<PfToolOptionsWidget*()> getToolOptionsWidget;
    // The active tool's invalidateAndRedraw with the flags; false (and nothing done) when no tool is active.
    static std::function<bool(PfInvalidateFlags)> invalidateActiveTool;

    // The pane's setters that show a setting's new value.
    static std::function<void(PfToolOptionsWidget&, bool)> setDrawGizmoTranslationCheckBox;
    static std::function<void(PfToolOptionsWidget&, bool)> setDrawGizmoRotationCheckBox;
    static std::function<void(PfToolOptionsWidget&, bool, bool)> setDrawSphereCheckBox;
    static std::function<void(PfToolOptionsWidget&, float)> setGizmoGainSlider;

    // The active tool's statistics refresh (100 ms later). Called by a modifier whose compaction removed
    // deltas, with that modifier's lock held: it must not call back into the modifier.
    static std::function<void()> triggerToolSettingsStatsUpdate;
    // PfTool::OnUndoOrRedo(node, state) and PfTool::PostResetDeltas(), for the undo steps.
    static std::function<void(DzNode*, PfSelectionState*)> onUndoOrRedo;
    static std::function<void()> postResetDeltas;
};
