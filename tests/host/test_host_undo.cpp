// The stand-in host's undo stack: steps, holds, the redo branch, ownership of the items, the Edit-menu
// actions and the application's stack, which scene clears and loads empty.
#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "dzapp.h"
#include "dzfixtures.h"
#include "dzscene.h"
#include "dzundostack.h"

namespace {

// What the test items did, in order ("u:a", "r:a"), and which of them are gone.
struct Journal {
    std::vector<std::string> calls;
    std::set<std::string> destroyed;
    std::string take() {
        std::string s;
        for (auto const& c : calls) s += (s.empty() ? "" : " ") + c;
        calls.clear();
        return s;
    }
};

class TestItem : public DzUndoItem {
public:
    TestItem(Journal& journal, std::string name) : m_journal(journal), m_name(std::move(name)) {}
    ~TestItem() override { m_journal.destroyed.insert(m_name); }
    void undo() override {
        m_journal.calls.push_back("u:" + m_name);
        if (onUndo)
            onUndo();
    }
    void redo() override { m_journal.calls.push_back("r:" + m_name); }
    int size() const override { return int(sizeof(*this) + m_name.size()); }
    std::function<void()> onUndo;

private:
    Journal& m_journal;
    std::string m_name;
};

// Keeps the host's default redo.
class UndoOnlyItem : public DzUndoItem {
public:
    explicit UndoOnlyItem(int& undos) : m_undos(undos) {}
    void undo() override { ++m_undos; }
    int size() const override { return int(sizeof(*this)); }

private:
    int& m_undos;
};

bool logHas(QString const& text) {
    for (QString const& line : dzApp->getLogLines())
        if (line.contains(text))
            return true;
    return false;
}

class UndoStackTest : public ::testing::Test {
protected:
    TestItem* item(std::string const& name) { return new TestItem(journal, name); }
    // One named step of the given items.
    void step(QString const& caption, std::vector<std::string> const& names) {
        DzUndoStackHold hold(&stack);
        for (auto const& n : names) stack.push(item(n));
        hold.accept(caption);
    }
    bool gone(std::string const& name) const { return journal.destroyed.count(name) > 0; }

    Journal journal;
    DzUndoStack stack;
};

TEST_F(UndoStackTest, UndoAndRedoRunStepsInOrderWithTheirCaptions) {
    EXPECT_FALSE(stack.canUndo());
    EXPECT_FALSE(stack.canRedo());
    EXPECT_EQ(stack.getUndoText(), "");
    step("A", {"a"});
    step("B", {"b1", "b2", "b3"});
    step("C", {"c"});
    ASSERT_EQ(stack.getNumSteps(), 3);
    EXPECT_EQ(stack.getNumItems(1), 3);
    EXPECT_EQ(stack.getUndoText(), "C");
    EXPECT_EQ(stack.getRedoText(), "");

    stack.undo();
    EXPECT_EQ(journal.take(), "u:c");
    EXPECT_EQ(stack.getUndoText(), "B");
    EXPECT_EQ(stack.getRedoText(), "C");
    stack.undo();
    // A step's items are taken back newest first and done again oldest first.
    EXPECT_EQ(journal.take(), "u:b3 u:b2 u:b1");
    EXPECT_EQ(stack.getIndex(), 1);
    EXPECT_TRUE(stack.canUndo());
    EXPECT_TRUE(stack.canRedo());
    stack.redo();
    EXPECT_EQ(journal.take(), "r:b1 r:b2 r:b3");
    stack.undo();
    stack.undo();
    EXPECT_EQ(journal.take(), "u:b3 u:b2 u:b1 u:a");
    EXPECT_FALSE(stack.canUndo());
    EXPECT_EQ(stack.getRedoText(), "A");
    stack.redo();
    stack.redo();
    stack.redo();
    EXPECT_EQ(journal.take(), "r:a r:b1 r:b2 r:b3 r:c");
    EXPECT_FALSE(stack.canRedo());
    EXPECT_TRUE(journal.destroyed.empty());
}

TEST_F(UndoStackTest, NothingToUndoOrRedoDoesNothing) {
    QSignalSpy changed(&stack, &DzUndoStack::stackChanged);
    stack.undo();
    stack.redo();
    step("A", {"a"});
    changed.clear();
    stack.redo();
    stack.undo();
    stack.undo();
    EXPECT_EQ(journal.take(), "u:a");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(stack.getIndex(), 0);
}

TEST_F(UndoStackTest, TheDefaultRedoDoesNothing) {
    int undos = 0;
    stack.push(new UndoOnlyItem(undos));
    stack.undo();
    stack.redo();
    stack.undo();
    EXPECT_EQ(undos, 2);
}

TEST_F(UndoStackTest, NestedHoldsMakeOneStepNamedByTheOutermost) {
    {
        DzUndoStackHold outer(&stack);
        stack.push(item("a"));
        {
            DzUndoStackHold inner(&stack);
            stack.push(item("b"));
            inner.accept("inner");
        }
        {
            // An inner hold left without accept only ends itself.
            DzUndoStackHold inner(&stack);
            stack.push(item("c"));
        }
        EXPECT_TRUE(stack.isHoldOpen());
        EXPECT_EQ(stack.getNumSteps(), 0);
        stack.push(item("d"));
        outer.accept("outer");
        outer.accept("again");
    }
    EXPECT_FALSE(stack.isHoldOpen());
    ASSERT_EQ(stack.getNumSteps(), 1);
    EXPECT_EQ(stack.getCaption(0), "outer");
    EXPECT_EQ(stack.getNumItems(0), 4);
    stack.undo();
    EXPECT_EQ(journal.take(), "u:d u:c u:b u:a");
}

TEST_F(UndoStackTest, HoldsWithoutAcceptOrWithoutItems) {
    // Left without accept: the items stay, as one step without caption.
    {
        DzUndoStackHold hold(&stack);
        stack.push(item("a"));
        stack.push(item("b"));
    }
    ASSERT_EQ(stack.getNumSteps(), 1);
    EXPECT_EQ(stack.getCaption(0), "");
    EXPECT_EQ(stack.getNumItems(0), 2);
    // Outside a hold an item is a step of its own.
    stack.push(item("c"));
    ASSERT_EQ(stack.getNumSteps(), 2);
    EXPECT_EQ(stack.getCaption(1), "");
    stack.undo();
    EXPECT_EQ(journal.take(), "u:c");

    // A hold that received nothing makes no step and keeps the redo branch.
    step("Nothing", {});
    EXPECT_EQ(stack.getNumSteps(), 2);
    EXPECT_TRUE(stack.canRedo());
    EXPECT_FALSE(gone("c"));
    stack.undo();
    EXPECT_EQ(journal.take(), "u:b u:a");
}

TEST_F(UndoStackTest, ANewStepDestroysTheRedoBranch) {
    step("A", {"a"});
    step("B", {"b1", "b2"});
    step("C", {"c"});
    stack.undo();
    stack.undo();
    EXPECT_TRUE(journal.destroyed.empty());
    {
        DzUndoStackHold hold(&stack);
        stack.push(item("d"));
        // Dropped at the push: the state the branch would redo from is gone.
        EXPECT_TRUE(gone("b1") && gone("b2") && gone("c"));
        EXPECT_FALSE(stack.canRedo());
        hold.accept("D");
    }
    EXPECT_FALSE(gone("a"));
    ASSERT_EQ(stack.getNumSteps(), 2);
    EXPECT_EQ(stack.getCaption(0), "A");
    EXPECT_EQ(stack.getCaption(1), "D");
    stack.undo();
    stack.undo();
    stack.redo();
    stack.redo();
    stack.redo();
    EXPECT_EQ(journal.take(), "u:c u:b2 u:b1 u:d u:a r:a r:d");
}

TEST_F(UndoStackTest, ClearDestroysEveryItem) {
    step("A", {"a"});
    step("B", {"b"});
    stack.undo();
    QSignalSpy changed(&stack, &DzUndoStack::stackChanged);
    {
        DzUndoStackHold hold(&stack);
        stack.push(item("p"));
        stack.clear();
        EXPECT_TRUE(gone("a") && gone("b") && gone("p"));
        EXPECT_EQ(stack.getNumSteps(), 0);
        EXPECT_FALSE(stack.canUndo() || stack.canRedo());
        // The hold stays open, but what it held is gone.
        EXPECT_TRUE(stack.isHoldOpen());
        hold.accept("P");
    }
    EXPECT_EQ(stack.getNumSteps(), 0);
    EXPECT_GE(changed.count(), 1);
    stack.undo();
    EXPECT_EQ(journal.take(), "u:b");

    // The stack's own end destroys what it holds.
    auto other = std::make_unique<DzUndoStack>();
    other->push(item("x"));
    other->undo();
    other->push(item("y"));
    other.reset();
    EXPECT_TRUE(gone("x") && gone("y"));
}

TEST_F(UndoStackTest, AnItemsUndoCannotReenterTheStack) {
    struct Case {
        char const* what;
        std::function<void(DzUndoStack&, Journal&)> action;
        QString logged;
        bool offersItem;
    };
    std::vector<Case> const cases = {
        {"push", [](DzUndoStack& s, Journal& j) { s.push(new TestItem(j, "inner")); },
         "an item pushed while a step was undone or redone was discarded", true},
        {"undo", [](DzUndoStack& s, Journal&) { s.undo(); },
         "undo asked for while a step was undone or redone", false},
        {"redo", [](DzUndoStack& s, Journal&) { s.redo(); },
         "redo asked for while a step was undone or redone", false},
        {"hold",
         [](DzUndoStack& s, Journal& j) {
             DzUndoStackHold hold(&s);
             s.push(new TestItem(j, "inner"));
             hold.accept("Inner");
         },
         "an item pushed while a step was undone or redone was discarded", true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        Journal j;
        DzUndoStack s;
        auto* a = new TestItem(j, "a");
        auto* b = new TestItem(j, "b");
        s.push(a);
        s.push(b);
        s.undo();
        j.take();
        dzApp->clearLog();
        a->onUndo = [&] { c.action(s, j); };
        s.undo();
        EXPECT_TRUE(logHas(c.logged));
        EXPECT_EQ(j.take(), "u:a");
        // An item offered during the step is destroyed, never kept.
        EXPECT_EQ(j.destroyed, c.offersItem ? std::set<std::string>{"inner"} : std::set<std::string>{});
        EXPECT_EQ(s.getNumSteps(), 2);
        EXPECT_EQ(s.getIndex(), 0);
        EXPECT_FALSE(s.isHoldOpen());
        s.redo();
        s.redo();
        EXPECT_EQ(j.take(), "r:a r:b");
    }
}

TEST_F(UndoStackTest, ClearFromInsideAStepWaitsForTheStep) {
    auto* a = item("a");
    stack.push(a);
    stack.push(item("b"));
    stack.undo();
    bool aliveAfterClear = false;
    a->onUndo = [&] {
        stack.clear();
        aliveAfterClear = !gone("a");
    };
    stack.undo();
    EXPECT_TRUE(aliveAfterClear);
    EXPECT_TRUE(gone("a") && gone("b"));
    EXPECT_EQ(stack.getNumSteps(), 0);
    EXPECT_FALSE(stack.canRedo());
}

TEST_F(UndoStackTest, UndoWhileAHoldIsOpenIsRefused) {
    step("A", {"a"});
    dzApp->clearLog();
    {
        DzUndoStackHold hold(&stack);
        stack.undo();
        EXPECT_TRUE(logHas("undo asked for while a hold was open was ignored"));
        stack.push(item("b"));
        hold.accept("B");
    }
    EXPECT_EQ(journal.take(), "");
    stack.undo();
    stack.undo();
    EXPECT_EQ(journal.take(), "u:b u:a");
}

TEST_F(UndoStackTest, AThrowingItemIsLoggedAndTheStepCompletes) {
    auto* b = item("b");
    b->onUndo = [] { throw std::runtime_error("broken"); };
    step("AB", {"a"});
    {
        DzUndoStackHold hold(&stack);
        stack.push(item("x"));
        stack.push(b);
        stack.push(item("y"));
        hold.accept("XBY");
    }
    dzApp->clearLog();
    stack.undo();
    EXPECT_EQ(journal.take(), "u:y u:b u:x");
    EXPECT_TRUE(logHas("undo stack: an item's undo failed: broken"));
    EXPECT_EQ(stack.getIndex(), 1);
    EXPECT_FALSE(stack.isRunningStep());
}

TEST_F(UndoStackTest, EditMenuActionsFollowTheStack) {
    QObject owner;
    QAction* undo = stack.createUndoAction(&owner);
    QAction* redo = stack.createRedoAction(&owner);
    EXPECT_EQ(undo->parent(), &owner);
    EXPECT_EQ(undo->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo");

    step(QString::fromUtf8("Pullform on \u201cBody\u201d"), {"a"});
    step("Cut & paste", {"b"});
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), "&Undo Cut && paste");
    undo->trigger();
    EXPECT_EQ(journal.take(), "u:b");
    EXPECT_EQ(undo->text(), QString::fromUtf8("&Undo Pullform on \u201cBody\u201d"));
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_EQ(redo->text(), "&Redo Cut && paste");
    undo->trigger();
    EXPECT_FALSE(undo->isEnabled());
    redo->trigger();
    EXPECT_EQ(journal.take(), "u:a r:a");
    stack.clear();
    EXPECT_FALSE(undo->isEnabled() || redo->isEnabled());
    EXPECT_EQ(redo->text(), "&Redo");

    // An action outliving its stack stays harmless.
    auto gone = std::make_unique<DzUndoStack>();
    QAction* orphan = gone->createUndoAction(&owner);
    gone.reset();
    orphan->trigger();
}

// ---- the application's stack ----

class AppUndoStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(dzUndoStack, nullptr);
        dzUndoStack->clear();
        dzScene->clear();
    }
    void TearDown() override {
        dzScene->clear();
        dzUndoStack->clear();
    }
    void pushStep(std::string const& name) {
        DzUndoStackHold hold;
        dzUndoStack->push(new TestItem(journal, name));
        hold.accept(QString::fromStdString(name));
    }
    Journal journal;
};

TEST_F(AppUndoStackTest, ReachedThroughTheApplication) {
    DzUndoStack* stack = dzApp->getUndoStack();
    EXPECT_EQ(stack, dzUndoStack);
    EXPECT_EQ(stack, dzApp->getUndoStack());
    EXPECT_EQ(stack->parent(), dzApp);
    // The default hold works on the application's stack.
    pushStep("a");
    ASSERT_EQ(stack->getNumSteps(), 1);
    EXPECT_EQ(stack->getUndoText(), "a");
}

TEST_F(AppUndoStackTest, SceneClearAndLoadEmptyTheStack) {
    QTemporaryDir dir;
    QString const path = dir.filePath("scene.json");
    DzScene* scene = dzScene;
    scene->addNode(dztest::makeNode("Body", dztest::makeCube(1)));
    ASSERT_TRUE(scene->saveScene(path));

    // Removing one node or clearing a scene of one's own leaves the steps alone.
    pushStep("a");
    scene->addNode(dztest::makeNode("Other", dztest::makeCube(1)));
    ASSERT_TRUE(scene->removeNode(scene->findNode("Other")));
    {
        DzScene own;
        own.addNode(dztest::makeNode("Own", dztest::makeCube(1)));
        own.clear();
        ASSERT_TRUE(own.saveScene(dir.filePath("own.json")));
        ASSERT_TRUE(own.loadScene(path));
    }
    EXPECT_EQ(dzUndoStack->getNumSteps(), 1);
    EXPECT_FALSE(journal.destroyed.count("a"));

    // A load that fails changes nothing, the steps included.
    EXPECT_FALSE(scene->loadScene(dir.filePath("absent.json")));
    EXPECT_EQ(dzUndoStack->getNumSteps(), 1);

    pushStep("b");
    dzUndoStack->undo();
    ASSERT_TRUE(scene->loadScene(path));
    EXPECT_EQ(scene->getNumNodes(), 1);
    EXPECT_EQ(dzUndoStack->getNumSteps(), 0);
    EXPECT_TRUE(journal.destroyed.count("a") && journal.destroyed.count("b"));

    pushStep("c");
    scene->clear();
    EXPECT_EQ(dzUndoStack->getNumSteps(), 0);
    EXPECT_TRUE(journal.destroyed.count("c"));
}

}  // namespace
