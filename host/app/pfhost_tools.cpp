// The plug-in's part of pfhost: its tools, and the script checks that read its state.
#include "pfhost_tools.h"

#include "pfhost_morphs.h"
#include "pfhost_script_args.h"

#include "dzviewportmgr.h"

#include <QApplication>
#include <QFileInfo>
#include <QMetaObject>
#include <QMouseEvent>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <vector>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzmainwindow.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzpluginmgr.h"
#include "dzscene.h"
#include "dzsyntheticinput.h"
#include "dzundostack.h"
#include "dzvertexmesh.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"

namespace {

// Where the build puts HV_pullform; else "plugins" beside the program.
QString defaultPluginFolder() {
    QString const built = QStringLiteral(PFHOST_PLUGIN_DIR);
    if (QFileInfo(built).isDir())
        return built;
    return QApplication::applicationDirPath() + QStringLiteral("/plugins");
}

}  // namespace

QStringList loadPlugins(QString const& folder) {
    DzPluginMgr* plugins = dzApp->getPluginMgr();
    if (!plugins)
        return {};
    int const before = plugins->getLoadErrors().size();
    plugins->loadPluginsFrom(folder.isEmpty() ? defaultPluginFolder() : folder);
    return plugins->getLoadErrors().mid(before);
}

namespace {

// ---- the plug-in as a host's scripting reaches it: its objects that the host holds, by their meta-objects
// ----

char const* const kToolClass = "PfTool";
char const* const kModifierName = "HV_PullformModifier";

DzViewportMgr* viewportMgr() {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    return window ? window->getViewportMgr() : nullptr;
}

// The Pullform tool while it is the active one; null otherwise.
QObject* activePluginTool() {
    DzViewportMgr* mgr = viewportMgr();
    DzViewTool* tool = mgr ? mgr->getActiveTool() : nullptr;
    return tool && QLatin1String(tool->metaObject()->className()) == QLatin1String(kToolClass) ? tool
                                                                                               : nullptr;
}

struct GizmoInfo {
    DzVec3 origin;
    DzVec3 axes[3];  // world space, each as long as the gizmo
    float size = 0.0f;
    QString hit;  // the part under the mouse: "" or "cone-x" ... "ring-z"
};

DzVec3 toVec3(QVariant const& value) {
    QVariantList const list = value.toList();
    return list.size() == 3 ? DzVec3(list[0].toFloat(), list[1].toFloat(), list[2].toFloat()) : DzVec3();
}

// The gizmo the active tool keeps for the view; false without one.
bool gizmoInfo(Dz3DViewport* view, GizmoInfo& info) {
    QObject* tool = activePluginTool();
    QVariantMap map;
    if (!tool ||
        !QMetaObject::invokeMethod(tool, "gizmoView", Qt::DirectConnection, Q_RETURN_ARG(QVariantMap, map),
                                   Q_ARG(QObject*, view)) ||
        map.isEmpty())
        return false;
    info.origin = toVec3(map.value(QStringLiteral("origin")));
    info.axes[0] = toVec3(map.value(QStringLiteral("x")));
    info.axes[1] = toVec3(map.value(QStringLiteral("y")));
    info.axes[2] = toVec3(map.value(QStringLiteral("z")));
    info.size = map.value(QStringLiteral("size")).toFloat();
    info.hit = map.value(QStringLiteral("hit")).toString();
    return true;
}

QString describe(std::set<int> const& indices) {
    if (indices.empty())
        return QStringLiteral("none");
    QStringList parts;
    for (int i : indices) parts << QString::number(i);
    return parts.join(' ');
}

// "expect pf-faces I J ..." (or "none"): the active tool's set of that kind, exactly.
HostCheck selectionSetCheck(QString const& name, QString const& kind) {
    return [name, kind](QStringList const& args) -> QString {
        std::set<int> wanted;
        if (!(args.size() == 1 && args[0] == QLatin1String("none"))) {
            if (args.isEmpty())
                return QStringLiteral("usage: expect %1 I J ... | none").arg(name);
            for (QString const& arg : args) {
                int index = 0;
                QString error;
                if (!pfHostParseCount(arg, QStringLiteral("I"), index, error))
                    return error;
                wanted.insert(index);
            }
        }
        QObject* tool = activePluginTool();
        if (!tool)
            return QStringLiteral("the Pullform tool is not active");
        QVariantList indices;
        if (!QMetaObject::invokeMethod(tool, "selectedIndices", Qt::DirectConnection,
                                       Q_RETURN_ARG(QVariantList, indices), Q_ARG(QString, kind)))
            return QStringLiteral("the tool offers no selectedIndices(QString)");
        std::set<int> found;
        for (QVariant const& index : indices) found.insert(index.toInt());
        // Names the indices as such: "found 2" would read as a count.
        QString const plural = name.mid(3);  // "pf-faces": faces
        if (found != wanted)
            return QStringLiteral("expected %1 %2, but %3")
                .arg(name, describe(wanted),
                     found.empty() ? QStringLiteral("no %1 are selected").arg(plural)
                                   : QStringLiteral("the selected %1 are %2").arg(plural, describe(found)));
        return QString();
    };
}

// ---- gizmo drags and mesh snapshots for scripts ----

Dz3DViewport* mainView() {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    DzViewportMgr* mgr = window ? window->getViewportMgr() : nullptr;
    DzViewport* viewport = mgr ? mgr->getViewport(0) : nullptr;
    return viewport ? viewport->get3DViewport() : nullptr;
}

// The position may lie between pixels: the gizmo is small on screen, and whole pixels would put a drag's
// points off the ring or the axis by a sizeable part of it.
void sendMouse(Dz3DViewport* view, QEvent::Type type, QPointF const& at, Qt::MouseButtons held) {
    dzinput::sendMouse(view, type, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                       Qt::NoModifier);
}

bool parseAxis(QString const& text, int& axis) {
    axis = text == QLatin1String("x")   ? 0
           : text == QLatin1String("y") ? 1
           : text == QLatin1String("z") ? 2
                                        : -1;
    return axis >= 0;
}

// The gizmo of the main view, drawn once so that its parts can be hit; false with the reason.
bool drawnGizmo(Dz3DViewport*& view, GizmoInfo& gizmo, QString& error) {
    view = mainView();
    if (!view) {
        error = QStringLiteral("the main window has no 3D view");
        return false;
    }
    if (!activePluginTool()) {
        error = QStringLiteral("the Pullform tool is not active");
        return false;
    }
    view->grabPixels();
    if (!gizmoInfo(view, gizmo)) {
        error = dzScene && dzScene->getPrimarySelection()
                    ? QStringLiteral("the view shows no gizmo: nothing is selected in the Pullform tool")
                    : QStringLiteral(
                          "no node is selected, so the view shows no gizmo (a click on empty space "
                          "clears the selection)");
        return false;
    }
    return true;
}

// False behind the camera, or so far outside the view that the pixel would not fit an int.
bool toPixel(Dz3DViewport* view, DzVec3 const& world, QPointF& pixel) {
    return view->projectToPixel(world, pixel) && std::fabs(pixel.x()) <= 1e5 && std::fabs(pixel.y()) <= 1e5;
}

// Hovers the point, then those around it a pixel or two away (up to `reach`), until the gizmo highlights that
// part; false when none does. at becomes the point that hit.
bool hovers(Dz3DViewport* view, QPointF& at, QString const& part, int reach = 2) {
    for (int r = 0; r <= reach; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                if (std::max(std::abs(dx), std::abs(dy)) != r)
                    continue;
                QPointF const p = at + QPointF(dx, dy);
                sendMouse(view, QEvent::MouseMove, p, Qt::NoButton);
                GizmoInfo gizmo;
                if (gizmoInfo(view, gizmo) && gizmo.hit == part) {
                    at = p;
                    return true;
                }
            }
    return false;
}

// Press at the given point, moves through the points, release at the last.
bool dragThrough(Dz3DViewport* view, QPointF const& press, std::vector<DzVec3> const& points,
                 QString& error) {
    std::vector<QPointF> pixels;
    for (DzVec3 const& p : points) {
        QPointF at;
        if (!toPixel(view, p, at)) {
            error = QStringLiteral("a point of the drag lies behind the camera or far outside the view");
            return false;
        }
        pixels.push_back(at);
    }
    sendMouse(view, QEvent::MouseButtonPress, press, Qt::LeftButton);
    for (QPointF const& at : pixels) sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, pixels.back(), Qt::NoButton);
    return true;
}

// "pf-gizmo-drag x|y|z DX DY DZ": grabs the axis cone at its tip and drags it by the world offset.
bool gizmoDrag(QStringList const& args, QString& error) {
    int axis = -1;
    float d[3] = {0, 0, 0};
    if (args.size() != 4 || !parseAxis(args[0], axis)) {
        error = QStringLiteral("usage: pf-gizmo-drag x|y|z DX DY DZ");
        return false;
    }
    double const inf = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 3; ++k) {
        double value = 0;
        if (!pfHostParseNumber(args[1 + k], QStringLiteral("D") + QChar("XYZ"[k]), -inf, inf, QString(),
                               value, error))
            return false;
        d[k] = float(value);
    }
    Dz3DViewport* view = nullptr;
    GizmoInfo gizmo;
    if (!drawnGizmo(view, gizmo, error))
        return false;
    DzVec3 const tip = gizmo.origin + gizmo.axes[axis];
    // Seen end-on (the whole axis on one pixel), the axis gives the mouse nothing to move along.
    QPointF base, end;
    if (toPixel(view, gizmo.origin, base) && toPixel(view, tip, end) && (end - base).manhattanLength() < 2) {
        error = QStringLiteral(
                    "the %1 axis points at the camera, so a drag along it moves nothing; turn the "
                    "camera first")
                    .arg(args[0]);
        return false;
    }
    QPointF at;
    if (!toPixel(view, tip, at) || !hovers(view, at, QStringLiteral("cone-") + args[0])) {
        error = QStringLiteral("the %1 cone cannot be hit in this view").arg(args[0]);
        return false;
    }
    std::vector<DzVec3> points;
    for (int i = 1; i <= 8; ++i) points.push_back(tip + DzVec3(d[0], d[1], d[2]) * (float(i) / 8.0f));
    QPointF moved, tipAt;
    if (toPixel(view, points.back(), moved) && toPixel(view, tip, tipAt) &&
        (moved - tipAt).manhattanLength() < 1.0) {
        error = QStringLiteral("the offset moves the %1 cone by less than a pixel in this view").arg(args[0]);
        return false;
    }
    return dragThrough(view, at, points, error);
}

// "pf-gizmo-rotate x|y|z DEGREES": grabs the ring about the axis where it can be hit and turns it by the
// angle (the mesh turns by the angle times the gain). The mouse goes through points of the ring exactly,
// between pixels where they fall: the ring is a few pixels across at usual sizes, and a press or a move a
// pixel off it would change the angle by several degrees.
bool gizmoRotate(QStringList const& args, QString& error) {
    int axis = -1;
    if (args.size() != 2 || !parseAxis(args[0], axis)) {
        error = QStringLiteral("usage: pf-gizmo-rotate x|y|z DEGREES");
        return false;
    }
    // A ring drag turns by less than a full turn either way.
    double wide = 0;
    if (!pfHostParseNumberStrictly(args[1], QStringLiteral("DEGREES"), -360.0, 360.0, QString(), wide, error))
        return false;
    float const degrees = float(wide);
    Dz3DViewport* view = nullptr;
    GizmoInfo gizmo;
    if (!drawnGizmo(view, gizmo, error))
        return false;
    DzVec3 const n = gizmo.axes[axis].normalized();
    DzVec3 const u = gizmo.axes[(axis + 1) % 3].normalized();
    DzVec3 const v = gizmo.axes[(axis + 2) % 3].normalized();
    DzVec3 const origin = gizmo.origin;
    // Seen edge-on, the ring's plane gives the drag no point to turn to.
    QPointF centre;
    if (toPixel(view, origin, centre)) {
        DzLine3 const sight = view->unprojectPixel(centre);
        DzVec3 const direction = (sight.getEnd() - sight.getStart()).normalized();
        if (std::fabs(direction.dot(n)) < 0.02f) {
            error = QStringLiteral("the ring about %1 is seen edge-on in this view").arg(args[0]);
            return false;
        }
    }
    float const radius = 0.8f * gizmo.size;
    double const toRad = 3.14159265358979323846 / 180.0;
    auto pointAt = [&](double deg) {
        return origin + u * float(radius * std::cos(deg * toRad)) + v * float(radius * std::sin(deg * toRad));
    };
    QString const ring = QStringLiteral("ring-") + args[0];
    for (int start = 0; start < 360; start += 5) {
        QPointF at;
        // Only a press on the ring's point itself: the angle is measured from where the press meets the
        // plane.
        if (!toPixel(view, pointAt(start), at) || !hovers(view, at, ring, 0))
            continue;
        std::vector<DzVec3> points;
        // Steps of at most 22.5 degrees, so that a turn past half a circle keeps its sense.
        int const steps = 16;
        for (int i = 1; i <= steps; ++i) points.push_back(pointAt(start + double(degrees) * i / steps));
        return dragThrough(view, at, points, error);
    }
    error = QStringLiteral("the ring about %1 cannot be hit in this view").arg(args[0]);
    return false;
}

DzNode* nodeNamed(QStringList const& args, int index) {
    DzScene* scene = dzScene;
    if (!scene)
        return nullptr;
    return args.size() > index ? scene->findNode(args[index]) : scene->getPrimarySelection();
}

std::map<QString, std::vector<float>>& snapshots() {
    static std::map<QString, std::vector<float>> all;
    return all;
}

// The node's evaluated mesh as the viewport shows it, three floats a vertex.
bool evaluatedMesh(DzNode* node, std::vector<float>& out) {
    DzObject* object = node ? node->getObject() : nullptr;
    DzVertexMesh* mesh = object ? object->getCachedGeom() : nullptr;
    if (!mesh)
        return false;
    float const(*v)[3] = mesh->getVerticesPtr();
    out.assign(&v[0][0], &v[0][0] + 3 * size_t(mesh->getNumVertices()));
    return true;
}

// "pf-mesh-snapshot NAME [NODE]": keeps the evaluated mesh of the node (the primary one by default).
bool meshSnapshot(QStringList const& args, QString& error) {
    if (args.isEmpty() || args.size() > 2) {
        error = QStringLiteral("usage: pf-mesh-snapshot NAME [NODE]");
        return false;
    }
    std::vector<float> mesh;
    if (!evaluatedMesh(nodeNamed(args, 1), mesh)) {
        error = QStringLiteral("no node with geometry");
        return false;
    }
    snapshots()[args[0]] = std::move(mesh);
    return true;
}

// "pf-summary": what the primary node's modifier holds and the undo stack, on standard output.
bool summary(QStringList const&, QString& error) {
    DzNode* node = dzScene ? dzScene->getPrimarySelection() : nullptr;
    DzObject* object = node ? node->getObject() : nullptr;
    if (!node) {
        error = QStringLiteral("no node is selected");
        return false;
    }
    QObject* modifier = object ? object->findModifier(QLatin1String(kModifierName)) : nullptr;
    QVariantMap deltas;
    if (!modifier || !QMetaObject::invokeMethod(modifier, "deltaSummary", Qt::DirectConnection,
                                                Q_RETURN_ARG(QVariantMap, deltas))) {
        error =
            QStringLiteral("the selected node \u201C%1\u201D has no Pullform modifier").arg(node->getName());
        return false;
    }
    DzUndoStack* stack = dzApp->getUndoStack();
    std::printf("pf-summary: node %s, %d deltas (%d non-zero), largest offset %.4f, undo steps %d of %d\n",
                qPrintable(node->getName()), deltas.value(QStringLiteral("count")).toInt(),
                deltas.value(QStringLiteral("nonZero")).toInt(),
                deltas.value(QStringLiteral("largest")).toDouble(), stack->getIndex(), stack->getNumSteps());
    std::fflush(stdout);
    return true;
}

}  // namespace

void addPluginDragCommands(std::map<QString, HostCommand>& commands) {
    commands[QStringLiteral("pf-gizmo-drag")] = gizmoDrag;
    commands[QStringLiteral("pf-gizmo-rotate")] = gizmoRotate;
    commands[QStringLiteral("pf-mesh-snapshot")] = meshSnapshot;
    commands[QStringLiteral("pf-summary")] = summary;
    // "pf-falloff RADIUS [MODE]": the falloff radius (tenths of a unit) and curve (0 to 6); a finished drag
    // follows it, as it does for the pane.
    commands[QStringLiteral("pf-falloff")] = [](QStringList const& args, QString& error) {
        if (args.isEmpty() || args.size() > 2) {
            error = QStringLiteral("usage: pf-falloff RADIUS [MODE]");
            return false;
        }
        // Any whole radius the tool takes (the wheel grows it without end), and the seven curves.
        qint64 radius = 0, mode = -1;
        if (!pfHostParseWhole(args[0], QStringLiteral("RADIUS"), 0, INT_MAX,
                              QStringLiteral("(tenths of a unit)"), radius, error) ||
            (args.size() == 2 &&
             !pfHostParseWhole(args[1], QStringLiteral("MODE"), 0, 6,
                               QStringLiteral("(0 smooth, 1 sphere, 2 inverse square, 3 sharp, 4 linear, 5 "
                                              "constant, 6 random)"),
                               mode, error)))
            return false;
        // The tool keeps the falloff whether it is active or not.
        DzViewportMgr* mgr = viewportMgr();
        DzViewTool* tool = mgr ? mgr->findTool(QLatin1String(kToolClass)) : nullptr;
        bool done = false;
        if (!tool ||
            !QMetaObject::invokeMethod(tool, "setFalloff", Qt::DirectConnection, Q_RETURN_ARG(bool, done),
                                       Q_ARG(int, int(radius)), Q_ARG(int, int(mode)))) {
            error = QStringLiteral("there is no Pullform tool");
            return false;
        }
        return done;
    };
}

std::map<QString, HostCheck> pluginScriptChecks() {
    std::map<QString, HostCheck> checks;
    checks[QStringLiteral("pf-faces")] =
        selectionSetCheck(QStringLiteral("pf-faces"), QStringLiteral("face"));
    checks[QStringLiteral("pf-edges")] =
        selectionSetCheck(QStringLiteral("pf-edges"), QStringLiteral("edge"));
    checks[QStringLiteral("pf-vertices")] =
        selectionSetCheck(QStringLiteral("pf-vertices"), QStringLiteral("vertex"));
    // "expect pf-mesh-same NAME [TOL] [NODE]": the node's evaluated mesh equals the snapshot, each coordinate
    // within TOL (default 1e-5).
    checks[QStringLiteral("pf-mesh-same")] = [](QStringList const& args) -> QString {
        if (args.isEmpty() || args.size() > 3)
            return QStringLiteral("usage: expect pf-mesh-same NAME [TOL] [NODE]");
        double tolerance = 1e-5;
        QString error;
        if (args.size() >= 2 &&
            !pfHostParseNumber(args[1], QStringLiteral("TOL"), 0.0, std::numeric_limits<double>::infinity(),
                               QString(), tolerance, error))
            return error;
        auto it = snapshots().find(args[0]);
        if (it == snapshots().end())
            return QStringLiteral("no snapshot named %1").arg(pfHostQuoted(args[0]));
        std::vector<float> now;
        if (!evaluatedMesh(nodeNamed(args, 2), now))
            return QStringLiteral("no node with geometry");
        if (now.size() != it->second.size())
            return QStringLiteral("expected %1 vertices, found %2")
                .arg(it->second.size() / 3)
                .arg(now.size() / 3);
        for (size_t i = 0; i < now.size(); ++i)
            if (!(std::fabs(now[i] - it->second[i]) <= float(tolerance)))
                return QStringLiteral("vertex %1 differs from the snapshot by %2")
                    .arg(i / 3)
                    .arg(double(std::fabs(now[i] - it->second[i])));
        return QString();
    };
    // "expect pf-mesh-differs NAME [NODE]": the node's evaluated mesh is not the snapshot.
    checks[QStringLiteral("pf-mesh-differs")] = [](QStringList const& args) -> QString {
        if (args.isEmpty() || args.size() > 2)
            return QStringLiteral("usage: expect pf-mesh-differs NAME [NODE]");
        auto it = snapshots().find(args[0]);
        std::vector<float> now;
        if (it == snapshots().end() || !evaluatedMesh(nodeNamed(args, 1), now))
            return QStringLiteral("no snapshot %1 or no node with geometry").arg(pfHostQuoted(args[0]));
        return now != it->second
                   ? QString()
                   : QStringLiteral("the mesh equals the snapshot %1").arg(pfHostQuoted(args[0]));
    };
    addWidgetScriptChecks(checks);
    addPluginMorphChecks(checks);
    return checks;
}
