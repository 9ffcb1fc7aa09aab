#include "dzmodalanswer.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>

namespace dzinput {

QString buttonText(QAbstractButton const* button) {
    return button ? button->text().remove(QLatin1Char('&')) : QString();
}

QList<QAbstractButton*> modalButtons(QWidget* box) {
    if (auto* message = qobject_cast<QMessageBox*>(box))
        return message->buttons();
    return box->findChildren<QAbstractButton*>();
}

bool pressModalButton(QWidget* box, QString const& text) {
    QAbstractButton* target = nullptr;
    for (QAbstractButton* b : modalButtons(box))
        if (!text.isEmpty() && buttonText(b) == text)
            target = b;
    if (!target || !target->isEnabled())
        return false;
    target->click();
    return true;
}

bool setModalField(QWidget* box, QString const& objectName, QString const& value, QString& error) {
    QWidget* w = box->findChild<QWidget*>(objectName);
    if (!w) {
        error = QStringLiteral("no field \"%1\"").arg(objectName);
        return false;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(value);
        return true;
    }
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        if (value != QLatin1String("on") && value != QLatin1String("off")) {
            error = QStringLiteral("\"%1\" takes on or off").arg(objectName);
            return false;
        }
        static_cast<QAbstractButton*>(w)->setChecked(value == QLatin1String("on"));
        return true;
    }
    error = QStringLiteral("\"%1\" is neither a line edit nor a check box or radio button").arg(objectName);
    return false;
}

}  // namespace dzinput
