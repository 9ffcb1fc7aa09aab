#pragma once

#include <QObject>

// The host's dockable panes. Nothing in the plug-in asks more of it than that it exists.
class DzPaneMgr : public QObject {
    Q_OBJECT
public:
    explicit DzPaneMgr(QObject* parent = nullptr);
    ~DzPaneMgr() override;
};
