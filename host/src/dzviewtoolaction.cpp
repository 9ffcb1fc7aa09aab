#include "dzviewtoolaction.h"

#include "dzapp.h"
#include "dzmainwindow.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"

namespace {

DzViewportMgr* viewportMgr() {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    return window ? window->getViewportMgr() : nullptr;
}

}  // namespace

DzViewToolAction::DzViewToolAction(char const* toolClassName)
    : DzAction(QString::fromUtf8(toolClassName), QString::fromUtf8(toolClassName)),
      m_toolClassName(QString::fromUtf8(toolClassName)) {
    setCheckable(true);
    followActiveTool();
}

DzViewToolAction::~DzViewToolAction() = default;

QString DzViewToolAction::getActionGroup() const {
    return QStringLiteral("Tools");
}

QString DzViewToolAction::getDefaultMenuPath() const {
    return QStringLiteral("&Tools");
}

QString DzViewToolAction::getDefaultToolBar() const {
    return QStringLiteral("Tools");
}

void DzViewToolAction::executeAction() {
    DzViewportMgr* mgr = viewportMgr();
    DzViewTool* tool = mgr ? mgr->findTool(m_toolClassName) : nullptr;
    if (!tool) {
        if (dzApp)
            dzApp->log(QStringLiteral("There is no viewport tool of class %1").arg(m_toolClassName));
        setChecked(false);
        return;
    }
    followActiveTool();
    mgr->setActiveTool(tool);
    // Triggering the checked action unchecks it; the tool stays active, so the mark comes back.
    setChecked(mgr->getActiveTool() == tool);
}

// The check mark follows the active tool, whoever switches it; connected once per viewport manager.
void DzViewToolAction::followActiveTool() {
    if (DzViewportMgr* mgr = viewportMgr())
        connect(mgr, &DzViewportMgr::activeToolChanged, this, &DzViewToolAction::slotActiveToolChanged,
                Qt::UniqueConnection);
}

void DzViewToolAction::slotActiveToolChanged(DzViewTool* tool) {
    setChecked(tool && m_toolClassName == QLatin1String(tool->metaObject()->className()));
}
