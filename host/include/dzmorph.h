#pragma once

#include <memory>

#include "dzmodifier.h"

class DzFloatProperty;
class DzMorphDeltas;

// A shape change: adds its deltas, scaled by its one float property's value, to the mesh. The value property
// is property 0 and the only one.
class DzMorph : public DzModifier {
    Q_OBJECT
public:
    // Takes the delta set (may be null).
    explicit DzMorph(DzMorphDeltas* deltas = nullptr);
    ~DzMorph() override;

    DzMorphDeltas* getDeltas() const { return m_deltas.get(); }
    // Takes the new set and deletes the old one; label, property and value stay.
    void setDeltas(DzMorphDeltas* deltas);

    DzFloatProperty* getValueProperty() const { return m_value; }

    int apply(DzVertexMesh& mesh, DzNode& node) override;
    int applyInverse(DzVertexMesh& mesh, DzNode& node) override;

private:
    int addScaled(DzVertexMesh& mesh, float sign) const;

    std::unique_ptr<DzMorphDeltas> m_deltas;
    DzFloatProperty* m_value;  // owned as the element's property
};
