#pragma once

#include <cstddef>
#include <string>

#include "pf_settings.h"

// What the tool's commands ask of the options pane: the setters that follow a change made elsewhere (context
// menu, keys, wheel, script). The pane implements it; the tool keeps the pane as a QWidget and reaches these
// through a cast, so that the commands need not know the pane's class.
class PfToolOptionsView {
public:
    virtual ~PfToolOptionsView() = default;

    virtual void setSelectionTypeRadioChecked(PfSelectionType type) const = 0;
    virtual void setGizmoOrientationRadioChecked(PfGizmoOrientation orientation) const = 0;
    // The radius in the settings' unit (tenths of a scene unit).
    virtual void setFalloffRadiusSlider(PfFalloffRadius radius) const = 0;
    virtual void setFalloffModeRadioChecked(PfFalloffMode mode) const = 0;
    // The selection text (UTF-8), empty when there is nothing to say.
    virtual void updateSelectionInfo(std::string const& text) = 0;
    // Reads the gizmo lock state back a little later.
    virtual void updateLockInPlaceGizmoCheckBox() = 0;
    // The delta count of the remembered node's modifier.
    virtual void updateModifierStats(bool force) = 0;
};
