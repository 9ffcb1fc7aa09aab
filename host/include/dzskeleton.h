#pragma once

#include "dznode.h"

// A node that carries a figure's bones and geometry.
class DzSkeleton : public DzNode {
    Q_OBJECT
public:
    DzSkeleton() = default;
    ~DzSkeleton() override = default;
};
