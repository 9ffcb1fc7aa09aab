#pragma once

#include <cmath>

class DzQuat;

// Three floats and nothing else: plug-in vector types share this layout.
class DzVec3 {
public:
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_z = 0.0f;

    DzVec3() = default;
    DzVec3(float x, float y, float z) : m_x(x), m_y(y), m_z(z) {}
    explicit DzVec3(float const v[3]) : m_x(v[0]), m_y(v[1]), m_z(v[2]) {}

    float operator[](int i) const { return (&m_x)[i]; }
    float& operator[](int i) { return (&m_x)[i]; }

    DzVec3 operator+(DzVec3 const& o) const { return {m_x + o.m_x, m_y + o.m_y, m_z + o.m_z}; }
    DzVec3 operator-(DzVec3 const& o) const { return {m_x - o.m_x, m_y - o.m_y, m_z - o.m_z}; }
    DzVec3 operator-() const { return {-m_x, -m_y, -m_z}; }
    DzVec3 operator*(float s) const { return {m_x * s, m_y * s, m_z * s}; }
    DzVec3 operator/(float s) const { return {m_x / s, m_y / s, m_z / s}; }
    DzVec3& operator+=(DzVec3 const& o) {
        m_x += o.m_x;
        m_y += o.m_y;
        m_z += o.m_z;
        return *this;
    }
    DzVec3& operator-=(DzVec3 const& o) {
        m_x -= o.m_x;
        m_y -= o.m_y;
        m_z -= o.m_z;
        return *this;
    }
    DzVec3& operator*=(float s) {
        m_x *= s;
        m_y *= s;
        m_z *= s;
        return *this;
    }
    bool operator==(DzVec3 const& o) const { return m_x == o.m_x && m_y == o.m_y && m_z == o.m_z; }
    bool operator!=(DzVec3 const& o) const { return !(*this == o); }

    float dot(DzVec3 const& o) const { return m_x * o.m_x + m_y * o.m_y + m_z * o.m_z; }
    DzVec3 cross(DzVec3 const& o) const {
        return {m_y * o.m_z - m_z * o.m_y, m_z * o.m_x - m_x * o.m_z, m_x * o.m_y - m_y * o.m_x};
    }
    float length() const { return std::sqrt(dot(*this)); }
    float lengthSquared() const { return dot(*this); }

    // A zero vector stays zero.
    DzVec3& normalize() {
        float len = length();
        if (len > 0.0f)
            *this *= 1.0f / len;
        return *this;
    }
    DzVec3 normalized() const { return DzVec3(*this).normalize(); }
    void setLength(float len) {
        normalize();
        *this *= len;
    }

    static bool equals(DzVec3 const& a, DzVec3 const& b, float tolerance) {
        return std::fabs(a.m_x - b.m_x) <= tolerance && std::fabs(a.m_y - b.m_y) <= tolerance &&
               std::fabs(a.m_z - b.m_z) <= tolerance;
    }

    // The shortest rotation that turns this direction onto the other.
    DzQuat getRotationTo(DzVec3 const& other) const;
};

inline DzVec3 operator*(float s, DzVec3 const& v) {
    return v * s;
}
