#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "hv_geometry.h"

class DzFacetMesh;
class DzModifier;
class DzNode;
class DzObject;

// A private world-space copy of a node's base facet mesh as the user sees it: made relative to the node's
// origin, every modifier of its object applied in list order (the plug-in's own included), carried into world
// space by the node's world transform and run through the scene's world-space modifiers. Same vertex and
// facet numbering as the base mesh. A snapshot: it does not follow later changes of the node.
class HvWorldMeshBaseWithModifiers : public HvMeshBase {
public:
    // Never throws; the mesh stays null when the node has no usable geometry.
    explicit HvWorldMeshBaseWithModifiers(DzNode& node);
    ~HvWorldMeshBaseWithModifiers();
    HvWorldMeshBaseWithModifiers(HvWorldMeshBaseWithModifiers const&) = delete;
    HvWorldMeshBaseWithModifiers& operator=(HvWorldMeshBaseWithModifiers const&) = delete;

    // A copy of the node's base mesh minus its origin; none without usable geometry. The count is written
    // only when a copy is made.
    static std::unique_ptr<DzFacetMesh> CopyBaseMeshVerticesMinusOrigin(DzNode& node,
                                                                        size_t* pVertexCount = nullptr);
    // The node's local mesh as its object's modifier stack makes it, the one place that walks the stack: the
    // copy above, then every modifier of object in list order but skip. The modifiers after skip are appended
    // to after when given. None without usable geometry.
    static std::unique_ptr<DzFacetMesh> CopyLocalMeshWithModifiers(DzNode& node, DzObject* object,
                                                                   DzModifier const* skip = nullptr,
                                                                   std::vector<DzModifier*>* after = nullptr);
    // The host's own base mesh of the node (not a copy); null without object, shape, facet mesh or vertices.
    static DzFacetMesh* GetBaseGeometryFromShape(DzNode& node, size_t* pVertexCount = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
