// The plug-in's definition and its class registration. Everything here is a static object of the library,
// built in this file's order during static initialisation and destroyed in reverse when it is unloaded.
// Nothing here may read a non-constant global of another file: its initialisation may not have run yet.
#include "pf_plugin.h"

#include <QString>

#include "dzclassfactory.h"
#include "dzguid.h"
#include "dzplugin.h"
#include "hv_globals.h"
#include "pf_action.h"
#include "pf_modifier.h"
#include "pf_tool.h"

#if HV_WITH_WINDOWS_LAYER
#include "hv_win_listbox_saveas.h"
#endif

namespace {

DzPlugin s_pluginDef(QString::fromUtf8(g_pcszPluginTitle));

struct PfPluginDefinitionCompleter {
    PfPluginDefinitionCompleter() {
        s_pluginDef.setAuthor(QStringLiteral("Halvorin"));
        s_pluginDef.setVersion(3, 0, 1, 0);
        s_pluginDef.setDescription(
            QStringLiteral("<p>Halvorin's Pullform adds a new tool to Daz Studio.\nIt allows you to modify "
                           "an object's geometry "
                           "directly in Daz Studio without any external modeling software.</p>\n"));
    }
};
PfPluginDefinitionCompleter const s_pluginDefCompleter;

// One class the host may create: its identifier, then its factory, added to the definition.
template <typename T>
struct PfClassRegistration {
    explicit PfClassRegistration(char const* classId)
        : id(DzGuid::fromString(QString::fromLatin1(classId))), factory(id) {
        s_pluginDef.addClassFactory(&factory);
    }
    DzGuid const id;
    DzTClassFactory<T> factory;
};

// The modifier's scene-file reader and writer, under "studio/modifier/halvorin_pullform_modifier".
struct PfModifierIOAssetExtraObjectIORegistar {
    PfModifierIOAssetExtraObjectIORegistar() {
        QString const type =
            QStringLiteral("studio/modifier/") + QStringLiteral("halvorin_pullform_modifier");
        s_pluginDef.addIOClassRegistration(type, &PfModifierIO::staticMetaObject,
                                           &PfModifier::staticMetaObject);
    }
};

PfClassRegistration<PfModifier> const s_regModifier("{D29504F2-0BE0-41BF-8ACC-AE321515F6F8}");
PfClassRegistration<PfModifierIO> const s_regModifierIO("{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}");
PfModifierIOAssetExtraObjectIORegistar const s_modifierIORegistar;
PfClassRegistration<PfTool> const s_regTool("{4AF99428-CC94-49EA-9062-FC7F2256EC08}");
PfClassRegistration<PfToolAction> const s_regToolAction("{E769B8E8-D9A4-4C80-A1A0-23D0CBEE2CE9}");
PfClassRegistration<PfToogleDrawGizmoAxesAction> const s_regAxes("{197B4B32-033A-481A-9FBB-857DF8D2FD07}");
// Lower case, as it has always been handed over.
PfClassRegistration<PfToogleDrawGizmoRotationsAction> const s_regRotations(
    "{853661d1-3b49-4e39-9f5b-ba9b12b2ad40}");
PfClassRegistration<PfToogleDrawGizmoSphereAction> const s_regSphere(
    "{F57662FA-DDBC-4885-BC8D-B8B9E4A43D0A}");
PfClassRegistration<PfFaceSelectionAction> const s_regFace("{B46B878E-3226-4D70-B195-D6F0F07BFCC3}");
PfClassRegistration<PfEdgeSelectionAction> const s_regEdge("{6E84063C-FCDC-44B9-B4B2-7FDF6522D706}");
PfClassRegistration<PfVertexSelectionAction> const s_regVertex("{91C908C2-1A0D-4FA7-97A2-CFB5DE4A125E}");
PfClassRegistration<PfSelectAllAction> const s_regSelectAll("{3CEE073B-4DCE-42CD-9392-355ED88A5264}");
PfClassRegistration<PfClearSelectionAction> const s_regClear("{2DF82CCA-8DFD-46AB-85F1-6648AA22E4C0}");
PfClassRegistration<PfGrowSelectionAction> const s_regGrow("{2ED0E593-2121-4FDF-8FD9-3C81A392F913}");
PfClassRegistration<PfShrinkSelectionAction> const s_regShrink("{178E23E2-045E-4A32-888E-D49E3E1FF55E}");
PfClassRegistration<PfGrowFalloffRadiusAction> const s_regGrowRadius(
    "{09E4CA00-20CC-443B-ADF1-4A646A0F7D29}");
PfClassRegistration<PfShrinkFalloffRadiusAction> const s_regShrinkRadius(
    "{0D973445-6DDA-4E72-805F-C20F66DA2D12}");
PfClassRegistration<PfResetAllDeltasAction> const s_regReset("{B5503353-319A-48B3-BAE3-9E66F4047F21}");
PfClassRegistration<PfAboutAction> const s_regAbout("{DD0A0890-9DB6-4083-B98F-C81A645A8616}");
PfClassRegistration<PfHelpAction> const s_regHelp("{98900A6C-4C0E-4174-8FF2-74FAB09D0E87}");

#if HV_WITH_WINDOWS_LAYER
// The list boxes' "Save as..." writes their lines to a file (the hook is installed by the tool itself).
struct PfWindowsLayerRegistrar {
    PfWindowsLayerRegistrar() { HvRegisterListboxSaveAs(); }
};
PfWindowsLayerRegistrar const s_windowsLayerRegistrar;
#endif

}  // namespace

DzVersion getSDKVersion() {
    return DzVersion(4, 5, 0, 100);
}

DzPlugin* getPluginDefinition() {
    return &s_pluginDef;
}
