#pragma once

#include <cstdint>
#include <functional>

#include "hv_keyboardmodifier.h"

class PfToolOptionsWidget;

// The kind of element that picking selects.
enum PfSelectionType : uint32_t { PF_SELECTION_VERTEX = 0, PF_SELECTION_EDGE = 1, PF_SELECTION_FACE = 2 };

// The curve that weights the vertices inside the falloff radius; 7 and above have none.
enum PfFalloffMode : uint32_t {
    PF_FALLOFF_SMOOTH_CURVE = 0,
    PF_FALLOFF_SPHERE = 1,
    PF_FALLOFF_INVERSE_SQUARE = 2,
    PF_FALLOFF_SHARP = 3,
    PF_FALLOFF_LINEAR = 4,
    PF_FALLOFF_CONSTANT = 5,
    PF_FALLOFF_RANDOM = 6,
};

// How the gizmo's axes are aligned.
enum PfGizmoOrientation : uint32_t {
    PF_GIZMO_NODE_AXES = 0,
    PF_GIZMO_WORLD_AXES = 1,
    PF_GIZMO_NORMAL = 2,
    PF_GIZMO_Z_TO_CAMERA = 3,
    PF_GIZMO_CAMERA_45 = 4,
    PF_GIZMO_CLAMPED = 5,
};

// Bits of what the gizmo draws, combined in a flags word.
enum PfDrawGizmoSetting : uint32_t {
    PF_DRAW_GIZMO_TRANSLATION = 1,
    PF_DRAW_GIZMO_ROTATION = 2,
    PF_DRAW_GIZMO_INFLUENCE = 4,
    PF_DRAW_GIZMO_INFLUENCE_AS_OUTLINE = 8,
};

// Settings keys, in the host's application settings under g_pcszSettingsApp.
extern char const* const g_pcszInfluenceAsOutline;
extern char const* const g_pcszGizmoSize;
extern char const* const g_pcszAddToSelectionModifier;
extern char const* const g_pcszRemoveFromSelectionModifier;
extern char const* const g_pcszMoveGizmoOnlyModifier;
extern char const* const g_pcszMouseWheelFalloffModifier;
extern char const* const g_pcszSettingsKeySaveMorphWindowPos;

// The tool's options for the whole process. The gizmo size, the outline bit and the keyboard modifiers are
// stored in the host's settings; everything else starts from its default in every run.
class PfSettings {
public:
    // The process's one object, made on first use and never freed.
    static PfSettings* Get();

    // Reads the stored values as a new run does. The tool uses Get(); a separate object serves to see what
    // the next run would start with.
    PfSettings();
    PfSettings(PfSettings const&) = delete;
    PfSettings& operator=(PfSettings const&) = delete;

    bool drawsGizmo(PfDrawGizmoSetting bit) const { return (m_uDrawGizmoFlags & bit) != 0; }

    // Setters on Get()'s object. Each returns false, doing nothing else, when the value is already so. With
    // updatePane the options pane (when it exists) shows the new value; the pane itself passes false.
    static bool SetDrawGizmoTranslation(bool on, bool updatePane);
    static bool SetDrawGizmoRotation(bool on, bool updatePane);
    static bool SetDrawInfluence(bool on, bool updatePane);
    // Stored.
    static bool SetDrawInfluenceAsOutline(bool on, bool updatePane);
    // Held within 1..10 and stored; the gizmos are rebuilt. updatePane has no effect.
    static bool SetGizmoSize(unsigned long size, bool updatePane);
    // Exact float comparison; no redraw, not stored.
    static bool SetGizmoGain(float gain, bool updatePane);

    // The common body of the flag setters: the bit, the toggle action of that class name (when given and the
    // host has it) checked to match, the pane updated when asked for and present, the active tool redrawn.
    static bool GizmoBoolHandler(
        bool on, PfDrawGizmoSetting bit, char const* actionClassName, bool updatePane,
        std::function<void(PfToolOptionsWidget&, PfSettings const&)> const& paneUpdate);

    // Fields, read directly; the tool's operations write the selection type, orientation, radius and mode.
    PfSelectionType m_eSelectionType = PF_SELECTION_FACE;
    uint32_t m_uDrawGizmoFlags = PF_DRAW_GIZMO_TRANSLATION | PF_DRAW_GIZMO_ROTATION | PF_DRAW_GIZMO_INFLUENCE;
    uint64_t m_ullGizmoSize = 5;
    PfGizmoOrientation m_eGizmoOrientation = PF_GIZMO_NODE_AXES;
    uint64_t m_ullFalloffRadius = 50;
    PfFalloffMode m_eFalloffMode = PF_FALLOFF_SMOOTH_CURVE;
    float m_fGain = 1.0f;
    HvKeyboardModifier m_kmAddToSelection{g_pcszAddToSelectionModifier, HvKeyboardModifier::Ctrl};
    HvKeyboardModifier m_kmRemoveFromSelection{g_pcszRemoveFromSelectionModifier, HvKeyboardModifier::Alt};
    HvKeyboardModifier m_kmMoveGizmoOnly{g_pcszMoveGizmoOnlyModifier, HvKeyboardModifier::Ctrl};
    HvKeyboardModifier m_kmMouseWheelFalloff{g_pcszMouseWheelFalloffModifier, HvKeyboardModifier::Ctrl};
};
