#pragma once

// What the framework needs to know of the plug-in it is built into. Declared here, defined by the plug-in
// (plugin/pf_globals.cpp), so that the framework names no plug-in file.

// Texts for titles, log lines and the settings group.
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
