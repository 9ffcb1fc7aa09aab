#pragma once

#include "dznode.h"

// A scene node that a 3D view looks through.
class DzCamera : public DzNode {
    Q_OBJECT
public:
    explicit DzCamera(QString const& name = QString());
    ~DzCamera() override;
};
