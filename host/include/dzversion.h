#pragma once

#include <QString>

// A version of four numbers: major, minor, revision, build.
class DzVersion {
public:
    constexpr DzVersion() = default;
    constexpr DzVersion(int major, int minor, int revision, int build)
        : m_major(major), m_minor(minor), m_revision(revision), m_build(build) {}

    constexpr int getMajor() const { return m_major; }
    constexpr int getMinor() const { return m_minor; }
    constexpr int getRevision() const { return m_revision; }
    constexpr int getBuild() const { return m_build; }

    // "4.5.0.100"
    QString toString() const {
        return QStringLiteral("%1.%2.%3.%4").arg(m_major).arg(m_minor).arg(m_revision).arg(m_build);
    }

    constexpr bool operator==(DzVersion const& o) const {
        return m_major == o.m_major && m_minor == o.m_minor && m_revision == o.m_revision &&
               m_build == o.m_build;
    }
    constexpr bool operator!=(DzVersion const& o) const { return !(*this == o); }

private:
    int m_major = 0;
    int m_minor = 0;
    int m_revision = 0;
    int m_build = 0;
};
