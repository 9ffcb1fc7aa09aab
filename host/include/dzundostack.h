#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "dzapp.h"

class QAction;

// One change that can be taken back. Once pushed, the undo stack owns it and destroys it when it drops the
// item: its step left the redo branch, the stack was cleared, or the application ended.
class DzUndoItem {
public:
    DzUndoItem() = default;
    DzUndoItem(DzUndoItem const&) = delete;
    DzUndoItem& operator=(DzUndoItem const&) = delete;
    virtual ~DzUndoItem() = default;

    virtual void undo() = 0;
    // Does nothing unless the item overrides it.
    virtual void redo() {}
    // The item's memory estimate in bytes.
    virtual int size() const = 0;
};

// The application's undo stack: a list of named steps, each one or more items, and the position between the
// steps done and the steps undone (the redo branch). Runs on the GUI thread.
class DzUndoStack : public QObject {
    Q_OBJECT
public:
    explicit DzUndoStack(QObject* parent = nullptr);
    ~DzUndoStack() override;

    // Takes ownership. Inside an open hold the item joins the hold's step, outside one it is a step of its
    // own without caption. Either way the redo branch is destroyed first. An item pushed while a step is
    // being undone or redone is destroyed at once and logged: the stack is not re-entered.
    void push(DzUndoItem* item);

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < int(m_steps.size()); }
    // The caption of the step that undo (redo) would take back (do again); empty when there is none.
    QString getUndoText() const;
    QString getRedoText() const;

    // The steps, oldest first; the first getIndex() of them are done, the others form the redo branch.
    int getNumSteps() const { return int(m_steps.size()); }
    int getIndex() const { return m_index; }
    QString getCaption(int step) const;
    int getNumItems(int step) const;
    bool isHoldOpen() const { return m_holdDepth > 0; }
    bool isRunningStep() const { return m_running; }

    // The Edit menu's entries: enabled and named after the stack, triggering undo() or redo(). Undo is
    // Ctrl+Z; redo Ctrl+Shift+Z and Ctrl+Y. The parent owns the action.
    QAction* createUndoAction(QObject* parent);
    QAction* createRedoAction(QObject* parent);

public slots:
    // Takes back the last step done, its items in reverse order; redo does the next one again in push order.
    // Nothing to do, an open hold, or a call from inside a running step: nothing happens (the last two
    // logged).
    void undo();
    void redo();
    // Destroys every item, the open hold's too. Asked for from inside a running step, it happens once the
    // step is done.
    void clear();

signals:
    // Any change of the steps, the position or the captions.
    void stackChanged();

private:
    friend class DzUndoStackHold;
    struct Step {
        QString caption;
        std::vector<std::unique_ptr<DzUndoItem>> items;
    };
    void openHold();
    void closeHold(QString const* caption);
    void dropRedoBranch();
    void runStep(bool undoing);

    std::vector<Step> m_steps;
    int m_index = 0;
    int m_holdDepth = 0;
    std::vector<std::unique_ptr<DzUndoItem>> m_pending;
    bool m_running = false;
    bool m_clearWhenDone = false;
};

// Groups the items pushed while it is open into one step. Holds nest; only the outermost one closes the step,
// with the caption given to its accept(). A step that received no item is not made.
class DzUndoStackHold {
public:
    // Opens a hold on the application's undo stack (none without an application: the hold does nothing).
    DzUndoStackHold();
    explicit DzUndoStackHold(DzUndoStack* stack);
    DzUndoStackHold(DzUndoStackHold const&) = delete;
    DzUndoStackHold& operator=(DzUndoStackHold const&) = delete;
    // A hold destroyed without accept() closes as accepted with an empty caption: its items stay undoable.
    ~DzUndoStackHold();

    // Closes the hold; the outermost one names the step. Later calls do nothing.
    void accept(QString const& caption);

private:
    QPointer<DzUndoStack> m_stack;
    bool m_open = false;
};

// Short form of the application's undo stack; null without an application.
#define dzUndoStack (dzApp ? dzApp->getUndoStack() : nullptr)
