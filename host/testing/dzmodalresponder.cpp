#include "dzmodalresponder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest/QTest>

#include "dzmodalanswer.h"

namespace dztest {

namespace {

QString plainText(QAbstractButton const* button) {
    return dzinput::buttonText(button);
}

QList<QAbstractButton*> buttonsOf(QWidget* box) {
    return dzinput::modalButtons(box);
}

}  // namespace

ModalResponder::ModalResponder() {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalResponder::poll);
    m_timer.start();
}

ModalResponder::~ModalResponder() = default;

ModalResponder& ModalResponder::pressButton(QString const& text) {
    m_answers.append(text);
    return *this;
}

ModalResponder& ModalResponder::pressEscape() {
    m_answers.append(QStringLiteral("key:Escape"));
    return *this;
}

ModalResponder& ModalResponder::pressReturn() {
    m_answers.append(QStringLiteral("key:Return"));
    return *this;
}

bool ModalResponder::allAnswered() const {
    if (!m_answers.isEmpty())
        return false;
    for (Box const& box : m_boxes)
        if (!box.answered)
            return false;
    return true;
}

bool ModalResponder::waitForBoxes(int count, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (m_boxes.size() < count) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void ModalResponder::poll() {
    QWidget* box = QApplication::activeModalWidget();
    // A box stays the active modal widget until its event loop has returned; answer it once.
    if (!box || box == m_lastBox || !box->isVisible())
        return;
    m_lastBox = box;
    answerBox(box);
}

void ModalResponder::answerBox(QWidget* widget) {
    Box box;
    box.className = QString::fromLatin1(widget->metaObject()->className());
    box.title = widget->windowTitle();
    auto* message = qobject_cast<QMessageBox*>(widget);
    if (message) {
        box.text = message->text();
        box.icon = int(message->icon());
        box.defaultButton = plainText(message->defaultButton());
    }
    QList<QAbstractButton*> const buttons = buttonsOf(widget);
    for (QAbstractButton* b : buttons) box.buttons.append(plainText(b));
    if (!message)
        for (QAbstractButton* b : buttons)
            if (auto* push = qobject_cast<QPushButton*>(b); push && push->isDefault())
                box.defaultButton = plainText(b);

    if (m_inspector)
        m_inspector(widget);
    QString const answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
    QAbstractButton* target = nullptr;
    for (QAbstractButton* b : buttons)
        if (!answer.isEmpty() && plainText(b) == answer)
            target = b;
    m_boxes.append(box);
    Box& recorded = m_boxes.last();
    if (answer == QLatin1String("key:Escape") || answer == QLatin1String("key:Return")) {
        recorded.answer = answer;
        recorded.answered = true;
        QTest::keyClick(widget, answer == QLatin1String("key:Escape") ? Qt::Key_Escape : Qt::Key_Return);
    } else if (target) {
        recorded.answer = answer;
        recorded.answered = true;
        target->click();
    }
    // Still open (no answer, no such button, or a key the box ignores): close it so that nothing waits.
    if (widget->isVisible() && QApplication::activeModalWidget() == widget) {
        recorded.answer =
            recorded.answered ? recorded.answer + QStringLiteral(", then closed") : QStringLiteral("closed");
        recorded.answered = false;
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->close();
    }
}

}  // namespace dztest
