#pragma once

#include <QFlags>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "hv_keyboardmodifier.h"

class PfToolOptionsWidget;

// The kind of element that picking selects.
enum class PfSelectionType : uint32_t { Vertex = 0, Edge = 1, Face = 2 };

// The curve that weights the vertices inside the falloff radius. A value past Random has no curve.
enum class PfFalloffMode : uint32_t {
    SmoothCurve = 0,
    Sphere = 1,
    InverseSquare = 2,
    Sharp = 3,
    Linear = 4,
    Constant = 5,
    Random = 6,
};

// How the gizmo's axes are aligned.
enum class PfGizmoOrientation : uint32_t {
    NodeAxes = 0,
    WorldAxes = 1,
    Normal = 2,
    ZToCamera = 3,
    Camera45 = 4,
    Clamped = 5,
};

// The falloff radius as the settings, the commands and the pane keep it: tenths of a scene unit, 64 bits
// wide.
using PfFalloffRadius = size_t;
static_assert(sizeof(PfFalloffRadius) == 8, "the falloff radius is an unsigned 64-bit value");
// The one conversion between the settings' tenths and scene units.
inline double PfFalloffRadiusInUnits(PfFalloffRadius radius) {
    return double(radius) / 10.0;
}
// Units to tenths, the fraction cut off (values below 0 are the caller's to refuse).
inline PfFalloffRadius PfFalloffRadiusFromUnits(float units) {
    return PfFalloffRadius(units * 10.0f);
}

// Bits of what the gizmo draws, combined in a flags word.
enum class PfDrawGizmoSetting : uint32_t {
    Translation = 1,
    Rotation = 2,
    Influence = 4,
    InfluenceAsOutline = 8,
};
Q_DECLARE_FLAGS(PfDrawGizmoFlags, PfDrawGizmoSetting)
Q_DECLARE_OPERATORS_FOR_FLAGS(PfDrawGizmoFlags)

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

    bool drawsGizmo(PfDrawGizmoSetting bit) const { return m_drawGizmoFlags.testFlag(bit); }

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
    PfSelectionType m_eSelectionType = PfSelectionType::Face;
    PfDrawGizmoFlags m_drawGizmoFlags =
        PfDrawGizmoSetting::Translation | PfDrawGizmoSetting::Rotation | PfDrawGizmoSetting::Influence;
    uint64_t m_ullGizmoSize = 5;
    PfGizmoOrientation m_eGizmoOrientation = PfGizmoOrientation::NodeAxes;
    PfFalloffRadius m_falloffRadius = 50;
    PfFalloffMode m_eFalloffMode = PfFalloffMode::SmoothCurve;
    float m_fGain = 1.0f;
    HvKeyboardModifier m_kmAddToSelection{g_pcszAddToSelectionModifier, HvKeyboardModifier::Ctrl};
    HvKeyboardModifier m_kmRemoveFromSelection{g_pcszRemoveFromSelectionModifier, HvKeyboardModifier::Alt};
    HvKeyboardModifier m_kmMoveGizmoOnly{g_pcszMoveGizmoOnlyModifier, HvKeyboardModifier::Ctrl};
    HvKeyboardModifier m_kmMouseWheelFalloff{g_pcszMouseWheelFalloffModifier, HvKeyboardModifier::Ctrl};
};
