#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class QAction;
class QMenu;

// A menu the host shows (the viewport's context menu); wraps a QMenu. The trailing int of the add calls is
// the host's insertion flags; the stand-in always appends.
class DzMenu : public QObject {
    Q_OBJECT
public:
    explicit DzMenu(QString const& title = QString(), QObject* parent = nullptr);
    ~DzMenu() override;

    // The registered action of that class name (action manager); nothing is added, and null returned, when
    // there is none.
    QAction* addAction(QString const& className, int flags = 0);
    // An item whose selection calls receiver's slot (a SLOT() string); the label may hold a tab and shortcut.
    QAction* addItem(QString const& label, QObject* receiver, char const* slot, int flags = 0);
    QAction* addSeparator(int flags = 0);

    // The entries as added, for the host and for tests.
    struct Entry {
        enum Kind { Action, Item, Separator };
        Kind kind = Item;
        QString text;       // the action's or item's text; empty for a separator
        QString className;  // the action's class name (Action only)
        QAction* action = nullptr;
    };
    QList<Entry> const& getEntries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

    QMenu* getQMenu() const { return m_menu.get(); }

private:
    std::unique_ptr<QMenu> m_menu;
    QList<Entry> m_entries;
};
