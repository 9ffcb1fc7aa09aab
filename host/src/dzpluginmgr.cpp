#include "dzpluginmgr.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include "dzaction.h"
#include "dzactionmgr.h"
#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzextramodifierio.h"
#include "dzmainwindow.h"
#include "dzplugin.h"
#include "dzviewportmgr.h"
#include "dzviewtool.h"

namespace {

using SDKVersionFunction = DzVersion (*)();
using DefinitionFunction = DzPlugin* (*)();

QString quoted(QString const& text) {
    return QStringLiteral("\"%1\"").arg(text);
}

bool derivesFrom(QMetaObject const* meta, QMetaObject const& base) {
    for (; meta; meta = meta->superClass())
        if (meta == &base)
            return true;
    return false;
}

// The exports by their plain names (extern "C"), else by their C++ names.
QFunctionPointer resolve(QLibrary& library, char const* plain, char const* mangled) {
    QFunctionPointer f = library.resolve(plain);
    return f ? f : library.resolve(mangled);
}

QString versionRefusal(DzVersion const& sdk) {
    DzVersion const host = DzPluginMgr::getSDKVersion();
    return QStringLiteral(
               "it is built for SDK version %1; this host (SDK %2) hosts plug-ins built for %3.0 to %3.%4")
        .arg(sdk.toString(), host.toString())
        .arg(host.getMajor())
        .arg(host.getMinor());
}

}  // namespace

DzPluginMgr::DzPluginMgr(QObject* parent) : QObject(parent) {
    qRegisterMetaType<DzPlugin*>();
}

// Libraries stay loaded: objects their factories made may outlive the manager.
DzPluginMgr::~DzPluginMgr() {
    qDeleteAll(m_libraries);
}

DzVersion DzPluginMgr::getSDKVersion() {
    return DzVersion(4, 5, 0, 100);
}

bool DzPluginMgr::canHostSDKVersion(DzVersion const& version) {
    DzVersion const host = getSDKVersion();
    return version.getMajor() == host.getMajor() && version.getMinor() >= 0 &&
           version.getMinor() <= host.getMinor();
}

bool DzPluginMgr::refuse(QString const& origin, QString const& reason, QString* error) {
    QString const message = QStringLiteral("cannot load plug-in %1: %2").arg(quoted(origin), reason);
    m_loadErrors << message;
    if (dzApp)
        dzApp->log(message);
    if (error)
        *error = message;
    return false;
}

bool DzPluginMgr::loadPlugin(QString const& path, QString* error) {
    QFileInfo const info(path);
    if (!info.exists())
        return refuse(path, QStringLiteral("there is no such file"), error);
    if (!info.isFile())
        return refuse(path, QStringLiteral("it is not a file"), error);
    auto* library = new QLibrary(info.absoluteFilePath());
    QList<DzPlugin*> const before = DzPlugin::GetDefinitions();
    // A library may stay in the process after unload(); what it defined must not serve the host.
    auto drop = [&] {
        for (DzPlugin* defined : DzPlugin::GetDefinitions())
            if (!before.contains(defined))
                defined->setDisabled(true);
        library->unload();
        delete library;
    };
    auto fail = [&](QString const& reason) {
        drop();
        return refuse(path, reason, error);
    };
    if (!library->load()) {
        QString const reason =
            QStringLiteral("it is not a library that can be loaded (%1)").arg(library->errorString());
        delete library;
        return refuse(path, reason, error);
    }
    auto version =
        reinterpret_cast<SDKVersionFunction>(resolve(*library, "getSDKVersion", "_Z13getSDKVersionv"));
    auto definition = reinterpret_cast<DefinitionFunction>(
        resolve(*library, "getPluginDefinition", "_Z19getPluginDefinitionv"));
    if (!version || !definition) {
        QStringList missing;
        if (!version)
            missing << QStringLiteral("getSDKVersion");
        if (!definition)
            missing << QStringLiteral("getPluginDefinition");
        return fail(QStringLiteral("it does not export %1").arg(missing.join(QStringLiteral(" and "))));
    }
    // The version is asked first: the definition of a library built for another SDK is not touched.
    DzVersion const sdk = version();
    if (!canHostSDKVersion(sdk))
        return fail(versionRefusal(sdk));
    DzPlugin* plugin = definition();
    if (!plugin)
        return fail(QStringLiteral("getPluginDefinition() returned no definition"));
    if (!addDefinition(plugin, sdk, path, error)) {
        if (!m_plugins.contains(plugin))
            drop();
        return false;
    }
    m_paths.insert(plugin, info.absoluteFilePath());
    m_libraries << library;
    return true;
}

int DzPluginMgr::loadPluginsFrom(QString const& folder) {
    QDir const dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        refuse(folder, QStringLiteral("the plug-in folder does not exist"), nullptr);
        return 0;
    }
    int loaded = 0;
    for (QFileInfo const& info : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (QLibrary::isLibrary(info.fileName()) && loadPlugin(info.absoluteFilePath()))
            ++loaded;
    return loaded;
}

bool DzPluginMgr::addDefinition(DzPlugin* plugin, DzVersion const& sdkVersion, QString const& origin,
                                QString* error) {
    if (!plugin)
        return refuse(origin, QStringLiteral("there is no definition"), error);
    if (!canHostSDKVersion(sdkVersion))
        return refuse(origin, versionRefusal(sdkVersion), error);
    if (m_plugins.contains(plugin))
        return refuse(origin, QStringLiteral("it is loaded already"), error);
    if (findPlugin(plugin->getName()))
        return refuse(origin,
                      QStringLiteral("a plug-in named %1 is loaded already").arg(quoted(plugin->getName())),
                      error);
    // Every class is checked before anything is registered, so a refused plug-in leaves nothing behind.
    QList<DzClassFactory*> const& factories = plugin->getClassFactories();
    for (int i = 0; i < factories.size(); ++i) {
        DzClassFactory* factory = factories[i];
        if (!factory || !factory->getMetaObject())
            return refuse(origin, QStringLiteral("its class factory %1 has no class").arg(i + 1), error);
        QString const name = factory->getClassName();
        if (factory->getClassID().isNull())
            return refuse(origin, QStringLiteral("the class %1 has no identifier").arg(name), error);
        for (int j = 0; j < i; ++j) {
            if (factories[j]->getClassName() == name)
                return refuse(origin, QStringLiteral("it has two factories of the class %1").arg(name),
                              error);
            if (factories[j]->getClassID() == factory->getClassID())
                return refuse(
                    origin,
                    QStringLiteral("the classes %1 and %2 have the same identifier %3")
                        .arg(factories[j]->getClassName(), name, factory->getClassID().toQUuid().toString()),
                    error);
        }
        if (findClassFactory(name))
            return refuse(origin, QStringLiteral("another plug-in has a class named %1").arg(name), error);
        if (DzClassFactory* other = findClassFactory(factory->getClassID()))
            return refuse(origin,
                          QStringLiteral("the identifier %1 of the class %2 is taken by the class %3")
                              .arg(factory->getClassID().toQUuid().toString(), name, other->getClassName()),
                          error);
    }
    for (DzIOClassRegistration const& io : plugin->getIOClassRegistrations()) {
        bool made = false;
        for (DzClassFactory* factory : factories) made = made || factory->getMetaObject() == io.ioClass;
        if (!made)
            return refuse(origin,
                          QStringLiteral("no class factory of it makes the IO class %1 of the type %2")
                              .arg(QString::fromLatin1(io.ioClass->className()), io.type),
                          error);
        if (!derivesFrom(io.ioClass, DzExtraModifierIO::staticMetaObject))
            return refuse(origin,
                          QStringLiteral("the IO class %1 is not a scene-file IO class")
                              .arg(QString::fromLatin1(io.ioClass->className())),
                          error);
    }
    m_plugins << plugin;
    m_factories << factories;
    createObjects(plugin);
    if (dzApp)
        dzApp->log(QStringLiteral("plug-in %1 %2 loaded from %3")
                       .arg(quoted(plugin->getName()), plugin->getVersion().toString(), quoted(origin)));
    emit pluginLoaded(plugin);
    return true;
}

// The tools first, so that the tool actions find them; then the actions, each placed where it asks to be.
// Other classes (modifiers, IO classes) are made when a scene needs them.
void DzPluginMgr::createObjects(DzPlugin* plugin) {
    DzMainWindow* window = dzApp ? dzApp->getInterface() : nullptr;
    DzViewportMgr* viewports = window ? window->getViewportMgr() : nullptr;
    DzActionMgr* actions = window ? window->getActionMgr() : nullptr;
    auto log = [](QString const& text) {
        if (dzApp)
            dzApp->log(text);
    };
    for (DzClassFactory* factory : plugin->getClassFactories()) {
        if (!derivesFrom(factory->getMetaObject(), DzViewTool::staticMetaObject) || !viewports)
            continue;
        QObject* object = factory->createInstance();
        if (auto* tool = qobject_cast<DzViewTool*>(object))
            viewports->addTool(tool);
        else
            delete object;
    }
    for (DzClassFactory* factory : plugin->getClassFactories()) {
        if (!derivesFrom(factory->getMetaObject(), DzAction::staticMetaObject) || !actions)
            continue;
        QObject* object = factory->createInstance();
        auto* action = qobject_cast<DzAction*>(object);
        if (!action) {
            delete object;
            continue;
        }
        if (!actions->addAction(action)) {
            log(QStringLiteral(
                    "plug-in %1: an action of the class %2 exists already; the plug-in's is not used")
                    .arg(quoted(plugin->getName()), factory->getClassName()));
            delete action;
            continue;
        }
        if (window)
            window->placeAction(action);
    }
}

void DzPluginMgr::addPlugin(DzPlugin* plugin) {
    if (plugin && !m_plugins.contains(plugin))
        m_plugins.append(plugin);
}

bool DzPluginMgr::removePlugin(DzPlugin* plugin) {
    return m_plugins.removeOne(plugin);
}

DzPlugin* DzPluginMgr::findPlugin(QString const& name) const {
    for (DzPlugin* plugin : m_plugins)
        if (plugin->getName() == name)
            return plugin;
    return nullptr;
}

DzClassFactory* DzPluginMgr::findClassFactory(QString const& className) const {
    for (DzClassFactory* factory : m_factories)
        if (factory->getClassName() == className)
            return factory;
    return nullptr;
}

DzClassFactory* DzPluginMgr::findClassFactory(DzGuid const& classId) const {
    for (DzClassFactory* factory : m_factories)
        if (factory->getClassID() == classId)
            return factory;
    return nullptr;
}

QObject* DzPluginMgr::createInstance(QString const& className) const {
    DzClassFactory* factory = findClassFactory(className);
    return factory ? factory->createInstance() : nullptr;
}
