#pragma once

#include <QString>

// Where an asset lives, in the host's text form, such as "/data/figure/morphs/smile.dsf#smile".
class DzUri {
public:
    DzUri() = default;
    explicit DzUri(QString const& text) : m_text(text) {}

    QString toString() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    bool operator==(DzUri const& o) const { return m_text == o.m_text; }

private:
    QString m_text;
};
