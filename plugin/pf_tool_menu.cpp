// The tool's viewport context menu.
#include <exception>

#include "dzapp.h"
#include "dzmenu.h"
#include "hv_base_daz.h"
#include "hv_helpers_qt.h"
#include "pf_action.h"
#include "pf_tool.h"

void PfTool::contextMenu(Dz3DViewport*, DzMenu* menu, QPoint const&) {
    if (!menu)
        return;
    try {
        menu->addAction(QStringLiteral("PfFaceSelectionAction"), 0);
        menu->addAction(QStringLiteral("PfEdgeSelectionAction"), 0);
        menu->addAction(QStringLiteral("PfVertexSelectionAction"), 0);
        if (getSelection()) {
            DzActionMgr* actionMgr = HvHelpersDaz::GetActionMgrOrThrow(true);
            menu->addSeparator(0);
            AddActionWithMatchingShortcut(actionMgr, menu, "PfSelectAllAction");
            AddActionWithMatchingShortcut(actionMgr, menu, "PfClearSelectionAction");
            // Growing and shrinking work on faces only.
            if (PfSettings::Get()->m_eSelectionType == PfSelectionType::Face) {
                menu->addSeparator(0);
                AddActionWithMatchingShortcut(actionMgr, menu, "PfGrowSelectionAction");
                AddActionWithMatchingShortcut(actionMgr, menu, "PfShrinkSelectionAction");
            }
            menu->addSeparator(0);
            menu->addAction(QStringLiteral("PfToogleDrawGizmoAxesAction"), 0);
            menu->addAction(QStringLiteral("PfToogleDrawGizmoRotationsAction"), 0);
            menu->addAction(QStringLiteral("PfToogleDrawGizmoSphereAction"), 0);
            menu->addSeparator(0);
            menu->addAction(QStringLiteral("PfResetAllDeltasAction"), 0);
        }
        menu->addSeparator(0);
        menu->addAction(QStringLiteral("PfAboutAction"), 0);
        menu->addAction(QStringLiteral("PfHelpAction"), 0);
    } catch (std::exception const& e) {
        HvHelpersQt::CriticalBox(dzApp ? dzApp->getDialogParent() : nullptr, nullptr, e.what(), true);
    }
}
