#pragma once

#include <QList>
#include <memory>

#include "dzelement.h"

class DzFacetMesh;
class DzModifier;
class DzNode;
class DzShape;
class DzVertexMesh;

// Java-style walk over a list, in list order.
template <typename T>
class DzListIterator {
public:
    explicit DzListIterator(QList<T*> list) : m_list(std::move(list)) {}
    bool hasNext() const { return m_pos < m_list.size(); }
    T* next() { return m_list.at(m_pos++); }

private:
    QList<T*> m_list;
    int m_pos = 0;
};
using DzModifierIterator = DzListIterator<DzModifier>;

// The geometry of a node: a base shape and a modifier stack, evaluated lazily into the cached geometry.
class DzObject : public DzElement {
    Q_OBJECT
public:
    DzObject();
    ~DzObject() override;

    DzNode* getNode() const { return m_node; }

    DzShape* getCurrentShape() const { return m_shape.get(); }
    // Takes ownership.
    void setCurrentShape(DzShape* shape);

    DzModifierIterator modifierIterator() const { return DzModifierIterator(m_modifiers); }
    int getNumModifiers() const { return m_modifiers.size(); }
    DzModifier* getModifier(int index) const { return m_modifiers.value(index); }
    // By object name, whatever the class; null when none.
    DzModifier* findModifier(QString const& name) const;
    // Takes ownership; index -1 (or past the end) appends.
    void addModifier(DzModifier* modifier, int index = -1);
    // Gives ownership back to the caller; false when the modifier is not in the list.
    bool removeModifier(DzModifier* modifier);

    // The geometry the host displays: the base shape with every modifier applied in list order. Rebuilt on
    // first access after a change, never inside a modifier's own call.
    DzVertexMesh* getCachedGeom();
    bool isCacheValid() const { return m_cache && !m_dirty; }
    int getEvaluationCount() const { return m_evaluations; }

public slots:
    void invalidateCache();

signals:
    void cachedGeomInvalidated();
    // Emitted once the list holds the modifier, or no longer holds it (still alive, the caller's again).
    void modifierAdded(DzModifier* modifier);
    void modifierRemoved(DzModifier* modifier);

private:
    friend class DzNode;
    void evaluate();

    DzNode* m_node = nullptr;
    std::unique_ptr<DzShape> m_shape;
    QList<DzModifier*> m_modifiers;
    std::unique_ptr<DzFacetMesh> m_cache;
    bool m_dirty = true;
    int m_evaluations = 0;
};
