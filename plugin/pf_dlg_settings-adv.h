#pragma once

// The advanced settings: the four keyboard modifiers of the tool. Every click stores its choice at once in
// the settings record and the host's settings; OK and Cancel only close. Modal, made on the caller's stack.

#include <memory>

#include "hv_dlg_base.h"
#include "ui_pf_dlg_settings-adv.h"

class PfSettings;

class PfAdvancedSettingsDialog : public HvDialogBase, public Ui_PfAdvancedSettingsDialog {
    Q_OBJECT
public:
    PfAdvancedSettingsDialog(QWidget* parent, PfSettings& settings);
    ~PfAdvancedSettingsDialog() override;

public slots:
    // Checks the default key of each group, which stores it as a click would.
    void slotDefaultsButtonClicked();

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
