#pragma once

// The script's answers to the boxes and dialogs that its next command opens, whichever command opens them (a
// Pullform command, a key, a widget-click): each answer sets the dialog's controls by their object names and
// then presses a button of the box, which must close it.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QWidget;

struct HostAnswer {
    QString button;
    QList<QPair<QString, QString>> fields;  // object name, value
};

// "answer BUTTON [FIELD=VALUE ...]"; false with the reason.
bool pfHostQueueAnswer(QStringList const& args, QString& error);
bool pfHostHasQueuedAnswers();
// Forgets the answers left and describes them.
QString pfHostTakeUnusedAnswers();
// Answers the modal widget with the first queued answer; false with the reason when the answer did not fit
// or the box stayed open after it (the caller closes the box then).
bool pfHostAnswerModal(QWidget* modal, QString& error);
