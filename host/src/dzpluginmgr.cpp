#include "dzpluginmgr.h"

#include "dzplugin.h"

DzPluginMgr::DzPluginMgr(QObject* parent) : QObject(parent) {}

DzPluginMgr::~DzPluginMgr() = default;

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
