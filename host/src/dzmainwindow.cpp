#include "dzmainwindow.h"

#include <QDockWidget>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzpanemgr.h"
#include "dzviewportmgr.h"
#include "dzviewtoolaction.h"

namespace {

// Holds the active tool's pane: as wide as the pane needs, so that no pane is cut at its side, and as tall
// as the dock is, so that a pane taller than the window scrolls instead of making the window grow. The pane
// sits at the top, whatever the dock's height.
class ToolPaneScrollArea final : public QScrollArea {
public:
    ToolPaneScrollArea(QWidget* area, QWidget* parent) : QScrollArea(parent) {
        setObjectName(QStringLiteral("ToolPaneScrollArea"));
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidgetResizable(true);
        setWidget(area);
        // A pane that shows, hides or changes its size asks its area's layout again: the dock follows.
        area->installEventFilter(this);
    }
    QSize minimumSizeHint() const override {
        return {paneWidth(widget()->minimumSizeHint()), QScrollArea::minimumSizeHint().height()};
    }
    QSize sizeHint() const override {
        QSize const pane = widget()->sizeHint();
        return {paneWidth(widget()->minimumSizeHint()), pane.height()};
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    // Room for the vertical scroll bar too, so that a scrolling pane is not cut either.
    int paneWidth(QSize const& pane) const {
        return std::max(pane.width(), 0) + verticalScrollBar()->sizeHint().width();
    }
};

}  // namespace

DzMainWindow::DzMainWindow(QWidget* parent)
    : QMainWindow(parent),
      m_viewportArea(new QWidget(this)),
      m_toolOptionsDock(new QDockWidget(QStringLiteral("Tool Settings"), this)),
      m_toolPaneArea(new QWidget(m_toolOptionsDock)) {
    setWindowTitle(QStringLiteral("Stand-in host"));
    setCentralWidget(m_viewportArea);
    m_toolOptionsDock->setObjectName(QStringLiteral("ToolSettingsDock"));
    auto* paneLayout = new QVBoxLayout(m_toolPaneArea);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setAlignment(Qt::AlignTop);
    m_toolOptionsDock->setWidget(new ToolPaneScrollArea(m_toolPaneArea, m_toolOptionsDock));
    addDockWidget(Qt::RightDockWidgetArea, m_toolOptionsDock);
    m_viewportMgr = new DzViewportMgr(m_viewportArea, this);
    m_viewportMgr->setToolPaneArea(m_toolPaneArea);
    m_paneMgr = new DzPaneMgr(this);
    m_actionMgr = new DzActionMgr(this, this);
}

// The managers go first: the viewports they hold are widgets of this window.
DzMainWindow::~DzMainWindow() {
    delete m_actionMgr;
    delete m_paneMgr;
    delete m_viewportMgr;
}

namespace {

template <typename T>
T* take(T*& slot) {
    T* taken = slot;
    slot = nullptr;
    if (taken)
        taken->setParent(nullptr);
    return taken;
}

template <typename T>
void put(T*& slot, T* value, QObject* owner) {
    if (slot == value)
        return;
    delete slot;
    slot = value;
    if (value)
        value->setParent(owner);
}

}  // namespace

DzViewportMgr* DzMainWindow::takeViewportMgr() {
    return take(m_viewportMgr);
}
void DzMainWindow::setViewportMgr(DzViewportMgr* mgr) {
    put(m_viewportMgr, mgr, this);
    if (mgr)
        mgr->setToolPaneArea(m_toolPaneArea);
}
DzPaneMgr* DzMainWindow::takePaneMgr() {
    return take(m_paneMgr);
}
void DzMainWindow::setPaneMgr(DzPaneMgr* mgr) {
    put(m_paneMgr, mgr, this);
}
DzActionMgr* DzMainWindow::takeActionMgr() {
    return take(m_actionMgr);
}
void DzMainWindow::setActionMgr(DzActionMgr* mgr) {
    put(m_actionMgr, mgr, this);
}

namespace {

QString plainTitle(QString title) {
    return title.remove(QLatin1Char('&')).trimmed().toLower();
}

}  // namespace

QMenu* DzMainWindow::findOrAddMenu(QString const& path) {
    QMenu* menu = nullptr;
    for (QString const& title : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QList<QAction*> const entries = menu ? menu->actions() : menuBar()->actions();
        QMenu* found = nullptr;
        for (QAction* entry : entries)
            if (entry->menu() && plainTitle(entry->text()) == plainTitle(title))
                found = entry->menu();
        if (!found)
            found = menu ? menu->addMenu(title) : menuBar()->addMenu(title);
        menu = found;
    }
    return menu;
}

QToolBar* DzMainWindow::findOrAddToolBar(QString const& title) {
    if (plainTitle(title).isEmpty())
        return nullptr;
    for (QToolBar* bar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        if (plainTitle(bar->windowTitle()) == plainTitle(title))
            return bar;
    QToolBar* bar = addToolBar(title);
    bar->setObjectName(title + QStringLiteral("ToolBar"));
    return bar;
}

void DzMainWindow::placeAction(DzAction* action) {
    if (!action)
        return;
    if (auto* toolAction = qobject_cast<DzViewToolAction*>(action)) {
        if (QMenu* menu = findOrAddMenu(toolAction->getDefaultMenuPath()))
            menu->addAction(action);
        if (QToolBar* bar = findOrAddToolBar(toolAction->getDefaultToolBar()))
            bar->addAction(action);
        return;
    }
    QString const group = action->getActionGroup();
    findOrAddMenu(group.isEmpty() ? QStringLiteral("&Plugins") : group)->addAction(action);
}
