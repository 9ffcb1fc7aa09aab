// Dialog base (title, closability, window positions in the settings), the list-box dialog and the timed
// notice box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "dzappsettings.h"
#include "dzmodalresponder.h"
#include "dztempsettings.h"
#include "hv_dlg_base.h"
#include "hv_dlg_listbox.h"
#include "hv_dlg_timed-notice.h"

namespace {

QString const kGroup = "Some Plugin Group";
QString const kTitle = QString::fromUtf8("Advanced settings \u2014 Halvorin's Pullform V3.0.1 (2020-09-14)");

// A dialog as the plug-in builds them: a layout with an Ok/Cancel box.
class BoxDialog : public HvDialogBase {
public:
    explicit BoxDialog(QWidget* parent = nullptr) : HvDialogBase(parent) {
        auto* layout = new QVBoxLayout(this);
        buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        layout->addWidget(buttons);
        connectButtonBox(buttons);
    }
    QDialogButtonBox* buttons;
};

bool storedInSettings(QString const& key) {
    return DzAppSettings(kGroup).hasValue(key);
}

// The names of the next `count` widgets that take focus by Tab, after `first`.
QStringList tabChainAfter(QWidget* first, int count) {
    QStringList names;
    for (QWidget* w = first->nextInFocusChain(); w && w != first && names.size() < count;
         w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            names << w->objectName();
    return names;
}

bool waitUntilGone(QPointer<QWidget> const& widget, int timeoutMs) {
    return QTest::qWaitFor([&] { return widget.isNull(); }, timeoutMs);
}

}  // namespace

TEST(HvDialogBase, TitleClosableAndLayout) {
    BoxDialog dialog;
    dialog.setWindowFlags(dialog.windowFlags() | Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint);
    dialog.setOurWindowTitle("Advanced settings", true);
    EXPECT_EQ(dialog.windowTitle(), kTitle);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    BoxDialog fixed;
    fixed.setWindowFlags(fixed.windowFlags() | Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint);
    fixed.setOurWindowTitle("Save morph", false);
    EXPECT_FALSE(fixed.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(fixed.windowFlags() & Qt::WindowContextHelpButtonHint);

    dialog.dazzifyLayout();
    EXPECT_EQ(dialog.layout()->spacing(), 10);
    EXPECT_EQ(dialog.layout()->contentsMargins(), QMargins(10, 10, 10, 10));
    HvDialogBase bare(nullptr);
    bare.dazzifyLayout();  // no layout: nothing to do
}

TEST(HvDialogBase, WithoutAKeyNothingIsSavedOrRestored) {
    dztest::TempSettings temp;
    BoxDialog dialog;
    dialog.saveWindowPos(nullptr);
    dialog.accept();
    EXPECT_FALSE(dialog.restoreWindowPos(nullptr));
    EXPECT_TRUE(QSettings(DzAppSettings::getSettingsFilePath(), QSettings::IniFormat).allKeys().isEmpty());
}

TEST(HvDialogBase, GeometrySavedOnOkIsRestoredByTheNextDialogWithTheSameKey) {
    dztest::TempSettings temp;
    QRect const wanted(60, 70, 333, 222);
    {
        BoxDialog first;
        first.setWindowPosSettingsKey(kGroup, "pos");
        EXPECT_FALSE(first.restoreWindowPos(nullptr));
        first.setGeometry(wanted);
        dztest::ModalResponder responder;
        responder.pressButton("OK");
        EXPECT_EQ(first.exec(), int(QDialog::Accepted));
        EXPECT_TRUE(responder.allAnswered());
    }
    ASSERT_TRUE(storedInSettings("pos"));
    BoxDialog second;
    second.setWindowPosSettingsKey(kGroup, "pos");
    EXPECT_TRUE(second.restoreWindowPos(nullptr));
    EXPECT_EQ(second.geometry().size(), wanted.size());

    // Given settings are used as they are; corrupt bytes still count as found and leave the geometry.
    DzAppSettings settings(kGroup);
    settings.setStringValue("pos", "not base64 geometry");
    BoxDialog third;
    third.setWindowPosSettingsKey(kGroup, "pos");
    QRect const before = third.geometry();
    EXPECT_TRUE(third.restoreWindowPos(&settings));
    EXPECT_EQ(third.geometry(), before);
}

TEST(HvDialogBase, CancelSavesWhenClosableButANotClosableDialogLeavesOnlyThroughOk) {
    dztest::TempSettings temp;
    {
        BoxDialog closable;
        closable.setWindowPosSettingsKey(kGroup, "closable");
        closable.setOurWindowTitle("Advanced settings", true);
        dztest::ModalResponder responder;
        responder.pressButton("Cancel");
        EXPECT_EQ(closable.exec(), int(QDialog::Rejected));
        EXPECT_TRUE(storedInSettings("closable"));
    }
    BoxDialog fixed;
    fixed.setWindowPosSettingsKey(kGroup, "fixed");
    fixed.setOurWindowTitle("Save morph", false);
    dztest::ModalResponder responder;
    bool stayedOpen = false;
    bool savedEarly = true;
    responder.setInspector([&](QWidget* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        fixed.buttons->button(QDialogButtonBox::Cancel)->click();
        fixed.reject();
        stayedOpen = box->isVisible();
        savedEarly = storedInSettings("fixed");
    });
    responder.pressButton("OK");
    EXPECT_EQ(fixed.exec(), int(QDialog::Accepted));
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(savedEarly);
    EXPECT_TRUE(storedInSettings("fixed"));
    EXPECT_TRUE(responder.allAnswered());
}

TEST(HvDialogBaseDeathTest, AButtonBoxWithoutCancelStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HvDialogBase dialog(nullptr);
    QDialogButtonBox okOnly(QDialogButtonBox::Ok);
    EXPECT_DEATH(dialog.connectButtonBox(&okOnly), "QObject connection failed");
}

TEST(HvDialogBase, ActionOrCancelBoxDefaultsToCancelAndReturnsTheChoice) {
    HvDialogBase dialog(nullptr);
    dztest::ModalResponder responder;
    responder.pressButton("Yes").pressReturn();
    EXPECT_EQ(dialog.actionOrCancelBox(QMessageBox::Yes | QMessageBox::Cancel, "Overwrite?"),
              int(QMessageBox::Yes));
    EXPECT_EQ(dialog.actionOrCancelBox(QMessageBox::Yes | QMessageBox::Cancel, "Overwrite?"),
              int(QMessageBox::Cancel));
    ASSERT_EQ(responder.boxes().size(), 2);
    EXPECT_EQ(responder.boxes()[0].title, QString::fromUtf8("Halvorin's Pullform V3.0.1 (2020-09-14)"));
    EXPECT_EQ(responder.boxes()[0].text, "Overwrite?");
    EXPECT_EQ(responder.boxes()[0].defaultButton, "Cancel");
}

TEST(HvDialogBase, ParagraphsAndLabels) {
    EXPECT_EQ(HvDialogBase::MakePara("Hi", DEFAULT_FONT_SIZE), "<p style='font-size:large'>Hi</p>");
    EXPECT_EQ(HvDialogBase::MakePara("Hi", XX_LARGE_FONT), "<p style='font-size:xx-large'>Hi</p>");
    EXPECT_EQ(HvDialogBase::MakePara("Hi", QString()), "<p>Hi</p>");
    EXPECT_EQ(X_LARGE_FONT, "x-large");
    std::unique_ptr<QLabel> label(HvDialogBase::MakeLabel("Hi", QString()));
    EXPECT_EQ(label->text(), "<p>Hi</p>");
    EXPECT_EQ(label->parent(), nullptr);
}

TEST(HvListboxDlg, FormAsDesigned) {
    HvListboxDlg dialog(nullptr, nullptr, nullptr);
    EXPECT_EQ(dialog.objectName(), "ListboxDlg");
    EXPECT_EQ(dialog.size(), QSize(441, 915));
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    EXPECT_EQ(dialog.pLabelInfo->text(), "0 lines in listbox");
    EXPECT_EQ(dialog.pButtonSaveAs->text(), "Save as...");
    EXPECT_FALSE(dialog.pButtonClose->isFlat());
    EXPECT_EQ(tabChainAfter(dialog.listWidget, 3),
              (QStringList{"pButtonClear", "pButtonSaveAs", "pButtonClose"}));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(HvListboxDlg, AppendShowsAndCountsClearEmptiesCloseSavesThePosition) {
    dztest::TempSettings temp;
    HvListboxDlg dialog(nullptr, "Some Plugin Group", "listbox_pos");
    for (int i = 0; i < 1234; ++i) dialog.append(QString("line %1").arg(i));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(dialog.pLabelInfo->text(), "1,234 lines in box");
    EXPECT_EQ(dialog.lines().size(), 1234);
    EXPECT_EQ(dialog.lines().last(), "line 1233");
    dialog.pButtonClear->click();
    EXPECT_EQ(dialog.listWidget->count(), 0);
    EXPECT_EQ(dialog.pLabelInfo->text(), "0 lines in box");
    dialog.append("again");
    EXPECT_EQ(dialog.pLabelInfo->text(), "1 lines in box");
    EXPECT_FALSE(storedInSettings("listbox_pos"));
    dialog.pButtonClose->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(storedInSettings("listbox_pos"));
    HvListboxDlg next(nullptr, "Some Plugin Group", "listbox_pos");
    EXPECT_EQ(next.size(), dialog.size());
}

TEST(HvListboxDlg, SaveAsIsWhatThePlatformLayerProvidesAndNothingWithoutOne) {
    ASSERT_EQ(HvListboxDlg::GetSaveAsFunction(), nullptr);
    HvListboxDlg dialog(nullptr, nullptr, nullptr);
    dialog.append("a");
    dztest::ModalResponder responder;
    dialog.pButtonSaveAs->click();
    EXPECT_TRUE(responder.boxes().isEmpty());
    EXPECT_EQ(dialog.lines(), QStringList{"a"});

    static QStringList saved;
    HvListboxDlg::SetSaveAsFunction([](HvListboxDlg& d) { saved = d.lines(); });
    dialog.append("b");
    dialog.pButtonSaveAs->click();
    HvListboxDlg::SetSaveAsFunction(nullptr);
    EXPECT_EQ(saved, (QStringList{"a", "b"}));
}

TEST(HvTimedNoticeBox, ShowsTheTitleAndTextWithoutButtonsAndOnlyTheTimedOneGoesByItself) {
    QElapsedTimer clock;
    clock.start();
    QPointer<QWidget> timed = new HvTimedNoticeBox(nullptr, "Timed", 1500);
    QPointer<QWidget> untimed = new HvTimedNoticeBox(nullptr, "Untimed", 0);
    QPointer<QWidget> busy = new HvTimedNoticeBox(nullptr, "Busy", -1);
    for (QWidget* w : {timed.data(), untimed.data(), busy.data()}) {
        auto* box = qobject_cast<HvTimedNoticeBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isVisible());
        EXPECT_FALSE(box->isModal());
        EXPECT_TRUE(box->buttons().isEmpty());
        EXPECT_EQ(box->windowTitle(), "Halvorin's Pullform");
        EXPECT_TRUE(box->testAttribute(Qt::WA_DeleteOnClose));
    }
    EXPECT_EQ(qobject_cast<HvTimedNoticeBox*>(timed.data())->text(), "<h2>Timed</h2>");
    EXPECT_EQ(timed->findChildren<QProgressBar*>().size(), 0);
    EXPECT_EQ(untimed->findChildren<QProgressBar*>().size(), 0);
    ASSERT_EQ(busy->findChildren<QProgressBar*>().size(), 1);
    // The bar sits in a row of its own below the box's rows, across all columns.
    auto* grid = qobject_cast<QGridLayout*>(busy->layout());
    ASSERT_NE(grid, nullptr);
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(busy->findChild<QProgressBar*>()), &row, &column, &rowSpan,
                          &columnSpan);
    EXPECT_EQ(row, grid->rowCount() - 1);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(columnSpan, grid->columnCount());

    EXPECT_TRUE(waitUntilGone(timed, 20000));
    EXPECT_GE(clock.elapsed(), 1400);  // timers may be coarse by a few percent, never much early
    EXPECT_FALSE(untimed.isNull());
    EXPECT_FALSE(busy.isNull());
    delete untimed.data();
    delete busy.data();
}

// F-30: a box without buttons would refuse to close; every notice closes by its close button and by Esc,
// and is destroyed then.
struct CloseCase {
    int milliSeconds;
    bool byEscape;
};

void PrintTo(CloseCase const& c, std::ostream* os) {
    *os << c.milliSeconds << (c.byEscape ? " ms, Esc" : " ms, close button");
}

class HvTimedNoticeBoxClose : public ::testing::TestWithParam<CloseCase> {};

TEST_P(HvTimedNoticeBoxClose, TheUserClosesAndDestroysIt) {
    QPointer<QWidget> box = new HvTimedNoticeBox(nullptr, "Notice", GetParam().milliSeconds);
    if (GetParam().byEscape)
        QTest::keyClick(box.data(), Qt::Key_Escape);
    else
        EXPECT_TRUE(box->close());
    EXPECT_TRUE(waitUntilGone(box, 10000));
}

INSTANTIATE_TEST_SUITE_P(Times, HvTimedNoticeBoxClose,
                         ::testing::Values(CloseCase{0, false}, CloseCase{0, true}, CloseCase{-1, false},
                                           CloseCase{-1, true}, CloseCase{60000, false},
                                           CloseCase{60000, true}));

TEST(HvTimedNoticeBox, OtherKeysLeaveItOpenAndTheWindowHasItsCloseButton) {
    QPointer<QWidget> box = new HvTimedNoticeBox(nullptr, "Notice", 0);
    QTest::keyClick(box.data(), Qt::Key_A);
    QTest::keyClick(box.data(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(box.isNull());
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->windowFlags() & Qt::WindowCloseButtonHint);
    delete box.data();
}

TEST(HvTimedNoticeBox, ATimedBoxClosedFirstLeavesNothingForItsTimer) {
    QPointer<QWidget> box = new HvTimedNoticeBox(nullptr, "Short", 30);
    box->close();
    EXPECT_TRUE(waitUntilGone(box, 10000));
    // The timer's moment passes without anything to act on.
    QPointer<QWidget> later = new HvTimedNoticeBox(nullptr, "Later", 60);
    EXPECT_TRUE(waitUntilGone(later, 10000));
}
