#include "pf_modifier.h"

#include <cfloat>
#include <cmath>

#include "dzmorphdeltas.h"
#include "pf_tool_hooks.h"

char const* const g_pcszPullformModifierName = "HV_PullformModifier";

PfModifier::PfModifier() : HvMeshModifier(g_pcszPullformModifierName) {}

PfModifier::~PfModifier() = default;

void PfModifier::modifierStatsChanged() {
    if (PfToolHooks::triggerToolSettingsStatsUpdate)
        PfToolHooks::triggerToolSettingsStatsUpdate();
}

bool PfModifier::importMorphDeltas(std::string const& morphName, DzMorphDeltas& deltas, double scale) {
    // NaN is never greater, so an entry of NaNs is skipped too.
    auto significant = [](float v) { return std::fabs(v) > FLT_EPSILON; };
    bool added = false;
    {
        HvMeshModifierLock lock(*this);
        HvVertexOffsets& offsets = getOffsets();
        for (int i = 0, n = deltas.getNumDeltas(); i < n; ++i) {
            DzVec3 const d = deltas.getDelta(i);
            HvVec3 const scaled(float(double(d.m_x) * scale), float(double(d.m_y) * scale),
                                float(double(d.m_z) * scale));
            if (!significant(scaled.x) && !significant(scaled.y) && !significant(scaled.z))
                continue;
            auto [it, inserted] = offsets.try_emplace(int32_t(deltas.getDeltaIndex(i)), scaled);
            if (!inserted) {
                it->second.x += scaled.x;
                it->second.y += scaled.y;
                it->second.z += scaled.z;
            }
            added = true;
        }
        setLastImportedMorphName(morphName);
    }
    return added;
}

void PfModifier::exportMorphDeltas(DzMorphDeltas& deltas) {
    HvMeshModifierLock lock(*this);
    HvVertexOffsets const& offsets = getOffsets();
    deltas.preSize(int(offsets.size()));
    for (auto const& [index, offset] : offsets) deltas.addDelta(index, offset.dz(), true, 0);
}

HvMeshModifier* PfModifierIO::createModifierInstance() const {
    return new PfModifier;
}
