// Until the plug-in's own actions exist, pfhost lets a person (menu) and a script (command) choose what the
// tool selects: vertices, edges or faces.
#include <QAction>
#include <QActionGroup>
#include <QMenuBar>

#include <exception>

#include "dzmainwindow.h"
#include "pfhost_morphs.h"
#include "pfhost_tools.h"

#if __has_include("pf_tool.h")
#include "pf_settings.h"
#include "pf_tool.h"
#define PFHOST_HAS_PF_TOOL 1
#endif

#ifdef PFHOST_HAS_PF_TOOL
namespace {

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

}  // namespace
#endif

std::map<QString, PfHostCommand> pluginScriptCommands() {
    std::map<QString, PfHostCommand> commands;
#ifdef PFHOST_HAS_PF_TOOL
    commands[QStringLiteral("pf-selection-type")] = [](QStringList const& args, QString& error) {
        for (TypeName const& t : kTypes)
            if (args.size() == 1 && args[0] == QLatin1String(t.name))
                return setSelectionType(t.type, error);
        error = QStringLiteral("usage: pf-selection-type vertex|edge|face");
        return false;
    };
#endif
    addPluginDragCommands(commands);
    addWidgetScriptCommands(commands);
    addPluginMorphCommands(commands);
    return commands;
}

void addPluginMenus(DzMainWindow* window) {
#ifdef PFHOST_HAS_PF_TOOL
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
