#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class DzMainWindow;
class DzViewportMgr;

// The plug-in's tools that pfhost makes itself until the plug-in library is loaded through its
// registration; each is added to the viewport manager.
void registerPluginTools(DzViewportMgr* mgr);

// A check of the script's "expect NAME ARGS...": an empty result passes, any other text is the failure.
using PfHostCheck = std::function<QString(QStringList const& args)>;
// Checks that the plug-in's code offers, by name (the built-in ones are in the script runner).
std::map<QString, PfHostCheck> pluginScriptChecks();

// A script command that the plug-in's code offers: false with the reason (a usage text for wrong arguments).
using PfHostCommand = std::function<bool(QStringList const& args, QString& error)>;
std::map<QString, PfHostCommand> pluginScriptCommands();
// Adds the commands that drive the gizmo and compare meshes (pf-gizmo-drag, pf-gizmo-rotate, pf-falloff,
// pf-mesh-snapshot, pf-summary).
void addPluginDragCommands(std::map<QString, PfHostCommand>& commands);
// Commands and the check that operate the windows' controls by object name (widget-check, widget-slider,
// widget-text, widget-click, dialog-step; expect widget), in pfhost_script_widgets.cpp.
void addWidgetScriptCommands(std::map<QString, PfHostCommand>& commands);
void addWidgetScriptChecks(std::map<QString, PfHostCheck>& checks);
// The plug-in's menu entries that pfhost offers until the plug-in's own actions exist.
void addPluginMenus(DzMainWindow* window);
