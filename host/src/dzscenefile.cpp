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
    if (dzApp)
        for (QString const& warning : context.warnings)
            dzApp->log(QStringLiteral("scene file %1: %2").arg(quoted(fileName), warning));
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
    long nonFinite = 0;
    if (std::FILE* file = std::fopen(temporary.constData(), "wb")) {
        writeScene(*this, file, warnings, error, nonFinite);
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
    if (nonFinite > 0)
        warnings << QStringLiteral("%1 numbers that were not finite were written as 0").arg(nonFinite);
    if (dzApp)
        for (QString const& warning : warnings)
            dzApp->log(QStringLiteral("scene file %1: %2").arg(quoted(path), warning));
    return true;
}
