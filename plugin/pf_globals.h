#pragma once

// The plug-in defines, in pf_globals.cpp, what the framework declares it needs.
#include "hv_globals.h"
