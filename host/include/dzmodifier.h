#pragma once

#include "dzelement.h"

class DzNode;
class DzVertexMesh;

// A step of an object's modifier stack. apply may run on any thread and must change only the mesh it is
// given.
class DzModifier : public DzElement {
    Q_OBJECT
public:
    explicit DzModifier(QObject* parent = nullptr) : DzElement(parent) {}
    ~DzModifier() override = default;

    // 0 is no error.
    virtual int apply(DzVertexMesh& mesh, DzNode& node) = 0;
    virtual int applyInverse(DzVertexMesh& mesh, DzNode& node) = 0;

signals:
    // The modifier's effect changed: its object evaluates its stack again.
    void currentValueChanged();
};
