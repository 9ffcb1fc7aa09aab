// The synthetic events the application's scripts and the test fixtures share: what a receiving widget sees.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "dzsyntheticinput.h"

namespace {

struct Seen {
    QEvent::Type type = QEvent::None;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons;
    QPoint pos, globalPos;
    int delta = 0;
};

class Receiver : public QWidget {
public:
    QList<Seen> seen;

protected:
    bool event(QEvent* e) override {
        Seen s;
        s.type = e->type();
        if (e->type() == QEvent::ShortcutOverride) {
            return QWidget::event(e);
        } else if (auto* k = dynamic_cast<QKeyEvent*>(e)) {
            s.key = k->key();
            s.modifiers = k->modifiers();
            s.text = k->text();
        } else if (auto* m = dynamic_cast<QMouseEvent*>(e)) {
            s.modifiers = m->modifiers();
            s.button = m->button();
            s.buttons = m->buttons();
            s.pos = m->pos();
            s.globalPos = m->globalPos();
        } else if (auto* w = dynamic_cast<QWheelEvent*>(e)) {
            s.modifiers = w->modifiers();
            s.buttons = w->buttons();
            s.pos = w->position().toPoint();
            s.delta = w->angleDelta().y();
        } else {
            return QWidget::event(e);
        }
        seen << s;
        return true;
    }
};

}  // namespace

// A modifier key's own flag is flipped by QKeyEvent::modifiers(); the receiver must see what was asked for,
// AltGr included.
TEST(SyntheticInput, ModifierKeysReachTheReceiverWithTheStateAskedFor) {
    struct Case {
        int key;
        Qt::KeyboardModifiers own;
    };
    Case const cases[] = {{Qt::Key_Shift, Qt::ShiftModifier},
                          {Qt::Key_Control, Qt::ControlModifier},
                          {Qt::Key_Alt, Qt::AltModifier},
                          {Qt::Key_Meta, Qt::MetaModifier},
                          {Qt::Key_AltGr, Qt::GroupSwitchModifier}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(dzinput::ownModifier(c.key), c.own);
        Receiver r;
        dzinput::sendKey(&r, QEvent::KeyPress, c.key, c.own | Qt::ShiftModifier, QString());
        dzinput::sendKey(&r, QEvent::KeyRelease, c.key, Qt::KeyboardModifiers(Qt::ShiftModifier) & ~c.own,
                         QString());
        ASSERT_EQ(r.seen.size(), 2);
        EXPECT_EQ(r.seen[0].type, QEvent::KeyPress);
        EXPECT_EQ(r.seen[0].modifiers, c.own | Qt::ShiftModifier);
        EXPECT_EQ(r.seen[1].type, QEvent::KeyRelease);
        EXPECT_EQ(r.seen[1].modifiers, Qt::KeyboardModifiers(Qt::ShiftModifier) & ~c.own);
    }
    Receiver r;
    dzinput::sendKey(&r, QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier, QString());
    ASSERT_EQ(r.seen.size(), 1);
    EXPECT_EQ(r.seen[0].modifiers, Qt::ControlModifier);
    EXPECT_EQ(dzinput::ownModifier(Qt::Key_E), Qt::NoModifier);
}

TEST(SyntheticInput, TypedText) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        char const* text;
    };
    Case const cases[] = {{Qt::Key_E, Qt::NoModifier, "e"},     {Qt::Key_E, Qt::ShiftModifier, "E"},
                          {Qt::Key_E, Qt::ControlModifier, ""}, {Qt::Key_E, Qt::AltModifier, ""},
                          {Qt::Key_7, Qt::NoModifier, "7"},     {Qt::Key_Space, Qt::NoModifier, " "},
                          {Qt::Key_Plus, Qt::NoModifier, "+"},  {Qt::Key_Minus, Qt::NoModifier, "-"},
                          {Qt::Key_Escape, Qt::NoModifier, ""}, {Qt::Key_Shift, Qt::ShiftModifier, ""}};
    for (Case const& c : cases)
        EXPECT_EQ(dzinput::typedText(c.key, c.modifiers), QString::fromLatin1(c.text)) << c.key;
}

TEST(SyntheticInput, MouseAndWheelCarryButtonsPositionsAndModifiers) {
    Receiver r;
    r.move(30, 40);
    dzinput::sendMouse(&r, QEvent::MouseButtonPress, QPoint(5, 6), Qt::LeftButton, Qt::LeftButton,
                       Qt::ShiftModifier);
    dzinput::sendMouse(&r, QEvent::MouseMove, QPoint(7, 8), Qt::NoButton, Qt::LeftButton | Qt::RightButton,
                       Qt::NoModifier);
    dzinput::sendMouse(&r, QEvent::MouseButtonRelease, QPoint(9, 10), Qt::LeftButton, Qt::NoButton,
                       Qt::AltModifier);
    dzinput::sendWheel(&r, QPoint(11, 12), -120, Qt::MiddleButton, Qt::ControlModifier);
    ASSERT_EQ(r.seen.size(), 4);
    EXPECT_EQ(r.seen[0].type, QEvent::MouseButtonPress);
    EXPECT_EQ(r.seen[0].button, Qt::LeftButton);
    EXPECT_EQ(r.seen[0].buttons, Qt::LeftButton);
    EXPECT_EQ(r.seen[0].modifiers, Qt::ShiftModifier);
    EXPECT_EQ(r.seen[0].pos, QPoint(5, 6));
    EXPECT_EQ(r.seen[0].globalPos, r.mapToGlobal(QPoint(5, 6)));
    EXPECT_EQ(r.seen[1].button, Qt::NoButton);
    EXPECT_EQ(r.seen[1].buttons, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(r.seen[2].type, QEvent::MouseButtonRelease);
    EXPECT_EQ(r.seen[2].buttons, Qt::NoButton);
    EXPECT_EQ(r.seen[2].modifiers, Qt::AltModifier);
    EXPECT_EQ(r.seen[3].pos, QPoint(11, 12));
    EXPECT_EQ(r.seen[3].delta, -120);
    EXPECT_EQ(r.seen[3].buttons, Qt::MiddleButton);
    EXPECT_EQ(r.seen[3].modifiers, Qt::ControlModifier);
}
