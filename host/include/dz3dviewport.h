#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "dzdrawstyle.h"

class DzCamera;

// The 3D view inside a viewport: the camera it looks through and the style it draws with.
class Dz3DViewport : public QWidget {
    Q_OBJECT
public:
    explicit Dz3DViewport(QWidget* parent = nullptr);
    ~Dz3DViewport() override;

    // The camera the view looks through; null when it has none. A view starts with a default camera of its
    // own; another camera is not owned, and a deleted one leaves the view without a camera.
    DzCamera* getCamera() const;
    void setCamera(DzCamera* camera);
    DzCamera* getDefaultCamera() const;

    // Not owned (the viewport manager keeps the styles); a deleted style leaves the view without one.
    DzDrawStyle* getDrawStyle() const { return m_drawStyle.data(); }
    void setDrawStyle(DzDrawStyle* style);

signals:
    // The view (camera or style) changed.
    void viewChanged();

private:
    std::unique_ptr<DzCamera> m_defaultCamera;
    QPointer<QObject> m_camera;
    QPointer<DzDrawStyle> m_drawStyle;
};
