// The application level of DzApp: managers, main window, styles, documentation and URLs.
#include <QApplication>
#include <QDir>
#include <QPalette>

#include "dzapp.h"
#include "dzassetmgr.h"
#include "dzcontentmgr.h"
#include "dzmainwindow.h"
#include "dzpluginmgr.h"
#include "dzstyle.h"

#include <cstdlib>

namespace {

QPalette makePalette(QColor window, QColor text, QColor highlight, QColor light) {
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Base, window.darker(120));
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(QPalette::Light, light);
    return p;
}

template <typename T>
void replaceOwned(T*& slot, T* value) {
    if (slot == value)
        return;
    T* old = slot;
    slot = value;
    delete old;
}

template <typename T>
T* takeOwned(T*& slot) {
    T* taken = slot;
    slot = nullptr;
    if (taken)
        taken->setParent(nullptr);
    return taken;
}

}  // namespace

void DzApp::createApplicationLevel() {
    m_contentMgr = new DzContentMgr;
    m_assetMgr = new DzAssetMgr;
    m_pluginMgr = new DzPluginMgr;
    // Three styles; two of them carry the names that tint icons differently.
    m_styles.append(new DzStyle(
        QStringLiteral("Standard"),
        makePalette(QColor(60, 60, 60), QColor(220, 220, 220), QColor(70, 110, 170), QColor(110, 110, 110)),
        this));
    m_styles.append(new DzStyle(
        QStringLiteral("Highway"),
        makePalette(QColor(40, 44, 52), QColor(230, 230, 230), QColor(200, 120, 40), QColor(90, 96, 110)),
        this));
    m_styles.append(new DzStyle(
        QStringLiteral("Main Street"),
        makePalette(QColor(225, 225, 225), QColor(20, 20, 20), QColor(40, 120, 200), QColor(250, 250, 250)),
        this));
    m_style = m_styles.first();
    // Widgets need a GUI application; without one the host runs without its window.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        m_mainWindow = new DzMainWindow;
}

void DzApp::destroyApplicationLevel() {
    delete m_mainWindow;
    m_mainWindow = nullptr;
    delete m_pluginMgr;
    m_pluginMgr = nullptr;
    delete m_assetMgr;
    m_assetMgr = nullptr;
    delete m_contentMgr;
    m_contentMgr = nullptr;
}

DzMainWindow* DzApp::takeInterface() {
    return takeOwned(m_mainWindow);
}
void DzApp::setInterface(DzMainWindow* mainWindow) {
    replaceOwned(m_mainWindow, mainWindow);
}
DzContentMgr* DzApp::takeContentMgr() {
    return takeOwned(m_contentMgr);
}
void DzApp::setContentMgr(DzContentMgr* mgr) {
    replaceOwned(m_contentMgr, mgr);
}
DzAssetMgr* DzApp::takeAssetMgr() {
    return takeOwned(m_assetMgr);
}
void DzApp::setAssetMgr(DzAssetMgr* mgr) {
    replaceOwned(m_assetMgr, mgr);
}
DzPluginMgr* DzApp::takePluginMgr() {
    return takeOwned(m_pluginMgr);
}
void DzApp::setPluginMgr(DzPluginMgr* mgr) {
    replaceOwned(m_pluginMgr, mgr);
}

QWidget* DzApp::getDialogParent() const {
    return m_mainWindow;
}

QString DzApp::getDocumentationPath() const {
    if (!m_documentationPath.isEmpty())
        return m_documentationPath;
    if (char const* env = std::getenv("HV_HOST_DOC_PATH"); env && *env)
        return QString::fromLocal8Bit(env);
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("doc"));
}

void DzApp::showURL(QString const& url) {
    m_shownURLs.append(url);
    emit urlShown(url);
}

DzStyle* DzApp::findStyle(QString const& definition) const {
    for (DzStyle* s : m_styles)
        if (s->getStyleDefinition() == definition)
            return s;
    return nullptr;
}

bool DzApp::setStyle(DzStyle* style) {
    if (!style || style == m_style || !m_styles.contains(style))
        return false;
    m_style = style;
    emit styleChanged(style);
    return true;
}

void DzApp::emitStarting() {
    if (m_started)
        return;
    m_started = true;
    emit starting();
}
