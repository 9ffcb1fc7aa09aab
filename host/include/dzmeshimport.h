#pragma once

#include <QString>

class DzNode;

// Reads a mesh file of any format assimp reads into a new node named after the file (its complete base name),
// whose object's shape holds one finalized facet mesh:
// - every polygon mesh of the file, placed by the file's node transforms, merged into it (a mesh that several
//   file nodes name is added once for each); points and lines are left out;
// - vertices at the same position joined, across the file's meshes too, so the mesh is connected where the
//   model is; vertices no polygon uses are dropped;
// - triangles and quads kept as they are; a convex polygon of more corners is split into a fan of quads from
//   its first corner (a triangle closing an odd count), any other into triangles by ear clipping;
// - corners that collapse onto one vertex removed, facets left with fewer than three corners dropped.
// Returns null on failure, with a message naming the file and the reason in *error when given. The caller
// owns the node.
DzNode* dzImportMesh(QString const& path, QString* error = nullptr);
