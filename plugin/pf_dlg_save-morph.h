#pragma once

// Where the node's current deltas go as a morph: name, label, property path, overwrite and move or copy. It
// validates while the user types and only collects the choices; the caller does the saving after OK. Modal,
// made on the caller's stack.

#include <QString>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hv_dlg_base.h"
#include "ui_pf_dlg_save-morph.h"

class DzNode;
class QTreeWidgetItem;

class PfSaveMorphDialog : public HvDialogBase, public Ui_PfSaveMorphDialog {
    Q_OBJECT
public:
    // proposedName: the morph last loaded into the node's modifier, or empty.
    PfSaveMorphDialog(QWidget* parent, std::string const& proposedName, DzNode& node);
    ~PfSaveMorphDialog() override;

    QString getMorphName() const;
    // While the use-name box is checked, the name.
    QString getMorphLabel() const;
    QString getMorphPropertyPath() const;
    // Kept while the box is hidden.
    bool getOverwriteExisting() const;
    bool getMoveDeltasToMorph() const;

    // The OK button's state, for those who drive the dialog without looking at it.
    bool isOkEnabled() const;

public slots:
    void slotHelpButtonClicked();
    void slotMorphNameTextChanged(QString const& text);
    void slotCheckBoxUseNameForLabelToggled(bool checked);
    void slotCheckBoxOverwriteExistingToggled(bool checked);
    void slotMorphLabelTextChanged(QString const& text);
    void slotTreeWidgetPathsCurrentItemChanged(QTreeWidgetItem* pCurrent, QTreeWidgetItem* pPrevious);
    void slotMorphPropertyPathTextChanged(QString const& text);

private:
    // Lives only while the path tree is filled.
    struct InsertContext {
        std::vector<QTreeWidgetItem*> topLevelItems;
        std::map<std::string, QTreeWidgetItem*> itemsByPath;
    };
    void insertPropertyPaths();
    // The item of the last piece (made with its parents where missing); null for no pieces.
    QTreeWidgetItem* insertOnePath(InsertContext& context, std::vector<std::string> const& pieces);
    void checkIfMorphNameExists();
    void enableDisableItems();

    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
