#pragma once

#include "dzvec3.h"

// A line from start to end; every parameter is a distance in scene units from the start along the line.
class DzLine3 {
public:
    DzLine3() = default;
    DzLine3(DzVec3 const& start, DzVec3 const& end) : m_start(start), m_end(end) {}

    DzVec3 const& getStart() const { return m_start; }
    DzVec3 const& getEnd() const { return m_end; }
    DzVec3 getDirection() const { return (m_end - m_start).normalized(); }
    float length(float scale = 1.0f) const { return (m_end - m_start).length() * scale; }
    DzVec3 getPoint(float t) const { return m_start + getDirection() * t; }

    // Distance from a point to the segment (clampToSegment) or to the infinite line.
    float minDistance(DzVec3 const& point, bool clampToSegment) const;
    // Distance between the two infinite lines, with the parameter of the closest point on each.
    float minDistance(DzLine3 const& other, float& tThis, float& tOther) const;
    // The point where the infinite line meets the plane; false when it runs parallel to it.
    bool planeIntersect(DzVec3 const& planePoint, DzVec3 const& planeNormal, DzVec3& result) const;

private:
    DzVec3 m_start;
    DzVec3 m_end;
};
