#pragma once

#include "pf_flags.h"
#include "pf_settings.h"

class DzFacetMesh;
class DzNode;
class PfModifier;
class PfTool;

// What a selection asks of the tool that owns it, and nothing more: the world-space copy of its node,
// redraws, the pane's statistics, and the commands that follow a change the selection made. PfTool implements
// it; the selection never reaches the tool, the active tool or the pane any other way.
class PfSelectionOwner {
public:
    // Whether a gizmo lock that changed nothing still redraws.
    enum class Redraw : bool { OnChange = false, Always = true };

    // The owner's world-space copy of the node (its mesh with every modifier applied); null without a mesh.
    virtual DzFacetMesh* worldMesh(DzNode& node) = 0;
    // The deltas changed wholesale: the copy is made again when next needed.
    virtual void dropWorldMesh() = 0;
    // Drops what the flags name and redraws.
    virtual void invalidateAndRedraw(PfInvalidateFlags flags) = 0;
    // The selection sets or the deltas changed: the pane's statistics follow a little later.
    virtual void statisticsChanged() = 0;
    // A drag put the gizmo where the user wants it: every gizmo of the selection stays in place, the pane's
    // lock box follows.
    virtual void lockGizmosInPlace(Redraw redraw) = 0;
    // A snapshot of this selection type was restored: the settings, the actions and the pane follow.
    virtual void selectionTypeRestored(PfSelectionType type) = 0;
    // While the selection lives the owner follows its node's moves and its modifier's changes (null: none).
    virtual void follow(DzNode& node, PfModifier* modifier) = 0;
    virtual void unfollow(DzNode* node, PfModifier* modifier) = 0;

protected:
    ~PfSelectionOwner() = default;
};

// The owner interface of a tool, so that a selection made for a tool needs no more of it than this.
PfSelectionOwner* PfSelectionOwnerOf(PfTool* tool);
