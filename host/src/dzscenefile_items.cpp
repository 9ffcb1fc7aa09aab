// Scene files, reading: the host's handlers of what is read, strict about keys and kinds, building nodes,
// objects, shapes and modifiers; modifiers of registered types are handed to their IO classes, those of
// types nobody reads are kept as text.

#include <QLocale>
#include <QSet>
#include <QStringList>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "dzassetfile.h"
#include "dzassetjsonitem.h"
#include "dzextramodifierio.h"
#include "dzfacetmesh.h"
#include "dzfloatproperty.h"
#include "dzkeptmodifier.h"
#include "dzlegacybinding.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzscenefile_p.h"
#include "dzshape.h"
#include "dzskinbinding.h"

using namespace dzscenefile;

namespace {

enum class Kind { Object, Array, Number, String, Bool };

QString expected(Kind kind) {
    switch (kind) {
        case Kind::Object:
            return QStringLiteral("expected an object");
        case Kind::Array:
            return QStringLiteral("expected an array");
        case Kind::Number:
            return QStringLiteral("expected a number");
        case Kind::String:
            return QStringLiteral("expected a text");
        case Kind::Bool:
            return QStringLiteral("expected true or false");
    }
    return QString();
}

// A whole number in [lo, hi]; false for anything else.
bool wholeNumber(double v, double lo, double hi, int64_t& out) {
    if (!(v >= lo && v <= hi) || v != std::trunc(v))
        return false;
    out = int64_t(v);
    return true;
}

// Rounded to the nearest float. A number beyond the float range would become an infinity, which no scene file
// can hold: refused, so that nothing is changed silently.
bool toFloat(double v, float& out) {
    out = float(v);
    return std::isfinite(out);
}

QString outOfFloatRange(double v) {
    return QStringLiteral("the number %1 is outside the single-precision range")
        .arg(v, 0, 'g', QLocale::FloatingPointShortest);
}

// The host's formats are strict: a member it knows must have its kind and appear once; others are skipped.
class StrictObject : public DzAssetJsonObject {
public:
    using DzAssetJsonObject::DzAssetJsonObject;

    DzAssetJsonItem* startMemberObject(QString const& key) final {
        bool known = false;
        if (!accept(key, Kind::Object, known) || !known)
            return nullptr;
        return onObject(key);
    }
    DzAssetJsonItem* startMemberArray(QString const& key) final {
        bool known = false;
        if (!accept(key, Kind::Array, known) || !known)
            return nullptr;
        return onArray(key);
    }
    bool addMember(QString const& key, double value) final {
        bool known = false;
        return accept(key, Kind::Number, known) && (!known || onNumber(key, value));
    }
    bool addStringMember(QString const& key, QString const& value) final {
        bool known = false;
        return accept(key, Kind::String, known) && (!known || onString(key, value));
    }
    bool addBoolMember(QString const& key, bool value) final {
        bool known = false;
        return accept(key, Kind::Bool, known) && (!known || onBool(key, value));
    }
    bool addNullMember(QString const& key) final {
        Kind want;
        return !knows(key, want) || error(expected(want));
    }

protected:
    // The kind of a member this handler takes; false for one it does not know.
    virtual bool knows(QString const& key, Kind& kind) const = 0;
    virtual DzAssetJsonItem* onObject(QString const&) { return nullptr; }
    virtual DzAssetJsonItem* onArray(QString const&) { return nullptr; }
    virtual bool onNumber(QString const&, double) { return true; }
    virtual bool onString(QString const&, QString const&) { return true; }
    virtual bool onBool(QString const&, bool) { return true; }

    bool has(QString const& key) const { return m_seen.contains(key); }
    bool error(QString const& message) {
        getFile()->setError(message);
        return false;
    }

private:
    bool accept(QString const& key, Kind kind, bool& known) {
        Kind want;
        known = knows(key, want);
        if (!known)
            return true;
        if (m_seen.contains(key))
            return error(QStringLiteral("the member is given twice"));
        m_seen.insert(key);
        return want == kind || error(expected(want));
    }

    QSet<QString> m_seen;
};

// An array whose items are all of one kind.
class StrictArray : public DzAssetJsonArray {
public:
    StrictArray(DzAssetFile* file, Kind kind) : DzAssetJsonArray(file), m_kind(kind) {}

    DzAssetJsonItem* startObject() final {
        if (m_kind != Kind::Object) {
            error(expected(m_kind));
            return nullptr;
        }
        return onObject();
    }
    DzAssetJsonItem* startArray() final {
        if (m_kind != Kind::Array) {
            error(expected(m_kind));
            return nullptr;
        }
        return onArray();
    }
    bool addItem(double value) final {
        return m_kind == Kind::Number ? onNumber(value) : error(expected(m_kind));
    }
    bool addStringItem(QString const&) final { return error(expected(m_kind)); }
    bool addBoolItem(bool) final { return error(expected(m_kind)); }
    bool addNullItem() final { return error(expected(m_kind)); }

protected:
    virtual DzAssetJsonItem* onObject() { return nullptr; }
    virtual DzAssetJsonItem* onArray() { return nullptr; }
    virtual bool onNumber(double) { return true; }

    bool error(QString const& message) {
        getFile()->setError(message);
        return false;
    }

private:
    Kind const m_kind;
};

// Exactly n numbers; single-precision ones must fit a float.
class FixedNumbers : public StrictArray {
public:
    FixedNumbers(DzAssetFile* file, double* out, int n, bool singlePrecision)
        : StrictArray(file, Kind::Number), m_out(out), m_n(n), m_single(singlePrecision) {}

    bool finish() override { return m_count == m_n || error(QStringLiteral("expected %1 numbers").arg(m_n)); }

protected:
    bool onNumber(double v) override {
        if (m_count == m_n)
            return error(QStringLiteral("expected %1 numbers").arg(m_n));
        float f = 0;
        if (m_single && !toFloat(v, f))
            return error(outOfFloatRange(v));
        m_out[m_count++] = v;
        return true;
    }

private:
    double* m_out;
    int const m_n;
    bool const m_single;
    int m_count = 0;
};

// An array of arrays of min to max numbers each, handed to take() one by one.
class TupleList : public StrictArray {
public:
    TupleList(DzAssetFile* file, int minCount, int maxCount)
        : StrictArray(file, Kind::Array), m_min(minCount), m_max(maxCount) {}

protected:
    // False (with an error) rejects the tuple.
    virtual bool take(double const* values, int count) = 0;
    // Whether the number at that position of a tuple is a single-precision one, which must fit a float.
    virtual bool isSinglePrecision(int) const { return false; }

    DzAssetJsonItem* onArray() override { return new Tuple(*this); }

    QString countText() const {
        return m_min == m_max ? QStringLiteral("expected %1 numbers").arg(m_min)
                              : QStringLiteral("expected %1 to %2 numbers").arg(m_min).arg(m_max);
    }

private:
    class Tuple : public StrictArray {
    public:
        explicit Tuple(TupleList& list) : StrictArray(list.getFile(), Kind::Number), m_list(list) {}
        bool finish() override {
            return m_count >= m_list.m_min ? m_list.take(m_values, m_count) : error(m_list.countText());
        }

    protected:
        bool onNumber(double v) override {
            if (m_count == m_list.m_max)
                return error(m_list.countText());
            float f = 0;
            if (m_list.isSinglePrecision(m_count) && !toFloat(v, f))
                return error(outOfFloatRange(v));
            m_values[m_count++] = v;
            return true;
        }

    private:
        TupleList& m_list;
        double m_values[4] = {};
        int m_count = 0;
    };

    int const m_min;
    int const m_max;  // at most 4
};

class VertexList : public TupleList {
public:
    VertexList(DzAssetFile* file, std::vector<float>& out) : TupleList(file, 3, 3), m_out(out) {}

protected:
    bool take(double const* v, int) override {
        for (int k = 0; k < 3; ++k) m_out.push_back(float(v[k]));
        return true;
    }
    bool isSinglePrecision(int) const override { return true; }

private:
    std::vector<float>& m_out;
};

class FacetList : public TupleList {
public:
    FacetList(DzAssetFile* file, std::vector<std::array<int, 4>>& out) : TupleList(file, 3, 4), m_out(out) {}

protected:
    bool take(double const* v, int count) override {
        std::array<int, 4> facet{-1, -1, -1, -1};
        for (int k = 0; k < count; ++k) {
            int64_t index = 0;
            if (!wholeNumber(v[k], 0, INT32_MAX, index))
                return error(QStringLiteral("expected vertex indices: whole numbers from 0"));
            facet[size_t(k)] = int(index);
        }
        m_out.push_back(facet);
        return true;
    }

private:
    std::vector<std::array<int, 4>>& m_out;
};

class FlagList : public StrictArray {
public:
    FlagList(DzAssetFile* file, std::vector<unsigned char>& out)
        : StrictArray(file, Kind::Number), m_out(out) {}

protected:
    bool onNumber(double v) override {
        int64_t flag = 0;
        if (!wholeNumber(v, 0, 255, flag))
            return error(QStringLiteral("expected a facet flag byte: a whole number from 0 to 255"));
        m_out.push_back(static_cast<unsigned char>(flag));
        return true;
    }

private:
    std::vector<unsigned char>& m_out;
};

class ShapeItem : public StrictObject {
public:
    ShapeItem(DzAssetFile* file, DzObject& object) : StrictObject(file), m_object(object) {}

    bool finish() override {
        size_t const vertexCount = m_vertices.size() / 3;
        for (size_t i = 0; i < m_facets.size(); ++i)
            for (int corner : m_facets[i])
                if (corner >= 0 && size_t(corner) >= vertexCount)
                    return error(QStringLiteral("facet %1 uses vertex %2, but there are %3 vertices")
                                     .arg(i)
                                     .arg(corner)
                                     .arg(vertexCount));
        if (has(QStringLiteral("facet_flags")) && m_flags.size() != m_facets.size())
            return error(QStringLiteral("there are %1 facet flags for %2 facets")
                             .arg(m_flags.size())
                             .arg(m_facets.size()));
        DzFacetMesh* mesh = nullptr;
        if (has(QStringLiteral("vertices")) || has(QStringLiteral("facets"))) {
            mesh = new DzFacetMesh;
            mesh->reserveVertices(int(vertexCount));
            for (size_t i = 0; i < vertexCount; ++i) mesh->addVertex(DzVec3(&m_vertices[i * 3]));
            for (std::array<int, 4> const& f : m_facets) mesh->addFacet(f[0], f[1], f[2], f[3]);
            mesh->finalize();
            if (!m_flags.empty())
                std::memcpy(mesh->getFacetFlagsPtr(), m_flags.data(), m_flags.size());
        }
        auto* shape = new DzShape(mesh);
        shape->setSubdivisionLevel(m_level);
        m_object.setCurrentShape(shape);
        return true;
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("subdivision_level"))
            kind = Kind::Number;
        else if (key == QLatin1String("vertices") || key == QLatin1String("facets") ||
                 key == QLatin1String("facet_flags"))
            kind = Kind::Array;
        else
            return false;
        return true;
    }
    bool onNumber(QString const&, double v) override {
        int64_t level = 0;
        if (!wholeNumber(v, 0, DzShape::MaxSubdivisionLevel, level))
            return error(
                QStringLiteral("expected a whole number from 0 to %1").arg(DzShape::MaxSubdivisionLevel));
        m_level = int(level);
        return true;
    }
    DzAssetJsonItem* onArray(QString const& key) override {
        if (key == QLatin1String("vertices"))
            return new VertexList(getFile(), m_vertices);
        if (key == QLatin1String("facets"))
            return new FacetList(getFile(), m_facets);
        return new FlagList(getFile(), m_flags);
    }

private:
    DzObject& m_object;
    int m_level = 0;
    std::vector<float> m_vertices;
    std::vector<std::array<int, 4>> m_facets;
    std::vector<unsigned char> m_flags;
};

class FloatPropertyItem : public StrictObject {
public:
    FloatPropertyItem(DzAssetFile* file, DzFloatProperty& property)
        : StrictObject(file), m_property(property) {}

    bool finish() override {
        DzFloatProperty& p = m_property;
        if (has(QStringLiteral("min")) || has(QStringLiteral("max")))
            p.setMinMax(has(QStringLiteral("min")) ? m_min : p.getMin(),
                        has(QStringLiteral("max")) ? m_max : p.getMax());
        p.setIsClamped(m_clamped);
        p.setDisplayAsPercent(m_percent);
        if (has(QStringLiteral("value")))
            p.setValue(m_value);
        p.setFavorite(m_favorite);
        p.setPath(m_path);
        if (!m_name.isEmpty())
            p.setName(m_name);
        if (has(QStringLiteral("label")))
            p.setLabel(m_label);
        return true;
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("name") || key == QLatin1String("label") || key == QLatin1String("path"))
            kind = Kind::String;
        else if (key == QLatin1String("value") || key == QLatin1String("min") || key == QLatin1String("max"))
            kind = Kind::Number;
        else if (key == QLatin1String("clamped") || key == QLatin1String("percent") ||
                 key == QLatin1String("favorite"))
            kind = Kind::Bool;
        else
            return false;
        return true;
    }
    bool onString(QString const& key, QString const& v) override {
        (key == QLatin1String("name") ? m_name : key == QLatin1String("label") ? m_label : m_path) = v;
        return true;
    }
    bool onNumber(QString const& key, double v) override {
        float f = 0;
        if (!toFloat(v, f))
            return error(outOfFloatRange(v));
        (key == QLatin1String("value") ? m_value : key == QLatin1String("min") ? m_min : m_max) = f;
        return true;
    }
    bool onBool(QString const& key, bool v) override {
        (key == QLatin1String("clamped")   ? m_clamped
         : key == QLatin1String("percent") ? m_percent
                                           : m_favorite) = v;
        return true;
    }

private:
    DzFloatProperty& m_property;
    QString m_name, m_label, m_path;
    float m_value = 0, m_min = 0, m_max = 0;
    bool m_clamped = false, m_percent = false, m_favorite = false;
};

class MorphDeltaList : public TupleList {
public:
    MorphDeltaList(DzAssetFile* file, DzMorphDeltas& out) : TupleList(file, 4, 4), m_out(out) {}

protected:
    bool take(double const* v, int) override {
        int64_t index = 0;
        if (!wholeNumber(v[0], INT32_MIN, INT32_MAX, index))
            return error(QStringLiteral("expected a vertex index: a whole number in the 32-bit range"));
        m_out.addDelta(int(index), DzVec3(float(v[1]), float(v[2]), float(v[3])), false, 0);
        return true;
    }
    bool isSinglePrecision(int position) const override { return position > 0; }

private:
    DzMorphDeltas& m_out;
};

class MorphDeltasItem : public StrictObject {
public:
    MorphDeltasItem(DzAssetFile* file, DzMorph& morph)
        : StrictObject(file), m_morph(morph), m_deltas(std::make_unique<DzMorphDeltas>()) {}

    bool finish() override {
        m_deltas->setUri(DzUri(m_uri));
        m_morph.setDeltas(m_deltas.release());
        return true;
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("uri"))
            kind = Kind::String;
        else if (key == QLatin1String("values"))
            kind = Kind::Array;
        else
            return false;
        return true;
    }
    bool onString(QString const&, QString const& v) override {
        m_uri = v;
        return true;
    }
    DzAssetJsonItem* onArray(QString const&) override { return new MorphDeltaList(getFile(), *m_deltas); }

private:
    DzMorph& m_morph;
    std::unique_ptr<DzMorphDeltas> m_deltas;
    QString m_uri;
};

// One modifier: its "type" comes first and says what the rest is. Its text is recorded until the type is
// known: a modifier whose type nobody reads is kept as that text.
class ModifierItem : public StrictObject, public RawTextRecorder {
public:
    ModifierItem(DzAssetFile* file, DzObject& object, LoadContext& context)
        : StrictObject(file), m_object(object), m_context(context) {}

    bool finish() override {
        switch (m_mode) {
            case Mode::None:
                return error(QStringLiteral("the modifier has no \"type\""));
            case Mode::Kept:
                return finishKept();
            case Mode::IOClass:
                return finishThroughIOClass();
            case Mode::Host:
                break;
        }
        if (auto* binding = qobject_cast<DzBindingBase*>(m_modifier);
            binding && has(QStringLiteral("pose"))) {
            DzMatrix3 pose(false);
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) pose.m[r][c] = float(m_pose[r * 3 + c]);
            pose.t = DzVec3(float(m_pose[9]), float(m_pose[10]), float(m_pose[11]));
            binding->setPose(pose);
        }
        if (!m_name.isEmpty())
            m_modifier->setName(m_name);
        if (has(QStringLiteral("label")))
            m_modifier->setLabel(m_label);
        return true;
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("type") || key == QLatin1String("name") || key == QLatin1String("label")) {
            kind = Kind::String;
            return true;
        }
        bool const io = key == QLatin1String("extra") || key == QLatin1String("instance");
        bool const morph = key == QLatin1String("property") || key == QLatin1String("deltas");
        bool const binding = key == QLatin1String("pose");
        if (!io && !morph && !binding)
            return false;
        kind = binding ? Kind::Array : Kind::Object;
        switch (m_mode) {
            case Mode::None:
                return true;  // data before the type: refused when it comes
            case Mode::Kept:
                return false;
            case Mode::IOClass:
                return io;
            case Mode::Host:
                return qobject_cast<DzMorph*>(m_modifier) ? morph : binding;
        }
        return false;
    }

    bool onString(QString const& key, QString const& v) override {
        if (key == QLatin1String("name"))
            m_name = v;
        else if (key == QLatin1String("label"))
            m_label = v;
        else
            return setType(v);
        return true;
    }

    DzAssetJsonItem* onObject(QString const& key) override {
        if (m_mode == Mode::None) {
            error(QStringLiteral("the modifier's \"type\" must come before its data"));
            return nullptr;
        }
        if (m_mode == Mode::Host) {
            auto* morph = static_cast<DzMorph*>(m_modifier);
            if (key == QLatin1String("property"))
                return new FloatPropertyItem(getFile(), *morph->getValueProperty());
            return new MorphDeltasItem(getFile(), *morph);
        }
        if (!createThroughIOClass())
            return nullptr;
        try {
            return key == QLatin1String("extra") ? m_io->startDefinitionRead(this)
                                                 : m_io->startInstanceRead(this);
        } catch (std::exception const& e) {
            ioFailed(e);
            return nullptr;
        }
    }

    DzAssetJsonItem* onArray(QString const&) override {
        if (m_mode == Mode::None) {
            error(QStringLiteral("the modifier's \"type\" must come before its data"));
            return nullptr;
        }
        return new FixedNumbers(getFile(), m_pose, 12, true);
    }

private:
    enum class Mode { None, Kept, IOClass, Host };

    bool setType(QString const& type) {
        m_type = type;
        if (DzIOClassRegistration const* reg = DzPlugin::FindIOClassForType(type)) {
            m_ioName = QString::fromLatin1(reg->ioClass->className());
            m_io.reset(DzPlugin::CreateIOObject(*reg));
            if (m_io) {
                m_mode = Mode::IOClass;
                dropRawText();
                return true;
            }
            keep(QStringLiteral("no class factory makes its IO class %1").arg(m_ioName));
            return true;
        }
        if (type == kTypeMorph)
            m_modifier = new DzMorph;
        else if (type == kTypeSkinBinding)
            m_modifier = new DzSkinBinding;
        else if (type == kTypeLegacyBinding)
            m_modifier = new DzLegacyBinding;
        if (!m_modifier) {
            keep(QStringLiteral("no IO class is registered for its type"));
            return true;
        }
        // Made at once, so the object's modifiers keep the file's order.
        m_object.addModifier(m_modifier);
        m_mode = Mode::Host;
        dropRawText();
        return true;
    }

    void dropRawText() {
        keepRawText = false;
        std::string().swap(rawText);
    }

    // Its data stays in its place in the list, as the file has it, and goes back into the next save.
    void keep(QString const& why) {
        m_mode = Mode::Kept;
        m_modifier = new DzKeptModifier(m_type);
        m_object.addModifier(m_modifier);
        ++m_context.keptCount;
        if (!m_context.keptTypes.contains(m_type))
            m_context.keptTypes << m_type;
        m_context.warnings << QStringLiteral("a modifier of type %1 is kept but not applied: %2")
                                  .arg(quoted(shortened(m_type)), why);
    }

    bool finishKept() {
        auto* kept = static_cast<DzKeptModifier*>(m_modifier);
        kept->setData(std::move(rawText));
        dropRawText();
        if (!m_name.isEmpty())
            kept->setName(m_name);
        if (has(QStringLiteral("label")))
            kept->setLabel(m_label);
        return true;
    }

    bool createThroughIOClass() {
        if (m_modifier)
            return true;
        try {
            m_modifier = m_io->createModifier(m_name, &m_object);
        } catch (std::exception const& e) {
            return ioFailed(e);
        }
        if (!m_modifier)
            return error(QStringLiteral("the IO class %1 made no modifier").arg(m_ioName));
        bool inObject = false;
        for (DzModifierIterator it = m_object.modifierIterator(); it.hasNext() && !inObject;)
            inObject = it.next() == m_modifier;
        if (!inObject)
            m_object.addModifier(m_modifier);
        return true;
    }

    bool finishThroughIOClass() {
        if (!createThroughIOClass())
            return false;
        // Modifiers are found by name: of two with one name only the first could ever be reached, while
        // both would apply.
        QString const name = m_modifier->getName();
        for (DzModifierIterator it = m_object.modifierIterator(); it.hasNext() && !name.isEmpty();)
            if (DzModifier* other = it.next(); other != m_modifier && other->getName() == name)
                return error(QStringLiteral("its IO class %1 names the modifier %2, and the object has a "
                                            "modifier of that name already")
                                 .arg(m_ioName, quoted(shortened(name))));
        if (!m_name.isEmpty() && m_name != name)
            m_context.warnings << QStringLiteral("the modifier %1 of the file is named %2 by its IO class %3")
                                      .arg(quoted(shortened(m_name)), quoted(shortened(name)), m_ioName);
        DzFileIOSettings const* settings = &m_context.settings;
        try {
            int rc = m_io->applyDefinitionToObject(m_modifier, settings);
            if (rc == 0)
                rc = m_io->applyInstanceToObject(m_modifier, settings);
            if (rc == 0)
                rc = m_io->resolveInstance(m_modifier, settings);
            if (rc == 0)
                rc = m_io->finalizeInstance(m_modifier, settings);
            if (rc != 0)
                return error(QStringLiteral("the IO class %1 could not apply the modifier's data (error %2)")
                                 .arg(m_ioName)
                                 .arg(rc));
        } catch (std::exception const& e) {
            return ioFailed(e);
        }
        if (has(QStringLiteral("label")))
            m_modifier->setLabel(m_label);
        return true;
    }

    bool ioFailed(std::exception const& e) {
        return error(QStringLiteral("the IO class %1 failed: %2").arg(m_ioName, QString::fromUtf8(e.what())));
    }

    DzObject& m_object;
    LoadContext& m_context;
    Mode m_mode = Mode::None;
    QString m_type, m_name, m_label, m_ioName;
    std::unique_ptr<DzExtraModifierIO> m_io;
    DzModifier* m_modifier = nullptr;  // the object's once made
    double m_pose[12] = {};
};

class ModifierList : public StrictArray {
public:
    ModifierList(DzAssetFile* file, DzObject& object, LoadContext& context)
        : StrictArray(file, Kind::Object), m_object(object), m_context(context) {}

protected:
    DzAssetJsonItem* onObject() override { return new ModifierItem(getFile(), m_object, m_context); }

private:
    DzObject& m_object;
    LoadContext& m_context;
};

class ObjectItem : public StrictObject {
public:
    ObjectItem(DzAssetFile* file, DzNode& node, LoadContext& context)
        : StrictObject(file), m_object(new DzObject), m_context(context) {
        node.setObject(m_object);
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("name") || key == QLatin1String("label"))
            kind = Kind::String;
        else if (key == QLatin1String("shape"))
            kind = Kind::Object;
        else if (key == QLatin1String("modifiers"))
            kind = Kind::Array;
        else
            return false;
        return true;
    }
    bool onString(QString const& key, QString const& v) override {
        if (key == QLatin1String("name"))
            m_object->setName(v);
        else
            m_object->setLabel(v);
        return true;
    }
    DzAssetJsonItem* onObject(QString const&) override { return new ShapeItem(getFile(), *m_object); }
    DzAssetJsonItem* onArray(QString const&) override {
        return new ModifierList(getFile(), *m_object, m_context);
    }

private:
    DzObject* m_object;  // the node's
    LoadContext& m_context;
};

class NodeItem : public StrictObject {
public:
    NodeItem(DzAssetFile* file, DzScene& scene, LoadContext& context)
        : StrictObject(file), m_scene(scene), m_context(context), m_node(std::make_unique<DzNode>()) {}

    bool finish() override {
        if (m_name.isEmpty())
            return error(QStringLiteral("the node has no name"));
        m_node->setName(m_name);
        if (has(QStringLiteral("label")))
            m_node->setLabel(m_label);
        auto vec = [](double const* v) { return DzVec3(float(v[0]), float(v[1]), float(v[2])); };
        m_node->setOrigin(vec(m_origin));
        m_node->setLocalPos(vec(m_position));
        m_node->setLocalScale(vec(m_scale));
        DzQuat q;
        q.m_w = m_rotation[0];
        q.m_x = m_rotation[1];
        q.m_y = m_rotation[2];
        q.m_z = m_rotation[3];
        m_node->setLocalRot(q);
        m_scene.addNode(m_node.release());
        return true;
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("name") || key == QLatin1String("label"))
            kind = Kind::String;
        else if (key == QLatin1String("origin") || key == QLatin1String("position") ||
                 key == QLatin1String("rotation") || key == QLatin1String("scale"))
            kind = Kind::Array;
        else if (key == QLatin1String("object"))
            kind = Kind::Object;
        else
            return false;
        return true;
    }
    bool onString(QString const& key, QString const& v) override {
        (key == QLatin1String("name") ? m_name : m_label) = v;
        return true;
    }
    DzAssetJsonItem* onArray(QString const& key) override {
        if (key == QLatin1String("rotation"))
            return new FixedNumbers(getFile(), m_rotation, 4, false);
        double* out = key == QLatin1String("origin")     ? m_origin
                      : key == QLatin1String("position") ? m_position
                                                         : m_scale;
        return new FixedNumbers(getFile(), out, 3, true);
    }
    DzAssetJsonItem* onObject(QString const&) override {
        return new ObjectItem(getFile(), *m_node, m_context);
    }

private:
    DzScene& m_scene;
    LoadContext& m_context;
    std::unique_ptr<DzNode> m_node;  // the scene's once finished
    QString m_name, m_label;
    double m_origin[3] = {0, 0, 0};
    double m_position[3] = {0, 0, 0};
    double m_rotation[4] = {1, 0, 0, 0};
    double m_scale[3] = {1, 1, 1};
};

class NodeList : public StrictArray {
public:
    NodeList(DzAssetFile* file, DzScene& scene, LoadContext& context)
        : StrictArray(file, Kind::Object), m_scene(scene), m_context(context) {}

protected:
    DzAssetJsonItem* onObject() override { return new NodeItem(getFile(), m_scene, m_context); }

private:
    DzScene& m_scene;
    LoadContext& m_context;
};

// The top object. Members it does not read are kept, as the file has them, for the next save.
class RootItem : public StrictObject, public MemberKeeper {
public:
    RootItem(DzAssetFile* file, DzScene& scene, LoadContext& context)
        : StrictObject(file), m_scene(scene), m_context(context) {}

    bool keepsMember(QString const& name) const override {
        Kind kind;
        return !knows(name, kind);
    }
    bool keepMember(QString const& name, std::string text) override {
        // Both could not go back into one file.
        for (auto const& kept : m_context.keptMembers)
            if (kept.first == name)
                return error(QStringLiteral("the member is given twice"));
        m_context.warnings << QStringLiteral(
                                  "its member %1 is not read by this application; it is kept and "
                                  "saved with the scene")
                                  .arg(quoted(shortened(name)));
        m_context.keptMembers.emplace_back(name, std::move(text));
        return true;
    }

    bool finish() override {
        return has(QStringLiteral("file_version")) ||
               error(QStringLiteral("this is no scene file: it has no \"file_version\""));
    }

protected:
    bool knows(QString const& key, Kind& kind) const override {
        if (key == QLatin1String("file_version"))
            kind = Kind::Number;
        else if (key == QLatin1String("nodes"))
            kind = Kind::Array;
        else
            return false;
        return true;
    }
    bool onNumber(QString const&, double v) override {
        if (v == kFileVersion)
            return true;
        if (v > kFileVersion)
            return error(QStringLiteral("the file has version %1, newer than this application reads (%2)")
                             .arg(v)
                             .arg(kFileVersion));
        return error(QStringLiteral("unknown file version %1").arg(v));
    }
    DzAssetJsonItem* onArray(QString const&) override { return new NodeList(getFile(), m_scene, m_context); }

private:
    DzScene& m_scene;
    LoadContext& m_context;
};

}  // namespace

std::unique_ptr<DzAssetJsonItem> dzscenefile::makeRootItem(DzAssetFile* file, DzScene& scene,
                                                           LoadContext& context) {
    return std::make_unique<RootItem>(file, scene, context);
}
