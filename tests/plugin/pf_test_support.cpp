#include "pf_test_support.h"

#include "dzappsettings.h"
#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dznode.h"
#include "dzscene.h"
#include "dzviewportmgr.h"
#include "hv_globals.h"

namespace pftest {

PfSettingsGuard::PfSettingsGuard(Start start) : m_fields(Take(*PfSettings::Get())) {
    DzAppSettings stored(QString::fromUtf8(g_pcszSettingsApp));
    for (char const* key : StoredKeys()) {
        QString const name = QString::fromLatin1(key);
        m_stored.emplace_back(
            name, stored.hasValue(name) ? std::optional<QString>(stored.getStringValue(name)) : std::nullopt);
    }
    if (start == FromDefaults)
        ResetToDefaults();
}

PfSettingsGuard::~PfSettingsGuard() {
    Put(m_fields, *PfSettings::Get());
    DzAppSettings stored(QString::fromUtf8(g_pcszSettingsApp));
    for (auto const& [name, value] : m_stored) {
        if (value)
            stored.setStringValue(name, *value);
        else if (stored.hasValue(name))
            stored.removeValue(name);
    }
}

void PfSettingsGuard::ResetToDefaults() {
    // A fresh object reads the stored values: with none stored it holds the defaults.
    dztest::TempSettings empty;
    PfSettings fresh;
    Put(Take(fresh), *PfSettings::Get());
}

std::vector<char const*> PfSettingsGuard::StoredKeys() {
    return {g_pcszInfluenceAsOutline,           g_pcszGizmoSize,
            g_pcszAddToSelectionModifier,       g_pcszRemoveFromSelectionModifier,
            g_pcszMoveGizmoOnlyModifier,        g_pcszMouseWheelFalloffModifier,
            g_pcszSettingsKeySaveMorphWindowPos};
}

PfSettingsGuard::Fields PfSettingsGuard::Take(PfSettings const& s) {
    return {s.m_eSelectionType,
            s.m_drawGizmoFlags,
            s.m_ullGizmoSize,
            s.m_eGizmoOrientation,
            s.m_falloffRadius,
            s.m_eFalloffMode,
            s.m_fGain,
            s.m_kmAddToSelection,
            s.m_kmRemoveFromSelection,
            s.m_kmMoveGizmoOnly,
            s.m_kmMouseWheelFalloff};
}

void PfSettingsGuard::Put(Fields const& f, PfSettings& s) {
    s.m_eSelectionType = f.selectionType;
    s.m_drawGizmoFlags = f.drawGizmoFlags;
    s.m_ullGizmoSize = f.gizmoSize;
    s.m_eGizmoOrientation = f.gizmoOrientation;
    s.m_falloffRadius = f.falloffRadius;
    s.m_eFalloffMode = f.falloffMode;
    s.m_fGain = f.gain;
    // Assigned, not set(): set() would write the host's settings.
    s.m_kmAddToSelection = f.addToSelection;
    s.m_kmRemoveFromSelection = f.removeFromSelection;
    s.m_kmMoveGizmoOnly = f.moveGizmoOnly;
    s.m_kmMouseWheelFalloff = f.mouseWheelFalloff;
}

DzFacetMesh* makeUpFacingQuad() {
    auto* mesh = new DzFacetMesh;
    mesh->addVertex(DzVec3(0, 0, 0));
    mesh->addVertex(DzVec3(1, 0, 0));
    mesh->addVertex(DzVec3(1, 0, -1));
    mesh->addVertex(DzVec3(0, 0, -1));
    mesh->addFacet(0, 1, 2, 3);
    mesh->finalize();
    return mesh;
}

DzNode* addNode(QString const& name, DzFacetMesh* mesh) {
    DzNode* node = dztest::makeNode(name, mesh);
    dzScene->addNode(node);
    return node;
}

void PfNodeSelectionTest::TearDown() {
    selection.reset();
    dzScene->clear();
}

void PfNodeSelectionTest::selectOn(DzNode* n) {
    selection.reset();
    node = n;
    dzScene->addNode(node);
    selection = PfSelection::Create(&tool, node);
    modifier = selection->getModifier();
}

ScopedPfTool::ScopedPfTool(DzViewportMgr* mgr) : m_mgr(mgr), m_tool(new PfTool) {
    m_mgr->addTool(m_tool);
}

ScopedPfTool::~ScopedPfTool() {
    m_mgr->removeTool(m_tool);
    delete m_tool;
}

void PfToolViewportTest::SetUp() {
    ASSERT_TRUE(fx.isReady()) << fx.error().toStdString();
}

void PfToolViewportTest::TearDown() {
    m_registered.reset();
    tool = nullptr;
}

void PfToolViewportTest::registerTool() {
    m_registered = std::make_unique<ScopedPfTool>(fx.mgr());
    tool = m_registered->get();
}

QPoint PfToolViewportTest::at(float x, float y, float z) const {
    return fx.project(DzVec3(x, y, z));
}

}  // namespace pftest
