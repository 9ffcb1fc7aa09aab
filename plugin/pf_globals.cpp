#include "pf_globals.h"

char const* const g_pcszPluginTitle = "Halvorin's Pullform";
char const* const g_pcszLogPrefix = "HvPullform: ";
char const* const g_pcszSettingsApp = "Halvorin's Pullform Plugin";
