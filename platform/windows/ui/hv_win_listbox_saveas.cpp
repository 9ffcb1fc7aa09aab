#include "hv_win_listbox_saveas.h"

#include <QFileDialog>
#include <exception>
#include <string>
#include <vector>

#include "hv_base.h"
#include "hv_dlg_listbox.h"
#include "hv_win_textfile.h"

void HvListboxSaveAs(HvListboxDlg& dialog) {
    try {
        std::vector<std::string> lines;
        for (QString const& line : dialog.lines()) lines.push_back(HvHelpers::ToStdString(line));
        QString const fileName = QFileDialog::getSaveFileName(
            &dialog, QStringLiteral("Specify file name to save list box contents to"), QString(),
            dialog.tr("Text files(*.txt)"));
        if (fileName.isEmpty())
            return;
        WriteLinesToTextFileOrThrow(lines, HvHelpers::ToStdString(fileName));
    } catch (std::exception const& e) {
        dialog.criticalBox("Error saving file: ", e.what());
    }
}

void HvRegisterListboxSaveAs() {
    HvListboxDlg::SetSaveAsFunction(&HvListboxSaveAs);
}
