// pfhost loading the test plug-ins of a folder given with --plugins.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "pfhost_runner.h"

namespace {

QString fixture(QString const& file) {
    return QDir(QStringLiteral(FX_PLUGIN_DIR)).filePath(file);
}

}  // namespace

TEST(HostPlugins, StartsWithWhatLoadsAndNamesEachRefusedFileWithItsReason) {
    QTemporaryDir dir;
    QFile script(dir.filePath("script.txt"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    // The loaded plug-in's tool and command, reached as the host holds them: by class name.
    script.write(
        "tool FxTool\nexpect tool FxTool\naction FxToolAction\nexpect tool FxTool\n"
        "action FxCommandAction\nexpect log \"1.2.3.4 loaded from\"\n");
    script.close();
    PfhostRun const run =
        runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script", "script.txt", "--size",
                               "320x240", "--plugins", FX_PLUGIN_DIR});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    struct Refused {
        char const* file;
        char const* reason;
    } const refused[] = {
        {"fixture_good.so", "another plug-in has a class named FxModifier"},
        {"fixture_no_exports.so", "it does not export getSDKVersion and getPluginDefinition"},
        {"fixture_newer_minor.so", "it is built for SDK version 4.6.0.0; this host (SDK 4.5.0.100)"},
        {"fixture_not_a_library.so", "it is not a library that can be loaded"},
    };
    for (Refused const& r : refused)
        EXPECT_TRUE(run.err.contains(QStringLiteral("pfhost: cannot load plug-in \"%1\": %2")
                                         .arg(fixture(QLatin1String(r.file)), QLatin1String(r.reason))))
            << r.file << "\n"
            << run.err.toStdString();
}

TEST(HostPlugins, AMissingFolderIsNamedAndTheHostStarts) {
    QTemporaryDir dir;
    QFile script(dir.filePath("script.txt"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("expect tool DzPickTool\n");
    script.close();
    PfhostRun const run = runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script",
                                                 "script.txt", "--plugins", dir.filePath("none")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("pfhost: cannot load plug-in \"%1\": the plug-in folder does not exist")
            .arg(dir.filePath("none"))))
        << run.err.toStdString();
}
