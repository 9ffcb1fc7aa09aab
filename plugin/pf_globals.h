#pragma once

// Texts the plug-in defines; the framework reads them for titles, log lines and the settings group.
extern char const* const g_pcszPluginTitle;
extern char const* const g_pcszLogPrefix;
extern char const* const g_pcszSettingsApp;
