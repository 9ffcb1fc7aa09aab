// Scene files: the stand-in host's own JSON format, written as a stream through IDzJsonIO and read as a
// stream (nlohmann::json's SAX interface) into a tree of DzAssetJsonItem handlers, the host's and the
// registered IO classes'.
//
// {"file_version": 1, "nodes": [{"name", "label", "origin", "position", "rotation", "scale",
//   "object": {"name", "label", "shape": {"subdivision_level", "vertices", "facets", "facet_flags"},
//              "modifiers": [{"type", "name", "label", ...the type's data...}]}}]}

#include "dzscenefile.h"

#include <QFile>
#include <QMetaObject>
#include <QSet>
#include <QStringList>
#include <array>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "dzapp.h"
#include "dzassetfile.h"
#include "dzassetjsonitem.h"
#include "dzextramodifierio.h"
#include "dzfacetmesh.h"
#include "dzfileiosettings.h"
#include "dzfloatproperty.h"
#include "dzlegacybinding.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzshape.h"
#include "dzskinbinding.h"
#include "idzjsonio.h"

namespace {

int const kFileVersion = 1;
QString const kTypeMorph = QStringLiteral("host/morph");
QString const kTypeSkinBinding = QStringLiteral("host/skin_binding");
QString const kTypeLegacyBinding = QStringLiteral("host/legacy_binding");

QString quoted(QString const& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// -----------------------------------------------------------------------------------------------------------
// Writing
// -----------------------------------------------------------------------------------------------------------

// Writes JSON text as it is called, through a buffer that goes to the file whenever it fills. Misuse (a
// member outside an object, an unbalanced finish) is recorded and fails the save.
class JsonFileWriter final : public IDzJsonIO {
public:
    explicit JsonFileWriter(std::FILE* file) : m_file(file) { m_buf.reserve(kFlushAt + 4096); }

    void startDocument() {
        m_buf += '{';
        m_stack.push_back({true, true, true});
    }
    void finishDocument() {
        finishObject();
        m_buf += '\n';
        flush();
    }

    size_t depth() const { return m_stack.size(); }
    QString const& misuse() const { return m_misuse; }
    bool writeFailed() const { return m_writeFailed; }
    long nonFiniteCount() const { return m_nonFinite; }

    void startMemberObject(QString const& name, bool ownLines) override {
        if (member(name))
            open('{', true, ownLines);
    }
    void startMemberArray(QString const& name, bool ownLines) override {
        if (member(name))
            open('[', false, ownLines);
    }
    void addMember(QString const& name, int value) override {
        if (member(name))
            putInt(value);
    }
    void addMember(QString const& name, float value) override {
        if (member(name))
            putFloat(value);
    }
    void addMember(QString const& name, double value) override {
        if (member(name))
            putFloat(value);
    }
    void addMember(QString const& name, bool value) override {
        if (member(name))
            m_buf += value ? "true" : "false";
    }
    void addMember(QString const& name, QString const& value) override {
        if (member(name))
            putString(value);
    }
    void startObject(bool ownLines) override {
        if (item())
            open('{', true, ownLines);
    }
    void startArray(bool ownLines) override {
        if (item())
            open('[', false, ownLines);
    }
    void addItem(int value) override {
        if (item())
            putInt(value);
    }
    void addItem(float value) override {
        if (item())
            putFloat(value);
    }
    void addItem(double value) override {
        if (item())
            putFloat(value);
    }
    void addItem(bool value) override {
        if (item())
            m_buf += value ? "true" : "false";
    }
    void addItem(QString const& value) override {
        if (item())
            putString(value);
    }
    void finishObject() override { close(true); }
    void finishArray() override { close(false); }

private:
    static size_t const kFlushAt = 1 << 16;

    struct Frame {
        bool object;
        bool ownLines;
        bool empty;
    };

    bool member(QString const& name) {
        if (!place(true))
            return false;
        putString(name);
        m_buf += ": ";
        return true;
    }
    bool item() { return place(false); }

    // The separator and line break before a value in the open container.
    bool place(bool asMember) {
        if (!m_misuse.isEmpty())
            return false;
        if (m_stack.empty() || m_stack.back().object != asMember) {
            m_misuse = asMember ? QStringLiteral("a member was written outside an object")
                                : QStringLiteral("an item was written outside an array");
            return false;
        }
        Frame& f = m_stack.back();
        if (!f.empty)
            m_buf += ',';
        if (f.ownLines)
            newLine(m_stack.size());
        else if (!f.empty)
            m_buf += ' ';
        f.empty = false;
        if (m_buf.size() >= kFlushAt)
            flush();
        return true;
    }
    void open(char bracket, bool object, bool ownLines) {
        m_buf += bracket;
        m_stack.push_back({object, ownLines, true});
    }
    void close(bool object) {
        if (!m_misuse.isEmpty())
            return;
        if (m_stack.empty() || m_stack.back().object != object) {
            m_misuse = object ? QStringLiteral("an object was finished that was not open")
                              : QStringLiteral("an array was finished that was not open");
            return;
        }
        Frame const f = m_stack.back();
        m_stack.pop_back();
        if (f.ownLines && !f.empty)
            newLine(m_stack.size());
        m_buf += object ? '}' : ']';
    }
    void newLine(size_t depth) {
        m_buf += '\n';
        m_buf.append(depth, '\t');
    }

    void putInt(int value) {
        char text[16];
        auto const r = std::to_chars(text, text + sizeof text, value);
        m_buf.append(text, r.ptr);
    }
    // The shortest text that reads back to the same value. JSON has no text for infinities and NaN.
    template <typename F>
    void putFloat(F value) {
        if (!std::isfinite(value)) {
            ++m_nonFinite;
            m_buf += '0';
            return;
        }
        if (value == 0 && std::signbit(value)) {
            m_buf += "-0.0";  // "-0" would read back as the integer 0
            return;
        }
        char text[32];
        auto r = std::to_chars(text, text + sizeof text, value);
        if constexpr (std::is_same_v<F, float>) {
            // Readers take every number as a double: a float's shortest text can round to another float
            // through the double (7.038531e-26 does). Then the double's text of the float is written.
            double back = 0;
            std::from_chars(text, r.ptr, back);
            if (float(back) != value)
                r = std::to_chars(text, text + sizeof text, double(value));
        }
        m_buf.append(text, r.ptr);
    }
    void putString(QString const& value) {
        QByteArray const utf8 = value.toUtf8();
        m_buf += '"';
        for (char c : utf8) {
            switch (c) {
                case '"':
                    m_buf += "\\\"";
                    break;
                case '\\':
                    m_buf += "\\\\";
                    break;
                case '\n':
                    m_buf += "\\n";
                    break;
                case '\r':
                    m_buf += "\\r";
                    break;
                case '\t':
                    m_buf += "\\t";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        char esc[8];
                        std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
                        m_buf += esc;
                    } else {
                        m_buf += c;
                    }
            }
        }
        m_buf += '"';
    }

    void flush() {
        if (!m_buf.empty() && std::fwrite(m_buf.data(), 1, m_buf.size(), m_file) != m_buf.size())
            m_writeFailed = true;
        m_buf.clear();
    }

    std::FILE* m_file;
    std::string m_buf;
    std::vector<Frame> m_stack;
    QString m_misuse;
    bool m_writeFailed = false;
    long m_nonFinite = 0;
};

class SceneWriter {
public:
    SceneWriter(JsonFileWriter& w, QStringList& warnings) : w(w), m_warnings(warnings) {}

    // False with the reason in error().
    bool write(DzScene const& scene) {
        w.startDocument();
        w.addMember(QStringLiteral("file_version"), kFileVersion);
        w.startMemberArray(QStringLiteral("nodes"), true);
        for (DzNodeIterator it = scene.nodeListIterator(); it.hasNext();)
            if (!writeNode(*it.next()))
                return false;
        w.finishArray();
        w.finishDocument();
        if (!w.misuse().isEmpty())
            return fail(w.misuse());
        return true;
    }
    QString const& error() const { return m_error; }

private:
    bool fail(QString const& message) {
        m_error = message;
        return false;
    }
    void writeNameAndLabel(DzElement const& element) {
        w.addMember(QStringLiteral("name"), element.getName());
        // The label is its own only where it differs from the name it falls back to.
        if (element.getLabel() != element.getName())
            w.addMember(QStringLiteral("label"), element.getLabel());
    }
    void writeVec(QString const& name, DzVec3 const& v) {
        w.startMemberArray(name, false);
        w.addItem(v.m_x);
        w.addItem(v.m_y);
        w.addItem(v.m_z);
        w.finishArray();
    }

    bool writeNode(DzNode const& node) {
        w.startObject(true);
        writeNameAndLabel(node);
        writeVec(QStringLiteral("origin"), node.getOrigin());
        writeVec(QStringLiteral("position"), node.getLocalPos());
        DzQuat const& q = node.getLocalRot();
        w.startMemberArray(QStringLiteral("rotation"), false);
        w.addItem(q.m_w);
        w.addItem(q.m_x);
        w.addItem(q.m_y);
        w.addItem(q.m_z);
        w.finishArray();
        writeVec(QStringLiteral("scale"), node.getLocalScale());
        if (DzObject* object = node.getObject())
            if (!writeObject(*object))
                return false;
        w.finishObject();
        return true;
    }

    bool writeObject(DzObject& object) {
        w.startMemberObject(QStringLiteral("object"), true);
        writeNameAndLabel(object);
        if (DzShape* shape = object.getCurrentShape()) {
            w.startMemberObject(QStringLiteral("shape"), true);
            w.addMember(QStringLiteral("subdivision_level"), shape->getSubdivisionLevel());
            if (DzFacetMesh const* mesh = shape->getGeometry())
                writeGeometry(*mesh);
            w.finishObject();
        }
        w.startMemberArray(QStringLiteral("modifiers"), true);
        for (DzModifierIterator it = object.modifierIterator(); it.hasNext();)
            if (!writeModifier(*it.next()))
                return false;
        w.finishArray();
        w.finishObject();
        return true;
    }

    void writeGeometry(DzFacetMesh const& mesh) {
        w.startMemberArray(QStringLiteral("vertices"), true);
        float const(*v)[3] = mesh.getVerticesPtr();
        for (int i = 0, n = mesh.getNumVertices(); i < n; ++i) {
            w.startArray(false);
            w.addItem(v[i][0]);
            w.addItem(v[i][1]);
            w.addItem(v[i][2]);
            w.finishArray();
        }
        w.finishArray();
        w.startMemberArray(QStringLiteral("facets"), true);
        bool anyFlag = false;
        unsigned char const* flags = mesh.getFacetFlagsPtr();
        for (int i = 0, n = mesh.getNumFacets(); i < n; ++i) {
            DzFacet const& f = mesh.getFacet(i);
            w.startArray(false);
            for (int k = 0; k < f.getNumCorners(); ++k) w.addItem(f.m_vertIdx[k]);
            w.finishArray();
            anyFlag = anyFlag || flags[i] != 0;
        }
        w.finishArray();
        if (anyFlag) {
            w.startMemberArray(QStringLiteral("facet_flags"), false);
            for (int i = 0, n = mesh.getNumFacets(); i < n; ++i) w.addItem(int(flags[i]));
            w.finishArray();
        }
    }

    bool writeModifier(DzModifier& modifier) {
        if (DzIOClassRegistration const* reg = DzPlugin::FindIOClassForObject(modifier.metaObject()))
            return writeThroughIOClass(modifier, *reg);
        if (auto* morph = qobject_cast<DzMorph*>(&modifier)) {
            writeMorph(*morph);
            return true;
        }
        QString type;
        if (modifier.inherits(QStringLiteral("DzSkinBinding")))
            type = kTypeSkinBinding;
        else if (modifier.inherits(QStringLiteral("DzLegacyBinding")))
            type = kTypeLegacyBinding;
        if (type.isEmpty()) {
            m_warnings << QStringLiteral("modifier %1 of class %2 was not saved: it has no scene-file form")
                              .arg(quoted(modifier.getName()),
                                   QString::fromLatin1(modifier.metaObject()->className()));
            return true;
        }
        DzMatrix3 const& pose = static_cast<DzBindingBase&>(modifier).getPose();
        w.startObject(true);
        w.addMember(QStringLiteral("type"), type);
        writeNameAndLabel(modifier);
        w.startMemberArray(QStringLiteral("pose"), false);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) w.addItem(pose.m[r][c]);
        for (int k = 0; k < 3; ++k) w.addItem(pose.t[k]);
        w.finishArray();
        w.finishObject();
        return true;
    }

    void writeMorph(DzMorph const& morph) {
        w.startObject(true);
        w.addMember(QStringLiteral("type"), kTypeMorph);
        writeNameAndLabel(morph);
        DzFloatProperty const& p = *morph.getValueProperty();
        w.startMemberObject(QStringLiteral("property"), true);
        writeNameAndLabel(p);
        w.addMember(QStringLiteral("path"), p.getPath());
        w.addMember(QStringLiteral("value"), float(p.getValue()));
        w.addMember(QStringLiteral("min"), p.getMin());
        w.addMember(QStringLiteral("max"), p.getMax());
        w.addMember(QStringLiteral("clamped"), p.isClamped());
        w.addMember(QStringLiteral("percent"), p.getDisplayAsPercent());
        w.addMember(QStringLiteral("favorite"), p.isFavorite());
        w.finishObject();
        if (DzMorphDeltas const* deltas = morph.getDeltas()) {
            w.startMemberObject(QStringLiteral("deltas"), true);
            w.addMember(QStringLiteral("uri"), deltas->getUri().toString());
            w.startMemberArray(QStringLiteral("values"), true);
            for (int i = 0, n = deltas->getNumDeltas(); i < n; ++i) {
                DzVec3 const d = deltas->getDelta(i);
                w.startArray(false);
                w.addItem(deltas->getDeltaIndex(i));
                w.addItem(d.m_x);
                w.addItem(d.m_y);
                w.addItem(d.m_z);
                w.finishArray();
            }
            w.finishArray();
            w.finishObject();
        }
        w.finishObject();
    }

    bool writeThroughIOClass(DzModifier& modifier, DzIOClassRegistration const& reg) {
        QString const ioName = QString::fromLatin1(reg.ioClass->className());
        std::unique_ptr<DzExtraModifierIO> io(DzPlugin::CreateIOObject(reg));
        if (!io) {
            m_warnings << QStringLiteral("modifier %1 was not saved: no class factory makes its IO class %2")
                              .arg(quoted(modifier.getName()), ioName);
            return true;
        }
        try {
            if (!io->shouldWrite(&modifier, &m_settings))
                return true;
            w.startObject(true);
            w.addMember(QStringLiteral("type"), reg.type);
            writeNameAndLabel(modifier);
            struct Part {
                char const* member;
                int (DzExtraModifierIO::*write)(QObject*, IDzJsonIO*, DzFileIOSettings const*) const;
            } const parts[] = {{"extra", &DzExtraModifierIO::writeExtraDefinition},
                               {"instance", &DzExtraModifierIO::writeExtraInstance}};
            for (Part const& part : parts) {
                size_t const depth = w.depth();
                w.startMemberObject(QString::fromLatin1(part.member), true);
                int const rc = ((*io).*part.write)(&modifier, &w, &m_settings);
                if (rc != 0)
                    return fail(QStringLiteral("the IO class %1 failed to write modifier %2 (error %3)")
                                    .arg(ioName, quoted(modifier.getName()))
                                    .arg(rc));
                if (!w.misuse().isEmpty() || w.depth() != depth + 1)
                    return fail(QStringLiteral("the IO class %1 wrote unbalanced data for modifier %2")
                                    .arg(ioName, quoted(modifier.getName())));
                w.finishObject();
            }
            w.finishObject();
        } catch (std::exception const& e) {
            return fail(QStringLiteral("the IO class %1 failed to write modifier %2: %3")
                            .arg(ioName, quoted(modifier.getName()), QString::fromUtf8(e.what())));
        }
        return true;
    }

    JsonFileWriter& w;
    QStringList& m_warnings;
    DzFileIOSettings const m_settings{};
    QString m_error;
};

// -----------------------------------------------------------------------------------------------------------
// Reading: the streaming parse
// -----------------------------------------------------------------------------------------------------------

// Feeds nlohmann::json's parse events to the handler tree, keeping the handlers the tree hands over. A value
// whose handler is null is skipped whole. Knows where it is, for its messages.
class SceneSax final : public nlohmann::json_sax<nlohmann::json> {
public:
    SceneSax(DzAssetFile& file, DzAssetJsonItem& root) : m_file(file), m_root(root) {}
    ~SceneSax() override {
        // Inner handlers first: they may point into the outer ones.
        while (!m_stack.empty()) m_stack.pop_back();
    }

    QString const& error() const { return m_error; }

    bool null() override {
        return value([](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addNullMember(f.key) : it.addNullItem();
        });
    }
    bool boolean(bool v) override {
        return value([v](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addBoolMember(f.key, v) : it.addBoolItem(v);
        });
    }
    bool number_integer(number_integer_t v) override { return number(double(v)); }
    bool number_unsigned(number_unsigned_t v) override { return number(double(v)); }
    bool number_float(number_float_t v, string_t const&) override { return number(v); }
    bool string(string_t& v) override {
        QString const text = QString::fromStdString(v);
        return value([&text](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addStringMember(f.key, text) : it.addStringItem(text);
        });
    }
    bool binary(binary_t&) override { return true; }  // JSON text has none
    bool start_object(std::size_t) override { return open(true); }
    bool key(string_t& k) override {
        m_stack.back().key = QString::fromStdString(k);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, std::string const&, nlohmann::detail::exception const& e) override {
        // Without nlohmann's "[json.exception.parse_error.101] " tag.
        std::string text = e.what();
        if (text.rfind("[json.exception.", 0) == 0) {
            size_t const end = text.find("] ");
            if (end != std::string::npos)
                text.erase(0, end + 2);
        }
        return fail(QString::fromStdString(text), !m_stack.empty());
    }

private:
    struct Frame {
        DzAssetJsonItem* item = nullptr;  // null: skipping
        std::unique_ptr<DzAssetJsonItem> owned;
        bool object = false;
        QString key;        // the current member of an object
        int64_t index = 0;  // the current item of an array
    };

    bool number(double v) {
        return value([v](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addMember(f.key, v) : it.addItem(v);
        });
    }

    template <typename Call>
    bool value(Call call) {
        if (m_stack.empty())
            return fail(QStringLiteral("the file holds no JSON object"), false);
        Frame& f = m_stack.back();
        if (f.item && !checked(call(*f.item, f), true))
            return false;
        if (!f.object)
            ++f.index;
        return true;
    }

    bool open(bool object) {
        if (m_stack.empty()) {
            if (!object)
                return fail(QStringLiteral("the file holds an array where a JSON object was expected"),
                            false);
            Frame root;
            root.item = &m_root;
            root.object = true;
            m_stack.push_back(std::move(root));
            return true;
        }
        Frame& f = m_stack.back();
        Frame child;
        child.object = object;
        if (f.item) {
            DzAssetJsonItem* handler =
                f.object ? (object ? f.item->startMemberObject(f.key) : f.item->startMemberArray(f.key))
                         : (object ? f.item->startObject() : f.item->startArray());
            child.item = handler;
            if (handler && !isOnStack(handler))
                child.owned.reset(handler);
            if (!checked(true, true))
                return false;
        }
        m_stack.push_back(std::move(child));
        return true;
    }

    bool close() {
        Frame& f = m_stack.back();
        if (f.item && !checked(f.item->finish(), false))
            return false;
        m_stack.pop_back();
        if (!m_stack.empty() && !m_stack.back().object)
            ++m_stack.back().index;
        return true;
    }

    bool isOnStack(DzAssetJsonItem const* item) const {
        if (item == &m_root)
            return true;
        for (Frame const& f : m_stack)
            if (f.item == item)
                return true;
        return false;
    }

    // A handler rejects a value by returning false or by giving a reason on the file.
    bool checked(bool accepted, bool atCurrent) {
        if (accepted && m_file.getError().isEmpty())
            return true;
        return fail(
            m_file.getError().isEmpty() ? QStringLiteral("the value is not accepted") : m_file.getError(),
            atCurrent);
    }

    bool fail(QString const& message, bool atCurrent) {
        QString const where = path(atCurrent);
        m_error = where.isEmpty() ? message : QStringLiteral("at %1: %2").arg(where, message);
        return false;
    }

    // Such as "nodes[2].object.shape.facets[7]".
    QString path(bool withCurrent) const {
        QString p;
        size_t const n = withCurrent ? m_stack.size() : (m_stack.empty() ? 0 : m_stack.size() - 1);
        for (size_t i = 0; i < n; ++i) {
            Frame const& f = m_stack[i];
            if (f.object)
                p += (p.isEmpty() ? QString() : QStringLiteral(".")) + f.key;
            else
                p += QStringLiteral("[%1]").arg(f.index);
        }
        return p;
    }

    DzAssetFile& m_file;
    DzAssetJsonItem& m_root;
    std::vector<Frame> m_stack;
    QString m_error;
};

// -----------------------------------------------------------------------------------------------------------
// Reading: the host's handlers
// -----------------------------------------------------------------------------------------------------------

struct LoadContext {
    DzFileIOSettings const settings{};
    QStringList warnings;
};

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

// Rounded to the nearest float; beyond the float range an infinity (IEEE arithmetic).
float toFloat(double v) {
    return float(v);
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

// Exactly n numbers.
class FixedNumbers : public StrictArray {
public:
    FixedNumbers(DzAssetFile* file, double* out, int n)
        : StrictArray(file, Kind::Number), m_out(out), m_n(n) {}

    bool finish() override { return m_count == m_n || error(QStringLiteral("expected %1 numbers").arg(m_n)); }

protected:
    bool onNumber(double v) override {
        if (m_count == m_n)
            return error(QStringLiteral("expected %1 numbers").arg(m_n));
        m_out[m_count++] = v;
        return true;
    }

private:
    double* m_out;
    int const m_n;
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
        for (int k = 0; k < 3; ++k) m_out.push_back(toFloat(v[k]));
        return true;
    }

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
        (key == QLatin1String("value") ? m_value : key == QLatin1String("min") ? m_min : m_max) = toFloat(v);
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
        m_out.addDelta(int(index), DzVec3(toFloat(v[1]), toFloat(v[2]), toFloat(v[3])), false, 0);
        return true;
    }

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

// One modifier: its "type" comes first and says what the rest is.
class ModifierItem : public StrictObject {
public:
    ModifierItem(DzAssetFile* file, DzObject& object, LoadContext& context)
        : StrictObject(file), m_object(object), m_context(context) {}

    bool finish() override {
        switch (m_mode) {
            case Mode::None:
                return error(QStringLiteral("the modifier has no \"type\""));
            case Mode::Skipped:
                return true;
            case Mode::IOClass:
                return finishThroughIOClass();
            case Mode::Host:
                break;
        }
        if (auto* binding = qobject_cast<DzBindingBase*>(m_modifier);
            binding && has(QStringLiteral("pose"))) {
            DzMatrix3 pose(false);
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) pose.m[r][c] = toFloat(m_pose[r * 3 + c]);
            pose.t = DzVec3(toFloat(m_pose[9]), toFloat(m_pose[10]), toFloat(m_pose[11]));
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
            case Mode::Skipped:
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
        return new FixedNumbers(getFile(), m_pose, 12);
    }

private:
    enum class Mode { None, Skipped, IOClass, Host };

    bool setType(QString const& type) {
        m_type = type;
        if (DzIOClassRegistration const* reg = DzPlugin::FindIOClassForType(type)) {
            m_ioName = QString::fromLatin1(reg->ioClass->className());
            m_io.reset(DzPlugin::CreateIOObject(*reg));
            if (m_io) {
                m_mode = Mode::IOClass;
                return true;
            }
            skip(QStringLiteral("no class factory makes its IO class %1").arg(m_ioName));
            return true;
        }
        if (type == kTypeMorph)
            m_modifier = new DzMorph;
        else if (type == kTypeSkinBinding)
            m_modifier = new DzSkinBinding;
        else if (type == kTypeLegacyBinding)
            m_modifier = new DzLegacyBinding;
        if (!m_modifier) {
            skip(QStringLiteral("no IO class is registered for its type"));
            return true;
        }
        // Made at once, so the object's modifiers keep the file's order.
        m_object.addModifier(m_modifier);
        m_mode = Mode::Host;
        return true;
    }

    void skip(QString const& why) {
        m_mode = Mode::Skipped;
        m_context.warnings
            << QStringLiteral("a modifier of type %1 was skipped: %2").arg(quoted(m_type), why);
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
        auto vec = [](double const* v) { return DzVec3(toFloat(v[0]), toFloat(v[1]), toFloat(v[2])); };
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
            return new FixedNumbers(getFile(), m_rotation, 4);
        double* out = key == QLatin1String("origin")     ? m_origin
                      : key == QLatin1String("position") ? m_position
                                                         : m_scale;
        return new FixedNumbers(getFile(), out, 3);
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

class RootItem : public StrictObject {
public:
    RootItem(DzAssetFile* file, DzScene& scene, LoadContext& context)
        : StrictObject(file), m_scene(scene), m_context(context) {}

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

void report(QString const& message, QString* errorMessage) {
    if (dzApp)
        dzApp->log(message);
    if (errorMessage)
        *errorMessage = message;
}

}  // namespace

// -----------------------------------------------------------------------------------------------------------
// DzScene's file functions
// -----------------------------------------------------------------------------------------------------------

bool dzLoadSceneFromStream(DzScene& scene, std::istream& in, QString const& fileName, QString* errorMessage) {
    DzScene fresh;
    LoadContext context;
    QString error;
    {
        DzAssetFile file(fileName);
        RootItem root(&file, fresh, context);
        SceneSax sax(file, root);
        try {
            if (!nlohmann::json::sax_parse(in, &sax))
                error = sax.error().isEmpty() ? QStringLiteral("the file could not be read") : sax.error();
        } catch (std::exception const& e) {
            error = QString::fromUtf8(e.what());
        }
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
        JsonFileWriter writer(file);
        SceneWriter scene(writer, warnings);
        if (!scene.write(*this))
            error = scene.error();
        else if (writer.writeFailed())
            error = QStringLiteral("writing failed: %1").arg(systemError());
        nonFinite = writer.nonFiniteCount();
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
