#pragma once

// Host-internal: the steps of an object's evaluation around its modifier stack.

class DzNode;
class DzVertexMesh;

// Before the modifiers: the vertices made relative to the node's origin (untouched when it is exactly zero).
void dzMakeOriginRelative(DzVertexMesh& mesh, DzNode const& node);
// After them: the node's world transform on every vertex, then the scene's world-space modifiers in order.
void dzToWorldSpace(DzVertexMesh& mesh, DzNode& node);
