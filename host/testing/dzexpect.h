#pragma once

#include <gtest/gtest.h>

#include "dzvec3.h"

namespace dztest {

// Each coordinate within the tolerance of the wanted one; a failure shows both vectors.
inline void expectNear(DzVec3 const& got, DzVec3 const& want, float tolerance = 1e-5f) {
    EXPECT_TRUE(DzVec3::equals(got, want, tolerance))
        << "(" << got.m_x << ", " << got.m_y << ", " << got.m_z << ") vs (" << want.m_x << ", " << want.m_y
        << ", " << want.m_z << "), tolerance " << tolerance;
}

}  // namespace dztest
