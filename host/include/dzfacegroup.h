#pragma once

#include "dzindexlist.h"

// A named group of a facet mesh's facets.
class DzFaceGroup : public DzIndexList {
    Q_OBJECT
public:
    explicit DzFaceGroup(QString const& name = QString());
    ~DzFaceGroup() override;
};
