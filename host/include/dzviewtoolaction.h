#pragma once

#include <QString>

#include "dzaction.h"

class DzViewTool;

// An action that makes a viewport tool, found by its class name in the viewport manager, the active one. It
// is checked while that tool is active.
class DzViewToolAction : public DzAction {
    Q_OBJECT
public:
    explicit DzViewToolAction(char const* toolClassName);
    ~DzViewToolAction() override;

    QString getToolClassName() const { return m_toolClassName; }

    // Where the host places the action unless the user moved it.
    QString getActionGroup() const override;
    virtual QString getDefaultMenuPath() const;
    virtual QString getDefaultToolBar() const;

public slots:
    void executeAction() override;

private slots:
    void slotActiveToolChanged(DzViewTool* tool);

private:
    void followActiveTool();

    QString m_toolClassName;
};
