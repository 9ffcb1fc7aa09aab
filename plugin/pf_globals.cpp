#include "pf_globals.h"

char const* const g_pcszPluginTitle = "Halvorin's Pullform";
char const* const g_pcszLogPrefix = "HvPullform: ";
char const* const g_pcszSettingsApp = "Halvorin's Pullform Plugin";

unsigned short const g_usPluginMajor = 3;
unsigned short const g_usPluginMinor = 0;
unsigned short const g_usPluginRevision = 1;
unsigned short const g_usPluginReleaseYear = 2020;
unsigned short const g_usPluginReleaseMonth = 9;
unsigned short const g_usPluginReleaseDay = 14;
