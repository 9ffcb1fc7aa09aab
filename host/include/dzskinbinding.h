#pragma once

#include "dzbindingbase.h"

// The figure's skin binding: the mesh is posed after the modifiers that come before it.
class DzSkinBinding : public DzBindingBase {
    Q_OBJECT
public:
    explicit DzSkinBinding(QObject* parent = nullptr) : DzBindingBase(parent) { setName("SkinBinding"); }
};
