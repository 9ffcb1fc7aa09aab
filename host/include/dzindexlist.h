#pragma once

#include <vector>

#include "dzbase.h"

// A named list of indices (facets of a mesh, for a face group), in the order added.
class DzIndexList : public DzBase {
    Q_OBJECT
public:
    explicit DzIndexList(QString const& name = QString());
    ~DzIndexList() override;

    void addIndex(int index) { m_indices.push_back(index); }
    int count() const { return int(m_indices.size()); }
    bool isEmpty() const { return m_indices.empty(); }
    int getIndex(int i) const { return m_indices[size_t(i)]; }
    int const* getIndicesPtr() const { return m_indices.data(); }
    void clear() { m_indices.clear(); }

private:
    std::vector<int> m_indices;
};
