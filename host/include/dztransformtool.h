#pragma once

#include "dzpicktool.h"

// Base of tools that move things in the viewport; picks like the pick tool where a subclass does not
// override the events.
class DzTransformTool : public DzPickTool {
    Q_OBJECT
public:
    explicit DzTransformTool(QString const& name, QObject* parent = nullptr);
    ~DzTransformTool() override;
};
