// The plug-in's part of pfhost: its tools, and the script checks that read its state.
#include "pfhost_tools.h"

#include "pfhost_morphs.h"

#include "dzviewportmgr.h"

#if __has_include("pf_tool.h")
#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

#include "dz3dviewport.h"
#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzmainwindow.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzundostack.h"
#include "dzvertexmesh.h"
#include "dzviewport.h"
// The plug-in's modifier only for what the plug-in's registration will do (the scene-file reader and writer)
// and for the summary; the rest through PfTool's statics and the settings.
#include "pf_modifier.h"
#include "pf_settings.h"
#include "pf_tool.h"
#define PFHOST_HAS_PF_TOOL 1
#endif

void registerPluginTools(DzViewportMgr* mgr) {
    if (!mgr)
        return;
#ifdef PFHOST_HAS_PF_TOOL
    mgr->addTool(new PfTool);
    // Until the plug-in registers itself, pfhost makes the modifier's scene-file reader and writer known, so
    // that scenes keep their deltas.
    QString const type = QStringLiteral("studio/modifier/halvorin_pullform_modifier");
    if (!DzPlugin::FindIOClassForType(type)) {
        static DzPlugin plugin(QStringLiteral("pfhost"));
        static DzTClassFactory<PfModifierIO> factory(
            DzGuid::fromString("{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}"));
        plugin.addClassFactory(&factory);
        plugin.addIOClassRegistration(type, &PfModifierIO::staticMetaObject, &PfModifier::staticMetaObject);
    }
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
PfHostCheck selectionSetCheck(QString const& name, PfSelectionType type) {
    return [name, type](QStringList const& args) -> QString {
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
        std::set<int> const found = PfTool::GetSelectedIndices(type);
        if (found != wanted)
            return QStringLiteral("expected %1 %2, found %3").arg(name, describe(wanted), describe(found));
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

void sendMouse(Dz3DViewport* view, QEvent::Type type, QPoint const& at, Qt::MouseButtons held) {
    QPointF const local(at);
    QMouseEvent event(type, local, local, QPointF(view->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

bool parseAxis(QString const& text, int& axis) {
    axis = text == QLatin1String("x")   ? 0
           : text == QLatin1String("y") ? 1
           : text == QLatin1String("z") ? 2
                                        : -1;
    return axis >= 0;
}

// The gizmo of the main view, drawn once so that its parts can be hit; false with the reason.
bool drawnGizmo(Dz3DViewport*& view, PfTool::GizmoView& gizmo, QString& error) {
    view = mainView();
    PfTool* tool = PfTool::GetActive();
    if (!view || !tool || !tool->getSelection()) {
        error = QStringLiteral("the Pullform tool is not active or has no selection");
        return false;
    }
    view->grabPixels();
    if (!PfTool::GetGizmoView(view, gizmo)) {
        error = QStringLiteral("the view shows no gizmo (nothing selected?)");
        return false;
    }
    return true;
}

bool toPixel(Dz3DViewport* view, DzVec3 const& world, QPoint& pixel) {
    QPointF at;
    if (!view->projectToPixel(world, at))
        return false;
    pixel = QPoint(int(std::floor(at.x())), int(std::floor(at.y())));
    return true;
}

// Hovers the pixel and the ones around it until the gizmo highlights that part (a small part may fall between
// pixels); false when none does. at becomes the pixel that hit.
bool hovers(Dz3DViewport* view, QPoint& at, PfGizmoHit part) {
    for (int r = 0; r <= 2; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                if (std::max(std::abs(dx), std::abs(dy)) != r)
                    continue;
                QPoint const p = at + QPoint(dx, dy);
                sendMouse(view, QEvent::MouseMove, p, Qt::NoButton);
                PfTool::GizmoView gizmo;
                if (PfTool::GetGizmoView(view, gizmo) && gizmo.hit == part) {
                    at = p;
                    return true;
                }
            }
    return false;
}

// Press at the given pixel, moves through the points, release at the last.
bool dragThrough(Dz3DViewport* view, QPoint const& press, std::vector<DzVec3> const& points, QString& error) {
    std::vector<QPoint> pixels;
    for (DzVec3 const& p : points) {
        QPoint at;
        if (!toPixel(view, p, at)) {
            error = QStringLiteral("a point of the drag lies behind the camera");
            return false;
        }
        pixels.push_back(at);
    }
    sendMouse(view, QEvent::MouseButtonPress, press, Qt::LeftButton);
    for (QPoint const& at : pixels) sendMouse(view, QEvent::MouseMove, at, Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, pixels.back(), Qt::NoButton);
    return true;
}

// "pf-gizmo-drag x|y|z DX DY DZ": grabs the axis cone at its tip and drags it by the world offset.
bool gizmoDrag(QStringList const& args, QString& error) {
    int axis = -1;
    float d[3] = {0, 0, 0};
    bool ok = args.size() == 4 && parseAxis(args[0], axis);
    for (int k = 0; ok && k < 3; ++k) d[k] = args[1 + k].toFloat(&ok);
    if (!ok) {
        error = QStringLiteral("usage: pf-gizmo-drag x|y|z DX DY DZ");
        return false;
    }
    Dz3DViewport* view = nullptr;
    PfTool::GizmoView gizmo;
    if (!drawnGizmo(view, gizmo, error))
        return false;
    HvVec3 const axes[3] = {gizmo.x, gizmo.y, gizmo.z};
    DzVec3 const tip = gizmo.origin + axes[axis].dz();
    QPoint at;
    if (!toPixel(view, tip, at) || !hovers(view, at, PfGizmoHit(PF_GIZMO_HIT_CONE_X + axis))) {
        error = QStringLiteral("the %1 cone cannot be hit in this view").arg(args[0]);
        return false;
    }
    std::vector<DzVec3> points;
    for (int i = 1; i <= 8; ++i) points.push_back(tip + DzVec3(d[0], d[1], d[2]) * (float(i) / 8.0f));
    return dragThrough(view, at, points, error);
}

// "pf-gizmo-rotate x|y|z DEGREES": grabs the ring about the axis where it can be hit and turns it.
bool gizmoRotate(QStringList const& args, QString& error) {
    int axis = -1;
    bool ok = args.size() == 2 && parseAxis(args[0], axis);
    float const degrees = ok ? args[1].toFloat(&ok) : 0.0f;
    if (!ok) {
        error = QStringLiteral("usage: pf-gizmo-rotate x|y|z DEGREES");
        return false;
    }
    Dz3DViewport* view = nullptr;
    PfTool::GizmoView gizmo;
    if (!drawnGizmo(view, gizmo, error))
        return false;
    HvVec3 const axes[3] = {gizmo.x, gizmo.y, gizmo.z};
    DzVec3 const u = axes[(axis + 1) % 3].dz().normalized();
    DzVec3 const v = axes[(axis + 2) % 3].dz().normalized();
    DzVec3 const origin = gizmo.origin;
    float const radius = 0.8f * gizmo.size;
    float const toRad = 3.14159265f / 180.0f;
    auto pointAt = [&](float deg) {
        return origin + u * (radius * std::cos(deg * toRad)) + v * (radius * std::sin(deg * toRad));
    };
    PfGizmoHit const ring = PfGizmoHit(PF_GIZMO_HIT_RING_X + axis);
    for (int start = 0; start < 360; start += 5) {
        QPoint at;
        if (!toPixel(view, pointAt(float(start)), at) || !hovers(view, at, ring))
            continue;
        std::vector<DzVec3> points;
        for (int i = 1; i <= 16; ++i) points.push_back(pointAt(float(start) + degrees * float(i) / 16.0f));
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
    auto* modifier =
        object ? qobject_cast<PfModifier*>(object->findModifier(g_pcszPullformModifierName)) : nullptr;
    if (!modifier) {
        error = QStringLiteral("the primary node has no Pullform modifier");
        return false;
    }
    HvVertexOffsets const deltas = modifier->getDeltas();
    size_t moved = 0;
    float largest = 0.0f;
    for (auto const& e : deltas) {
        float const length = e.second.dz().length();
        if (length > 0.0f)
            ++moved;
        largest = std::max(largest, length);
    }
    DzUndoStack* stack = dzApp->getUndoStack();
    std::printf("pf-summary: node %s, %zu deltas (%zu non-zero), largest offset %.4f, undo steps %d of %d\n",
                qPrintable(node->getName()), deltas.size(), moved, double(largest), stack->getIndex(),
                stack->getNumSteps());
    std::fflush(stdout);
    return true;
}

}  // namespace
#endif

void addPluginDragCommands(std::map<QString, PfHostCommand>& commands) {
#ifdef PFHOST_HAS_PF_TOOL
    commands[QStringLiteral("pf-gizmo-drag")] = gizmoDrag;
    commands[QStringLiteral("pf-gizmo-rotate")] = gizmoRotate;
    commands[QStringLiteral("pf-mesh-snapshot")] = meshSnapshot;
    commands[QStringLiteral("pf-summary")] = summary;
    // "pf-falloff RADIUS [MODE]": the falloff radius (tenths of a unit) and curve (0 to 6); a finished drag
    // follows it, as it does for the pane.
    commands[QStringLiteral("pf-falloff")] = [](QStringList const& args, QString& error) {
        bool ok = !args.isEmpty() && args.size() <= 2;
        unsigned const radius = ok ? args[0].toUInt(&ok) : 0;
        unsigned const mode =
            ok && args.size() == 2 ? args[1].toUInt(&ok) : PfSettings::Get()->m_eFalloffMode;
        if (!ok || mode > PF_FALLOFF_RANDOM) {
            error = QStringLiteral("usage: pf-falloff RADIUS [MODE 0-6]");
            return false;
        }
        // Through the tool's commands, as the pane and the wheel go.
        bool const modeChanged = PfSettings::Get()->m_eFalloffMode != PfFalloffMode(mode);
        PfTool::SetFalloffRadius(radius, true);
        if (modeChanged)
            PfTool::SetFalloffMode(PfFalloffMode(mode), true);
        return true;
    };
#else
    (void)commands;
#endif
}

std::map<QString, PfHostCheck> pluginScriptChecks() {
    std::map<QString, PfHostCheck> checks;
#ifdef PFHOST_HAS_PF_TOOL
    checks[QStringLiteral("pf-faces")] = selectionSetCheck(QStringLiteral("pf-faces"), PF_SELECTION_FACE);
    checks[QStringLiteral("pf-edges")] = selectionSetCheck(QStringLiteral("pf-edges"), PF_SELECTION_EDGE);
    checks[QStringLiteral("pf-vertices")] =
        selectionSetCheck(QStringLiteral("pf-vertices"), PF_SELECTION_VERTEX);
    // "expect pf-mesh-same NAME [TOL] [NODE]": the node's evaluated mesh equals the snapshot, each coordinate
    // within TOL (default 1e-5).
    checks[QStringLiteral("pf-mesh-same")] = [](QStringList const& args) -> QString {
        bool ok = !args.isEmpty() && args.size() <= 3;
        float const tolerance = ok && args.size() >= 2 ? args[1].toFloat(&ok) : 1e-5f;
        if (!ok)
            return QStringLiteral("usage: expect pf-mesh-same NAME [TOL] [NODE]");
        auto it = snapshots().find(args[0]);
        if (it == snapshots().end())
            return QStringLiteral("expect pf-mesh-same: no snapshot named %1").arg(args[0]);
        std::vector<float> now;
        if (!evaluatedMesh(nodeNamed(args, 2), now))
            return QStringLiteral("expect pf-mesh-same: no node with geometry");
        if (now.size() != it->second.size())
            return QStringLiteral("expected %1 vertices, found %2")
                .arg(it->second.size() / 3)
                .arg(now.size() / 3);
        for (size_t i = 0; i < now.size(); ++i)
            if (!(std::fabs(now[i] - it->second[i]) <= tolerance))
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
            return QStringLiteral("expect pf-mesh-differs: no snapshot %1 or no node with geometry")
                .arg(args[0]);
        return now != it->second ? QString() : QStringLiteral("the mesh equals the snapshot %1").arg(args[0]);
    };
#endif
    addWidgetScriptChecks(checks);
    addPluginMorphChecks(checks);
    return checks;
}
