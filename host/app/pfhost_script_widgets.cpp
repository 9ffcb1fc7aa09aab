// Script commands that operate the windows' controls by object name, as a person would: check a radio button
// or a box, move a slider, press a button, and check what a control shows. A button that opens a modal dialog
// plays the steps queued for it (dialog-step) inside the dialog while it is open.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>
#include <cmath>

#include "dzfloatslider.h"
#include "dzintslider.h"
#include "pfhost_tools.h"

namespace {

QString quoted(QString const& s) {
    return QStringLiteral("\u201C") + s + QStringLiteral("\u201D");
}

// The control named `name` in the active modal dialog, else in any visible window, else in any window.
// "BOX:TEXT" names the button of that text in the button box BOX ("pButtonBox:Cancel").
QWidget* findWidget(QString const& name, QString& error) {
    QString const objectName = name.section(QLatin1Char(':'), 0, 0);
    QString const buttonText = name.section(QLatin1Char(':'), 1);
    QList<QWidget*> windows;
    if (QWidget* modal = QApplication::activeModalWidget())
        windows << modal;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !windows.contains(w))
            windows << w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!windows.contains(w))
            windows << w;
    for (QWidget* window : windows) {
        QWidget* found =
            window->objectName() == objectName ? window : window->findChild<QWidget*>(objectName);
        if (!found)
            continue;
        if (buttonText.isEmpty())
            return found;
        if (auto* box = qobject_cast<QDialogButtonBox*>(found))
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == buttonText)
                    return b;
        error = QStringLiteral("%1 has no button %2").arg(quoted(objectName), quoted(buttonText));
        return nullptr;
    }
    error = QStringLiteral("no control named %1").arg(quoted(objectName));
    return nullptr;
}

template <typename T>
T* findAs(QString const& name, char const* kind, QString& error) {
    QWidget* w = findWidget(name, error);
    if (!w)
        return nullptr;
    if (auto* t = qobject_cast<T*>(w))
        return t;
    error = QStringLiteral("%1 is not %2").arg(quoted(name), QLatin1String(kind));
    return nullptr;
}

bool usable(QWidget* w, QString const& name, QString& error) {
    if (w->isEnabled())
        return true;
    error = QStringLiteral("%1 is disabled").arg(quoted(name));
    return false;
}

// "widget-check NAME [on|off|partial]": a radio button is clicked (only on); a box takes the state.
bool checkWidget(QStringList const& args, QString& error) {
    if (args.isEmpty() || args.size() > 2) {
        error = QStringLiteral("usage: widget-check NAME [on|off|partial]");
        return false;
    }
    QString const state = args.size() == 2 ? args[1] : QStringLiteral("on");
    QAbstractButton* button = findAs<QAbstractButton>(args[0], "a radio button or a check box", error);
    if (!button || !usable(button, args[0], error))
        return false;
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        Qt::CheckState wanted;
        if (state == QLatin1String("on"))
            wanted = Qt::Checked;
        else if (state == QLatin1String("off"))
            wanted = Qt::Unchecked;
        else if (state == QLatin1String("partial") && box->isTristate())
            wanted = Qt::PartiallyChecked;
        else {
            error = QStringLiteral("a check box is on, off%1, not %2")
                        .arg(box->isTristate() ? QStringLiteral(" or partial") : QString(), quoted(state));
            return false;
        }
        box->setCheckState(wanted);
        return true;
    }
    if (qobject_cast<QRadioButton*>(button) && state == QLatin1String("on")) {
        button->click();
        return true;
    }
    error = QStringLiteral("%1 can only be checked on").arg(quoted(args[0]));
    return false;
}

// "widget-slider NAME VALUE": the host slider takes the value as a drag to it would.
bool moveSlider(QStringList const& args, QString& error) {
    if (args.size() != 2) {
        error = QStringLiteral("usage: widget-slider NAME VALUE");
        return false;
    }
    QWidget* w = findWidget(args[0], error);
    if (!w || !usable(w, args[0], error))
        return false;
    bool ok = false;
    if (auto* f = qobject_cast<DzFloatSlider*>(w)) {
        float const value = args[1].toFloat(&ok);
        if (ok && std::isfinite(value)) {
            f->setValue(value);
            return true;
        }
    } else if (auto* i = qobject_cast<DzIntSlider*>(w)) {
        int const value = args[1].toInt(&ok);
        if (ok) {
            i->setValue(value);
            return true;
        }
    } else {
        error = QStringLiteral("%1 is not a slider").arg(quoted(args[0]));
        return false;
    }
    error = QStringLiteral("%1 is not a value for the slider %2").arg(quoted(args[1]), quoted(args[0]));
    return false;
}

// "widget-text NAME TEXT": the text typed into the control's value field (a slider's, or a line edit), then
// Enter.
bool typeText(QStringList const& args, QString& error) {
    if (args.size() != 2) {
        error = QStringLiteral("usage: widget-text NAME TEXT");
        return false;
    }
    QWidget* w = findWidget(args[0], error);
    if (!w || !usable(w, args[0], error))
        return false;
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit)
        edit = w->findChild<QLineEdit*>();
    if (!edit || edit->isReadOnly()) {
        error = QStringLiteral("%1 has no editable text").arg(quoted(args[0]));
        return false;
    }
    edit->setText(args[1]);
    emit edit->editingFinished();
    return true;
}

QString stateOf(QWidget* w, QString const& what, QString const& argument, bool* known) {
    *known = true;
    auto* button = qobject_cast<QAbstractButton*>(w);
    auto* box = qobject_cast<QCheckBox*>(w);
    if (what == QLatin1String("enabled") || what == QLatin1String("disabled"))
        return w->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
    if (button && (what == QLatin1String("checked") || what == QLatin1String("unchecked") ||
                   what == QLatin1String("partial"))) {
        if (box && box->checkState() == Qt::PartiallyChecked)
            return QStringLiteral("partial");
        return button->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
    }
    if (what == QLatin1String("value")) {
        if (auto* f = qobject_cast<DzFloatSlider*>(w))
            return QString::number(double(f->getValue()));
        if (auto* i = qobject_cast<DzIntSlider*>(w))
            return QString::number(i->getValue());
    }
    if (what == QLatin1String("text") || what == QLatin1String("text-contains")) {
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (button)
            text = button->text();
        else if (auto* edit = w->findChild<QLineEdit*>())
            text = edit->text();
        if (what == QLatin1String("text-contains"))
            return text.contains(argument) ? argument : text;
        return text;
    }
    *known = false;
    return QString();
}

// "expect widget NAME checked|unchecked|partial|enabled|disabled|value V|text T|text-contains T".
QString expectWidget(QStringList const& args) {
    static QStringList const plain = {"checked", "unchecked", "partial", "enabled", "disabled"};
    static QStringList const withArgument = {"value", "text", "text-contains"};
    bool const ok =
        (args.size() == 2 && plain.contains(args[1])) || (args.size() == 3 && withArgument.contains(args[1]));
    if (!ok)
        return QStringLiteral(
            "usage: expect widget NAME checked|unchecked|partial|enabled|disabled|value V|text "
            "T|text-contains T");
    QString error;
    QWidget* w = findWidget(args[0], error);
    if (!w)
        return error;
    QString const wanted = args.size() == 3 ? args[2] : args[1];
    bool known = false;
    QString const shown = stateOf(w, args[1], wanted, &known);
    if (!known)
        return QStringLiteral("%1 has no %2").arg(quoted(args[0]), args[1]);
    if (args[1] == QLatin1String("value")) {
        bool numeric = false;
        double const v = wanted.toDouble(&numeric);
        if (numeric && std::fabs(v - shown.toDouble()) <= 1e-6 * std::max(1.0, std::fabs(v)))
            return QString();
    } else if (shown == wanted) {
        return QString();
    }
    return QStringLiteral("%1 is %2, not %3").arg(quoted(args[0]), quoted(shown), quoted(wanted));
}

// The steps queued for the next modal dialog: the command's words and its arguments.
QList<QStringList> g_dialogSteps;

bool runStep(QStringList const& step, QString& error) {
    QString const op = step.value(0);
    QStringList const args = step.mid(1);
    if (op == QLatin1String("check"))
        return checkWidget(args, error);
    if (op == QLatin1String("slider"))
        return moveSlider(args, error);
    if (op == QLatin1String("text"))
        return typeText(args, error);
    if (op == QLatin1String("expect")) {
        error = expectWidget(args);
        return error.isEmpty();
    }
    QAbstractButton* button = findAs<QAbstractButton>(args.value(0), "a button", error);
    if (!button || !usable(button, args.value(0), error))
        return false;
    button->click();
    return true;
}

// While the button's click runs, a modal dialog it opens is marked as scripted at once (so that the runner
// does not answer it) and given the queued steps from its own event loop.
class DialogPlayer : public QObject {
public:
    explicit DialogPlayer(QList<QStringList> steps) : m_steps(std::move(steps)) {
        qApp->installEventFilter(this);
    }
    ~DialogPlayer() override { qApp->removeEventFilter(this); }

    bool played() const { return m_played; }
    QString const& error() const { return m_error; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (m_played || !dialog || event->type() != QEvent::Show || !dialog->isModal())
            return false;
        m_played = true;
        dialog->setProperty("pfhostScripted", true);
        QPointer<QDialog> guarded(dialog);
        QTimer::singleShot(0, this, [this, guarded] { play(guarded); });
        return false;
    }

private:
    void play(QPointer<QDialog> dialog) {
        for (QStringList const& step : m_steps) {
            if (!dialog || !dialog->isVisible()) {
                m_error = QStringLiteral("the dialog closed before the step %1").arg(quoted(step.join(' ')));
                return;
            }
            QString error;
            if (!runStep(step, error)) {
                m_error = QStringLiteral("dialog step %1: %2").arg(quoted(step.join(' ')), error);
                break;
            }
        }
        if (dialog && dialog->isVisible()) {
            if (m_error.isEmpty())
                m_error = QStringLiteral(
                              "the dialog %1 stayed open after its steps (end them with a button "
                              "that closes it)")
                              .arg(quoted(dialog->windowTitle()));
            dialog->reject();
        }
    }

    QList<QStringList> m_steps;
    bool m_played = false;
    QString m_error;
};

// "widget-click NAME": presses the button; a dialog it opens is given the queued dialog steps.
bool clickWidget(QStringList const& args, QString& error) {
    if (args.size() != 1) {
        error = QStringLiteral("usage: widget-click NAME");
        return false;
    }
    QAbstractButton* button = findAs<QAbstractButton>(args[0], "a button", error);
    if (!button || !usable(button, args[0], error))
        return false;
    QList<QStringList> steps;
    steps.swap(g_dialogSteps);
    if (steps.isEmpty()) {
        button->click();
        return true;
    }
    DialogPlayer player(steps);
    button->click();
    if (!player.played()) {
        error = QStringLiteral("no dialog opened for the %1 queued dialog steps").arg(steps.size());
        return false;
    }
    error = player.error();
    return error.isEmpty();
}

// "dialog-step check|slider|text|click|expect ARGS...": queued for the dialog that the next widget-click
// opens.
bool queueDialogStep(QStringList const& args, QString& error) {
    static QStringList const ops = {"check", "slider", "text", "click", "expect"};
    if (args.size() < 2 || !ops.contains(args[0])) {
        error = QStringLiteral("usage: dialog-step check|slider|text|click|expect NAME ARGS...");
        return false;
    }
    g_dialogSteps << args;
    return true;
}

}  // namespace

void addWidgetScriptCommands(std::map<QString, HostCommand>& commands) {
    commands[QStringLiteral("widget-check")] = checkWidget;
    commands[QStringLiteral("widget-slider")] = moveSlider;
    commands[QStringLiteral("widget-text")] = typeText;
    commands[QStringLiteral("widget-click")] = clickWidget;
    commands[QStringLiteral("dialog-step")] = queueDialogStep;
}

void addWidgetScriptChecks(std::map<QString, HostCheck>& checks) {
    checks[QStringLiteral("widget")] = expectWidget;
}
