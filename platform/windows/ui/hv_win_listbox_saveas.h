#pragma once

// The list-box dialog's "Save as..." in the Windows build. Apart from the layer's Win32 sources because it
// needs Qt's widgets, which the layer's own MinGW build does not have.

class HvListboxDlg;

// Asks for a file name and writes the dialog's lines to it; cancelling writes nothing. A failure is shown
// over the dialog as "Error saving file: " and the message; the dialog and its lines stay as they were.
void HvListboxSaveAs(HvListboxDlg& dialog);

// Makes HvListboxSaveAs what every list box's "Save as..." does.
void HvRegisterListboxSaveAs();
