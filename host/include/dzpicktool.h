#pragma once

#include "dzviewtool.h"

// The host's default tool: picks nodes in the viewport.
class DzPickTool : public DzViewTool {
    Q_OBJECT
public:
    explicit DzPickTool(QString const& name = QStringLiteral("Node Selection"), QObject* parent = nullptr);
    ~DzPickTool() override;
};
