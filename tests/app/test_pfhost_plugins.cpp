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

// Without the plug-in a scene's Pullform modifier is kept, said once per load on stderr, and saved again;
// with the plug-in the saved scene loads it without a word.
TEST(HostPlugins, AModifierOfAMissingPlugInIsKeptAndSaidOncePerLoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("empty"));
    ASSERT_TRUE(writeTextFile(
        dir.filePath("scene.json"),
        R"({"file_version": 1, "nodes": [{"name": "N", "object": {"shape": {"vertices": [[0,0,0],[1,0,0],
        [0,1,0]], "facets": [[0,1,2]]}, "modifiers": [{"type": "studio/modifier/halvorin_pullform_modifier",
        "name": "HV_PullformModifier", "extra": {"hv_deltas": {"count": 1, "values": [[1, 0.5, 0, 0.25]]}},
        "instance": {}}]}}]})"));
    ASSERT_TRUE(writeTextFile(dir.filePath("script.txt"), "open scene.json\nsave again.json\n"));
    PfhostRun const run =
        runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script", "script.txt", "--scene",
                               "scene.json", "--plugins", dir.filePath("empty")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QString const notice =
        "pfhost: scene file \"scene.json\": a modifier of type "
        "\"studio/modifier/halvorin_pullform_modifier\" "
        "is kept but not applied: no loaded plug-in reads it.";
    EXPECT_EQ(run.err.count(notice), 2) << run.err.toStdString();  // the --scene load and the script's
    QFile saved(dir.filePath("again.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains(R"("hv_deltas":{"count":1,"values":[[1,0.5,0,0.25]]})"));

    ASSERT_TRUE(writeTextFile(dir.filePath("script.txt"), "expect tool DzPickTool\n"));
    PfhostRun const with = runPfhost(dir.path(), {"--settings", dir.filePath("settings"), "--script",
                                                  "script.txt", "--scene", "again.json"});
    ASSERT_EQ(with.exitCode, 0) << with.err.toStdString();
    EXPECT_FALSE(with.err.contains("kept but not applied")) << with.err.toStdString();
}
