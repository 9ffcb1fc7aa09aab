#pragma once

#include <QWidget>

class Dz3DViewport;

// One viewport pane of the main window; shows a 3D view.
class DzViewport : public QWidget {
    Q_OBJECT
public:
    explicit DzViewport(QWidget* parent = nullptr);
    ~DzViewport() override;

    // Null when the viewport has no 3D view.
    Dz3DViewport* get3DViewport() const { return m_view; }
    // Takes ownership; the old view is deleted.
    void set3DViewport(Dz3DViewport* view);
    // Gives ownership of the view to the caller and leaves the viewport without one.
    Dz3DViewport* take3DViewport();

private:
    Dz3DViewport* m_view = nullptr;
};
