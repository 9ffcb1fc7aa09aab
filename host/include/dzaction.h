#pragma once

#include <QAction>
#include <QKeySequence>
#include <QString>

// A host command. Triggering it (menu, shortcut, activate(QAction::Trigger), trigger()) runs executeAction();
// a checkable action has toggled its check state first.
class DzAction : public QAction {
    Q_OBJECT
public:
    DzAction(QString const& text, QString const& description);
    ~DzAction() override;

    QString getDescription() const { return m_description; }

    // The menu group the host files the action under.
    virtual QString getActionGroup() const { return QString(); }
    // The shortcut the action manager gives the action when it is registered without one.
    virtual QKeySequence getDefaultAccel() const { return QKeySequence(); }
    // Called by the action manager once, after construction and before the shortcut is set.
    virtual void init() {}

public slots:
    virtual void executeAction() {}

private:
    QString m_description;
};
