#include <QMetaObject>

#include "dzassetjsonitem.h"
#include "dzclassfactory.h"
#include "dzextramodifierio.h"
#include "dzplugin.h"

// ---- DzAssetJsonItem: the host's handling of what a handler does not take ----

DzAssetJsonItem* DzAssetJsonItem::startMemberObject(QString const&) {
    return nullptr;
}
DzAssetJsonItem* DzAssetJsonItem::startMemberArray(QString const&) {
    return nullptr;
}
bool DzAssetJsonItem::addMember(QString const&, double) {
    return true;
}
bool DzAssetJsonItem::addStringMember(QString const&, QString const&) {
    return true;
}
bool DzAssetJsonItem::addBoolMember(QString const&, bool) {
    return true;
}
bool DzAssetJsonItem::addNullMember(QString const&) {
    return true;
}
DzAssetJsonItem* DzAssetJsonItem::startObject() {
    return nullptr;
}
DzAssetJsonItem* DzAssetJsonItem::startArray() {
    return nullptr;
}
bool DzAssetJsonItem::addItem(double) {
    return true;
}
bool DzAssetJsonItem::addStringItem(QString const&) {
    return true;
}
bool DzAssetJsonItem::addBoolItem(bool) {
    return true;
}
bool DzAssetJsonItem::addNullItem() {
    return true;
}
bool DzAssetJsonItem::finish() {
    return true;
}

// ---- DzExtraModifierIO defaults ----

int DzExtraModifierIO::writeExtraInstance(QObject*, IDzJsonIO*, DzFileIOSettings const*) const {
    return 0;
}
DzAssetJsonItem* DzExtraModifierIO::startInstanceRead(DzAssetJsonItem*) {
    return nullptr;
}
int DzExtraModifierIO::applyInstanceToObject(QObject*, DzFileIOSettings const*) const {
    return 0;
}
int DzExtraModifierIO::resolveInstance(QObject*, DzFileIOSettings const*) const {
    return 0;
}
int DzExtraModifierIO::finalizeInstance(QObject*, DzFileIOSettings const*) const {
    return 0;
}
bool DzExtraModifierIO::shouldWrite(QObject*, DzFileIOSettings const*) const {
    return true;
}
void DzExtraModifierIO::getOwnedAssets(QObject*, QList<DzSceneAsset*>&) const {}

// ---- DzPlugin ----

namespace {
// Built on first use: plug-in definitions register during static initialisation of their libraries.
QList<DzPlugin*>& livePlugins() {
    static QList<DzPlugin*> s_plugins;
    return s_plugins;
}
}  // namespace

DzPlugin::DzPlugin(QString const& name, QString const& author, QString const& description,
                   DzVersion const& version)
    : m_name(name), m_author(author), m_description(description), m_version(version) {
    livePlugins().append(this);
}

QList<DzPlugin*> DzPlugin::GetDefinitions() {
    return livePlugins();
}

DzPlugin::~DzPlugin() {
    livePlugins().removeOne(this);
}

void DzPlugin::addClassFactory(DzClassFactory* factory) {
    if (factory && !m_factories.contains(factory))
        m_factories.append(factory);
}

void DzPlugin::addIOClassRegistration(QString const& type, QMetaObject const* ioClass,
                                      QMetaObject const* objectClass) {
    if (type.isEmpty() || !ioClass || !objectClass)
        return;
    m_ioClasses.append(DzIOClassRegistration{type, ioClass, objectClass});
}

DzClassFactory* DzPlugin::FindClassFactory(QString const& className) {
    for (DzPlugin* plugin : livePlugins())
        for (DzClassFactory* f : plugin->m_factories)
            if (!plugin->m_disabled && f->getClassName() == className)
                return f;
    return nullptr;
}

DzIOClassRegistration const* DzPlugin::FindIOClassForObject(QMetaObject const* objectClass) {
    // The exact class first, then each base in turn.
    for (QMetaObject const* meta = objectClass; meta; meta = meta->superClass())
        for (DzPlugin* plugin : livePlugins())
            for (DzIOClassRegistration const& r : plugin->m_ioClasses)
                if (r.objectClass == meta && !plugin->m_disabled)
                    return &r;
    return nullptr;
}

DzIOClassRegistration const* DzPlugin::FindIOClassForType(QString const& type) {
    for (DzPlugin* plugin : livePlugins())
        for (DzIOClassRegistration const& r : plugin->m_ioClasses)
            if (r.type == type && !plugin->m_disabled)
                return &r;
    return nullptr;
}

DzExtraModifierIO* DzPlugin::CreateIOObject(DzIOClassRegistration const& registration) {
    DzClassFactory* factory = FindClassFactory(QString::fromLatin1(registration.ioClass->className()));
    if (!factory)
        return nullptr;
    QObject* object = factory->createInstance();
    auto* io = qobject_cast<DzExtraModifierIO*>(object);
    if (!io)
        delete object;
    return io;
}
