#pragma once

// pfhost's Parameters dock: the primary node's properties by group path as a tree, a slider for every float
// property and a favourite mark that can be toggled. Host classes only.

#include <QDockWidget>
#include <QList>
#include <QPointer>

class DzNode;
class DzProperty;
class QTreeWidget;

class HostParamsDock : public QDockWidget {
    Q_OBJECT
public:
    explicit HostParamsDock(QWidget* parent);

    // Builds the tree again when the node's properties changed since the last build.
    void refresh();

signals:
    // A person changed a property's value or favourite mark here.
    void edited();

private:
    void rebuild(QList<DzProperty*> const& properties);
    // The node's properties in tree order.
    QList<DzProperty*> currentProperties() const;

    QTreeWidget* m_tree;
    QPointer<DzNode> m_node;
    QList<QPointer<DzProperty>> m_shown;
};
