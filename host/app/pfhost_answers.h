#pragma once

// The script's answers to the boxes and dialogs that its next command opens: each answer presses a button
// of the box, after setting the dialog's fields by their object names.

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
// (the caller closes the box then).
bool pfHostAnswerModal(QWidget* modal, QString& error);
