// What the tool selects (vertices, edges or faces), for a person (menu) and a script (pf-selection-type).
// Where pfhost links the plug-in's code it sets the type itself and offers a Pullform menu; where it loads
// the plug-in, the command runs the plug-in's own selection-type actions by class name, and the plug-in's
// actions sit in the menus they asked for.
#include <QAction>
#include <QActionGroup>
#include <QMenuBar>

#include <exception>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzmainwindow.h"
#include "pfhost_morphs.h"
#include "pfhost_tools.h"

#ifdef PFHOST_LINKS_PLUGIN
#include "pf_settings.h"
#include "pf_tool.h"
#else
#include "dzapp.h"
#endif

namespace {

#ifdef PFHOST_LINKS_PLUGIN
struct TypeName {
    char const* name;
    char const* label;
    PfSelectionType type;
};
TypeName const kTypes[] = {{"vertex", "&Vertices", PF_SELECTION_VERTEX},
                           {"edge", "&Edges", PF_SELECTION_EDGE},
                           {"face", "&Faces", PF_SELECTION_FACE}};

bool setSelectionType(PfSelectionType type, QString& error) {
    try {
        PfTool::SetSelectionTypeOrThrow(type, false, true);
        return true;
    } catch (std::exception const& e) {
        error = QString::fromUtf8(e.what());
        return false;
    }
}
#else
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
#endif

}  // namespace

std::map<QString, PfHostCommand> pluginScriptCommands() {
    std::map<QString, PfHostCommand> commands;
    commands[QStringLiteral("pf-selection-type")] = [](QStringList const& args, QString& error) {
        for (TypeName const& t : kTypes)
            if (args.size() == 1 && args[0] == QLatin1String(t.name))
#ifdef PFHOST_LINKS_PLUGIN
                return setSelectionType(t.type, error);
#else
                return runSelectionTypeAction(t.actionClass, error);
#endif
        error = QStringLiteral("usage: pf-selection-type vertex|edge|face");
        return false;
    };
    addPluginDragCommands(commands);
    addWidgetScriptCommands(commands);
    addPluginMorphCommands(commands);
    return commands;
}

void addPluginMenus(DzMainWindow* window) {
#ifdef PFHOST_LINKS_PLUGIN
    QMenu* menu = window->menuBar()->addMenu(QStringLiteral("&Pullform"));
    auto* group = new QActionGroup(menu);
    for (TypeName const& t : kTypes) {
        QAction* action = group->addAction(QString::fromLatin1(t.label));
        action->setCheckable(true);
        PfSelectionType const type = t.type;
        QObject::connect(action, &QAction::triggered, menu, [type] {
            QString error;
            setSelectionType(type, error);
        });
        menu->addAction(action);
    }
    // The marks follow the setting, whoever changed it, when the menu opens.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [group] {
        QList<QAction*> const actions = group->actions();
        for (int i = 0; i < actions.size(); ++i)
            actions[i]->setChecked(PfTool::GetSelectionType() == kTypes[i].type);
    });
#else
    (void)window;
#endif
}
