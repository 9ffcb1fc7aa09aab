// The plug-in's part of pfhost: its tools, and the script checks that read its state.
#include "pfhost_tools.h"

#include "dzviewportmgr.h"

#if __has_include("pf_tool.h")
#include <set>

#include "pf_selection.h"
#include "pf_tool.h"
#define PFHOST_HAS_PF_TOOL 1
#endif

void registerPluginTools(DzViewportMgr* mgr) {
    if (!mgr)
        return;
#ifdef PFHOST_HAS_PF_TOOL
    mgr->addTool(new PfTool);
#endif
}

#ifdef PFHOST_HAS_PF_TOOL
namespace {

QString describe(std::set<int> const& indices) {
    if (indices.empty())
        return QStringLiteral("none");
    QStringList parts;
    for (int i : indices) parts << QString::number(i);
    return parts.join(' ');
}

// "expect pf-faces I J ..." (or "none"): the active tool's set of that kind, exactly.
PfHostCheck selectionSetCheck(QString const& name, std::set<int> const& (*setOf)(PfSelection const&)) {
    return [name, setOf](QStringList const& args) -> QString {
        std::set<int> wanted;
        if (!(args.size() == 1 && args[0] == QLatin1String("none"))) {
            if (args.isEmpty())
                return QStringLiteral("usage: expect %1 I J ... | none").arg(name);
            for (QString const& arg : args) {
                bool ok = false;
                int const index = arg.toInt(&ok);
                if (!ok)
                    return QStringLiteral("expect %1: \"%2\" is not an index").arg(name, arg);
                wanted.insert(index);
            }
        }
        PfTool* tool = PfTool::GetActive();
        if (!tool)
            return QStringLiteral("expect %1: the Pullform tool is not active").arg(name);
        PfSelection const* selection = tool->getSelection();
        std::set<int> const found = selection ? setOf(*selection) : std::set<int>();
        if (found != wanted)
            return QStringLiteral("expected %1 %2, found %3").arg(name, describe(wanted), describe(found));
        return QString();
    };
}

}  // namespace
#endif

std::map<QString, PfHostCheck> pluginScriptChecks() {
    std::map<QString, PfHostCheck> checks;
#ifdef PFHOST_HAS_PF_TOOL
    checks[QStringLiteral("pf-faces")] =
        selectionSetCheck(QStringLiteral("pf-faces"),
                          [](PfSelection const& s) -> std::set<int> const& { return s.getSelectedFacets(); });
    checks[QStringLiteral("pf-edges")] =
        selectionSetCheck(QStringLiteral("pf-edges"),
                          [](PfSelection const& s) -> std::set<int> const& { return s.getSelectedEdges(); });
    checks[QStringLiteral("pf-vertices")] = selectionSetCheck(
        QStringLiteral("pf-vertices"),
        [](PfSelection const& s) -> std::set<int> const& { return s.getSelectedVertices(); });
#endif
    return checks;
}
