#include "pf_globals.h"

// constexpr, so that they hold their values before any static initialiser of another file reads them (the
// plug-in definition is built from them while the library loads).
constexpr char const* const g_pcszPluginTitle = "Halvorin's Pullform";
constexpr char const* const g_pcszLogPrefix = "HvPullform: ";
constexpr char const* const g_pcszSettingsApp = "Halvorin's Pullform Plugin";

constexpr unsigned short const g_usPluginMajor = 3;
constexpr unsigned short const g_usPluginMinor = 0;
constexpr unsigned short const g_usPluginRevision = 1;
constexpr unsigned short const g_usPluginReleaseYear = 2020;
constexpr unsigned short const g_usPluginReleaseMonth = 9;
constexpr unsigned short const g_usPluginReleaseDay = 14;
