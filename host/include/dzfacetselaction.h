#pragma once

#include "dzaction.h"

class DzFacetMesh;
class DzNode;

// The host's own commands on the facet selection (facet flag 0x04) of the primary selected node's geometry.
// Hidden facets are never selected by them.
class DzFacetSelAction : public DzAction {
    Q_OBJECT
public:
    DzFacetSelAction(QString const& text, QKeySequence const& accel);
    QString getActionGroup() const override { return QStringLiteral("Geometry Selection"); }
    QKeySequence getDefaultAccel() const override { return m_accel; }
    void executeAction() override;

    // The change on one mesh; true when a flag changed.
    virtual bool applyTo(DzFacetMesh& mesh) const = 0;

protected:
    // The node whose geometry executeAction() works on: the scene's primary selection.
    static DzNode* primarySelectedNode();

private:
    QKeySequence m_accel;
};

// Selects every facet that is not hidden.
class DzFacetSelAllAction : public DzFacetSelAction {
    Q_OBJECT
public:
    DzFacetSelAllAction();
    bool applyTo(DzFacetMesh& mesh) const override;
};

// Deselects every facet.
class DzFacetSelClearAction : public DzFacetSelAction {
    Q_OBJECT
public:
    DzFacetSelClearAction();
    bool applyTo(DzFacetMesh& mesh) const override;
};

// Adds the facets that share a vertex with a selected one.
class DzFacetSelGrowAction : public DzFacetSelAction {
    Q_OBJECT
public:
    DzFacetSelGrowAction();
    bool applyTo(DzFacetMesh& mesh) const override;
};

// Drops the selected facets that share a vertex with an unselected one.
class DzFacetSelShrinkAction : public DzFacetSelAction {
    Q_OBJECT
public:
    DzFacetSelShrinkAction();
    bool applyTo(DzFacetMesh& mesh) const override;
};
