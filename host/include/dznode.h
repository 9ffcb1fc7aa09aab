#pragma once

#include <memory>

#include "dzelement.h"

class DzObject;

// A scene node; owns its object.
class DzNode : public DzElement {
    Q_OBJECT
public:
    DzNode();
    ~DzNode() override;

    DzObject* getObject() const { return m_object.get(); }
    // Takes ownership; the old object is deleted.
    void setObject(DzObject* object);

private:
    std::unique_ptr<DzObject> m_object;
};
