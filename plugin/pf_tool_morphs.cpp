// Reset, load and save of the whole delta set: the exchange of deltas with the node's morphs.
#include "pf_tool.h"

// Not yet: these commands are being built.
void PfTool::ResetAllDeltas() {}
void PfTool::LoadDeltasFromMorphs() {}
void PfTool::SaveDeltasToMorph() {}
