#include "dzcontentmgr.h"

#include <QDir>
#include <QFileInfo>

DzContentMgr::DzContentMgr(QObject* parent) : QObject(parent) {}

DzContentMgr::~DzContentMgr() = default;

void DzContentMgr::addContentDirectory(QString const& path) {
    if (!m_contentDirs.contains(path))
        m_contentDirs.append(path);
}

bool DzContentMgr::removeContentDirectory(QString const& path) {
    return m_contentDirs.removeOne(path);
}

void DzContentMgr::addImportDirectory(QString const& path) {
    if (!m_importDirs.contains(path))
        m_importDirs.append(path);
}

QString DzContentMgr::getAbsolutePath(QString const& relativePath, bool useImportDirs,
                                      QString const& preferredPath) const {
    QString relative = relativePath;
    while (relative.startsWith(QLatin1Char('/'))) relative.remove(0, 1);
    QStringList folders;
    if (!preferredPath.isEmpty())
        folders.append(preferredPath);
    folders += m_contentDirs;
    if (useImportDirs)
        folders += m_importDirs;
    for (QString const& folder : folders) {
        QFileInfo info(QDir(folder), relative);
        if (info.exists())
            return info.absoluteFilePath();
    }
    return QString();
}
