#pragma once

// What the plug-in's suites share: a guard for the process-wide tool options, small meshes, a node with a
// selection (and so a plug-in modifier) on it, and the tool registered in a real viewport.
#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <ostream>
#include <optional>
#include <utility>
#include <vector>

#include "dztempsettings.h"
#include "dzviewportfixture.h"
#include "hv_meshmodifier.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_settings.h"
#include "pf_tool.h"

class DzFacetMesh;
class DzNode;
class DzViewportMgr;

// Values in failure messages as the numbers the settings and the tool store.
inline std::ostream& operator<<(std::ostream& out, PfSelectionType v) {
    return out << uint32_t(v);
}
inline std::ostream& operator<<(std::ostream& out, PfFalloffMode v) {
    return out << uint32_t(v);
}
inline std::ostream& operator<<(std::ostream& out, PfGizmoOrientation v) {
    return out << uint32_t(v);
}
inline std::ostream& operator<<(std::ostream& out, PfGizmoHit v) {
    return out << uint32_t(v);
}
inline std::ostream& operator<<(std::ostream& out, PfGizmoDragKind v) {
    return out << int(v);
}
inline std::ostream& operator<<(std::ostream& out, PfSelection::State v) {
    return out << uint32_t(v);
}

namespace pftest {

// PfSettings is one object for the whole process: a test that changes the selection type, the falloff, the
// gizmo or a modifier key would hand its values to every later test. The guard takes a copy of every field
// and of every key the options store in the host's settings, and puts them back when it goes. FromDefaults
// also starts the scope from the values a first run has.
class PfSettingsGuard {
public:
    enum Start { AsTheyAre, FromDefaults };

    explicit PfSettingsGuard(Start start = AsTheyAre);
    ~PfSettingsGuard();
    PfSettingsGuard(PfSettingsGuard const&) = delete;
    PfSettingsGuard& operator=(PfSettingsGuard const&) = delete;

    // Every field of PfSettings::Get() as a first run with nothing stored has it; nothing is written.
    static void ResetToDefaults();

    // The host settings keys under the plug-in's group that the options are stored under.
    static std::vector<char const*> StoredKeys();

private:
    struct Fields {
        PfSelectionType selectionType;
        PfDrawGizmoFlags drawGizmoFlags;
        uint64_t gizmoSize;
        PfGizmoOrientation gizmoOrientation;
        PfFalloffRadius falloffRadius;
        PfFalloffMode falloffMode;
        float gain;
        HvKeyboardModifier addToSelection;
        HvKeyboardModifier removeFromSelection;
        HvKeyboardModifier moveGizmoOnly;
        HvKeyboardModifier mouseWheelFalloff;
    };
    static Fields Take(PfSettings const& s);
    static void Put(Fields const& f, PfSettings& s);

    Fields m_fields;
    // Key, and its stored text (absent when it was not stored).
    std::vector<std::pair<QString, std::optional<QString>>> m_stored;
};

// A modifier of another class under the plug-in modifier's name.
class ForeignModifier : public HvMeshModifier {
public:
    ForeignModifier() : HvMeshModifier(g_pcszPullformModifierName) {}
    void modifierStatsChanged() override {}
};

// One unit quad in the XZ plane facing straight up (+Y).
DzFacetMesh* makeUpFacingQuad();

// A node holding the mesh, added to the scene.
DzNode* addNode(QString const& name, DzFacetMesh* mesh);

// A node in the scene with a selection of a tool that is not active (and so the plug-in modifier on the
// node), in a settings folder of its own, the options back to their defaults; the scene is cleared after.
class PfNodeSelectionTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Adds the node to the scene and makes the selection on it; the modifier is the selection's.
    void selectOn(DzNode* n);

    dztest::TempSettings temp;
    PfSettingsGuard optionsGuard{PfSettingsGuard::FromDefaults};
    PfTool tool;
    DzNode* node = nullptr;
    std::unique_ptr<PfSelection> selection;
    PfModifier* modifier = nullptr;
};

// A PfTool registered with a viewport manager while it lives, then removed (which deactivates it) and
// deleted.
class ScopedPfTool {
public:
    explicit ScopedPfTool(DzViewportMgr* mgr);
    ~ScopedPfTool();
    ScopedPfTool(ScopedPfTool const&) = delete;
    ScopedPfTool& operator=(ScopedPfTool const&) = delete;

    PfTool* get() const { return m_tool; }

private:
    DzViewportMgr* m_mgr;
    PfTool* m_tool;
};

// A real viewport of the given size in a settings folder of its own, the options back to their defaults;
// registerTool() adds a PfTool to its manager, taken away again after the test.
class PfToolViewportTest : public ::testing::Test {
protected:
    explicit PfToolViewportTest(int width = 400, int height = 300) : fx(width, height) {}
    void SetUp() override;
    void TearDown() override;

    void registerTool();
    QPoint at(float x, float y, float z = 0.0f) const;

    dztest::TempSettings temp;
    PfSettingsGuard optionsGuard{PfSettingsGuard::FromDefaults};
    dztest::ViewportFixture fx;
    PfTool* tool = nullptr;

private:
    std::unique_ptr<ScopedPfTool> m_registered;
};

}  // namespace pftest
