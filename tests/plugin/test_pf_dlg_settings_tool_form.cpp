// The options pane's form: object names and their places, texts fixed and translatable, properties and the
// tab order, as the pane and the user rely on them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <QWidget>

#include "ui_pf_dlg_settings-tool.h"

namespace {

// Marks every text of the form's context, to tell translatable texts from fixed ones.
class MarkingTranslator : public QTranslator {
public:
    QString translate(char const* context, char const* source, char const*, int) const override {
        if (QLatin1String(context) != QLatin1String("PfToolOptions") || !*source)
            return QString();
        return "[" + QString::fromUtf8(source) + "]";
    }
    bool isEmpty() const override { return false; }
};

// A layout's items by name: a widget's or a layout's object name, "spacer" for a spacer.
QStringList itemNames(QLayout* layout) {
    QStringList names;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item->widget())
            names << item->widget()->objectName();
        else if (item->layout())
            names << item->layout()->objectName();
        else
            names << "spacer";
    }
    return names;
}

// "name@row,column" for every item of a grid.
QStringList gridCells(QGridLayout* grid) {
    QStringList cells;
    for (int i = 0; i < grid->count(); ++i) {
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
        cells << QString("%1@%2,%3").arg(grid->itemAt(i)->widget()->objectName()).arg(row).arg(column);
    }
    return cells;
}

QString textOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return QString();
}

struct FormFixture {
    QWidget form;
    Ui_PfToolOptions ui;
    FormFixture() { ui.setupUi(&form); }
    QWidget* child(QString const& name) { return form.findChild<QWidget*>(name); }
};

}  // namespace

TEST(PfToolOptionsForm, TheFormWidgetItself) {
    FormFixture f;
    EXPECT_EQ(f.form.objectName(), "PfToolOptions");
    EXPECT_EQ(f.form.size(), QSize(376, 563));
    EXPECT_EQ(f.form.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    EXPECT_EQ(f.form.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(f.form.windowTitle(), "Form");
    EXPECT_TRUE(f.form.toolTip().isEmpty());

    QWidget named;
    named.setObjectName("pane");
    Ui_PfToolOptions ui;
    ui.setupUi(&named);
    EXPECT_EQ(named.objectName(), "pane");
}

TEST(PfToolOptionsForm, LayoutsHoldTheirItemsInOrder) {
    FormFixture f;
    Ui_PfToolOptions& ui = f.ui;
    EXPECT_EQ(f.form.layout(), ui.verticalLayout);
    EXPECT_EQ(
        itemNames(ui.verticalLayout),
        (QStringList{"pLabelHeading", "pTopHorizontalLayout", "pGroupBoxGizmoMain", "pGroupGizmoOrientation",
                     "pHorizontalLayoutGainSlider", "pHorizontalLayoutFalloffRadiusSlider",
                     "pGroupFalloffType", "pHorizontalLayoutStatsAndMorph", "spacer"}));
    EXPECT_EQ(itemNames(ui.pTopHorizontalLayout),
              (QStringList{"pGroupSelectionType", "pVerticalLayoutForHelpAndSettingsButtons"}));
    EXPECT_EQ(itemNames(ui.horizontalLayout_2),
              (QStringList{"pRadioSelectionFacet", "pRadioSelectionEdge", "pRadioSelectionVertex"}));
    EXPECT_EQ(itemNames(ui.pVerticalLayoutForHelpAndSettingsButtons),
              (QStringList{"pButtonHelp", "pButtonAdvancedSettings"}));
    EXPECT_EQ(itemNames(ui.horizontalLayout_3),
              (QStringList{"pCheckBoxDrawGizmoTranslation", "pCheckBoxDrawGizmoRotation",
                           "pCheckBoxTriShowGizmoSphere", "pHorizontalLayoutGizmoSizeSlider"}));
    // The slider rows hold only their label until the pane appends its slider.
    EXPECT_EQ(itemNames(ui.pHorizontalLayoutGizmoSizeSlider), QStringList{"pLabelGizmoSizeSlider"});
    EXPECT_EQ(itemNames(ui.pHorizontalLayoutGainSlider), QStringList{"pLabelGainSlider"});
    EXPECT_EQ(itemNames(ui.pHorizontalLayoutFalloffRadiusSlider), QStringList{"pLabelFalloffRadiusSlider"});
    EXPECT_EQ(itemNames(ui.horizontalLayout_4),
              (QStringList{"pLabelInfoHoldDownModifier", "pCheckBoxLockGizmoInPlace"}));
    EXPECT_EQ(ui.horizontalLayout_4->stretch(0), 1);
    EXPECT_EQ(itemNames(ui.pHorizontalLayoutStatsAndMorph), (QStringList{"pGroupInfo", "groupBox"}));
    EXPECT_EQ(itemNames(ui.horizontalLayout_5), (QStringList{"pLabelInfo", "pButtonReset"}));
    EXPECT_EQ(ui.horizontalLayout_5->stretch(0), 1);
    EXPECT_EQ(itemNames(ui.verticalLayout_4), (QStringList{"pButtonLoadMorph", "pButtonSaveAsMorph"}));

    EXPECT_EQ(gridCells(ui.gridLayout_2),
              (QStringList{"pRadioGizmoZtoCamera@1,1", "pRadioGizmoNodeAxes@0,2", "pRadioGizmoCamera45@1,2",
                           "pRadioGizmoWorldAxes@0,1", "label@0,0", "label_2@1,0", "pRadioGizmoNormal@0,3",
                           "pRadioGizmoClamped@1,3"}));
    EXPECT_EQ(
        gridCells(ui.gridLayout),
        (QStringList{"pLabelImageConstant@1,3", "pRadioFalloffConstant@1,2", "pLabelImageLinear@0,3",
                     "pRadioFalloffLinear@0,2", "pRadioFalloffSphere@1,0", "pRadioFalloffSharp@3,0",
                     "pLabelImageSmoothCurve@0,1", "pRadioFalloffInverseSquare@2,0",
                     "pRadioFalloffSmoothCurve@0,0", "pLabelImageSphere@1,1", "pLabelImageInverseSquare@2,1",
                     "pLabelImageSharp@3,1", "pRadioFalloffRandom@2,2", "pLabelImageRandom@2,3"}));
    QSpacerItem* spacer = ui.verticalLayout->itemAt(ui.verticalLayout->count() - 1)->spacerItem();
    ASSERT_NE(spacer, nullptr);
    EXPECT_EQ(spacer->sizeHint(), QSize(20, 40));
    EXPECT_EQ(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
}

TEST(PfToolOptionsForm, TextsFixedAndTranslatable) {
    struct Row {
        char const* name;
        char const* text;
        bool translatable;
    };
    std::vector<Row> const rows = {
        {"pLabelHeading", "HEADING", true},
        {"pGroupSelectionType", "Selection type", true},
        {"pRadioSelectionFacet", "Face", false},
        {"pRadioSelectionEdge", "Edge", false},
        {"pRadioSelectionVertex", "Vertex", false},
        {"pButtonHelp", "?", false},
        {"pButtonAdvancedSettings", "S", true},
        {"pGroupBoxGizmoMain", "Gizmo", true},
        {"pCheckBoxDrawGizmoTranslation", "Move", false},
        {"pCheckBoxDrawGizmoRotation", "Rotate", true},
        {"pCheckBoxTriShowGizmoSphere", "Falloff", false},
        {"pLabelGizmoSizeSlider", "Size", true},
        {"pCheckBoxLockGizmoInPlace", "Lock in place", false},
        {"pGroupGizmoOrientation", "Gizmo orientation", true},
        {"pRadioGizmoZtoCamera", "Z/cam", false},
        {"pRadioGizmoNodeAxes", "Node", false},
        {"pRadioGizmoCamera45", "45\u00B0/cam", false},
        {"pRadioGizmoWorldAxes", "World", false},
        {"label", "Fixed:", true},
        {"label_2", "Camera-oriented:", true},
        {"pRadioGizmoNormal", "Normal", true},
        {"pRadioGizmoClamped", "Clamped", true},
        {"pLabelGainSlider", "Gain", true},
        {"pLabelFalloffRadiusSlider", "Falloff radius", true},
        {"pGroupFalloffType", "Falloff type", true},
        {"pRadioFalloffConstant", "Const", false},
        {"pRadioFalloffLinear", "Linear", false},
        {"pRadioFalloffSphere", "Sphere", false},
        {"pRadioFalloffSharp", "Sharp", false},
        {"pRadioFalloffInverseSquare", "Inv. square", false},
        {"pRadioFalloffSmoothCurve", "Smooth", false},
        {"pRadioFalloffRandom", "Rand", false},
        {"pGroupInfo", "Modifier statistics", true},
        {"pButtonReset", "Reset...", false},
        {"groupBox", "Morphs", true},
        {"pButtonLoadMorph", "Load...", true},
        {"pButtonSaveAsMorph", "Save...", true},
    };
    FormFixture f;
    for (Row const& row : rows) {
        QWidget* w = f.child(row.name);
        ASSERT_NE(w, nullptr) << row.name;
        EXPECT_EQ(textOf(w), QString::fromUtf8(row.text)) << row.name;
    }
    // Every label the pane fills later starts empty.
    for (char const* name : {"pLabelInfoHoldDownModifier", "pLabelInfo", "pLabelImageSmoothCurve",
                             "pLabelImageSphere", "pLabelImageInverseSquare", "pLabelImageSharp",
                             "pLabelImageLinear", "pLabelImageConstant", "pLabelImageRandom"})
        EXPECT_TRUE(textOf(f.child(name)).isEmpty()) << name;

    MarkingTranslator marker;
    QCoreApplication::installTranslator(&marker);
    f.ui.retranslateUi(&f.form);
    QCoreApplication::removeTranslator(&marker);
    for (Row const& row : rows) {
        QString const source = QString::fromUtf8(row.text);
        EXPECT_EQ(textOf(f.child(row.name)), row.translatable ? "[" + source + "]" : source) << row.name;
    }
    EXPECT_EQ(f.form.windowTitle(), "[Form]");
    f.ui.retranslateUi(&f.form);
    EXPECT_EQ(f.form.windowTitle(), "Form");
}

TEST(PfToolOptionsForm, PropertiesAndNothingChecked) {
    FormFixture f;
    Ui_PfToolOptions& ui = f.ui;
    for (QRadioButton* r : f.form.findChildren<QRadioButton*>())
        EXPECT_FALSE(r->isChecked()) << r->objectName().toStdString();
    EXPECT_EQ(f.form.findChildren<QRadioButton*>().size(), 3 + 6 + 7);
    for (QCheckBox* c : f.form.findChildren<QCheckBox*>()) EXPECT_EQ(c->checkState(), Qt::Unchecked);
    EXPECT_TRUE(ui.pCheckBoxTriShowGizmoSphere->isTristate());
    EXPECT_FALSE(ui.pCheckBoxDrawGizmoTranslation->isTristate());
    EXPECT_TRUE(ui.pCheckBoxLockGizmoInPlace->isEnabled());
    EXPECT_TRUE(ui.pLabelHeading->wordWrap());
    EXPECT_TRUE(ui.pLabelInfoHoldDownModifier->wordWrap());
    EXPECT_TRUE(ui.pLabelInfo->wordWrap());
    EXPECT_EQ(ui.pLabelInfo->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(ui.pGroupSelectionType->sizePolicy().horizontalStretch(), 1);
    EXPECT_EQ(ui.pButtonHelp->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    EXPECT_EQ(ui.pButtonHelp->minimumSize(), QSize(20, 0));
    EXPECT_EQ(ui.pButtonHelp->maximumSize(), QSize(20, 16777215));
    EXPECT_EQ(ui.pButtonAdvancedSettings->maximumSize(), QSize(20, 16777215));
    // The radios of each group box are exclusive among themselves only.
    ui.pRadioSelectionEdge->click();
    ui.pRadioGizmoClamped->click();
    ui.pRadioFalloffRandom->click();
    EXPECT_TRUE(ui.pRadioSelectionEdge->isChecked());
    ui.pRadioFalloffSharp->click();
    EXPECT_TRUE(ui.pRadioGizmoClamped->isChecked());
    EXPECT_FALSE(ui.pRadioFalloffRandom->isChecked());
}

TEST(PfToolOptionsForm, TabOrder) {
    FormFixture f;
    QStringList const expected = {"pRadioSelectionFacet",
                                  "pRadioSelectionEdge",
                                  "pRadioSelectionVertex",
                                  "pButtonHelp",
                                  "pButtonAdvancedSettings",
                                  "pCheckBoxDrawGizmoTranslation",
                                  "pCheckBoxDrawGizmoRotation",
                                  "pCheckBoxTriShowGizmoSphere",
                                  "pCheckBoxLockGizmoInPlace",
                                  "pRadioGizmoWorldAxes",
                                  "pRadioGizmoNodeAxes",
                                  "pRadioGizmoNormal",
                                  "pRadioGizmoZtoCamera",
                                  "pRadioGizmoCamera45",
                                  "pRadioGizmoClamped",
                                  "pRadioFalloffSmoothCurve",
                                  "pRadioFalloffSphere",
                                  "pRadioFalloffInverseSquare",
                                  "pRadioFalloffSharp",
                                  "pRadioFalloffLinear",
                                  "pRadioFalloffConstant",
                                  "pRadioFalloffRandom",
                                  "pButtonReset",
                                  "pButtonLoadMorph",
                                  "pButtonSaveAsMorph"};
    QStringList chain{expected.first()};
    QWidget* w = f.child(expected.first());
    while (chain.size() < expected.size()) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        chain << w->objectName();
    }
    EXPECT_EQ(chain, expected);
}
