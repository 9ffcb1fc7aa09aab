#pragma once

#include "dzbox3.h"
#include "dznode.h"

// A perspective camera node that a 3D view looks through. It looks down its local -Z axis with +Y up, from
// its world position (getWSPos) turned by its world rotation (getWSRot). It orbits about, and zooms towards,
// its focal point, which lies the focal distance in front of it. Its moves keep the clipping range at a
// hundredth to a hundred times the focal distance; setClipRange() holds until the next move.
class DzCamera : public DzNode {
    Q_OBJECT
public:
    explicit DzCamera(QString const& name = QString());
    ~DzCamera() override;

    // Vertical field of view in degrees (1 to 170).
    float getFieldOfView() const { return m_fieldOfView; }
    void setFieldOfView(float degrees);
    // Near and far clipping distances (near > 0, far > near).
    float getNearClip() const { return m_nearClip; }
    float getFarClip() const { return m_farClip; }
    void setClipRange(float nearClip, float farClip);
    float getFocalDistance() const { return m_focalDistance; }
    void setFocalDistance(float distance);

    DzVec3 getViewDirection() const;  // world -Z of the camera
    DzVec3 getUpVector() const;       // world +Y of the camera
    DzVec3 getFocalPoint() const;

    // Puts the camera at eye looking at target (which becomes the focal point); up need not be exact.
    void lookAt(DzVec3 const& eye, DzVec3 const& target, DzVec3 const& up = DzVec3(0.0f, 1.0f, 0.0f));
    // Keeps the view direction and moves back so that a box of that size fills the view; the clipping
    // range follows. Nothing for an invalid box.
    void frame(DzBox3 const& box, double aspect = 1.0);

    // Camera moves: turns about the focal point (degrees; yaw about world Y, pitch about the camera's X,
    // stopping short of the poles), moves sideways in the view plane (scene units), and moves towards the
    // focal point by a factor of its distance (below 1 closer).
    void orbit(float yawDegrees, float pitchDegrees);
    void pan(float right, float up);
    void dolly(float factor);

    // Column-major OpenGL matrices: the world-to-eye transform and gluPerspective for the aspect ratio.
    void getModelViewMatrix(double out[16]) const;
    void getProjectionMatrix(double aspect, double out[16]) const;

signals:
    // Any change of what the camera sees: its transform (transformChanged() too), field of view or clipping.
    void cameraChanged();

private:
    void placeAt(DzVec3 const& eye, DzQuat const& rotation, float focalDistance);
    float m_fieldOfView = 40.0f;
    float m_nearClip = 0.1f;
    float m_farClip = 1000.0f;
    float m_focalDistance = 10.0f;
};
