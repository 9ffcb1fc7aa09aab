// What a host's scripting reads and sets of the tool and the modifier through Qt's meta-object system.
#include <algorithm>

#include "dz3dviewport.h"
#include "pf_modifier.h"
#include "pf_settings.h"
#include "pf_tool.h"

namespace {

QVariantList toList(DzVec3 const& v) {
    return {double(v.m_x), double(v.m_y), double(v.m_z)};
}

char const* hitName(PfGizmoHit hit) {
    switch (hit) {
        case PfGizmoHit::ConeX:
            return "cone-x";
        case PfGizmoHit::ConeY:
            return "cone-y";
        case PfGizmoHit::ConeZ:
            return "cone-z";
        case PfGizmoHit::PlaneXY:
            return "plane-xy";
        case PfGizmoHit::PlaneXZ:
            return "plane-xz";
        case PfGizmoHit::PlaneYZ:
            return "plane-yz";
        case PfGizmoHit::RingX:
            return "ring-x";
        case PfGizmoHit::RingY:
            return "ring-y";
        case PfGizmoHit::RingZ:
            return "ring-z";
        case PfGizmoHit::None:
            break;
    }
    return "";
}

}  // namespace

QVariantMap PfTool::gizmoView(QObject* viewport) const {
    GizmoView view;
    if (!GetGizmoView(qobject_cast<Dz3DViewport*>(viewport), view))
        return {};
    QVariantMap map;
    map[QStringLiteral("origin")] = toList(view.origin);
    map[QStringLiteral("x")] = toList(view.x.dz());
    map[QStringLiteral("y")] = toList(view.y.dz());
    map[QStringLiteral("z")] = toList(view.z.dz());
    map[QStringLiteral("size")] = double(view.size);
    map[QStringLiteral("hit")] = QString::fromLatin1(hitName(view.hit));
    return map;
}

QVariantList PfTool::selectedIndices(QString const& kind) const {
    PfSelectionType const type = kind == QLatin1String("face")   ? PfSelectionType::Face
                                 : kind == QLatin1String("edge") ? PfSelectionType::Edge
                                                                 : PfSelectionType::Vertex;
    QVariantList list;
    if (kind != QLatin1String("face") && kind != QLatin1String("edge") && kind != QLatin1String("vertex"))
        return list;
    for (int index : GetSelectedIndices(type)) list << index;
    return list;
}

bool PfTool::setFalloff(int radius, int mode) {
    PfSettings* settings = PfSettings::Get();
    if (radius < 0 || mode < -1 || mode > int(PfFalloffMode::Random))
        return false;
    // Through the commands, as the pane and the wheel go; the curve only when it changes, so that a finished
    // drag is not re-applied twice.
    bool const modeChanged = mode >= 0 && settings->m_eFalloffMode != PfFalloffMode(mode);
    SetFalloffRadius(PfFalloffRadius(radius), /*updatePane=*/true);
    if (modeChanged)
        SetFalloffMode(PfFalloffMode(mode), /*updatePane=*/true);
    return true;
}

void PfTool::loadDeltasFromMorphs() {
    LoadDeltasFromMorphs();
}

void PfTool::saveDeltasToMorph() {
    SaveDeltasToMorph();
}

QVariantMap PfModifier::deltaSummary() const {
    HvVertexOffsets const deltas = getDeltas();
    int nonZero = 0;
    float largest = 0.0f;
    for (auto const& e : deltas) {
        float const length = e.second.dz().length();
        if (length > 0.0f)
            ++nonZero;
        largest = std::max(largest, length);
    }
    return {{QStringLiteral("count"), int(deltas.size())},
            {QStringLiteral("nonZero"), nonZero},
            {QStringLiteral("largest"), double(largest)}};
}
