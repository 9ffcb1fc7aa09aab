#include "pf_tool.h"

#include <GL/glu.h>
#include <qopengl.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWheelEvent>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzviewport.h"
#include "hv_base_daz.h"
#include "hv_helpers_qt.h"
#include "hv_worldmesh.h"
#include "pf_action.h"
#include "pf_dlg_settings-tool.h"
#include "pf_gizmo.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_tool_impl.h"
#include "pf_tool_keyhook.h"

#if HV_WITH_WINDOWS_LAYER
#include "hv_win_keyhook.h"
#endif

char const* const g_pcszUserVisiblePullformToolName = "Pullform";

PfTool* g_pTheActiveTool = nullptr;

namespace {

std::function<QWidget*(QWidget*)> g_fnMakePane;

}  // namespace

// ---- NoSelectionException ----

NoSelectionException::NoSelectionException(char const* commandName)
    : HvException(("No object is currently selected in the scene. Please select one first and try the " +
                   HvHelpers::Quote(commandName) + " command again.")
                      .c_str()) {}

// ---- PfGlTransforms ----

PfGlTransforms PfGlTransforms::ReadCurrent() {
    PfGlTransforms t;
    glGetDoublev(GL_MODELVIEW_MATRIX, t.modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, t.projection);
    glGetIntegerv(GL_VIEWPORT, t.viewport);
    return t;
}

// ---- PfTool ----

PfTool::PfTool() : DzTransformTool(QString::fromUtf8(g_pcszUserVisiblePullformToolName)), m_pImpl(new Impl) {
    m_pImpl->statsTimer.setSingleShot(true);
}

PfTool::~PfTool() {
    if (g_pTheActiveTool == this)
        g_pTheActiveTool = nullptr;
    m_pImpl->selection.reset();
}

PfTool* PfTool::GetActive() {
    return g_pTheActiveTool;
}

QWidget* PfTool::GetToolOptionsDialog() {
    return g_pTheActiveTool ? g_pTheActiveTool->m_pImpl->pane.data() : nullptr;
}

PfSelectionType PfTool::GetSelectionType() {
    return PfSettings::Get()->m_eSelectionType;
}

void PfTool::TriggerToolSettingsStatsUpdate() {
    if (g_pTheActiveTool)
        g_pTheActiveTool->triggerToolSettingsStatsUpdate();
}

void PfTool::SetPaneFactory(std::function<QWidget*(QWidget*)> factory) {
    g_fnMakePane = std::move(factory);
}

std::set<int> PfTool::GetSelectedIndices(PfSelectionType type) {
    PfSelection const* selection = g_pTheActiveTool ? g_pTheActiveTool->getSelection() : nullptr;
    if (!selection)
        return {};
    PfSelectSetBase const* set = selection->getSelectedSet(type);
    return set ? std::set<int>(*set) : std::set<int>();
}

bool PfTool::GetGizmoView(Dz3DViewport* viewport, GizmoView& view) {
    PfSelection* selection = g_pTheActiveTool ? g_pTheActiveTool->getSelection() : nullptr;
    PfGizmo const* gizmo = selection ? selection->getViewportData(viewport).gizmo.get() : nullptr;
    if (!gizmo)
        return false;
    view.origin = gizmo->getOriginWs();
    view.x = gizmo->getX();
    view.y = gizmo->getY();
    view.z = gizmo->getZ();
    view.size = gizmo->getSize();
    view.hit = gizmo->getCurrentHit();
    return true;
}

PfSelection* PfTool::getSelection() const {
    return m_pImpl->selection.get();
}

bool PfTool::isIgnoringSceneSelectionChange() const {
    return m_pImpl->ignoreSceneSelectionChange;
}

void PfTool::triggerToolSettingsStatsUpdate() {
    m_pImpl->statsTimer.start(100);
}

bool PfTool::isToolSettingsStatsUpdatePending() const {
    return m_pImpl->statsTimer.isActive();
}

void PfTool::criticalBox(char const* prefix, char const* message) const {
    HvHelpersQt::CriticalBox(dzApp ? dzApp->getDialogParent() : nullptr, prefix, message, true);
}

QString PfTool::whatsThisText() const {
    return QStringLiteral(
        "Click here to activate Halvorin's Pullform, which allows you to move and rotate geometry inside Daz "
        "Studio.");
}

// ---- activation ----

void PfTool::installSignalsOn3dViewportOrThrow() {
    DzViewportMgr* mgr = HvHelpersDaz::GetViewportMgrOrThrow();
    for (int i = 0; i < 4; ++i) {
        DzViewport* viewport = mgr->getViewport(i);
        if (Dz3DViewport* view = viewport ? viewport->get3DViewport() : nullptr)
            connect(view, &Dz3DViewport::viewChanged, this, &PfTool::slotActive3dViewportViewChanged,
                    Qt::UniqueConnection);
    }
}

void PfTool::activate() {
    if (!g_pTheActiveTool) {
        QPointer<DzViewportMgr> graftSwitchedOff;
        try {
            DzViewportMgr* mgr = HvHelpersDaz::GetViewportMgrOrThrow();
            mgr->setAllowGraftDrawing(false);
            graftSwitchedOff = mgr;
            if (!m_pImpl->connected) {
                // Unique: a first activation that failed half-way is tried again.
                if (DzScene* scene = dzScene)
                    connect(scene, &DzScene::primarySelectionChanged, this,
                            &PfTool::slotScenePaneSelectionChanged, Qt::UniqueConnection);
                PfActionBase::InitShortcutMagicOrThrow();
                installSignalsOn3dViewportOrThrow();
                m_pImpl->connected = true;
            }
#if HV_WITH_WINDOWS_LAYER
            SetKeyboardMessageHook(KeyboardMessageHookCallback);
#endif
            getOrMakeSelectionOrThrow(nullptr, true);
            m_pImpl->statsTimer.setSingleShot(true);
            if (!m_pImpl->statsTimerConnected) {
                connect(&m_pImpl->statsTimer, &QTimer::timeout, this,
                        &PfTool::slotToolSettingsStatsUpdateDelayed);
                m_pImpl->statsTimerConnected = true;
            }
            g_pTheActiveTool = this;
        } catch (std::exception const& e) {
            // Undo what got done, so that the host is as before and the next activation can succeed.
            dropSelection();
            if (graftSwitchedOff)
                graftSwitchedOff->setAllowGraftDrawing(true);
#if HV_WITH_WINDOWS_LAYER
            SetKeyboardMessageHook({});
#endif
            criticalBox("An error occured activating Pullform: ", e.what());
        }
    }
    if (m_pImpl->pane)
        m_pImpl->statsTimer.start(100);
    DzPickTool::activate();
}

void PfTool::deactivate() {
    g_pTheActiveTool = nullptr;
    dropSelection();
    try {
        HvHelpersDaz::GetViewportMgrOrThrow()->setAllowGraftDrawing(true);
    } catch (std::exception const&) {
        // Nothing to hand back without a viewport manager.
    }
#if HV_WITH_WINDOWS_LAYER
    SetKeyboardMessageHook({});
#endif
    DzPickTool::deactivate();
}

void PfTool::dropSelection() {
    if (!m_pImpl->selection)
        return;
    PfSelection::State const state = m_pImpl->selection->getState();
    if (PfSelection::IsEditing(state)) {
        // A drag under way ends as its release would, so that its edit keeps its undo step.
        try {
            m_pImpl->selection->endDragAsRelease();
        } catch (std::exception const&) {
            // The selection goes in any case; its deltas stay in the modifier.
        }
    }
    DzNode* const node = m_pImpl->selection->getNode();
    m_pImpl->selection.reset();
    // Nothing keeps the node's copy current once the selection's connections are gone. A copy for another
    // node is the one that the pick under way built for the node it selects next.
    if (!m_pImpl->worldMeshNode || m_pImpl->worldMeshNode == node)
        clearWorldMeshBaseWithModifiers();
}

PfSelection* PfTool::getOrMakeSelectionOrThrow(char const* commandName, bool copyFaceSelections) {
    if (m_pImpl->selection)
        return m_pImpl->selection.get();
    DzScene* scene = dzScene;
    DzNode* node = scene ? scene->getPrimarySelection() : nullptr;
    if (!node) {
        if (commandName)
            throw NoSelectionException(commandName);
        return nullptr;
    }
    // A copy made while no selection followed the node may show it where it was.
    clearWorldMeshBaseWithModifiers();
    m_pImpl->selection = PfSelection::Create(this, node);
    if (copyFaceSelections)
        m_pImpl->selection->copyFaceSelectionsFromMesh(*PfSettings::Get());
    return m_pImpl->selection.get();
}

// ---- redraws and invalidation ----

void PfTool::invalidateAndRedraw(PfInvalidateFlags flags) {
    bool redraw = flags.testFlag(PfInvalidateFlag::Redraw);
    if (PfSelection* selection = m_pImpl->selection.get()) {
        PfSettings const& settings = *PfSettings::Get();
        if (flags & PfInvalidateFlag::AffectedVertices)
            selection->invalidateAffectedVertices(settings.m_falloffRadius, settings.m_eFalloffMode, false);
        if (flags & PfInvalidateFlag::Geometry) {
            clearWorldMeshBaseWithModifiers();
            selection->invalidateTransforms();
        }
        if (flags & PfInvalidateFlag::Gizmos) {
            selection->resetGizmos();
            flags |= PfInvalidateFlag::GizmoOrigins;
        }
        if (flags & PfInvalidateFlag::GizmoOrigins) {
            selection->resetAutoGizmoOrigins(false);
            redraw = true;
        }
        // Only a drag reads the snapshot, and its press takes it again: taking it here (after an undo or a
        // redo) would compute the falloff of a large selection before the redraw, for nothing.
        if (flags & PfInvalidateFlag::VerticesOnMouseDown)
            selection->dropVerticesOnMouseDown();
    }
    if (redraw)
        drawnDataChanged();
}

// ---- the selection's owner ----

PfSelectionOwner* PfSelectionOwnerOf(PfTool* tool) {
    return tool;
}

DzFacetMesh* PfTool::worldMesh(DzNode& node) {
    return getWorldMeshBaseWithModifiers(&node)->getMesh();
}

void PfTool::dropWorldMesh() {
    clearWorldMeshBaseWithModifiers();
}

void PfTool::statisticsChanged() {
    triggerToolSettingsStatsUpdate();
}

void PfTool::lockGizmosInPlace(Redraw redraw) {
    SetGizmoLockInPlace(true, redraw == Redraw::Always, /*updatePane=*/true);
}

void PfTool::selectionTypeRestored(PfSelectionType type) {
    SetSelectionTypeOrThrow(type, /*force=*/false, /*updatePane=*/true);
}

void PfTool::follow(DzNode& node, PfModifier* modifier) {
    connect(&node, &DzNode::transformChanged, this, &PfTool::slotSelectedNodeTransformChanged);
    if (modifier)
        connect(modifier, &DzModifier::currentValueChanged, this, &PfTool::slotModifierCurrentValueChanged);
}

void PfTool::unfollow(DzNode* node, PfModifier* modifier) {
    if (node)
        disconnect(node, &DzNode::transformChanged, this, &PfTool::slotSelectedNodeTransformChanged);
    if (modifier)
        disconnect(modifier, &DzModifier::currentValueChanged, this,
                   &PfTool::slotModifierCurrentValueChanged);
}

void PfTool::emitDrawnDataChangedDelayed() {
    if (m_bRedrawPending)
        return;
    QTimer::singleShot(50, this, &PfTool::slotDelayedEmitDrawnDataChanged);
    m_bRedrawPending = true;
}

void PfTool::updateToolSettingModifierStats() const {
    if (auto* pane = qobject_cast<PfToolOptionsWidget*>(m_pImpl->pane.data()))
        pane->updateModifierStats(true);
}

// ---- slots ----

void PfTool::slotToolSettingsStatsUpdateDelayed() {
    updateToolSettingsSelectionInfo();
    updateToolSettingModifierStats();
}

void PfTool::slotDelayedEmitDrawnDataChanged() {
    drawnDataChanged();
    m_bRedrawPending = false;
}

void PfTool::slotScenePaneSelectionChanged(DzNode*) {
    if (!g_pTheActiveTool || m_pImpl->ignoreSceneSelectionChange)
        return;
    dropSelection();
    m_pImpl->statsTimer.start(100);
}

void PfTool::slotSelectedNodeTransformChanged() {
    if (g_pTheActiveTool)
        invalidateAndRedraw(PfInvalidateFlag::Geometry | PfInvalidateFlag::Gizmos);
}

void PfTool::slotActive3dViewportViewChanged() {
    if (g_pTheActiveTool && m_pImpl->selection)
        m_pImpl->selection->activeViewChanged();
}

void PfTool::slotModifierCurrentValueChanged() {
    if (!g_pTheActiveTool)
        return;
    invalidateAndRedraw(PfInvalidateFlag::Geometry);
    updateToolSettingModifierStats();
}

// ---- the options pane ----

QWidget* PfTool::getPane(QWidget* parent) const {
    if (m_pImpl->pane)
        return m_pImpl->pane;
    try {
        m_pImpl->pane =
            g_fnMakePane ? g_fnMakePane(parent) : new PfToolOptionsWidget(parent, *PfSettings::Get());
        // A host that asks for the pane after activating the tool gets it after activation's request for the
        // statistics was skipped: the new pane would show no selection until the next request.
        if (m_pImpl->pane && g_pTheActiveTool == this)
            m_pImpl->statsTimer.start(100);
        return m_pImpl->pane;
    } catch (std::exception const& e) {
        criticalBox(nullptr, e.what());
        return nullptr;
    }
}

// ---- events ----

HvLine3 PfTool::UnProjectMouseEvent(PfGlTransforms const& t, QMouseEvent const& event) {
    double const x = event.localPos().x();
    double const y = double(t.viewport[3]) - event.localPos().y();
    double nx = 0.0, ny = 0.0, nz = 0.0, fx = 0.0, fy = 0.0, fz = 0.0;
    gluUnProject(x, y, 0.0, t.modelView, t.projection, t.viewport, &nx, &ny, &nz);
    gluUnProject(x, y, 1.0, t.modelView, t.projection, t.viewport, &fx, &fy, &fz);
    return HvLine3(HvPoint3(float(nx), float(ny), float(nz)), HvPoint3(float(fx), float(fy), float(fz)));
}

bool PfTool::mousePress(Dz3DViewport* view, QMouseEvent* event, DzViewportMgr::ViewMouseModifier modifier) {
    if (!event || !view || !g_pTheActiveTool || event->button() != Qt::LeftButton)
        return false;
    try {
        bool redraw = false;
        bool consumed = false;
        HvLine3 const ray = UnProjectMouseEvent(PfGlTransforms::ReadCurrent(), *event);
        PfGizmoHit gizmoHit = PfGizmoHit::None;
        PfSelection* selection = m_pImpl->selection.get();
        if (selection && selection->getState() != PfSelection::State::Selecting)
            gizmoHit = selection->testGizmoOnMousePress(view, ray, &redraw, &consumed);
        if (gizmoHit == PfGizmoHit::None) {
            PfMouseHandlerResult const result = handleSelectionsFromMouseEventOrThrow(view, ray, modifier);
            if (result & PfMouseHandlerResultFlag::Redraw)
                redraw = true;
            if (result & PfMouseHandlerResultFlag::Consumed) {
                consumed = true;
                if (PfSelection* current = m_pImpl->selection.get())
                    current->setState(PfSelection::State::Selecting);
            }
        }
        if (redraw)
            emitDrawnDataChangedDelayed();
        return consumed;
    } catch (std::exception const& e) {
        criticalBox(nullptr, e.what());
        return false;
    }
}

void PfTool::mouseMove(Dz3DViewport* view, QMouseEvent* event, DzViewportMgr::ViewMouseModifier modifier) {
    PfSelection* selection = m_pImpl->selection.get();
    if (!g_pTheActiveTool || !selection || !event)
        return;
    try {
        PfSelection::ViewportData& data = selection->getViewportData(view);
        switch (selection->getState()) {
            case PfSelection::State::MovingGizmo:
            case PfSelection::State::Translating:
            case PfSelection::State::Rotating:
                if (!data.gizmo)
                    return;
                // No redraw here: the modifier's change redraws.
                selection->onMouseMoveDraggingGizmo(
                    data, UnProjectMouseEvent(PfGlTransforms::ReadCurrent(), *event));
                break;
            case PfSelection::State::Selecting: {
                HvLine3 const ray = UnProjectMouseEvent(PfGlTransforms::ReadCurrent(), *event);
                if (handleSelectionsFromMouseEventOrThrow(view, ray, modifier) &
                    PfMouseHandlerResultFlag::Redraw)
                    emitDrawnDataChangedDelayed();
                break;
            }
            default:
                break;
        }
    } catch (std::exception const& e) {
        criticalBox(nullptr, e.what());
    }
}

void PfTool::mouseRelease(Dz3DViewport* view, QMouseEvent* event, DzViewportMgr::ViewMouseModifier) {
    PfSelection* selection = m_pImpl->selection.get();
    if (!g_pTheActiveTool || !selection)
        return;
    // Only the button that began the drag or the painting ends it.
    if (!event || event->button() != Qt::LeftButton)
        return;
    switch (selection->getState()) {
        case PfSelection::State::MovingGizmo:
        case PfSelection::State::Translating:
        case PfSelection::State::Rotating:
            try {
                selection->onReleaseDragGizmo(view);
            } catch (std::exception const& e) {
                selection->setState(PfSelection::State::Idle);
                criticalBox(nullptr, e.what());
            }
            // The last frame shows the drag: the used handle lit, the rings left out. Hits are tested
            // against what was drawn, so without a new frame the rings could not be grabbed.
            drawnDataChanged();
            break;
        case PfSelection::State::Selecting:
            selection->setState(PfSelection::State::Idle);
            break;
        default:
            break;
    }
    updateToolSettingModifierStats();
}

void PfTool::mouseOver(Dz3DViewport* view, QMouseEvent* event, DzViewportMgr::ViewMouseModifier) {
    PfSelection* selection = m_pImpl->selection.get();
    if (!g_pTheActiveTool || !selection || !event)
        return;
    if (PfGizmo* gizmo = selection->getViewportData(view).gizmo.get()) {
        HvLine3 const ray = UnProjectMouseEvent(PfGlTransforms::ReadCurrent(), *event);
        if (gizmo->hitTest(ray, nullptr))
            drawnDataChanged();
    }
}

bool PfTool::wheelEvent(Dz3DViewport*, QWheelEvent* event, DzViewportMgr::ViewMouseModifier) {
    if (!m_pImpl->selection || !event)
        return false;
    PfSettings const& settings = *PfSettings::Get();
    if (event->modifiers() != settings.m_kmMouseWheelFalloff.getAsQt())
        return false;
    QPoint const angle = event->angleDelta();
    int const delta = angle.y() != 0 ? angle.y() : angle.x();
    // Forward (away from the user) shrinks, never below 0; backward grows without bound.
    GrowOrShrinkFalloffRadius(delta < 0, /*updatePane=*/true);
    return true;
}

void PfTool::keyPress(Dz3DViewport*, QKeyEvent* event) {
    PfSelection* selection = m_pImpl->selection.get();
    if (!selection || !event)
        return;
    PfSelection::State const state = selection->getState();
    if ((state == PfSelection::State::Idle || state == PfSelection::State::DragFinished) &&
        event->text().isEmpty() && event->modifiers() == PfSettings::Get()->m_kmMoveGizmoOnly.getAsQt())
        selection->setMoveGizmoOnlyKeyboardModifierActive(true);
}

void PfTool::keyRelease(Dz3DViewport*, QKeyEvent* event) {
    PfSelection* selection = m_pImpl->selection.get();
    if (!selection || !event)
        return;
    if (selection->isMoveGizmoOnlyKeyboardModifierActive() && event->text().isEmpty() &&
        !(event->modifiers() & PfSettings::Get()->m_kmMoveGizmoOnly.getAsQt()))
        selection->setMoveGizmoOnlyKeyboardModifierActive(false);
}

void PfTool::draw(DzDrawStyle const&, Dz3DViewport* view) const {
    PfSelection* selection = m_pImpl->selection.get();
    if (!g_pTheActiveTool || !selection)
        return;
    if (selection->drawSelection() != 0)
        selection->drawGizmo(view);
}
