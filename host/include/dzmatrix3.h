#pragma once

#include "dzquat.h"
#include "dzvec3.h"

// Affine transform: a 3x3 linear part and a translation. Both multPnt and multVec apply the whole transform.
class DzMatrix3 {
public:
    explicit DzMatrix3(bool init = true);

    static DzMatrix3 identity() { return DzMatrix3(true); }
    static DzMatrix3 translation(DzVec3 const& t);
    static DzMatrix3 rotation(DzQuat const& q);
    static DzMatrix3 scaling(DzVec3 const& s);

    // Inline: the host applies it to every vertex of every evaluation.
    DzVec3 multPnt(DzVec3 const& p) const {
        return DzVec3(m[0][0] * p.m_x + m[0][1] * p.m_y + m[0][2] * p.m_z + t.m_x,
                      m[1][0] * p.m_x + m[1][1] * p.m_y + m[1][2] * p.m_z + t.m_y,
                      m[2][0] * p.m_x + m[2][1] * p.m_y + m[2][2] * p.m_z + t.m_z);
    }
    DzVec3 multVec(DzVec3 const& v) const { return multPnt(v); }
    // this * other: other is applied first.
    DzMatrix3 operator*(DzMatrix3 const& other) const;
    DzMatrix3 inverse() const;

    float m[3][3];  // row-major linear part
    DzVec3 t;
};
