#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

// Loads the plug-ins of the folder (empty: the default one, where the build puts HV_pullform) into the
// host. The messages of the plug-ins refused.
QStringList loadPlugins(QString const& folder);

// A check of the script's "expect NAME ARGS...": an empty result passes, any other text is the failure.
using HostCheck = std::function<QString(QStringList const& args)>;
// Checks that the plug-in's code offers, by name (the built-in ones are in the script runner).
std::map<QString, HostCheck> pluginScriptChecks();

// A script command that the plug-in's code offers: false with the reason (a usage text for wrong arguments).
using HostCommand = std::function<bool(QStringList const& args, QString& error)>;
std::map<QString, HostCommand> pluginScriptCommands();
// Adds the commands that drive the gizmo and compare meshes (pf-gizmo-drag, pf-gizmo-rotate, pf-falloff,
// pf-mesh-snapshot, pf-summary).
void addPluginDragCommands(std::map<QString, HostCommand>& commands);
// Commands and the check that operate the windows' controls by object name (widget-check, widget-slider,
// widget-text, widget-click; expect widget), in pfhost_script_widgets.cpp.
void addWidgetScriptCommands(std::map<QString, HostCommand>& commands);
void addWidgetScriptChecks(std::map<QString, HostCheck>& checks);
