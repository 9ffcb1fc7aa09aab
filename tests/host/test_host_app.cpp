// The stand-in host's application level: managers, settings, actions, viewports, widgets, and the modal-box
// responder the other suites rely on.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSlider>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

#include "dz3dviewport.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzappsettings.h"
#include "dzassetmgr.h"
#include "dzcamera.h"
#include "dzcategory.h"
#include "dzcontentmgr.h"
#include "dzdrawstyle.h"
#include "dzfacetmesh.h"
#include "dzfacetselaction.h"
#include "dzfixtures.h"
#include "dzfloatslider.h"
#include "dzintslider.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dzpicktool.h"
#include "dzscopedremoval.h"
#include "dzstyle.h"
#include "dztempsettings.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"

namespace {

// Counts its runs; checkable on request.
class CountingAction : public DzAction {
    Q_OBJECT
public:
    explicit CountingAction(bool checkable = false) : DzAction("Count", "Counts its runs") {
        setCheckable(checkable);
    }
    QKeySequence getDefaultAccel() const override { return QKeySequence(Qt::CTRL | Qt::Key_PageUp); }
    void init() override { ++inits; }
    void executeAction() override {
        ++runs;
        checkedWhenRun = isChecked();
    }
    int inits = 0;
    int runs = 0;
    bool checkedWhenRun = false;
};

class OtherTool : public DzViewTool {
    Q_OBJECT
public:
    OtherTool() : DzViewTool("Other") {}
};

}  // namespace

// ---- application and managers ----

TEST(HostApp, ApplicationHasItsManagersAndTheMainWindowIsTheDialogParent) {
    ASSERT_NE(dzApp, nullptr);
    ASSERT_NE(dzApp->getInterface(), nullptr);
    EXPECT_NE(dzApp->getContentMgr(), nullptr);
    EXPECT_NE(dzApp->getAssetMgr(), nullptr);
    EXPECT_NE(dzApp->getPluginMgr(), nullptr);
    EXPECT_NE(dzApp->getInterface()->getViewportMgr(), nullptr);
    EXPECT_NE(dzApp->getInterface()->getPaneMgr(), nullptr);
    EXPECT_NE(dzApp->getInterface()->getActionMgr(), nullptr);
    EXPECT_EQ(dzApp->getDialogParent(), dzApp->getInterface());
}

TEST(HostApp, ManagersCanBeRemovedAndRestored) {
    DzMainWindow* window = dzApp->getInterface();
    {
        auto removed = dztest::withoutMainWindow();
        EXPECT_EQ(dzApp->getInterface(), nullptr);
        EXPECT_EQ(dzApp->getDialogParent(), nullptr);
        EXPECT_EQ(removed.get(), window);
    }
    EXPECT_EQ(dzApp->getInterface(), window);
    DzActionMgr* actions = window->getActionMgr();
    {
        auto removed = dztest::withoutActionMgr();
        EXPECT_EQ(window->getActionMgr(), nullptr);
    }
    EXPECT_EQ(window->getActionMgr(), actions);
    {
        auto removed = dztest::withoutContentMgr();
        EXPECT_EQ(dzApp->getContentMgr(), nullptr);
    }
    EXPECT_NE(dzApp->getContentMgr(), nullptr);
}

TEST(HostApp, ShowURLIsRecordedAndSignalled) {
    QSignalSpy spy(dzApp, &DzApp::urlShown);
    dzApp->showURL("file:///doc/a.pdf");
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), "file:///doc/a.pdf");
    EXPECT_EQ(dzApp->getShownURLs().last(), "file:///doc/a.pdf");
}

TEST(HostApp, StyleSwitchEmitsStyleChangedOnceAndStartingIsEmittedOnce) {
    DzStyle* original = dzApp->getStyle();
    DzStyle* highway = dzApp->findStyle("Highway");
    ASSERT_NE(highway, nullptr);
    ASSERT_NE(dzApp->findStyle("Main Street"), nullptr);
    QSignalSpy spy(dzApp, &DzApp::styleChanged);
    EXPECT_TRUE(dzApp->setStyle(highway));
    EXPECT_FALSE(dzApp->setStyle(highway));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(dzApp->getStyle(), highway);
    DzStyle foreign("Foreign", QPalette());
    EXPECT_FALSE(dzApp->setStyle(&foreign));
    dzApp->setStyle(original);

    QSignalSpy starting(dzApp, &DzApp::starting);
    bool const before = dzApp->hasStarted();
    dzApp->emitStarting();
    dzApp->emitStarting();
    EXPECT_EQ(starting.count(), before ? 0 : 1);
}

TEST(HostApp, AdjustHSVTintsAndKeepsAlpha) {
    QPixmap pixmap(2, 1);
    pixmap.fill(QColor(255, 255, 255, 255));
    dzApp->getStyle()->adjustHSV(pixmap, QColor(255, 0, 0));
    QColor c = pixmap.toImage().pixelColor(0, 0);
    EXPECT_EQ(c.red(), 255);
    EXPECT_EQ(c.green(), 0);
    EXPECT_EQ(c.alpha(), 255);
}

TEST(HostApp, ContentMgrResolvesRelativePathsInSearchOrder) {
    QTemporaryDir a, b;
    QDir(b.path()).mkpath("data/x");
    QFile file(b.path() + "/data/x/f.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    DzContentMgr mgr;
    mgr.addContentDirectory(a.path());
    mgr.addContentDirectory(b.path());
    EXPECT_EQ(mgr.getNumContentDirectories(), 2);
    EXPECT_EQ(mgr.getAbsolutePath("/data/x/f.txt", true), QFileInfo(file).absoluteFilePath());
    EXPECT_EQ(mgr.getAbsolutePath("data/missing.txt", true), QString());
}

TEST(HostApp, AssetMgrKnowsTypesAndCategories) {
    DzAssetMgr mgr;
    EXPECT_NE(mgr.findTypeID("actor", false, false), 0);
    EXPECT_EQ(mgr.findTypeID("actor", false, true), 0);
    EXPECT_EQ(mgr.findTypeID("New/Type", false, false), 0);
    int const id = mgr.findTypeID("New/Type", true, false);
    EXPECT_NE(id, 0);
    EXPECT_EQ(mgr.findTypeID("New/Type", false, false), id);
    EXPECT_EQ(mgr.findCompatibilityBaseID("/a/b", false), 0);
    int const base = mgr.findCompatibilityBaseID("/a/b", true);
    EXPECT_NE(base, 0);
    EXPECT_EQ(mgr.findCompatibilityBaseID("/a/b", false), base);
    ASSERT_NE(mgr.getCategories(), nullptr);
    DzCategory* child = mgr.getCategories()->addChild("Props");
    EXPECT_EQ(mgr.getCategories()->getChild(0), child);
    EXPECT_EQ(child->getParent(), mgr.getCategories());
    EXPECT_EQ(mgr.getCategories()->getChild(1), nullptr);
}

// ---- settings ----

TEST(HostAppSettings, ValuesWrittenByOneObjectAreReadByANewOneAndAreOnDiskAtOnce) {
    dztest::TempSettings temp;
    DzAppSettings writer("Some Group's Name");
    writer.setIntValue("count", 42);
    writer.setBoolValue("flag", true);
    writer.setStringValue("text", "hello");
    // Still open: the file already holds the values.
    QSettings raw(DzAppSettings::getSettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Some Group's Name/count").toInt(), 42);
    {
        DzAppSettings reader("Some Group's Name");
        EXPECT_EQ(reader.getIntValue("count", 0), 42);
        EXPECT_TRUE(reader.getBoolValue("flag", false));
        EXPECT_EQ(reader.getStringValue("text"), "hello");
    }
    DzAppSettings otherGroup("Other");
    EXPECT_EQ(otherGroup.getIntValue("count", 7), 7);
    EXPECT_TRUE(QFileInfo(DzAppSettings::getSettingsFilePath()).absolutePath().startsWith(temp.folder()));
}

TEST(HostAppSettings, MissingOrUnreadableValuesGiveTheDefaultAndOutOfRangeIntsComeBackUnchanged) {
    dztest::TempSettings temp;
    DzAppSettings settings("G");
    EXPECT_EQ(settings.getIntValue("missing", -5), -5);
    EXPECT_FALSE(settings.getBoolValue("missing", false));
    settings.setStringValue("word", "abc");
    EXPECT_EQ(settings.getIntValue("word", 3), 3);
    EXPECT_TRUE(settings.getBoolValue("word", true));
    settings.setIntValue("big", -1);
    EXPECT_EQ(settings.getIntValue("big", 5), -1);
    EXPECT_TRUE(settings.hasValue("big"));
    settings.removeValue("big");
    EXPECT_FALSE(settings.hasValue("big"));
}

// ---- actions ----

TEST(HostActions, HostFacetSelectionActionsAreRegisteredWithShortcuts) {
    DzActionMgr* mgr = dzApp->getInterface()->getActionMgr();
    for (char const* name :
         {"DzFacetSelAllAction", "DzFacetSelClearAction", "DzFacetSelGrowAction", "DzFacetSelShrinkAction"}) {
        DzAction* action = mgr->findAction(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_FALSE(action->shortcut().isEmpty()) << name;
        EXPECT_EQ(QString(action->metaObject()->className()), QString(name));
    }
    EXPECT_EQ(mgr->findAction("NoSuchAction"), nullptr);
}

TEST(HostActions, RegistrationInitsGivesTheDefaultShortcutAndRefusesASecondOfTheSameClass) {
    DzActionMgr mgr(nullptr);
    auto* action = new CountingAction;
    ASSERT_TRUE(mgr.addAction(action));
    EXPECT_EQ(action->inits, 1);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    EXPECT_EQ(mgr.findAction("CountingAction"), action);
    CountingAction second;
    EXPECT_FALSE(mgr.addAction(&second));
    EXPECT_EQ(mgr.takeAction("CountingAction"), action);
    EXPECT_EQ(mgr.findAction("CountingAction"), nullptr);
    delete action;
}

TEST(HostActions, TriggeringRunsExecuteActionAfterTheCheckToggled) {
    CountingAction action(true);
    action.activate(QAction::Trigger);
    EXPECT_EQ(action.runs, 1);
    EXPECT_TRUE(action.checkedWhenRun);
    action.trigger();
    EXPECT_EQ(action.runs, 2);
    EXPECT_FALSE(action.checkedWhenRun);
}

TEST(HostActions, FacetSelectionCommandsWorkOnTheSelectionFlags) {
    // 3 x 1 grid: facets 0, 1, 2 in a row; facet 2 hidden.
    std::unique_ptr<DzFacetMesh> mesh(dztest::makeGrid(3, 1));
    unsigned char* flags = mesh->getFacetFlagsPtr();
    flags[2] = DZ_FACET_HIDDEN;
    auto selected = [&] {
        QString s;
        for (int f = 0; f < 3; ++f) s += (flags[f] & DZ_FACET_SELECTED) ? '1' : '0';
        return s;
    };
    DzFacetSelAllAction all;
    DzFacetSelClearAction clear;
    DzFacetSelGrowAction grow;
    DzFacetSelShrinkAction shrink;
    EXPECT_TRUE(all.applyTo(*mesh));
    EXPECT_EQ(selected(), "110");
    EXPECT_FALSE(all.applyTo(*mesh));
    EXPECT_TRUE(shrink.applyTo(*mesh));  // facet 1 touches the unselected (hidden) facet 2
    EXPECT_EQ(selected(), "100");
    EXPECT_TRUE(shrink.applyTo(*mesh));
    EXPECT_EQ(selected(), "000");
    flags[0] |= DZ_FACET_SELECTED;
    EXPECT_TRUE(grow.applyTo(*mesh));
    EXPECT_EQ(selected(), "110");
    EXPECT_FALSE(grow.applyTo(*mesh));  // the hidden facet is never selected
    EXPECT_TRUE(clear.applyTo(*mesh));
    EXPECT_EQ(selected(), "000");
    EXPECT_EQ(flags[2], DZ_FACET_HIDDEN);
}

// ---- viewports ----

TEST(HostViewports, ViewMouseModifierMapsSingleKeysAndSetsCombinationsApart) {
    using M = DzViewportMgr;
    EXPECT_EQ(M::toViewMouseModifier(Qt::NoModifier), M::NoModifier);
    EXPECT_EQ(M::toViewMouseModifier(Qt::AltModifier), 1);
    EXPECT_EQ(M::toViewMouseModifier(Qt::ShiftModifier), 2);
    EXPECT_EQ(M::toViewMouseModifier(Qt::ControlModifier), 3);
    EXPECT_EQ(M::toViewMouseModifier(Qt::ControlModifier | Qt::KeypadModifier), 3);
    M::ViewMouseModifier both = M::toViewMouseModifier(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NE(both, M::NoModifier);
    EXPECT_NE(both, M::AltModifier);
    EXPECT_NE(both, M::ShiftModifier);
    EXPECT_NE(both, M::CtrlModifier);
}

TEST(HostViewports, ManagerStartsWithViewportZeroActiveAPickToolAndDrawStyles) {
    QWidget area;
    DzViewportMgr mgr(&area);
    ASSERT_EQ(mgr.getNumViewports(), 1);
    EXPECT_EQ(mgr.getActiveViewport(), mgr.getViewport(0));
    EXPECT_EQ(mgr.getViewport(1), nullptr);
    Dz3DViewport* view = mgr.getViewport(0)->get3DViewport();
    ASSERT_NE(view, nullptr);
    EXPECT_NE(view->getCamera(), nullptr);
    EXPECT_EQ(view->getDrawStyle(), mgr.getUserDrawStyle(0));
    EXPECT_GE(mgr.getNumUserDrawStyles(), 2);
    DzViewTool* pick = mgr.findTool("DzPickTool");
    ASSERT_NE(pick, nullptr);
    EXPECT_EQ(mgr.getActiveTool(), pick);
    EXPECT_TRUE(pick->isActive());
}

TEST(HostViewports, SwitchingToolsDeactivatesTheOldOne) {
    DzViewportMgr mgr(nullptr);
    auto* other = new OtherTool;
    mgr.addTool(other);
    DzViewTool* pick = mgr.findTool("DzPickTool");
    EXPECT_TRUE(mgr.setActiveTool(other));
    EXPECT_FALSE(pick->isActive());
    EXPECT_TRUE(other->isActive());
    OtherTool stranger;
    EXPECT_FALSE(mgr.setActiveTool(&stranger));
    EXPECT_EQ(mgr.getActiveTool(), other);
    ASSERT_TRUE(mgr.removeTool(other));
    EXPECT_FALSE(other->isActive());
    EXPECT_EQ(mgr.getActiveTool(), nullptr);
    delete other;
}

TEST(HostViewports, TakenOrDeletedViewportsLeaveTheListAndTheActiveSlot) {
    QWidget area;
    DzViewportMgr mgr(&area);
    std::unique_ptr<DzViewport> taken(mgr.takeViewport(0));
    EXPECT_EQ(mgr.getNumViewports(), 0);
    EXPECT_EQ(mgr.getActiveViewport(), nullptr);
    mgr.addViewport(taken.release());
    mgr.setActiveViewport(mgr.getViewport(0));
    delete mgr.getViewport(0);
    EXPECT_EQ(mgr.getNumViewports(), 0);
    EXPECT_EQ(mgr.getActiveViewport(), nullptr);
}

TEST(HostViewports, ADeletedCameraOrStyleLeavesTheViewWithout) {
    Dz3DViewport view;
    auto camera = std::make_unique<DzCamera>("Cam");
    QSignalSpy spy(&view, &Dz3DViewport::viewChanged);
    view.setCamera(camera.get());
    EXPECT_EQ(view.getCamera(), camera.get());
    camera.reset();
    EXPECT_EQ(view.getCamera(), nullptr);
    auto style = std::make_unique<DzDrawStyle>("S");
    view.setDrawStyle(style.get());
    style.reset();
    EXPECT_EQ(view.getDrawStyle(), nullptr);
    EXPECT_EQ(spy.count(), 2);
}

// ---- widgets ----

TEST(HostWidgets, FloatSliderKeepsTheExactValueAndEmitsOnChangeOnly) {
    DzFloatSlider slider(nullptr, QString());
    slider.setMinMax(0.0f, 1000.0f);
    slider.setSensitivity(0.5f);
    QSignalSpy spy(&slider, SIGNAL(valueChanged(float)));
    // Neither the sensitivity nor the shown precision rounds what was set.
    for (float value : {0.1f, 0.7f, 33.3f, 999.9f}) {
        slider.setValue(value);
        EXPECT_EQ(slider.getValue(), value);
    }
    EXPECT_EQ(spy.count(), 4);
    slider.setValue(slider.getValue());
    EXPECT_EQ(spy.count(), 4);
    slider.setValue(5000.0f);  // not clamped
    EXPECT_EQ(slider.getValue(), 5000.0f);
    slider.setClamped(true);
    EXPECT_EQ(slider.getValue(), 1000.0f);
    slider.setValue(-3.0f);
    EXPECT_EQ(slider.getValue(), 0.0f);
}

TEST(HostWidgets, IntSliderClampsAndEmits) {
    DzIntSlider slider(nullptr, QString());
    slider.setMinMax(1, 10);
    slider.setClamped(true);
    QSignalSpy spy(&slider, SIGNAL(valueChanged(int)));
    slider.setValue(25);
    EXPECT_EQ(slider.getValue(), 10);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 10);
    slider.setValue(10);
    EXPECT_EQ(spy.count(), 1);
}

// What a person does with a slider: a drag on the bar, the value text typed (percent where it is shown so,
// and only when editable).
TEST(HostWidgets, SliderBarDragStepsAndTypedText) {
    DzFloatSlider radius(nullptr, QString());
    radius.setMinMax(0.0f, 1000.0f);
    radius.setSensitivity(0.5f);
    radius.setClamped(true);
    QSlider* bar = radius.findChild<QSlider*>();
    QLineEdit* text = radius.findChild<QLineEdit*>();
    ASSERT_TRUE(bar && text);
    bar->setValue(bar->maximum() / 3);  // a drag to a third of the way
    EXPECT_EQ(radius.getValue(), 333.0f);
    EXPECT_EQ(text->text(), "333.00");
    text->setText("12.34");
    emit text->editingFinished();
    EXPECT_EQ(radius.getValue(), 333.0f) << "the text is not editable yet";
    EXPECT_EQ(text->text(), "333.00");
    radius.setTextEditable(true);
    text->setText("12.34");
    emit text->editingFinished();
    EXPECT_EQ(radius.getValue(), 12.34f);
    text->setText("lots");
    emit text->editingFinished();
    EXPECT_EQ(text->text(), "12.34") << "a text that is no number shows the value again";

    DzFloatSlider gain(nullptr, QString());
    gain.setMinMax(0.0f, 1.0f);
    gain.setDisplayAsPercent(true);
    gain.setClamped(true);
    gain.setTextEditable(true);
    gain.setValue(0.25f);
    QLineEdit* percent = gain.findChild<QLineEdit*>();
    EXPECT_EQ(percent->text(), "25.0%");
    percent->setText("80%");
    emit percent->editingFinished();
    EXPECT_FLOAT_EQ(gain.getValue(), 0.8f);
    percent->setText("150");
    emit percent->editingFinished();
    EXPECT_EQ(gain.getValue(), 1.0f);
    EXPECT_EQ(percent->text(), "100.0%");
}

// ---- the modal responder ----

TEST(HostTesting, ModalResponderRecordsABoxAndPressesTheNamedButton) {
    dztest::ModalResponder responder;
    responder.pressButton("Retry");
    QMessageBox box(QMessageBox::Warning, "Title", "Body", QMessageBox::Retry | QMessageBox::Abort);
    box.setDefaultButton(QMessageBox::Abort);
    EXPECT_EQ(box.exec(), int(QMessageBox::Retry));
    ASSERT_EQ(responder.boxes().size(), 1);
    auto const& seen = responder.boxes().first();
    EXPECT_EQ(seen.title, "Title");
    EXPECT_EQ(seen.text, "Body");
    EXPECT_EQ(seen.icon, int(QMessageBox::Warning));
    EXPECT_EQ(seen.defaultButton, "Abort");
    EXPECT_TRUE(seen.buttons.contains("Retry"));
    EXPECT_TRUE(responder.allAnswered());
}

TEST(HostTesting, ModalResponderClosesBoxesItCannotAnswer) {
    dztest::ModalResponder responder;
    responder.pressButton("No such button");
    QMessageBox first(QMessageBox::Information, "A", "a", QMessageBox::Ok);
    first.exec();
    QMessageBox second(QMessageBox::Information, "B", "b", QMessageBox::Ok);
    second.exec();  // no answer left
    ASSERT_EQ(responder.boxes().size(), 2);
    EXPECT_FALSE(responder.boxes()[0].answered);
    EXPECT_EQ(responder.boxes()[1].answer, "closed");
    EXPECT_FALSE(responder.allAnswered());
}

#include "test_host_app.moc"
