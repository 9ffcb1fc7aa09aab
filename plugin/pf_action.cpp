#include "pf_action.h"

#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPixmap>
#include <exception>
#include <map>
#include <string>

#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzconnectassert.h"
#include "dzmenu.h"
#include "dzplugin.h"
#include "dzpluginmgr.h"
#include "hv_base.h"
#include "hv_base_daz.h"
#include "hv_globals.h"
#include "hv_helpers_qt.h"
#include "pf_falloff_pictures.h"
#include "pf_tool.h"

namespace {

// Plug-in action class name -> the host action whose shortcut it borrows (not owned).
std::map<std::string, DzAction*>& dazActionsByPullformActionName() {
    static std::map<std::string, DzAction*> s_map;
    return s_map;
}

// Key OR modifiers -> class name of the plug-in action bound to it.
std::map<int, std::string>& pullformActionsByKeycode() {
    static std::map<int, std::string> s_map;
    return s_map;
}

struct BorrowedShortcut {
    char const* dazAction;
    char const* pullformAction;
};
constexpr BorrowedShortcut kBorrowedShortcuts[] = {
    {"DzFacetSelAllAction", "PfSelectAllAction"},
    {"DzFacetSelClearAction", "PfClearSelectionAction"},
    {"DzFacetSelGrowAction", "PfGrowSelectionAction"},
    {"DzFacetSelShrinkAction", "PfShrinkSelectionAction"},
};

bool drawFlag(PfDrawGizmoSetting bit) {
    return PfSettings::Get()->drawsGizmo(bit);
}

}  // namespace

// ---- PfToolAction ----

PfToolAction::PfToolAction() : HvToolActionBase("PfTool") {
    setObjectName(QStringLiteral("PfToolAction"));
    // The base names the action after the tool's class; the user knows the tool as "Pullform".
    setText(QString::fromUtf8(g_pcszUserVisiblePullformToolName));
    initIcons();
}

QKeySequence PfToolAction::getDefaultAccel() const {
    return QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_E);
}

void PfToolAction::initIcons() {
    PfInitImageResources();
    QPixmap pixmap(QStringLiteral(":/img/tool-icon.png"));
    QIcon icon;
    makeIconVariants(icon, pixmap);
    setIcon(icon);
}

// ---- PfActionBase ----

PfActionBase::PfActionBase(char const* text) : DzAction(QString::fromUtf8(text), QString::fromUtf8(text)) {}

QString PfActionBase::getActionGroup() const {
    return QString::fromUtf8(g_pcszPluginTitle);
}

void PfActionBase::InitShortcutMagicOrThrow() {
    auto& byName = dazActionsByPullformActionName();
    auto& byKey = pullformActionsByKeycode();
    byName.clear();
    byKey.clear();
    DzActionMgr* mgr = HvHelpersDaz::GetActionMgrOrThrow(true);
    for (BorrowedShortcut const& pair : kBorrowedShortcuts) {
        DzAction* dazAction = mgr->findAction(QString::fromLatin1(pair.dazAction));
        if (!dazAction)
            throw HvException(("cannot find Daz Studio action " + HvHelpers::Quote(pair.dazAction)).c_str());
        byName[pair.pullformAction] = dazAction;
        QKeySequence const shortcut = dazAction->shortcut();
        // A shortcut of several combinations cannot be caught one key at a time.
        if (shortcut.count() == 1 && shortcut[0] != 0)
            byKey[shortcut[0]] = pair.pullformAction;
    }
}

DzAction* PfActionBase::FindMatchingDazAction(char const* pullformActionName) {
    if (!pullformActionName)
        return nullptr;
    auto const& byName = dazActionsByPullformActionName();
    auto const it = byName.find(pullformActionName);
    return it == byName.end() ? nullptr : it->second;
}

DzAction* PfActionBase::FindMatchingPullformActionFromKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    try {
        auto const& byKey = pullformActionsByKeycode();
        auto const it = byKey.find(int(key) | int(modifiers));
        if (it == byKey.end())
            return nullptr;
        return HvHelpersDaz::FindActionOrThrow(it->second.c_str(), false);
    } catch (...) {
        // Called from the keyboard hook: nothing may escape.
        return nullptr;
    }
}

// ---- selection type ----

PfSelectionTypeActionBase::PfSelectionTypeActionBase(char const* text, PfSelectionType type)
    : PfActionBase(text), m_uSelectionType(type) {}

void PfSelectionTypeActionBase::updateChecked(PfSelectionType type) {
    setCheckable(true);
    setChecked(type == m_uSelectionType);
}

void PfSelectionTypeActionBase::init() {
    updateChecked(PfSettings::Get()->m_eSelectionType);
}

void PfSelectionTypeActionBase::executeAction() {
    try {
        PfTool::SetSelectionTypeOrThrow(m_uSelectionType, /*force=*/true, /*updatePane=*/true);
    } catch (std::exception const&) {
        // Dropped on purpose.
    }
    // Triggering toggled the mark; it shows the type that is set, also after a failure.
    updateChecked(PfSettings::Get()->m_eSelectionType);
}

PfFaceSelectionAction::PfFaceSelectionAction()
    : PfSelectionTypeActionBase("Polygon (face) selection", PfSelectionType::Face) {}
PfEdgeSelectionAction::PfEdgeSelectionAction()
    : PfSelectionTypeActionBase("Edge selection", PfSelectionType::Edge) {}
PfVertexSelectionAction::PfVertexSelectionAction()
    : PfSelectionTypeActionBase("Vertex selection", PfSelectionType::Vertex) {}

// ---- gizmo display toggles ----

PfToogleDrawGizmoAxesAction::PfToogleDrawGizmoAxesAction() : PfActionBase("Show gizmo axes") {}

void PfToogleDrawGizmoAxesAction::init() {
    setCheckable(true);
    setChecked(drawFlag(PfDrawGizmoSetting::Translation));
}

void PfToogleDrawGizmoAxesAction::executeAction() {
    PfSettings::SetDrawGizmoTranslation(!drawFlag(PfDrawGizmoSetting::Translation), /*updatePane=*/true);
}

PfToogleDrawGizmoRotationsAction::PfToogleDrawGizmoRotationsAction()
    : PfActionBase("Show gizmo rotation controls") {}

void PfToogleDrawGizmoRotationsAction::init() {
    setCheckable(true);
    DZ_ASSERT_CONNECTED(connect(dzApp, SIGNAL(starting()), this, SLOT(updateCheckState())));
    // Made after the host has started, the signal would never come.
    if (dzApp && dzApp->hasStarted())
        updateCheckState();
}

void PfToogleDrawGizmoRotationsAction::executeAction() {
    PfSettings::SetDrawGizmoRotation(!drawFlag(PfDrawGizmoSetting::Rotation), /*updatePane=*/true);
}

void PfToogleDrawGizmoRotationsAction::updateCheckState() {
    setChecked(drawFlag(PfDrawGizmoSetting::Rotation));
}

PfToogleDrawGizmoSphereAction::PfToogleDrawGizmoSphereAction()
    : PfActionBase("Show gizmo falloff radius sphere") {}

void PfToogleDrawGizmoSphereAction::init() {
    setCheckable(true);
    setChecked(drawFlag(PfDrawGizmoSetting::Influence));
}

void PfToogleDrawGizmoSphereAction::executeAction() {
    PfSettings::SetDrawInfluence(!drawFlag(PfDrawGizmoSetting::Influence), /*updatePane=*/true);
}

// ---- selection commands ----

PfSelectAllAction::PfSelectAllAction() : PfActionBase("Select all") {}
void PfSelectAllAction::executeAction() {
    PfTool::SelectAll(true);
}

PfClearSelectionAction::PfClearSelectionAction() : PfActionBase("Clear selection") {}
void PfClearSelectionAction::executeAction() {
    PfTool::SelectAll(false);
}

PfGrowSelectionAction::PfGrowSelectionAction() : PfActionBase("Grow selection") {}
void PfGrowSelectionAction::executeAction() {
    PfTool::GrowOrShrinkSelection(true);
}

PfShrinkSelectionAction::PfShrinkSelectionAction() : PfActionBase("Shrink selection") {}
void PfShrinkSelectionAction::executeAction() {
    PfTool::GrowOrShrinkSelection(false);
}

// ---- falloff radius ----

PfGrowFalloffRadiusAction::PfGrowFalloffRadiusAction() : PfActionBase("Grow falloff radius") {}
QKeySequence PfGrowFalloffRadiusAction::getDefaultAccel() const {
    return QKeySequence(Qt::CTRL | Qt::Key_PageUp);
}
void PfGrowFalloffRadiusAction::executeAction() {
    PfTool::GrowOrShrinkFalloffRadius(/*grow=*/true, /*updatePane=*/true);
}

PfShrinkFalloffRadiusAction::PfShrinkFalloffRadiusAction() : PfActionBase("Shrink falloff radius") {}
QKeySequence PfShrinkFalloffRadiusAction::getDefaultAccel() const {
    return QKeySequence(Qt::CTRL | Qt::Key_PageDown);
}
void PfShrinkFalloffRadiusAction::executeAction() {
    PfTool::GrowOrShrinkFalloffRadius(/*grow=*/false, /*updatePane=*/true);
}

// ---- deltas, about, help ----

PfResetAllDeltasAction::PfResetAllDeltasAction() : PfActionBase("Reset pullform (clear all deltas)...") {}
void PfResetAllDeltasAction::executeAction() {
    PfTool::ResetAllDeltas();
}

PfAboutAction::PfAboutAction() : PfActionBase("About Halvorin's Pullform...") {}
void PfAboutAction::executeAction() {
    DzPluginMgr* mgr = dzApp ? dzApp->getPluginMgr() : nullptr;
    DzPlugin* plugin = mgr ? mgr->findPlugin(QString::fromUtf8(g_pcszPluginTitle)) : nullptr;
    QString const text = plugin ? plugin->getDescription() : QStringLiteral("Not found");
    QMessageBox::information(dzApp ? dzApp->getDialogParent() : nullptr, HvHelpersQt::MakeWindowTitleQ(),
                             text, QMessageBox::Ok, QMessageBox::NoButton);
}

PfHelpAction::PfHelpAction() : PfActionBase("Help (open Pullform PDF documentation)") {}
void PfHelpAction::executeAction() {
    HvHelpersDaz::OpenPluginManual("Pullform");
}

// ---- menus ----

void AddActionWithMatchingShortcut(DzActionMgr* actionMgr, DzMenu* menu, char const* actionName) {
    if (!actionMgr || !menu || !actionName)
        return;
    DzAction* action = actionMgr->findAction(QString::fromUtf8(actionName));
    if (!action)
        return;
    QString label = action->text();
    DzAction const* dazAction = PfActionBase::FindMatchingDazAction(actionName);
    if (dazAction && !dazAction->shortcut().isEmpty())
        label += QLatin1Char('\t') + dazAction->shortcut().toString(QKeySequence::PortableText);
    menu->addItem(label, action, SLOT(trigger()), 0);
}

bool isEquiv(QKeyEvent const& event, QKeySequence const& sequence) {
    return sequence.count() == 1 && sequence[0] == (event.key() | int(event.modifiers()));
}
