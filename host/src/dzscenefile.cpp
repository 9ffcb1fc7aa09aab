// Scene files: the stand-in host's own JSON format, written as a stream through IDzJsonIO and read as a
// stream (simdjson's On-Demand, nlohmann::json's SAX interface for the exact messages) into a tree of
// DzAssetJsonItem handlers, the host's and the registered IO classes'.
//
// The format is described in dzscenefile_p.h. This file holds DzScene's file functions; the writer, the
// streaming parse and the handlers have a file each.

#include "dzscenefile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dzapp.h"
#include "dzassetfile.h"
#include "dzassetjsonitem.h"
#include "dzscene.h"
#include "dzscenefile_p.h"

using namespace dzscenefile;

QString dzscenefile::quoted(QString const& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString dzscenefile::shortened(QString const& text) {
    int const kMax = 200, kHead = 80, kTail = 100;
    if (text.size() <= kMax)
        return text;
    // Between two steps of a path ("a.b[3]") where one is near the cut.
    auto isStep = [](QChar c) { return c == QLatin1Char('.') || c == QLatin1Char('['); };
    int head = kHead;
    for (int i = kHead; i > kHead / 2; --i)
        if (isStep(text[i])) {
            head = i;
            break;
        }
    int tail = text.size() - kTail;
    for (int i = tail; i < text.size() - kTail / 2; ++i)
        if (isStep(text[i])) {
            tail = i;
            break;
        }
    // Never between the two halves of a character outside the basic plane.
    if (text[head - 1].isHighSurrogate())
        --head;
    if (text[tail].isLowSurrogate())
        ++tail;
    return text.left(head) + QStringLiteral("...") + text.mid(tail);
}

QString dzscenefile::systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
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
    for (QString const& type : context.keptTypes) types << quoted(shortened(type));
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
    scene.m_keptMembers = std::move(context->keptMembers);
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
    // Read whole: the parse takes the text in one piece. Opened without blocking and looked at before a byte
    // is read: a FIFO or a device named like a scene file would wait for a writer or never end.
    int const fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    PaddedText text;
    QString error;
    if (fd < 0) {
        error = systemError(errno);
    } else {
        struct stat info {};
        if (fstat(fd, &info) != 0) {
            error = systemError(errno);
        } else if (S_ISDIR(info.st_mode)) {
            error = QStringLiteral("it is a folder");
        } else if (!S_ISREG(info.st_mode)) {
            error = QStringLiteral("it is not a regular file");
        } else {
            text.allocate(size_t(info.st_size));
            size_t done = 0;
            ssize_t n = 0;
            while (done < text.size && (n = ::read(fd, text.bytes.get() + done, text.size - done)) != 0) {
                if (n < 0 && errno != EINTR)
                    break;
                if (n > 0)
                    done += size_t(n);
            }
            char extra = 0;
            if (n < 0)
                error = systemError(errno);
            else if (done != text.size || (n = ::read(fd, &extra, 1)) != 0)
                error = n < 0 ? systemError(errno) : QStringLiteral("the file changed while it was read");
        }
        ::close(fd);
    }
    if (!error.isEmpty()) {
        report(QStringLiteral("cannot load scene file %1: %2").arg(quoted(path), error), errorMessage);
        return false;
    }
    return dzLoadSceneFromText(*this, text.view(), path, errorMessage);
}

bool DzScene::isSceneFileName(QString const& path) {
    QString const suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("pfscene") || suffix == QLatin1String("json");
}

namespace {

// Stops at the top object's "file_version", which every scene file has; anything else first is no scene file.
class SceneFileSniffer final : public nlohmann::json::json_sax_t {
public:
    bool isScene = false;

    bool null() override { return depth > 0; }
    bool boolean(bool) override { return depth > 0; }
    bool number_integer(number_integer_t) override { return depth > 0; }
    bool number_unsigned(number_unsigned_t) override { return depth > 0; }
    bool number_float(number_float_t, string_t const&) override { return depth > 0; }
    bool string(string_t&) override { return depth > 0; }
    bool binary(binary_t&) override { return depth > 0; }
    bool start_object(std::size_t) override {
        ++depth;
        return true;
    }
    bool key(string_t& name) override {
        if (depth == 1 && name == "file_version") {
            isScene = true;
            return false;
        }
        return true;
    }
    bool end_object() override { return --depth > 0; }
    bool start_array(std::size_t) override { return depth++ > 0; }
    bool end_array() override { return --depth > 0; }
    bool parse_error(std::size_t, std::string const&, nlohmann::json::exception const&) override {
        return false;
    }

private:
    int depth = 0;
};

bool holdsScene(QByteArray const& path) {
    std::ifstream in(path.constData(), std::ios::binary);
    if (!in)
        return false;
    SceneFileSniffer sniffer;
    try {
        nlohmann::json::sax_parse(in, &sniffer);
    } catch (std::exception const&) {
        return false;
    }
    return sniffer.isScene;
}

// The file the path ends at after its symbolic links, so that a save writes there and the links stay. A path
// that does not exist (yet) is its own end.
bool followLinks(QByteArray path, QByteArray& end, QString& error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            end = path;
            return true;
        }
        QByteArray target(PATH_MAX, '\0');
        ssize_t const n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            int const failure = errno;
            error = QStringLiteral("cannot read the link %1: %2")
                        .arg(quoted(QFile::decodeName(path)), systemError(failure));
            return false;
        }
        target.truncate(int(n));
        if (!target.startsWith('/'))
            target.prepend(path.left(path.lastIndexOf('/') + 1));
        path = target;
    }
    error = QStringLiteral("too many symbolic links");
    return false;
}

// Why the file at target must not be replaced; empty when nothing is there, when it is empty or a scene file.
QString keepReason(QByteArray const& target, struct stat const& st) {
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    if (st.st_size > 0 && !holdsScene(target))
        return QStringLiteral("the file there is not a scene file, and it is not replaced");
    return QString();
}

// Once renamed, the new name must reach the disk too; a warning when it cannot be made sure of.
QString flushFolder(QByteArray const& file) {
    int const slash = file.lastIndexOf('/');
    QByteArray const folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : file.left(slash);
    int const fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        int const failure = errno;
        return QStringLiteral("its folder could not be flushed to the disk: %1").arg(systemError(failure));
    }
    QString warning;
    if (::fsync(fd) != 0 && errno != EINVAL) {
        int const failure = errno;
        warning = QStringLiteral("its folder could not be flushed to the disk: %1").arg(systemError(failure));
    }
    ::close(fd);
    return warning;
}

}  // namespace

bool DzScene::saveScene(QString const& path, QString* errorMessage) const {
    QString error;
    QStringList warnings;
    QByteArray target;
    struct stat old;
    bool replacing = false;
    if (!isSceneFileName(path)) {
        error = QStringLiteral("a scene file's name ends in \".pfscene\" or \".json\"");
    } else if (followLinks(QFile::encodeName(path), target, error)) {
        if (!isSceneFileName(QFile::decodeName(target)))
            error = QStringLiteral("it links to %1, whose name is not a scene file's")
                        .arg(quoted(QFile::decodeName(target)));
        else if (::stat(target.constData(), &old) == 0) {
            error = keepReason(target, old);
            replacing = error.isEmpty();
        }
    }
    if (error.isEmpty()) {
        QByteArray const temporary = target + ".saving";
        // One left by a save that was cut short is ours to replace.
        ::unlink(temporary.constData());
        int const fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
        if (!file) {
            int const failure = errno;
            error = QStringLiteral("cannot create %1: %2")
                        .arg(quoted(QFile::decodeName(temporary)), systemError(failure));
            if (fd >= 0)
                ::close(fd);
        } else {
            // Before anything is written, so that a private file's content is never readable by others.
            if (replacing) {
                // Only root can give a file away; otherwise the new file is the saver's.
                [[maybe_unused]] int const owned = ::fchown(fd, old.st_uid, old.st_gid);
                if (::fchmod(fd, old.st_mode & 07777) != 0) {
                    int const failure = errno;
                    error = QStringLiteral("cannot give %1 the old file's permissions: %2")
                                .arg(quoted(QFile::decodeName(temporary)), systemError(failure));
                }
            }
            // Each failure is told with the error of the call that failed, taken at once.
            auto writingFailed = [&error](int failure) {
                error = QStringLiteral("writing failed: %1").arg(systemError(failure));
            };
            if (error.isEmpty())
                writeScene(*this, file, warnings, error);
            if (error.isEmpty() && std::fflush(file) != 0)
                writingFailed(errno);
            if (error.isEmpty() && ::fsync(fd) != 0)
                writingFailed(errno);
            if (std::fclose(file) != 0 && error.isEmpty())
                writingFailed(errno);
            if (error.isEmpty() && std::rename(temporary.constData(), target.constData()) != 0) {
                int const failure = errno;
                error = QStringLiteral("the new file could not take the place of the old one: %1")
                            .arg(systemError(failure));
            }
            if (!error.isEmpty())
                ::unlink(temporary.constData());
            else if (QString const warning = flushFolder(target); !warning.isEmpty())
                warnings << warning;
        }
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
