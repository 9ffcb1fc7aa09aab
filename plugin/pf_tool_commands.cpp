// The tool's commands: selection type, select all and clear, grow and shrink, gizmo lock and orientation,
// falloff radius and curve, the refresh after an undo or redo, and the pane's selection text. Each keeps the
// settings, the actions' check marks, the pane and the viewport in step.
#include <fmt/format.h>

#include <exception>
#include <functional>
#include <string>

#include "dzactionmgr.h"
#include "dznode.h"
#include "dzscene.h"
#include "hv_base.h"
#include "hv_base_daz.h"
#include "pf_action.h"
#include "pf_tool_options_view.h"
#include "pf_selection.h"
#include "pf_tool.h"
#include "pf_tool_impl.h"

namespace {

char const* const g_pcszSelectionTypeActions[] = {"PfFaceSelectionAction", "PfEdgeSelectionAction",
                                                  "PfVertexSelectionAction"};

// The active tool's pane, when it has one and it takes the commands' updates.
PfToolOptionsView* activePane(bool updatePane) {
    return updatePane ? dynamic_cast<PfToolOptionsView*>(PfTool::GetToolOptionsDialog()) : nullptr;
}

}  // namespace

// ---- selection type ----

void PfTool::SetSelectionTypeOrThrow(PfSelectionType type, bool force, bool updatePane) {
    PfSettings* settings = PfSettings::Get();
    if (!force && settings->m_eSelectionType == type)
        return;
    settings->m_eSelectionType = type;
    DzActionMgr* mgr = HvHelpersDaz::GetActionMgrOrThrow(true);
    for (char const* name : g_pcszSelectionTypeActions)
        if (auto* action = qobject_cast<PfSelectionTypeActionBase*>(mgr->findAction(QString::fromUtf8(name))))
            action->updateChecked(type);
    PfTool* tool = GetActive();
    if (!tool)
        return;
    // The sets stay as they are: the type decides what the next pick selects.
    tool->drawnDataChanged();
    if (PfToolOptionsView* pane = activePane(updatePane))
        pane->setSelectionTypeRadioChecked(type);
    tool->triggerToolSettingsStatsUpdate();
}

// ---- select all, clear, grow, shrink ----

namespace {

// Runs a selection command on the active tool's selection; without one it says so with the command's name.
// No selection is made here: after the scene's selection changed, the next pick makes one.
void RunSelectionCommand(PfTool* tool, PfSelection* selection, char const* commandName,
                         std::function<void(PfSelection&)> const& command) {
    try {
        if (!selection)
            throw NoSelectionException(commandName);
        command(*selection);
        tool->drawnDataChanged();
        tool->updateToolSettingsSelectionInfo();
    } catch (std::exception const& e) {
        tool->criticalBox(nullptr, e.what());
    }
}

}  // namespace

void PfTool::SelectAll(bool select) {
    if (PfTool* tool = GetActive())
        RunSelectionCommand(tool, tool->m_pImpl->selection.get(), select ? "Select all" : "Clear selection",
                            [select](PfSelection& s) { s.selectAllOrThrow(*PfSettings::Get(), select); });
}

void PfTool::GrowOrShrinkSelection(bool grow) {
    if (PfTool* tool = GetActive())
        RunSelectionCommand(
            tool, tool->m_pImpl->selection.get(), grow ? "Grow selection" : "Shrink selection",
            [grow](PfSelection& s) { s.growOrShrinkSelectionOrThrow(*PfSettings::Get(), grow); });
}

// ---- the pane's selection text ----

void PfTool::updateToolSettingsSelectionInfo() const {
    auto* pane = dynamic_cast<PfToolOptionsView*>(m_pImpl->pane.data());
    if (!pane)
        return;
    PfSelection const* selection = m_pImpl->selection.get();
    DzScene* scene = dzScene;
    std::string text;
    if (selection && !selection->getSelectedVertices().empty()) {
        std::string const vertices =
            HvHelpers::Pluralize(selection->getSelectedVertices().size(), "one vertex", "%d vertices");
        switch (PfSettings::Get()->m_eSelectionType) {
            case PfSelectionType::Face:
                text = fmt::format(fmt::runtime(HvHelpers::Pluralize(selection->getSelectedFacets().size(),
                                                                     "One face with {} selected",
                                                                     "%d faces with {} selected")),
                                   vertices);
                break;
            case PfSelectionType::Edge:
                text = fmt::format(fmt::runtime(HvHelpers::Pluralize(selection->getSelectedEdges().size(),
                                                                     "One edge with {} selected",
                                                                     "%d edges with {} selected")),
                                   vertices);
                break;
            case PfSelectionType::Vertex:
                // The vertex highlight says it all.
                break;
        }
    } else if (selection || (scene && scene->getPrimarySelection())) {
        text = fmt::format("Please select geometry in the selected node to be able to modify it with {}.",
                           g_pcszUserVisiblePullformToolName);
    }
    pane->updateSelectionInfo(text);
    pane->updateLockInPlaceGizmoCheckBox();
}

// ---- gizmo ----

PfGizmoLock PfTool::GetGizmoLockInPlace() {
    PfTool* tool = GetActive();
    PfSelection const* selection = tool ? tool->m_pImpl->selection.get() : nullptr;
    if (!selection)
        return PfGizmoLock::Unavailable;
    return selection->isAnyGizmoMovedManually() ? PfGizmoLock::Placed : PfGizmoLock::Automatic;
}

void PfTool::SetGizmoLockInPlace(bool lock, bool forceRedraw, bool updatePane) {
    PfTool* tool = GetActive();
    PfSelection* selection = tool ? tool->m_pImpl->selection.get() : nullptr;
    if (!selection)
        return;
    bool const changed = selection->setGizmoLockInPlace(lock);
    if (!changed && !forceRedraw)
        return;
    tool->invalidateAndRedraw(PfInvalidateFlag::GizmoOrigins);
    if (changed)
        if (PfToolOptionsView* pane = activePane(updatePane))
            pane->updateLockInPlaceGizmoCheckBox();
}

void PfTool::SetGizmoOrientation(PfGizmoOrientation orientation, bool updatePane) {
    PfSettings::Get()->m_eGizmoOrientation = orientation;
    PfTool* tool = GetActive();
    if (!tool)
        return;
    tool->invalidateAndRedraw(PfInvalidateFlag::Gizmos);
    if (PfToolOptionsView* pane = activePane(updatePane))
        pane->setGizmoOrientationRadioChecked(orientation);
}

// ---- falloff ----

bool PfTool::GrowOrShrinkFalloffRadius(bool grow, bool updatePane) {
    PfFalloffRadius const r = PfSettings::Get()->m_falloffRadius;
    // Never below 0; no upper bound.
    PfFalloffRadius const radius = grow ? r + 10 : (r < 11 ? 0 : r - 10);
    return SetFalloffRadius(radius, updatePane);
}

bool PfTool::SetFalloffRadius(PfFalloffRadius radius, bool updatePane) {
    PfSettings* settings = PfSettings::Get();
    if (settings->m_falloffRadius == radius)
        return false;
    settings->m_falloffRadius = radius;
    PfTool* tool = GetActive();
    if (!tool)
        return true;
    if (tool->m_pImpl->selection)
        tool->recomputeDeltasOnFalloffChanged();
    if (PfToolOptionsView* pane = activePane(updatePane))
        pane->setFalloffRadiusSlider(radius);
    return true;
}

void PfTool::SetFalloffMode(PfFalloffMode mode, bool updatePane) {
    // No comparison: the same curve again still re-applies a finished drag.
    PfSettings::Get()->m_eFalloffMode = mode;
    PfTool* tool = GetActive();
    if (!tool)
        return;
    if (tool->m_pImpl->selection)
        tool->recomputeDeltasOnFalloffChanged();
    if (PfToolOptionsView* pane = activePane(updatePane))
        pane->setFalloffModeRadioChecked(mode);
}

void PfTool::recomputeDeltasOnFalloffChanged() {
    PfSelection* selection = m_pImpl->selection.get();
    if (!selection)
        return;
    PfSettings const& settings = *PfSettings::Get();
    // A re-applied drag redraws through its modifier's change.
    if (!selection->onFalloffChanged(settings.m_falloffRadius, settings.m_eFalloffMode))
        invalidateAndRedraw(PfInvalidateFlag::Redraw);
}

// ---- after undo and redo ----

void PfTool::OnUndoOrRedo(DzNode* node, PfSelectionState* state) {
    // Never throws and shows nothing: an undo or redo reports no message from here.
    try {
        PfTool* tool = GetActive();
        DzScene* scene = dzScene;
        if (!tool || !node || !scene || scene->getPrimarySelection() != node)
            return;
        PfSelection* selection = tool->getOrMakeSelectionOrThrow(nullptr, false);
        if (!selection)
            return;
        if (state) {
            try {
                selection->restoreOrThrow(*state);
            } catch (...) {
                // The deltas changed under the drag: it must not stay adjustable, whatever the restore did.
                selection->setState(PfSelection::State::Idle);
                return;
            }
        }
        // An undone or redone drag is no longer adjustable by falloff changes.
        selection->setState(PfSelection::State::Idle);
        tool->invalidateAndRedraw(PfInvalidateFlag::Redraw | PfInvalidateFlag::Gizmos |
                                  PfInvalidateFlag::VerticesOnMouseDown);
        tool->triggerToolSettingsStatsUpdate();
    } catch (...) {
        // The step itself is done; the tool's refresh is best effort.
    }
}
