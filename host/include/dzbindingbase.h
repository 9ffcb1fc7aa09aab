#pragma once

#include "dzmatrix3.h"
#include "dzmodifier.h"

// Host-internal base of the two binding modifiers: poses the mesh by one affine transform and takes it back
// out.
class DzBindingBase : public DzModifier {
    Q_OBJECT
public:
    explicit DzBindingBase(QObject* parent = nullptr) : DzModifier(parent) {}

    int apply(DzVertexMesh& mesh, DzNode& node) override;
    int applyInverse(DzVertexMesh& mesh, DzNode& node) override;

    DzMatrix3 const& getPose() const { return m_pose; }
    void setPose(DzMatrix3 const& pose);

private:
    DzMatrix3 m_pose;
};
