// Scene files: the stand-in host's own JSON format, written as a stream through IDzJsonIO and read as a
// stream (nlohmann::json's SAX interface) into a tree of DzAssetJsonItem handlers, the host's and the
// registered IO classes'.
//
// The format is described in dzscenefile_p.h. This file holds DzScene's file functions; the writer, the
// streaming parse and the handlers have a file each.

#include "dzscenefile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "dzapp.h"
#include "dzassetfile.h"
#include "dzassetjsonitem.h"
#include "dzscene.h"
#include "dzscenefile_p.h"

using namespace dzscenefile;

QString dzscenefile::quoted(QString const& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString dzscenefile::systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

namespace {

void report(QString const& message, QString* errorMessage) {
    if (dzApp)
        dzApp->log(message);
    if (errorMessage)
        *errorMessage = message;
}

// One text for all modifiers kept by a load.
QString keptNotice(LoadContext const& context) {
    if (context.keptCount == 0)
        return QString();
    QStringList types;
    for (QString const& type : context.keptTypes) types << quoted(type);
    if (context.keptCount == 1)
        return QStringLiteral(
                   "a modifier of type %1 is kept but not applied: no loaded plug-in reads it. Saving the "
                   "scene keeps its data, so the plug-in that made it finds it again.")
            .arg(types.join(QStringLiteral(", ")));
    return QStringLiteral(
               "%1 modifiers of type %2 are kept but not applied: no loaded plug-in reads them. Saving the "
               "scene keeps their data, so the plug-ins that made them find it again.")
        .arg(context.keptCount)
        .arg(types.join(QStringLiteral(", ")));
}

}  // namespace

bool dzLoadSceneFromStream(DzScene& scene, std::istream& in, QString const& fileName, QString* errorMessage) {
    DzScene fresh;
    LoadContext context;
    QString error;
    {
        DzAssetFile file(fileName);
        std::unique_ptr<DzAssetJsonItem> const root = makeRootItem(&file, fresh, context);
        error = parseJson(in, file, *root);
        if (error.isEmpty() && in.bad())
            error = QStringLiteral("reading failed");
    }
    if (!error.isEmpty()) {
        report(QStringLiteral("cannot load scene file %1: %2").arg(quoted(fileName), error), errorMessage);
        return false;
    }
    scene.takeNodesFrom(fresh);
    scene.m_loadNotice = keptNotice(context);
    if (!scene.m_loadNotice.isEmpty())
        scene.m_loadNotice = QStringLiteral("scene file %1: %2").arg(quoted(fileName), scene.m_loadNotice);
    if (dzApp) {
        for (QString const& warning : context.warnings)
            dzApp->log(QStringLiteral("scene file %1: %2").arg(quoted(fileName), warning));
        if (!scene.m_loadNotice.isEmpty())
            dzApp->log(scene.m_loadNotice);
    }
    emit scene.sceneLoaded();
    return true;
}

bool DzScene::loadScene(QString const& path, QString* errorMessage) {
    std::ifstream in;
    std::vector<char> buffer(size_t(1) << 20);
    in.rdbuf()->pubsetbuf(buffer.data(), std::streamsize(buffer.size()));
    in.open(QFile::encodeName(path).constData(), std::ios::binary);
    if (!in) {
        report(QStringLiteral("cannot load scene file %1: %2").arg(quoted(path), systemError()),
               errorMessage);
        return false;
    }
    return dzLoadSceneFromStream(*this, in, path, errorMessage);
}

bool DzScene::saveScene(QString const& path, QString* errorMessage) const {
    QByteArray const target = QFile::encodeName(path);
    QByteArray const temporary = target + ".saving";
    QString error;
    QStringList warnings;
    if (std::FILE* file = std::fopen(temporary.constData(), "wb")) {
        writeScene(*this, file, warnings, error);
        if (std::fclose(file) != 0 && error.isEmpty())
            error = QStringLiteral("writing failed: %1").arg(systemError());
        if (error.isEmpty() && std::rename(temporary.constData(), target.constData()) != 0)
            error =
                QStringLiteral("the new file could not take the place of the old one: %1").arg(systemError());
        if (!error.isEmpty())
            std::remove(temporary.constData());
    } else {
        error =
            QStringLiteral("cannot create %1: %2").arg(quoted(QFile::decodeName(temporary)), systemError());
    }
    if (!error.isEmpty()) {
        report(QStringLiteral("cannot save scene file %1: %2").arg(quoted(path), error), errorMessage);
        return false;
    }
    if (dzApp)
        for (QString const& warning : warnings)
            dzApp->log(QStringLiteral("scene file %1: %2").arg(quoted(path), warning));
    return true;
}
