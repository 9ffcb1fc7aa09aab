#include "pf_gizmo.h"

#include <GL/glu.h>
#include <qopengl.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dzcamera.h"
#include "dzrotationorder.h"
#include "hv_glguards.h"

namespace {

float const kEpsilon = 1.1920929e-7f;
// Radians to degrees, negated: the sense in which the cones and arcs are turned.
float const kMinusRadToDeg = -57.29578f;
// Two units in the last place below pi/2.
float const kRingTurn = 1.5707961f;
float const kRingRadiusFactor = 0.8f;
float const kRingTolerance = 1.0f;
// Below this length a selection normal gives no direction.
float const kMinNormalLength = 1e-6f;

DzVec3 const kWorldX(1.0f, 0.0f, 0.0f);
DzVec3 const kWorldZ(0.0f, 0.0f, 1.0f);

// The angle (degrees) of a point on the circle of q about centre, as Hv3dCircle counts its angles.
float circleAngleOf(DzQuat const& q, HvPoint3 const& centre, HvPoint3 const& p) {
    DzVec3 const local = q.inverse().multVec(p.dz() - centre.dz());
    return std::atan2(local.m_y, local.m_x) / Hv3dCircle::kDegToRad;
}

// The side vector of a surface-normal gizmo: the given one when usable, else one made from the first world
// axis that is not parallel to the normal.
DzVec3 usableSide(DzVec3 const& normal, DzVec3 side) {
    DzVec3 const n = normal.normalized();
    float const sideLength = side.length();
    bool usable = HvIsFinite(side) && sideLength > kMinNormalLength;
    if (usable) {
        float const cosine = n.dot(side) / sideLength;
        if (std::fabs(cosine) > 0.999f)
            usable = false;
        else if (std::fabs(cosine) > 1e-3f)
            side -= n * n.dot(side);  // keep the axes at right angles
    }
    if (usable)
        return side;
    DzVec3 const references[3] = {DzVec3(0.0f, 1.0f, 0.0f), kWorldX, kWorldZ};
    for (DzVec3 const& reference : references) {
        DzVec3 const candidate = reference.cross(n);
        if (candidate.length() > 0.1f)
            return candidate;
    }
    return kWorldX;  // not reached for a unit normal
}

}  // namespace

// ---- PfGizmoInit ----

PfGizmoInit::PfGizmoInit(PfGizmoOrientation orientationType, DzQuat const& nodeRotation, HvVec3 const* normal,
                         HvVec3 const& side, DzCamera* camera, bool clampedStored,
                         DzQuat const& storedOrientation) {
    if (camera)
        cameraRotation = camera->getWSRot();
    // The quaternion products below are in this host's order: a * b turns by b first, then by a. Turning
    // the camera frame by q45 therefore reads cameraRotation * q45.
    static DzQuat const q45(DzRotationOrder::xyz(), DzVec3(0.66322505f, -0.6981316f, -0.47123885f));

    auto fromOrientation = [this](DzQuat const& q) {
        orientation = q;
        x = q.multVec(kWorldX);
        z = q.multVec(kWorldZ);
    };
    auto nodeAxes = [&] { fromOrientation(nodeRotation); };

    switch (orientationType) {
        case PfGizmoOrientation::NodeAxes:
            nodeAxes();
            break;
        case PfGizmoOrientation::WorldAxes:
            fromOrientation(DzQuat());
            break;
        case PfGizmoOrientation::Normal: {
            // Without a usable normal there is no surface to align to: the node's own axes serve.
            if (!normal || !HvIsFinite(normal->dz()) || normal->dz().length() <= kMinNormalLength) {
                nodeAxes();
                break;
            }
            z = *normal;
            x = usableSide(*normal, side);
            orientation.setValue(x, z.cross(x));
            break;
        }
        case PfGizmoOrientation::ZToCamera:
            fromOrientation(cameraRotation);
            break;
        case PfGizmoOrientation::Camera45:
            fromOrientation(cameraRotation * q45);
            break;
        case PfGizmoOrientation::Clamped:
            fromOrientation(clampedStored ? storedOrientation : DzQuat());
            break;
        default:
            break;  // both axes stay zero
    }
}

// ---- PfGizmo ----

struct PfGizmo::Impl {
    DzVec3 origin;
    float size = 1.0f;
    bool recompute = true;
    float coneSize = 0.125f;

    HvPoint3 xh, yh, zh;
    HvPoint3 cornerXY, cornerXZ, cornerYZ;
    HvTriangle3 triangleXY, triangleXZ, triangleYZ;

    // Axis and angle that turn each axis onto +Z: the cones are drawn along +Z and turned back.
    DzVec3 coneAxis[3];
    float coneAngle[3] = {0.0f, 0.0f, 0.0f};

    GLUquadric* quadric = nullptr;

    Hv3dCircle cameraCircle;
    Hv3dCircle ringArc[3];
    DzQuat ringQuat[3];

    bool drewTranslation = false;
    bool drewZParts = false;
    bool drewXYRings = false;
    bool drewZRing = false;

    DzQuat orientation;
};

PfGizmo::PfGizmo() : m_pImpl(std::make_unique<Impl>()) {
    m_pImpl->quadric = gluNewQuadric();
}

PfGizmo::~PfGizmo() {
    if (m_pImpl->quadric)
        gluDeleteQuadric(m_pImpl->quadric);
}

std::unique_ptr<PfGizmo> PfGizmo::Create(PfGizmoInit const& init, DzVec3 const& origin, float size) {
    std::unique_ptr<PfGizmo> gizmo(new PfGizmo);
    gizmo->m_x = init.x;
    gizmo->m_z = init.z;
    Impl& d = *gizmo->m_pImpl;
    d.orientation = init.orientation;
    d.cameraCircle.init(kSegments, init.cameraRotation, 0.0f, 360.0f);
    d.origin = origin;
    d.size = size;
    d.coneSize = 0.125f * size;
    d.recompute = true;
    return gizmo;
}

DzVec3 PfGizmo::getOriginWs() const {
    return m_pImpl->origin;
}

void PfGizmo::setOriginWs(DzVec3 const& origin) {
    m_pImpl->origin = origin;
    m_pImpl->recompute = true;
}

float PfGizmo::getSize() const {
    return m_pImpl->size;
}

float PfGizmo::getConeSize() const {
    return m_pImpl->coneSize;
}

void PfGizmo::resize(float size) {
    m_pImpl->size = size;
    m_pImpl->recompute = true;
}

DzQuat const& PfGizmo::getOrientation() const {
    return m_pImpl->orientation;
}

bool PfGizmo::drewTranslation() const {
    return m_pImpl->drewTranslation;
}

bool PfGizmo::drewZParts() const {
    return m_pImpl->drewZParts;
}

bool PfGizmo::drewXYRings() const {
    return m_pImpl->drewXYRings;
}

bool PfGizmo::drewZRing() const {
    return m_pImpl->drewZRing;
}

void PfGizmo::recomputeIfNeeded() {
    Impl& d = *m_pImpl;
    if (!d.recompute)
        return;
    float const size = d.size;
    d.coneSize = 0.125f * size;
    m_x.dz().setLength(size);
    m_z.dz().setLength(size);
    m_y = m_x.cross(m_z);
    m_y.dz().setLength(-size);  // X, Y, Z right-handed

    HvPoint3 const origin(d.origin);
    d.xh = origin + m_x * 0.5f;
    d.yh = origin + m_y * 0.5f;
    d.zh = origin + m_z * 0.5f;
    d.cornerXY = d.xh + m_y * 0.5f;
    d.cornerXZ = d.xh + m_z * 0.5f;
    d.cornerYZ = d.yh + m_z * 0.5f;
    d.triangleXY = HvTriangle3(d.xh + m_y * 0.25f, d.yh + m_x * 0.25f, d.cornerXY);
    d.triangleYZ = HvTriangle3(d.yh + m_z * 0.25f, d.zh + m_y * 0.25f, d.cornerYZ);
    d.triangleXZ = HvTriangle3(d.xh + m_z * 0.25f, d.zh + m_x * 0.25f, d.cornerXZ);

    HvVec3 const* axes[3] = {&m_x, &m_y, &m_z};
    for (int i = 0; i < 3; ++i) axes[i]->dz().getRotationTo(kWorldZ).getValue(d.coneAxis[i], d.coneAngle[i]);

    // Each ring is the circle of the Z ring turned a quarter about the neighbouring axis, in world space
    // (after the orientation), so that it lies at right angles to its own axis.
    d.ringQuat[0] = DzQuat(m_y, kRingTurn) * d.orientation;
    d.ringArc[0].init(kSegments, d.ringQuat[0], 45.0f, 135.0f);
    d.ringQuat[1] = DzQuat(m_x, kRingTurn) * d.orientation;
    d.ringArc[1].init(kSegments, d.ringQuat[1], 225.0f, 315.0f);
    d.ringQuat[2] = d.orientation;
    d.ringArc[2].init(kSegments, d.ringQuat[2], -45.0f, 45.0f);

    d.recompute = false;
}

void PfGizmo::draw(DrawFlags flags, float sphereRadius, TempDrawFlags temp, HvPoint3* dragStart,
                   HvPoint3* dragCurrent, float angle) {
    recomputeIfNeeded();
    Impl& d = *m_pImpl;
    HvPoint3 const origin(d.origin);

    glDisable(GL_DEPTH_TEST);
    HvGlDisableGuard const noLighting(GL_LIGHTING);
    glPushMatrix();
    GLfloat savedColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glGetFloatv(GL_CURRENT_COLOR, savedColor);
    if (d.quadric)
        gluQuadricDrawStyle(d.quadric, GLU_FILL);
    d.drewTranslation = d.drewZParts = d.drewXYRings = d.drewZRing = false;

    bool const planar = temp.testFlag(TempDrawFlag::Planar);
    bool const moveOnly = temp.testFlag(TempDrawFlag::MoveGizmoOnly);
    bool const ringIsHit = PfIsRing(m_eCurrentHit);

    auto drawAxis = [&](int index, HvVec3 const& axis, bool highlighted) {
        glPushMatrix();
        origin.drawLineTo(origin + axis);
        if (highlighted)
            HvMeshBase::SetColor(HvColor::Yellow);
        HvPoint3 const tip = origin + axis;
        glTranslatef(tip.x, tip.y, tip.z);
        DzVec3 const& rotationAxis = d.coneAxis[index];
        glRotatef(d.coneAngle[index] * kMinusRadToDeg, rotationAxis.m_x, rotationAxis.m_y, rotationAxis.m_z);
        if (d.quadric)
            gluCylinder(d.quadric, d.coneSize, 0.0, 2.0 * d.coneSize, 10, 10);
        glPopMatrix();
    };

    if (flags.testFlag(PfDrawGizmoSetting::Translation) && (moveOnly || !dragStart || !ringIsHit)) {
        d.drewTranslation = true;
        HvGlPolygonModeGuard fill(GL_FILL);
        HvMeshBase::SetColor(HvColor::Red);
        d.xh.drawLineTo(d.cornerXY);
        d.xh.drawLineTo(d.cornerXZ);
        drawAxis(0, m_x, m_eCurrentHit == PfGizmoHit::ConeX);
        HvMeshBase::SetColor(HvColor::Green);
        d.yh.drawLineTo(d.cornerXY);
        d.yh.drawLineTo(d.cornerYZ);
        drawAxis(1, m_y, m_eCurrentHit == PfGizmoHit::ConeY);
        if (planar) {
            HvMeshBase::SetColor(m_eCurrentHit == PfGizmoHit::PlaneXY ? HvColor::Yellow : HvColor::WhiteA60);
            d.triangleXY.draw();
        } else {
            d.drewZParts = true;
            HvMeshBase::SetColor(HvColor::Blue);
            d.zh.drawLineTo(d.cornerXZ);
            d.zh.drawLineTo(d.cornerYZ);
            drawAxis(2, m_z, m_eCurrentHit == PfGizmoHit::ConeZ);
            HvMeshBase::SetColor(m_eCurrentHit == PfGizmoHit::PlaneXY ? HvColor::Yellow : HvColor::WhiteA60);
            d.triangleXY.draw();
            HvMeshBase::SetColor(m_eCurrentHit == PfGizmoHit::PlaneXZ ? HvColor::Yellow : HvColor::WhiteA60);
            d.triangleXZ.draw();
            HvMeshBase::SetColor(m_eCurrentHit == PfGizmoHit::PlaneYZ ? HvColor::Yellow : HvColor::WhiteA60);
            d.triangleYZ.draw();
        }
    }

    if (flags.testFlag(PfDrawGizmoSetting::Rotation) && !moveOnly) {
        HvGlPolygonModeGuard lines(GL_LINE);
        HvGlLineWidthGuard width(2.0f);
        float const radius = kRingRadiusFactor * d.size;

        auto drawRing = [&](PfGizmoHit hit, HvVec3 const& axis, int index, HvColor color) {
            DzQuat const& q = d.ringQuat[index];
            if (hit != m_eCurrentHit) {
                if (!dragStart) {
                    HvMeshBase::SetColor(color);
                    d.ringArc[index].draw(origin, radius);
                }
                return;
            }
            if (!planar) {
                HvMeshBase::SetColor(color);
                HvPoint3(origin - axis * 4.0f).drawLineTo(origin + axis * 4.0f);
            }
            HvMeshBase::SetColor(HvColor::Yellow);
            Hv3dCircle full;
            full.init(kSegments, q, 0.0f, 360.0f);
            full.draw(origin, radius);
            if (!dragStart)
                return;
            origin.drawLineTo(*dragStart);
            if (std::fabs(angle) > kEpsilon && dragCurrent) {
                origin.drawLineTo(*dragCurrent);
                // The swept arc runs from the press point by the angle turned so far, in whichever sense
                // brings it to the current point: the ring's circle may count its angles either way round
                // about the axis.
                float const a0 = circleAngleOf(q, origin, *dragStart);
                float const a1 = circleAngleOf(q, origin, *dragCurrent);
                float const sweep = std::fabs(angle) * -kMinusRadToDeg;
                auto offBy = [&](float end) {
                    float const diff = std::fmod(std::fabs(end - a1), 360.0f);
                    return std::min(diff, 360.0f - diff);
                };
                float const end = offBy(a0 + sweep) <= offBy(a0 - sweep) ? a0 + sweep : a0 - sweep;
                HvMeshBase::SetColor(color);
                HvGlLineWidthGuard wide(10.0f);
                Hv3dCircle swept;
                swept.init(360, q, a0, end);
                swept.draw(origin, radius);
            }
        };

        if (!planar) {
            d.drewXYRings = true;
            drawRing(PfGizmoHit::RingX, m_x, 0, HvColor::Red);
            drawRing(PfGizmoHit::RingY, m_y, 1, HvColor::Green);
        }
        d.drewZRing = true;
        drawRing(PfGizmoHit::RingZ, m_z, 2, HvColor::Blue);
    }

    if (sphereRadius > kEpsilon && flags.testFlag(PfDrawGizmoSetting::Influence)) {
        if (flags.testFlag(PfDrawGizmoSetting::InfluenceAsOutline)) {
            HvGlLineWidthGuard width(10.0f);
            HvMeshBase::SetColor(HvColor::WhiteA30);
            HvGlPolygonModeGuard lines(GL_LINE);
            d.cameraCircle.draw(origin, sphereRadius);
        } else if (d.quadric) {
            glPushMatrix();
            glRenderMode(GL_RENDER);
            HvMeshBase::SetColor(HvColor::WhiteA30);
            glTranslatef(origin.x, origin.y, origin.z);
            gluQuadricDrawStyle(d.quadric, GLU_SILHOUETTE);
            gluSphere(d.quadric, sphereRadius, 20, 20);
            glPopMatrix();
        }
    }
    glColor4fv(savedColor);

    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

bool PfGizmo::hitTestCone(DzLine3 const& ray, HvVec3 const& axis, HvPoint3* target) const {
    Impl const& d = *m_pImpl;
    DzLine3 const axisLine(d.origin, d.origin + axis.dz());
    if (!(ray.minDistance(axisLine.getEnd(), false) < d.coneSize))
        return false;
    if (target) {
        float tAxis = 0.0f;
        float tRay = 0.0f;
        axisLine.minDistance(ray, tAxis, tRay);
        DzVec3 const point = axisLine.getPoint(tAxis);
        if (HvIsFinite(point))
            *target = point;
    }
    return true;
}

bool PfGizmo::hitTest(HvLine3 const& ray, HvPoint3* target) {
    Impl const& d = *m_pImpl;
    DzLine3 const line = ray.toDzLine3();
    PfGizmoHit hit = PfGizmoHit::None;
    float t = 0.0f;
    // One scene unit, but never more than a cone's size: on a small gizmo a fixed unit would make the
    // rings catch every press around them.
    float const ringTolerance = std::min(kRingTolerance, d.coneSize);

    auto planeHit = [&](PfGizmoHit h) {
        hit = h;
        if (target)
            computeDragTargetWs(h, line, target, nullptr);
    };

    if (d.drewTranslation && hitTestCone(line, m_x, target))
        hit = PfGizmoHit::ConeX;
    else if (d.drewTranslation && hitTestCone(line, m_y, target))
        hit = PfGizmoHit::ConeY;
    else if (d.drewZParts && hitTestCone(line, m_z, target))
        hit = PfGizmoHit::ConeZ;
    else if (d.drewTranslation && ray.intersectsTriangle(d.triangleXY, t))
        planeHit(PfGizmoHit::PlaneXY);
    else if (d.drewZParts && ray.intersectsTriangle(d.triangleXZ, t))
        planeHit(PfGizmoHit::PlaneXZ);
    else if (d.drewZParts && ray.intersectsTriangle(d.triangleYZ, t))
        planeHit(PfGizmoHit::PlaneYZ);
    else if (d.drewXYRings && d.ringArc[0].intersectsRay(line, target, ringTolerance))
        hit = PfGizmoHit::RingX;
    else if (d.drewXYRings && d.ringArc[1].intersectsRay(line, target, ringTolerance))
        hit = PfGizmoHit::RingY;
    else if (d.drewZRing && d.ringArc[2].intersectsRay(line, target, ringTolerance))
        hit = PfGizmoHit::RingZ;

    if (hit == m_eCurrentHit)
        return false;
    m_eCurrentHit = hit;
    return true;
}

PfGizmoDragKind PfGizmo::DragKindOf(PfGizmoHit hit) {
    switch (hit) {
        case PfGizmoHit::ConeX:
        case PfGizmoHit::ConeY:
        case PfGizmoHit::ConeZ:
        case PfGizmoHit::PlaneXY:
        case PfGizmoHit::PlaneXZ:
        case PfGizmoHit::PlaneYZ:
            return PfGizmoDragKind::Translate;
        case PfGizmoHit::RingX:
            return PfGizmoDragKind::RotateX;
        case PfGizmoHit::RingY:
            return PfGizmoDragKind::RotateY;
        case PfGizmoHit::RingZ:
            return PfGizmoDragKind::RotateZ;
        default:
            return PfGizmoDragKind::None;
    }
}

PfGizmoDragKind PfGizmo::computeDragTargetWs(PfGizmoHit hit, DzLine3 const& ray, HvPoint3* target,
                                             HvVec3* rotationAxis) const {
    Impl const& d = *m_pImpl;
    PfGizmoDragKind const kind = DragKindOf(hit);
    HvVec3 const* axis = nullptr;    // the axis line, for the cones
    HvVec3 const* normal = nullptr;  // the plane's normal, for the handles and rings
    switch (hit) {
        case PfGizmoHit::ConeX:
            axis = &m_x;
            break;
        case PfGizmoHit::ConeY:
            axis = &m_y;
            break;
        case PfGizmoHit::ConeZ:
            axis = &m_z;
            break;
        case PfGizmoHit::PlaneXY:
            normal = &m_z;
            break;
        case PfGizmoHit::PlaneXZ:
            normal = &m_y;
            break;
        case PfGizmoHit::PlaneYZ:
            normal = &m_x;
            break;
        case PfGizmoHit::RingX:
            normal = &m_x;
            break;
        case PfGizmoHit::RingY:
            normal = &m_y;
            break;
        case PfGizmoHit::RingZ:
            normal = &m_z;
            break;
        default:
            return PfGizmoDragKind::None;
    }

    DzVec3 point;
    if (axis) {
        DzLine3 const axisLine(d.origin, d.origin + axis->dz());
        float tAxis = 0.0f;
        float tRay = 0.0f;
        axisLine.minDistance(ray, tAxis, tRay);
        point = axisLine.getPoint(tAxis);
    } else if (!ray.planeIntersect(d.origin, normal->dz(), point)) {
        return PfGizmoDragKind::None;  // the ray runs along the plane: no point to drag to
    }
    if (!HvIsFinite(point))
        return PfGizmoDragKind::None;
    if (target)
        *target = point;
    if (rotationAxis && kind != PfGizmoDragKind::Translate)
        *rotationAxis = *normal;
    return kind;
}

void PfGizmo::onReleaseDrag() {
    m_eCurrentHit = PfGizmoHit::None;
    m_pImpl->recompute = true;
}
