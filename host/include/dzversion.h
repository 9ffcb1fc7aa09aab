#pragma once

#include <QString>

// A four-part version: major, minor, revision, build.
class DzVersion {
public:
    DzVersion() = default;
    DzVersion(int major, int minor, int revision, int build)
        : m_major(major), m_minor(minor), m_revision(revision), m_build(build) {}

    int getMajor() const { return m_major; }
    int getMinor() const { return m_minor; }
    int getRevision() const { return m_revision; }
    int getBuild() const { return m_build; }
    // "major.minor.revision.build".
    QString toString() const {
        return QStringLiteral("%1.%2.%3.%4").arg(m_major).arg(m_minor).arg(m_revision).arg(m_build);
    }
    bool operator==(DzVersion const& o) const {
        return m_major == o.m_major && m_minor == o.m_minor && m_revision == o.m_revision &&
               m_build == o.m_build;
    }
    bool operator!=(DzVersion const& o) const { return !(*this == o); }

private:
    int m_major = 0;
    int m_minor = 0;
    int m_revision = 0;
    int m_build = 0;
};
