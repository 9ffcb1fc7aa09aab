#pragma once

// The tool's options pane, shown by the host while the tool is active. It reads the settings once, when it
// is made; a change in the pane goes to the settings and the tool with their pane-update argument false (so
// nothing echoes back), and a change made elsewhere reaches the pane through its public setters. GUI thread
// only.

#include <QWidget>
#include <cstddef>
#include <memory>
#include <string>

#include "ui_pf_dlg_settings-tool.h"
#include "pf_tool_options_view.h"
#include "pf_settings.h"

class DzFloatSlider;
class DzIntSlider;

class PfToolOptionsWidget : public QWidget, public Ui_PfToolOptions, public PfToolOptionsView {
    Q_OBJECT
public:
    PfToolOptionsWidget(QWidget* parent, PfSettings& settings);
    ~PfToolOptionsWidget() override;

    // The information label: the selection line (the text, or the request to select an object when it is
    // empty), and the remembered node follows the scene's primary selection.
    void updateSelectionInfo(std::string const& text) override;
    // The delta count of the remembered node's plug-in modifier; nothing (the previous count stays) without
    // a node, an object or that modifier.
    void updateModifierStats(bool force) override;
    void updateModifierStats2(int count);
    // The lock box follows the tool 200 ms later; calls while an update is pending are absorbed.
    void updateLockInPlaceGizmoCheckBox() override;

    void setDrawGizmoTranslationCheckBox(bool on) const;
    void setDrawGizmoRotationCheckBox(bool on) const;
    void setDrawSphereCheckBox(bool draw, bool asOutline) const;
    void setGizmoGainSlider(float gain) const;
    // The slider shows radius / 10.
    void setFalloffRadiusSlider(PfFalloffRadius radius) const override;
    // A key without a button changes nothing.
    void setSelectionTypeRadioChecked(PfSelectionType type) const override;
    void setGizmoOrientationRadioChecked(PfGizmoOrientation orientation) const override;
    void setFalloffModeRadioChecked(PfFalloffMode mode) const override;

    // What the pane shows, for those who watch it (the host's scripts, tests).
    int getDeltaCount() const;
    bool isLockInPlaceUpdatePending() const { return m_bLockInPlaceUpdatePending; }
    // How often the lock box has been updated from the tool.
    int getLockInPlaceUpdateCount() const { return m_iLockInPlaceUpdates; }
    DzIntSlider* getGizmoSizeSlider() const;
    DzFloatSlider* getGainSlider() const;
    DzFloatSlider* getFalloffRadiusSlider() const;

public slots:
    void slotDrawGizmoTranslationCheckBoxToggled(bool checked);
    void slotDrawGizmoRotationCheckBoxToggled(bool checked);
    void slotDrawSphereCheckBoxTriStateChanged(int state);
    void setGizmoSizeSlider(size_t uSize);
    void slotGizmoSizeSliderValueChanged(int value);
    void slotUpdateLockInPlaceGizmoCheckBoxDelayed();
    void slotLockGizmoInPlaceCheckBoxToggled(bool checked);
    void slotGizmoGainSliderValueChanged(float value);
    void slotFalloffRadiusSliderValueChanged(float value);
    void slotHelpButtonClicked();
    void slotAdvancedSettingsButtonClicked();
    void slotResetButtonClicked();
    void slotLoadMorphButtonClicked();
    void slotSaveAsMorphButtonClicked();

private:
    void enableDisableButtons();
    void onInfoChanged();

    bool m_bLockInPlaceUpdatePending = false;
    int m_iLockInPlaceUpdates = 0;
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
