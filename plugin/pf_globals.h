#pragma once

// Texts the plug-in defines; the framework reads them for titles, log lines and the settings group.
extern char const* const g_pcszPluginTitle;
extern char const* const g_pcszLogPrefix;
extern char const* const g_pcszSettingsApp;

// The plug-in's version and release date, shown in window titles.
extern unsigned short const g_usPluginMajor;
extern unsigned short const g_usPluginMinor;
extern unsigned short const g_usPluginRevision;
extern unsigned short const g_usPluginReleaseYear;
extern unsigned short const g_usPluginReleaseMonth;
extern unsigned short const g_usPluginReleaseDay;
