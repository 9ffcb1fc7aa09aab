// Reset, load and save of the whole delta set: the exchange of deltas with the node's morphs.
#include <QPointer>
#include <exception>
#include <fmt/format.h>
#include <memory>
#include <string>
#include <vector>

#include "dzapp.h"
#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "hv_base.h"
#include "hv_helpers_qt.h"
#include "hv_morph.h"
#include "pf_dlg_save-morph.h"
#include "pf_modifier.h"
#include "pf_tool.h"
#include "pf_tool_impl.h"
#include "pf_undo.h"

namespace {

char const* const kNoModifier = "Cannot find Pullform modifier in selected object";

QWidget* dialogParent() {
    return dzApp ? dzApp->getDialogParent() : nullptr;
}

void reportFailure(char const* prefix, std::exception const& e) {
    HvHelpersQt::CriticalBox(dialogParent(), prefix, e.what(), true);
}

PfModifier& modifierOrThrow(PfSelection const& selection) {
    PfModifier* modifier = selection.getModifier();
    if (!modifier)
        throw HvException(kNoModifier);
    return *modifier;
}

std::string quotedLabel(DzNode const& node) {
    return HvHelpers::Quote(node.getLabel().toStdString());
}

// A modal box or dialog runs the event loop: the tool may have been switched off or have dropped the
// selection meanwhile, and the selection with it.
PfSelection& stillSelectedOrThrow(PfSelection* before) {
    PfTool* tool = PfTool::GetActive();
    if (!tool || tool->getSelection() != before || !before->getNode())
        throw HvException("the selection changed while the dialog was open");
    return *before;
}

}  // namespace

void PfTool::ResetAllDeltas() {
    PfTool* tool = GetActive();
    if (!tool)
        return;
    try {
        PfSelection* selection = tool->getSelection();
        if (!selection || !selection->getNode())
            throw NoSelectionException("Reset all deltas");
        PfModifier& modifier = modifierOrThrow(*selection);
        size_t const n = modifier.getNoOfDeltas();
        std::string const label = quotedLabel(*selection->getNode());
        std::string const toolName = g_pcszUserVisiblePullformToolName;
        if (n == 0)
            throw HvException(("Cannot reset the selected node " + label +
                               " because there are no active deltas in its " + toolName + " modifier.")
                                  .c_str());
        std::string const text = fmt::format(
            "<p>The selected node {} has {} in its {} modifier.</p>\n<p>Are you sure you want to remove them "
            "all? (You can still undo this later.)</p>",
            label, HvHelpers::Pluralize(n, "one active delta", "%d active deltas"), toolName);
        if (HvHelpersQt::CustomActionOrCancelbox(dialogParent(), "Reset all deltas", text,
                                                 "Yes, reset all!") != 0)
            return;
        PfSelection& confirmed = stillSelectedOrThrow(selection);
        PfUndoReset::Create(confirmed);
        confirmed.resetAllDeltas();
        GetActive()->dropSelection();
    } catch (std::exception const& e) {
        reportFailure("An error occured resetting the Pullform: ", e);
    }
}

void PfTool::PostResetDeltas() {
    try {
        PfTool* tool = GetActive();
        if (!tool || !tool->m_pImpl->selection)
            return;
        // The deltas are gone already; only what the tool derived from them follows.
        tool->m_pImpl->selection->postResetAllDeltas();
        tool->dropSelection();
    } catch (std::exception const&) {
        // Reports nothing: it runs inside the undo stack's redo.
    }
}

void PfTool::LoadDeltasFromMorphs() {
    PfTool* tool = GetActive();
    if (!tool)
        return;
    try {
        PfSelection* selection = tool->getOrMakeSelectionOrThrow("Load morph", false);
        modifierOrThrow(*selection);
        DzNode& node = *selection->getNode();
        std::string const label = quotedLabel(node);
        std::string const toolName = g_pcszUserVisiblePullformToolName;

        HvMorphList morphs(node);
        if (morphs.getNumMorphs() == 0)
            throw HvException(
                fmt::format("<p>The selected scene node {} has no morphs.</p>\n<p>Please select an "
                            "object with morphs and favorite them (using the small heart symbol) "
                            "in the object's properties\nto import their deltas into the {}.</p>",
                            label, toolName)
                    .c_str());
        std::vector<HvMorphInfoPtr> const& favorites = morphs.getFavorites();
        if (favorites.empty())
            throw HvException(
                fmt::format(
                    "<p>No morphs in the {} scene node have been marked as favorites.</p>\n<p>In order to "
                    "load morph deltas into {}, please mark the morphs as favorites (using the small heart "
                    "symbol)\nin the object's properties and then press the {} button again.</p>",
                    label, toolName, HvHelpers::Quote("Import"))
                    .c_str());

        std::vector<std::string> lines;
        for (HvMorphInfoPtr const& f : favorites)
            lines.push_back(fmt::format("{} (dialed in at {:03.1f}%)",
                                        HvHelpers::Quote(f->morph->getLabel().toStdString()),
                                        f->property->getValue() * 100.0));
        std::string joined;
        for (size_t i = 0; i < lines.size(); ++i) joined += (i ? "</li><li>" : "") + lines[i];
        std::string const text = fmt::format(
            "<p>The following morphs of the {} scene node have been marked as favorites and will be "
            "imported:</p>\n<ul><li>{}</li></ul>\n<p>After the import, the favorited morphs will be dialed "
            "to "
            "0%.</p>\n<p>You will see no visual difference after the import because effectively the exact "
            "same "
            "deltas will be active, but they\nwill now be controlled by {} instead of the morphs and "
            "available "
            "for editing.</p>\n<p>Do you want to proceed with the import?</p>",
            label, joined, toolName);
        if (HvHelpersQt::CustomActionOrCancelbox(dialogParent(),
                                                 HvHelpersQt::MakeWindowTitleQ("Load morph").toStdString(),
                                                 text, "Import") != 0)
            return;

        PfModifier& modifier = modifierOrThrow(stillSelectedOrThrow(selection));
        bool imported = false;
        for (HvMorphInfoPtr const& f : favorites) {
            // The morphs are the host's: one deleted while the box was open is passed over.
            QPointer<DzMorph> const morph(f->morph);
            if (!morph || !morph->getDeltas())
                continue;
            double const value = f->property->getValue();
            if (modifier.importMorphDeltas(morph->getName().toStdString(), *morph->getDeltas(), value)) {
                f->property->setValue(0.0f);
                imported = true;
            }
        }
        if (imported) {
            modifier.emitCurrentValueChanged();
            TriggerToolSettingsStatsUpdate();
        }
    } catch (std::exception const& e) {
        reportFailure("An error occured loading morph deltas: ", e);
    }
}

void PfTool::SaveDeltasToMorph() {
    PfTool* tool = GetActive();
    if (!tool)
        return;
    try {
        PfSelection* selection = tool->getOrMakeSelectionOrThrow("Save morph", false);
        PfModifier& modifier = modifierOrThrow(*selection);
        PfSaveMorphDialog dialog(dialogParent(), modifier.getLastImportedMorphName(), *selection->getNode());
        if (dialog.exec() != QDialog::Accepted)
            return;

        PfSelection& confirmed = stillSelectedOrThrow(selection);
        PfModifier& target = modifierOrThrow(confirmed);
        auto deltas = std::make_unique<DzMorphDeltas>();
        target.exportMorphDeltas(*deltas);
        HvMorphList morphs(*confirmed.getNode());
        // The list takes the delta set whatever happens.
        HvMorphInfoPtr const morph =
            morphs.addMorphOrThrow(deltas.release(), dialog.getMorphName(), dialog.getOverwriteExisting(),
                                   dialog.getMorphLabel(), dialog.getMorphPropertyPath());
        if (!dialog.getMoveDeltasToMorph())
            return;
        confirmed.resetAllDeltas();
        if (morph && morph->property)
            morph->property->setValue(1.0f);
        if (PfTool* active = GetActive()) {
            active->dropSelection();
            active->m_pImpl->statsTimer.start(100);
        }
    } catch (std::exception const& e) {
        reportFailure("An error occured saving morph deltas: ", e);
    }
}
