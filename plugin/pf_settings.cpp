#include "pf_settings.h"

#include <mutex>

#include "dzaction.h"
#include "dzappsettings.h"
#include "hv_base_daz.h"
#include "pf_globals.h"
#include "pf_tool.h"
#include "pf_dlg_settings-tool.h"

char const* const g_pcszInfluenceAsOutline = "influence_as_outline";
char const* const g_pcszGizmoSize = "gizmo_size";
char const* const g_pcszAddToSelectionModifier = "modifier_add_to_selection";
char const* const g_pcszRemoveFromSelectionModifier = "modifier_remove_from_selection";
char const* const g_pcszMoveGizmoOnlyModifier = "modifier_move_gizmo_only";
char const* const g_pcszMouseWheelFalloffModifier = "modifier_mouse_wheel_falloff";
char const* const g_pcszSettingsKeySaveMorphWindowPos = "save_morph_window_pos";

std::mutex g_mutexToolOptionsLoaded;
PfSettings* g_pTheOptions = nullptr;

namespace {

constexpr unsigned long s_ulMinGizmoSize = 1;
constexpr unsigned long s_ulMaxGizmoSize = 10;

QString settingsGroup() {
    return QString::fromUtf8(g_pcszSettingsApp);
}

void updatePaneIfPresent(bool updatePane,
                         std::function<void(PfToolOptionsWidget&, PfSettings const&)> const& paneUpdate) {
    if (!updatePane || !paneUpdate)
        return;
    if (auto* pane = qobject_cast<PfToolOptionsWidget*>(PfTool::GetToolOptionsDialog()))
        paneUpdate(*pane, *PfSettings::Get());
}

void invalidateActiveTool(PfInvalidateFlags flags) {
    if (PfTool* tool = PfTool::GetActive())
        tool->invalidateAndRedraw(flags);
}

}  // namespace

PfSettings* PfSettings::Get() {
    std::lock_guard<std::mutex> lock(g_mutexToolOptionsLoaded);
    if (!g_pTheOptions)
        g_pTheOptions = new PfSettings;
    return g_pTheOptions;
}

PfSettings::PfSettings() {
    DzAppSettings settings(settingsGroup());
    if (settings.getBoolValue(QString::fromLatin1(g_pcszInfluenceAsOutline), false))
        m_drawGizmoFlags |= PfDrawGizmoSetting::InfluenceAsOutline;
    // A stored size outside 1..10 (edited by hand, another version) is held in range as the setter would;
    // nothing is written back until the user changes the size.
    int const storedSize = settings.getIntValue(QString::fromLatin1(g_pcszGizmoSize), 5);
    m_ullGizmoSize = storedSize < int(s_ulMinGizmoSize)   ? s_ulMinGizmoSize
                     : storedSize > int(s_ulMaxGizmoSize) ? s_ulMaxGizmoSize
                                                          : uint64_t(storedSize);
    m_kmAddToSelection.load(settings);
    m_kmRemoveFromSelection.load(settings);
    m_kmMoveGizmoOnly.load(settings);
    m_kmMouseWheelFalloff.load(settings);
}

bool PfSettings::GizmoBoolHandler(
    bool on, PfDrawGizmoSetting bit, char const* actionClassName, bool updatePane,
    std::function<void(PfToolOptionsWidget&, PfSettings const&)> const& paneUpdate) {
    PfSettings* settings = Get();
    if (settings->drawsGizmo(bit) == on)
        return false;
    if (on)
        settings->m_drawGizmoFlags |= bit;
    else
        settings->m_drawGizmoFlags &= ~PfDrawGizmoFlags(bit);
    if (actionClassName)
        if (DzAction* action = HvHelpersDaz::FindActionOrThrow(actionClassName, false))
            action->setChecked(on);
    updatePaneIfPresent(updatePane, paneUpdate);
    invalidateActiveTool(PfInvalidateFlag::Redraw);
    return true;
}

bool PfSettings::SetDrawGizmoTranslation(bool on, bool updatePane) {
    return GizmoBoolHandler(
        on, PfDrawGizmoSetting::Translation, "PfToogleDrawGizmoAxesAction", updatePane,
        [](PfToolOptionsWidget& pane, PfSettings const& s) {
            pane.setDrawGizmoTranslationCheckBox(s.drawsGizmo(PfDrawGizmoSetting::Translation));
        });
}

bool PfSettings::SetDrawGizmoRotation(bool on, bool updatePane) {
    return GizmoBoolHandler(on, PfDrawGizmoSetting::Rotation, "PfToogleDrawGizmoRotationsAction", updatePane,
                            [](PfToolOptionsWidget& pane, PfSettings const& s) {
                                pane.setDrawGizmoRotationCheckBox(s.drawsGizmo(PfDrawGizmoSetting::Rotation));
                            });
}

namespace {

void showSphereBoxes(PfToolOptionsWidget& pane, PfSettings const& s) {
    pane.setDrawSphereCheckBox(s.drawsGizmo(PfDrawGizmoSetting::Influence),
                               s.drawsGizmo(PfDrawGizmoSetting::InfluenceAsOutline));
}

}  // namespace

bool PfSettings::SetDrawInfluence(bool on, bool updatePane) {
    return GizmoBoolHandler(on, PfDrawGizmoSetting::Influence, "PfToogleDrawGizmoSphereAction", updatePane,
                            showSphereBoxes);
}

bool PfSettings::SetDrawInfluenceAsOutline(bool on, bool updatePane) {
    if (!GizmoBoolHandler(on, PfDrawGizmoSetting::InfluenceAsOutline, nullptr, updatePane, showSphereBoxes))
        return false;
    DzAppSettings settings(settingsGroup());
    settings.setBoolValue(QString::fromLatin1(g_pcszInfluenceAsOutline), on);
    return true;
}

bool PfSettings::SetGizmoSize(unsigned long size, bool /*updatePane*/) {
    size = size < s_ulMinGizmoSize ? s_ulMinGizmoSize : size > s_ulMaxGizmoSize ? s_ulMaxGizmoSize : size;
    PfSettings* settings = Get();
    if (settings->m_ullGizmoSize == size)
        return false;
    settings->m_ullGizmoSize = size;
    invalidateActiveTool(PfInvalidateFlag::Gizmos);  // rebuilds the gizmos, which redraws
    DzAppSettings appSettings(settingsGroup());
    appSettings.setIntValue(QString::fromLatin1(g_pcszGizmoSize), int(size));
    return true;
}

bool PfSettings::SetGizmoGain(float gain, bool updatePane) {
    PfSettings* settings = Get();
    if (settings->m_fGain == gain)
        return false;
    settings->m_fGain = gain;
    updatePaneIfPresent(
        updatePane, [gain](PfToolOptionsWidget& pane, PfSettings const&) { pane.setGizmoGainSlider(gain); });
    return true;
}
