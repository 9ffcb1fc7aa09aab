// Gizmo drags through pfhost's script mode: the commands that grab the gizmo, the mesh snapshots that the
// demo compares, undo and redo, and a saved scene that gives the edited mesh back.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <array>
#include <cmath>
#include <map>
#include <string>

#include "pfhost_runner.h"

namespace {

using DragRun = PfhostRun;
using Vec3 = std::array<double, 3>;

// The plug-in modifier's deltas of the first node in a saved scene, by vertex index.
std::map<int, Vec3> savedDeltas(QString const& path) {
    std::map<int, Vec3> deltas;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return deltas;
    QJsonObject const object =
        QJsonDocument::fromJson(file.readAll())["nodes"].toArray().at(0)["object"].toObject();
    for (QJsonValue const& modifier : object["modifiers"].toArray())
        for (QJsonValue const& group : modifier["extra"]["hv_deltas"]["values"].toArray()) {
            QJsonArray const g = group.toArray();
            deltas[g.at(0).toInt()] = {g.at(1).toDouble(), g.at(2).toDouble(), g.at(3).toDouble()};
        }
    return deltas;
}

// A 4 x 4 grid of quads on the XY plane, from (0, 0) to (4, 4).
class HostDragScript : public PfhostScriptTest {
protected:
    HostDragScript() : PfhostScriptTest(4, 4, "400x300") {}
};

QString const kSetUp =
    "open grid.obj\n"
    "camera 2 -3 6 2 2 0\n"
    "tool PfTool\n"
    "pf-mesh-snapshot original\n"
    "project 2.5 2.5 0 face\n"
    "click @face\n"
    "expect pf-faces 10\n"
    "pf-falloff 15 4\n";

}  // namespace

TEST_F(HostDragScript, DragsUndoesRedoesSavesAndLoadsBack) {
    DragRun const r = run(kSetUp +
                          "pf-gizmo-drag z 0 0 1\n"
                          "expect pf-mesh-differs original\n"
                          "pf-mesh-snapshot pulled\n"
                          // The finished drag follows the falloff, and back.
                          "pf-falloff 5\n"
                          "expect pf-mesh-differs pulled\n"
                          "pf-falloff 15\n"
                          "expect pf-mesh-same pulled\n"
                          "pf-gizmo-rotate z 30\n"
                          "expect pf-mesh-differs pulled\n"
                          "pf-mesh-snapshot edited\n"
                          "pf-summary\n"
                          "undo\n"
                          "expect pf-mesh-same pulled\n"
                          "undo\n"
                          "expect pf-mesh-same original\n"
                          "redo\n"
                          "redo\n"
                          "expect pf-mesh-same edited\n"
                          "save scene.json\n"
                          "open scene.json\n"
                          "expect pf-mesh-same edited 1e-5 grid\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("pf-summary: node grid")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("undo steps 2 of 2")) << r.out.toStdString();
    QFile scene(dir.filePath("scene.json"));
    ASSERT_TRUE(scene.open(QIODevice::ReadOnly));
    EXPECT_TRUE(scene.readAll().contains("\"hv_deltas\""));
}

TEST_F(HostDragScript, FailuresSayWhatWasWrong) {
    struct Case {
        char const* lines;
        char const* message;
    } const cases[] = {
        {"pf-gizmo-drag z 0 0 1\nexpect pf-mesh-same original\n", "differs from the snapshot by"},
        {"expect pf-mesh-differs original\n",
         ":9: expect pf-mesh-differs: the mesh equals the snapshot \u201Coriginal\u201D\n"},
        {"expect pf-mesh-same nothing\n", ":9: expect pf-mesh-same: no snapshot named \u201Cnothing\u201D\n"},
        {"pf-gizmo-drag w 0 0 1\n", ":9: usage: pf-gizmo-drag x|y|z DX DY DZ\n"},
        {"pf-falloff 5 9 1\n", ":9: usage: pf-falloff RADIUS [MODE]\n"},
        {"pf-gizmo-drag z 0 0 inf\n", ":9: pf-gizmo-drag: DZ must be a finite number, not \u201Cinf\u201D"},
        {"pf-gizmo-drag x nan 0 0\n", ":9: pf-gizmo-drag: DX must be a finite number, not \u201Cnan\u201D"},
        {"pf-gizmo-drag z 0 0 0\n", ":9: pf-gizmo-drag: the offset moves the z cone by less than a pixel"},
        // Seen from straight above the gizmo (at 2 2 0), the z axis gives a drag nothing to move along.
        {"camera 2 2 8 2 2 0\npf-gizmo-drag z 0 0 1\n",
         ":10: pf-gizmo-drag: the z axis points at the camera, so a drag along it moves nothing; turn the "
         "camera "
         "first"},
        {"select none\npf-summary\n", ":10: pf-summary: no node is selected"},
        {"click 2 2\npf-gizmo-drag z 0 0 1\n",
         ":10: pf-gizmo-drag: no node is selected, so the view shows no gizmo (a click on empty space clears "
         "the "
         "selection)"},
        {"click @face alt\npf-gizmo-rotate x 10\n",
         ":10: pf-gizmo-rotate: the view shows no gizmo: nothing is selected in the Pullform tool"},
    };
    for (Case const& c : cases) {
        DragRun const r = run(kSetUp + c.lines);
        EXPECT_EQ(r.exitCode, 1) << c.lines;
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

// The script's ring drags turn the mesh by the angle asked about the gizmo's centre (gain 1): each ring,
// small and large angles, either sense, with a gizmo a few pixels across, as a slanted view shows it.
TEST_F(HostDragScript, RotationsTurnByTheAngleAsked) {
    struct Case {
        char const* axis;
        double degrees;
    } const cases[] = {{"x", 10}, {"x", 270}, {"y", 30}, {"y", -45}, {"z", 90}, {"z", -300}};
    QString script =
        "open grid.obj\n"
        "camera 5 -3 6 2 2 0\n"
        "tool PfTool\n"
        "project 2.5 2.5 0 face\n"
        "click @face\n"
        "pf-falloff 0\n";  // the face's corners alone, at weight 1
    for (Case const& c : cases)
        script += QString("pf-gizmo-rotate %1 %2\nsave %1%2.json\nundo\n").arg(c.axis).arg(c.degrees);
    DragRun const r = run(script);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    // The face's corner nearest the camera carries the gizmo, with the world's axes.
    Vec3 const centre{3, 2, 0};
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.axis) + " " + std::to_string(c.degrees));
        std::map<int, Vec3> const deltas =
            savedDeltas(dir.filePath(QString("%1%2.json").arg(c.axis).arg(c.degrees)));
        int const n = c.axis[0] - 'x';
        int const u = (n + 1) % 3, v = (n + 2) % 3;
        // The corner on the widest circle about the axis.
        double lever = 0, turned = 0;
        for (int i : {12, 13, 17, 18}) {
            Vec3 const p{double(i % 5), double(i / 5), 0};
            auto it = deltas.find(i);
            Vec3 const d = it != deltas.end() ? it->second : Vec3{0, 0, 0};
            double const r0u = p[u] - centre[u], r0v = p[v] - centre[v];
            double const r1u = r0u + d[u], r1v = r0v + d[v];
            if (std::hypot(r0u, r0v) > lever) {
                lever = std::hypot(r0u, r0v);
                turned = std::atan2(r0u * r1v - r0v * r1u, r0u * r1u + r0v * r1v) * 180.0 / 3.14159265358979;
            }
        }
        ASSERT_GT(lever, 0.5);
        EXPECT_NEAR(std::remainder(turned - c.degrees, 360.0), 0.0, 0.02) << turned;
    }
}

TEST_F(HostDragScript, RotationsThatCannotBeDoneAreRefused) {
    struct Case {
        char const* lines;
        char const* message;
    } const cases[] = {
        // The camera looks along the YZ plane.
        {"pf-gizmo-rotate x 30\n", "the ring about x is seen edge-on in this view"},
        {"pf-gizmo-rotate z 360\n",
         ":9: pf-gizmo-rotate: DEGREES must lie strictly between -360 and 360, not \u201C360\u201D\n"},
        {"pf-gizmo-rotate z -1e9\n",
         ":9: pf-gizmo-rotate: DEGREES must lie strictly between -360 and 360, not \u201C-1e9\u201D\n"},
    };
    for (Case const& c : cases) {
        DragRun const r = run(kSetUp + c.lines);
        EXPECT_EQ(r.exitCode, 1) << c.lines;
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}
