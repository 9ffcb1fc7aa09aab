// Feeds arbitrary bytes to the scene-file reader, with the plug-in's modifier IO class registered. Whatever
// loads is valid JSON, is evaluated (every modifier applied) and must survive: it saves (the reader takes no
// value a scene file cannot hold), and load, save, load, save gives the same file twice and the same scene
// (meshes, transforms, modifiers and their deltas bit for bit, the members kept for another program) after
// both loads.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "dzapp.h"
#include "dzclassfactory.h"
#include "dzfacetmesh.h"
#include "dzfloatproperty.h"
#include "dzkeptmodifier.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzscenefile.h"
#include "dzshape.h"
#include "dzskinbinding.h"
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

[[noreturn]] void fail(char const* what, QString const& detail = QString()) {
    std::fprintf(stderr, "%s%s%s\n", what, detail.isEmpty() ? "" : ": ", detail.toUtf8().constData());
    std::abort();
}

// The scene's content as bytes: equal bytes, equal content (NaN and -0 included).
class Fingerprint {
public:
    std::string const& bytes() const { return m_bytes; }

    void scene(DzScene const& scene) {
        for (DzNodeIterator it = scene.nodeListIterator(); it.hasNext();) node(*it.next());
        for (auto const& [name, text] : scene.getKeptMembers()) {
            this->text(name);
            raw(text.size());
            m_bytes += text;
        }
    }

private:
    template <typename T>
    void raw(T const& v) {
        m_bytes.append(reinterpret_cast<char const*>(&v), sizeof v);
    }
    void text(QString const& s) {
        QByteArray const u = s.toUtf8();
        raw(u.size());
        m_bytes.append(u.constData(), size_t(u.size()));
    }
    void mesh(DzFacetMesh const* m) {
        raw(m ? m->getNumVertices() : -1);
        if (!m)
            return;
        m_bytes.append(reinterpret_cast<char const*>(m->getVerticesPtr()),
                       size_t(m->getNumVertices()) * 3 * sizeof(float));
        raw(m->getNumFacets());
        for (int i = 0; i < m->getNumFacets(); ++i) {
            raw(m->getFacet(i).m_vertIdx);
            raw(m->getFacetFlagsPtr()[i]);
        }
    }
    void node(DzNode const& n) {
        text(n.getName());
        text(n.getLabel());
        raw(n.getOrigin());
        raw(n.getLocalPos());
        raw(n.getLocalRot());
        raw(n.getLocalScale());
        DzObject* o = n.getObject();
        raw(o != nullptr);
        if (!o)
            return;
        text(o->getName());
        text(o->getLabel());
        DzShape* shape = o->getCurrentShape();
        raw(shape ? shape->getSubdivisionLevel() : -1);
        mesh(shape ? shape->getGeometry() : nullptr);
        for (DzModifierIterator it = o->modifierIterator(); it.hasNext();) modifier(*it.next());
        mesh(static_cast<DzFacetMesh const*>(o->getCachedGeom()));
    }
    void modifier(DzModifier const& m) {
        // The plug-in's modifier without deltas is not written, by its rule; it changes nothing.
        if (auto const* pf = qobject_cast<PfModifier const*>(&m); pf && pf->getDeltas().empty())
            return;
        m_bytes += m.metaObject()->className();
        text(m.getName());
        text(m.getLabel());
        if (auto const* kept = qobject_cast<DzKeptModifier const*>(&m)) {
            text(kept->getType());
            m_bytes += kept->getData();
        } else if (auto const* pf = qobject_cast<PfModifier const*>(&m)) {
            for (auto const& [index, offset] : pf->getDeltas()) {
                raw(index);
                raw(offset);
            }
        } else if (auto const* morph = qobject_cast<DzMorph const*>(&m)) {
            DzFloatProperty const& p = *morph->getValueProperty();
            text(p.getName());
            text(p.getLabel());
            text(p.getPath());
            raw(p.getValue());
            raw(p.getMin());
            raw(p.getMax());
            raw(p.isClamped());
            raw(p.getDisplayAsPercent());
            raw(p.isFavorite());
            if (DzMorphDeltas const* d = morph->getDeltas()) {
                text(d->getUri().toString());
                for (int i = 0; i < d->getNumDeltas(); ++i) {
                    raw(d->getDeltaIndex(i));
                    raw(d->getDelta(i));
                }
            }
        } else if (auto const* binding = qobject_cast<DzBindingBase const*>(&m)) {
            raw(binding->getPose());
        }
    }

    std::string m_bytes;
};

std::string fingerprintOf(DzScene const& scene) {
    Fingerprint f;
    f.scene(scene);
    return f.bytes();
}

QByteArray readAll(QString const& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    g_pHost = new Host(*argc, *argv);  // lives to the end of the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    DzScene& scene = *dzScene;
    std::istringstream in(std::string(reinterpret_cast<char const*>(data), size));
    if (dzLoadSceneFromStream(scene, in, QStringLiteral("fuzz.json"), nullptr)) {
        // The fast parse takes no text the exact one refuses.
        if (!nlohmann::json::accept(reinterpret_cast<char const*>(data),
                                    reinterpret_cast<char const*>(data) + size))
            fail("a text that is no JSON loaded");
        std::string const loaded = fingerprintOf(scene);
        QString const first = g_pHost->dir.filePath(QStringLiteral("first.json"));
        QString const second = g_pHost->dir.filePath(QStringLiteral("second.json"));
        QString error;
        if (!scene.saveScene(first, &error))
            fail("a loaded scene did not save", error);
        if (!scene.loadScene(first, &error))
            fail("a saved scene did not load again", error);
        if (fingerprintOf(scene) != loaded)
            fail("the scene loaded again differs from the scene saved");
        if (!scene.saveScene(second, &error))
            fail("a scene loaded again did not save", error);
        if (readAll(first) != readAll(second))
            fail("the second save differs from the first");
        scene.clear();
    }
    dzApp->clearLog();
    return 0;
}
