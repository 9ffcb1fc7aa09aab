// Scene files, reading: the streaming parse. simdjson's On-Demand stream, or where it does not take the text
// nlohmann::json's SAX events, goes to a tree of DzAssetJsonItem handlers, the host's
// (dzscenefile_items.cpp) and the registered IO classes'.

#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <nlohmann/json.hpp>
#include <simdjson.h>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "dzassetfile.h"
#include "dzassetjsonitem.h"
#include "dzscenefile_p.h"

using dzscenefile::kJsonPadding;
using dzscenefile::RawTextRecorder;

static_assert(simdjson::SIMDJSON_PADDING <= kJsonPadding);

namespace {

// The parse's events to the handler tree, keeping the handlers the tree hands over. A value whose handler is
// null is skipped whole. Knows where it is, for its messages. Handlers that are raw-text recorders get the
// text of their object too. Each function returns false once the read has failed.
class SceneEvents {
public:
    SceneEvents(DzAssetFile& file, DzAssetJsonItem& root)
        : m_file(file), m_root(root), m_keeper(dynamic_cast<dzscenefile::MemberKeeper*>(&root)) {}
    ~SceneEvents() {
        // Inner handlers first: they may point into the outer ones.
        while (!m_stack.empty()) m_stack.pop_back();
    }

    QString const& error() const { return m_error; }
    bool recording() {
        if (!m_recorderFrames.empty())
            dropSilentRecorders();
        return !m_recorderFrames.empty() || m_keepingMember;
    }

    bool null() {
        if (recording())
            recordValue("null");
        return value([](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addNullMember(f.key) : it.addNullItem();
        });
    }
    bool boolean(bool v) {
        if (recording())
            recordValue(v ? "true" : "false");
        return value([v](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addBoolMember(f.key, v) : it.addBoolItem(v);
        });
    }
    template <typename Int>
    bool integer(Int v) {
        if (recording())
            recordInteger(v);
        return number(double(v));
    }
    // A number with its text as the file has it, for the recorders.
    bool number(double v, std::string_view text) {
        if (recording())
            recordValue(text);
        return number(v);
    }
    bool string(std::string_view v) {
        if (recording()) {
            std::string quotedText;
            dzscenefile::appendJsonString(quotedText, v);
            recordValue(quotedText);
        }
        QString const text = QString::fromUtf8(v.data(), int(v.size()));
        return value([&text](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addStringMember(f.key, text) : it.addStringItem(text);
        });
    }
    bool startObject() { return open(true); }
    bool key(std::string_view k) {
        Frame& f = m_stack.back();
        f.key = QString::fromUtf8(k.data(), int(k.size()));
        if (recording()) {
            std::string text = f.textStarted ? "," : "";
            f.textStarted = true;
            dzscenefile::appendJsonString(text, k);
            text += ':';
            record(text);
        }
        // A member of the top object that its handler keeps: its value is recorded from here.
        if (m_stack.size() == 1 && m_keeper && m_keeper->keepsMember(f.key)) {
            m_keepingMember = true;
            m_memberText.clear();
        }
        return true;
    }
    bool endObject() { return close(); }
    bool startArray() { return open(false); }
    bool endArray() { return close(); }
    // The text could not be parsed; where the parse knows the place, it is inside the current value.
    bool syntaxError(QString const& message) { return fail(readable(message), !m_stack.empty()); }

private:
    // nlohmann quotes what it last read with each control character as "<U+0009>": a line of tabs becomes a
    // wall of those. Written as escapes (\t, \u0001), and only the end of a long run.
    static QString readable(QString text) {
        static QRegularExpression const control(QStringLiteral("<U\\+([0-9A-F]{4})>"));
        QString const mark = QStringLiteral("; last read: '");
        int const start = text.indexOf(mark);
        if (start < 0)
            return text;
        // What follows the quoted text: "'", or "'; expected ..." for a syntax error.
        int end = text.lastIndexOf(QStringLiteral("'; expected "));
        if (end < start)
            end = text.endsWith('\'') ? text.size() - 1 : text.size();
        QString const read = text.mid(start + mark.size(), end - start - mark.size());
        QString const tail = text.mid(end);
        QString out;
        int at = 0;
        for (auto it = control.globalMatch(read); it.hasNext();) {
            auto const m = it.next();
            out += read.mid(at, m.capturedStart() - at);
            ushort const code = m.capturedRef(1).toUShort(nullptr, 16);
            out += code == 9    ? QStringLiteral("\\t")
                   : code == 10 ? QStringLiteral("\\n")
                   : code == 13 ? QStringLiteral("\\r")
                                : QStringLiteral("\\u") + m.captured(1);
            at = m.capturedEnd();
        }
        out += read.mid(at);
        int const keep = 40;
        if (out.size() > keep)
            out = QStringLiteral("...") + out.right(keep);
        return text.left(start) + mark + out + tail;
    }

    struct Frame {
        DzAssetJsonItem* item = nullptr;  // null: skipping
        std::unique_ptr<DzAssetJsonItem> owned;
        bool object = false;
        QString key;                          // the current member of an object
        int64_t index = 0;                    // the current item of an array
        RawTextRecorder* recorder = nullptr;  // the item's, when it is one
        bool textStarted = false;             // recorded text: a value is in the container already
    };

    // A recorder that stopped keeping its text is not asked again: the values inside it go by unrecorded.
    void dropSilentRecorders() {
        auto const silent = [this](size_t frame) {
            Frame& f = m_stack[frame];
            if (f.recorder->keepRawText)
                return false;
            f.recorder = nullptr;
            return true;
        };
        m_recorderFrames.erase(std::remove_if(m_recorderFrames.begin(), m_recorderFrames.end(), silent),
                               m_recorderFrames.end());
    }
    // Appends to the text of every recorder that still keeps it.
    void record(std::string_view text) {
        if (m_keepingMember)
            m_memberText += text;
        for (size_t frame : m_recorderFrames)
            if (RawTextRecorder* recorder = m_stack[frame].recorder; recorder->keepRawText)
                recorder->rawText += text;
    }
    // A value: after its key in an object, after a separator in an array.
    void recordValue(std::string_view text) {
        Frame& f = m_stack.back();
        if (!f.object && f.textStarted)
            record(",");
        record(text);
        if (!f.object)
            f.textStarted = true;
    }
    template <typename Int>
    void recordInteger(Int v) {
        char text[24];
        auto const r = std::to_chars(text, text + sizeof text, v);
        recordValue(std::string(text, r.ptr));
    }

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
        return m_stack.size() > 1 || endKeptMember();
    }

    // After a value of the top object: a member kept goes to the keeper.
    bool endKeptMember() {
        if (!m_keepingMember)
            return true;
        m_keepingMember = false;
        return checked(m_keeper->keepMember(m_stack.back().key, std::move(m_memberText)), true);
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
        if (recording())
            recordValue(object ? "{" : "[");
        Frame& f = m_stack.back();
        Frame child;
        child.object = object;
        if (f.item) {
            DzAssetJsonItem* handler =
                f.object ? (object ? f.item->startMemberObject(f.key) : f.item->startMemberArray(f.key))
                         : (object ? f.item->startObject() : f.item->startArray());
            child.item = handler;
            if (handler && !isOnStack(handler)) {
                child.owned.reset(handler);
                child.recorder = recorderOf(handler);
                if (child.recorder && child.recorder->keepRawText) {
                    child.recorder->rawText = object ? "{" : "[";
                    m_recorderFrames.push_back(m_stack.size());
                } else {
                    child.recorder = nullptr;
                }
            }
            if (!checked(true, true))
                return false;
        }
        if (child.item && child.item != &m_root)
            ++m_itemsOnStack[child.item];
        m_stack.push_back(std::move(child));
        return true;
    }

    bool close() {
        if (recording())
            record(m_stack.back().object ? "}" : "]");
        Frame& f = m_stack.back();
        if (f.item && !checked(f.item->finish(), false))
            return false;
        if (f.recorder)
            m_recorderFrames.pop_back();  // the innermost: those inside it have closed
        if (f.item && f.item != &m_root && --m_itemsOnStack[f.item] == 0)
            m_itemsOnStack.erase(f.item);
        m_stack.pop_back();
        if (!m_stack.empty() && !m_stack.back().object)
            ++m_stack.back().index;
        return m_stack.size() != 1 || endKeptMember();
    }

    // The handler as a recorder, or null. A cast across libraries compares type names: a large array makes
    // one handler per item, all of one type, so the answer is kept per type.
    RawTextRecorder* recorderOf(DzAssetJsonItem* handler) {
        std::type_info const* type = &typeid(*handler);
        if (type != m_castType) {
            RawTextRecorder* recorder = dynamic_cast<RawTextRecorder*>(handler);
            m_castType = type;
            m_castOffset =
                recorder ? reinterpret_cast<char*>(recorder) - reinterpret_cast<char*>(handler) : 0;
            m_castIsRecorder = recorder != nullptr;
        }
        return m_castIsRecorder
                   ? reinterpret_cast<RawTextRecorder*>(reinterpret_cast<char*>(handler) + m_castOffset)
                   : nullptr;
    }

    // Counted, not searched: a file nested a hundred thousand levels deep must not take quadratic time.
    bool isOnStack(DzAssetJsonItem const* item) const {
        return item == &m_root || m_itemsOnStack.count(item) != 0;
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
        return dzscenefile::shortened(p);
    }

    DzAssetFile& m_file;
    DzAssetJsonItem& m_root;
    dzscenefile::MemberKeeper* m_keeper;  // the root's, when it keeps members
    bool m_keepingMember = false;         // a member of the top object is being recorded for it
    std::string m_memberText;
    std::vector<Frame> m_stack;
    std::vector<size_t> m_recorderFrames;  // the frames whose recorder keeps its text, outermost first
    std::unordered_map<DzAssetJsonItem const*, int>
        m_itemsOnStack;                          // handlers of the frames, the root's aside
    std::type_info const* m_castType = nullptr;  // the last type recorderOf cast
    std::ptrdiff_t m_castOffset = 0;
    bool m_castIsRecorder = false;
    QString m_error;
};

// nlohmann::json's SAX events to the scene's events: the exact parse, whose messages say what is wrong and
// where in the text.
class NlohmannSax final : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit NlohmannSax(SceneEvents& events) : e(events) {}

    bool null() override { return e.null(); }
    bool boolean(bool v) override { return e.boolean(v); }
    bool number_integer(number_integer_t v) override { return e.integer(v); }
    bool number_unsigned(number_unsigned_t v) override { return e.integer(v); }
    bool number_float(number_float_t v, string_t const& text) override { return e.number(v, text); }
    bool string(string_t& v) override { return e.string(v); }
    bool binary(binary_t&) override { return true; }  // JSON text has none
    bool start_object(std::size_t) override { return e.startObject(); }
    bool key(string_t& k) override { return e.key(k); }
    bool end_object() override { return e.endObject(); }
    bool start_array(std::size_t) override { return e.startArray(); }
    bool end_array() override { return e.endArray(); }
    bool parse_error(std::size_t, std::string const&, nlohmann::detail::exception const& x) override {
        // Without nlohmann's "[json.exception.parse_error.101] " tag.
        std::string text = x.what();
        if (text.rfind("[json.exception.", 0) == 0) {
            size_t const end = text.find("] ");
            if (end != std::string::npos)
                text.erase(0, end + 2);
        }
        return e.syntaxError(QString::fromStdString(text));
    }

private:
    SceneEvents& e;
};

// simdjson's On-Demand stream to the scene's events: the fast parse. Every value is visited, skipped ones
// too, so that all text before a value a handler sees has been checked. What it does not take (a syntax
// error, nesting deeper than simdjson follows, a top value that is no object) is left to the exact parse:
// Bad is returned then, with no message.
class SimdjsonWalk {
public:
    enum class Result { Done, Failed, Bad };

    explicit SimdjsonWalk(SceneEvents& events) : e(events) {}

    Result run(std::string_view text) {
        simdjson::ondemand::parser parser;
        m_maxDepth = parser.max_depth();
        simdjson::ondemand::document document;
        if (parser.iterate(simdjson::padded_string_view(text.data(), text.size(), text.size() + kJsonPadding))
                .get(document))
            return Result::Bad;
        simdjson::ondemand::object root;
        if (document.get_object().get(root))
            return Result::Bad;
        Result const r = object(root);
        if (r != Result::Done)
            return r;
        // Nothing but white space after the top value.
        return document.current_location().error() == simdjson::OUT_OF_BOUNDS ? Result::Done : Result::Bad;
    }

private:
    static Result failed(bool accepted) { return accepted ? Result::Done : Result::Failed; }

    Result object(simdjson::ondemand::object& o) {
        if (!e.startObject())
            return Result::Failed;
        for (auto field : o) {
            std::string_view key;
            if (field.unescaped_key().get(key))
                return Result::Bad;
            if (!e.key(key))
                return Result::Failed;
            simdjson::ondemand::value v;
            if (field.value().get(v))
                return Result::Bad;
            if (Result const r = value(v); r != Result::Done)
                return r;
        }
        return failed(e.endObject());
    }

    Result array(simdjson::ondemand::array& a) {
        if (!e.startArray())
            return Result::Failed;
        for (auto item : a) {
            simdjson::ondemand::value v;
            if (item.get(v))
                return Result::Bad;
            if (Result const r = value(v); r != Result::Done)
                return r;
        }
        return failed(e.endArray());
    }

    Result value(simdjson::ondemand::value& v) {
        simdjson::ondemand::json_type type;
        if (v.type().get(type))
            return Result::Bad;
        switch (type) {
            case simdjson::ondemand::json_type::number:
                return number(v);
            case simdjson::ondemand::json_type::array: {
                // Deeper than the parser follows: simdjson asserts there in a debug build, so the exact parse
                // takes the text before it is reached.
                Deeper const deeper(m_depth);
                simdjson::ondemand::array a;
                if (m_depth + 1 >= m_maxDepth || v.get_array().get(a))
                    return Result::Bad;
                return array(a);
            }
            case simdjson::ondemand::json_type::object: {
                Deeper const deeper(m_depth);
                simdjson::ondemand::object o;
                if (m_depth + 1 >= m_maxDepth || v.get_object().get(o))
                    return Result::Bad;
                return object(o);
            }
            case simdjson::ondemand::json_type::string: {
                std::string_view s;
                if (v.get_string().get(s))
                    return Result::Bad;
                return failed(e.string(s));
            }
            case simdjson::ondemand::json_type::boolean: {
                bool b = false;
                if (v.get_bool().get(b))
                    return Result::Bad;
                return failed(e.boolean(b));
            }
            case simdjson::ondemand::json_type::null: {
                bool isNull = false;
                if (v.is_null().get(isNull) || !isNull)
                    return Result::Bad;
                return failed(e.null());
            }
        }
        return Result::Bad;
    }

    // The same double as the exact parse gives: the nearest to the text, but an integer's zero has no sign
    // ("-0" is the integer 0, "-0.0" a negative zero). Recorded text is the file's, "-0" again as "0".
    Result number(simdjson::ondemand::value& v) {
        double d = 0;
        if (v.get_double().get(d))
            return Result::Bad;
        bool const recording = e.recording();
        if (d != 0 && !recording)
            return failed(e.number(d, {}));
        std::string_view text = v.raw_json_token();
        size_t const end = text.find_first_of(" \t\n\r");
        if (end != std::string_view::npos)
            text = text.substr(0, end);
        if (d == 0 && text.find_first_of(".eE") == std::string_view::npos) {
            d = 0;
            if (text == "-0")
                text = "0";
        }
        return failed(e.number(d, text));
    }

    // One level more while it lives.
    struct Deeper {
        explicit Deeper(size_t& depth) : m_depth(depth) { ++m_depth; }
        ~Deeper() { --m_depth; }
        size_t& m_depth;
    };

    size_t m_depth = 1;  // the top object
    size_t m_maxDepth = 0;
    SceneEvents& e;
};

}  // namespace

void dzscenefile::appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(static_cast<unsigned char>(c)));
                    out += esc;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

QString dzscenefile::parseJson(std::string_view text, DzAssetFile& file, DzAssetJsonItem& root, bool fast,
                               bool& slowNeeded) {
    slowNeeded = false;
    SceneEvents events(file, root);
    try {
        if (fast) {
            switch (SimdjsonWalk(events).run(text)) {
                case SimdjsonWalk::Result::Done:
                    return QString();
                case SimdjsonWalk::Result::Failed:
                    return events.error().isEmpty() ? QStringLiteral("the file could not be read")
                                                    : events.error();
                case SimdjsonWalk::Result::Bad:
                    slowNeeded = true;
                    return QStringLiteral("the file could not be read");
            }
        }
        NlohmannSax sax(events);
        if (!nlohmann::json::sax_parse(text.begin(), text.end(), &sax))
            return events.error().isEmpty() ? QStringLiteral("the file could not be read") : events.error();
    } catch (std::exception const& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
