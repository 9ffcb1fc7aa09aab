#pragma once

#include "dzbindingbase.h"

// The older binding kind; not a skin binding.
class DzLegacyBinding : public DzBindingBase {
    Q_OBJECT
public:
    explicit DzLegacyBinding(QObject* parent = nullptr) : DzBindingBase(parent) { setName("LegacyBinding"); }
};
