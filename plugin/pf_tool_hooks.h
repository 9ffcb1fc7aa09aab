#pragma once

#include <functional>

class PfToolOptionsWidget;

// How the settings reach the viewport tool and its options pane. Each hook does nothing, or answers "none",
// until the tool and the pane install their own.
struct PfToolHooks {
    // The tool's options pane; null while it does not exist.
    static std::function<PfToolOptionsWidget*()> getToolOptionsDialog;
    // The active tool's invalidateAndRedraw with the flags; false (and nothing done) when no tool is active.
    static std::function<bool(unsigned int)> invalidateActiveTool;

    // The pane's setters that show a setting's new value.
    static std::function<void(PfToolOptionsWidget&, bool)> setDrawGizmoTranslationCheckBox;
    static std::function<void(PfToolOptionsWidget&, bool)> setDrawGizmoRotationCheckBox;
    static std::function<void(PfToolOptionsWidget&, bool, bool)> setDrawSphereCheckBox;
    static std::function<void(PfToolOptionsWidget&, float)> setGizmoGainSlider;

    // The active tool's statistics refresh (100 ms later). Called by a modifier whose compaction removed
    // deltas, with that modifier's lock held: it must not call back into the modifier.
    static std::function<void()> triggerToolSettingsStatsUpdate;
};
