#pragma once

// What the tool's commands show in the options pane, without the pane's widgets: the pane's setters that
// follow a change made elsewhere (context menu, keys, wheel, script).

#include <cstddef>
#include <string>

#include "pf_settings.h"

class PfToolPane {
public:
    virtual ~PfToolPane() = default;

    virtual void setSelectionTypeRadioChecked(PfSelectionType type) const = 0;
    virtual void setGizmoOrientationRadioChecked(PfGizmoOrientation orientation) const = 0;
    virtual void setFalloffRadiusSlider(size_t radius) const = 0;
    virtual void setFalloffModeRadioChecked(PfFalloffMode mode) const = 0;
    virtual void updateSelectionInfo(std::string const& text) = 0;
    virtual void updateLockInPlaceGizmoCheckBox() = 0;
    // The delta count of the remembered node's modifier.
    virtual void updateModifierStats(bool force) = 0;
};
