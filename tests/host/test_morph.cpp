#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>

#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"

namespace {

DzVec3 cached(DzNode& node, int i) {
    return static_cast<DzFacetMesh*>(node.getObject()->getCachedGeom())->getVertex(i);
}

}  // namespace

TEST(HostMorph, AMorphAddsItsDeltasScaledByItsOneFloatProperty) {
    std::unique_ptr<DzNode> node(dztest::makeNode("N", dztest::makeGrid(1, 1)));  // vertex 3 at (1, 1, 0)
    auto* deltas = new DzMorphDeltas;
    deltas->addDelta(3, {0, 0, 2}, false, 0);
    deltas->addDelta(-1, {9, 9, 9}, false, 0);
    deltas->addDelta(4, {9, 9, 9}, false, 0);  // beyond the mesh
    auto* morph = new DzMorph(deltas);
    ASSERT_EQ(morph->getNumProperties(), 1);
    auto* value = qobject_cast<DzFloatProperty*>(morph->getProperty(0));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value, morph->getValueProperty());
    EXPECT_EQ(morph->findProperty(value->getName()), value);
    node->getObject()->addModifier(morph);

    EXPECT_EQ(cached(*node, 3), DzVec3(1, 1, 0)) << "a new morph is dialled out";
    value->setValue(0.5f);  // the host evaluates again
    EXPECT_EQ(cached(*node, 3), DzVec3(1, 1, 1));
    EXPECT_EQ(cached(*node, 0), DzVec3(0, 0, 0));

    DzFacetMesh copy;
    copy.copyFrom(*static_cast<DzFacetMesh*>(node->getObject()->getCachedGeom()), false, true);
    morph->applyInverse(copy, *node);
    EXPECT_EQ(copy.getVertex(3), DzVec3(1, 1, 0));

    auto* other = new DzMorphDeltas;
    other->addDelta(0, {1, 0, 0}, false, 0);
    morph->setDeltas(other);
    EXPECT_EQ(cached(*node, 3), DzVec3(1, 1, 0));
    EXPECT_EQ(cached(*node, 0), DzVec3(0.5f, 0, 0));
    morph->setDeltas(nullptr);
    EXPECT_EQ(cached(*node, 0), DzVec3(0, 0, 0));
}

TEST(HostMorph, FloatPropertyClampsToItsRangeOnlyWhenClamped) {
    DzFloatProperty p("Dial", 5.0f);
    QSignalSpy changed(&p, &DzFloatProperty::currentValueChanged);
    p.setMinMax(0.0f, 1.0f);
    EXPECT_EQ(p.getValue(), 5.0);
    p.setIsClamped(true);
    EXPECT_EQ(p.getValue(), 1.0);
    p.setValue(-3.0f);
    EXPECT_EQ(p.getValue(), 0.0);
    p.setValue(0.0f);
    EXPECT_EQ(changed.count(), 2) << "a value that does not change emits nothing";
    p.setIsClamped(false);
    p.setValue(-3.0f);
    EXPECT_EQ(p.getValue(), -3.0);
}

TEST(HostMorph, DeltaSetsAppendOrReplaceEntries) {
    DzMorphDeltas d;
    d.preSize(4);
    d.addDelta(2, {1, 0, 0}, true, 0);
    d.addDelta(5, {2, 0, 0}, true, 0);
    d.addDelta(2, {3, 0, 0}, true, 0);   // replaces
    d.addDelta(5, {4, 0, 0}, false, 0);  // appends a second entry
    ASSERT_EQ(d.getNumDeltas(), 3);
    EXPECT_EQ(d.getDeltaIndex(0), 2);
    EXPECT_EQ(d.getDelta(0), DzVec3(3, 0, 0));
    EXPECT_EQ(d.getDeltaIndex(1), 5);
    EXPECT_EQ(d.getDeltaIndex(2), 5);
    EXPECT_EQ(d.getDelta(2), DzVec3(4, 0, 0));
}
