#pragma once

// The lowest layer of the framework: the exception type, a stopwatch, text helpers, the character constants
// and JSON reads. Sections run from the most basic up; helpers for host access, which use all of them, belong
// after the last one.

#include <QChar>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <exception>
#include <functional>
#include <locale>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

// ----------------------------------------------------------------------------------------------------------
// Exception
// -----------------------------------------------------------------------------------------------------------

// The one exception type of the system. Catch it as std::exception const&.
class HvException : public std::exception {
public:
    // The text must not be null.
    explicit HvException(char const* text);
    explicit HvException(QString const& text);
    ~HvException() override;

    char const* what() const noexcept override;

private:
    std::string m_strMessage;  // UTF-8
};

// ----------------------------------------------------------------------------------------------------------
// Stopwatch
// -----------------------------------------------------------------------------------------------------------

// Starts at construction; elapsed() gives the whole milliseconds since then on the steady clock.
class HvElapsedTime {
public:
    HvElapsedTime();
    ~HvElapsedTime();
    HvElapsedTime(HvElapsedTime const&) = delete;
    HvElapsedTime& operator=(HvElapsedTime const&) = delete;

    int64_t elapsed() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

// ----------------------------------------------------------------------------------------------------------
// Text helpers
// -----------------------------------------------------------------------------------------------------------

// Groups of three digits separated by ','.
struct separate_thousands : std::numpunct<char> {
protected:
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

// An empty text, for functions that hand out a reference to a text they may not have. Inline, so that in
// every file that includes this header it is built before the static objects defined after the include.
inline std::string const g_strEmpty;

// Static functions for texts. A text is a UTF-8 std::string unless it is a QString.
class HvHelpers {
public:
    HvHelpers() = delete;

    // Typographic characters, as UTF-8 and as a QChar (which converts to QString). Constants that need no
    // construction at run time, so that a static initialiser of any file may read them.
    static constexpr char OPEN_QUOTE[] = "\xE2\x80\x9C";  // U+201C
    static constexpr QChar OPEN_QUOTE_Q{u'\u201C'};
    static constexpr char CLOSE_QUOTE[] = "\xE2\x80\x9D";  // U+201D
    static constexpr QChar CLOSE_QUOTE_Q{u'\u201D'};
    static constexpr char EM_DASH[] = "\xE2\x80\x94";  // U+2014
    static constexpr QChar EM_DASH_Q{u'\u2014'};
    static constexpr char LEFTWARDS_ARROW[] = "\xE2\x86\x90";  // U+2190
    static constexpr QChar LEFTWARDS_ARROW_Q{u'\u2190'};
    static constexpr char UPWARDS_ARROW[] = "\xE2\x86\x91";  // U+2191
    static constexpr QChar UPWARDS_ARROW_Q{u'\u2191'};
    static constexpr char RIGHTWARDS_ARROW[] = "\xE2\x86\x92";  // U+2192
    static constexpr QChar RIGHTWARDS_ARROW_Q{u'\u2192'};
    static constexpr char DOWNWARDS_ARROW[] = "\xE2\x86\x93";  // U+2193
    static constexpr QChar DOWNWARDS_ARROW_Q{u'\u2193'};
    static constexpr char BLACK_UP_POINTING_TRIANGLE[] = "\xE2\x96\xB2";  // U+25B2
    static constexpr QChar BLACK_UP_POINTING_TRIANGLE_Q{u'\u25B2'};
    static constexpr char BLACK_DOWN_POINTING_TRIANGLE[] = "\xE2\x96\xBC";  // U+25BC
    static constexpr QChar BLACK_DOWN_POINTING_TRIANGLE_Q{u'\u25BC'};
    static constexpr char BLACK_RIGHT_POINTING_TRIANGLE[] = "\xE2\x96\xB6";  // U+25B6
    static constexpr QChar BLACK_RIGHT_POINTING_TRIANGLE_Q{u'\u25B6'};

    // The text between typographic double quotes.
    static std::string Quote(char const* text);
    static std::string Quote(std::string const& text);
    static QString QuoteQ(char const* text);

    // UTF-8 conversions; both stop at the first NUL.
    static QString ToQString(std::string const& text);
    static std::string ToStdString(QString const& text);

    // Byte-wise, C locale rules.
    static std::string ToLower(std::string const& text);
    static std::string ToUpper(std::string const& text);

    // The pieces with the separator between neighbours; empty pieces count like any other.
    static std::string Implode(std::string const& separator, std::vector<std::string> const& pieces);
    static std::string Implode(std::string const& separator, std::set<std::string> const& pieces);
    static std::string Implode(std::string const& separator, std::vector<int> const& numbers);
    static QString ImplodeQ(std::string const& separator, std::vector<std::string> const& pieces);
    static QString ImplodeQ(std::string const& separator, std::set<std::string> const& pieces);

    // The pieces of the text between separators (see ForEachSubstring). keepEmpty is judged on the piece
    // before trimming.
    static std::set<std::string> ExplodeSet(std::string const& text, std::string const& separator, bool trim,
                                            bool keepEmpty);
    static std::vector<std::string> ExplodeVector(std::string const& text, std::string const& separator,
                                                  bool trim, bool keepEmpty);

    // The singular for a count of 1, else the plural with every "%d" replaced by the count with thousands
    // separators.
    static std::string Pluralize(unsigned long count, char const* singular, char const* plural);
    static QString PluralizeQ(unsigned long count, char const* singular, char const* plural);

    // Joins two path parts with one '/' unless either side already has it; backslashes become '/'.
    static std::string MakePath(std::string const& first, std::string const& second);
    static QString MakePathQ(QString const& first, QString const& second);

    // The first when it is not empty, else the second. The overloads that return a reference return one of
    // the arguments: do not keep it beyond the arguments' life.
    static std::string const& StringOrOther(std::string const& first, std::string const& second);
    static std::string StringOrOther(QString const& first, QString const& second);
    static QString StringOrOtherQ(std::string const& first, std::string const& second);
    static QString const& StringOrOtherQ(QString const& first, QString const& second);

    // A null pointer or an empty text gives the null QUuid.
    static QUuid UuidFromString(char const* text);
    static QUuid UuidFromString(QString const& text);

    // An empty prefix never matches; an empty suffix always does.
    static bool StartsWith(std::string const& text, std::string const& prefix);
    static bool EndsWith(std::string const& text, std::string const& suffix);

    // 1234567 gives "1,234,567".
    static std::string FormatNumberWithThousands(unsigned long number);
    // "1:02:05 hours", "2:05 minutes", "1.005 seconds".
    static QString FormatMilliSecondsElapsedQ(unsigned long milliSeconds);
    // "1:02:05 hours", "2:05 minutes", "59 seconds".
    static QString FormatSecondsElapsedQ(unsigned long seconds);
    // "512 bytes", "1.50 KB", ... "16.00 EB".
    static std::string FormatBytes(unsigned long bytes);

    // Help-text markers: "%{" and "}%" become typographic quotes, " -> " an arrow between blanks and
    // "%PLUGINNAME%" the plug-in's title.
    static std::string FormatHelp(std::string const& text);
    static QString FormatHelpQ(QString const& text);

    // Replaces every occurrence left to right; a replacement is never scanned again. An empty search text
    // replaces nothing.
    static void FindReplaceInPlace(std::string& text, std::string const& search,
                                   std::string const& replacement);
};

// Trimming removes the bytes for which isspace is true.
void ltrim(std::string& text);
void rtrim(std::string& text);
void trim(std::string& text);
std::string trimmed(std::string text);

// Hands each piece between separators to the function. Empty pieces before the first separator and between
// adjacent separators are skipped; the piece after the last separator is always handed on, even when empty.
// An empty separator hands on the whole text as one piece.
void ForEachSubstring(std::string const& text, std::string const& separator,
                      std::function<void(std::string const&)> const& function);

// ----------------------------------------------------------------------------------------------------------
// JSON helpers
// -----------------------------------------------------------------------------------------------------------

class HvJsonHelpers {
public:
    HvJsonHelpers() = delete;

    // The string member `key` of `object`, one element of the document's root array at position `index`
    // (used in the messages). Throws HvException when the member is missing or is not a string.
    static std::string jsonGetStringValue(nlohmann::json const& object, char const* key, int index);
};
