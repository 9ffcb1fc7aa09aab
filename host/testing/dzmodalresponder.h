#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QWidget;

namespace dztest {

// Answers the modal boxes and dialogs that the code under test opens, from a timer, so that no test waits for
// a person: each box is recorded and answered with the next answer queued. A box that comes when no answer is
// left, or that has no button of the answer's text, is recorded as unanswered and closed (rejected).
class ModalResponder : public QObject {
    Q_OBJECT
public:
    struct Box {
        QString className;
        QString title;
        QString text;
        int icon = 0;           // QMessageBox::Icon, 0 for other dialogs
        QStringList buttons;    // texts without mnemonic '&', in the box's order
        QString defaultButton;  // empty when none
        QString answer;         // what was done: a button text, "key:Escape", "key:Return" or "closed"
        bool answered = false;  // false when the box had to be closed instead
    };

    ModalResponder();
    ~ModalResponder() override;

    // Queues answers, in the order the boxes will come.
    ModalResponder& pressButton(QString const& text);
    ModalResponder& pressEscape();
    ModalResponder& pressReturn();
    // Called with each box before it is answered, while it is shown.
    void setInspector(std::function<void(QWidget*)> inspector) { m_inspector = std::move(inspector); }

    QList<Box> const& boxes() const { return m_boxes; }
    int pendingAnswers() const { return m_answers.size(); }
    // True when every box was answered as queued and no answer is left.
    bool allAnswered() const;

    // Runs the event loop until `count` boxes have been seen or the time is up; false on time-out.
    bool waitForBoxes(int count, int timeoutMs = 30000);

private:
    void poll();
    void answerBox(QWidget* box);

    QTimer m_timer;
    QStringList m_answers;
    QList<Box> m_boxes;
    QPointer<QWidget> m_lastBox;
    std::function<void(QWidget*)> m_inspector;
};

}  // namespace dztest
