// Window titles, the critical and confirm boxes, tool tips, button wiring, styles and item-view helpers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "dzapp.h"
#include "dzmodalresponder.h"
#include "hv_helpers_qt.h"

namespace {

QString const kTitle = QString::fromUtf8("Halvorin's Pullform V3.0.1 (2020-09-14)");

class Receiver : public QWidget {
    Q_OBJECT
public:
    int clicks = 0;
signals:
    void somethingHappened(int);
public slots:
    void slotClicked() { ++clicks; }
};

// a, a/b, a/c, d
std::unique_ptr<QStandardItemModel> makeTree() {
    auto model = std::make_unique<QStandardItemModel>();
    auto* a = new QStandardItem("a");
    a->appendRow(new QStandardItem("b"));
    a->appendRow(new QStandardItem("c"));
    model->appendRow(a);
    model->appendRow(new QStandardItem("d"));
    return model;
}

// ---- version and titles ----

TEST(HvHelpersQt, VersionAndWindowTitles) {
    EXPECT_EQ(HvHelpersQt::MakeVersionString(), "V3.0.1 (2020-09-14)");
    EXPECT_EQ(HvHelpersQt::MakeWindowTitleQ(nullptr), kTitle);
    EXPECT_EQ(HvHelpersQt::MakeWindowTitleQ(), kTitle);
    EXPECT_EQ(HvHelpersQt::MakeWindowTitleQ("Save morph"), QString::fromUtf8("Save morph \u2014 ") + kTitle);
    EXPECT_EQ(HvHelpersQt::MakeWindowTitleQ(""), QString::fromUtf8(" \u2014 ") + kTitle);
    EXPECT_EQ(HvHelpersQt::MakeWindowTitleQ("Grö\xC3\x9F"
                                            "e"),
              QString::fromUtf8("Grö\xC3\x9F"
                                "e \u2014 ") +
                  kTitle);
}

// ---- critical box ----

TEST(HvHelpersQt, CriticalBoxLogsFirstThenShowsTheTextUnderThePluginTitleWithOneOkButton) {
    dzApp->clearLog();
    dztest::ModalResponder responder;
    QStringList logWhileShown;
    responder.setInspector([&](QWidget*) { logWhileShown = dzApp->getLogLines(); });
    responder.pressButton("OK");
    HvHelpersQt::CriticalBox(nullptr, "Error: ", std::string("abc"), true);
    ASSERT_EQ(responder.boxes().size(), 1);
    auto const& box = responder.boxes()[0];
    EXPECT_EQ(logWhileShown, QStringList{"HvPullform: Critical box: Error: abc"});
    EXPECT_EQ(box.title, kTitle);
    EXPECT_EQ(box.text, "Error: abc");
    EXPECT_EQ(box.icon, int(QMessageBox::Critical));
    EXPECT_EQ(box.buttons, QStringList{"OK"});
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(dzApp->getLogLines().size(), 1);
}

TEST(HvHelpersQt, CriticalBoxWithoutPrefixOrLogShowsTheMessageAlone) {
    dzApp->clearLog();
    dztest::ModalResponder responder;
    responder.pressEscape().pressButton("OK");
    HvHelpersQt::CriticalBox(nullptr, nullptr, "plain \xE2\x80\x9Cquoted\xE2\x80\x9D", false);
    HvHelpersQt::CriticalBox(nullptr, nullptr, static_cast<char const*>(nullptr), true);
    ASSERT_EQ(responder.boxes().size(), 2);
    EXPECT_EQ(responder.boxes()[0].text, QString::fromUtf8("plain \u201Cquoted\u201D"));
    EXPECT_EQ(responder.boxes()[1].text, "");
    EXPECT_EQ(dzApp->getLogLines(), QStringList{"HvPullform: Critical box: "});
    EXPECT_TRUE(responder.allAnswered());
}

// ---- confirmation box ----

struct ConfirmCase {
    char const* how;
    int expected;
};

void PrintTo(ConfirmCase const& c, std::ostream* os) {
    *os << c.how;
}

class HvHelpersQtConfirm : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(HvHelpersQtConfirm, ReturnsZeroOnlyForTheActionButton) {
    dztest::ModalResponder responder;
    QString const how = GetParam().how;
    if (how == "escape")
        responder.pressEscape();
    else if (how == "return")
        responder.pressReturn();
    else
        responder.pressButton(how);
    int const result = HvHelpersQt::CustomActionOrCancelbox(nullptr, "Reset \xE2\x80\x94 all",
                                                            "Reset every delta?", "Reset");
    EXPECT_EQ(result, GetParam().expected);
    ASSERT_EQ(responder.boxes().size(), 1);
    auto const& box = responder.boxes()[0];
    EXPECT_EQ(box.title, QString::fromUtf8("Reset \u2014 all"));
    EXPECT_EQ(box.text, "Reset every delta?");
    EXPECT_EQ(box.defaultButton, "Cancel");
    EXPECT_EQ(box.buttons.size(), 2);
    EXPECT_TRUE(box.buttons.contains("Cancel"));
    EXPECT_TRUE(box.buttons.contains("Reset"));
    EXPECT_TRUE(responder.allAnswered());
}

INSTANTIATE_TEST_SUITE_P(Answers, HvHelpersQtConfirm,
                         ::testing::Values(ConfirmCase{"Reset", 0}, ConfirmCase{"Cancel", 0x00400000},
                                           ConfirmCase{"escape", 0x00400000},
                                           ConfirmCase{"return", 0x00400000}));

// ---- tool tips and buttons ----

TEST(HvHelpersQt, FormattedToolTipResolvesTheMarkers) {
    QWidget widget;
    HvHelpersQt::SetFormattedToolTip(widget, "Use %{Reset}% -> %PLUGINNAME%");
    EXPECT_EQ(widget.toolTip(), QString::fromUtf8("Use \u201CReset\u201D \u2192 Halvorin's Pullform"));
}

TEST(HvHelpersQt, ButtonHelpersWireTheSlotAndTheToolTip) {
    Receiver receiver;
    QPushButton* made =
        HvHelpersQt::CreateAndConnectButtonClicked("Go", &receiver, SLOT(slotClicked()), "%{Go}%", false);
    EXPECT_EQ(made->parent(), &receiver);
    EXPECT_EQ(made->text(), "Go");
    EXPECT_FALSE(made->isEnabled());
    EXPECT_EQ(made->toolTip(), QString::fromUtf8("\u201CGo\u201D"));
    made->setEnabled(true);
    made->click();
    EXPECT_EQ(receiver.clicks, 1);

    std::unique_ptr<QPushButton> tiny(
        HvHelpersQt::MakeTinyPushButton(&receiver, "+", SLOT(slotClicked()), nullptr));
    EXPECT_EQ(tiny->parent(), nullptr);
    EXPECT_EQ(tiny->maximumWidth(), QFontMetrics(tiny->font()).boundingRect("+").height() + 10);
    EXPECT_TRUE(tiny->toolTip().isEmpty());
    tiny->click();
    EXPECT_EQ(receiver.clicks, 2);

    QPushButton quiet("Q");
    HvHelpersQt::ConnectButtonClicked(quiet, &receiver, nullptr, "tip");
    quiet.click();
    EXPECT_EQ(receiver.clicks, 2);
    EXPECT_EQ(quiet.toolTip(), "tip");
}

TEST(HvHelpersQtDeathTest, ARefusedConnectionStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Receiver receiver;
    QPushButton button("x");
    EXPECT_DEATH(HvHelpersQt::ConnectButtonClicked(button, &receiver, SLOT(noSuchSlot()), nullptr),
                 "QObject connection failed");
}

TEST(HvHelpersQt, StyleSheetsAreExact) {
    QPushButton button("b");
    HvHelpersQt::MakeControlRed(button, "QPushButton");
    EXPECT_EQ(button.styleSheet(), "QPushButton {font-weight:600; background-color:#aa0000; border: none; }");
    HvHelpersQt::EnableDisableButtonRed(button, false);
    EXPECT_EQ(button.styleSheet(), "");
    EXPECT_FALSE(button.isEnabled());
    HvHelpersQt::EnableDisableButtonRed(button, true);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(button.styleSheet(), "QPushButton {font-weight:600; background-color:#aa0000; border: none; }");
    HvHelpersQt::SetSmallBoldInfoButtonStyle(button, 8);
    EXPECT_EQ(button.styleSheet(), "QPushButton { font-size: 8pt; font-weight: bold; color: #ffffff; }");
    EXPECT_EQ(
        HvHelpersQt::MakeErrorButtonStyle("Load"),
        "<span style=\"font-weight:600; background-color:rgb(170, 97, 112); border: none; \">Load</span>");
    QLabel heading;
    HvHelpersQt::MakeLabelHeading(heading);
    EXPECT_EQ(heading.text(), kTitle);
    EXPECT_TRUE(heading.wordWrap());
    EXPECT_EQ(heading.styleSheet(), "QLabel { font-size: 9pt; font-weight: bold; color: #ffffff; } ");
    HvHelpersQt::SetLabelContentMargins(heading);
    EXPECT_EQ(heading.contentsMargins(), QMargins(5, 3, 5, 3));
}

TEST(HvHelpersQt, SmallInfoButtonAndPixmapButton) {
    QPushButton button("long text");
    HvHelpersQt::MakeSmallBoldInfoButton(button, "i", 7);
    EXPECT_EQ(button.text(), "i");
    EXPECT_EQ(button.minimumWidth(), 20);
    EXPECT_EQ(button.maximumWidth(), 20);
    EXPECT_EQ(button.sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    EXPECT_EQ(button.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_TRUE(button.styleSheet().contains("font-size: 7pt"));
    HvHelpersQt::SetButtonPixmap(button, ":/no/such/image.png");
    EXPECT_EQ(button.text(), "");
    EXPECT_EQ(button.iconSize(), QSize(16, 16));
    HvHelpersQt::DisableButton(button);
    EXPECT_FALSE(button.isEnabled());
}

TEST(HvHelpersQt, TextBrowserGrowsWithItsTextUpToTwentyLines) {
    QWidget parent;
    QTextBrowser* browser = HvHelpersQt::MakeInfoTextBrowser(&parent);
    EXPECT_EQ(browser->parent(), &parent);
    EXPECT_EQ(browser->lineWrapMode(), QTextEdit::NoWrap);
    int const line = browser->fontMetrics().height();
    QStringList lines;
    for (int i = 0; i < 25; ++i) lines << QString("line %1").arg(i);
    browser->setPlainText(lines.join('\n'));
    HvHelpersQt::ResizeTextBrowser(*browser);
    EXPECT_EQ(browser->height(), 20 * line);
    browser->setPlainText("one line");
    HvHelpersQt::ResizeTextBrowser(*browser);
    EXPECT_EQ(browser->height(), int(browser->document()->size().height() + 15));
    EXPECT_LT(browser->height(), 20 * line);
}

TEST(HvHelpersQt, HorizontalLineIsASunkenFrameAppended) {
    QWidget parent;
    auto* layout = new QVBoxLayout(&parent);
    QFrame* line = HvHelpersQt::AddHorizontalLine(*layout);
    EXPECT_EQ(line->frameShape(), QFrame::HLine);
    EXPECT_EQ(line->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(layout->itemAt(0)->widget(), line);
}

TEST(HvHelpersQt, InvestigateListsTheClassesOwnSignalsAndSlots) {
    Receiver receiver;
    QStringList seen;
    HvHelpersQt::InvestigateSignalsAndSlots(&receiver, [&](QString const& s) { seen << s; });
    EXPECT_EQ(seen, (QStringList{"SIGNAL: somethingHappened(int)", "SLOT: slotClicked()"}));
}

// ---- item views ----

TEST(HvHelpersQt, FindModelIndexFromPathReturnsTheDeepestMatch) {
    auto model = makeTree();
    QModelIndex found;
    ASSERT_TRUE(HvHelpersQt::FindModelIndexFromPath(*model, {"a", "b", "x"}, found));
    EXPECT_EQ(found.data().toString(), "b");
    ASSERT_TRUE(HvHelpersQt::FindModelIndexFromPath(*model, {"d"}, found));
    EXPECT_EQ(found.data().toString(), "d");
    QModelIndex untouched;
    EXPECT_FALSE(HvHelpersQt::FindModelIndexFromPath(*model, {}, untouched));
    EXPECT_FALSE(HvHelpersQt::FindModelIndexFromPath(*model, {"x", "a"}, untouched));
    EXPECT_FALSE(untouched.isValid());
}

TEST(HvHelpersQt, TreeSelectionByPathSelectsExpandsAndIsFoundAgain) {
    auto model = makeTree();
    QTreeView tree;
    EXPECT_FALSE(HvHelpersQt::SelectTreeItemFromPath(tree, {"a"}));  // no model
    tree.setModel(model.get());
    tree.selectionModel()->select(model->index(1, 0), QItemSelectionModel::Select);
    ASSERT_TRUE(HvHelpersQt::SelectTreeItemFromPath(tree, {"a", "c"}));
    QModelIndex const a = model->index(0, 0);
    QModelIndex const c = model->index(1, 0, a);
    EXPECT_TRUE(tree.selectionModel()->isSelected(c));
    EXPECT_FALSE(tree.selectionModel()->isSelected(model->index(1, 0)));  // cleared
    EXPECT_TRUE(tree.isExpanded(a));
    EXPECT_TRUE(tree.isExpanded(c));
    QModelIndex result;
    ASSERT_TRUE(HvHelpersQt::GetSingleTreeSelection(tree, QModelIndex(), result));
    EXPECT_EQ(result, c);
    tree.selectionModel()->clearSelection();
    EXPECT_FALSE(HvHelpersQt::GetSingleTreeSelection(tree, QModelIndex(), result));
    EXPECT_EQ(result, model->index(1, 0));  // the last visited
    EXPECT_FALSE(HvHelpersQt::SelectTreeItemFromPath(tree, {"zz"}));
}

TEST(HvHelpersQt, ListSelectionsAndSelectedRows) {
    QStandardItemModel model(4, 2);
    QTableView view;
    std::vector<QModelIndex> none;
    EXPECT_EQ(HvHelpersQt::GetListSelections(view, none), 0u);
    EXPECT_TRUE(HvHelpersQt::GetSelectedRows(view).empty());
    view.setModel(&model);
    HvHelpersQt::SelectRow(view, 1, true);
    HvHelpersQt::SelectRow(view, 3, false);
    EXPECT_EQ(HvHelpersQt::GetSelectedRows(view), (std::set<int>{1, 3}));
    std::vector<QModelIndex> selections{QModelIndex()};
    EXPECT_EQ(HvHelpersQt::GetListSelections(view, selections), 2u);
    ASSERT_EQ(selections.size(), 3u);  // appended, not cleared
    EXPECT_EQ(selections[1].row(), 1);
    EXPECT_EQ(selections[2].row(), 3);
}

TEST(HvHelpersQt, TableRowsAndColumns) {
    QStandardItemModel model(3, 2);
    model.setItem(0, 0, new QStandardItem("a rather long cell text"));
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setMinimumSectionSize(1);
    HvHelpersQt::ResizeTableRow(view, 0, 40);
    EXPECT_EQ(HvHelpersQt::GetRowHeight(view, 0), 40);
    HvHelpersQt::CompactTableRows(view);
    for (int row = 0; row < 3; ++row) EXPECT_EQ(HvHelpersQt::GetRowHeight(view, row), 20);
    view.horizontalHeader()->resizeSection(0, 10);
    HvHelpersQt::ResizeTableColumns(view, true);
    EXPECT_GT(view.horizontalHeader()->sectionSize(0), 10);
    EXPECT_EQ(view.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST(HvHelpersQt, SelectionAndContextMenuConnections) {
    QStandardItemModel model(2, 1);
    QTableView view;
    view.setModel(&model);
    Receiver receiver;
    EXPECT_TRUE(HvHelpersQt::ConnectTableModelSelectionChanged(view, &receiver, SLOT(slotClicked())));
    HvHelpersQt::SelectRow(view, 0, false);
    EXPECT_EQ(receiver.clicks, 1);
    EXPECT_TRUE(HvHelpersQt::SetCustomContextMenuSlot(view, receiver, SLOT(slotClicked())));
    EXPECT_EQ(view.contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_FALSE(HvHelpersQt::SetCustomContextMenuSlot(view, receiver, SLOT(noSuchSlot())));
}

// ---- wait cursor ----

TEST(HvWaitCursor, RestoresOnlyItsOwnCursorOnce) {
    QApplication::setOverrideCursor(Qt::CrossCursor);
    {
        HvWaitCursor wait;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        wait.restore();
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    }
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

#include "test_hv_helpers_qt.moc"
