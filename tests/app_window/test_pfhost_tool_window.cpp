// pfhost's window with the Pullform plug-in loaded from the build, used as a person uses it: the tool bar's
// button, clicks and drags in the view, the pane's buttons, the Edit menu and Ctrl+Z. The plug-in is reached
// as pfhost reaches it: through the objects the host holds and Qt's meta-object system.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <memory>

#include "dz3dviewport.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzfixtures.h"
#include "dzfloatproperty.h"
#include "dzmainwindow.h"
#include "dzmodalresponder.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "dzundostack.h"
#include "dzvertexmesh.h"
#include "dzviewport.h"
#include "dzviewportfixture.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"
#include "dzwait.h"
#include "pfhost_tools.h"
#include "pfhost_window.h"

namespace {

// A 4 x 4 grid of unit quads on the XY plane: vertex (i, j) at (i, j, 0).
QByteArray gridObj() {
    QByteArray obj;
    for (int j = 0; j <= 4; ++j)
        for (int i = 0; i <= 4; ++i)
            obj += QByteArray("v ") + QByteArray::number(i) + " " + QByteArray::number(j) + " 0\n";
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            int const a = j * 5 + i + 1;
            obj += "f " + QByteArray::number(a) + " " + QByteArray::number(a + 1) + " " +
                   QByteArray::number(a + 6) + " " + QByteArray::number(a + 5) + "\n";
        }
    return obj;
}

class ToolWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_loadErrors = loadPlugins(QString()); }

    void SetUp() override {
        ASSERT_TRUE(s_loadErrors.isEmpty()) << s_loadErrors.join('\n').toStdString();
        ASSERT_TRUE(dir.isValid());
        QFile obj(dir.filePath("grid.obj"));
        ASSERT_TRUE(obj.open(QIODevice::WriteOnly));
        obj.write(gridObj());
        obj.close();
        dzUndoStack->clear();
        ui = std::make_unique<HostUi>(window());
        ui->rebuildToolActions();
        ui->setAsksToSave(false);
        window()->resize(1400, 900);
        window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
        QApplication::setActiveWindow(window());
        QString error;
        ASSERT_TRUE(ui->open(dir.filePath("grid.obj"), &error)) << error.toStdString();
        ASSERT_EQ(dzScene->getNumNodes(), 1);
        grid = dzScene->getNode(0);
        ASSERT_EQ(dzScene->getPrimarySelection(), grid);
    }
    void TearDown() override {
        DzViewportMgr* mgr = window()->getViewportMgr();
        mgr->setActiveTool(mgr->findTool("DzPickTool"));
        ui.reset();
        // The menus of this test's HostUi go too: the next one's Undo would share Ctrl+Z with them.
        for (QAction* entry : window()->menuBar()->actions()) delete entry->menu();
        window()->menuBar()->clear();
        dzScene->clear();
        dzUndoStack->clear();
        window()->hide();
    }

    static DzMainWindow* window() { return dzApp->getInterface(); }
    static Dz3DViewport* view() { return window()->getViewportMgr()->getViewport(0)->get3DViewport(); }
    static QDockWidget* toolDock() { return window()->getToolOptionsDock(); }
    static QWidget* pane() { return window()->findChild<QWidget*>("PfToolOptions"); }
    static QString paneInfo() {
        QLabel* info = pane() ? pane()->findChild<QLabel*>("pLabelInfo") : nullptr;
        return info ? info->text() : QString("(no pane)");
    }
    // Keys as they reach the window's shortcuts: the window active, as after a click in it.
    static void pressKeys(int key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(window());
        QTest::keyClick(window(), Qt::Key(key), modifiers);
    }
    static bool paneShows(QString const& text) {
        return QTest::qWaitFor([&] { return paneInfo() == text; }, dztest::kEventDeadlineMs);
    }

    // The tool bar's button of the Pullform tool, clicked.
    void activateTool() {
        DzAction* action = window()->getActionMgr()->findAction("PfToolAction");
        ASSERT_TRUE(action);
        QToolBar* bar = window()->findOrAddToolBar("Tools");
        QWidget* button = bar->widgetForAction(action);
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_EQ(QLatin1String(window()->getViewportMgr()->getActiveTool()->metaObject()->className()),
                  QLatin1String("PfTool"));
        ASSERT_TRUE(pane());
    }
    QPoint at(DzVec3 const& world) const {
        QPointF pixel;
        EXPECT_TRUE(view()->projectToPixel(world, pixel));
        return pixel.toPoint();
    }
    // Face (1, 1) picked, and the gizmo's X cone dragged along X by one unit.
    void pickAndDrag() {
        dztest::mouseClick(view(), at(DzVec3(1.5f, 1.5f, 0)));
        view()->grabPixels();  // the gizmo is made by a draw
        QVariantMap gizmo;
        ASSERT_TRUE(QMetaObject::invokeMethod(window()->getViewportMgr()->getActiveTool(), "gizmoView",
                                              Qt::DirectConnection, Q_RETURN_ARG(QVariantMap, gizmo),
                                              Q_ARG(QObject*, view())));
        QVariantList const origin = gizmo.value("origin").toList(), x = gizmo.value("x").toList();
        ASSERT_EQ(origin.size(), 3);
        ASSERT_EQ(x.size(), 3);
        DzVec3 const tip(origin[0].toFloat() + x[0].toFloat(), origin[1].toFloat() + x[1].toFloat(),
                         origin[2].toFloat() + x[2].toFloat());
        dztest::mouseDrag(view(), at(tip), at(tip + DzVec3(1, 0, 0)));
        ASSERT_GT(deltaCount(), 0);
    }
    int deltaCount() const {
        DzModifier* modifier = grid->getObject()->findModifier("HV_PullformModifier");
        QVariantMap summary;
        if (!modifier || !QMetaObject::invokeMethod(modifier, "deltaSummary", Qt::DirectConnection,
                                                    Q_RETURN_ARG(QVariantMap, summary)))
            return -1;
        return summary.value("count").toInt();
    }
    QVector<DzVec3> shownMesh() const {
        DzVertexMesh* mesh = grid->getObject()->getCachedGeom();
        QVector<DzVec3> points;
        for (int i = 0; i < mesh->getNumVertices(); ++i) points << mesh->getVertex(i);
        return points;
    }

    static QStringList s_loadErrors;
    QTemporaryDir dir;
    std::unique_ptr<HostUi> ui;
    DzNode* grid = nullptr;
};

QStringList ToolWindow::s_loadErrors;

QString const kGeometryPlease =
    "<p>Please select geometry in the selected node to be able to modify it with Pullform.<br>0 deltas in "
    "modifier</p>";

// The menu bar's menu of that title.
QMenu* menuNamed(QString const& title) {
    for (QAction* entry : dzApp->getInterface()->menuBar()->actions())
        if (entry->menu() && entry->text().remove('&') == title)
            return entry->menu();
    return nullptr;
}

// The entry of the menu whose text starts so.
QAction* entryOf(QMenu* menu, QString const& start) {
    for (QAction* entry : menu->actions())
        if (entry->text().remove('&').startsWith(start))
            return entry;
    return nullptr;
}

// Clicks the menu bar's menu of that title, then its entry.
void chooseFromMenu(QString const& title, QAction* entry) {
    QMenuBar* bar = dzApp->getInterface()->menuBar();
    QMenu* menu = menuNamed(title);
    ASSERT_TRUE(menu);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, dztest::kEventDeadlineMs));
    ASSERT_TRUE(menu->actions().contains(entry));
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(entry).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, dztest::kEventDeadlineMs));
}

}  // namespace

// Switching the tool on and picking the first face change nothing a save keeps and leave the window its size;
// the pane shows the selected node at once, then the picked face.
TEST_F(ToolWindow, ActivationAndTheFirstPickMarkNothingAndThePaneFollows) {
    QSize const size = window()->size();
    ASSERT_FALSE(ui->isSceneModified());
    activateTool();
    EXPECT_TRUE(paneShows(kGeometryPlease)) << paneInfo().toStdString();
    EXPECT_FALSE(ui->isSceneModified());
    EXPECT_FALSE(window()->isWindowModified());
    EXPECT_EQ(window()->size(), size);

    dztest::mouseClick(view(), at(DzVec3(1.5f, 1.5f, 0)));
    EXPECT_TRUE(paneShows("<p>One face with 4 vertices selected<br>0 deltas in modifier</p>"))
        << paneInfo().toStdString();
    EXPECT_FALSE(ui->isSceneModified());
    EXPECT_EQ(window()->size(), size);

    // The first edit does mark the scene.
    pickAndDrag();
    EXPECT_TRUE(ui->isSceneModified());
}

// At 1400 x 900 and at the whole screen (a maximised window): the window keeps its size through activation
// and a pick, the view is large, the pane sits at the top of its dock, whole and not cut at its side, and the
// Parameters dock shows a morph's slider and value whole.
TEST_F(ToolWindow, TheViewAndBothDocksAreUsableAt1400x900AndMaximised) {
    auto* deltas = new DzMorphDeltas;
    deltas->addDelta(0, DzVec3(0, 0, 1), true, 0);
    auto* morph = new DzMorph(deltas);
    morph->setName("Bump");
    morph->getValueProperty()->setName("Bump");
    morph->getValueProperty()->setLabel("Bump");
    grid->getObject()->addModifier(morph);
    dzScene->setPrimarySelection(nullptr);
    dzScene->setPrimarySelection(grid);

    QSize const screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    for (QSize const size : {QSize(1400, 900), screen}) {
        SCOPED_TRACE(QString("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        DzViewportMgr* mgr = window()->getViewportMgr();
        mgr->setActiveTool(mgr->findTool("DzPickTool"));
        window()->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window()->size() == size; }, dztest::kEventDeadlineMs));
        QApplication::processEvents();
        // Before the tool, the empty dock shows its whole title.
        EXPECT_GT(toolDock()->width(),
                  toolDock()->fontMetrics().horizontalAdvance(toolDock()->windowTitle()) + 40);

        activateTool();
        dztest::mouseClick(view(), at(DzVec3(1.5f, 1.5f, 0)));
        ASSERT_TRUE(paneShows("<p>One face with 4 vertices selected<br>0 deltas in modifier</p>"));
        QApplication::processEvents();
        EXPECT_EQ(window()->size(), size);
        EXPECT_GE(view()->width(), 400);
        EXPECT_GE(view()->height(), 700);

        auto* scroll = toolDock()->findChild<QScrollArea*>();
        ASSERT_TRUE(scroll);
        EXPECT_EQ(pane()->mapTo(scroll->viewport(), QPoint(0, 0)), QPoint(0, 0));
        EXPECT_GE(pane()->width(), pane()->minimumSizeHint().width());
        EXPECT_LE(pane()->width(), scroll->viewport()->width());
        EXPECT_FALSE(scroll->verticalScrollBar()->isVisible()) << "the pane is cut at its bottom";
        QLabel* info = pane()->findChild<QLabel*>("pLabelInfo");
        EXPECT_EQ(info->visibleRegion().boundingRect(), info->rect());

        auto* slider = window()->findChild<QSlider*>("Bump");
        ASSERT_TRUE(slider);
        QWidget* sliderAndValue = slider->parentWidget();
        EXPECT_GE(slider->width(), 80);
        EXPECT_EQ(sliderAndValue->visibleRegion().boundingRect(), sliderAndValue->rect());
    }
}

// A reset from the pane, undone and redone through the Edit menu, then through Ctrl+Z and Ctrl+Shift+Z.
TEST_F(ToolWindow, AResetIsUndoneThroughTheEditMenuAndCtrlZ) {
    activateTool();
    pickAndDrag();
    int const edited = deltaCount();
    QVector<DzVec3> const editedMesh = shownMesh();
    QString const editedInfo =
        QString("<p>One face with 4 vertices selected<br>%1 deltas in modifier</p>").arg(edited);
    ASSERT_TRUE(paneShows(editedInfo)) << paneInfo().toStdString();

    {
        dztest::ModalResponder responder;
        responder.pressButton("Yes, reset all!");
        QTest::mouseClick(pane()->findChild<QPushButton*>("pButtonReset"), Qt::LeftButton);
        EXPECT_TRUE(responder.allAnswered());
    }
    ASSERT_EQ(deltaCount(), 0);
    QVector<DzVec3> const resetMesh = shownMesh();
    ASSERT_NE(resetMesh, editedMesh);

    QMenu* edit = menuNamed("Edit");
    ASSERT_TRUE(edit);
    QAction* undo = entryOf(edit, "Undo");
    QAction* redo = entryOf(edit, "Redo");
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->text().remove('&'), "Undo Pullform reset on \u201Cgrid\u201D");
    chooseFromMenu("Edit", undo);
    EXPECT_EQ(deltaCount(), edited);
    EXPECT_EQ(shownMesh(), editedMesh);
    EXPECT_TRUE(paneShows(editedInfo)) << paneInfo().toStdString();
    chooseFromMenu("Edit", redo);
    EXPECT_EQ(deltaCount(), 0);
    EXPECT_EQ(shownMesh(), resetMesh);

    pressKeys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(deltaCount(), edited);
    EXPECT_EQ(shownMesh(), editedMesh);
    pressKeys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(deltaCount(), 0);
    EXPECT_EQ(shownMesh(), resetMesh);
}

// Undoing the only drag puts the mesh back at once; its deltas, zero now, stay in the modifier until its
// compaction 3 seconds later drops them, and then the pane counts none.
TEST_F(ToolWindow, AfterUndoingTheOnlyDragThePaneCountsNoDeltasOnceCompacted) {
    activateTool();
    QVector<DzVec3> const original = shownMesh();
    pickAndDrag();
    int const edited = deltaCount();
    EXPECT_TRUE(
        paneShows(QString("<p>One face with 4 vertices selected<br>%1 deltas in modifier</p>").arg(edited)));

    pressKeys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shownMesh(), original);
    EXPECT_EQ(deltaCount(), edited);
    EXPECT_TRUE(paneShows("<p>One face with 4 vertices selected<br>0 deltas in modifier</p>"))
        << paneInfo().toStdString();
    EXPECT_EQ(deltaCount(), 0);
    EXPECT_FALSE(pane()->findChild<QPushButton*>("pButtonReset")->isEnabled());
}
