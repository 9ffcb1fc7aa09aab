#pragma once

#include <vector>

#include "dzstorable.h"
#include "dzvec3.h"

// The offsets of a morph: entries of vertex index and offset, in the order added.
class DzMorphDeltas : public DzStorable {
public:
    DzMorphDeltas() = default;
    ~DzMorphDeltas() override = default;

    int getNumDeltas() const { return int(m_indices.size()); }
    // Entry i, 0 <= i < getNumDeltas().
    int getDeltaIndex(int i) const { return m_indices[size_t(i)]; }
    DzVec3 getDelta(int i) const { return m_deltas[size_t(i)]; }

    // Room for that many entries.
    void preSize(int count);
    // Appends an entry. With replace, an entry the vertex has already takes the new offset instead. The flags
    // byte is not used by this host.
    void addDelta(int index, DzVec3 const& delta, bool replace, unsigned char flags);
    void clear();

private:
    std::vector<int> m_indices;
    std::vector<DzVec3> m_deltas;
};
