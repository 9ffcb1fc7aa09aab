// pfhost's documentation folder, "doc" beside the program, holds the plug-in's manual after a build, and the
// plug-in's Help command asks the host to show exactly that file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "pfhost_runner.h"

namespace {

QString manualPath() {
    return QFileInfo(QStringLiteral(PFHOST_EXE)).absolutePath() + "/doc/Plugins/Pullform/Pullform Manual.pdf";
}

}  // namespace

TEST(PfhostDocumentation, HoldsThePluginManualWhereTheHelpCommandLooks) {
    QFileInfo const pdf(manualPath());
    EXPECT_TRUE(pdf.isFile()) << pdf.filePath().toStdString();
}

TEST(PfhostDocumentation, TheHelpCommandShowsTheBuiltManual) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(writeTextFile(dir.filePath("help.txt"), "action PfHelpAction\n"));
    PfhostRun const r = runPfhost(
        dir.path(), {"--settings", dir.filePath("settings"), "--script", "help.txt", "--size", "320x240"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QRegularExpressionMatch const m = QRegularExpression("pfhost: shown: file://(/[^\n]*)\n").match(r.err);
    ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
    QString path = m.captured(1);
    while (path.startsWith("//")) path.remove(0, 1);
    EXPECT_EQ(QFileInfo(path).canonicalFilePath(), QFileInfo(manualPath()).canonicalFilePath());
}
