#include "hv_dlg_listbox.h"

#include "hv_base.h"
#include "hv_helpers_qt.h"

namespace {

HvListboxDlg::SaveAsFunction g_pfnListboxSaveAs = nullptr;

}  // namespace

void HvListboxDlg::SetSaveAsFunction(SaveAsFunction function) {
    g_pfnListboxSaveAs = function;
}

HvListboxDlg::SaveAsFunction HvListboxDlg::GetSaveAsFunction() {
    return g_pfnListboxSaveAs;
}

HvListboxDlg::HvListboxDlg(QWidget* parent, char const* settingsGroup, char const* settingsKey)
    : HvDialogBase(parent) {
    setupUi(this);
    HvHelpersQt::ConnectButtonClicked(*pButtonClear, this, SLOT(slotClear()), nullptr);
    HvHelpersQt::ConnectButtonClicked(*pButtonSaveAs, this, SLOT(slotSaveAs()), nullptr);
    HvHelpersQt::ConnectButtonClicked(*pButtonClose, this, SLOT(reject()), nullptr);
    setWindowPosSettingsKey(QString::fromLatin1(settingsGroup ? settingsGroup : ""),
                            QString::fromLatin1(settingsKey ? settingsKey : ""));
    restoreWindowPos(nullptr);
}

void HvListboxDlg::append(QString const& text) {
    listWidget->addItem(text);
    updateInfo();
    setVisible(true);
}

void HvListboxDlg::updateInfo() {
    pLabelInfo->setText(HvHelpers::ToQString(
        HvHelpers::FormatNumberWithThousands(static_cast<unsigned long>(listWidget->count())) +
        " lines in box"));
}

QStringList HvListboxDlg::lines() const {
    QStringList result;
    for (int row = 0; row < listWidget->count(); ++row) result << listWidget->item(row)->text();
    return result;
}

void HvListboxDlg::slotClear() {
    listWidget->clear();
    updateInfo();
}

void HvListboxDlg::slotSaveAs() {
    if (g_pfnListboxSaveAs)
        g_pfnListboxSaveAs(*this);
}
