#pragma once

#include <QString>
#include <QUuid>

// A class identifier in its text form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", either case.
class DzGuid {
public:
    DzGuid() = default;
    explicit DzGuid(QUuid const& uuid) : m_uuid(uuid) {}

    // Text that is no identifier gives the null identifier.
    static DzGuid fromString(QString const& text) { return DzGuid(QUuid(text)); }
    static DzGuid fromCString(char const* text) { return fromString(QString::fromLatin1(text)); }

    QUuid toQUuid() const { return m_uuid; }
    bool isNull() const { return m_uuid.isNull(); }
    bool operator==(DzGuid const& o) const { return m_uuid == o.m_uuid; }

private:
    QUuid m_uuid;
};
