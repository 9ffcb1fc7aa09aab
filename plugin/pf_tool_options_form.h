#pragma once

// The options pane's form, Ui_PfToolOptions: the Designer file pf_tool_options.ui compiled by uic. The
// form makes the controls, their texts and the tab order; the pane wires and fills them.
#include "ui_pf_tool_options.h"
