// What a host's scripting reaches of the tool and the modifier by name through the meta-object system.
#include <gtest/gtest.h>

#include <QMetaObject>
#include <QVariantMap>

#include "pf_modifier.h"
#include "pf_settings.h"
#include "pf_tool.h"

namespace {

bool invokeSetFalloff(PfTool& tool, int radius, int mode) {
    bool done = false;
    EXPECT_TRUE(QMetaObject::invokeMethod(&tool, "setFalloff", Qt::DirectConnection, Q_RETURN_ARG(bool, done),
                                          Q_ARG(int, radius), Q_ARG(int, mode)));
    return done;
}

}  // namespace

TEST(PfScriptAccess, SetFalloffTakesTheRadiusAndACurveInRangeOnly) {
    PfTool tool;
    PfSettings* settings = PfSettings::Get();
    auto const savedRadius = settings->m_falloffRadius;
    PfFalloffMode const savedMode = settings->m_eFalloffMode;
    settings->m_eFalloffMode = PfFalloffMode::SmoothCurve;
    EXPECT_TRUE(invokeSetFalloff(tool, 120, 3));
    EXPECT_EQ(settings->m_falloffRadius, 120u);
    EXPECT_EQ(settings->m_eFalloffMode, PfFalloffMode(3));
    EXPECT_TRUE(invokeSetFalloff(tool, 80, -1));  // -1 keeps the curve
    EXPECT_EQ(settings->m_falloffRadius, 80u);
    EXPECT_EQ(settings->m_eFalloffMode, PfFalloffMode(3));
    for (auto bad : {std::pair{-1, 0}, std::pair{10, 7}, std::pair{10, -2}}) {
        EXPECT_FALSE(invokeSetFalloff(tool, bad.first, bad.second));
        EXPECT_EQ(settings->m_falloffRadius, 80u);
        EXPECT_EQ(settings->m_eFalloffMode, PfFalloffMode(3));
    }
    settings->m_falloffRadius = savedRadius;
    settings->m_eFalloffMode = savedMode;
}

TEST(PfScriptAccess, AnInactiveToolShowsNoGizmoAndNoSelection) {
    PfTool tool;
    QVariantMap gizmo{{"stale", 1}};
    ASSERT_TRUE(QMetaObject::invokeMethod(&tool, "gizmoView", Qt::DirectConnection,
                                          Q_RETURN_ARG(QVariantMap, gizmo), Q_ARG(QObject*, nullptr)));
    EXPECT_TRUE(gizmo.isEmpty());
    for (char const* kind : {"face", "edge", "vertex", "other"}) {
        QVariantList indices{1};
        ASSERT_TRUE(QMetaObject::invokeMethod(&tool, "selectedIndices", Qt::DirectConnection,
                                              Q_RETURN_ARG(QVariantList, indices), Q_ARG(QString, kind)));
        EXPECT_TRUE(indices.isEmpty()) << kind;
    }
}

TEST(PfScriptAccess, TheModifiersDeltaSummaryCountsAndMeasures) {
    PfModifier modifier;
    HvVertexOffsets deltas;
    deltas[2] = HvVec3(3.0f, 4.0f, 0.0f);
    deltas[5] = HvVec3(0.0f, 0.0f, 0.0f);
    deltas[9] = HvVec3(0.0f, 1.0f, 0.0f);
    modifier.setDeltas(deltas);
    QVariantMap summary;
    ASSERT_TRUE(QMetaObject::invokeMethod(&modifier, "deltaSummary", Qt::DirectConnection,
                                          Q_RETURN_ARG(QVariantMap, summary)));
    EXPECT_EQ(summary.value("count").toInt(), 3);
    EXPECT_EQ(summary.value("nonZero").toInt(), 2);
    EXPECT_DOUBLE_EQ(summary.value("largest").toDouble(), 5.0);
}
