// Host access helpers: every failure message with the host object really missing, and the main paths.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "dz3dviewport.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzassetmgr.h"
#include "dzboolproperty.h"
#include "dzcamera.h"
#include "dzcategory.h"
#include "dzcontentmgr.h"
#include "dzdrawstyle.h"
#include "dzfixtures.h"
#include "dzwait.h"
#include "dzfloatproperty.h"
#include "dzintproperty.h"
#include "dzintslider.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzoptionsbtn.h"
#include "dzpicktool.h"
#include "dzscopedremoval.h"
#include "dzskeleton.h"
#include "dzstyledbutton.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "hv_base.h"
#include "hv_base_daz.h"
#include "hv_dlg_timed-notice.h"

namespace {

DzViewportMgr* viewportMgr() {
    return dzApp->getInterface()->getViewportMgr();
}

// A modifier that changes nothing, to carry properties.
class PlainModifier : public DzModifier {
    Q_OBJECT
public:
    explicit PlainModifier(QString const& name) { setName(name); }
    int apply(DzVertexMesh&, DzNode&) override { return 0; }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
};

class RunCounter : public DzAction {
    Q_OBJECT
public:
    RunCounter() : DzAction("Run counter", "Counts") {}
    void executeAction() override { ++runs; }
    int runs = 0;
};

class OtherTool : public DzViewTool {
    Q_OBJECT
public:
    OtherTool() : DzViewTool("Other") {}
};

// Records the slots the hamburger menu calls.
class MenuOwner : public QWidget {
    Q_OBJECT
public:
    QStringList calls;
public slots:
    void slotFirst() { calls << "first"; }
    void slotSecond() { calls << "second"; }
};

std::string messageOf(std::function<void()> const& call) {
    try {
        call();
    } catch (HvException const& e) {
        return e.what();
    } catch (std::exception const& e) {
        return std::string("not an HvException: ") + e.what();
    }
    return "(nothing thrown)";
}

// Takes something away from the host for the scope.
using Removal = std::function<std::shared_ptr<void>()>;

template <typename Make>
Removal removal(Make make) {
    return [make] {
        using R = decltype(make());
        return std::shared_ptr<void>(new R(make()), [](void* p) { delete static_cast<R*>(p); });
    };
}

std::shared_ptr<void> restoreAfter(std::function<void()> const& undo) {
    return std::shared_ptr<void>(nullptr, [undo](void*) { undo(); });
}

// Literals: the framework's constants may not be built yet when the table is.
std::string const kOpen = "\xE2\x80\x9C";
std::string const kClose = "\xE2\x80\x9D";

struct FailureCase {
    char const* what;
    Removal remove;
    std::function<void()> call;
    std::string message;
};

void PrintTo(FailureCase const& c, std::ostream* os) {
    *os << c.what;
}

class HvHelpersDazFailures : public ::testing::TestWithParam<FailureCase> {};

// The object under test for the property messages.
DzObject* g_propertyObject = nullptr;

std::vector<FailureCase> failureCases() {
    auto noMainWindow = removal([] { return dztest::withoutMainWindow(); });
    auto noContent = removal([] { return dztest::withoutContentMgr(); });
    auto noAssets = removal([] { return dztest::withoutAssetMgr(); });
    auto noViewports = removal([] { return dztest::withoutViewportMgr(); });
    auto nothing = Removal([] { return std::shared_ptr<void>(); });
    std::string const mainWindow = "cannot get Daz Studio main window";
    std::string const assets = "cannot get Daz Studio asset manager";
    std::string const content = "cannot get Daz Studio content manager";
    std::string const active3d = "cannot find active 3D viewport";
    QStringList somePath{"a"};
    return {
        {"content mgr", noContent, [] { HvHelpersDaz::GetContentMgrOrThrow(); }, content},
        {"path resolver", noContent, [] { HvPathResolver resolver; }, content},
        {"asset mgr", noAssets, [] { HvHelpersDaz::GetAssetMgrOrThrow(); }, assets},
        {"category", noAssets, [somePath]() mutable { HvHelpersDaz::FindCategoryOrThrow(somePath); }, assets},
        {"content type", noAssets, [] { HvHelpersDaz::FindContentTypeIdOrThrow("Actor"); }, assets},
        {"base table", noAssets, [] { HvHelpersDaz::FindCompatibilityBaseTableOrThrow({"a"}, false); },
         assets},
        {"base", noAssets, [] { HvHelpersDaz::FindCompatibilityBaseOrThrow("/a", false); }, assets},
        {"main window", noMainWindow, [] { HvHelpersDaz::GetMainWindowOrThrow(true); }, mainWindow},
        {"viewport mgr without window", noMainWindow, [] { HvHelpersDaz::GetViewportMgrOrThrow(); },
         mainWindow},
        {"pane mgr without window", noMainWindow, [] { HvHelpersDaz::GetPaneMgrOrThrow(); }, mainWindow},
        {"action mgr without window", noMainWindow, [] { HvHelpersDaz::GetActionMgrOrThrow(true); },
         mainWindow},
        {"action without window", noMainWindow,
         [] { HvHelpersDaz::FindActionOrThrow("DzFacetSelAllAction", true); }, mainWindow},
        {"viewport mgr", noViewports, [] { HvHelpersDaz::GetViewportMgrOrThrow(); },
         "cannot get Daz Studio viewport manager"},
        {"pane mgr", removal([] { return dztest::withoutPaneMgr(); }),
         [] { HvHelpersDaz::GetPaneMgrOrThrow(); }, "cannot get Daz Studio pane manager"},
        {"action mgr", removal([] { return dztest::withoutActionMgr(); }),
         [] { HvHelpersDaz::GetActionMgrOrThrow(true); }, "cannot get Daz Studio action manager"},
        {"action", nothing, [] { HvHelpersDaz::FindActionOrThrow("NoSuchAction", true); },
         "unable to find action " + kOpen + "NoSuchAction" + kClose},
        {"pick tool",
         [] {
             DzViewTool* pick = viewportMgr()->findTool("DzPickTool");
             viewportMgr()->removeTool(pick);
             return restoreAfter([pick] {
                 viewportMgr()->addTool(pick);
                 viewportMgr()->setActiveTool(pick);
             });
         },
         [] { HvHelpersDaz::SwitchToolOrThrow(HvHelpersDaz::PickTool); },
         "cannot find viewport tool " + kOpen + "DzPickTool" + kClose},
        {"unknown tool", nothing, [] { HvHelpersDaz::SwitchToolOrThrow(HvHelpersDaz::Tool(1)); },
         "unknown tool"},
        {"no active viewport",
         [] {
             DzViewport* active = viewportMgr()->getActiveViewport();
             viewportMgr()->setActiveViewport(nullptr);
             return restoreAfter([active] { viewportMgr()->setActiveViewport(active); });
         },
         [] { HvHelpersDaz::GetActive3dViewportOrThrow(); }, active3d},
        {"no 3D view in the active viewport",
         [] {
             DzViewport* active = viewportMgr()->getActiveViewport();
             Dz3DViewport* view = active->take3DViewport();
             return restoreAfter([active, view] { active->set3DViewport(view); });
         },
         [] { HvHelpersDaz::GetActive3dViewportOrThrow(); }, active3d},
        {"camera without 3D view",
         [] {
             DzViewport* first = viewportMgr()->getViewport(0);
             Dz3DViewport* view = first->take3DViewport();
             return restoreAfter([first, view] { first->set3DViewport(view); });
         },
         [] { HvHelpersDaz::GetActiveViewportCameraOrThrow(); }, active3d},
        {"camera",
         [] {
             Dz3DViewport* view = viewportMgr()->getActiveViewport()->get3DViewport();
             DzCamera* camera = view->getCamera();
             view->setCamera(nullptr);
             return restoreAfter([view, camera] { view->setCamera(camera); });
         },
         [] { HvHelpersDaz::GetActiveViewportCameraOrThrow(); }, "cannot find active camera in scene"},
        {"viewport 0",
         [] {
             DzViewport* first = viewportMgr()->takeViewport(0);
             return restoreAfter([first] {
                 viewportMgr()->addViewport(first);
                 viewportMgr()->setActiveViewport(first);
             });
         },
         [] { HvHelpersDaz::SetMainViewportActiveOrThrow(); }, "cannot find viewport 0"},
        {"draw style", nothing, [] { HvHelpersDaz::FindDrawStyleOrThrow("No Such Style"); },
         "cannot find view style No Such Style"},
        {"int property", nothing, [] { HvHelpersDaz::FindIntPropertyOrThrow(g_propertyObject, "Smoothing"); },
         "Failed to find int property \"Smoothing\" under node \"Figure_object\""},
        {"bool property", nothing,
         [] { HvHelpersDaz::FindBoolPropertyOrThrow(g_propertyObject, "Smoothing"); },
         "Failed to find bool property \"Smoothing\" under node \"Figure_object\""},
        {"top category",
         [] {
             DzCategory* top = dzApp->getAssetMgr()->takeCategories();
             return restoreAfter([top] { dzApp->getAssetMgr()->setCategories(top); });
         },
         [somePath]() mutable { HvHelpersDaz::FindCategoryOrThrow(somePath); }, "cannot find top category"},
        {"content type id", nothing, [] { HvHelpersDaz::FindContentTypeIdOrThrow("No/Such/Type"); },
         "cannot find ID for content type \"No/Such/Type\""},
    };
}

TEST_P(HvHelpersDazFailures, ThrowsTheMessageWithTheHostObjectMissing) {
    std::unique_ptr<DzNode> node(dztest::makeNode("Figure", dztest::makeGrid(1, 1)));
    auto* modifier = new PlainModifier("Smoother");
    modifier->addProperty(new DzFloatProperty("Smoothing"));  // the right name, the wrong type
    node->getObject()->addModifier(modifier);
    g_propertyObject = node->getObject();
    FailureCase const& c = GetParam();
    {
        std::shared_ptr<void> removed = c.remove();
        EXPECT_EQ(messageOf(c.call), c.message) << c.what;
    }
    g_propertyObject = nullptr;
    // Everything is back for the next case.
    EXPECT_NO_THROW(HvHelpersDaz::GetActiveViewportCameraOrThrow());
    EXPECT_NO_THROW(HvHelpersDaz::GetPaneMgrOrThrow());
    EXPECT_NO_THROW(HvHelpersDaz::GetActionMgrOrThrow(true));
    EXPECT_NO_THROW(HvHelpersDaz::GetContentMgrOrThrow());
    EXPECT_NO_THROW(HvHelpersDaz::GetAssetMgrOrThrow());
    EXPECT_NO_THROW(HvHelpersDaz::SwitchToolOrThrow(HvHelpersDaz::PickTool));
}

INSTANTIATE_TEST_SUITE_P(Table, HvHelpersDazFailures, ::testing::ValuesIn(failureCases()));

// ---- log ----

TEST(HvHelpersDaz, LogPrefixesEveryLineAndAddsNothingElse) {
    dzApp->clearLog();
    HvHelpersDaz::Log(std::string("one \xE2\x80\x9Cquoted\xE2\x80\x9D"));
    HvHelpersDaz::Log("");
    HvHelpersDaz::Log(static_cast<char const*>(nullptr));
    ASSERT_EQ(dzApp->getLogLines().size(), 3);
    EXPECT_EQ(dzApp->getLogLines()[0], QString::fromUtf8("HvPullform: one \u201Cquoted\u201D"));
    EXPECT_EQ(dzApp->getLogLines()[1], "HvPullform: ");
    EXPECT_EQ(dzApp->getLogLines()[2], "HvPullform: ");
}

// ---- main window and managers ----

TEST(HvHelpersDaz, WithoutTheFlagAMissingMainWindowOrActionManagerGivesNull) {
    {
        auto removed = dztest::withoutMainWindow();
        EXPECT_EQ(HvHelpersDaz::GetMainWindowOrThrow(false), nullptr);
        EXPECT_EQ(HvHelpersDaz::GetActionMgrOrThrow(false), nullptr);
        EXPECT_EQ(HvHelpersDaz::FindActionOrThrow("DzFacetSelAllAction", false), nullptr);
    }
    {
        auto removed = dztest::withoutActionMgr();
        EXPECT_EQ(HvHelpersDaz::GetActionMgrOrThrow(false), nullptr);
        EXPECT_EQ(HvHelpersDaz::FindActionOrThrow("DzFacetSelAllAction", false), nullptr);
    }
    EXPECT_EQ(HvHelpersDaz::FindActionOrThrow("NoSuchAction", false), nullptr);
    EXPECT_EQ(HvHelpersDaz::GetMainWindowOrThrow(false), dzApp->getInterface());
}

TEST(HvHelpersDaz, GettersReturnTheHostsObjects) {
    DzMainWindow* window = dzApp->getInterface();
    EXPECT_EQ(HvHelpersDaz::GetMainWindowOrThrow(true), window);
    EXPECT_EQ(HvHelpersDaz::GetViewportMgrOrThrow(), window->getViewportMgr());
    EXPECT_EQ(HvHelpersDaz::GetPaneMgrOrThrow(), window->getPaneMgr());
    EXPECT_EQ(HvHelpersDaz::GetActionMgrOrThrow(true), window->getActionMgr());
    EXPECT_EQ(HvHelpersDaz::GetContentMgrOrThrow(), dzApp->getContentMgr());
    EXPECT_EQ(HvHelpersDaz::GetAssetMgrOrThrow(), dzApp->getAssetMgr());
    Dz3DViewport* view = viewportMgr()->getActiveViewport()->get3DViewport();
    EXPECT_EQ(HvHelpersDaz::GetActive3dViewportOrThrow(), view);
    EXPECT_EQ(HvHelpersDaz::GetActiveViewportCameraOrThrow(), view->getCamera());
    EXPECT_EQ(HvHelpersDaz::FindActionOrThrow("DzFacetSelGrowAction", true),
              window->getActionMgr()->findAction("DzFacetSelGrowAction"));
}

TEST(HvHelpersDaz, SetMainViewportActiveMakesViewportZeroActive) {
    auto* second = new DzViewport;
    viewportMgr()->addViewport(second);
    viewportMgr()->setActiveViewport(second);
    EXPECT_EQ(HvHelpersDaz::SetMainViewportActiveOrThrow(), viewportMgr()->getViewport(0));
    EXPECT_EQ(viewportMgr()->getActiveViewport(), viewportMgr()->getViewport(0));
    delete second;
}

TEST(HvHelpersDaz, SwitchToolMakesThePickToolActive) {
    auto* other = new OtherTool;
    viewportMgr()->addTool(other);
    viewportMgr()->setActiveTool(other);
    EXPECT_TRUE(HvHelpersDaz::SwitchToolOrThrow(HvHelpersDaz::PickTool));
    EXPECT_EQ(viewportMgr()->getActiveTool(), viewportMgr()->findTool("DzPickTool"));
    EXPECT_FALSE(other->isActive());
    viewportMgr()->removeTool(other);
    delete other;
}

// ---- actions ----

TEST(HvHelpersDaz, ExecuteActionTriggersTheAction) {
    DzActionMgr* mgr = dzApp->getInterface()->getActionMgr();
    auto* action = new RunCounter;
    ASSERT_TRUE(mgr->addAction(action));
    dztest::ModalResponder responder;
    HvHelpersDaz::ExecuteActionOrCriticalBox("RunCounter");
    EXPECT_EQ(action->runs, 1);
    EXPECT_TRUE(responder.boxes().isEmpty());
    delete mgr->takeAction("RunCounter");
}

TEST(HvHelpersDaz, ExecuteActionShowsAMissingActionInALoggedCriticalBox) {
    dzApp->clearLog();
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    HvHelpersDaz::ExecuteActionOrCriticalBox("PfHelpAction");
    ASSERT_EQ(responder.boxes().size(), 1);
    QString const text = QString::fromUtf8("Error: unable to find action \u201CPfHelpAction\u201D");
    EXPECT_EQ(responder.boxes()[0].text, text);
    EXPECT_EQ(responder.boxes()[0].buttons, QStringList{"OK"});
    EXPECT_EQ(dzApp->getLogLines(), QStringList{"HvPullform: Critical box: " + text});
}

// ---- draw styles ----

TEST(HvHelpersDaz, FindDrawStyleComparesNamesExactly) {
    DzDrawStyle* wire = HvHelpersDaz::FindDrawStyleOrThrow("Wire Frame");
    ASSERT_NE(wire, nullptr);
    EXPECT_EQ(wire->getName(), "Wire Frame");
    EXPECT_THROW(HvHelpersDaz::FindDrawStyleOrThrow("wire frame"), HvException);
}

TEST(HvHelpersDaz, SetMainViewportStyleWithoutNoticeSwitchesViewportZero) {
    auto* second = new DzViewport;
    viewportMgr()->addViewport(second);
    viewportMgr()->setActiveViewport(second);
    Dz3DViewport* main = viewportMgr()->getViewport(0)->get3DViewport();
    DzDrawStyle* before = main->getDrawStyle();
    dztest::ModalResponder responder;
    HvHelpersDaz::SetMainViewportStyle("Wire Frame", 0);
    EXPECT_EQ(main->getDrawStyle()->getName(), "Wire Frame");
    EXPECT_EQ(viewportMgr()->getActiveViewport(), viewportMgr()->getViewport(0));
    EXPECT_EQ(second->get3DViewport()->getDrawStyle(), before);
    EXPECT_TRUE(responder.boxes().isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<HvTimedNoticeBox*>(w), nullptr);
    main->setDrawStyle(before);
    delete second;
}

TEST(HvHelpersDaz, SetMainViewportStyleShowsANoticeThatClosesItself) {
    Dz3DViewport* main = viewportMgr()->getViewport(0)->get3DViewport();
    DzDrawStyle* before = main->getDrawStyle();
    HvHelpersDaz::SetMainViewportStyle("Flat Shaded", 50);
    EXPECT_EQ(main->getDrawStyle()->getName(), "Flat Shaded");
    QPointer<HvTimedNoticeBox> notice;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<HvTimedNoticeBox*>(w))
            notice = box;
    ASSERT_FALSE(notice.isNull());
    EXPECT_EQ(notice->windowTitle(), "Halvorin's Pullform");
    EXPECT_EQ(notice->text(), "<h2>Switching draw style to Flat Shaded...</h2>");
    EXPECT_FALSE(notice->isModal());
    EXPECT_TRUE(notice->buttons().isEmpty());
    QElapsedTimer clock;
    clock.start();
    while (notice && clock.elapsed() < dztest::kEventDeadlineMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(notice.isNull());
    main->setDrawStyle(before);
}

TEST(HvHelpersDaz, SetMainViewportStyleShowsAMissingStyleUnloggedAndChangesNothing) {
    Dz3DViewport* main = viewportMgr()->getViewport(0)->get3DViewport();
    DzDrawStyle* before = main->getDrawStyle();
    dzApp->clearLog();
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    HvHelpersDaz::SetMainViewportStyle("Missing Style", 100);
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].title, "Halvorin's Pullform");
    EXPECT_EQ(responder.boxes()[0].text, "cannot find view style Missing Style");
    EXPECT_EQ(responder.boxes()[0].icon, int(QMessageBox::Critical));
    EXPECT_EQ(responder.boxes()[0].buttons, QStringList{"OK"});
    EXPECT_TRUE(dzApp->getLogLines().isEmpty());
    EXPECT_EQ(main->getDrawStyle(), before);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<HvTimedNoticeBox*>(w), nullptr);
}

TEST(HvHelpersDaz, SetMainViewportStyleShowsAMissing3dViewport) {
    DzViewport* first = viewportMgr()->getViewport(0);
    std::unique_ptr<Dz3DViewport> view(first->take3DViewport());
    dztest::ModalResponder responder;
    responder.pressButton("OK");
    HvHelpersDaz::SetMainViewportStyle("Wire Frame", 0);
    ASSERT_EQ(responder.boxes().size(), 1);
    EXPECT_EQ(responder.boxes()[0].text, "cannot find active 3D viewport");
    first->set3DViewport(view.release());
}

// ---- properties and modifiers ----

class HvHelpersDazProperties : public ::testing::Test {
protected:
    void SetUp() override {
        node.reset(new DzSkeleton);
        node->setName("Figure");
        auto* object = new DzObject;
        object->setName("FigureShape");
        node->setObject(object);
        object->addProperty(new DzIntProperty("Only On Object"));
        auto* first = new PlainModifier("First");
        first->addProperty(new DzFloatProperty("Level"));
        auto* second = new PlainModifier("dForce Simulation");
        second->addProperty(new DzIntProperty("Level"));
        second->addProperty(new DzBoolProperty("Enable Smoothing"));
        second->addProperty(new DzBoolProperty("Freeze Simulation"));
        object->addModifier(first);
        object->addModifier(second);
        node->addProperty(new DzBoolProperty("Visible in Simulation"));
    }
    std::unique_ptr<DzSkeleton> node;
};

TEST_F(HvHelpersDazProperties, FindPropertySearchesTheModifiersInOrderNotTheObject) {
    DzObject* object = node->getObject();
    EXPECT_EQ(HvHelpersDaz::FindProperty(object, "Only On Object"), nullptr);
    DzProperty* level = HvHelpersDaz::FindProperty(object, "Level");
    ASSERT_NE(level, nullptr);
    EXPECT_NE(qobject_cast<DzFloatProperty*>(level), nullptr);  // the first modifier's
    // The typed search takes the first property of the name and casts it: a float there is no int.
    EXPECT_EQ(HvHelpersDaz::FindIntProperty(object, "Level"), nullptr);
    EXPECT_THROW(HvHelpersDaz::FindIntPropertyOrThrow(object, "Level"), HvException);
    EXPECT_NE(HvHelpersDaz::FindBoolPropertyOrThrow(object, "Enable Smoothing"), nullptr);
    EXPECT_EQ(HvHelpersDaz::FindProperty(nullptr, "Level"), nullptr);
}

TEST_F(HvHelpersDazProperties, SimulationHelpersFindTheirPropertiesAndModifier) {
    EXPECT_EQ(HvHelpersDaz::FindVisibleInSimulationProperty(*node),
              node->findProperty("Visible in Simulation"));
    ASSERT_NE(HvHelpersDaz::FindEnableSmoothingProperty(*node), nullptr);
    ASSERT_NE(HvHelpersDaz::FindFreezeSimulationProperty(*node), nullptr);
    DzModifier* dforce = HvHelpersDaz::FindDforceModifier(*node);
    ASSERT_NE(dforce, nullptr);
    EXPECT_EQ(dforce->getName(), "dForce Simulation");
    node->getObject()->getModifier(1)->setName("dForce simulation");
    EXPECT_EQ(HvHelpersDaz::FindDforceModifier(*node), nullptr);
    DzSkeleton bare;
    EXPECT_EQ(HvHelpersDaz::FindEnableSmoothingProperty(bare), nullptr);
    EXPECT_EQ(HvHelpersDaz::FindFreezeSimulationProperty(bare), nullptr);
    EXPECT_EQ(HvHelpersDaz::FindDforceModifier(bare), nullptr);
    EXPECT_EQ(HvHelpersDaz::FindVisibleInSimulationProperty(bare), nullptr);
}

// ---- content and assets ----

TEST(HvHelpersDaz, FindCategoryWalksThePathByName) {
    DzCategory* top = dzApp->getAssetMgr()->getCategories();
    DzCategory* props = top->addChild("Props");
    DzCategory* chairs = props->addChild("Chairs");
    props->addChild("Tables");
    QStringList path{"Props", "Chairs"};
    EXPECT_EQ(HvHelpersDaz::FindCategoryOrThrow(path), chairs);
    QStringList empty;
    EXPECT_EQ(HvHelpersDaz::FindCategoryOrThrow(empty), nullptr);
    QStringList missing{"Props", "Lamps"};
    EXPECT_EQ(HvHelpersDaz::FindCategoryOrThrow(missing), nullptr);
    QStringList tooDeep{"Props", "Chairs", "Wooden"};
    EXPECT_EQ(HvHelpersDaz::FindCategoryOrThrow(tooDeep), nullptr);
}

TEST(HvHelpersDaz, ContentTypesAndCompatibilityBasesComeFromTheAssetManager) {
    DzAssetMgr* mgr = dzApp->getAssetMgr();
    EXPECT_EQ(HvHelpersDaz::FindContentTypeIdOrThrow("Actor"), mgr->findTypeID("Actor", false, false));
    EXPECT_EQ(HvHelpersDaz::FindCompatibilityBaseTableOrThrow({"Figures", "Base"}, false), 0);
    int const table = HvHelpersDaz::FindCompatibilityBaseTableOrThrow({"Figures", "Base"}, true);
    EXPECT_NE(table, 0);
    EXPECT_EQ(mgr->findCompatibilityBaseTable("/Figures/Base", false), table);
    int const base = HvHelpersDaz::FindCompatibilityBaseOrThrow("/Figures/Base/One", true);
    EXPECT_EQ(mgr->findCompatibilityBaseID("/Figures/Base/One", false), base);
}

TEST(HvHelpersDaz, OpenPluginManualShowsTheManualsFileURL) {
    QString const saved = dzApp->getDocumentationPath();
    dzApp->setDocumentationPath("/opt/host/docs");
    HvHelpersDaz::OpenPluginManual("Pullform");
    EXPECT_EQ(dzApp->getShownURLs().last(), "file:////opt/host/docs/Plugins/Pullform/Pullform Manual.pdf");
    dzApp->setDocumentationPath(saved);
}

TEST(HvHelpersDaz, PathResolverKeepsExistingDirectoriesWithASlashAndTheirCloudFolders) {
    QTemporaryDir withCloud, plain;
    QDir(withCloud.path()).mkpath("data/cloud");
    QFile file(plain.path() + "/data/item.duf");
    QDir(plain.path()).mkpath("data");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    DzContentMgr* mgr = dzApp->getContentMgr();
    mgr->clearContentDirectories();
    mgr->addContentDirectory(withCloud.path());  // no trailing slash
    mgr->addContentDirectory(plain.path() + "/");
    mgr->addContentDirectory(plain.path() + "/gone");  // does not exist
    HvPathResolver resolver;
    std::string const a = withCloud.path().toStdString() + "/";
    std::string const b = plain.path().toStdString() + "/";
    EXPECT_EQ(resolver.getContentDirectories(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(resolver.getCloudFolders(), (std::vector<std::string>{a + "data/cloud/"}));
    EXPECT_EQ(resolver.resolve("ignored", "/data/item.duf"),
              QFileInfo(file).absoluteFilePath().toStdString());
    EXPECT_EQ(resolver.resolve("", "data/none.duf"), "");
    mgr->clearContentDirectories();
}

// ---- host widgets ----

TEST(HvHelpersDaz, HamburgerMenuHasTheEntriesAndSeparatorsAndCallsTheParentsSlots) {
    MenuOwner owner;
    HvHelpersDaz::MenuDef const entries[] = {
        {"First", SLOT(slotFirst())}, {nullptr, nullptr}, {"Second", SLOT(slotSecond())}};
    DzOptionsBtn* button = HvHelpersDaz::CreateHamburgerMenu(owner, entries, 3);
    EXPECT_EQ(button->parent(), &owner);
    EXPECT_EQ(button->objectName(), "CcProductsHamburgerButton");
    EXPECT_EQ(button->text(), QString(QChar(0x2261)));
    ASSERT_NE(button->menu(), nullptr);
    QList<QAction*> actions = button->menu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "First");
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_TRUE(actions[0]->shortcut().isEmpty());
    actions[2]->trigger();
    actions[0]->trigger();
    EXPECT_EQ(owner.calls, (QStringList{"second", "first"}));
    DzOptionsBtn* empty = HvHelpersDaz::CreateHamburgerMenu(owner, nullptr, 0);
    ASSERT_NE(empty->menu(), nullptr);
    EXPECT_TRUE(empty->menu()->actions().isEmpty());
}

TEST(HvHelpersDaz, StyledButtonCarriesTheCustomStyles) {
    std::unique_ptr<DzStyledButton> button(HvHelpersDaz::CreateStyledButton("Go"));
    EXPECT_EQ(button->text(), "Go");
    EXPECT_EQ(button->parent(), nullptr);
    EXPECT_EQ(int(button->getCustomPrimitive()), 0x0F000012);
    EXPECT_EQ(static_cast<unsigned int>(button->getCustomTextStyle()), 0xF000001Au);
}

TEST(HvHelpersDaz, SliderRowGivesTheSliderTheRestOfTheRow) {
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    auto* label = new QLabel("Size");
    layout->addWidget(label);
    auto* slider = new DzIntSlider(nullptr, QString());
    slider->setMinMax(1, 10);
    HvHelpersDaz::AddDzSliderToHBoxLayout(*slider, layout, label, true);
    EXPECT_EQ(slider->minimumSize(), QSize(200, 30));
    EXPECT_TRUE(slider->getClamped());
    EXPECT_TRUE(slider->getTextVisible());
    EXPECT_TRUE(slider->getShowLabel());
    EXPECT_EQ(slider->getLabel(), " ");
    EXPECT_EQ(label->buddy(), slider);
    ASSERT_EQ(layout->count(), 2);
    EXPECT_EQ(layout->itemAt(1)->widget(), slider);
    EXPECT_EQ(layout->stretch(0), 0);
    EXPECT_EQ(layout->stretch(1), 1);
    auto* unclamped = new DzIntSlider(nullptr, QString());
    HvHelpersDaz::AddDzSliderToHBoxLayout(*unclamped, layout, nullptr, false);
    EXPECT_FALSE(unclamped->getClamped());
}

}  // namespace

#include "test_hv_base_daz.moc"
