#include "pfhost_window.h"

#include "pfhost_params.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QToolBar>
#include <memory>

#include "dz3dviewport.h"
#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzdrawstyle.h"
#include "dzextramodifierio.h"
#include "dzfileiosettings.h"
#include "dzmainwindow.h"
#include "dzmeshimport.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzstyle.h"
#include "dzundostack.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"
#include "dzviewtoolaction.h"

namespace {

int const kToolDockWidth = 480;
int const kLeftDockWidth = 320;

// A modifier that a plug-in's IO class saves may have nothing to save (the Pullform tool's modifier before
// the first edit): putting it on an object or taking it off changes no saved scene. Every other modifier
// counts, also one that a save leaves out with a warning.
bool isSavedWithTheScene(DzModifier& modifier) {
    DzIOClassRegistration const* registration = DzPlugin::FindIOClassForObject(modifier.metaObject());
    if (!registration)
        return true;
    std::unique_ptr<DzExtraModifierIO> io(DzPlugin::CreateIOObject(*registration));
    DzFileIOSettings const settings{};
    return !io || io->shouldWrite(&modifier, &settings);
}

void frameViews() {
    DzViewportMgr* mgr = dzApp->getInterface() ? dzApp->getInterface()->getViewportMgr() : nullptr;
    if (!mgr)
        return;
    for (int i = 0; i < mgr->getNumViewports(); ++i)
        if (Dz3DViewport* view = mgr->getViewport(i)->get3DViewport())
            view->frameScene();
}

}  // namespace

HostUi::HostUi(DzMainWindow* window) : QObject(window), m_window(window) {
    window->setWindowTitle(QStringLiteral("pfhost"));
    buildMenus();
    buildSceneDock();
    // Room for the viewport beside both docks: the tool's pane at its width and the Parameters dock wide
    // enough for a property's slider and value. A smaller screen gets the window at its own size.
    QSize size(1400, 900);
    if (QScreen const* screen = window->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    window->resize(size);
    window->resizeDocks({window->getToolOptionsDock()}, {kToolDockWidth}, Qt::Horizontal);
    window->resizeDocks({m_sceneDock}, {kLeftDockWidth}, Qt::Horizontal);
    if (DzViewportMgr* mgr = window->getViewportMgr())
        connect(mgr, &DzViewportMgr::activeToolChanged, this, &HostUi::rebuildToolActions);
    rebuildToolActions();

    // Whatever changes what a save writes marks the scene modified: nodes coming and going, their transforms,
    // their shapes' geometry, their modifiers' values (edits, morph dials, undo and redo) and the modifiers
    // put on or taken off that a save writes, and the undo stack's steps.
    // Loading, saving and New mark it unmodified. Undoing back to the saved state still counts as a change:
    // asking once too often costs less than losing work.
    DzScene* scene = dzScene;
    for (int i = 0; i < scene->getNumNodes(); ++i) watchNode(scene->getNode(i));
    connect(scene, &DzScene::nodeAdded, this, [this](DzNode* node) {
        watchNode(node);
        setModified(true);
    });
    connect(scene, &DzScene::nodeRemoved, this, [this] { setModified(true); });
    connect(scene, &DzScene::sceneLoaded, this, [this] { setModified(false); });
    if (DzUndoStack* stack = dzUndoStack)
        connect(stack, &DzUndoStack::stackChanged, this, [this] { setModified(true); });
    window->installEventFilter(this);
    updateTitle();
}

HostUi::~HostUi() = default;

bool HostUi::isSceneFile(QString const& path) {
    return DzScene::isSceneFileName(path);
}

void HostUi::watchNode(DzNode* node) {
    connect(node, &DzNode::transformChanged, this, [this] { setModified(true); });
    DzObject* object = node->getObject();
    if (!object)
        return;
    if (DzShape* shape = object->getCurrentShape())
        connect(shape, &DzShape::geometryChanged, this, [this] { setModified(true); });
    for (DzModifierIterator it = object->modifierIterator(); it.hasNext();) watchModifier(it.next());
    connect(object, &DzObject::modifierAdded, this, [this](DzModifier* modifier) {
        watchModifier(modifier);
        if (isSavedWithTheScene(*modifier))
            setModified(true);
    });
    connect(object, &DzObject::modifierRemoved, this, [this](DzModifier* modifier) {
        disconnect(modifier, nullptr, this, nullptr);
        if (isSavedWithTheScene(*modifier))
            setModified(true);
    });
}

void HostUi::watchModifier(DzModifier* modifier) {
    connect(modifier, &DzModifier::currentValueChanged, this, [this] { setModified(true); });
}

void HostUi::setModified(bool modified) {
    if (modified == m_modified)
        return;
    m_modified = modified;
    updateTitle();
}

void HostUi::updateTitle() {
    QString const name = m_scenePath.isEmpty()
                             ? QStringLiteral("pfhost")
                             : QFileInfo(m_scenePath).fileName() + QStringLiteral(" - pfhost");
    m_window->setWindowTitle(name + QStringLiteral("[*]"));
    m_window->setWindowModified(m_modified);
}

bool HostUi::openFile(QString const& path, QString* error, QString* notice) {
    DzScene* scene = dzScene;
    if (notice)
        notice->clear();
    if (isSceneFile(path)) {
        if (!scene->loadScene(path, error))
            return false;
        if (notice)
            *notice = scene->getLoadNotice();
    } else {
        DzNode* node = dzImportMesh(path, error);
        if (!node)
            return false;
        scene->addNode(node);
        scene->selectAllNodes(false);
        scene->setPrimarySelection(node);
    }
    frameViews();
    return true;
}

bool HostUi::saveScene(QString const& path, QString* error) {
    return dzScene->saveScene(path, error);
}

bool HostUi::open(QString const& path, QString* error, QString* notice) {
    bool const emptyAndUnmodified = !m_modified && dzScene->getNumNodes() == 0;
    if (!openFile(path, error, notice))
        return false;
    if (isSceneFile(path)) {
        m_scenePath = path;
        setModified(false);
        updateTitle();
    } else if (emptyAndUnmodified) {
        setModified(false);
    }
    return true;
}

bool HostUi::save(QString const& path, QString* error) {
    if (!saveScene(path, error))
        return false;
    m_scenePath = path;
    setModified(false);
    updateTitle();
    return true;
}

bool HostUi::maySceneGo() {
    if (!m_modified || !m_asksToSave)
        return true;
    QString const text = m_scenePath.isEmpty()
                             ? QStringLiteral("The scene has changes that are not saved.")
                             : QStringLiteral("The scene \"%1\" has changes that are not saved.")
                                   .arg(QFileInfo(m_scenePath).fileName());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("pfhost"), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, m_window);
    box.setInformativeText(QStringLiteral("Save them first?"));
    // The platform's theme may name these otherwise; the texts stay the same everywhere.
    box.button(QMessageBox::Save)->setText(QStringLiteral("Save"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Discard"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Save:
            return saveCurrent();
        case QMessageBox::Discard:
            return true;
        default:
            return false;
    }
}

bool HostUi::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Close && !maySceneGo()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void HostUi::newScene() {
    if (!maySceneGo())
        return;
    dzScene->clear();
    m_scenePath.clear();
    setModified(false);
    updateTitle();
    frameViews();
}

void HostUi::showError(QString const& text) {
    QMessageBox::critical(m_window, QStringLiteral("pfhost"), text);
}

void HostUi::openFileDialog() {
    QString const path = QFileDialog::getOpenFileName(
        m_window, QStringLiteral("Open a scene or a mesh"), QString(),
        QStringLiteral("Scenes and meshes (*.pfscene *.json *.obj *.fbx *.dae *.ply *.stl *.off *.3ds *.gltf "
                       "*.glb *.blend *.x3d *.lwo);;All files (*)"));
    if (path.isEmpty())
        return;
    // A mesh is added to the scene; only a scene file takes its place.
    if (isSceneFile(path) && !maySceneGo())
        return;
    QString error, notice;
    if (!open(path, &error, &notice))
        showError(error);
    else if (!notice.isEmpty())
        QMessageBox::warning(m_window, QStringLiteral("pfhost"), notice);
}

bool HostUi::saveCurrent() {
    if (m_scenePath.isEmpty())
        return saveSceneDialog();
    QString error;
    if (save(m_scenePath, &error))
        return true;
    showError(error);
    return false;
}

bool HostUi::saveSceneDialog() {
    QString path = QFileDialog::getSaveFileName(m_window, QStringLiteral("Save the scene"), m_scenePath,
                                                QStringLiteral("Scenes (*.pfscene *.json)"));
    if (path.isEmpty())
        return false;
    // A name that is not a scene file's gets the suffix; the dialog asked about replacing the name chosen,
    // so replacing the one with the suffix is asked here.
    if (!isSceneFile(path)) {
        path += QStringLiteral(".pfscene");
        if (QFileInfo::exists(path) &&
            QMessageBox::question(
                m_window, QStringLiteral("pfhost"),
                QStringLiteral("\"%1\" already exists. Replace it?").arg(QFileInfo(path).fileName())) !=
                QMessageBox::Yes)
            return false;
    }
    QString error;
    if (save(path, &error))
        return true;
    showError(error);
    return false;
}

void HostUi::buildMenus() {
    QMenuBar* bar = m_window->menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"), this, &HostUi::newScene, QKeySequence::New);
    file->addAction(QStringLiteral("&Open..."), this, &HostUi::openFileDialog, QKeySequence::Open);
    file->addAction(QStringLiteral("&Save Scene"), this, &HostUi::saveCurrent, QKeySequence::Save);
    file->addAction(QStringLiteral("Save Scene &As..."), this, &HostUi::saveSceneDialog,
                    QKeySequence::SaveAs);
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), m_window, &QWidget::close, QKeySequence::Quit);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    if (DzUndoStack* stack = dzUndoStack) {
        edit->addAction(stack->createUndoAction(edit));
        edit->addAction(stack->createRedoAction(edit));
    }

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->addAction(QStringLiteral("&Frame Scene"), this, [] { frameViews(); });
    view->addAction(QStringLiteral("One Viewport"), this, [this] {
        if (DzViewportMgr* mgr = m_window->getViewportMgr())
            mgr->setNumViewports(1);
    });
    view->addAction(QStringLiteral("Four Viewports"), this, [this] {
        if (DzViewportMgr* mgr = m_window->getViewportMgr())
            mgr->setNumViewports(4);
    });
    if (DzViewportMgr* mgr = m_window->getViewportMgr()) {
        QMenu* styles = view->addMenu(QStringLiteral("Draw &Style"));
        for (int i = 0; i < mgr->getNumUserDrawStyles(); ++i) {
            DzDrawStyle* style = mgr->getUserDrawStyle(i);
            styles->addAction(style->getName(), this, [this, style] {
                DzViewportMgr* m = m_window->getViewportMgr();
                DzViewport* active = m ? m->getActiveViewport() : nullptr;
                if (active && active->get3DViewport())
                    active->get3DViewport()->setDrawStyle(style);
            });
        }
    }

    // The host's interface styles. Picking one applies its palette; icons that follow the style change too.
    QMenu* interfaceStyles = view->addMenu(QStringLiteral("&Interface Style"));
    auto* styleGroup = new QActionGroup(interfaceStyles);
    for (DzStyle* style : dzApp->getStyles()) {
        QAction* action = styleGroup->addAction(style->getStyleDefinition());
        action->setCheckable(true);
        action->setChecked(style == dzApp->getStyle());
        connect(action, &QAction::triggered, this, [style = QPointer<DzStyle>(style)] {
            if (style)
                dzApp->setStyle(style);
        });
        interfaceStyles->addAction(action);
    }
    connect(dzApp, &DzApp::styleChanged, styleGroup, [styleGroup](DzStyle* style) {
        for (QAction* action : styleGroup->actions())
            action->setChecked(action->text() == style->getStyleDefinition());
        QApplication::setPalette(style->getColors());
    });
    // The host's interface starts in its current style, as plug-in panes are drawn for it (light headings).
    if (DzStyle* style = dzApp->getStyle())
        QApplication::setPalette(style->getColors());

    // Shared with the tool actions of plug-ins, which ask for the same menu and tool bar.
    m_toolsMenu = m_window->findOrAddMenu(QStringLiteral("&Tools"));
    m_toolBar = m_window->findOrAddToolBar(QStringLiteral("Tools"));

    // The host's own commands, with the plug-in's where it registered any.
    if (DzActionMgr* actions = m_window->getActionMgr()) {
        QMenu* selection = bar->addMenu(QStringLiteral("&Selection"));
        for (int i = 0; i < actions->getNumActions(); ++i) selection->addAction(actions->getAction(i));
    }
}

void HostUi::rebuildToolActions() {
    DzViewportMgr* mgr = m_window->getViewportMgr();
    delete m_toolGroup;  // its actions leave the menu and the tool bar with it
    m_toolGroup = new QActionGroup(this);
    if (!mgr)
        return;
    // The host's entries come first; a tool that a plug-in's tool action switches to has that action instead.
    QStringList switched;
    if (DzActionMgr* actions = m_window->getActionMgr())
        for (int i = 0; i < actions->getNumActions(); ++i)
            if (auto* toolAction = qobject_cast<DzViewToolAction*>(actions->getAction(i)))
                switched << toolAction->getToolClassName();
    QAction* firstMenuEntry = m_toolsMenu->actions().value(0);
    QAction* firstBarEntry = m_toolBar->actions().value(0);
    for (int i = 0; i < mgr->getNumTools(); ++i) {
        DzViewTool* tool = mgr->getTool(i);
        if (switched.contains(QLatin1String(tool->metaObject()->className())))
            continue;
        QAction* action = m_toolGroup->addAction(tool->getDisplayName());
        action->setCheckable(true);
        action->setChecked(mgr->getActiveTool() == tool);
        action->setToolTip(tool->whatsThisText().isEmpty() ? tool->getDisplayName() : tool->whatsThisText());
        connect(action, &QAction::triggered, this, [mgr, tool] { mgr->setActiveTool(tool); });
        m_toolsMenu->insertAction(firstMenuEntry, action);
        m_toolBar->insertAction(firstBarEntry, action);
    }
}

void HostUi::buildSceneDock() {
    auto* dock = new QDockWidget(QStringLiteral("Scene"), m_window);
    m_sceneDock = dock;
    dock->setObjectName(QStringLiteral("SceneDock"));
    m_sceneList = new QListWidget(dock);
    m_sceneList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dock->setWidget(m_sceneList);
    m_window->addDockWidget(Qt::LeftDockWidgetArea, dock);
    auto* params = new HostParamsDock(m_window);
    m_window->addDockWidget(Qt::LeftDockWidgetArea, params);
    connect(params, &HostParamsDock::edited, this, [this] { setModified(true); });
    DzScene* scene = dzScene;
    connect(scene, &DzScene::nodeAdded, this, &HostUi::rebuildSceneList, Qt::QueuedConnection);
    connect(scene, &DzScene::nodeRemoved, this, &HostUi::rebuildSceneList, Qt::QueuedConnection);
    connect(scene, &DzScene::sceneLoaded, this, &HostUi::rebuildSceneList);
    connect(scene, &DzScene::nodeSelectionListChanged, this, &HostUi::rebuildSceneList);
    connect(m_sceneList, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_updatingList)
            return;
        DzScene* s = dzScene;
        QList<DzNode*> chosen;
        for (QListWidgetItem* item : m_sceneList->selectedItems())
            if (DzNode* node = s->getNode(m_sceneList->row(item)))
                chosen << node;
        s->selectAllNodes(false);
        for (DzNode* node : chosen) s->selectNode(node, true);
    });
    rebuildSceneList();
}

void HostUi::rebuildSceneList() {
    DzScene* scene = dzScene;
    m_updatingList = true;
    m_sceneList->clear();
    for (int i = 0; i < scene->getNumNodes(); ++i) {
        DzNode* node = scene->getNode(i);
        auto* item = new QListWidgetItem(node->getLabel(), m_sceneList);
        item->setSelected(scene->isNodeSelected(node));
    }
    m_updatingList = false;
}
