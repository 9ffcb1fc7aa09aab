#include "pf_modifier.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "dzmorphdeltas.h"
#include "pf_tool.h"

char const* const g_pcszPullformModifierName = "HV_PullformModifier";

PfModifier::PfModifier() : HvMeshModifier(g_pcszPullformModifierName) {}

PfModifier::~PfModifier() = default;

// Called by compaction with this modifier's lock held: the tool only restarts its statistics timer, whose
// refresh reads the modifier later.
void PfModifier::modifierStatsChanged() {
    PfTool::TriggerToolSettingsStatsUpdate();
}

bool PfModifier::importMorphDeltas(std::string const& morphName, DzMorphDeltas& deltas, double scale) {
    // NaN is never greater, so an entry of NaNs is skipped too.
    auto significant = [](float v) { return std::fabs(v) > FLT_EPSILON; };
    std::vector<HvVertexOffsets::value_type> values;
    values.reserve(size_t(std::max(deltas.getNumDeltas(), 0)));
    for (int i = 0, n = deltas.getNumDeltas(); i < n; ++i) {
        DzVec3 const d = deltas.getDelta(i);
        HvVec3 const scaled(float(double(d.m_x) * scale), float(double(d.m_y) * scale),
                            float(double(d.m_z) * scale));
        if (!significant(scaled.x) && !significant(scaled.y) && !significant(scaled.z))
            continue;
        values.emplace_back(int32_t(deltas.getDeltaIndex(i)), scaled);
    }
    auto byVertex = [](auto const& a, auto const& b) { return a.first < b.first; };
    std::stable_sort(values.begin(), values.end(), byVertex);
    bool const once = std::adjacent_find(values.begin(), values.end(), [](auto const& a, auto const& b) {
                          return a.first == b.first;
                      }) == values.end();
    {
        HvMeshModifierLock lock(*this);
        HvVertexOffsets& offsets = getOffsets();
        if (once) {
            // One sorted merge into the deltas.
            WriteOrdered(offsets, values, WriteMode::Add);
        } else {
            // A vertex listed twice is added to twice, in the morph's order.
            for (auto const& [index, scaled] : values) {
                auto [it, inserted] = offsets.try_emplace(index, scaled);
                if (!inserted) {
                    it->second.x += scaled.x;
                    it->second.y += scaled.y;
                    it->second.z += scaled.z;
                }
            }
        }
        setLastImportedMorphName(morphName);
    }
    return !values.empty();
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
