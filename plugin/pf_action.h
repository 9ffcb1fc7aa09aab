#pragma once

// The plug-in's host actions: the tool action and the fifteen commands, the shortcuts they borrow from the
// host's own facet-selection actions, and the menu items that show a borrowed shortcut.

#include <QKeySequence>
#include <QString>
#include <QtCore/qnamespace.h>

#include "dzaction.h"
#include "hv_toolaction.h"
#include "pf_settings.h"

class DzActionMgr;
class DzMenu;
class QKeyEvent;

// Switches the host to the Pullform viewport tool; its icon follows the host's interface style.
class PfToolAction : public HvToolActionBase {
    Q_OBJECT
public:
    PfToolAction();
    // Alt+Shift+E.
    QKeySequence getDefaultAccel() const override;
    void initIcons() override;
};

// Every command: filed under the plug-in's title.
class PfActionBase : public DzAction {
    Q_OBJECT
public:
    // The text is the action's text and its description.
    explicit PfActionBase(char const* text);
    QString getActionGroup() const override;

    // Learns the shortcuts of the host's four facet-selection actions, so that the same keys reach the
    // plug-in's select all, clear, grow and shrink. Throws HvException when one of the host actions is
    // missing; the pairs learnt before it stay.
    static void InitShortcutMagicOrThrow();
    // The host action whose shortcut the plug-in action of that class name borrows; null when none.
    static DzAction* FindMatchingDazAction(char const* pullformActionName);
    // The plug-in action bound to exactly this key and these modifiers; null when none (or on any failure).
    static DzAction* FindMatchingPullformActionFromKey(Qt::Key key, Qt::KeyboardModifiers modifiers);
};

// Polygon, edge or vertex selection: checked while the settings' selection type is its own.
class PfSelectionTypeActionBase : public PfActionBase {
    Q_OBJECT
public:
    PfSelectionTypeActionBase(char const* text, PfSelectionType type);
    // Checkable, and checked exactly when type is this action's own.
    virtual void updateChecked(PfSelectionType type);
    void init() override;
public slots:
    // Failures are dropped: the type simply stays.
    void executeAction() override;

private:
    PfSelectionType m_uSelectionType;
};

class PfToogleDrawGizmoAxesAction : public PfActionBase {
    Q_OBJECT
public:
    PfToogleDrawGizmoAxesAction();
    void init() override;
public slots:
    void executeAction() override;
};

class PfToogleDrawGizmoRotationsAction : public PfActionBase {
    Q_OBJECT
public:
    PfToogleDrawGizmoRotationsAction();
    // Takes its check mark only once the host is starting.
    void init() override;
public slots:
    void executeAction() override;
    void updateCheckState();
};

class PfToogleDrawGizmoSphereAction : public PfActionBase {
    Q_OBJECT
public:
    PfToogleDrawGizmoSphereAction();
    void init() override;
public slots:
    void executeAction() override;
};

class PfFaceSelectionAction : public PfSelectionTypeActionBase {
    Q_OBJECT
public:
    PfFaceSelectionAction();
};

class PfEdgeSelectionAction : public PfSelectionTypeActionBase {
    Q_OBJECT
public:
    PfEdgeSelectionAction();
};

class PfVertexSelectionAction : public PfSelectionTypeActionBase {
    Q_OBJECT
public:
    PfVertexSelectionAction();
};

class PfSelectAllAction : public PfActionBase {
    Q_OBJECT
public:
    PfSelectAllAction();
public slots:
    void executeAction() override;
};

class PfClearSelectionAction : public PfActionBase {
    Q_OBJECT
public:
    PfClearSelectionAction();
public slots:
    void executeAction() override;
};

class PfGrowSelectionAction : public PfActionBase {
    Q_OBJECT
public:
    PfGrowSelectionAction();
public slots:
    void executeAction() override;
};

class PfShrinkSelectionAction : public PfActionBase {
    Q_OBJECT
public:
    PfShrinkSelectionAction();
public slots:
    void executeAction() override;
};

class PfGrowFalloffRadiusAction : public PfActionBase {
    Q_OBJECT
public:
    PfGrowFalloffRadiusAction();
    // Ctrl+PageUp.
    QKeySequence getDefaultAccel() const override;
public slots:
    void executeAction() override;
};

class PfShrinkFalloffRadiusAction : public PfActionBase {
    Q_OBJECT
public:
    PfShrinkFalloffRadiusAction();
    // Ctrl+PageDown.
    QKeySequence getDefaultAccel() const override;
public slots:
    void executeAction() override;
};

class PfResetAllDeltasAction : public PfActionBase {
    Q_OBJECT
public:
    PfResetAllDeltasAction();
public slots:
    void executeAction() override;
};

// Shows the plug-in's description as the host's plug-in manager knows it.
class PfAboutAction : public PfActionBase {
    Q_OBJECT
public:
    PfAboutAction();
public slots:
    void executeAction() override;
};

// Opens the user manual.
class PfHelpAction : public PfActionBase {
    Q_OBJECT
public:
    PfHelpAction();
public slots:
    void executeAction() override;
};

// A menu item for the plug-in action of that class name, labelled with its text and, after a tab, the
// shortcut of the host action it borrows from (whole, in Qt's portable text). Nothing without the action.
void AddActionWithMatchingShortcut(DzActionMgr* actionMgr, DzMenu* menu, char const* actionName);

// True when the sequence is exactly one key combination and it is the event's key with its modifiers.
bool isEquiv(QKeyEvent const& event, QKeySequence const& sequence);
