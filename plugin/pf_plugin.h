#pragma once

// What the host calls when it loads the library: the SDK version the plug-in is built against, and the
// plug-in's definition (its name, author, version, description, class factories and scene-file IO). Both are
// plain C names, so that the host finds them by name.

#include "dzversion.h"

class DzPlugin;

#if defined(_WIN32)
#define PF_PLUGIN_EXPORT __declspec(dllexport)
#else
#define PF_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
// 4.5.0.100.
PF_PLUGIN_EXPORT DzVersion getSDKVersion();
// The same definition on every call; complete before the host can call this.
PF_PLUGIN_EXPORT DzPlugin* getPluginDefinition();
}
