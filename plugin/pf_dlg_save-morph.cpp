#include "pf_dlg_save-morph.h"

#include <QPushButton>
#include <QStringList>
#include <QTreeWidgetItem>
#include <exception>
#include <fmt/format.h>

#include "dznode.h"
#include "dzproperty.h"
#include "dzpropertygroup.h"
#include "dzpropertygrouptree.h"
#include "hv_base.h"
#include "hv_base_daz.h"
#include "hv_globals.h"
#include "hv_helpers_qt.h"
#include "hv_morph.h"
#include "pf_tool.h"

namespace {

QString const kProduct = QStringLiteral("Pullform");

QString replacePf(QString text) {
    return text.replace(QStringLiteral("%PF%"), kProduct);
}

}  // namespace

struct PfSaveMorphDialog::Impl {
    Impl(DzNode& nodeIn) : node(nodeIn), nodeLabel(nodeIn.getLabel().toStdString()) {}

    DzNode& node;
    std::string nodeLabel;
    std::unique_ptr<HvMorphInfo> existingMorph;
};

PfSaveMorphDialog::PfSaveMorphDialog(QWidget* parent, std::string const& proposedName, DzNode& node)
    : HvDialogBase(parent), m_pImpl(std::make_unique<Impl>(node)) {
    setupUi(this);
    setOurWindowTitle("Save morph", true);
    dazzifyLayout();
    setWindowPosSettingsKey(QString::fromUtf8(g_pcszSettingsApp), QStringLiteral("save_morph_window_pos"));
    restoreWindowPos(nullptr);
    connectButtonBox(pButtonBox);

    QString const quotedNode = HvHelpers::ToQString(HvHelpers::Quote(m_pImpl->nodeLabel));
    pLabelIntro1->setText(
        QStringLiteral(
            "<p>Here you can save the current %1 deltas in the %2 scene node as a morph, which you can "
            "dial in and out\nand animate like any other morph.</p>")
            .arg(kProduct, quotedNode));
    pLabelIntro2->setText(
        QStringLiteral(
            "<p>By default the new morph will be saved with your scene file, but you can also save it "
            "out as a morph support\nasset (see the %1 documentation).</p>")
            .arg(kProduct));
    HvHelpersQt::SetSmallBoldInfoButtonStyle(*pButtonHelp, 12);
    HvHelpersQt::ConnectButtonClicked(*pButtonHelp, this, SLOT(slotHelpButtonClicked()),
                                      "Press this button to open Pullform's PDF documentation.");
    pLabelIntro3->setText(HvHelpers::FormatHelpQ(QStringLiteral(
        "<p>Please enter a name for the morph and select where its slider should appear in the "
        "%{Parameters}% tab.</p>")));

    pLabelMorphExists->hide();
    if (!proposedName.empty()) {
        QString const name = HvHelpers::ToQString(proposedName);
        pLineEditMorphName->setText(name);
        pLineEditMorphLabel->setText(name);
        checkIfMorphNameExists();
    }

    connect(pLineEditMorphName, &QLineEdit::textChanged, this, &PfSaveMorphDialog::slotMorphNameTextChanged);
    connect(pCheckBoxUseNameForLabel, &QCheckBox::toggled, this,
            &PfSaveMorphDialog::slotCheckBoxUseNameForLabelToggled);
    connect(pCheckBoxOverwriteExisting, &QCheckBox::toggled, this,
            &PfSaveMorphDialog::slotCheckBoxOverwriteExistingToggled);
    connect(pLineEditMorphLabel, &QLineEdit::textChanged, this,
            &PfSaveMorphDialog::slotMorphLabelTextChanged);
    QString const nameTip = HvHelpers::FormatHelpQ(
        QStringLiteral(
            "<p>Please enter the name and label for the new morph here.</p>\n<p>The name is used internally "
            "by "
            "Daz Studio and must be unique within the scene node.</p>\n<p>The label is what is visible in "
            "the "
            "node's properties.</p>\n<p>If the %{%1}% box is checked, this dialog will set morph name and "
            "label "
            "to the same value for simplicity.\nAdvanced users can uncheck the box to be able to enter "
            "different "
            "values, or\nyou can fine-tune name and label individually after creating the morph by clicking "
            "on\nthe gear icon of the morph's slider and selecting %{Parameter Settings}%.</p>")
            .arg(pCheckBoxUseNameForLabel->text()));
    for (QWidget* w :
         {static_cast<QWidget*>(pLineEditMorphName), static_cast<QWidget*>(pCheckBoxUseNameForLabel),
          static_cast<QWidget*>(pLineEditMorphLabel)})
        w->setToolTip(nameTip);

    connect(pTreeWidgetPropertyPaths, &QTreeWidget::currentItemChanged, this,
            &PfSaveMorphDialog::slotTreeWidgetPathsCurrentItemChanged);
    connect(pLineEditMorphPropertyPath, &QLineEdit::textChanged, this,
            &PfSaveMorphDialog::slotMorphPropertyPathTextChanged);
    QString const pathTip = HvHelpers::FormatHelpQ(
        QStringLiteral(
            "\n<p>Here you can select where the control slider of the morph should appear in the "
            "%{Parameters}%\ntab.</p>\n<p>You can select an existing item from the tree (which shows "
            "the existing property\npaths of the scene node and has an extra %{%1}% path added "
            "always), or enter any path manually\nin the line below.</p>")
            .arg(kProduct));
    pTreeWidgetPropertyPaths->setToolTip(pathTip);
    pLineEditMorphPropertyPath->setToolTip(pathTip);

    insertPropertyPaths();

    pRadioMoveDeltas->setText(replacePf(pRadioMoveDeltas->text()));
    pRadioCopyDeltas->setText(replacePf(pRadioCopyDeltas->text()));
    std::string const radioTip = fmt::format(
        fmt::runtime(HvHelpers::FormatHelp(
            "<p>The selection in the %{{}}% group determines whether %PF% or the morph will be in "
            "control\nof "
            "the morph deltas after they have been saved. (That choice is necessary because if\nboth were "
            "active, the deltas would be active twice, effectively resulting in a 200% "
            "morph.)</p>\n<ul><li>If "
            "%{Activate new morph}% is selected, the deltas will be erased from %PF%,\nas if you had "
            "selected "
            "%{Reset %PF%}% manually, and the new morph will be dialed up to 100%.</li>\n<li>If %{Keep in "
            "%PF%}% is selected, the deltas in the %PF% will not be reset, and the new morph\nwill not be "
            "dialed "
            "up.</li></ul>\n")),
        pGroupBoxMoveOrCopy->title().toStdString());
    QString const radioTipQ = replacePf(HvHelpers::ToQString(radioTip));
    pRadioMoveDeltas->setToolTip(radioTipQ);
    pRadioCopyDeltas->setToolTip(radioTipQ);

    enableDisableItems();
    pLineEditMorphName->setFocus();
}

PfSaveMorphDialog::~PfSaveMorphDialog() = default;

QString PfSaveMorphDialog::getMorphName() const {
    return pLineEditMorphName->text();
}

QString PfSaveMorphDialog::getMorphLabel() const {
    // A label typed before the box was checked again is not what the user sees any more.
    return pCheckBoxUseNameForLabel->isChecked() ? pLineEditMorphName->text() : pLineEditMorphLabel->text();
}

QString PfSaveMorphDialog::getMorphPropertyPath() const {
    return pLineEditMorphPropertyPath->text();
}

bool PfSaveMorphDialog::getOverwriteExisting() const {
    return pCheckBoxOverwriteExisting->isChecked();
}

bool PfSaveMorphDialog::getMoveDeltasToMorph() const {
    return pRadioMoveDeltas->isChecked();
}

bool PfSaveMorphDialog::isOkEnabled() const {
    QPushButton* ok = pButtonBox->button(QDialogButtonBox::Ok);
    return ok && ok->isEnabled();
}

void PfSaveMorphDialog::insertPropertyPaths() {
    QStringList paths;
    if (DzPropertyGroupTree* groups = m_pImpl->node.getPropertyGroups())
        groups->collectAllPaths(paths);
    InsertContext context;
    for (QString const& path : paths)
        insertOnePath(context, HvHelpers::ExplodeVector(path.toStdString(), "/", false, false));
    QTreeWidgetItem* extra = insertOnePath(context, {kProduct.toStdString()});
    pTreeWidgetPropertyPaths->setCurrentItem(extra);
}

QTreeWidgetItem* PfSaveMorphDialog::insertOnePath(InsertContext& context,
                                                  std::vector<std::string> const& pieces) {
    std::string key;
    QTreeWidgetItem* parent = nullptr;
    for (std::string const& piece : pieces) {
        key += "/" + piece;
        auto const found = context.itemsByPath.find(key);
        if (found != context.itemsByPath.end()) {
            parent = found->second;
            continue;
        }
        QTreeWidgetItem* item = nullptr;
        if (parent) {
            item = new QTreeWidgetItem(parent);
        } else {
            item = new QTreeWidgetItem(pTreeWidgetPropertyPaths);
            context.topLevelItems.push_back(item);
        }
        item->setText(0, HvHelpers::ToQString(piece));
        context.itemsByPath[key] = item;
        parent = item;
    }
    return parent;
}

void PfSaveMorphDialog::checkIfMorphNameExists() {
    m_pImpl->existingMorph.reset();
    QString const name = pLineEditMorphName->text();
    if (name.isEmpty())
        return;
    try {
        HvMorphList morphs(m_pImpl->node);
        if (HvMorphInfoPtr found = morphs.findMorphByName(name))
            m_pImpl->existingMorph = std::make_unique<HvMorphInfo>(*found);
    } catch (std::exception const& e) {
        // A morph the list refuses cannot be told apart from others here; the save itself reports it.
        HvHelpersDaz::Log(std::string("Cannot list the morphs of the node: ") + e.what());
    }
}

void PfSaveMorphDialog::enableDisableItems() {
    bool const useName = pCheckBoxUseNameForLabel->isChecked();
    pLabelMorphLabel->setVisible(!useName);
    pLineEditMorphLabel->setVisible(!useName);

    bool ok = false;
    if (HvMorphInfo const* existing = m_pImpl->existingMorph.get()) {
        ok = pCheckBoxOverwriteExisting->isChecked();
        HvHelpersQt::MakeControlRed(*pLabelMorphExists, "QLabel");
        pLabelMorphExists->setWordWrap(true);
        QString text =
            QStringLiteral(
                "<p>A morph with the name %1 already exists in %2.\nPlease choose another name or "
                "select %3.</p>")
                .arg(HvHelpers::OPEN_QUOTE_Q + pLineEditMorphName->text() + HvHelpers::CLOSE_QUOTE_Q,
                     HvHelpers::ToQString(HvHelpers::Quote(m_pImpl->nodeLabel)),
                     HvHelpers::OPEN_QUOTE_Q + pCheckBoxOverwriteExisting->text() + HvHelpers::CLOSE_QUOTE_Q);
        if (existing->supportAsset)
            text +=
                QStringLiteral(
                    "<p>Warning: The existing morph is a support asset from your library\n(%1).\nAs a "
                    "result, Daz Studio will not save the morph deltas in your scene file.\nIf you choose to "
                    "overwrite the morph deltas, you must save the modified morph again as a morph "
                    "support\nasset, or your changes will be lost after you close the scene. Daz Studio will "
                    "not warn you about the\nneed to save the morph asset!</p>")
                    .arg(HvHelpers::ToQString(HvHelpers::Quote(existing->deltasUri)));
        pLabelMorphExists->setText(text);
        pLabelMorphExists->show();
        pCheckBoxOverwriteExisting->show();
    } else {
        QString const path = pLineEditMorphPropertyPath->text();
        // A morph needs a name too, which the label and path alone do not say.
        ok = !pLineEditMorphName->text().isEmpty() && !getMorphLabel().isEmpty() && path.size() >= 6 &&
             path.startsWith(QLatin1Char('/'));
        pLabelMorphExists->hide();
        pCheckBoxOverwriteExisting->hide();
    }
    if (QPushButton* button = pButtonBox->button(QDialogButtonBox::Ok))
        button->setEnabled(ok);
}

void PfSaveMorphDialog::slotHelpButtonClicked() {
    HvHelpersDaz::ExecuteActionOrCriticalBox("PfHelpAction");
}

void PfSaveMorphDialog::slotMorphNameTextChanged(QString const& text) {
    if (pCheckBoxUseNameForLabel->isChecked())
        pLineEditMorphLabel->setText(text);
    checkIfMorphNameExists();
    enableDisableItems();
}

void PfSaveMorphDialog::slotCheckBoxUseNameForLabelToggled(bool checked) {
    // Checked again: the label is the name, not what was typed while the box was off.
    if (checked)
        pLineEditMorphLabel->setText(pLineEditMorphName->text());
    enableDisableItems();
}

void PfSaveMorphDialog::slotCheckBoxOverwriteExistingToggled(bool) {
    enableDisableItems();
}

void PfSaveMorphDialog::slotMorphLabelTextChanged(QString const&) {
    if (!pCheckBoxUseNameForLabel->isChecked())
        enableDisableItems();
}

void PfSaveMorphDialog::slotTreeWidgetPathsCurrentItemChanged(QTreeWidgetItem* pCurrent, QTreeWidgetItem*) {
    QString path;
    for (QTreeWidgetItem* item = pCurrent; item; item = item->parent())
        path = QLatin1Char('/') + item->text(0) + path;
    pLineEditMorphPropertyPath->setText(path);
    enableDisableItems();
}

void PfSaveMorphDialog::slotMorphPropertyPathTextChanged(QString const&) {
    enableDisableItems();
}
