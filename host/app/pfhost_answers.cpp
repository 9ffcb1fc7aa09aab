#include "pfhost_answers.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <cstdio>

#include "dzmodalanswer.h"
#include "pfhost_script_args.h"
#include "pfhost_script_widgets.h"

namespace {

QList<HostAnswer>& queue() {
    static QList<HostAnswer> answers;
    return answers;
}

// What the box is called in a message: a message box by its text (its title is the application's), a
// dialog by its title.
QString nameOf(QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    return box ? QStringLiteral("the box ") + pfHostQuoted(box->text())
               : QStringLiteral("the dialog ") + pfHostQuoted(modal->windowTitle());
}

}  // namespace

bool pfHostQueueAnswer(QStringList const& args, QString& error) {
    if (args.isEmpty()) {
        error = QStringLiteral("usage: answer BUTTON [FIELD=VALUE ...]");
        return false;
    }
    HostAnswer answer{args[0], {}};
    for (QString const& arg : args.mid(1)) {
        int const eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            error = QStringLiteral("%1 is not FIELD=VALUE").arg(pfHostQuoted(arg));
            return false;
        }
        answer.fields.append({arg.left(eq), arg.mid(eq + 1)});
    }
    queue().append(answer);
    return true;
}

bool pfHostHasQueuedAnswers() {
    return !queue().isEmpty();
}

QString pfHostTakeUnusedAnswers() {
    QStringList buttons;
    for (HostAnswer const& a : queue()) buttons << pfHostQuoted(a.button);
    queue().clear();
    return buttons.join(QStringLiteral(", "));
}

bool pfHostAnswerModal(QWidget* modal, QString& error) {
    HostAnswer const answer = queue().takeFirst();
    QString const name = nameOf(modal);
    QString const title = modal->windowTitle();
    for (auto const& [field, value] : answer.fields)
        if (!pfHostSetControl(modal, field, value, error)) {
            error = QStringLiteral("answering %1: %2").arg(name, error);
            return false;
        }
    QPointer<QWidget> guarded(modal);
    // The click returns when the box is done, after the boxes that it opened in turn have been answered.
    if (!dzinput::pressModalButton(modal, answer.button)) {
        QStringList buttons;
        for (QAbstractButton* b : dzinput::modalButtons(modal))
            if (qobject_cast<QPushButton*>(b) && b->isEnabled() && !dzinput::buttonText(b).isEmpty())
                buttons << dzinput::buttonText(b);
        error = QStringLiteral("%1 has no enabled button %2 (it has %3)")
                    .arg(name, pfHostQuoted(answer.button),
                         buttons.isEmpty() ? QStringLiteral("none") : buttons.join(QStringLiteral(", ")));
        return false;
    }
    if (guarded && guarded->isVisible()) {
        error =
            QStringLiteral("%1 stayed open after the answer pressed %2 (answer with a button that closes it)")
                .arg(name, pfHostQuoted(answer.button));
        return false;
    }
    std::printf("answer: \"%s\" with %s\n", qPrintable(title), qPrintable(answer.button));
    std::fflush(stdout);
    return true;
}
