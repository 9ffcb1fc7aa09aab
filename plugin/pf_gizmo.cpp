#include "pf_gizmo.h"

#include <GL/glu.h>
#include <qopengl.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "dz3dviewport.h"
#include "dzcamera.h"
#include "dzfacetmesh.h"
#include "dznode.h"
#include "dzrotationorder.h"
#include "hv_worldmesh.h"
#include "pf_selection.h"
#include "pf_tool.h"

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

bool isFinite(DzVec3 const& v) {
    return std::isfinite(v.m_x) && std::isfinite(v.m_y) && std::isfinite(v.m_z);
}

void setColor(int color) {
    HvMeshBase::SetColor(HvColor(color));
}

// Restores the polygon modes of front and back faces as they were at construction.
class PolygonModeSaver {
public:
    explicit PolygonModeSaver(GLenum mode) {
        glGetIntegerv(GL_POLYGON_MODE, m_modes);
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    }
    ~PolygonModeSaver() {
        glPolygonMode(GL_FRONT, GLenum(m_modes[0]));
        glPolygonMode(GL_BACK, GLenum(m_modes[1]));
    }
    PolygonModeSaver(PolygonModeSaver const&) = delete;
    PolygonModeSaver& operator=(PolygonModeSaver const&) = delete;

private:
    GLint m_modes[2] = {GL_FILL, GL_FILL};
};

class LineWidthSaver {
public:
    explicit LineWidthSaver(float width) {
        glGetFloatv(GL_LINE_WIDTH, &m_width);
        glLineWidth(width);
    }
    ~LineWidthSaver() { glLineWidth(m_width); }
    LineWidthSaver(LineWidthSaver const&) = delete;
    LineWidthSaver& operator=(LineWidthSaver const&) = delete;

private:
    float m_width = 1.0f;
};

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
    bool usable = isFinite(side) && sideLength > kMinNormalLength;
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

PfGizmoInit::PfGizmoInit(PfGizmoOrientation orientationType, PfSelection& selection, DzCamera* camera,
                         bool clampedStored, DzQuat const& storedOrientation) {
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
    auto nodeAxes = [&] {
        DzNode* node = selection.getNode();
        fromOrientation(node ? node->getWSRot() : DzQuat());
    };

    switch (orientationType) {
        case PF_GIZMO_NODE_AXES:
            nodeAxes();
            break;
        case PF_GIZMO_WORLD_AXES:
            fromOrientation(DzQuat());
            break;
        case PF_GIZMO_NORMAL: {
            HvVec3 normal;
            HvVec3 side;
            // Without a usable normal there is no surface to align to: the node's own axes serve.
            if (!selection.getSelectionNormal(normal, side) || !isFinite(normal) ||
                normal.dz().length() <= kMinNormalLength) {
                nodeAxes();
                break;
            }
            z = normal;
            x = usableSide(normal, side);
            orientation.setValue(x, z.cross(x));
            break;
        }
        case PF_GIZMO_Z_TO_CAMERA:
            fromOrientation(cameraRotation);
            break;
        case PF_GIZMO_CAMERA_45:
            fromOrientation(cameraRotation * q45);
            break;
        case PF_GIZMO_CLAMPED:
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
    bool const lighting = glIsEnabled(GL_LIGHTING);
    if (lighting)
        glDisable(GL_LIGHTING);
    glPushMatrix();
    GLfloat savedColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glGetFloatv(GL_CURRENT_COLOR, savedColor);
    if (d.quadric)
        gluQuadricDrawStyle(d.quadric, GLU_FILL);
    d.drewTranslation = d.drewZParts = d.drewXYRings = d.drewZRing = false;

    bool const planar = temp.testFlag(PF_TEMP_DRAW_PLANAR);
    bool const moveOnly = temp.testFlag(PF_TEMP_DRAW_MOVE_GIZMO_ONLY);
    bool const ringIsHit = m_eCurrentHit >= PF_GIZMO_HIT_RING_X && m_eCurrentHit <= PF_GIZMO_HIT_RING_Z;

    auto drawAxis = [&](int index, HvVec3 const& axis, bool highlighted) {
        glPushMatrix();
        origin.drawLineTo(origin + axis);
        if (highlighted)
            setColor(4);
        HvPoint3 const tip = origin + axis;
        glTranslatef(tip.x, tip.y, tip.z);
        DzVec3 const& rotationAxis = d.coneAxis[index];
        glRotatef(d.coneAngle[index] * kMinusRadToDeg, rotationAxis.m_x, rotationAxis.m_y, rotationAxis.m_z);
        if (d.quadric)
            gluCylinder(d.quadric, d.coneSize, 0.0, 2.0 * d.coneSize, 10, 10);
        glPopMatrix();
    };

    if (flags.testFlag(PF_DRAW_GIZMO_TRANSLATION) && (moveOnly || !dragStart || !ringIsHit)) {
        d.drewTranslation = true;
        PolygonModeSaver fill(GL_FILL);
        setColor(1);
        d.xh.drawLineTo(d.cornerXY);
        d.xh.drawLineTo(d.cornerXZ);
        drawAxis(0, m_x, m_eCurrentHit == PF_GIZMO_HIT_CONE_X);
        setColor(2);
        d.yh.drawLineTo(d.cornerXY);
        d.yh.drawLineTo(d.cornerYZ);
        drawAxis(1, m_y, m_eCurrentHit == PF_GIZMO_HIT_CONE_Y);
        if (planar) {
            setColor(m_eCurrentHit == PF_GIZMO_HIT_PLANE_XY ? 4 : 5);
            d.triangleXY.draw();
        } else {
            d.drewZParts = true;
            setColor(3);
            d.zh.drawLineTo(d.cornerXZ);
            d.zh.drawLineTo(d.cornerYZ);
            drawAxis(2, m_z, m_eCurrentHit == PF_GIZMO_HIT_CONE_Z);
            setColor(m_eCurrentHit == PF_GIZMO_HIT_PLANE_XY ? 4 : 5);
            d.triangleXY.draw();
            setColor(m_eCurrentHit == PF_GIZMO_HIT_PLANE_XZ ? 4 : 5);
            d.triangleXZ.draw();
            setColor(m_eCurrentHit == PF_GIZMO_HIT_PLANE_YZ ? 4 : 5);
            d.triangleYZ.draw();
        }
    }

    if (flags.testFlag(PF_DRAW_GIZMO_ROTATION) && !moveOnly) {
        PolygonModeSaver lines(GL_LINE);
        LineWidthSaver width(2.0f);
        float const radius = kRingRadiusFactor * d.size;

        auto drawRing = [&](PfGizmoHit hit, HvVec3 const& axis, int index, int color) {
            DzQuat const& q = d.ringQuat[index];
            if (hit != m_eCurrentHit) {
                if (!dragStart) {
                    setColor(color);
                    d.ringArc[index].draw(origin, radius);
                }
                return;
            }
            if (!planar) {
                setColor(color);
                HvPoint3(origin - axis * 4.0f).drawLineTo(origin + axis * 4.0f);
            }
            setColor(4);
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
                setColor(color);
                LineWidthSaver wide(10.0f);
                Hv3dCircle swept;
                swept.init(360, q, a0, end);
                swept.draw(origin, radius);
            }
        };

        if (!planar) {
            d.drewXYRings = true;
            drawRing(PF_GIZMO_HIT_RING_X, m_x, 0, 1);
            drawRing(PF_GIZMO_HIT_RING_Y, m_y, 1, 2);
        }
        d.drewZRing = true;
        drawRing(PF_GIZMO_HIT_RING_Z, m_z, 2, 3);
    }

    if (sphereRadius > kEpsilon && flags.testFlag(PF_DRAW_GIZMO_INFLUENCE)) {
        if (flags.testFlag(PF_DRAW_GIZMO_INFLUENCE_AS_OUTLINE)) {
            LineWidthSaver width(10.0f);
            setColor(6);
            PolygonModeSaver lines(GL_LINE);
            d.cameraCircle.draw(origin, sphereRadius);
        } else if (d.quadric) {
            glPushMatrix();
            glRenderMode(GL_RENDER);
            setColor(6);
            glTranslatef(origin.x, origin.y, origin.z);
            gluQuadricDrawStyle(d.quadric, GLU_SILHOUETTE);
            gluSphere(d.quadric, sphereRadius, 20, 20);
            glPopMatrix();
        }
    }
    glColor4fv(savedColor);

    glPopMatrix();
    if (lighting)
        glEnable(GL_LIGHTING);
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
        if (isFinite(point))
            *target = point;
    }
    return true;
}

bool PfGizmo::hitTest(HvLine3 const& ray, HvPoint3* target) {
    Impl const& d = *m_pImpl;
    DzLine3 const line = ray.toDzLine3();
    PfGizmoHit hit = PF_GIZMO_HIT_NONE;
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
        hit = PF_GIZMO_HIT_CONE_X;
    else if (d.drewTranslation && hitTestCone(line, m_y, target))
        hit = PF_GIZMO_HIT_CONE_Y;
    else if (d.drewZParts && hitTestCone(line, m_z, target))
        hit = PF_GIZMO_HIT_CONE_Z;
    else if (d.drewTranslation && ray.intersectsTriangle(d.triangleXY, t))
        planeHit(PF_GIZMO_HIT_PLANE_XY);
    else if (d.drewZParts && ray.intersectsTriangle(d.triangleXZ, t))
        planeHit(PF_GIZMO_HIT_PLANE_XZ);
    else if (d.drewZParts && ray.intersectsTriangle(d.triangleYZ, t))
        planeHit(PF_GIZMO_HIT_PLANE_YZ);
    else if (d.drewXYRings && d.ringArc[0].intersectsRay(line, target, ringTolerance))
        hit = PF_GIZMO_HIT_RING_X;
    else if (d.drewXYRings && d.ringArc[1].intersectsRay(line, target, ringTolerance))
        hit = PF_GIZMO_HIT_RING_Y;
    else if (d.drewZRing && d.ringArc[2].intersectsRay(line, target, ringTolerance))
        hit = PF_GIZMO_HIT_RING_Z;

    if (hit == m_eCurrentHit)
        return false;
    m_eCurrentHit = hit;
    return true;
}

PfGizmoDragKind PfGizmo::DragKindOf(PfGizmoHit hit) {
    switch (hit) {
        case PF_GIZMO_HIT_CONE_X:
        case PF_GIZMO_HIT_CONE_Y:
        case PF_GIZMO_HIT_CONE_Z:
        case PF_GIZMO_HIT_PLANE_XY:
        case PF_GIZMO_HIT_PLANE_XZ:
        case PF_GIZMO_HIT_PLANE_YZ:
            return PF_GIZMO_DRAG_TRANSLATE;
        case PF_GIZMO_HIT_RING_X:
            return PF_GIZMO_DRAG_ROTATE_X;
        case PF_GIZMO_HIT_RING_Y:
            return PF_GIZMO_DRAG_ROTATE_Y;
        case PF_GIZMO_HIT_RING_Z:
            return PF_GIZMO_DRAG_ROTATE_Z;
        default:
            return PF_GIZMO_DRAG_NONE;
    }
}

int PfGizmo::computeDragTargetWs(PfGizmoHit hit, DzLine3 const& ray, HvPoint3* target,
                                 HvVec3* rotationAxis) const {
    Impl const& d = *m_pImpl;
    PfGizmoDragKind const kind = DragKindOf(hit);
    HvVec3 const* axis = nullptr;    // the axis line, for the cones
    HvVec3 const* normal = nullptr;  // the plane's normal, for the handles and rings
    switch (hit) {
        case PF_GIZMO_HIT_CONE_X:
            axis = &m_x;
            break;
        case PF_GIZMO_HIT_CONE_Y:
            axis = &m_y;
            break;
        case PF_GIZMO_HIT_CONE_Z:
            axis = &m_z;
            break;
        case PF_GIZMO_HIT_PLANE_XY:
            normal = &m_z;
            break;
        case PF_GIZMO_HIT_PLANE_XZ:
            normal = &m_y;
            break;
        case PF_GIZMO_HIT_PLANE_YZ:
            normal = &m_x;
            break;
        case PF_GIZMO_HIT_RING_X:
            normal = &m_x;
            break;
        case PF_GIZMO_HIT_RING_Y:
            normal = &m_y;
            break;
        case PF_GIZMO_HIT_RING_Z:
            normal = &m_z;
            break;
        default:
            return PF_GIZMO_DRAG_NONE;
    }

    DzVec3 point;
    if (axis) {
        DzLine3 const axisLine(d.origin, d.origin + axis->dz());
        float tAxis = 0.0f;
        float tRay = 0.0f;
        axisLine.minDistance(ray, tAxis, tRay);
        point = axisLine.getPoint(tAxis);
    } else if (!ray.planeIntersect(d.origin, normal->dz(), point)) {
        return PF_GIZMO_DRAG_NONE;  // the ray runs along the plane: no point to drag to
    }
    if (!isFinite(point))
        return PF_GIZMO_DRAG_NONE;
    if (target)
        *target = point;
    if (rotationAxis && kind != PF_GIZMO_DRAG_TRANSLATE)
        *rotationAxis = *normal;
    return kind;
}

void PfGizmo::onReleaseDrag() {
    m_eCurrentHit = PF_GIZMO_HIT_NONE;
    m_pImpl->recompute = true;
}

// ---- PfSelection: the gizmo of each viewport ----

void PfSelection::makeGizmo(Dz3DViewport* view, unsigned long gizmoSize, PfGizmoOrientation orientation) {
    ViewportData& vd = m_viewports[view];
    DzCamera* camera = view ? view->getCamera() : nullptr;
    DzFacetMesh const* mesh = worldMesh();
    if (!camera || !mesh) {
        vd.gizmo.reset();
        return;
    }
    DzVec3 const cameraPos = camera->getWSPos();
    int const vertexCount = mesh->getNumVertices();
    float const(*vertices)[3] = mesh->getVerticesPtr();

    if (vd.originState == 0) {
        bool found = false;
        float nearest = 0.0f;
        for (int v : m_vertices) {
            if (v < 0 || v >= vertexCount)
                continue;  // an index from another mesh
            float const distance = (DzVec3(vertices[v]) - cameraPos).length();
            if (!found || distance < nearest) {
                found = true;
                nearest = distance;
                vd.originVertex = v;
            }
        }
        if (found)
            vd.originState = 1;
    }
    if (vd.originState != 2 && vd.originVertex >= 0 && vd.originVertex < vertexCount)
        vd.originWs = DzVec3(vertices[vd.originVertex]);

    double const distance = (vd.originWs - cameraPos).length();
    double const divisor = std::max(1.0, double(gizmoSize) * -4.0 + 40.0 + 20.0);
    float const size = float(distance / divisor);

    PfGizmoInit const init(orientation, *this, camera, vd);
    vd.gizmo = PfGizmo::Create(init, vd.originWs, size);
    if (orientation != PF_GIZMO_CLAMPED) {
        vd.storedOrientation = init.orientation;
        vd.clampedOrientationStored = true;
    }
}

void PfSelection::drawGizmo(Dz3DViewport* view) {
    PfSettings const& settings = *PfSettings::Get();
    uint32_t const shown = PF_DRAW_GIZMO_TRANSLATION | PF_DRAW_GIZMO_ROTATION | PF_DRAW_GIZMO_INFLUENCE;
    if ((settings.m_uDrawGizmoFlags & shown) == 0)
        return;
    ViewportData& vd = m_viewports[view];
    if (!vd.gizmo)
        makeGizmo(view, static_cast<unsigned long>(settings.m_ullGizmoSize), settings.m_eGizmoOrientation);
    if (!vd.gizmo)
        return;
    PfGizmo::TempDrawFlags temp;
    if (m_bMoveGizmoOnly)
        temp |= PfGizmo::PF_TEMP_DRAW_MOVE_GIZMO_ONLY;
    if (settings.m_eGizmoOrientation == PF_GIZMO_Z_TO_CAMERA)
        temp |= PfGizmo::PF_TEMP_DRAW_PLANAR;
    bool const dragging = m_uState == PF_STATE_MOVING_GIZMO || m_uState == PF_STATE_TRANSLATING ||
                          m_uState == PF_STATE_ROTATING;
    vd.gizmo->draw(PfGizmo::DrawFlags(QFlag(int(settings.m_uDrawGizmoFlags))),
                   float(settings.m_ullFalloffRadius / 10.0), temp, dragging ? &m_dragStart : nullptr,
                   &m_dragCurrent, m_fCurrentAngle);
}

int PfSelection::getGizmoOriginState(Dz3DViewport* view) {
    return m_viewports[view].originState;
}

bool PfSelection::isAnyGizmoMovedManually() const {
    for (auto const& entry : m_viewports)
        if (entry.second.originState == 2)
            return true;
    return false;
}
