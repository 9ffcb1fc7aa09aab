#pragma once

// The tool's private state, shared by the files that implement PfTool (pf_tool.cpp, pf_tool_pick.cpp,
// pf_tool_commands.cpp).
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "dznode.h"
#include "hv_worldmesh.h"
#include "pf_selection.h"
#include "pf_tool.h"

struct PfTool::Impl {
    std::unique_ptr<PfSelection> selection;
    bool connected = false;
    bool ignoreSceneSelectionChange = false;
    // Lives under the parent the host passed to getPane; guarded, since the host may destroy that parent.
    QPointer<QWidget> pane;
    std::unique_ptr<HvWorldMeshBaseWithModifiers> worldMesh;
    QPointer<DzNode> worldMeshNode;
    QTimer statsTimer;
    bool statsTimerConnected = false;
};
