#pragma once

#include "dzuri.h"

// Data that can be stored as an asset of its own and knows where.
class DzStorable {
public:
    DzStorable() = default;
    virtual ~DzStorable() = default;

    DzUri getUri() const { return m_uri; }
    void setUri(DzUri const& uri) { m_uri = uri; }

private:
    DzUri m_uri;
};
