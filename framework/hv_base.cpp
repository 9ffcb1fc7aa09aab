#include "hv_base.h"

#include <fmt/format.h>

#include <QStringList>

#include <array>
#include <cctype>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "dzguid.h"
#include "hv_globals.h"

// ----------------------------------------------------------------------------------------------------------
// HvException
// -----------------------------------------------------------------------------------------------------------

HvException::HvException(char const* text) : m_strMessage(text) {}

HvException::HvException(QString const& text) : m_strMessage(text.toUtf8().constData()) {}

HvException::~HvException() = default;

char const* HvException::what() const noexcept {
    return m_strMessage.c_str();
}

// ----------------------------------------------------------------------------------------------------------
// HvElapsedTime
// -----------------------------------------------------------------------------------------------------------

struct HvElapsedTime::Impl {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

HvElapsedTime::HvElapsedTime() : m_pImpl(std::make_unique<Impl>()) {}

HvElapsedTime::~HvElapsedTime() = default;

int64_t HvElapsedTime::elapsed() const {
    auto const ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                         m_pImpl->start);
    return static_cast<int64_t>(ns.count() / 1000000);
}

// ----------------------------------------------------------------------------------------------------------
// Trimming and splitting
// -----------------------------------------------------------------------------------------------------------

namespace {

// isspace and friends take an int that must be an unsigned char value (or EOF); plain char may be negative.
bool isSpaceByte(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

template <typename Container, typename Insert>
Container explode(std::string const& text, std::string const& separator, bool bTrim, bool keepEmpty,
                  Insert insert) {
    Container result;
    ForEachSubstring(text, separator, [&](std::string const& piece) {
        if (!keepEmpty && piece.empty()) {
            return;
        }
        if (bTrim) {
            insert(result, trimmed(piece));
        } else {
            insert(result, piece);
        }
    });
    return result;
}

template <typename Container>
std::string implodeTexts(std::string const& separator, Container const& pieces) {
    std::string result;
    if (pieces.empty()) {
        return result;
    }
    size_t total = separator.size() * (pieces.size() - 1);
    for (auto const& piece : pieces) {
        total += piece.size();
    }
    result.reserve(total);
    bool first = true;
    for (auto const& piece : pieces) {
        if (!first) {
            result += separator;
        }
        result += piece;
        first = false;
    }
    return result;
}

}  // namespace

void ltrim(std::string& text) {
    size_t i = 0;
    while (i < text.size() && isSpaceByte(text[i])) {
        ++i;
    }
    text.erase(0, i);
}

void rtrim(std::string& text) {
    size_t n = text.size();
    while (n > 0 && isSpaceByte(text[n - 1])) {
        --n;
    }
    text.erase(n);
}

void trim(std::string& text) {
    ltrim(text);
    rtrim(text);
}

std::string trimmed(std::string text) {
    trim(text);
    return text;
}

void ForEachSubstring(std::string const& text, std::string const& separator,
                      std::function<void(std::string const&)> const& function) {
    // An empty separator would be found at every position without advancing.
    if (separator.empty()) {
        function(text);
        return;
    }
    size_t pos = 0;
    for (;;) {
        size_t const found = text.find(separator, pos);
        if (found == std::string::npos) {
            function(text.substr(pos));
            return;
        }
        if (found > pos) {
            function(text.substr(pos, found - pos));
        }
        pos = found + separator.size();
    }
}

// ----------------------------------------------------------------------------------------------------------
// HvHelpers
// -----------------------------------------------------------------------------------------------------------

std::string HvHelpers::Quote(char const* text) {
    return OPEN_QUOTE + std::string(text ? text : "") + CLOSE_QUOTE;
}

std::string HvHelpers::Quote(std::string const& text) {
    return OPEN_QUOTE + text + CLOSE_QUOTE;
}

QString HvHelpers::QuoteQ(char const* text) {
    return ToQString(Quote(text));
}

QString HvHelpers::ToQString(std::string const& text) {
    return QString::fromUtf8(text.c_str());
}

std::string HvHelpers::ToStdString(QString const& text) {
    return std::string(text.toUtf8().constData());
}

std::string HvHelpers::ToLower(std::string const& text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string HvHelpers::ToUpper(std::string const& text) {
    std::string result(text);
    for (char& c : result) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string HvHelpers::Implode(std::string const& separator, std::vector<std::string> const& pieces) {
    return implodeTexts(separator, pieces);
}

std::string HvHelpers::Implode(std::string const& separator, std::set<std::string> const& pieces) {
    return implodeTexts(separator, pieces);
}

std::string HvHelpers::Implode(std::string const& separator, std::vector<int> const& numbers) {
    std::vector<std::string> pieces;
    pieces.reserve(numbers.size());
    for (int n : numbers) {
        pieces.push_back(std::to_string(n));
    }
    return implodeTexts(separator, pieces);
}

QString HvHelpers::ImplodeQ(std::string const& separator, std::vector<std::string> const& pieces) {
    QString result;
    if (pieces.empty()) {
        return result;
    }
    QString const sep = ToQString(separator);
    QStringList converted;
    converted.reserve(static_cast<int>(pieces.size()));
    int total = sep.size() * static_cast<int>(pieces.size() - 1);
    for (auto const& piece : pieces) {
        converted.push_back(ToQString(piece));
        total += converted.back().size();
    }
    result.reserve(total);
    for (int i = 0; i < converted.size(); ++i) {
        if (i > 0) {
            result += sep;
        }
        result += converted[i];
    }
    return result;
}

QString HvHelpers::ImplodeQ(std::string const& separator, std::set<std::string> const& pieces) {
    return ToQString(Implode(separator, pieces));
}

std::set<std::string> HvHelpers::ExplodeSet(std::string const& text, std::string const& separator, bool trim,
                                            bool keepEmpty) {
    return explode<std::set<std::string>>(
        text, separator, trim, keepEmpty,
        [](std::set<std::string>& set, std::string const& piece) { set.insert(piece); });
}

std::vector<std::string> HvHelpers::ExplodeVector(std::string const& text, std::string const& separator,
                                                  bool trim, bool keepEmpty) {
    return explode<std::vector<std::string>>(
        text, separator, trim, keepEmpty,
        [](std::vector<std::string>& vector, std::string const& piece) { vector.push_back(piece); });
}

std::string HvHelpers::Pluralize(unsigned long count, char const* singular, char const* plural) {
    return ToStdString(PluralizeQ(count, singular, plural));
}

QString HvHelpers::PluralizeQ(unsigned long count, char const* singular, char const* plural) {
    if (count == 1) {
        return QString::fromUtf8(singular);
    }
    return QString::fromUtf8(plural).replace(QStringLiteral("%d"),
                                             ToQString(FormatNumberWithThousands(count)), Qt::CaseSensitive);
}

std::string HvHelpers::MakePath(std::string const& first, std::string const& second) {
    return ToStdString(MakePathQ(ToQString(first), ToQString(second)));
}

QString HvHelpers::MakePathQ(QString const& first, QString const& second) {
    QString a = first;
    QString b = second;
    a.replace(QLatin1Char('\\'), QLatin1Char('/'));
    b.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!a.endsWith(QLatin1Char('/')) && !b.startsWith(QLatin1Char('/'))) {
        a += QLatin1Char('/');
    }
    return a + b;
}

std::string const& HvHelpers::StringOrOther(std::string const& first, std::string const& second) {
    return first.empty() ? second : first;
}

std::string HvHelpers::StringOrOther(QString const& first, QString const& second) {
    return ToStdString(first.isEmpty() ? second : first);
}

QString HvHelpers::StringOrOtherQ(std::string const& first, std::string const& second) {
    return ToQString(first.empty() ? second : first);
}

QString const& HvHelpers::StringOrOtherQ(QString const& first, QString const& second) {
    return first.isEmpty() ? second : first;
}

QUuid HvHelpers::UuidFromString(char const* text) {
    if (text == nullptr || *text == '\0') {
        return QUuid();
    }
    return DzGuid::fromCString(text).toQUuid();
}

QUuid HvHelpers::UuidFromString(QString const& text) {
    return DzGuid::fromString(text).toQUuid();
}

bool HvHelpers::StartsWith(std::string const& text, std::string const& prefix) {
    if (prefix.empty() || prefix.size() > text.size()) {
        return false;
    }
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool HvHelpers::EndsWith(std::string const& text, std::string const& suffix) {
    if (suffix.size() > text.size()) {
        return false;
    }
    return text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string HvHelpers::FormatNumberWithThousands(unsigned long number) {
    std::ostringstream stream;
    // A fresh facet per call: the locale owns and frees it.
    stream.imbue(std::locale(std::cout.getloc(), new separate_thousands));
    stream << std::fixed << std::setprecision(2) << number;
    return stream.str();
}

namespace {

QString formatElapsed(unsigned long hours, unsigned long minutes, unsigned long seconds, bool hoursForm) {
    QChar const zero = QLatin1Char('0');
    if (hoursForm) {
        return QStringLiteral("%1:%2:%3 hours")
            .arg(hours)
            .arg(minutes, 2, 10, zero)
            .arg(seconds, 2, 10, zero);
    }
    return QStringLiteral("%1:%2 minutes").arg(minutes).arg(seconds, 2, 10, zero);
}

}  // namespace

QString HvHelpers::FormatMilliSecondsElapsedQ(unsigned long milliSeconds) {
    unsigned long const h = milliSeconds / 3600000UL;
    unsigned long const m = (milliSeconds / 60000UL) % 60;
    unsigned long const sec = (milliSeconds / 1000UL) % 60;
    if (milliSeconds >= 3600000UL) {
        return formatElapsed(h, m, sec, true);
    }
    if (m != 0) {
        return formatElapsed(h, m, sec, false);
    }
    // Three digits after the point, so that 1005 ms reads 1.005 and not 1.5.
    return QStringLiteral("%1.%2 seconds").arg(sec).arg(milliSeconds % 1000, 3, 10, QLatin1Char('0'));
}

QString HvHelpers::FormatSecondsElapsedQ(unsigned long seconds) {
    unsigned long const h = seconds / 3600;
    unsigned long const m = (seconds / 60) % 60;
    unsigned long const sec = seconds % 60;
    if (seconds >= 3600) {
        return formatElapsed(h, m, sec, true);
    }
    if (m != 0) {
        return formatElapsed(h, m, sec, false);
    }
    return QStringLiteral("%1 seconds").arg(sec);
}

std::string HvHelpers::FormatBytes(unsigned long bytes) {
    static std::array<std::string, 7> const s_units = {" bytes", " KB", " MB", " GB", " TB", " PB", " EB"};
    // 64-bit arithmetic whatever the width of unsigned long.
    uint64_t const n = bytes;
    if (n < 1024) {
        return std::to_string(n) + s_units[0];
    }
    size_t unit = 1;
    while (unit < 6 && n >= (uint64_t{1} << (10 * (unit + 1)))) {
        ++unit;
    }
    double const value = static_cast<double>(n >> (10 * (unit - 1))) * (1.0 / 1024.0);
    return fmt::format("{:03.2f}", value) + s_units[unit];
}

std::string HvHelpers::FormatHelp(std::string const& text) {
    std::string result(text);
    FindReplaceInPlace(result, "%{", OPEN_QUOTE);
    FindReplaceInPlace(result, "}%", CLOSE_QUOTE);
    FindReplaceInPlace(result, " -> ", std::string(" ") + RIGHTWARDS_ARROW + " ");
    FindReplaceInPlace(result, "%PLUGINNAME%", g_pcszPluginTitle);
    return result;
}

QString HvHelpers::FormatHelpQ(QString const& text) {
    return ToQString(FormatHelp(ToStdString(text)));
}

void HvHelpers::FindReplaceInPlace(std::string& text, std::string const& search,
                                   std::string const& replacement) {
    // An empty search text matches everywhere and would never end.
    if (search.empty()) {
        return;
    }
    size_t pos = 0;
    while ((pos = text.find(search, pos)) != std::string::npos) {
        text.replace(pos, search.size(), replacement);
        pos += replacement.size();
    }
}

// ----------------------------------------------------------------------------------------------------------
// HvJsonHelpers
// -----------------------------------------------------------------------------------------------------------

std::string HvJsonHelpers::jsonGetStringValue(nlohmann::json const& object, char const* key, int index) {
    char const* const name = key ? key : "";
    nlohmann::json::const_iterator it = object.end();
    if (object.is_object()) {
        it = object.find(name);
    }
    if (it == object.end()) {
        throw HvException(
            fmt::format("invalid JSON input data: missing '{}' key in object at root array index {}", name,
                        index)
                .c_str());
    }
    if (!it->is_string()) {
        throw HvException(
            fmt::format(
                "invalid JSON input data: expected string at '{}' key in object at root array index {}", name,
                index)
                .c_str());
    }
    return it->get<std::string>();
}
