#pragma once

#include <QFlags>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include "dztransformtool.h"
#include "dzviewportmgr.h"
#include "hv_base.h"
#include "hv_geometry.h"
#include "pf_flags.h"
#include "pf_selection_owner.h"
#include "pf_settings.h"

class Dz3DViewport;
class DzDrawStyle;
class DzFacetMesh;
class DzMenu;
class DzNode;
class HvWorldMeshBaseWithModifiers;
class PfModifier;
class PfSelection;
struct PfSelectionState;
class QKeyEvent;
class QPoint;
class QMouseEvent;
class QWheelEvent;
class QWidget;

// The name the host shows for the tool: "Pullform".
extern char const* const g_pcszUserVisiblePullformToolName;

// The OpenGL state that maps world space to the viewport's pixels at the moment of an event.
struct PfGlTransforms {
    double modelView[16] = {};
    double projection[16] = {};
    int viewport[4] = {};

    // From the current context.
    static PfGlTransforms ReadCurrent();
};

// A command that needs a selected node found none.
class NoSelectionException : public HvException {
public:
    explicit NoSelectionException(char const* commandName);
};

// The plug-in's viewport tool. While active it owns the selection of the node being edited, picks faces,
// edges and vertices, and draws the selection. GUI thread only; no exception leaves an entry point.
class PfTool : public DzTransformTool, public PfSelectionOwner {
    Q_OBJECT
public:
    PfTool();
    ~PfTool() override;

    // Host operations.
    void activate() override;
    void deactivate() override;
    bool mousePress(Dz3DViewport* view, QMouseEvent* event,
                    DzViewportMgr::ViewMouseModifier modifier) override;
    bool wheelEvent(Dz3DViewport* view, QWheelEvent* event,
                    DzViewportMgr::ViewMouseModifier modifier) override;
    void mouseMove(Dz3DViewport* view, QMouseEvent* event,
                   DzViewportMgr::ViewMouseModifier modifier) override;
    void mouseRelease(Dz3DViewport* view, QMouseEvent* event,
                      DzViewportMgr::ViewMouseModifier modifier) override;
    void mouseOver(Dz3DViewport* view, QMouseEvent* event,
                   DzViewportMgr::ViewMouseModifier modifier) override;
    void keyPress(Dz3DViewport* view, QKeyEvent* event) override;
    void keyRelease(Dz3DViewport* view, QKeyEvent* event) override;
    // The selection types, and with a selection its commands and the gizmo's display toggles, then About
    // and Help. Failures are shown in a box; the entries added before stay.
    void contextMenu(Dz3DViewport* view, DzMenu* menu, QPoint const& pos) override;
    void draw(DzDrawStyle const& style, Dz3DViewport* view) const override;
    QString whatsThisText() const override;
    // Made on the first call and kept while it lives; a pane destroyed with its parent is made again.
    QWidget* getPane(QWidget* parent) const override;

    // The tool while it is active; null otherwise.
    static PfTool* GetActive();
    // The active tool's pane; null without an active tool or a pane.
    static QWidget* GetToolOptionsDialog();
    static PfSelectionType GetSelectionType();
    // Restarts the active tool's 100 ms statistics timer; nothing without an active tool. A modifier's
    // compaction calls it with that modifier's lock held: it must never call back into a modifier.
    static void TriggerToolSettingsStatsUpdate();
    // The world-space ray under the event's position, from the near to the far plane.
    static HvLine3 UnProjectMouseEvent(PfGlTransforms const& transforms, QMouseEvent const& event);
    // Replaces how getPane makes the options pane (tests); it may throw. Empty: the tool's
    // PfToolOptionsWidget.
    static void SetPaneFactory(std::function<QWidget*(QWidget* parent)> factory);
    // After an undo or redo on the node: when it is the active tool's primary node, its selection takes the
    // snapshot back (when given), becomes idle, and gizmos, origins and press deltas are renewed. Never
    // throws: an undo shows no message from here.
    static void OnUndoOrRedo(DzNode* node, PfSelectionState* state);
    // After a reset of all deltas was done again from the undo stack: the active tool drops its selection.
    static void PostResetDeltas();

    // What a host that drives the tool from a script reads back (pfhost), without the selection's classes.
    // The active tool's selected indices of the type; empty without an active tool or a selection.
    static std::set<int> GetSelectedIndices(PfSelectionType type);
    // The gizmo that the active tool's selection keeps for a viewport, as made for its last draw.
    struct GizmoView {
        DzVec3 origin;
        // World-space axes, each as long as the gizmo's size.
        HvVec3 x;
        HvVec3 y;
        HvVec3 z;
        float size = 0.0f;
        // The part under the mouse, or being dragged.
        PfGizmoHit hit = PfGizmoHit::None;
    };
    // False, and view untouched, without an active tool, a selection or a gizmo in that viewport.
    static bool GetGizmoView(Dz3DViewport* viewport, GizmoView& view);

    // The same for a host that knows the tool only by its meta-object (invoked by name).
    // gizmoView: empty without a gizmo in the viewport, else "origin", "x", "y", "z" (lists of three numbers
    // in world space, the axes as long as the gizmo), "size" and "hit" ("" or "cone-x", "cone-y", "cone-z",
    // "plane-xy", "plane-xz", "plane-yz", "ring-x", "ring-y", "ring-z").
    Q_INVOKABLE QVariantMap gizmoView(QObject* viewport) const;
    // "face", "edge" or "vertex": the selected indices, ascending; empty for another kind.
    Q_INVOKABLE QVariantList selectedIndices(QString const& kind) const;
    // The falloff radius (tenths of a unit) and curve (0 to 6; -1 keeps it), as the pane sets them; false,
    // and nothing changed, for a radius below 0 or a curve out of range.
    Q_INVOKABLE bool setFalloff(int radius, int mode);
    // The morph exchange of the selected node, as the pane's buttons run it (each reports to the user
    // itself).
    Q_INVOKABLE void loadDeltasFromMorphs();
    Q_INVOKABLE void saveDeltasToMorph();

    // Commands: the actions, the pane, the selection, the drag engine and the undo items change the tool's
    // settings and selection through these. With no active tool they store their setting, or do nothing.
    static void SetSelectionTypeOrThrow(PfSelectionType type, bool force, bool updatePane);
    // Select all (true) or clear the selection (false); failures are shown in a box.
    static void SelectAll(bool select);
    static void GrowOrShrinkSelection(bool grow);
    static PfGizmoLock GetGizmoLockInPlace();
    // Locks every gizmo of the active tool's selection in place, or releases them; redraws on a change or
    // when forced.
    static void SetGizmoLockInPlace(bool lock, bool forceRedraw, bool updatePane);
    static void SetGizmoOrientation(PfGizmoOrientation orientation, bool updatePane);
    // Steps of 10; a shrink below 11 gives 0. Whether the radius changed.
    static bool GrowOrShrinkFalloffRadius(bool grow, bool updatePane);
    // False when the settings already hold the radius.
    static bool SetFalloffRadius(PfFalloffRadius radius, bool updatePane);
    static void SetFalloffMode(PfFalloffMode mode, bool updatePane);
    void recomputeDeltasOnFalloffChanged();

    // The whole delta set of the selected node at once; each reports to the user itself.
    static void ResetAllDeltas();
    static void LoadDeltasFromMorphs();
    static void SaveDeltasToMorph();

    // The current selection, made for the scene's primary node when there is none. Without a primary node:
    // NoSelectionException for a command name, else null.
    PfSelection* getOrMakeSelectionOrThrow(char const* commandName, bool copyFaceSelections);
    // The current selection, or null.
    PfSelection* getSelection() const;
    void triggerToolSettingsStatsUpdate();
    bool isToolSettingsStatsUpdatePending() const;
    void invalidateAndRedraw(PfInvalidateFlags flags) override;

    // What the tool's selection asks of it.
    DzFacetMesh* worldMesh(DzNode& node) override;
    void dropWorldMesh() override;
    void statisticsChanged() override;
    void lockGizmosInPlace(Redraw redraw) override;
    void selectionTypeRestored(PfSelectionType type) override;
    void follow(DzNode& node, PfModifier* modifier) override;
    void unfollow(DzNode* node, PfModifier* modifier) override;
    // At most one redraw is outstanding: requests within 50 ms become one.
    void emitDrawnDataChangedDelayed();
    bool isDelayedRedrawPending() const { return m_bRedrawPending; }
    void updateToolSettingModifierStats() const;
    void updateToolSettingsSelectionInfo() const;
    void criticalBox(char const* prefix, char const* message) const;

    // The pick road: a ray becomes a change of the node or of the selection sets.
    PfMouseHandlerResult handleSelectionsFromMouseEventOrThrow(Dz3DViewport* view, HvLine3 const& ray,
                                                               DzViewportMgr::ViewMouseModifier modifier);
    // The primary node when the ray hits it; without one, the first node in scene order that it hits.
    DzNode* sceneHitTest(DzNode* primary, HvLine3 const& ray, int* index);
    // The nearest facet hit, as the element of the settings' selection type.
    bool nodeHitTest(DzNode* node, HvLine3 const& ray, int* index);
    // The cached world-space copy for the node, made anew for another node; never null.
    HvWorldMeshBaseWithModifiers* getWorldMeshBaseWithModifiers(DzNode* node) const;
    void clearWorldMeshBaseWithModifiers() const;
    // Set while the tool changes the scene's selection itself.
    bool isIgnoringSceneSelectionChange() const;

public slots:
    void slotToolSettingsStatsUpdateDelayed();
    void slotDelayedEmitDrawnDataChanged();
    void slotScenePaneSelectionChanged(DzNode* node);
    void slotSelectedNodeTransformChanged();
    void slotActive3dViewportViewChanged();
    void slotModifierCurrentValueChanged();

private:
    // Drops the world-space copy unless it is the selection's: only the selection follows its node.
    void dropWorldMeshOfAnotherNode() const;
    void installSignalsOn3dViewportOrThrow();
    // Every way the selection goes ends here.
    void dropSelection();

    bool m_bRedrawPending = false;
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
