// What the tool selects (vertices, edges or faces), for a script (pf-selection-type): the command runs the
// plug-in's own selection-type actions by class name; a person finds them in the menus they asked for.
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzmainwindow.h"
#include "pfhost_morphs.h"
#include "pfhost_tools.h"

#include "dzapp.h"

namespace {

struct TypeName {
    char const* name;
    char const* actionClass;
};
TypeName const kTypes[] = {{"vertex", "PfVertexSelectionAction"},
                           {"edge", "PfEdgeSelectionAction"},
                           {"face", "PfFaceSelectionAction"}};

// The action drops a failure silently; its check mark says whether the type was taken.
bool runSelectionTypeAction(char const* className, QString& error) {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    DzActionMgr* actions = window ? window->getActionMgr() : nullptr;
    DzAction* action = actions ? actions->findAction(QLatin1String(className)) : nullptr;
    if (!action) {
        error =
            QStringLiteral("there is no action %1 (is the plug-in loaded?)").arg(QLatin1String(className));
        return false;
    }
    action->trigger();
    if (action->isCheckable() && !action->isChecked()) {
        error = QStringLiteral("%1 did not take the selection type").arg(QLatin1String(className));
        return false;
    }
    return true;
}

}  // namespace

std::map<QString, HostCommand> pluginScriptCommands() {
    std::map<QString, HostCommand> commands;
    commands[QStringLiteral("pf-selection-type")] = [](QStringList const& args, QString& error) {
        for (TypeName const& t : kTypes)
            if (args.size() == 1 && args[0] == QLatin1String(t.name))
                return runSelectionTypeAction(t.actionClass, error);
        error = QStringLiteral("usage: pf-selection-type vertex|edge|face");
        return false;
    };
    addPluginDragCommands(commands);
    addWidgetScriptCommands(commands);
    addPluginMorphCommands(commands);
    return commands;
}
