#pragma once

// The controls of pfhost's windows and dialogs, found and operated by object name as a person would: shared
// by the script's widget commands and its answers to dialogs.

#include <QString>

class QWidget;

// Sets the control named `name` inside `window` (a dialog): a line edit or a slider's value field takes the
// text, a check box on, off or partial, a radio button on (a click), a slider a number within its range. A
// disabled control, or one that does not show the value afterwards, fails; false with the reason.
bool pfHostSetControl(QWidget* window, QString const& name, QString const& value, QString& error);
