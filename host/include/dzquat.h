#pragma once

#include "dzvec3.h"

class DzRotationOrder;

// Unit quaternion of a rotation.
class DzQuat {
public:
    double m_w = 1.0;
    double m_x = 0.0;
    double m_y = 0.0;
    double m_z = 0.0;

    DzQuat() = default;
    DzQuat(DzVec3 const& axis, float angle) { setValue(axis, angle); }
    // Euler angles in radians, turned in the given order.
    DzQuat(DzRotationOrder const& order, DzVec3 const& angles);

    // Rotation by angle (radians) about axis; a zero axis gives the identity.
    void setValue(DzVec3 const& axis, float angle);
    // Rotation whose frame has x as its X axis and y as its Y axis (orthonormalised).
    void setValue(DzVec3 const& x, DzVec3 const& y);
    void getValue(DzVec3& axis, float& angle) const;

    DzQuat operator*(DzQuat const& o) const;
    DzQuat inverse() const { return DzQuat(m_w, -m_x, -m_y, -m_z); }
    DzVec3 multVec(DzVec3 const& v) const;
    DzVec3 multPnt(DzVec3 const& p) const { return multVec(p); }
    // Same axis, angle times w.
    DzQuat& scaleAngle(double w);
    void normalize();

private:
    DzQuat(double w, double x, double y, double z) : m_w(w), m_x(x), m_y(y), m_z(z) {}
};
