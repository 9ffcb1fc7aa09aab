#include "pf_dlg_settings-adv.h"

#include <QLayout>
#include <algorithm>
#include <array>
#include <functional>

#include "hv_helpers_qt.h"
#include "hv_radio_base.h"
#include "pf_settings.h"

using KeyGroup = HvRadioGroup<HvKeyboardModifier::Enum>;

struct PfAdvancedSettingsDialog::Impl {
    explicit Impl(PfSettings& settingsIn) : settings(settingsIn) {}

    KeyGroup addToSelection;
    KeyGroup removeFromSelection;
    KeyGroup moveGizmoOnly;
    KeyGroup mouseWheel;
    PfSettings& settings;

    // Each group with its record, in the order they are set up and reset.
    std::array<std::pair<KeyGroup*, HvKeyboardModifier*>, 4> groups() {
        return {{{&addToSelection, &settings.m_kmAddToSelection},
                 {&removeFromSelection, &settings.m_kmRemoveFromSelection},
                 {&moveGizmoOnly, &settings.m_kmMoveGizmoOnly},
                 {&mouseWheel, &settings.m_kmMouseWheelFalloff}}};
    }
};

PfAdvancedSettingsDialog::PfAdvancedSettingsDialog(QWidget* parent, PfSettings& settings)
    : HvDialogBase(parent), m_pImpl(std::make_unique<Impl>(settings)) {
    setupUi(this);
    setOurWindowTitle("Advanced settings", true);
    dazzifyLayout();
    connectButtonBox(pButtonBox);
    HvHelpersQt::ConnectButtonClicked(*pButtonDefaults, this, SLOT(slotDefaultsButtonClicked()), nullptr);

    std::array<std::array<QRadioButton*, 3>, 4> const buttons{{
        {pRadioAddToSelectionWithAlt, pRadioAddToSelectionWithCtrl, pRadioAddToSelectionWithShift},
        {pRadioRemoveFromSelectionWithAlt, pRadioRemoveFromSelectionWithCtrl,
         pRadioRemoveFromSelectionWithShift},
        {pRadioMoveGizmoOnlyWithAlt, pRadioMoveGizmoOnlyWithCtrl, pRadioMoveGizmoOnlyWithShift},
        {pRadioMouseWheelFalloffAlt, pRadioMouseWheelFalloffCtrl, pRadioMouseWheelFalloffShift},
    }};
    auto const groups = m_pImpl->groups();
    for (size_t i = 0; i < groups.size(); ++i) {
        KeyGroup& group = *groups[i].first;
        HvKeyboardModifier* record = groups[i].second;
        group.m_mapButtons[HvKeyboardModifier::Alt] = buttons[i][0];
        group.m_mapButtons[HvKeyboardModifier::Ctrl] = buttons[i][1];
        group.m_mapButtons[HvKeyboardModifier::Shift] = buttons[i][2];
        // A stored value outside the enumeration has no button: the group opens with none checked.
        group.init(
            static_cast<HvKeyboardModifier::Enum>(record->getValue()),
            [record](HvKeyboardModifier::Enum value) { record->set(value); }, QString());
    }
    // Qt does not grow a window for its word-wrapped labels: with wider fonts than the form was laid out
    // with, the explanations would be cut off.
    layout()->activate();
    resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
}

PfAdvancedSettingsDialog::~PfAdvancedSettingsDialog() = default;

void PfAdvancedSettingsDialog::slotDefaultsButtonClicked() {
    for (auto const& entry : m_pImpl->groups()) {
        auto const found =
            entry.first->m_mapButtons.find(static_cast<HvKeyboardModifier::Enum>(entry.second->getDefault()));
        if (found != entry.first->m_mapButtons.end() && found->second)
            found->second->setChecked(true);
    }
}
