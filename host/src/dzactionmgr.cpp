// Actions, the action manager and the host's facet-selection actions.
#include "dzactionmgr.h"

#include <QWidget>
#include <vector>

#include "dzaction.h"
#include "dzfacetmesh.h"
#include "dzfacetselaction.h"

// ---- DzAction ----

DzAction::DzAction(QString const& text, QString const& description)
    : QAction(text, nullptr), m_description(description) {
    setStatusTip(description);
    // triggered() comes after a checkable action has toggled.
    connect(this, &QAction::triggered, this, [this] { executeAction(); });
}

DzAction::~DzAction() = default;

// ---- DzActionMgr ----

DzActionMgr::DzActionMgr(QWidget* shortcutWidget, QObject* parent)
    : QObject(parent), m_shortcutWidget(shortcutWidget) {
    addAction(new DzFacetSelAllAction);
    addAction(new DzFacetSelClearAction);
    addAction(new DzFacetSelGrowAction);
    addAction(new DzFacetSelShrinkAction);
}

DzActionMgr::~DzActionMgr() {
    QList<DzAction*> actions = m_actions;
    m_actions.clear();
    qDeleteAll(actions);
}

DzAction* DzActionMgr::findAction(QString const& className) const {
    for (DzAction* action : m_actions)
        if (className == QLatin1String(action->metaObject()->className()))
            return action;
    return nullptr;
}

bool DzActionMgr::addAction(DzAction* action) {
    if (!action || m_actions.contains(action) || findAction(QLatin1String(action->metaObject()->className())))
        return false;
    m_actions.append(action);
    action->setParent(this);
    action->init();
    if (action->shortcut().isEmpty())
        action->setShortcut(action->getDefaultAccel());
    if (m_shortcutWidget)
        m_shortcutWidget->addAction(action);
    return true;
}

DzAction* DzActionMgr::takeAction(QString const& className) {
    DzAction* action = findAction(className);
    if (!action)
        return nullptr;
    m_actions.removeOne(action);
    if (m_shortcutWidget)
        m_shortcutWidget->removeAction(action);
    action->setParent(nullptr);
    return action;
}
