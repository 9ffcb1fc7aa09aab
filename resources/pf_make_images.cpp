// Writes the plug-in's drawn images into a folder (resources/img in the source tree, see
// scripts/make-images): the seven falloff pictures and the settings cog.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdint>
#include <cstdio>

#include "pf_falloff_pictures.h"

namespace {

bool Write(QImage const& image, QDir const& folder, QString const& name) {
    QString const path = folder.filePath(name);
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "pf_make_images: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pf_make_images <folder>\n");
        return 2;
    }
    QDir const folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "pf_make_images: cannot make %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (uint32_t mode = uint32_t(PfFalloffMode::SmoothCurve); mode <= uint32_t(PfFalloffMode::Random);
         ++mode)
        ok = Write(PfDrawFalloffPicture(PfFalloffMode(mode)), folder,
                   PfFalloffPictureFileName(PfFalloffMode(mode))) &&
             ok;
    ok = Write(PfDrawCogIcon(), folder, QStringLiteral("cog.png")) && ok;
    return ok ? 0 : 1;
}
