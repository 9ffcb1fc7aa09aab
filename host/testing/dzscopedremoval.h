#pragma once

#include <functional>

#include "dzapp.h"
#include "dzmainwindow.h"

namespace dztest {

// Takes a host object away for the scope, so that code runs against a host that lacks it, and gives it back.
template <typename T>
class ScopedRemoval {
public:
    ScopedRemoval(std::function<T*()> const& take, std::function<void(T*)> put)
        : m_put(std::move(put)), m_object(take()) {}
    ~ScopedRemoval() { m_put(m_object); }
    ScopedRemoval(ScopedRemoval const&) = delete;
    ScopedRemoval& operator=(ScopedRemoval const&) = delete;

    T* get() const { return m_object; }

private:
    std::function<void(T*)> m_put;
    T* m_object;
};

inline DzMainWindow* mainWindow() {
    return dzApp->getInterface();
}

inline ScopedRemoval<DzMainWindow> withoutMainWindow() {
    return {[] { return dzApp->takeInterface(); }, [](DzMainWindow* w) { dzApp->setInterface(w); }};
}
inline ScopedRemoval<DzContentMgr> withoutContentMgr() {
    return {[] { return dzApp->takeContentMgr(); }, [](DzContentMgr* m) { dzApp->setContentMgr(m); }};
}
inline ScopedRemoval<DzAssetMgr> withoutAssetMgr() {
    return {[] { return dzApp->takeAssetMgr(); }, [](DzAssetMgr* m) { dzApp->setAssetMgr(m); }};
}
inline ScopedRemoval<DzPluginMgr> withoutPluginMgr() {
    return {[] { return dzApp->takePluginMgr(); }, [](DzPluginMgr* m) { dzApp->setPluginMgr(m); }};
}
inline ScopedRemoval<DzViewportMgr> withoutViewportMgr() {
    return {[] { return mainWindow()->takeViewportMgr(); },
            [](DzViewportMgr* m) { mainWindow()->setViewportMgr(m); }};
}
inline ScopedRemoval<DzPaneMgr> withoutPaneMgr() {
    return {[] { return mainWindow()->takePaneMgr(); }, [](DzPaneMgr* m) { mainWindow()->setPaneMgr(m); }};
}
inline ScopedRemoval<DzActionMgr> withoutActionMgr() {
    return {[] { return mainWindow()->takeActionMgr(); },
            [](DzActionMgr* m) { mainWindow()->setActionMgr(m); }};
}

}  // namespace dztest
