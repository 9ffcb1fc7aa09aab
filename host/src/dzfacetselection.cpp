// The host's own facet selection on the facet flag bytes, and face groups.
#include "dzfacegroup.h"
#include "dzfacetmesh.h"

#include <vector>

DzIndexList::DzIndexList(QString const& name) {
    setName(name);
}

DzIndexList::~DzIndexList() = default;

DzFaceGroup::DzFaceGroup(QString const& name) : DzIndexList(name) {}

DzFaceGroup::~DzFaceGroup() = default;

namespace {

constexpr unsigned char kSelected = DZ_FACET_SELECTED;
constexpr unsigned char kHidden = DZ_FACET_HIDDEN;

// One mark per vertex: set when a facet whose flags pass `test` uses it.
template <typename Test>
std::vector<char> markVertices(DzFacetMesh const& mesh, Test test) {
    int const nv = mesh.getNumVertices();
    std::vector<char> marked(size_t(nv), 0);
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    for (int f = 0, nf = mesh.getNumFacets(); f < nf; ++f) {
        if (!test(flags[f]))
            continue;
        DzFacet const& facet = mesh.getFacet(f);
        for (int c = 0; c < facet.getNumCorners(); ++c)
            if (facet.m_vertIdx[c] >= 0 && facet.m_vertIdx[c] < nv)
                marked[size_t(facet.m_vertIdx[c])] = 1;
    }
    return marked;
}

bool usesMarked(DzFacetMesh const& mesh, int f, std::vector<char> const& marked) {
    DzFacet const& facet = mesh.getFacet(f);
    for (int c = 0; c < facet.getNumCorners(); ++c) {
        int const v = facet.m_vertIdx[c];
        if (v >= 0 && size_t(v) < marked.size() && marked[size_t(v)])
            return true;
    }
    return false;
}

}  // namespace

bool DzFacetMesh::selectFacets(DzFaceGroup const* group) {
    if (!group)
        return false;
    bool changed = false;
    int const nf = getNumFacets();
    for (int i = 0, n = group->count(); i < n; ++i) {
        int const f = group->getIndex(i);
        if (f < 0 || f >= nf || (m_flags[size_t(f)] & kSelected))
            continue;
        m_flags[size_t(f)] |= kSelected;
        changed = true;
    }
    return changed;
}

bool DzFacetMesh::selectAllFacets() {
    bool changed = false;
    for (unsigned char& fl : m_flags)
        if (!(fl & (kHidden | kSelected))) {
            fl |= kSelected;
            changed = true;
        }
    return changed;
}

bool DzFacetMesh::deselectAllFacets() {
    bool changed = false;
    for (unsigned char& fl : m_flags)
        if (fl & kSelected) {
            fl &= static_cast<unsigned char>(~kSelected);
            changed = true;
        }
    return changed;
}

bool DzFacetMesh::growFacetSelection() {
    std::vector<char> const selectedVerts =
        markVertices(*this, [](unsigned char fl) { return (fl & kSelected) != 0; });
    bool changed = false;
    for (int f = 0, nf = getNumFacets(); f < nf; ++f) {
        unsigned char& fl = m_flags[size_t(f)];
        if (!(fl & (kHidden | kSelected)) && usesMarked(*this, f, selectedVerts)) {
            fl |= kSelected;
            changed = true;
        }
    }
    return changed;
}

bool DzFacetMesh::shrinkFacetSelection() {
    std::vector<char> const unselectedVerts =
        markVertices(*this, [](unsigned char fl) { return (fl & kSelected) == 0; });
    bool changed = false;
    for (int f = 0, nf = getNumFacets(); f < nf; ++f) {
        unsigned char& fl = m_flags[size_t(f)];
        if ((fl & kSelected) && usesMarked(*this, f, unselectedVerts)) {
            fl &= static_cast<unsigned char>(~kSelected);
            changed = true;
        }
    }
    return changed;
}

int DzFacetMesh::getNumSelectedFacets() const {
    int n = 0;
    for (unsigned char fl : m_flags)
        if (fl & kSelected)
            ++n;
    return n;
}

bool DzFacetMesh::isFacetSelected(int facet) const {
    return facet >= 0 && facet < getNumFacets() && (m_flags[size_t(facet)] & kSelected);
}

void DzFacetMesh::setFacetHidden(int facet, bool hidden) {
    if (facet < 0 || facet >= getNumFacets())
        return;
    unsigned char& fl = m_flags[size_t(facet)];
    if (hidden)
        fl = static_cast<unsigned char>((fl | kHidden) & ~kSelected);
    else
        fl &= static_cast<unsigned char>(~kHidden);
}
