#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include "dzguid.h"
#include "dzversion.h"

class DzAction;
class DzClassFactory;
class DzPlugin;
class QLibrary;

// The loaded plug-ins. A plug-in library exports getSDKVersion() and getPluginDefinition(); the manager loads
// it, checks that it can host the SDK version the library was built against, registers the definition's
// class factories by class name and identifier, and makes the library's viewport tools and actions through
// them. The definitions belong to the plug-ins' libraries; a library that was accepted stays loaded.
class DzPluginMgr : public QObject {
    Q_OBJECT
public:
    explicit DzPluginMgr(QObject* parent = nullptr);
    ~DzPluginMgr() override;

    // The SDK version of this host.
    static DzVersion getSDKVersion();
    // Same major version, and a minor version not newer than the host's; revision and build do not count.
    static bool canHostSDKVersion(DzVersion const& version);

    // Loads one library. False when it is refused, with the reason in error ("cannot load plug-in "FILE":
    // ..."), which is also logged; nothing of a refused library stays registered, and it is unloaded.
    bool loadPlugin(QString const& path, QString* error = nullptr);
    // Loads every shared library of the folder, in name order. The number loaded; the messages of those
    // refused (and of a missing folder) are logged and kept in getLoadErrors().
    int loadPluginsFrom(QString const& folder);
    QStringList const& getLoadErrors() const { return m_loadErrors; }

    // Registers a definition that is already in the process (from a loaded library, or linked into the
    // program) as loadPlugin() does after the library's exports were called. origin names it in messages.
    bool addDefinition(DzPlugin* plugin, DzVersion const& sdkVersion, QString const& origin,
                       QString* error = nullptr);

    void addPlugin(DzPlugin* plugin);
    bool removePlugin(DzPlugin* plugin);
    // By the definition's exact name; null when no such plug-in is loaded.
    DzPlugin* findPlugin(QString const& name) const;
    int getNumPlugins() const { return m_plugins.size(); }
    DzPlugin* getPlugin(int index) const { return m_plugins.value(index); }
    // The file a loaded plug-in came from; empty for a definition added otherwise.
    QString getPluginPath(DzPlugin const* plugin) const { return m_paths.value(plugin); }

    // The registered factories, by exact class name or by identifier; null when none.
    DzClassFactory* findClassFactory(QString const& className) const;
    DzClassFactory* findClassFactory(DzGuid const& classId) const;
    // A new object of the class through its factory, owned by the caller; null when no factory makes it.
    QObject* createInstance(QString const& className) const;

signals:
    void pluginLoaded(DzPlugin* plugin);

private:
    bool refuse(QString const& origin, QString const& reason, QString* error);
    void createObjects(DzPlugin* plugin);

    QList<DzPlugin*> m_plugins;
    QMap<DzPlugin const*, QString> m_paths;
    QList<DzClassFactory*> m_factories;
    QStringList m_loadErrors;
    QList<QLibrary*> m_libraries;
};
