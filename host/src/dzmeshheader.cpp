#include "dzmeshheader.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using Bytes = unsigned __int128;  // counts times sizes never overflow it

// Headers are short; a count further in than this is left to the importer.
qint64 const kHeaderWindow = 64 * 1024;

Bytes const kHuge = Bytes(1) << 100;  // a count or size beyond any file

// A plain decimal count, saturated: a count beyond 64 bits is beyond any file anyway.
bool parseCount(QByteArray const& token, Bytes* count) {
    if (token.isEmpty())
        return false;
    Bytes n = 0;
    for (char c : token) {
        if (c < '0' || c > '9')
            return false;
        n = n < kHuge ? n * 10 + Bytes(c - '0') : kHuge;
    }
    *count = n;
    return true;
}

// Products and sums of saturated counts, saturated again.
Bytes times(Bytes a, Bytes b) {
    if (a == 0 || b == 0)
        return 0;
    return a >= kHuge / b ? kHuge : a * b;
}

Bytes plus(Bytes a, Bytes b) {
    return std::min(a + b, kHuge);
}

QString number(Bytes n) {
    if (n == 0)
        return QStringLiteral("0");
    QString s;
    for (; n; n /= 10) s.prepend(QChar('0' + int(n % 10)));
    return s;
}

QString tooSmall(QString const& declared, Bytes need, qint64 have) {
    if (need >= kHuge)
        return QStringLiteral("its header declares %1, which no file can hold").arg(declared);
    return QStringLiteral("its header declares %1, which need at least %2 bytes, but only %3 follow it")
        .arg(declared, number(need))
        .arg(have);
}

// Whitespace-separated tokens; # starts a comment that runs to the end of the line.
class OffTokens {
public:
    explicit OffTokens(QByteArray const& text) : m_text(text) {}

    QByteArray next() {
        while (m_pos < m_text.size()) {
            char const c = m_text[m_pos];
            if (c == '#') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                ++m_pos;
            } else {
                break;
            }
        }
        int const start = m_pos;
        while (m_pos < m_text.size()) {
            char const c = m_text[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '#')
                break;
            ++m_pos;
        }
        return m_text.mid(start, m_pos - start);
    }

    int pos() const { return m_pos; }

private:
    QByteArray const& m_text;
    int m_pos = 0;
};

QString offProblem(QByteArray const& head, qint64 size, bool offSuffix) {
    static QRegularExpression const keyword(QStringLiteral("^(ST)?C?N?4?(n?)OFF$"));
    OffTokens tokens(head);
    QByteArray token = tokens.next();
    auto const match = keyword.match(QString::fromLatin1(token));
    Bytes values = 3;  // numbers per vertex
    if (match.hasMatch()) {
        bool const withDimension = !match.capturedRef(2).isEmpty();
        token = tokens.next();
        if (withDimension) {
            Bytes dimension;
            if (!parseCount(token, &dimension))
                return {};
            values = dimension > 0 ? dimension : 1;
            token = tokens.next();
        }
    } else if (!offSuffix) {
        return {};  // not an OFF file
    }
    Bytes vertices, faces;
    QByteArray const vertexText = token, faceText = tokens.next();
    if (!parseCount(vertexText, &vertices) || !parseCount(faceText, &faces))
        return {};
    if (tokens.pos() >= head.size() && head.size() < size)
        return {};  // the counts may run past what was read
    // A number is at least one character, a vertex or a face ends in a separator (but the file's last).
    Bytes need = plus(times(times(vertices, values), 2), times(faces, 2));
    if (need > 0 && need < kHuge)
        --need;
    qint64 const have = size - tokens.pos();
    if (need <= Bytes(have))
        return {};
    return tooSmall(QStringLiteral("%1 %2 and %3 %4")
                        .arg(QString::fromLatin1(vertexText), vertices == 1 ? "vertex" : "vertices",
                             QString::fromLatin1(faceText), faces == 1 ? "face" : "faces"),
                    need, have);
}

int plyTypeSize(QByteArray const& type) {
    static QList<QPair<QByteArray, int>> const sizes = {
        {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},   {"short", 2}, {"ushort", 2},
        {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},    {"int32", 4}, {"uint32", 4},
        {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8},
    };
    for (auto const& [name, bytes] : sizes)
        if (name == type)
            return bytes;
    return 0;
}

struct PlyElement {
    QByteArray name;
    QByteArray countText;
    Bytes count;
    Bytes leastBytes = 0;  // one element's smallest size in the file
};

QString plyProblem(QByteArray const& head, qint64 size) {
    int pos = 0;
    auto nextLine = [&](QByteArray* line) {
        int const end = head.indexOf('\n', pos);
        if (end < 0)
            return false;
        *line = head.mid(pos, end - pos).trimmed();
        pos = end + 1;
        return true;
    };
    QByteArray line;
    if (!nextLine(&line) || line != "ply")
        return {};
    bool binary = false;
    std::vector<PlyElement> elements;
    for (;;) {
        if (!nextLine(&line))
            return {};  // no end of the header within the window
        QList<QByteArray> const words = line.simplified().split(' ');
        if (words[0] == "end_header")
            break;
        if (words[0] == "format" && words.size() >= 2) {
            if (words[1] == "binary_little_endian" || words[1] == "binary_big_endian")
                binary = true;
            else if (words[1] != "ascii")
                return {};
        } else if (words[0] == "element" && words.size() >= 3) {
            Bytes count;
            if (!parseCount(words[2], &count))
                return {};
            elements.push_back({words[1], words[2], count});
        } else if (words[0] == "property" && !elements.empty()) {
            bool const list = words.size() >= 2 && words[1] == "list";
            // A list is at least its count; a text value at least one character and a separator.
            int const bytes = binary ? plyTypeSize(words.value(list ? 2 : 1)) : 2;
            if (bytes == 0)
                return {};
            elements.back().leastBytes += Bytes(bytes);
        }
    }
    Bytes need = 0;
    QStringList declared;
    for (PlyElement const& e : elements) {
        need = plus(need, times(e.count, e.leastBytes));
        declared << QStringLiteral("%1 \u201C%2\u201D")
                        .arg(QString::fromLatin1(e.countText), QString::fromLatin1(e.name));
    }
    if (!binary && need > 0 && need < kHuge)
        --need;  // the last value needs no separator
    qint64 const have = size - pos;
    if (need <= Bytes(have))
        return {};
    QString list = declared.join(QStringLiteral(", "));
    int const last = list.lastIndexOf(QStringLiteral(", "));
    if (last >= 0)
        list.replace(last, 2, QStringLiteral(" and "));
    return tooSmall(list + QStringLiteral(" elements"), need, have);
}

}  // namespace

QString dzMeshHeaderProblem(QString const& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    qint64 const size = file.size();
    QByteArray const head = file.read(kHeaderWindow);
    if (head.startsWith("ply\n") || head.startsWith("ply\r\n"))
        return plyProblem(head, size);
    return offProblem(head, size,
                      QFileInfo(path).suffix().compare(QLatin1String("off"), Qt::CaseInsensitive) == 0);
}
