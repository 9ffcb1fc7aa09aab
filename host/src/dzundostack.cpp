#include "dzundostack.h"

#include <QAction>
#include <QKeySequence>
#include <exception>

#include "dzapp.h"

namespace {

void logLine(QString const& line) {
    if (dzApp)
        dzApp->log(QStringLiteral("undo stack: ") + line);
}

// "&Undo" alone, or followed by the caption with its ampersands shown as such.
QString actionText(QString const& verb, QString const& caption) {
    if (caption.isEmpty())
        return verb;
    QString shown = caption;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return verb + QLatin1Char(' ') + shown;
}

}  // namespace

// ---- the application's undo stack ----

DzUndoStack* DzApp::getUndoStack() {
    // Made on first use as a child of the application, so it dies with it.
    static QPointer<DzUndoStack> s_stack;
    if (!s_stack || s_stack->parent() != this)
        s_stack = new DzUndoStack(this);
    return s_stack;
}

// ---- DzUndoStack ----

DzUndoStack::DzUndoStack(QObject* parent) : QObject(parent) {}

DzUndoStack::~DzUndoStack() {
    // Newest first, as clear() does.
    m_pending.clear();
    while (!m_steps.empty()) m_steps.pop_back();
}

void DzUndoStack::push(DzUndoItem* item) {
    if (!item)
        return;
    std::unique_ptr<DzUndoItem> owned(item);
    if (m_running) {
        logLine(QStringLiteral("an item pushed while a step was undone or redone was discarded"));
        return;
    }
    dropRedoBranch();
    if (m_holdDepth > 0) {
        m_pending.push_back(std::move(owned));
    } else {
        Step step;
        step.items.push_back(std::move(owned));
        m_steps.push_back(std::move(step));
        m_index = int(m_steps.size());
    }
    emit stackChanged();
}

QString DzUndoStack::getUndoText() const {
    return canUndo() ? m_steps[size_t(m_index - 1)].caption : QString();
}

QString DzUndoStack::getRedoText() const {
    return canRedo() ? m_steps[size_t(m_index)].caption : QString();
}

QString DzUndoStack::getCaption(int step) const {
    return step >= 0 && step < getNumSteps() ? m_steps[size_t(step)].caption : QString();
}

int DzUndoStack::getNumItems(int step) const {
    return step >= 0 && step < getNumSteps() ? int(m_steps[size_t(step)].items.size()) : 0;
}

void DzUndoStack::undo() {
    runStep(true);
}

void DzUndoStack::redo() {
    runStep(false);
}

void DzUndoStack::runStep(bool undoing) {
    QString const what = undoing ? QStringLiteral("undo") : QStringLiteral("redo");
    if (m_running) {
        logLine(what + QStringLiteral(" asked for while a step was undone or redone was ignored"));
        return;
    }
    if (undoing ? !canUndo() : !canRedo())
        return;
    if (m_holdDepth > 0) {
        logLine(what + QStringLiteral(" asked for while a hold was open was ignored"));
        return;
    }
    m_running = true;
    // An item that throws is logged and the step's other items still run, so the step stays whole.
    auto run = [&what](DzUndoItem& item, bool undoItem) {
        try {
            if (undoItem)
                item.undo();
            else
                item.redo();
        } catch (std::exception const& e) {
            logLine(QStringLiteral("an item's %1 failed: %2").arg(what, QString::fromUtf8(e.what())));
        } catch (...) {
            logLine(QStringLiteral("an item's %1 failed").arg(what));
        }
    };
    if (undoing) {
        Step& step = m_steps[size_t(m_index - 1)];
        for (auto it = step.items.rbegin(); it != step.items.rend(); ++it) run(**it, true);
        --m_index;
    } else {
        Step& step = m_steps[size_t(m_index)];
        for (auto& item : step.items) run(*item, false);
        ++m_index;
    }
    m_running = false;
    if (m_clearWhenDone) {
        m_clearWhenDone = false;
        clear();
        return;
    }
    emit stackChanged();
}

void DzUndoStack::clear() {
    if (m_running) {
        // The running item must outlive its own call.
        m_clearWhenDone = true;
        return;
    }
    // Taken out first, so that the items' destructors see an empty stack.
    std::vector<Step> steps;
    steps.swap(m_steps);
    std::vector<std::unique_ptr<DzUndoItem>> pending;
    pending.swap(m_pending);
    m_index = 0;
    pending.clear();
    while (!steps.empty()) steps.pop_back();
    emit stackChanged();
}

void DzUndoStack::dropRedoBranch() {
    if (!canRedo())
        return;
    std::vector<Step> dropped;
    for (size_t i = size_t(m_index); i < m_steps.size(); ++i) dropped.push_back(std::move(m_steps[i]));
    m_steps.resize(size_t(m_index));
    while (!dropped.empty()) dropped.pop_back();
}

void DzUndoStack::openHold() {
    ++m_holdDepth;
}

void DzUndoStack::closeHold(QString const* caption) {
    if (m_holdDepth == 0 || --m_holdDepth > 0)
        return;
    if (m_pending.empty())
        return;
    Step step;
    if (caption)
        step.caption = *caption;
    step.items.swap(m_pending);
    // Nothing can have been undone since the first of these items was pushed, so the step goes on top.
    m_steps.push_back(std::move(step));
    m_index = int(m_steps.size());
    emit stackChanged();
}

QAction* DzUndoStack::createUndoAction(QObject* parent) {
    auto* action = new QAction(parent);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    auto update = [this, action] {
        action->setEnabled(canUndo());
        action->setText(actionText(QStringLiteral("&Undo"), getUndoText()));
    };
    update();
    connect(this, &DzUndoStack::stackChanged, action, update);
    connect(action, &QAction::triggered, this, &DzUndoStack::undo);
    return action;
}

QAction* DzUndoStack::createRedoAction(QObject* parent) {
    auto* action = new QAction(parent);
    action->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    auto update = [this, action] {
        action->setEnabled(canRedo());
        action->setText(actionText(QStringLiteral("&Redo"), getRedoText()));
    };
    update();
    connect(this, &DzUndoStack::stackChanged, action, update);
    connect(action, &QAction::triggered, this, &DzUndoStack::redo);
    return action;
}

// ---- DzUndoStackHold ----

DzUndoStackHold::DzUndoStackHold() : DzUndoStackHold(dzUndoStack) {}

DzUndoStackHold::DzUndoStackHold(DzUndoStack* stack) : m_stack(stack), m_open(stack != nullptr) {
    if (m_stack)
        m_stack->openHold();
}

DzUndoStackHold::~DzUndoStackHold() {
    if (m_open && m_stack)
        m_stack->closeHold(nullptr);
}

void DzUndoStackHold::accept(QString const& caption) {
    if (!m_open)
        return;
    m_open = false;
    if (m_stack)
        m_stack->closeHold(&caption);
}
