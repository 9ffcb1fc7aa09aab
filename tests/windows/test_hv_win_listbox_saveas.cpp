// The list box's "Save as..." as the Windows layer provides it: the file dialog answered, the lines written,
// and a full disk reported over the dialog, which keeps its lines.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "dzmodalresponder.h"
#include "hv_dlg_listbox.h"
#include "hv_win32_standin.h"
#include "hv_win_listbox_saveas.h"

namespace {

std::string read(QString const& fileName) {
    std::ifstream in(fileName.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ListboxSaveAsTest : public ::testing::Test {
protected:
    void SetUp() override {
        HvWin32StandIn::Reset();
        HvRegisterListboxSaveAs();
        ASSERT_TRUE(dir.isValid());
        dialog.append("a");
        dialog.append("b");
        dialog.append("c");
    }
    void TearDown() override {
        HvListboxDlg::SetSaveAsFunction(nullptr);
        HvWin32StandIn::Reset();
    }
    // Answers the file dialog with the name and its Save button.
    void chooseFile(QString const& fileName) {
        responder.setInspector([fileName](QWidget* box) {
            if (auto* fileDialog = qobject_cast<QFileDialog*>(box)) {
                EXPECT_EQ(fileDialog->windowTitle(), "Specify file name to save list box contents to");
                EXPECT_EQ(fileDialog->nameFilters(), QStringList{"Text files(*.txt)"});
                fileDialog->findChild<QLineEdit*>("fileNameEdit")->setText(fileName);
            }
        });
        responder.pressButton("Save");
    }

    QTemporaryDir dir;
    HvListboxDlg dialog{nullptr, nullptr, nullptr};
    dztest::ModalResponder responder;
};

}  // namespace

TEST_F(ListboxSaveAsTest, WritesTheLinesToTheChosenFile) {
    EXPECT_EQ(HvListboxDlg::GetSaveAsFunction(), &HvListboxSaveAs);
    QString const fileName = dir.filePath("lines.txt");
    chooseFile(fileName);
    dialog.pButtonSaveAs->click();
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_TRUE(responder.allAnswered());
    EXPECT_EQ(read(fileName), "a\r\nb\r\nc\r\n");
}

TEST_F(ListboxSaveAsTest, CancellingWritesNothing) {
    responder.pressButton("Cancel");
    dialog.slotSaveAs();
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(HvWin32StandIn::NarrowOpenCount() + HvWin32StandIn::WideOpenCount(), 0);
}

TEST_F(ListboxSaveAsTest, AFullDiskIsReportedAndTheDialogKeepsItsLines) {
    QString const fileName = dir.filePath("full.txt");
    HvWin32StandIn::SetDiskSpace(4);
    chooseFile(fileName);
    responder.pressButton("OK");
    dialog.slotSaveAs();
    ASSERT_EQ(responder.boxes().size(), 2);
    EXPECT_EQ(responder.boxes()[1].text, "Error saving file: cannot write file " + fileName);
    EXPECT_EQ(dialog.lines(), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(dialog.isVisible());
}
