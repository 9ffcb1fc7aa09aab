#pragma once

#include "dzviewtool.h"

// The host's default tool: a left click selects the nearest node under the mouse as the only selected node
// and the primary one (with Ctrl it is added to, or taken from, the selection); a click on nothing deselects
// every node. It never takes the drag, so a left drag turns the camera whatever was clicked.
class DzPickTool : public DzViewTool {
    Q_OBJECT
public:
    explicit DzPickTool(QString const& name = QStringLiteral("Node Selection"), QObject* parent = nullptr);
    ~DzPickTool() override;

    void activate() override;
    void deactivate() override;
    bool mousePress(Dz3DViewport* view, QMouseEvent* event,
                    DzViewportMgr::ViewMouseModifier modifier) override;
};
