// pfhost's documentation folder, "doc" beside the program, holds the plug-in's manual after a build.
#include <gtest/gtest.h>

#include <QFileInfo>

TEST(PfhostDocumentation, HoldsThePluginManualWhereTheHelpCommandLooks) {
    QFileInfo const pdf(QFileInfo(QStringLiteral(PFHOST_EXE)).absolutePath() +
                        "/doc/Plugins/Pullform/Pullform Manual.pdf");
    EXPECT_TRUE(pdf.isFile()) << pdf.filePath().toStdString();
}
