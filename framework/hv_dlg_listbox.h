#pragma once

// A non-modal window that collects lines of text, with a line count and Clear, Save as... and Close. It shows
// itself on the first line appended and lives as long as its owner keeps it. GUI thread only.

#include <QString>
#include <QStringList>

#include "hv_dlg_base.h"
#include "ui_hv_dlg_listbox.h"

class HvListboxDlg : public HvDialogBase, public Ui::ListboxDlg {
    Q_OBJECT
public:
    // What "Save as..." does with the dialog. The platform layer that can save files provides it (the
    // Windows build); without one the button does nothing.
    using SaveAsFunction = void (*)(HvListboxDlg& dialog);
    static void SetSaveAsFunction(SaveAsFunction function);
    static SaveAsFunction GetSaveAsFunction();

    // The window position is kept under the settings group and key (ASCII; null for none).
    HvListboxDlg(QWidget* parent, char const* settingsGroup, char const* settingsKey);

    // A new last line; the count follows and the window shows itself (the caller goes on at once).
    void append(QString const& text);
    void updateInfo();
    // The lines in list order.
    QStringList lines() const;

public slots:
    void slotClear();
    void slotSaveAs();
};
