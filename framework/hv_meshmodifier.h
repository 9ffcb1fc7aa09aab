#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "dzmodifier.h"
#include "dzsceneasset.h"
#include "hv_geometry.h"
#include "hv_meshmodifier_offsets.h"

class DzNode;
class DzObject;
class DzVertexMesh;

class HvMeshModifierLock;

// A host modifier that keeps per-vertex deltas and adds them to the mesh at every evaluation. The object's
// own geometry is never changed. Writers never emit currentValueChanged() themselves: the caller that wants
// the viewport to follow calls emitCurrentValueChanged() after its writes.
class HvMeshModifier : public DzModifier, public DzSceneAsset {
    Q_OBJECT
public:
    // How a write combines a value with the vertex's entry (made from zero where there is none). mergeDeltas
    // adds or subtracts (its AddOrSubtract; any value but Add subtracts); the drag assigns.
    enum class WriteMode : uint32_t { Add = 0, Subtract = 1, Assign = 2 };
    using AddOrSubtract = WriteMode;

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

    // The one ordered write into an offsets map (the modifier's own under its lock, or any other): values are
    // (vertex, offset) pairs in strictly ascending vertex order, an HvVertexOffsets or a vector of pairs. A
    // sorted merge: in place when every vertex has an entry already, else into a new array; large writes are
    // split on the thread pool when called from the GUI thread.
    template <class Pairs>
    static void WriteOrdered(HvVertexOffsets& map, Pairs const& values, WriteMode mode) {
        WriteOrderedArray(map, values.data(), values.size(), mode);
    }
    static void WriteOrderedArray(HvVertexOffsets& map, HvVertexOffsets::value_type const* values,
                                  size_t count, WriteMode mode);

signals:
    void assetModified();
    void assetWasSaved();

protected slots:
    void slotCompactDelayed();

private:
    friend class HvMeshModifierLock;
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
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
