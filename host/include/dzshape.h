#pragma once

#include <QObject>
#include <memory>

class DzFacetMesh;
class DzSubdivision;

// Holds an object's base geometry, which editing never changes.
class DzShape : public QObject {
    Q_OBJECT
public:
    explicit DzShape(DzFacetMesh* geometry = nullptr);
    ~DzShape() override;

    DzFacetMesh* getGeometry() const { return m_geometry.get(); }
    // Takes ownership.
    void setGeometry(DzFacetMesh* geometry);

    // Catmull-Clark levels the object's evaluated geometry is refined by; 0 shows the cage itself. Each level
    // quadruples the facets, so levels are clamped to 0..MaxSubdivisionLevel.
    static constexpr int MaxSubdivisionLevel = 4;
    int getSubdivisionLevel() const { return m_subdivisionLevel; }
    void setSubdivisionLevel(int level);
    // The last step of the object's evaluation: replaces the evaluated cage by its refinement when the level
    // is above 0. The refinement of a cage topology is built once and reused while only positions change.
    void applySubdivision(DzFacetMesh& cage);
    // How often a refinement was built from a new cage topology or level.
    int getSubdivisionBuildCount() const { return m_subdivisionBuilds; }

signals:
    void geometryChanged();

private:
    std::unique_ptr<DzFacetMesh> m_geometry;
    int m_subdivisionLevel = 0;
    int m_subdivisionBuilds = 0;
    // shared_ptr: its deleter is bound where the refinement is made, so this header needs no OpenSubdiv.
    std::shared_ptr<DzSubdivision> m_subdivision;
};
