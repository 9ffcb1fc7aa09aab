#pragma once

#include <QVariantMap>
#include <string>

#include "hv_meshmodifier.h"
#include "hv_meshmodifier_io.h"

class DzMorphDeltas;

// The object name of the plug-in's modifier, by which every lookup finds it: "HV_PullformModifier".
extern char const* const g_pcszPullformModifierName;

// The plug-in's delta modifier: one per edited object. Exchanges its deltas with host morphs.
class PfModifier : public HvMeshModifier {
    Q_OBJECT
public:
    PfModifier();
    ~PfModifier() override;

    // Refreshes the tool's delta statistics (100 ms later) when a tool is active.
    void modifierStatsChanged() override;

    // Adds the morph's deltas times scale to the stored ones, skipping entries whose scaled components are
    // all within FLT_EPSILON of zero, and records the morph's name. True when at least one delta was added.
    // Neither restarts compaction nor emits currentValueChanged().
    bool importMorphDeltas(std::string const& morphName, DzMorphDeltas& deltas, double scale);
    // Appends every stored delta, exactly and in ascending index order.
    void exportMorphDeltas(DzMorphDeltas& deltas);

    // For a host that knows the modifier only by its meta-object (invoked by name): "count" (stored deltas),
    // "nonZero" (those with an offset) and "largest" (the longest offset).
    Q_INVOKABLE QVariantMap deltaSummary() const;
};

// The scene-file reader and writer of PfModifier.
class PfModifierIO : public HvMeshModifierIO {
    Q_OBJECT
public:
    HvMeshModifier* createModifierInstance() const override;
};
