// The host's facet-selection commands.
#include "dzfacetselaction.h"

#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzscene.h"
#include "dzobject.h"
#include "dzshape.h"

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
    return mesh.selectAllFacets();
}

DzFacetSelClearAction::DzFacetSelClearAction()
    : DzFacetSelAction(QStringLiteral("Select None"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)) {}

bool DzFacetSelClearAction::applyTo(DzFacetMesh& mesh) const {
    return mesh.deselectAllFacets();
}

DzFacetSelGrowAction::DzFacetSelGrowAction()
    : DzFacetSelAction(QStringLiteral("Grow Selection"), QKeySequence(Qt::CTRL | Qt::Key_Plus)) {}

bool DzFacetSelGrowAction::applyTo(DzFacetMesh& mesh) const {
    return mesh.growFacetSelection();
}

DzFacetSelShrinkAction::DzFacetSelShrinkAction()
    : DzFacetSelAction(QStringLiteral("Shrink Selection"), QKeySequence(Qt::CTRL | Qt::Key_Minus)) {}

bool DzFacetSelShrinkAction::applyTo(DzFacetMesh& mesh) const {
    return mesh.shrinkFacetSelection();
}

DzNode* DzFacetSelAction::primarySelectedNode() {
    DzScene* scene = dzScene;
    return scene ? scene->getPrimarySelection() : nullptr;
}
