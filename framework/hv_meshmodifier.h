#pragma once

#include <QObject>
#include <cstdint>
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

// Per-vertex offsets in ascending vertex order, at most one per vertex. HvMeshModifier::WriteOrdered and
// HvOffsetsCursor are the ways to write and read it at many vertices; a change of its representation starts
// there.
using HvVertexOffsets = std::map<int32_t, HvVec3>;

// Reads offsets at ascending vertices: each lookup walks on from the previous one instead of searching from
// the root. A lookup out of order searches.
class HvOffsetsCursor {
public:
    explicit HvOffsetsCursor(HvVertexOffsets const& map) : m_pMap(&map), m_it(map.begin()) {}

    // The vertex's offset; null without an entry.
    HvVec3 const* find(int32_t vertex) {
        auto const end = m_pMap->end();
        if (m_it != end && m_it->first > vertex)
            m_it = m_pMap->lower_bound(vertex);
        while (m_it != end && m_it->first < vertex) ++m_it;
        return m_it != end && m_it->first == vertex ? &m_it->second : nullptr;
    }
    // The vertex's offset; zero without an entry.
    HvVec3 at(int32_t vertex) {
        HvVec3 const* offset = find(vertex);
        return offset ? *offset : HvVec3();
    }

private:
    HvVertexOffsets const* m_pMap;
    HvVertexOffsets::const_iterator m_it;
};

class HvMeshModifierLock;

// A host modifier that keeps per-vertex deltas and adds them to the mesh at every evaluation. The object's
// own geometry is never changed. Writers never emit currentValueChanged() themselves: the caller that wants
// the viewport to follow calls emitCurrentValueChanged() after its writes.
class HvMeshModifier : public DzModifier, public DzSceneAsset {
    Q_OBJECT
public:
    enum AddOrSubtract { Add = 0, Subtract = 1 };
    // How WriteOrdered combines a value with the vertex's entry (made from zero where there is none).
    enum WriteMode { WriteAssign, WriteAdd, WriteSubtract };

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
    // (vertex, offset) pairs in ascending vertex order, a map or a vector of pairs.
    template <class Pairs>
    static void WriteOrdered(HvVertexOffsets& map, Pairs const& values, WriteMode mode);
    // The map ends up holding exactly the values; written in place when it held the same vertices.
    template <class Pairs>
    static void ReplaceOrdered(HvVertexOffsets& map, Pairs const& values);

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

template <class Pairs>
void HvMeshModifier::WriteOrdered(HvVertexOffsets& map, Pairs const& values, WriteMode mode) {
    // A drag writes the same vertices at every mouse move, and undo and merges write runs of neighbours: the
    // entries are found by walking the map in step with the ascending values, a few steps at most before a
    // long gap is searched, and changed in place or made beside the walk.
    auto it = map.begin();
    for (auto const& [index, value] : values) {
        int steps = 0;
        while (it != map.end() && it->first < index && steps < 8) {
            ++it;
            ++steps;
        }
        if (it != map.end() && it->first < index)
            it = map.lower_bound(index);
        if (it == map.end() || it->first != index) {
            // A new entry is the value itself, as if added to zero.
            it = map.emplace_hint(
                it, index, mode == WriteSubtract ? HvVec3(-value.x, -value.y, -value.z) : HvVec3(value));
            ++it;
            continue;
        }
        HvVec3& d = it->second;
        switch (mode) {
            case WriteAssign:
                d = value;
                break;
            case WriteAdd:
                d.x += value.x;
                d.y += value.y;
                d.z += value.z;
                break;
            case WriteSubtract:
                d.x -= value.x;
                d.y -= value.y;
                d.z -= value.z;
                break;
        }
        ++it;
    }
}

template <class Pairs>
void HvMeshModifier::ReplaceOrdered(HvVertexOffsets& map, Pairs const& values) {
    if (map.size() != values.size())
        map.clear();
    WriteOrdered(map, values, WriteAssign);
    if (map.size() != values.size()) {
        // Other vertices than the map held: it holds exactly the values.
        map.clear();
        map.insert(values.begin(), values.end());
    }
}
