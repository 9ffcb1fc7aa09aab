// Scene files, reading: the streaming parse. nlohmann::json's SAX events go to a tree of DzAssetJsonItem
// handlers, the host's (dzscenefile_items.cpp) and the registered IO classes'.

#include <QRegularExpression>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dzassetfile.h"
#include "dzassetjsonitem.h"
#include "dzscenefile_p.h"

using dzscenefile::RawTextRecorder;

namespace {

// Feeds nlohmann::json's parse events to the handler tree, keeping the handlers the tree hands over. A value
// whose handler is null is skipped whole. Knows where it is, for its messages. Handlers that are raw-text
// recorders get the text of their object too.
class SceneSax final : public nlohmann::json_sax<nlohmann::json> {
public:
    SceneSax(DzAssetFile& file, DzAssetJsonItem& root) : m_file(file), m_root(root) {}
    ~SceneSax() override {
        // Inner handlers first: they may point into the outer ones.
        while (!m_stack.empty()) m_stack.pop_back();
    }

    QString const& error() const { return m_error; }

    bool null() override {
        if (m_recorders > 0)
            recordValue("null");
        return value([](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addNullMember(f.key) : it.addNullItem();
        });
    }
    bool boolean(bool v) override {
        if (m_recorders > 0)
            recordValue(v ? "true" : "false");
        return value([v](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addBoolMember(f.key, v) : it.addBoolItem(v);
        });
    }
    bool number_integer(number_integer_t v) override {
        if (m_recorders > 0)
            recordInteger(v);
        return number(double(v));
    }
    bool number_unsigned(number_unsigned_t v) override {
        if (m_recorders > 0)
            recordInteger(v);
        return number(double(v));
    }
    bool number_float(number_float_t v, string_t const& text) override {
        if (m_recorders > 0)
            recordValue(text);
        return number(v);
    }
    bool string(string_t& v) override {
        if (m_recorders > 0) {
            std::string quotedText;
            dzscenefile::appendJsonString(quotedText, v);
            recordValue(quotedText);
        }
        QString const text = QString::fromStdString(v);
        return value([&text](DzAssetJsonItem& it, Frame const& f) {
            return f.object ? it.addStringMember(f.key, text) : it.addStringItem(text);
        });
    }
    bool binary(binary_t&) override { return true; }  // JSON text has none
    bool start_object(std::size_t) override { return open(true); }
    bool key(string_t& k) override {
        Frame& f = m_stack.back();
        f.key = QString::fromStdString(k);
        if (m_recorders > 0) {
            std::string text = f.textStarted ? "," : "";
            f.textStarted = true;
            dzscenefile::appendJsonString(text, k);
            text += ':';
            record(text);
        }
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
        return fail(readable(QString::fromStdString(text)), !m_stack.empty());
    }

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

    // Appends to the text of every recorder that still keeps it.
    void record(std::string const& text) {
        for (Frame& f : m_stack)
            if (f.recorder && f.recorder->keepRawText)
                f.recorder->rawText += text;
    }
    // A value: after its key in an object, after a separator in an array.
    void recordValue(std::string const& text) {
        Frame& f = m_stack.back();
        if (f.object) {
            record(text);
            return;
        }
        record(f.textStarted ? "," + text : text);
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
        if (m_recorders > 0)
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
                child.recorder = dynamic_cast<RawTextRecorder*>(handler);
                if (child.recorder && child.recorder->keepRawText) {
                    child.recorder->rawText = object ? "{" : "[";
                    ++m_recorders;
                } else {
                    child.recorder = nullptr;
                }
            }
            if (!checked(true, true))
                return false;
        }
        m_stack.push_back(std::move(child));
        return true;
    }

    bool close() {
        Frame& f = m_stack.back();
        if (m_recorders > 0)
            record(f.object ? "}" : "]");
        if (f.item && !checked(f.item->finish(), false))
            return false;
        if (f.recorder)
            --m_recorders;
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
    int m_recorders = 0;  // frames of recorders on the stack
    QString m_error;
};

}  // namespace

void dzscenefile::appendJsonString(std::string& out, std::string const& utf8) {
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

QString dzscenefile::parseJson(std::istream& in, DzAssetFile& file, DzAssetJsonItem& root) {
    SceneSax sax(file, root);
    try {
        if (!nlohmann::json::sax_parse(in, &sax))
            return sax.error().isEmpty() ? QStringLiteral("the file could not be read") : sax.error();
    } catch (std::exception const& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
