#pragma once

#include <QString>

class DzFacetMesh;
class DzNode;

namespace dztest {

// nx by ny quads on the XY plane, (nx + 1) * (ny + 1) vertices, from (0, 0) to (nx * step, ny * step);
// vertex (i, j) has index j * (nx + 1) + i, facet (i, j) index j * nx + i.
DzFacetMesh* makeGrid(int nx, int ny, float step = 1.0f);

// Axis-aligned cube of side `size` centred at the origin, each face split into n by n quads.
DzFacetMesh* makeCube(int n, float size = 2.0f);

// UV sphere of the radius: `rings` bands from pole to pole, `segments` around; triangle fans at the poles.
// 2 + (rings - 1) * segments vertices.
DzFacetMesh* makeSphere(int rings, int segments, float radius = 1.0f);

// A node named `name` whose object's shape holds the mesh (ownership passes to the node).
DzNode* makeNode(QString const& name, DzFacetMesh* mesh);

}  // namespace dztest
