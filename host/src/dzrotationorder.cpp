#include "dzrotationorder.h"

#include "dzquat.h"

int DzRotationOrder::axisAt(int i) const {
    static int const kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    if (i < 0 || i > 2)
        return 0;
    return kAxes[m_order][i];
}

DzQuat::DzQuat(DzRotationOrder const& order, DzVec3 const& angles) {
    DzQuat result;
    for (int i = 0; i < 3; ++i) {
        int const axis = order.axisAt(i);
        DzVec3 unit;
        unit[axis] = 1.0f;
        // Each later rotation turns what the earlier ones made.
        result = DzQuat(unit, angles[axis]) * result;
    }
    *this = result;
}
