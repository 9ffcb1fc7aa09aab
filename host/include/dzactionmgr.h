#pragma once

#include <QList>
#include <QObject>
#include <QString>

class DzAction;
class QWidget;

// Every action of the host and of its plug-ins, found by the action's class name. Holds from the start the
// host's own facet-selection actions.
class DzActionMgr : public QObject {
    Q_OBJECT
public:
    // Registered actions are added to shortcutWidget (the main window) so that their shortcuts fire there.
    explicit DzActionMgr(QWidget* shortcutWidget, QObject* parent = nullptr);
    ~DzActionMgr() override;

    // Null when no action of that class name is registered.
    DzAction* findAction(QString const& className) const;
    int getNumActions() const { return m_actions.size(); }
    DzAction* getAction(int index) const { return m_actions.value(index); }

    // Takes ownership: calls init(), gives the action its default shortcut when it has none, and adds it to
    // the shortcut widget. An action of a class that is already registered replaces nothing and is refused
    // (false, the caller keeps it).
    bool addAction(DzAction* action);
    // Gives the action of that class back to the caller; null when there is none.
    DzAction* takeAction(QString const& className);

private:
    QWidget* m_shortcutWidget;
    QList<DzAction*> m_actions;
};
