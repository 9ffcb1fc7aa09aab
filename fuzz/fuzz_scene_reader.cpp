// Feeds arbitrary bytes to the scene-file reader, with the plug-in's modifier IO class registered. Whatever
// loads is evaluated (every modifier applied) and must save and load again.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "dzapp.h"
#include "dzclassfactory.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzscenefile.h"
#include "pf_modifier.h"

namespace {

struct Host {
    Host(int& argc, char** argv) : qapp(argc, argv) {
        plugin.addClassFactory(&factory);
        plugin.addIOClassRegistration(QStringLiteral("studio/modifier/halvorin_pullform_modifier"),
                                      &PfModifierIO::staticMetaObject, &PfModifier::staticMetaObject);
    }
    QCoreApplication qapp;
    DzApp app;
    DzPlugin plugin{QStringLiteral("fuzz")};
    DzTClassFactory<PfModifierIO> factory{DzGuid::fromString("{2D8F9D4C-9AF2-48DE-BE03-54905D3291E2}")};
    QTemporaryDir dir;
};

Host* g_pHost = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    g_pHost = new Host(*argc, *argv);  // lives to the end of the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    DzScene& scene = *dzScene;
    std::istringstream in(std::string(reinterpret_cast<char const*>(data), size));
    if (dzLoadSceneFromStream(scene, in, QStringLiteral("fuzz.json"), nullptr)) {
        for (DzNodeIterator it = scene.nodeListIterator(); it.hasNext();)
            if (DzObject* object = it.next()->getObject())
                object->getCachedGeom();
        QString const path = g_pHost->dir.filePath(QStringLiteral("again.json"));
        QString error;
        if (!scene.saveScene(path, &error) || !scene.loadScene(path, &error)) {
            std::fprintf(stderr, "a loaded scene did not save and load again: %s\n",
                         error.toUtf8().constData());
            std::abort();
        }
        scene.clear();
    }
    dzApp->clearLog();
    return 0;
}
