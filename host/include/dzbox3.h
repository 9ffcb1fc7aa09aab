#pragma once

#include "dzline3.h"
#include "dzvec3.h"

// Axis-aligned box; invalid until it includes a point.
class DzBox3 {
public:
    DzBox3() = default;
    DzBox3(DzVec3 const& min, DzVec3 const& max) : m_min(min), m_max(max), m_valid(true) {}

    bool isValid() const { return m_valid; }
    DzVec3 const& getMin() const { return m_min; }
    DzVec3 const& getMax() const { return m_max; }
    DzVec3 getCenter() const { return (m_min + m_max) * 0.5f; }
    void include(DzVec3 const& p);
    // Whether the segment from the line's start to its end passes through the box grown by tolerance.
    bool testIntersection(DzLine3 const& line, float tolerance) const;

private:
    DzVec3 m_min;
    DzVec3 m_max;
    bool m_valid = false;
};
