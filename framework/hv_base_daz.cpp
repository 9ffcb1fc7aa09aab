#include "hv_base_daz.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>

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
#include "dzintproperty.h"
#include "dzmainwindow.h"
#include "dzmodifier.h"
#include "dzobject.h"
#include "dzoptionsbtn.h"
#include "dzskeleton.h"
#include "dzslider.h"
#include "dzstyledbutton.h"
#include "dzviewport.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"
#include "hv_base.h"
#include "hv_dlg_timed-notice.h"
#include "hv_helpers_qt.h"
#include "hv_globals.h"

namespace {

[[noreturn]] void fail(char const* message) {
    throw HvException(message);
}

DzAssetMgr* assetMgrOrThrow() {
    DzAssetMgr* mgr = dzApp ? dzApp->getAssetMgr() : nullptr;
    if (!mgr)
        fail("cannot get Daz Studio asset manager");
    return mgr;
}

DzContentMgr* contentMgrOrThrow() {
    DzContentMgr* mgr = dzApp ? dzApp->getContentMgr() : nullptr;
    if (!mgr)
        fail("cannot get Daz Studio content manager");
    return mgr;
}

QWidget* dialogParent() {
    return dzApp ? dzApp->getDialogParent() : nullptr;
}

}  // namespace

// ---- log and widgets ----

void HvHelpersDaz::Log(std::string const& text) {
    if (!dzApp)
        return;
    std::string const line = std::string(g_pcszLogPrefix) + text;
    dzApp->log(QString::fromUtf8(line.data(), int(line.size())));
}

void HvHelpersDaz::Log(char const* text) {
    Log(std::string(text ? text : ""));
}

DzOptionsBtn* HvHelpersDaz::CreateHamburgerMenu(QWidget& parent, MenuDef const* entries,
                                                unsigned long count) {
    auto* button = new DzOptionsBtn(&parent, QStringLiteral("CcProductsHamburgerButton"));
    button->setText(QString(QChar(0x2261)));
    auto* menu = new QMenu(&parent);
    for (unsigned long i = 0; i < count; ++i) {
        MenuDef const& entry = entries[i];
        if (!entry.text)
            menu->addSeparator();
        else if (entry.member)
            menu->addAction(QString::fromLatin1(entry.text), &parent, entry.member, QKeySequence());
        else
            menu->addAction(QString::fromLatin1(entry.text));
    }
    button->setMenu(menu);
    return button;
}

DzStyledButton* HvHelpersDaz::CreateStyledButton(char const* caption) {
    auto* button = new DzStyledButton(QString::fromLatin1(caption ? caption : ""));
    button->setCustomPrimitive(static_cast<QStyle::PrimitiveElement>(0x0F000012));
    button->setCustomTextStyle(static_cast<DzStyleInterface::TextStyle>(0xF000001Au));
    return button;
}

void HvHelpersDaz::AddDzSliderToHBoxLayout(DzSlider& slider, QHBoxLayout* layout, QLabel* label,
                                           bool clamped) {
    slider.setMinimumSize(200, 30);
    if (clamped)
        slider.setClamped(true);
    slider.setTextVisible(true);
    slider.setLabel(QStringLiteral(" "));
    slider.setShowLabel(true);
    if (label)
        label->setBuddy(&slider);
    if (!layout)
        return;
    layout->addWidget(&slider, 0, Qt::Alignment());
    layout->setStretch(0, 0);
    layout->setStretch(1, 1);
}

// ---- getters ----

DzContentMgr* HvHelpersDaz::GetContentMgrOrThrow() {
    return contentMgrOrThrow();
}

DzAssetMgr* HvHelpersDaz::GetAssetMgrOrThrow() {
    return assetMgrOrThrow();
}

DzMainWindow* HvHelpersDaz::GetMainWindowOrThrow(bool throwIfMissing) {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    if (!window && throwIfMissing)
        fail("cannot get Daz Studio main window");
    return window;
}

DzViewportMgr* HvHelpersDaz::GetViewportMgrOrThrow() {
    DzViewportMgr* mgr = GetMainWindowOrThrow(true)->getViewportMgr();
    if (!mgr)
        fail("cannot get Daz Studio viewport manager");
    return mgr;
}

DzPaneMgr* HvHelpersDaz::GetPaneMgrOrThrow() {
    DzPaneMgr* mgr = GetMainWindowOrThrow(true)->getPaneMgr();
    if (!mgr)
        fail("cannot get Daz Studio pane manager");
    return mgr;
}

DzActionMgr* HvHelpersDaz::GetActionMgrOrThrow(bool throwIfMissing) {
    DzMainWindow* window = GetMainWindowOrThrow(throwIfMissing);
    if (!window)
        return nullptr;
    DzActionMgr* mgr = window->getActionMgr();
    if (!mgr && throwIfMissing)
        fail("cannot get Daz Studio action manager");
    return mgr;
}

Dz3DViewport* HvHelpersDaz::GetActive3dViewportOrThrow() {
    DzViewport* viewport = GetViewportMgrOrThrow()->getActiveViewport();
    Dz3DViewport* view = viewport ? viewport->get3DViewport() : nullptr;
    if (!view)
        fail("cannot find active 3D viewport");
    return view;
}

DzCamera* HvHelpersDaz::GetActiveViewportCameraOrThrow() {
    DzCamera* camera = GetActive3dViewportOrThrow()->getCamera();
    if (!camera)
        fail("cannot find active camera in scene");
    return camera;
}

DzViewport* HvHelpersDaz::SetMainViewportActiveOrThrow() {
    DzViewportMgr* mgr = GetViewportMgrOrThrow();
    DzViewport* viewport = mgr->getViewport(0);
    if (!viewport)
        fail("cannot find viewport 0");
    mgr->setActiveViewport(viewport);
    return viewport;
}

// ---- actions, tools and styles ----

DzAction* HvHelpersDaz::FindActionOrThrow(char const* className, bool throwIfMissing) {
    DzActionMgr* mgr = GetActionMgrOrThrow(throwIfMissing);
    if (!mgr)
        return nullptr;
    char const* name = className ? className : "";
    DzAction* action = mgr->findAction(QString::fromUtf8(name));
    if (!action && throwIfMissing)
        throw HvException(("unable to find action " + HvHelpers::Quote(name)).c_str());
    return action;
}

void HvHelpersDaz::ExecuteActionOrCriticalBox(char const* className) {
    try {
        FindActionOrThrow(className, true)->activate(QAction::Trigger);
    } catch (std::exception const& e) {
        HvHelpersQt::CriticalBox(dialogParent(), "Error: ", e.what(), true);
    }
}

bool HvHelpersDaz::SwitchToolOrThrow(Tool tool) {
    switch (tool) {
        case PickTool: {
            DzViewportMgr* mgr = GetViewportMgrOrThrow();
            DzViewTool* pick = mgr->findTool(QStringLiteral("DzPickTool"));
            if (!pick)
                throw HvException(("cannot find viewport tool " + HvHelpers::Quote("DzPickTool")).c_str());
            return mgr->setActiveTool(pick);
        }
    }
    fail("unknown tool");
}

DzDrawStyle* HvHelpersDaz::FindDrawStyleOrThrow(QString const& name) {
    DzViewportMgr* mgr = GetViewportMgrOrThrow();
    for (int i = 0; i < mgr->getNumUserDrawStyles(); ++i) {
        DzDrawStyle* style = mgr->getUserDrawStyle(i);
        if (style && style->getName() == name)
            return style;
    }
    throw HvException(QString("cannot find view style %1").arg(name));
}

void HvHelpersDaz::SetMainViewportStyle(QString const& styleName, int noticeTime) {
    try {
        DzDrawStyle* style = FindDrawStyleOrThrow(styleName);
        Dz3DViewport* view = SetMainViewportActiveOrThrow()->get3DViewport();
        if (!view)
            fail("cannot find active 3D viewport");
        if (noticeTime != 0) {
            new HvTimedNoticeBox(dialogParent(), "Switching draw style to " + styleName + "...", noticeTime);
            // Paints the notice before the switch blocks the interface.
            QCoreApplication::processEvents();
        }
        view->setDrawStyle(style);
    } catch (std::exception const& e) {
        QMessageBox::critical(dialogParent(), QString::fromUtf8(g_pcszPluginTitle),
                              QString::fromUtf8(e.what()), QMessageBox::Ok, QMessageBox::NoButton);
    }
}

// ---- properties and modifiers ----

DzProperty* HvHelpersDaz::FindProperty(DzObject* object, char const* name) {
    if (!object || !name)
        return nullptr;
    QString const propertyName = QString::fromLatin1(name);
    for (DzModifierIterator it = object->modifierIterator(); it.hasNext();)
        if (DzProperty* property = it.next()->findProperty(propertyName))
            return property;
    return nullptr;
}

DzIntProperty* HvHelpersDaz::FindIntProperty(DzObject* object, char const* name) {
    return qobject_cast<DzIntProperty*>(FindProperty(object, name));
}

DzIntProperty* HvHelpersDaz::FindIntPropertyOrThrow(DzObject* object, char const* name) {
    DzIntProperty* property = FindIntProperty(object, name);
    if (!property)
        throw HvException(
            QString("Failed to find int property \"%1\" under node \"%2\"")
                .arg(QString::fromLatin1(name ? name : ""), object ? object->getName() : QString()));
    return property;
}

DzBoolProperty* HvHelpersDaz::FindBoolProperty(DzObject* object, char const* name) {
    return qobject_cast<DzBoolProperty*>(FindProperty(object, name));
}

DzBoolProperty* HvHelpersDaz::FindBoolPropertyOrThrow(DzObject* object, char const* name) {
    DzBoolProperty* property = FindBoolProperty(object, name);
    if (!property)
        throw HvException(
            QString("Failed to find bool property \"%1\" under node \"%2\"")
                .arg(QString::fromLatin1(name ? name : ""), object ? object->getName() : QString()));
    return property;
}

DzBoolProperty* HvHelpersDaz::FindVisibleInSimulationProperty(DzSkeleton& node) {
    return qobject_cast<DzBoolProperty*>(node.findProperty(QStringLiteral("Visible in Simulation")));
}

DzBoolProperty* HvHelpersDaz::FindEnableSmoothingProperty(DzSkeleton& node) {
    return qobject_cast<DzBoolProperty*>(FindProperty(node.getObject(), "Enable Smoothing"));
}

DzBoolProperty* HvHelpersDaz::FindFreezeSimulationProperty(DzSkeleton& node) {
    return qobject_cast<DzBoolProperty*>(FindProperty(node.getObject(), "Freeze Simulation"));
}

DzModifier* HvHelpersDaz::FindDforceModifier(DzSkeleton& node) {
    DzObject* object = node.getObject();
    if (!object)
        return nullptr;
    for (DzModifierIterator it = object->modifierIterator(); it.hasNext();) {
        DzModifier* modifier = it.next();
        if (modifier->getName() == QLatin1String("dForce Simulation"))
            return modifier;
    }
    return nullptr;
}

// ---- content and assets ----

DzCategory* HvHelpersDaz::FindCategoryOrThrow(QStringList& path) {
    DzCategory* category = assetMgrOrThrow()->getCategories();
    if (!category)
        fail("cannot find top category");
    if (path.isEmpty())
        return nullptr;
    for (QString const& element : path) {
        DzCategory* match = nullptr;
        for (int i = 0; i < category->getNumChildren() && !match; ++i) {
            DzCategory* child = category->getChild(i);
            if (child && child->getName() == element)
                match = child;
        }
        if (!match)
            return nullptr;
        category = match;
    }
    return category;
}

int HvHelpersDaz::FindContentTypeIdOrThrow(QString const& contentType) {
    int const id = assetMgrOrThrow()->findTypeID(contentType, false, false);
    if (id == 0)
        throw HvException("cannot find ID for content type \"" + contentType + "\"");
    return id;
}

int HvHelpersDaz::FindCompatibilityBaseTableOrThrow(std::vector<std::string> const& pathElements, bool flag) {
    DzAssetMgr* mgr = assetMgrOrThrow();
    return mgr->findCompatibilityBaseTable(HvHelpers::ToQString("/" + HvHelpers::Implode("/", pathElements)),
                                           flag);
}

int HvHelpersDaz::FindCompatibilityBaseOrThrow(std::string const& path, bool flag) {
    return assetMgrOrThrow()->findCompatibilityBaseID(HvHelpers::ToQString(path), flag);
}

void HvHelpersDaz::OpenPluginManual(char const* productName) {
    if (!dzApp)
        return;
    QString const name = QString::fromLatin1(productName ? productName : "");
    dzApp->showURL("file:///" + dzApp->getDocumentationPath() + "/Plugins/" + name + "/" + name +
                   " Manual.pdf");
}

// ---- HvPathResolver ----

struct HvPathResolver::Impl {
    QPointer<DzContentMgr> contentMgr;
    std::vector<std::string> contentDirectories;
    std::vector<std::string> cloudFolders;
};

HvPathResolver::HvPathResolver() : m_pImpl(std::make_unique<Impl>()) {
    m_pImpl->contentMgr = contentMgrOrThrow();
    DzContentMgr* mgr = m_pImpl->contentMgr;
    for (int i = 0; i < mgr->getNumContentDirectories(); ++i) {
        std::string directory = HvHelpers::ToStdString(mgr->getContentDirectoryPath(i));
        if (directory.empty() || directory.back() != '/')
            directory += '/';
        if (!QFileInfo::exists(HvHelpers::ToQString(directory)))
            continue;
        m_pImpl->contentDirectories.push_back(directory);
        std::string const cloud = directory + "data/cloud/";
        if (QFileInfo::exists(HvHelpers::ToQString(cloud)))
            m_pImpl->cloudFolders.push_back(cloud);
    }
}

HvPathResolver::~HvPathResolver() = default;

std::string HvPathResolver::resolve(std::string const& /*first*/, std::string const& second) const {
    // A content manager removed since construction resolves nothing.
    if (!m_pImpl->contentMgr)
        return std::string();
    return HvHelpers::ToStdString(
        m_pImpl->contentMgr->getAbsolutePath(HvHelpers::ToQString(second), true, QString()));
}

std::vector<std::string> const& HvPathResolver::getContentDirectories() const {
    return m_pImpl->contentDirectories;
}

std::vector<std::string> const& HvPathResolver::getCloudFolders() const {
    return m_pImpl->cloudFolders;
}
