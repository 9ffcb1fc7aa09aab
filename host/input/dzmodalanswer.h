#pragma once

// Answering a modal box or dialog through its real widgets, as a person would: the button of a text pressed,
// fields set by their object names. Shared by the test fixtures and pfhost's script mode.

#include <QList>
#include <QString>

class QAbstractButton;
class QWidget;

namespace dzinput {

// A button's text without the mnemonic '&'.
QString buttonText(QAbstractButton const* button);
// A message box's buttons, or every button of another dialog, in the box's order.
QList<QAbstractButton*> modalButtons(QWidget* box);
// Clicks the enabled button of that text; false when there is none.
bool pressModalButton(QWidget* box, QString const& text);
// The child of that object name: a line edit gets the text, a check box or radio button "on" or "off".
// False with the reason.
bool setModalField(QWidget* box, QString const& objectName, QString const& value, QString& error);

}  // namespace dzinput
