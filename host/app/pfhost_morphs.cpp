// Morphs in script mode: dial and favourite them, run the plug-in's exchange of deltas with them, and check
// what they hold.
#include "pfhost_morphs.h"

#include <cmath>
#include <limits>

#include "dzfloatproperty.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzmainwindow.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"
#include "pfhost_answers.h"
#include "pfhost_script_args.h"

#include <QMetaObject>
#include <QVariantMap>

namespace {

// The plug-in's operations that a script runs, reached by name as a host's scripting reaches them: the
// plug-in's action of that class, or else the slot of that name on the tool.
struct PluginOperation {
    char const* name;
    char const* actionClass;
    char const* toolSlot;
};
PluginOperation const kOperations[] = {
    {"reset", "PfResetAllDeltasAction", nullptr},
    {"load", nullptr, "loadDeltasFromMorphs"},
    {"save", nullptr, "saveDeltasToMorph"},
};

// The Pullform tool while it is the active one; null otherwise.
DzViewTool* activePullformTool() {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    DzViewportMgr* mgr = window ? window->getViewportMgr() : nullptr;
    DzViewTool* tool = mgr ? mgr->getActiveTool() : nullptr;
    return tool && tool->inherits("PfTool") ? tool : nullptr;
}

bool runOperation(PluginOperation const& op, QString& error) {
    DzViewTool* tool = activePullformTool();
    if (!tool) {
        error = QStringLiteral("the Pullform tool is not active");
        return false;
    }
    if (op.actionClass) {
        DzActionMgr* actions = dzApp->getInterface()->getActionMgr();
        DzAction* action = actions ? actions->findAction(QLatin1String(op.actionClass)) : nullptr;
        if (!action) {
            error = QStringLiteral("there is no action %1 (is the plug-in loaded?)")
                        .arg(QLatin1String(op.actionClass));
            return false;
        }
        action->trigger();
        return true;
    }
    if (!QMetaObject::invokeMethod(tool, op.toolSlot, Qt::DirectConnection)) {
        error = QStringLiteral("the Pullform tool offers no %1()").arg(QLatin1String(op.toolSlot));
        return false;
    }
    return true;
}

DzMorph* findMorph(QString const& name, QString& error) {
    DzNode* node = dzScene ? dzScene->getPrimarySelection() : nullptr;
    DzObject* object = node ? node->getObject() : nullptr;
    if (!object) {
        error = QStringLiteral("no primary node with geometry");
        return nullptr;
    }
    for (int i = 0; i < object->getNumModifiers(); ++i)
        if (auto* morph = qobject_cast<DzMorph*>(object->getModifier(i)); morph && morph->getName() == name)
            return morph;
    error = QStringLiteral("the primary node has no morph %1").arg(pfHostQuoted(name));
    return nullptr;
}

}  // namespace

void addPluginMorphCommands(std::map<QString, HostCommand>& commands) {
    commands[QStringLiteral("answer")] = [](QStringList const& args, QString& error) {
        return pfHostQueueAnswer(args, error);
    };
    commands[QStringLiteral("morph-dial")] = [](QStringList const& args, QString& error) {
        if (args.size() != 2) {
            error = QStringLiteral("usage: morph-dial NAME VALUE");
            return false;
        }
        double const inf = std::numeric_limits<double>::infinity();
        double value = 0;
        if (!pfHostParseNumber(args[1], QStringLiteral("VALUE"), -inf, inf, QString(), value, error))
            return false;
        DzMorph* morph = findMorph(args[0], error);
        if (morph)
            morph->getValueProperty()->setValue(float(value));
        return morph != nullptr;
    };
    commands[QStringLiteral("morph-favorite")] = [](QStringList const& args, QString& error) {
        if (args.size() != 2 || (args[1] != QLatin1String("on") && args[1] != QLatin1String("off"))) {
            error = QStringLiteral("usage: morph-favorite NAME on|off");
            return false;
        }
        DzMorph* morph = findMorph(args[0], error);
        if (morph)
            morph->getValueProperty()->setFavorite(args[1] == QLatin1String("on"));
        return morph != nullptr;
    };
    commands[QStringLiteral("pf-run")] = [](QStringList const& args, QString& error) {
        for (PluginOperation const& op : kOperations)
            if (args.size() == 1 && args[0] == QLatin1String(op.name))
                return runOperation(op, error);
        error = QStringLiteral("usage: pf-run reset|load|save");
        return false;
    };
}

void addPluginMorphChecks(std::map<QString, HostCheck>& checks) {
    // "expect morph NAME VALUE [DELTAS]": the primary node's morph, its value within 1e-5 and its number of
    // deltas.
    checks[QStringLiteral("morph")] = [](QStringList const& args) -> QString {
        if (args.size() != 2 && args.size() != 3)
            return QStringLiteral("usage: expect morph NAME VALUE [DELTAS]");
        QString error;
        double const inf = std::numeric_limits<double>::infinity();
        double value = 0;
        int count = -1;
        if (!pfHostParseNumber(args[1], QStringLiteral("VALUE"), -inf, inf, QString(), value, error) ||
            (args.size() == 3 && !pfHostParseCount(args[2], QStringLiteral("DELTAS"), count, error)))
            return error;
        DzMorph* morph = findMorph(args[0], error);
        if (!morph)
            return error;
        double const found = morph->getValueProperty()->getValue();
        if (std::fabs(found - value) > 1e-5)
            return QStringLiteral("morph %1 is at %2, not %3")
                .arg(pfHostQuoted(args[0]))
                .arg(found)
                .arg(value);
        int const deltas = morph->getDeltas() ? morph->getDeltas()->getNumDeltas() : 0;
        if (count >= 0 && deltas != count)
            return QStringLiteral("morph %1 has %2 deltas, not %3")
                .arg(pfHostQuoted(args[0]))
                .arg(deltas)
                .arg(count);
        return QString();
    };
    // "expect pf-deltas N": the primary node's plug-in modifier holds N deltas (none without a modifier).
    checks[QStringLiteral("pf-deltas")] = [](QStringList const& args) -> QString {
        if (args.size() != 1)
            return QStringLiteral("usage: expect pf-deltas N");
        int wanted = 0;
        QString error;
        if (!pfHostParseCount(args[0], QStringLiteral("N"), wanted, error))
            return error;
        DzNode* node = dzScene ? dzScene->getPrimarySelection() : nullptr;
        DzObject* object = node ? node->getObject() : nullptr;
        int found = 0;
        for (int i = 0; object && i < object->getNumModifiers(); ++i) {
            QObject* modifier = object->getModifier(i);
            if (!modifier || !modifier->inherits("PfModifier"))
                continue;
            QVariantMap deltas;
            if (!QMetaObject::invokeMethod(modifier, "deltaSummary", Qt::DirectConnection,
                                           Q_RETURN_ARG(QVariantMap, deltas)))
                return QStringLiteral("the Pullform modifier offers no deltaSummary()");
            found += deltas.value(QStringLiteral("count")).toInt();
        }
        if (found != wanted)
            return QStringLiteral("the Pullform modifier holds %1 deltas, not %2").arg(found).arg(wanted);
        return QString();
    };
}
