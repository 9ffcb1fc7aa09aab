// Script commands that operate the windows' controls by object name, as a person would: check a radio button
// or a box, move a slider, press a button, and check what a control shows. The controls of a dialog that a
// command opens are set by the answer queued for it (pfhost_answers.cpp), through the same functions.
#include "pfhost_script_widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>
#include <limits>

#include "dzfloatslider.h"
#include "dzintslider.h"
#include "pfhost_script_args.h"
#include "pfhost_tools.h"

namespace {

QString quoted(QString const& s) {
    return pfHostQuoted(s);
}

// The control named `name` inside `within`, or else in the active modal dialog, else in any visible window,
// else in any window. "BOX:TEXT" names the button of that text in the button box BOX ("pButtonBox:Cancel").
QWidget* findWidget(QString const& name, QString& error, QWidget* within = nullptr) {
    QString const objectName = name.section(QLatin1Char(':'), 0, 0);
    QString const buttonText = name.section(QLatin1Char(':'), 1);
    QList<QWidget*> windows;
    if (within) {
        windows << within;
    } else {
        if (QWidget* modal = QApplication::activeModalWidget())
            windows << modal;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !windows.contains(w))
                windows << w;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!windows.contains(w))
                windows << w;
    }
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
T* findAs(QString const& name, char const* kind, QString& error, QWidget* within = nullptr) {
    QWidget* w = findWidget(name, error, within);
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

// A radio button is clicked (only on); a box takes the state: on, off or, when it has three, partial.
bool setCheck(QAbstractButton* button, QString const& name, QString const& state, QString& error) {
    if (!usable(button, name, error))
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
            error = QStringLiteral("the check box %1 takes %2, not %3")
                        .arg(quoted(name),
                             box->isTristate() ? QStringLiteral("on, off or partial")
                                               : QStringLiteral("on or off"),
                             quoted(state));
            return false;
        }
        box->setCheckState(wanted);
        if (box->checkState() != wanted) {
            error =
                QStringLiteral("the check box %1 did not take the state %2").arg(quoted(name), quoted(state));
            return false;
        }
        return true;
    }
    if (qobject_cast<QRadioButton*>(button) && state == QLatin1String("on")) {
        button->click();
        if (!button->isChecked()) {
            error = QStringLiteral("the radio button %1 stayed unchecked after a click").arg(quoted(name));
            return false;
        }
        return true;
    }
    error = QStringLiteral("%1 can only be checked on").arg(quoted(name));
    return false;
}

// The host slider takes the value as a drag to it would; a clamped slider's value lies within its range.
bool setSlider(QWidget* w, QString const& name, QString const& text, QString& error) {
    if (!usable(w, name, error))
        return false;
    QString const what = QStringLiteral("the value of %1").arg(quoted(name));
    double const inf = std::numeric_limits<double>::infinity();
    if (auto* f = qobject_cast<DzFloatSlider*>(w)) {
        double value = 0;
        bool const clamped = f->getClamped();
        if (!pfHostParseNumber(text, what, clamped ? f->getMin() : -inf, clamped ? f->getMax() : inf,
                               QString(), value, error))
            return false;
        f->setValue(float(value));
        return true;
    }
    if (auto* i = qobject_cast<DzIntSlider*>(w)) {
        qint64 value = 0;
        bool const clamped = i->getClamped();
        if (!pfHostParseWhole(text, what, clamped ? i->getMin() : std::numeric_limits<int>::min(),
                              clamped ? i->getMax() : std::numeric_limits<int>::max(), QString(), value,
                              error))
            return false;
        i->setValue(int(value));
        return true;
    }
    error = QStringLiteral("%1 is not a slider").arg(quoted(name));
    return false;
}

// The text typed into the control's value field (a line edit, or a slider's), then Enter.
bool setText(QWidget* w, QString const& name, QString const& text, QString& error) {
    if (!usable(w, name, error))
        return false;
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (!edit)
        edit = w->findChild<QLineEdit*>();
    if (!edit || edit->isReadOnly()) {
        error = QStringLiteral("%1 has no editable text").arg(quoted(name));
        return false;
    }
    edit->setText(text);
    emit edit->editingFinished();
    return true;
}

// "widget-check NAME [on|off|partial]".
bool checkWidget(QStringList const& args, QString& error) {
    if (args.isEmpty() || args.size() > 2) {
        error = QStringLiteral("usage: widget-check NAME [on|off|partial]");
        return false;
    }
    QAbstractButton* button = findAs<QAbstractButton>(args[0], "a radio button or a check box", error);
    return button && setCheck(button, args[0], args.size() == 2 ? args[1] : QStringLiteral("on"), error);
}

// "widget-slider NAME VALUE".
bool moveSlider(QStringList const& args, QString& error) {
    if (args.size() != 2) {
        error = QStringLiteral("usage: widget-slider NAME VALUE");
        return false;
    }
    QWidget* w = findWidget(args[0], error);
    return w && setSlider(w, args[0], args[1], error);
}

// "widget-text NAME TEXT".
bool typeText(QStringList const& args, QString& error) {
    if (args.size() != 2) {
        error = QStringLiteral("usage: widget-text NAME TEXT");
        return false;
    }
    QWidget* w = findWidget(args[0], error);
    return w && setText(w, args[0], args[1], error);
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

// "widget-click NAME": presses the button; a dialog it opens takes the answer queued for it.
bool clickWidget(QStringList const& args, QString& error) {
    if (args.size() != 1) {
        error = QStringLiteral("usage: widget-click NAME");
        return false;
    }
    QAbstractButton* button = findAs<QAbstractButton>(args[0], "a button", error);
    if (!button || !usable(button, args[0], error))
        return false;
    button->click();
    return true;
}

}  // namespace

void addWidgetScriptCommands(std::map<QString, HostCommand>& commands) {
    commands[QStringLiteral("widget-check")] = checkWidget;
    commands[QStringLiteral("widget-slider")] = moveSlider;
    commands[QStringLiteral("widget-text")] = typeText;
    commands[QStringLiteral("widget-click")] = clickWidget;
}

bool pfHostSetControl(QWidget* window, QString const& name, QString const& value, QString& error) {
    QWidget* w = findWidget(name, error, window);
    if (!w)
        return false;
    if (qobject_cast<DzFloatSlider*>(w) || qobject_cast<DzIntSlider*>(w))
        return setSlider(w, name, value, error);
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
        return setCheck(static_cast<QAbstractButton*>(w), name, value, error);
    if (qobject_cast<QLineEdit*>(w) || (!qobject_cast<QAbstractButton*>(w) && w->findChild<QLineEdit*>())) {
        if (!setText(w, name, value, error))
            return false;
        auto* edit = qobject_cast<QLineEdit*>(w) ? qobject_cast<QLineEdit*>(w) : w->findChild<QLineEdit*>();
        if (edit->text() != value) {
            error = QStringLiteral("%1 shows %2 after %3 was typed")
                        .arg(quoted(name), quoted(edit->text()), quoted(value));
            return false;
        }
        return true;
    }
    error = QStringLiteral("%1 is neither a line edit, a check box, a radio button nor a slider")
                .arg(quoted(name));
    return false;
}

void addWidgetScriptChecks(std::map<QString, HostCheck>& checks) {
    checks[QStringLiteral("widget")] = expectWidget;
}
