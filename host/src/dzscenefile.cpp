// Scene files: the stand-in host's own JSON format, written as a stream through IDzJsonIO and read as a
// stream (simdjson's On-Demand, nlohmann::json's SAX interface for the exact messages) into a tree of
// DzAssetJsonItem handlers, the host's and the registered IO classes'.
//
// The format is described in dzscenefile_p.h. This file holds DzScene's file functions; the writer, the
// streaming parse and the handlers have a file each.

#include "dzscenefile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <sys/stat.h>
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

namespace {

// The text of a file with the padding the parse reads past its end.
struct PaddedText {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;

    std::string_view view() const { return std::string_view(bytes.get(), size); }
    void allocate(size_t n) {
        bytes.reset(new char[n + kJsonPadding]);
        std::memset(bytes.get() + n, 0, kJsonPadding);
        size = n;
    }
};

}  // namespace

bool dzLoadSceneFromText(DzScene& scene, std::string_view text, QString const& fileName,
                         QString* errorMessage) {
    std::unique_ptr<DzScene> fresh;
    std::unique_ptr<LoadContext> context;
    QString error;
    for (bool const fast : {true, false}) {
        fresh = std::make_unique<DzScene>();
        context = std::make_unique<LoadContext>();
        bool slowNeeded = false;
        {
            DzAssetFile file(fileName);
            std::unique_ptr<DzAssetJsonItem> const root = makeRootItem(&file, *fresh, *context);
            error = parseJson(text, file, *root, fast, slowNeeded);
        }
        if (!slowNeeded)
            break;
    }
    if (!error.isEmpty()) {
        report(QStringLiteral("cannot load scene file %1: %2").arg(quoted(fileName), error), errorMessage);
        return false;
    }
    scene.takeNodesFrom(*fresh);
    scene.m_loadNotice = keptNotice(*context);
    if (!scene.m_loadNotice.isEmpty())
        scene.m_loadNotice = QStringLiteral("scene file %1: %2").arg(quoted(fileName), scene.m_loadNotice);
    if (dzApp) {
        for (QString const& warning : context->warnings)
            dzApp->log(QStringLiteral("scene file %1: %2").arg(quoted(fileName), warning));
        if (!scene.m_loadNotice.isEmpty())
            dzApp->log(scene.m_loadNotice);
    }
    emit scene.sceneLoaded();
    return true;
}

bool dzLoadSceneFromStream(DzScene& scene, std::istream& in, QString const& fileName, QString* errorMessage) {
    std::string const whole{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        report(QStringLiteral("cannot load scene file %1: reading failed").arg(quoted(fileName)),
               errorMessage);
        return false;
    }
    PaddedText text;
    text.allocate(whole.size());
    std::memcpy(text.bytes.get(), whole.data(), whole.size());
    return dzLoadSceneFromText(scene, text.view(), fileName, errorMessage);
}

bool DzScene::loadScene(QString const& path, QString* errorMessage) {
    // Read whole: the parse takes the text in one piece.
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    PaddedText text;
    QString error;
    if (!file) {
        error = systemError();
    } else {
        struct stat info {};
        if (fstat(fileno(file), &info) != 0) {
            error = systemError();
        } else {
            text.allocate(size_t(info.st_size));
            if (std::fread(text.bytes.get(), 1, text.size, file) != text.size || std::fgetc(file) != EOF)
                error =
                    std::ferror(file) ? systemError() : QStringLiteral("the file changed while it was read");
        }
        std::fclose(file);
    }
    if (!error.isEmpty()) {
        report(QStringLiteral("cannot load scene file %1: %2").arg(quoted(path), error), errorMessage);
        return false;
    }
    return dzLoadSceneFromText(*this, text.view(), path, errorMessage);
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
