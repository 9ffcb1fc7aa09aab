// Scene files, writing: JSON text written as it is called through IDzJsonIO, by the host for its own items
// and by the registered IO classes for theirs.

#include <QStringList>
#include <cerrno>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <future>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "dzextramodifierio.h"
#include "dzfacetmesh.h"
#include "dzfileiosettings.h"
#include "dzfloatproperty.h"
#include "dzkeptmodifier.h"
#include "dzlegacybinding.h"
#include "dzmorph.h"
#include "dzmorphdeltas.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzparallel.h"
#include "dzplugin.h"
#include "dzscene.h"
#include "dzscenefile_p.h"
#include "dzshape.h"
#include "dzskinbinding.h"
#include "idzjsonio.h"

using namespace dzscenefile;

namespace {

// Writes JSON text as it is called, through a buffer that goes to the file whenever it fills; the texts of
// its floating-point numbers are made then, on the pool. Misuse (a
// member outside an object, an unbalanced finish) is recorded and fails the save; so is a number that is not
// finite, with the path of its place.
class JsonFileWriter final : public IDzJsonIO {
public:
    explicit JsonFileWriter(std::FILE* file) : m_file(file) { m_buf.reserve(kFlushAt + 4096); }

    void startDocument() {
        m_buf += '{';
        m_stack.push_back({true, true, true, {}, -1});
    }
    void finishDocument() {
        finishObject();
        m_buf += '\n';
        flush();
        waitForWriting();
    }
    ~JsonFileWriter() override { waitForWriting(); }

    size_t depth() const { return m_stack.size(); }
    QString const& misuse() const { return m_misuse; }
    // The errno of the first write that failed, 0 when none.
    int writeError() {
        waitForWriting();
        return m_writeError;
    }
    // The first number that could not be written, with its path; empty when none.
    QString const& valueError() const { return m_valueError; }

    // JSON text made elsewhere, written as an item as it is.
    void addRawItem(std::string const& text) {
        if (item())
            m_buf += text;
    }
    // The same as a member.
    void addRawMember(QString const& name, std::string const& text) {
        if (member(name))
            m_buf += text;
    }

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
    static size_t const kFlushAt = 1 << 20;

    // A number whose text goes into the buffer at offset at.
    struct Pending {
        double value;
        size_t at;
        bool single;
    };

    struct Frame {
        bool object;
        bool ownLines;
        bool empty;
        QString key;  // the current member of an object
        long index;   // the current item of an array
    };

    bool member(QString const& name) {
        if (!place(true))
            return false;
        m_stack.back().key = name;
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
        ++f.index;
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
        m_stack.push_back({object, ownLines, true, {}, -1});
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
        m_buf.append(text, size_t(r.ptr - text));
    }
    // Such as "nodes[2].object.shape.vertices[7][1]", as the reader says it.
    QString path() const {
        QString p;
        for (Frame const& f : m_stack)
            if (f.object)
                p += (p.isEmpty() ? QString() : QStringLiteral(".")) + f.key;
            else
                p += QStringLiteral("[%1]").arg(f.index);
        return shortened(p);
    }

    // The shortest text that reads back to the same value. JSON has no text for infinities and NaN: rather
    // than another number in their place, the save fails.
    template <typename F>
    void putFloat(F value) {
        if (!std::isfinite(value)) {
            if (m_valueError.isEmpty())
                m_valueError = QStringLiteral("at %1: a number that is not finite (%2) cannot be written")
                                   .arg(path(), QString::number(double(value)));
            m_buf += '0';  // keeps the text well-formed; the file never takes the old one's place
            return;
        }
        // Its text is made with the others of the buffer when it is written.
        m_pending.push_back({double(value), m_buf.size(), std::is_same_v<F, float>});
    }
    // The shortest text that reads back to the same value, at out; returns its end.
    static char* floatText(char* out, double value, bool single) {
        if (value == 0 && std::signbit(value)) {
            std::memcpy(out, "-0.0", 4);  // "-0" would read back as the integer 0
            return out + 4;
        }
        if (!single)
            return std::to_chars(out, out + 32, value).ptr;
        float const f = float(value);
        char* end = std::to_chars(out, out + 32, f).ptr;
        // Readers take every number as a double: a float's shortest text can round to another float through
        // the double (7.038531e-26 does). Then the double's text of the float is written.
        if (float(readBack(out, end)) != f)
            end = std::to_chars(out, out + 32, value).ptr;
        return end;
    }
    void putString(QString const& value) { appendJsonString(m_buf, value.toStdString()); }

    // The double nearest to the text to_chars wrote. Most texts of floats have few digits and a small
    // exponent: then the digits and the power of ten are exact doubles and one multiplication or division
    // rounds to the nearest; the rest go through from_chars.
    static double readBack(char const* begin, char const* end) {
        static double const kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        char const* p = begin;
        bool const negative = p != end && *p == '-';
        if (negative)
            ++p;
        uint64_t digits = 0;
        int significant = 0;
        int exponent = 0;
        bool fraction = false;
        for (; p != end && *p != 'e'; ++p) {
            if (*p == '.') {
                fraction = true;
                continue;
            }
            if (digits != 0 || *p != '0') {
                digits = digits * 10 + uint64_t(*p - '0');
                ++significant;
            }
            if (fraction)
                --exponent;
        }
        if (p != end) {
            int written = 0;
            auto const e = std::from_chars(p + 1 + (p[1] == '+'), end, written);
            if (e.ec != std::errc() || e.ptr != end)
                significant = 99;
            exponent += written;
        }
        if (significant > 15 || exponent < -22 || exponent > 22) {
            double back = 0;
            std::from_chars(begin, end, back);
            return back;
        }
        double const m = double(digits);
        double const v = exponent >= 0 ? m * kPowers[exponent] : m / kPowers[-exponent];
        return negative ? -v : v;
    }

    // The buffer goes to the file on a thread of its own while the next one fills; the one before is
    // waited for first, so the file takes them in order.
    void flush() {
        waitForWriting();
        std::swap(m_buf, m_writingBuf);
        std::swap(m_pending, m_writingPending);
        m_buf.clear();
        m_pending.clear();
        m_writing = std::async(std::launch::async, [this] { writeBuffer(m_writingBuf, m_writingPending); });
    }
    void waitForWriting() {
        if (m_writing.valid())
            m_writing.get();
    }

    // The buffer with the texts of its numbers, made on the pool's threads in ranges of its numbers, each
    // range into a piece of its own; the pieces go to the file in order.
    void writeBuffer(std::string const& buf, std::vector<Pending> const& pending) {
        if (pending.empty()) {
            write(buf.data(), buf.size());
            return;
        }
        size_t const kRange = 8192;
        size_t const n = pending.size();
        std::vector<std::string> pieces((n + kRange - 1) / kRange);
        dzParallelFor(pieces.size(), 1, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) {
                size_t const first = i * kRange, last = std::min(n, first + kRange);
                size_t from = first == 0 ? 0 : pending[first - 1].at;
                std::string& piece = pieces[i];
                piece.resize(pending[last - 1].at - from + 32 * (last - first));
                char* out = piece.data();
                for (size_t k = first; k < last; ++k) {
                    Pending const& p = pending[k];
                    std::memcpy(out, buf.data() + from, p.at - from);
                    out = floatText(out + (p.at - from), p.value, p.single);
                    from = p.at;
                }
                piece.resize(size_t(out - piece.data()));
            }
        });
        for (std::string const& piece : pieces) write(piece.data(), piece.size());
        size_t const tail = pending.back().at;
        write(buf.data() + tail, buf.size() - tail);
    }
    // Runs on the writing thread: its errno is that thread's, so it is kept here at once.
    void write(char const* data, size_t size) {
        if (size != 0 && std::fwrite(data, 1, size, m_file) != size && m_writeError == 0)
            m_writeError = errno != 0 ? errno : EIO;
    }

    std::FILE* m_file;
    std::string m_buf;
    std::vector<Pending> m_pending;
    // The buffer before, while it goes to the file.
    std::future<void> m_writing;
    std::string m_writingBuf;
    std::vector<Pending> m_writingPending;
    std::vector<Frame> m_stack;
    QString m_misuse;
    int m_writeError = 0;
    QString m_valueError;
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
        for (auto const& [name, text] : scene.getKeptMembers()) w.addRawMember(name, text);
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
        if (auto* kept = qobject_cast<DzKeptModifier*>(&modifier)) {
            w.addRawItem(kept->getData());
            return true;
        }
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

}  // namespace

bool dzscenefile::writeScene(DzScene const& scene, std::FILE* file, QStringList& warnings, QString& error) {
    JsonFileWriter writer(file);
    SceneWriter sceneWriter(writer, warnings);
    if (!sceneWriter.write(scene))
        error = sceneWriter.error();
    else if (!writer.valueError().isEmpty())
        error = writer.valueError();
    else if (int const failure = writer.writeError(); failure != 0)
        error = QStringLiteral("writing failed: %1").arg(systemError(failure));
    return error.isEmpty();
}
