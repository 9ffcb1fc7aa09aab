// The plug-in as the host meets it: a process that knows none of the plug-in's code loads the built library
// by path and reads its definition through the two exported functions. This suite links no plug-in code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QUuid>
#include <memory>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzguid.h"
#include "dzmainwindow.h"
#include "dzplugin.h"
#include "dzversion.h"

namespace {

using GetSDKVersion = DzVersion (*)();
using GetPluginDefinition = DzPlugin* (*)();

// Loaded once for the process and kept, as the host keeps its plug-ins.
struct Library {
    void* handle = nullptr;
    GetSDKVersion getSDKVersion = nullptr;
    GetPluginDefinition getPluginDefinition = nullptr;
    std::string error;

    Library() {
        handle = dlopen(HV_PULLFORM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            error = dlerror();
            return;
        }
        getSDKVersion = reinterpret_cast<GetSDKVersion>(dlsym(handle, "getSDKVersion"));
        getPluginDefinition = reinterpret_cast<GetPluginDefinition>(dlsym(handle, "getPluginDefinition"));
        if (!getSDKVersion || !getPluginDefinition)
            error = "missing export";
    }
};

Library& library() {
    static Library s_library;
    return s_library;
}

class PfPluginDefinitionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(library().error, "") << HV_PULLFORM_LIBRARY; }
    DzPlugin* definition() const { return library().getPluginDefinition(); }
};

}  // namespace

TEST_F(PfPluginDefinitionTest, VersionsNameAndDescription) {
    EXPECT_EQ(library().getSDKVersion(), DzVersion(4, 5, 0, 100));
    DzPlugin* def = definition();
    ASSERT_TRUE(def);
    EXPECT_EQ(library().getPluginDefinition(), def);
    EXPECT_EQ(library().getPluginDefinition(), def);
    // The name comes from the plug-in's text constant while the library loads.
    EXPECT_EQ(def->getName(), "Halvorin's Pullform");
    EXPECT_EQ(def->getAuthor(), "Halvorin");
    EXPECT_EQ(def->getVersion(), DzVersion(3, 0, 1, 0));
    EXPECT_EQ(
        def->getDescription(),
        "<p>Halvorin's Pullform adds a new tool to Daz Studio.\nIt allows you to modify an object's geometry "
        "directly in Daz Studio without any external modeling software.</p>\n");
}

TEST_F(PfPluginDefinitionTest, NineteenFactoriesInOrderWithTheirIdentifiers) {
    struct Row {
        char const* className;
        char const* classId;
    };
    Row const rows[] = {
        {"PfModifier", "{D29504F2-0BE0-41BF-8ACC-AE321515F6F8}"},
        {"PfModifierIO", "{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}"},
        {"PfTool", "{4AF99428-CC94-49EA-9062-FC7F2256EC08}"},
        {"PfToolAction", "{E769B8E8-D9A4-4C80-A1A0-23D0CBEE2CE9}"},
        {"PfToogleDrawGizmoAxesAction", "{197B4B32-033A-481A-9FBB-857DF8D2FD07}"},
        {"PfToogleDrawGizmoRotationsAction", "{853661d1-3b49-4e39-9f5b-ba9b12b2ad40}"},
        {"PfToogleDrawGizmoSphereAction", "{F57662FA-DDBC-4885-BC8D-B8B9E4A43D0A}"},
        {"PfFaceSelectionAction", "{B46B878E-3226-4D70-B195-D6F0F07BFCC3}"},
        {"PfEdgeSelectionAction", "{6E84063C-FCDC-44B9-B4B2-7FDF6522D706}"},
        {"PfVertexSelectionAction", "{91C908C2-1A0D-4FA7-97A2-CFB5DE4A125E}"},
        {"PfSelectAllAction", "{3CEE073B-4DCE-42CD-9392-355ED88A5264}"},
        {"PfClearSelectionAction", "{2DF82CCA-8DFD-46AB-85F1-6648AA22E4C0}"},
        {"PfGrowSelectionAction", "{2ED0E593-2121-4FDF-8FD9-3C81A392F913}"},
        {"PfShrinkSelectionAction", "{178E23E2-045E-4A32-888E-D49E3E1FF55E}"},
        {"PfGrowFalloffRadiusAction", "{09E4CA00-20CC-443B-ADF1-4A646A0F7D29}"},
        {"PfShrinkFalloffRadiusAction", "{0D973445-6DDA-4E72-805F-C20F66DA2D12}"},
        {"PfResetAllDeltasAction", "{B5503353-319A-48B3-BAE3-9E66F4047F21}"},
        {"PfAboutAction", "{DD0A0890-9DB6-4083-B98F-C81A645A8616}"},
        {"PfHelpAction", "{98900A6C-4C0E-4174-8FF2-74FAB09D0E87}"},
    };
    QList<DzClassFactory*> const& factories = definition()->getClassFactories();
    ASSERT_EQ(factories.size(), 19);
    for (int i = 0; i < factories.size(); ++i) {
        SCOPED_TRACE(rows[i].className);
        EXPECT_EQ(factories[i]->getClassName(), rows[i].className);
        EXPECT_FALSE(factories[i]->getClassID().isNull());
        EXPECT_EQ(factories[i]->getClassID().toQUuid(), QUuid(QString::fromLatin1(rows[i].classId)));
    }
    // The one written in lower case reads back as written.
    EXPECT_EQ(factories[5]->getClassID().toQUuid().toString(), "{853661d1-3b49-4e39-9f5b-ba9b12b2ad40}");
}

TEST_F(PfPluginDefinitionTest, TheModifierIsReadAndWrittenUnderItsType) {
    QList<DzIOClassRegistration> const& io = definition()->getIOClassRegistrations();
    ASSERT_EQ(io.size(), 1);
    EXPECT_EQ(io[0].type, "studio/modifier/halvorin_pullform_modifier");
    ASSERT_TRUE(io[0].ioClass && io[0].objectClass);
    EXPECT_STREQ(io[0].ioClass->className(), "PfModifierIO");
    EXPECT_STREQ(io[0].objectClass->className(), "PfModifier");
    // The host finds it among the live definitions and makes the IO object through the plug-in's factory.
    DzIOClassRegistration const* found =
        DzPlugin::FindIOClassForType("studio/modifier/halvorin_pullform_modifier");
    ASSERT_TRUE(found);
    std::unique_ptr<QObject> ioObject(reinterpret_cast<QObject*>(DzPlugin::CreateIOObject(*found)));
    ASSERT_TRUE(ioObject);
    EXPECT_STREQ(ioObject->metaObject()->className(), "PfModifierIO");
}

TEST_F(PfPluginDefinitionTest, EveryFactoryMakesItsClassAndTheActionsEnterTheHost) {
    ASSERT_TRUE(dzApp->getInterface());
    DzActionMgr* mgr = dzApp->getInterface()->getActionMgr();
    int actions = 0;
    QStringList added;
    for (DzClassFactory* factory : definition()->getClassFactories()) {
        SCOPED_TRACE(factory->getClassName().toStdString());
        QObject* object = factory->createInstance();
        ASSERT_TRUE(object);
        EXPECT_EQ(QString::fromLatin1(object->metaObject()->className()), factory->getClassName());
        if (auto* action = qobject_cast<DzAction*>(object)) {
            ++actions;
            ASSERT_TRUE(mgr->addAction(action));
            added << factory->getClassName();
            EXPECT_EQ(action->getActionGroup(),
                      factory->getClassName() == "PfToolAction" ? "Tools" : "Halvorin's Pullform");
        } else {
            delete object;
        }
    }
    EXPECT_EQ(actions, 16);
    EXPECT_EQ(mgr->findAction("PfToolAction")->shortcut(), QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_E));
    EXPECT_EQ(mgr->findAction("PfGrowFalloffRadiusAction")->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    for (QString const& name : added) delete mgr->takeAction(name);
}
