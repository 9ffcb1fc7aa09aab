// The tool's commands: selection type, select all and clear, grow and shrink, gizmo lock and orientation,
// falloff radius and curve.
#include "pf_tool.h"

// Not yet: these commands are being built.
void PfTool::SelectAll(bool) {}
void PfTool::GrowOrShrinkSelection(bool) {}
int PfTool::GetGizmoLockInPlace() { return 0; }
void PfTool::SetGizmoOrientation(PfGizmoOrientation, bool) {}
bool PfTool::GrowOrShrinkFalloffRadius(bool, bool) { return false; }
void PfTool::SetFalloffMode(PfFalloffMode, bool) {}
