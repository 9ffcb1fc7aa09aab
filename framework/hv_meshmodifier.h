#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "dzmodifier.h"
#include "dzsceneasset.h"
#include "hv_geometry.h"

class DzNode;
class DzObject;
class DzVertexMesh;

// Per-vertex offsets in ascending vertex order, at most one per vertex.
using HvVertexOffsets = std::map<int32_t, HvVec3>;

class HvMeshModifierLock;

// A host modifier that keeps per-vertex deltas and adds them to the mesh at every evaluation. The object's own
// geometry is never changed. Writers never emit currentValueChanged() themselves: the caller that wants the
// viewport to follow calls emitCurrentValueChanged() after its writes.
class HvMeshModifier : public DzModifier, public DzSceneAsset {
    Q_OBJECT
public:
    enum AddOrSubtract { Add = 0, Subtract = 1 };

    explicit HvMeshModifier(char const* name);
    ~HvMeshModifier() override;

    int apply(DzVertexMesh& mesh, DzNode& node) override;
    int applyInverse(DzVertexMesh& mesh, DzNode& node) override;
    QObject* toQObject() override { return this; }
    QObject const* toQObject() const override { return this; }
    int getAssetType() const override { return 3; }

    // Compaction removed deltas. Called while the modifier's lock is held: never call back into a locking
    // operation of this modifier from here.
    virtual void modifierStatsChanged() = 0;

    HvVec3 getDelta(unsigned int vertex) const;
    size_t getNoOfDeltas() const;
    void clearDeltas();
    HvVertexOffsets getDeltas() const;
    void setDeltas(HvVertexOffsets const& offsets);
    // The whole map becomes a copy of offsets in one locked step: no reader sees a mix of old and new.
    void replaceDeltas(HvVertexOffsets const& offsets);
    void mergeDeltas(HvVertexOffsets const& offsets, AddOrSubtract mode);
    void triggerCompact();
    void emitCurrentValueChanged();

    // The stored map itself; hold an HvMeshModifierLock on this modifier while using it.
    HvVertexOffsets& getOffsets();

    std::string const& getLastImportedMorphName() const;
    void setLastImportedMorphName(std::string const& name);

    // The object's modifier of that name, or a new one from the factory, inserted before the object's first
    // skin or legacy binding (appended when there is none). An existing modifier is never moved.
    static DzModifier* FindOrInsert(DzNode& node, DzObject& object, char const* name,
                                    std::function<DzModifier*()> factory);

signals:
    void assetModified();
    void assetWasSaved();

protected slots:
    void slotCompactDelayed();

private:
    friend class HvMeshModifierLock;
    struct Impl;
    std::unique_ptr<Impl> m;
};

// Scoped lock on one modifier's delta map.
class HvMeshModifierLock {
public:
    explicit HvMeshModifierLock(HvMeshModifier& modifier);
    ~HvMeshModifierLock();
    HvMeshModifierLock(HvMeshModifierLock const&) = delete;
    HvMeshModifierLock& operator=(HvMeshModifierLock const&) = delete;

private:
    std::mutex* m_pMutex;
};
