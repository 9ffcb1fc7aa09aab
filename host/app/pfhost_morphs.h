#pragma once

#include <map>

#include "pfhost_tools.h"

// The script's morph commands (morph-dial, morph-favorite, pf-run, answer) and checks (morph, pf-deltas).
void addPluginMorphCommands(std::map<QString, HostCommand>& commands);
void addPluginMorphChecks(std::map<QString, HostCheck>& checks);
