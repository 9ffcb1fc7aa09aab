#pragma once

#include <QList>
#include <QObject>
#include <QString>

class DzPlugin;

// The loaded plug-ins. The definitions belong to the plug-ins' libraries.
class DzPluginMgr : public QObject {
    Q_OBJECT
public:
    explicit DzPluginMgr(QObject* parent = nullptr);
    ~DzPluginMgr() override;

    void addPlugin(DzPlugin* plugin);
    bool removePlugin(DzPlugin* plugin);
    // By the definition's exact name; null when no such plug-in is loaded.
    DzPlugin* findPlugin(QString const& name) const;
    int getNumPlugins() const { return m_plugins.size(); }
    DzPlugin* getPlugin(int index) const { return m_plugins.value(index); }

private:
    QList<DzPlugin*> m_plugins;
};
