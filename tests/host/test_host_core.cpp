#include <gtest/gtest.h>

#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "dznode.h"
#include "dzobject.h"

TEST(HostMesh, GridCounts) {
    std::unique_ptr<DzFacetMesh> m(dztest::makeGrid(3, 2));
    EXPECT_EQ(m->getNumVertices(), 12);
    EXPECT_EQ(m->getNumFacets(), 6);
    EXPECT_EQ(m->getNumEdges(), 17);
}
