// The plug-in manager loading the test plug-ins of plugin_fixture/. A loaded library stays in the process, so
// the tests that load one need a process of their own (ctest runs every test alone) and skip otherwise.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzfixtures.h"
#include "dzmainwindow.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzpluginmgr.h"
#include "dzscene.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"
#include "dzviewtoolaction.h"

namespace {

QString fixture(QString const& file) {
    return QDir(QStringLiteral(FX_PLUGIN_DIR)).filePath(file);
}

DzPluginMgr* mgr() {
    return dzApp->getPluginMgr();
}

DzMainWindow* window() {
    return dzApp->getInterface();
}

// The entries of a menu of the main window's menu bar, by their titles' path.
QStringList menuTexts(QString const& path) {
    QMenu* menu = window()->findOrAddMenu(path);
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text();
    return texts;
}

#define NEEDS_FRESH_HOST()          \
    if (mgr()->getNumPlugins() > 0) \
    GTEST_SKIP() << "a plug-in is loaded already in this process; run the test alone (ctest does)"

}  // namespace

TEST(PluginLoading, TheSDKVersionRuleKeepsTheMajorAndAllowsNoNewerMinor) {
    struct Case {
        DzVersion version;
        bool hosted;
    } const cases[] = {
        {{4, 5, 0, 100}, true}, {{4, 5, 9, 999}, true}, {{4, 0, 0, 0}, true},   {{4, 6, 0, 0}, false},
        {{5, 0, 0, 0}, false},  {{3, 9, 0, 0}, false},  {{4, -1, 0, 0}, false},
    };
    for (Case const& c : cases)
        EXPECT_EQ(DzPluginMgr::canHostSDKVersion(c.version), c.hosted) << c.version.toString().toStdString();
}

TEST(PluginLoading, RefusedLibrariesNameTheFileAndTheReasonAndLeaveNothingBehind) {
    struct Case {
        QString file;
        QString reason;  // the message after "cannot load plug-in "PATH": "
    } const cases[] = {
        {QStringLiteral("fixture_missing.so"), QStringLiteral("there is no such file")},
        {QStringLiteral("fixture_no_exports.so"),
         QStringLiteral("it does not export getSDKVersion and getPluginDefinition")},
        {QStringLiteral("fixture_newer_minor.so"),
         QStringLiteral(
             "it is built for SDK version 4.6.0.0; this host (SDK 4.5.0.100) hosts plug-ins built for "
             "4.0 to 4.5")},
        {QStringLiteral("fixture_other_major.so"),
         QStringLiteral(
             "it is built for SDK version 5.0.0.0; this host (SDK 4.5.0.100) hosts plug-ins built for "
             "4.0 to 4.5")},
    };
    int const tools = window()->getViewportMgr()->getNumTools();
    int const actions = window()->getActionMgr()->getNumActions();
    for (Case const& c : cases) {
        dzApp->clearLog();
        QString error;
        EXPECT_FALSE(mgr()->loadPlugin(fixture(c.file), &error));
        QString const expected =
            QStringLiteral("cannot load plug-in \"%1\": %2").arg(fixture(c.file), c.reason);
        EXPECT_EQ(error, expected);
        EXPECT_TRUE(dzApp->getLogLines().contains(expected)) << c.file.toStdString();
    }
    // Not a library: the loader's own reason follows.
    QString error;
    EXPECT_FALSE(mgr()->loadPlugin(fixture(QStringLiteral("fixture_not_a_library.so")), &error));
    EXPECT_TRUE(error.startsWith(
        QStringLiteral("cannot load plug-in \"%1\": it is not a library that can be loaded (")
            .arg(fixture(QStringLiteral("fixture_not_a_library.so")))))
        << error.toStdString();

    EXPECT_EQ(mgr()->getNumPlugins(), 0);
    EXPECT_EQ(mgr()->findClassFactory(QStringLiteral("FxTool")), nullptr);
    EXPECT_EQ(window()->getViewportMgr()->getNumTools(), tools);
    EXPECT_EQ(window()->getActionMgr()->getNumActions(), actions);
    // The refused libraries were unloaded: their definitions no longer offer the IO class.
    EXPECT_EQ(DzPlugin::FindIOClassForType(QStringLiteral("test/modifier/fixture_lift")), nullptr);
}

TEST(PluginLoading, ALoadedPluginsClassesToolAndActionsAreTheHosts) {
    NEEDS_FRESH_HOST();
    QSignalSpy loaded(mgr(), &DzPluginMgr::pluginLoaded);
    QString error;
    ASSERT_TRUE(mgr()->loadPlugin(fixture(QStringLiteral("fixture_good.so")), &error)) << error.toStdString();
    ASSERT_EQ(loaded.count(), 1);

    DzPlugin* plugin = mgr()->findPlugin(QStringLiteral("Fixture Plug-in"));
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(loaded.at(0).at(0).value<DzPlugin*>(), plugin);
    EXPECT_EQ(plugin->getAuthor(), QStringLiteral("The tests"));
    EXPECT_EQ(plugin->getVersion(), DzVersion(1, 2, 3, 4));
    EXPECT_EQ(mgr()->getPluginPath(plugin), fixture(QStringLiteral("fixture_good.so")));

    // Factories by class name and by identifier (the identifier's text in either case).
    DzClassFactory* byName = mgr()->findClassFactory(QStringLiteral("FxToolAction"));
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(mgr()->findClassFactory(DzGuid::fromString("{6F1E3A52-0000-4000-8000-000000000004}")), byName);
    EXPECT_EQ(mgr()->findClassFactory(QStringLiteral("fxtoolaction")), nullptr);
    std::unique_ptr<QObject> modifier(mgr()->createInstance(QStringLiteral("FxModifier")));
    ASSERT_NE(modifier, nullptr);
    EXPECT_TRUE(modifier->inherits("DzModifier"));

    // The tool went to the viewport manager; its action switches to it, from the menu and tool bar it asked
    // for.
    DzViewportMgr* viewports = window()->getViewportMgr();
    DzViewTool* tool = viewports->findTool(QStringLiteral("FxTool"));
    ASSERT_NE(tool, nullptr);
    auto* toolAction =
        qobject_cast<DzViewToolAction*>(window()->getActionMgr()->findAction(QStringLiteral("FxToolAction")));
    ASSERT_NE(toolAction, nullptr);
    EXPECT_EQ(toolAction->shortcut(), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_F9));
    EXPECT_TRUE(window()->findOrAddMenu(QStringLiteral("Tools/Fixture"))->actions().contains(toolAction));
    EXPECT_TRUE(window()->findOrAddToolBar(QStringLiteral("Fixture Tools"))->actions().contains(toolAction));
    toolAction->trigger();
    EXPECT_EQ(viewports->getActiveTool(), tool);
    EXPECT_TRUE(toolAction->isChecked());

    // A command goes into the menu of its group with its default shortcut, and runs.
    DzAction* command = window()->getActionMgr()->findAction(QStringLiteral("FxCommandAction"));
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9));
    EXPECT_EQ(menuTexts(QStringLiteral("Fixture Plug-in")), QStringList{QStringLiteral("Fixture command")});
    command->trigger();
    EXPECT_EQ(command->property("runs").toInt(), 1);

    // Loading it again is refused and makes nothing more.
    int const tools = viewports->getNumTools();
    EXPECT_FALSE(mgr()->loadPlugin(fixture(QStringLiteral("fixture_good.so")), &error));
    EXPECT_EQ(error, QStringLiteral("cannot load plug-in \"%1\": it is loaded already")
                         .arg(fixture(QStringLiteral("fixture_good.so"))));
    EXPECT_EQ(viewports->getNumTools(), tools);
    viewports->setActiveTool(viewports->findTool(QStringLiteral("DzPickTool")));
}

TEST(PluginLoading, ScenesSaveAndLoadTheModifierThroughTheLoadedIOClass) {
    NEEDS_FRESH_HOST();
    ASSERT_TRUE(mgr()->loadPlugin(fixture(QStringLiteral("fixture_good.so"))));
    QTemporaryDir dir;
    QString const path = dir.filePath(QStringLiteral("scene.pfscene"));
    DzScene* scene = dzScene;
    scene->clear();
    DzNode* node = dztest::makeNode(QStringLiteral("Grid"), dztest::makeGrid(2, 2));
    QObject* made = mgr()->createInstance(QStringLiteral("FxModifier"));
    auto* modifier = qobject_cast<DzModifier*>(made);
    ASSERT_NE(modifier, nullptr);
    modifier->setName(QStringLiteral("Lift"));
    modifier->setProperty("lift", 2.5);
    node->getObject()->addModifier(modifier);
    scene->addNode(node);
    QString error;
    ASSERT_TRUE(scene->saveScene(path, &error)) << error.toStdString();
    scene->clear();
    ASSERT_TRUE(scene->loadScene(path, &error)) << error.toStdString();
    ASSERT_EQ(scene->getNumNodes(), 1);
    DzModifier* back = scene->getNode(0)->getObject()->findModifier(QStringLiteral("Lift"));
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back->metaObject()->className(), "FxModifier");
    EXPECT_EQ(back->property("lift").toDouble(), 2.5);
    scene->clear();
}

// A scene opened before the plug-in is loaded keeps the plug-in's modifier through a save; loaded with the
// plug-in, the saved scene gives the modifier back with its data.
TEST(PluginLoading, AModifierSavedWhileItsPluginWasMissingComesBackWithThePlugin) {
    NEEDS_FRESH_HOST();
    QTemporaryDir dir;
    QString const path = dir.filePath(QStringLiteral("scene.pfscene"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"file_version": 1, "nodes": [{"name": "Grid", "object": {"modifiers": [
            {"type": "host/morph", "name": "Before"},
            {"type": "test/modifier/fixture_lift", "name": "Lift", "extra": {"fx_lift": 2.5}, "instance": {}},
            {"type": "host/skin_binding"}]}}]})");
    }
    DzScene* scene = dzScene;
    QString error;
    ASSERT_TRUE(scene->loadScene(path, &error)) << error.toStdString();
    EXPECT_FALSE(scene->getLoadNotice().isEmpty());
    ASSERT_TRUE(scene->saveScene(path, &error)) << error.toStdString();

    ASSERT_TRUE(mgr()->loadPlugin(fixture(QStringLiteral("fixture_good.so"))));
    ASSERT_TRUE(scene->loadScene(path, &error)) << error.toStdString();
    EXPECT_TRUE(scene->getLoadNotice().isEmpty());
    DzObject* object = scene->getNode(0)->getObject();
    ASSERT_EQ(object->getNumModifiers(), 3);
    DzModifier* back = object->getModifier(1);
    EXPECT_STREQ(back->metaObject()->className(), "FxModifier");
    EXPECT_EQ(back->getName(), QStringLiteral("Lift"));
    EXPECT_EQ(back->property("lift").toDouble(), 2.5);
    scene->clear();
}

TEST(PluginLoading, ExportsAreFoundByTheirCxxNamesToo) {
    NEEDS_FRESH_HOST();
    QString error;
    ASSERT_TRUE(mgr()->loadPlugin(fixture(QStringLiteral("fixture_cxx_exports.so")), &error))
        << error.toStdString();
    EXPECT_NE(mgr()->findPlugin(QStringLiteral("Fixture C++ exports")), nullptr);
}

TEST(PluginLoading, AFolderLoadsWhatItCanAndSaysWhatItRefused) {
    NEEDS_FRESH_HOST();
    dzApp->clearLog();
    // In name order: the C++-named variant comes first; the good one then brings classes of the same names.
    EXPECT_EQ(mgr()->loadPluginsFrom(QStringLiteral(FX_PLUGIN_DIR)), 1);
    EXPECT_NE(mgr()->findPlugin(QStringLiteral("Fixture C++ exports")), nullptr);
    QStringList const errors = mgr()->getLoadErrors();
    ASSERT_EQ(errors.size(), 5) << errors.join('\n').toStdString();
    EXPECT_EQ(errors[0],
              QStringLiteral("cannot load plug-in \"%1\": another plug-in has a class named FxModifier")
                  .arg(fixture(QStringLiteral("fixture_good.so"))));
    for (char const* name : {"fixture_newer_minor.so", "fixture_no_exports.so", "fixture_not_a_library.so",
                             "fixture_other_major.so"})
        EXPECT_EQ(errors.filter(fixture(QLatin1String(name))).size(), 1) << name;

    EXPECT_EQ(mgr()->loadPluginsFrom(QStringLiteral("/no/such/folder")), 0);
    EXPECT_EQ(mgr()->getLoadErrors().last(),
              QStringLiteral("cannot load plug-in \"/no/such/folder\": the plug-in folder does not exist"));
}
