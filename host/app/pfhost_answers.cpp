#include "pfhost_answers.h"

#include <QWidget>
#include <cstdio>

#include "dzmodalanswer.h"

namespace {

QList<HostAnswer>& queue() {
    static QList<HostAnswer> answers;
    return answers;
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
            error = QStringLiteral("\"%1\" is not FIELD=VALUE").arg(arg);
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
    for (HostAnswer const& a : queue()) buttons << a.button;
    queue().clear();
    return buttons.join(QStringLiteral(", "));
}

bool pfHostAnswerModal(QWidget* modal, QString& error) {
    HostAnswer const answer = queue().takeFirst();
    QString const title = modal->windowTitle();
    for (auto const& [name, value] : answer.fields)
        if (!dzinput::setModalField(modal, name, value, error))
            return false;
    if (!dzinput::pressModalButton(modal, answer.button)) {
        error = QStringLiteral("%1 has no enabled button \"%2\"").arg(title, answer.button);
        return false;
    }
    std::printf("answer: \"%s\" with %s\n", title.toUtf8().constData(), answer.button.toUtf8().constData());
    std::fflush(stdout);
    return true;
}
