// The host's facet-selection commands.
#include "dzfacetselaction.h"

#include <vector>

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzshape.h"

namespace {

bool isHidden(unsigned char flags) {
    return (flags & DZ_FACET_HIDDEN) != 0;
}
bool isSelected(unsigned char flags) {
    return (flags & DZ_FACET_SELECTED) != 0;
}

// One flag per vertex: true when a facet for which `test` holds uses it.
template <typename Test>
std::vector<char> markVertices(DzFacetMesh const& mesh, Test test) {
    std::vector<char> marked(size_t(mesh.getNumVertices()), 0);
    unsigned char const* flags = mesh.getFacetFlagsPtr();
    for (int f = 0; f < mesh.getNumFacets(); ++f) {
        if (!test(flags[f]))
            continue;
        DzFacet const& facet = mesh.getFacet(f);
        for (int c = 0; c < facet.getNumCorners(); ++c)
            if (facet.m_vertIdx[c] >= 0 && facet.m_vertIdx[c] < mesh.getNumVertices())
                marked[size_t(facet.m_vertIdx[c])] = 1;
    }
    return marked;
}

bool usesMarked(DzFacetMesh const& mesh, int f, std::vector<char> const& marked) {
    DzFacet const& facet = mesh.getFacet(f);
    for (int c = 0; c < facet.getNumCorners(); ++c) {
        int v = facet.m_vertIdx[c];
        if (v >= 0 && size_t(v) < marked.size() && marked[size_t(v)])
            return true;
    }
    return false;
}

}  // namespace

DzFacetSelAction::DzFacetSelAction(QString const& text, QKeySequence const& accel)
    : DzAction(text, text), m_accel(accel) {}

void DzFacetSelAction::executeAction() {
    DzNode* node = primarySelectedNode();
    DzObject* object = node ? node->getObject() : nullptr;
    DzShape* shape = object ? object->getCurrentShape() : nullptr;
    DzFacetMesh* mesh = shape ? shape->getGeometry() : nullptr;
    if (mesh && applyTo(*mesh))
        object->invalidateCache();
}

DzFacetSelAllAction::DzFacetSelAllAction()
    : DzFacetSelAction(QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A)) {}

bool DzFacetSelAllAction::applyTo(DzFacetMesh& mesh) const {
    bool changed = false;
    unsigned char* flags = mesh.getFacetFlagsPtr();
    for (int f = 0; f < mesh.getNumFacets(); ++f)
        if (!isHidden(flags[f]) && !isSelected(flags[f])) {
            flags[f] |= DZ_FACET_SELECTED;
            changed = true;
        }
    return changed;
}

DzFacetSelClearAction::DzFacetSelClearAction()
    : DzFacetSelAction(QStringLiteral("Select None"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)) {}

bool DzFacetSelClearAction::applyTo(DzFacetMesh& mesh) const {
    bool changed = false;
    unsigned char* flags = mesh.getFacetFlagsPtr();
    for (int f = 0; f < mesh.getNumFacets(); ++f)
        if (isSelected(flags[f])) {
            flags[f] &= static_cast<unsigned char>(~DZ_FACET_SELECTED);
            changed = true;
        }
    return changed;
}

DzFacetSelGrowAction::DzFacetSelGrowAction()
    : DzFacetSelAction(QStringLiteral("Grow Selection"), QKeySequence(Qt::CTRL | Qt::Key_Plus)) {}

bool DzFacetSelGrowAction::applyTo(DzFacetMesh& mesh) const {
    std::vector<char> selectedVerts = markVertices(mesh, isSelected);
    bool changed = false;
    unsigned char* flags = mesh.getFacetFlagsPtr();
    for (int f = 0; f < mesh.getNumFacets(); ++f)
        if (!isHidden(flags[f]) && !isSelected(flags[f]) && usesMarked(mesh, f, selectedVerts)) {
            flags[f] |= DZ_FACET_SELECTED;
            changed = true;
        }
    return changed;
}

DzFacetSelShrinkAction::DzFacetSelShrinkAction()
    : DzFacetSelAction(QStringLiteral("Shrink Selection"), QKeySequence(Qt::CTRL | Qt::Key_Minus)) {}

bool DzFacetSelShrinkAction::applyTo(DzFacetMesh& mesh) const {
    std::vector<char> unselectedVerts = markVertices(mesh, [](unsigned char f) { return !isSelected(f); });
    bool changed = false;
    unsigned char* flags = mesh.getFacetFlagsPtr();
    for (int f = 0; f < mesh.getNumFacets(); ++f)
        if (isSelected(flags[f]) && usesMarked(mesh, f, unselectedVerts)) {
            flags[f] &= static_cast<unsigned char>(~DZ_FACET_SELECTED);
            changed = true;
        }
    return changed;
}

// The scene keeps no selection yet, so the commands find no node to act on.
DzNode* DzFacetSelAction::primarySelectedNode() {
    return nullptr;
}
