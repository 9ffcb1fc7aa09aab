#include "dzbox3.h"
#include "dzline3.h"
#include "dzmatrix3.h"
#include "dzquat.h"
#include "dzvec3.h"

#include <algorithm>
#include <cmath>
#include <limits>

// ---- DzVec3 ----

DzQuat DzVec3::getRotationTo(DzVec3 const& other) const {
    DzVec3 a = normalized();
    DzVec3 b = other.normalized();
    float c = std::clamp(a.dot(b), -1.0f, 1.0f);
    DzVec3 axis = a.cross(b);
    if (axis.length() < 1e-7f) {
        if (c > 0.0f)
            return DzQuat();
        // Opposite directions: any axis perpendicular to a.
        axis = a.cross(DzVec3(1, 0, 0));
        if (axis.length() < 1e-3f)
            axis = a.cross(DzVec3(0, 1, 0));
    }
    return DzQuat(axis, std::acos(c));
}

// ---- DzQuat ----

void DzQuat::setValue(DzVec3 const& axis, float angle) {
    double len =
        std::sqrt(double(axis.m_x) * axis.m_x + double(axis.m_y) * axis.m_y + double(axis.m_z) * axis.m_z);
    if (len == 0.0) {
        m_w = 1.0;
        m_x = m_y = m_z = 0.0;
        return;
    }
    double s = std::sin(double(angle) * 0.5) / len;
    m_w = std::cos(double(angle) * 0.5);
    m_x = axis.m_x * s;
    m_y = axis.m_y * s;
    m_z = axis.m_z * s;
}

void DzQuat::setValue(DzVec3 const& xAxis, DzVec3 const& yAxis) {
    DzVec3 x = xAxis.normalized();
    DzVec3 y = yAxis - x * x.dot(yAxis);
    y.normalize();
    DzVec3 z = x.cross(y);
    // Columns x, y, z form the rotation matrix; convert it to a quaternion.
    double m00 = x.m_x, m01 = y.m_x, m02 = z.m_x;
    double m10 = x.m_y, m11 = y.m_y, m12 = z.m_y;
    double m20 = x.m_z, m21 = y.m_z, m22 = z.m_z;
    double tr = m00 + m11 + m22;
    if (tr > 0.0) {
        double s = std::sqrt(tr + 1.0) * 2.0;
        m_w = 0.25 * s;
        m_x = (m21 - m12) / s;
        m_y = (m02 - m20) / s;
        m_z = (m10 - m01) / s;
    } else if (m00 > m11 && m00 > m22) {
        double s = std::sqrt(1.0 + m00 - m11 - m22) * 2.0;
        m_w = (m21 - m12) / s;
        m_x = 0.25 * s;
        m_y = (m01 + m10) / s;
        m_z = (m02 + m20) / s;
    } else if (m11 > m22) {
        double s = std::sqrt(1.0 + m11 - m00 - m22) * 2.0;
        m_w = (m02 - m20) / s;
        m_x = (m01 + m10) / s;
        m_y = 0.25 * s;
        m_z = (m12 + m21) / s;
    } else {
        double s = std::sqrt(1.0 + m22 - m00 - m11) * 2.0;
        m_w = (m10 - m01) / s;
        m_x = (m02 + m20) / s;
        m_y = (m12 + m21) / s;
        m_z = 0.25 * s;
    }
    normalize();
}

void DzQuat::getValue(DzVec3& axis, float& angle) const {
    double w = std::clamp(m_w, -1.0, 1.0);
    double s = std::sqrt(std::max(0.0, 1.0 - w * w));
    angle = float(2.0 * std::acos(w));
    if (s < 1e-12)
        axis = DzVec3(1, 0, 0);
    else
        axis = DzVec3(float(m_x / s), float(m_y / s), float(m_z / s));
}

DzQuat DzQuat::operator*(DzQuat const& o) const {
    return DzQuat(m_w * o.m_w - m_x * o.m_x - m_y * o.m_y - m_z * o.m_z,
                  m_w * o.m_x + m_x * o.m_w + m_y * o.m_z - m_z * o.m_y,
                  m_w * o.m_y - m_x * o.m_z + m_y * o.m_w + m_z * o.m_x,
                  m_w * o.m_z + m_x * o.m_y - m_y * o.m_x + m_z * o.m_w);
}

DzVec3 DzQuat::multVec(DzVec3 const& v) const {
    // v' = v + 2w (q x v) + 2 q x (q x v)
    double vx = v.m_x, vy = v.m_y, vz = v.m_z;
    double cx = m_y * vz - m_z * vy, cy = m_z * vx - m_x * vz, cz = m_x * vy - m_y * vx;
    double ccx = m_y * cz - m_z * cy, ccy = m_z * cx - m_x * cz, ccz = m_x * cy - m_y * cx;
    return DzVec3(float(vx + 2.0 * (m_w * cx + ccx)), float(vy + 2.0 * (m_w * cy + ccy)),
                  float(vz + 2.0 * (m_w * cz + ccz)));
}

DzQuat& DzQuat::scaleAngle(double w) {
    DzVec3 axis;
    float angle;
    getValue(axis, angle);
    setValue(axis, float(angle * w));
    return *this;
}

void DzQuat::normalize() {
    double n = std::sqrt(m_w * m_w + m_x * m_x + m_y * m_y + m_z * m_z);
    if (n == 0.0) {
        m_w = 1.0;
        return;
    }
    m_w /= n;
    m_x /= n;
    m_y /= n;
    m_z /= n;
}

// ---- DzMatrix3 ----

DzMatrix3::DzMatrix3(bool init) {
    if (!init)
        return;  // left to be filled, as asked
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
    t = DzVec3();
}

DzMatrix3 DzMatrix3::translation(DzVec3 const& tr) {
    DzMatrix3 r;
    r.t = tr;
    return r;
}

DzMatrix3 DzMatrix3::rotation(DzQuat const& q) {
    DzMatrix3 r;
    DzVec3 cols[3] = {q.multVec({1, 0, 0}), q.multVec({0, 1, 0}), q.multVec({0, 0, 1})};
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row) r.m[row][c] = cols[c][row];
    return r;
}

DzMatrix3 DzMatrix3::scaling(DzVec3 const& s) {
    DzMatrix3 r;
    for (int i = 0; i < 3; ++i) r.m[i][i] = s[i];
    return r;
}

DzMatrix3 DzMatrix3::operator*(DzMatrix3 const& o) const {
    DzMatrix3 r(false);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
    r.t = multPnt(o.t);
    return r;
}

DzMatrix3 DzMatrix3::inverse() const {
    double a = m[0][0], b = m[0][1], c = m[0][2];
    double d = m[1][0], e = m[1][1], f = m[1][2];
    double g = m[2][0], h = m[2][1], i = m[2][2];
    double A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    double det = a * A + b * B + c * C;
    DzMatrix3 r(false);
    if (det == 0.0) {
        r = DzMatrix3(true);  // a singular transform has no inverse; identity keeps callers finite
        return r;
    }
    double inv = 1.0 / det;
    r.m[0][0] = float(A * inv);
    r.m[0][1] = float(-(b * i - c * h) * inv);
    r.m[0][2] = float((b * f - c * e) * inv);
    r.m[1][0] = float(B * inv);
    r.m[1][1] = float((a * i - c * g) * inv);
    r.m[1][2] = float(-(a * f - c * d) * inv);
    r.m[2][0] = float(C * inv);
    r.m[2][1] = float(-(a * h - b * g) * inv);
    r.m[2][2] = float((a * e - b * d) * inv);
    r.t = DzVec3();
    DzVec3 nt = r.multPnt(t);
    r.t = -nt;
    return r;
}

// ---- DzLine3 ----

float DzLine3::minDistance(DzVec3 const& point, bool clampToSegment) const {
    DzVec3 d = m_end - m_start;
    float len2 = d.lengthSquared();
    if (len2 == 0.0f)
        return (point - m_start).length();
    float s = (point - m_start).dot(d) / len2;
    if (clampToSegment)
        s = std::clamp(s, 0.0f, 1.0f);
    return (point - (m_start + d * s)).length();
}

float DzLine3::minDistance(DzLine3 const& other, float& tThis, float& tOther) const {
    // Closest points of two infinite lines, in double for nearly parallel lines.
    double ux = double(m_end.m_x) - m_start.m_x, uy = double(m_end.m_y) - m_start.m_y,
           uz = double(m_end.m_z) - m_start.m_z;
    double vx = double(other.m_end.m_x) - other.m_start.m_x, vy = double(other.m_end.m_y) - other.m_start.m_y,
           vz = double(other.m_end.m_z) - other.m_start.m_z;
    double lu = std::sqrt(ux * ux + uy * uy + uz * uz), lv = std::sqrt(vx * vx + vy * vy + vz * vz);
    if (lu > 0) {
        ux /= lu;
        uy /= lu;
        uz /= lu;
    }
    if (lv > 0) {
        vx /= lv;
        vy /= lv;
        vz /= lv;
    }
    double wx = double(m_start.m_x) - other.m_start.m_x, wy = double(m_start.m_y) - other.m_start.m_y,
           wz = double(m_start.m_z) - other.m_start.m_z;
    double b = ux * vx + uy * vy + uz * vz;
    double d = ux * wx + uy * wy + uz * wz;
    double e = vx * wx + vy * wy + vz * wz;
    double denom = 1.0 - b * b;
    double s, t;
    if (denom < 1e-12) {
        s = 0.0;  // parallel: any point of this line, its foot on the other
        t = e;
    } else {
        s = (b * e - d) / denom;
        t = (e - b * d) / denom;
    }
    tThis = float(s);
    tOther = float(t);
    double px = wx + ux * s - vx * t, py = wy + uy * s - vy * t, pz = wz + uz * s - vz * t;
    return float(std::sqrt(px * px + py * py + pz * pz));
}

bool DzLine3::planeIntersect(DzVec3 const& planePoint, DzVec3 const& planeNormal, DzVec3& result) const {
    DzVec3 d = m_end - m_start;
    float denom = planeNormal.dot(d);
    if (std::fabs(denom) < std::numeric_limits<float>::epsilon() * d.length() * planeNormal.length())
        return false;
    float s = planeNormal.dot(planePoint - m_start) / denom;
    result = m_start + d * s;
    return true;
}

// ---- DzBox3 ----

void DzBox3::include(DzVec3 const& p) {
    if (!m_valid) {
        m_min = m_max = p;
        m_valid = true;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        m_min[i] = std::min(m_min[i], p[i]);
        m_max[i] = std::max(m_max[i], p[i]);
    }
}

bool DzBox3::testIntersection(DzLine3 const& line, float tolerance) const {
    if (!m_valid)
        return false;
    // Slab test on the segment start + s * (end - start), s in [0, 1].
    DzVec3 o = line.getStart();
    DzVec3 d = line.getEnd() - o;
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 3; ++i) {
        double mn = double(m_min[i]) - tolerance, mx = double(m_max[i]) + tolerance;
        if (d[i] == 0.0f) {
            if (o[i] < mn || o[i] > mx)
                return false;
            continue;
        }
        double s1 = (mn - o[i]) / d[i], s2 = (mx - o[i]) / d[i];
        if (s1 > s2)
            std::swap(s1, s2);
        lo = std::max(lo, s1);
        hi = std::min(hi, s2);
        if (lo > hi)
            return false;
    }
    return true;
}
