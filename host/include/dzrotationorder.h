#pragma once

// The order in which the three Euler rotations of a rotation are applied.
class DzRotationOrder {
public:
    enum Order { XYZ = 0, XZY, YXZ, YZX, ZXY, ZYX };

    DzRotationOrder() = default;
    explicit DzRotationOrder(Order order) : m_order(order) {}

    // About X first, then Y, then Z (each about the fixed world axes).
    static DzRotationOrder xyz() { return DzRotationOrder(XYZ); }
    Order getOrder() const { return m_order; }
    // The axis index (0 X, 1 Y, 2 Z) applied at position i (0 first).
    int axisAt(int i) const;

private:
    Order m_order = XYZ;
};
