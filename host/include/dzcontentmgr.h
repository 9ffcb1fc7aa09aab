#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The folders the host finds content in, in search order.
class DzContentMgr : public QObject {
    Q_OBJECT
public:
    explicit DzContentMgr(QObject* parent = nullptr);
    ~DzContentMgr() override;

    int getNumContentDirectories() const { return m_contentDirs.size(); }
    // As added: neither checked for existence nor given a trailing '/'; empty for an index out of range.
    QString getContentDirectoryPath(int index) const { return m_contentDirs.value(index); }
    void addContentDirectory(QString const& path);
    bool removeContentDirectory(QString const& path);
    void clearContentDirectories() { m_contentDirs.clear(); }

    // Folders searched after the content directories when asked for.
    void addImportDirectory(QString const& path);
    int getNumImportDirectories() const { return m_importDirs.size(); }

    // The absolute path of the first existing file or folder that the relative path names: under the
    // preferred folder when one is given, then under each content directory, then (with useImportDirs) under
    // each import directory. Empty when none has it.
    QString getAbsolutePath(QString const& relativePath, bool useImportDirs,
                            QString const& preferredPath = QString()) const;

private:
    QStringList m_contentDirs;
    QStringList m_importDirs;
};
