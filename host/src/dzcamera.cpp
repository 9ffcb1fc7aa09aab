// The perspective camera of a 3D view.
#include "dzcamera.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
float radians(float degrees) {
    return float(degrees * kPi / 180.0);
}

}  // namespace

DzCamera::DzCamera(QString const& name) {
    setName(name);
    connect(this, &DzNode::transformChanged, this, &DzCamera::cameraChanged);
    lookAt(DzVec3(0.0f, 0.0f, 10.0f), DzVec3(0.0f, 0.0f, 0.0f));
}

DzCamera::~DzCamera() = default;

void DzCamera::setFieldOfView(float degrees) {
    degrees = std::clamp(degrees, 1.0f, 170.0f);
    if (degrees == m_fieldOfView)
        return;
    m_fieldOfView = degrees;
    emit cameraChanged();
}

void DzCamera::setClipRange(float nearClip, float farClip) {
    nearClip = std::max(nearClip, 1e-6f);
    farClip = std::max(farClip, nearClip * 1.001f);
    if (nearClip == m_nearClip && farClip == m_farClip)
        return;
    m_nearClip = nearClip;
    m_farClip = farClip;
    emit cameraChanged();
}

void DzCamera::setFocalDistance(float distance) {
    m_focalDistance = std::max(distance, 1e-4f);
}

DzVec3 DzCamera::getViewDirection() const {
    return getWSRot().multVec(DzVec3(0.0f, 0.0f, -1.0f)).normalized();
}

DzVec3 DzCamera::getUpVector() const {
    return getWSRot().multVec(DzVec3(0.0f, 1.0f, 0.0f)).normalized();
}

DzVec3 DzCamera::getFocalPoint() const {
    return getWSPos() + getViewDirection() * m_focalDistance;
}

// One transformChanged() for the whole move; the clipping range follows the focal distance.
void DzCamera::placeAt(DzVec3 const& eye, DzQuat const& rotation, float focalDistance) {
    m_focalDistance = std::max(focalDistance, 1e-4f);
    m_nearClip = m_focalDistance * 0.01f;
    m_farClip = m_focalDistance * 100.0f;
    {
        QSignalBlocker block(this);
        setLocalPos(eye - getOrigin());
    }
    setLocalRot(rotation);
}

void DzCamera::lookAt(DzVec3 const& eye, DzVec3 const& target, DzVec3 const& up) {
    DzVec3 forward = target - eye;
    float const distance = forward.length();
    if (distance <= 0.0f)
        return;
    forward *= 1.0f / distance;
    DzVec3 right = forward.cross(up);
    if (right.length() < 1e-6f)
        right = forward.cross(std::fabs(forward.m_z) < 0.9f ? DzVec3(0, 0, 1) : DzVec3(1, 0, 0));
    right.normalize();
    DzVec3 const trueUp = right.cross(forward).normalized();
    DzQuat rotation;
    rotation.setValue(right, trueUp);
    placeAt(eye, rotation, distance);
}

void DzCamera::frame(DzBox3 const& box, double aspect) {
    if (!box.isValid())
        return;
    DzVec3 const center = box.getCenter();
    float const radius = std::max((box.getMax() - box.getMin()).length() * 0.5f, 1e-3f);
    double const halfV = radians(m_fieldOfView) * 0.5;
    double const halfH = std::atan(std::tan(halfV) * std::max(aspect, 1e-3));
    double const half = std::min(halfV, halfH);
    float const distance = float(radius / std::sin(half) * 1.05);
    lookAt(center - getViewDirection() * distance, center, getUpVector());
}

void DzCamera::orbit(float yawDegrees, float pitchDegrees) {
    DzVec3 const focal = getFocalPoint();
    DzVec3 const worldUp(0.0f, 1.0f, 0.0f);
    DzVec3 offset = getWSPos() - focal;
    DzQuat const yaw(worldUp, radians(yawDegrees));
    offset = yaw.multVec(offset);
    DzVec3 up = yaw.multVec(getUpVector());
    DzVec3 const right = yaw.multVec(getWSRot().multVec(DzVec3(1.0f, 0.0f, 0.0f)));
    DzQuat const pitch(right, radians(pitchDegrees));
    DzVec3 const pitched = pitch.multVec(offset);
    // Stops short of looking straight up or down, where the horizon would flip.
    if (std::fabs(pitched.normalized().dot(worldUp)) < 0.995f) {
        offset = pitched;
        up = pitch.multVec(up);
    }
    lookAt(focal + offset, focal, up.dot(worldUp) >= 0.0f ? worldUp : -worldUp);
}

void DzCamera::pan(float right, float up) {
    DzVec3 const r = getWSRot().multVec(DzVec3(1.0f, 0.0f, 0.0f));
    DzVec3 const u = getUpVector();
    placeAt(getWSPos() + r * right + u * up, getWSRot(), m_focalDistance);
}

void DzCamera::dolly(float factor) {
    if (!(factor > 0.0f))
        return;
    DzVec3 const focal = getFocalPoint();
    float const distance = std::max(m_focalDistance * factor, 1e-4f);
    placeAt(focal - getViewDirection() * distance, getWSRot(), distance);
}

void DzCamera::getModelViewMatrix(double out[16]) const {
    DzMatrix3 const r = DzMatrix3::rotation(getWSRot());
    DzVec3 const eye = getWSPos();
    // The inverse of the camera's rotation and translation: rows of r become columns.
    for (int row = 0; row < 3; ++row) {
        double t = 0.0;
        for (int col = 0; col < 3; ++col) {
            out[col * 4 + row] = r.m[col][row];
            t -= double(r.m[col][row]) * double(eye[col]);
        }
        out[12 + row] = t;
        out[row * 4 + 3] = 0.0;
    }
    out[15] = 1.0;
}

void DzCamera::getProjectionMatrix(double aspect, double out[16]) const {
    double const f = 1.0 / std::tan(radians(m_fieldOfView) * 0.5);
    double const n = m_nearClip;
    double const fa = m_farClip;
    aspect = aspect > 0.0 ? aspect : 1.0;
    for (int i = 0; i < 16; ++i) out[i] = 0.0;
    out[0] = f / aspect;
    out[5] = f;
    out[10] = (fa + n) / (n - fa);
    out[11] = -1.0;
    out[14] = 2.0 * fa * n / (n - fa);
}
