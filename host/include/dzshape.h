#pragma once

#include <QObject>
#include <memory>

class DzFacetMesh;

// Holds an object's base geometry, which editing never changes.
class DzShape : public QObject {
    Q_OBJECT
public:
    explicit DzShape(DzFacetMesh* geometry = nullptr);
    ~DzShape() override;

    DzFacetMesh* getGeometry() const { return m_geometry.get(); }
    // Takes ownership.
    void setGeometry(DzFacetMesh* geometry);

signals:
    void geometryChanged();

private:
    std::unique_ptr<DzFacetMesh> m_geometry;
};
