#include <gtest/gtest.h>

#include <QString>
#include <QUuid>
#include <chrono>
#include <climits>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hv_base.h"

namespace {

std::string const OQ = "\xE2\x80\x9C";  // U+201C
std::string const CQ = "\xE2\x80\x9D";  // U+201D

// ----------------------------------------------------------------------------------------------------------
// Exception and stopwatch
// -----------------------------------------------------------------------------------------------------------

TEST(HvException, KeepsTheMessageAndIsCaughtAsStdException) {
    try {
        throw HvException("cannot find node “a”");
    } catch (std::exception const& e) {
        EXPECT_STREQ(e.what(), "cannot find node “a”");
    }
}

TEST(HvException, QStringMessageIsUtf8UpToTheFirstNul) {
    QString text = QString::fromUtf8("größe");
    text += QChar(0);
    text += QStringLiteral("hidden");
    HvException const e(text);
    EXPECT_STREQ(e.what(), "größe");
}

TEST(HvException, CopiesOwnTheirMessage) {
    std::string source = "first";
    auto* original = new HvException(source.c_str());
    source = "changed";
    HvException const copy(*original);
    delete original;
    EXPECT_STREQ(copy.what(), "first");
}

TEST(HvElapsedTime, CountsWholeMillisecondsFromConstruction) {
    HvElapsedTime const watch;
    int64_t const first = watch.elapsed();
    EXPECT_GE(first, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    int64_t const second = watch.elapsed();
    EXPECT_GE(second, 25);
    EXPECT_GE(second, first);
}

// ----------------------------------------------------------------------------------------------------------
// Constants
// -----------------------------------------------------------------------------------------------------------

TEST(HvHelpersConstants, AreTheThreeUtf8BytesOfTheirCodePoint) {
    struct Row {
        std::string utf8;
        QString qt;
        char16_t codePoint;
    };
    Row const rows[] = {
        {HvHelpers::OPEN_QUOTE, HvHelpers::OPEN_QUOTE_Q, u'\u201C'},
        {HvHelpers::CLOSE_QUOTE, HvHelpers::CLOSE_QUOTE_Q, u'\u201D'},
        {HvHelpers::EM_DASH, HvHelpers::EM_DASH_Q, u'\u2014'},
        {HvHelpers::LEFTWARDS_ARROW, HvHelpers::LEFTWARDS_ARROW_Q, u'\u2190'},
        {HvHelpers::UPWARDS_ARROW, HvHelpers::UPWARDS_ARROW_Q, u'\u2191'},
        {HvHelpers::RIGHTWARDS_ARROW, HvHelpers::RIGHTWARDS_ARROW_Q, u'\u2192'},
        {HvHelpers::DOWNWARDS_ARROW, HvHelpers::DOWNWARDS_ARROW_Q, u'\u2193'},
        {HvHelpers::BLACK_UP_POINTING_TRIANGLE, HvHelpers::BLACK_UP_POINTING_TRIANGLE_Q, u'\u25B2'},
        {HvHelpers::BLACK_DOWN_POINTING_TRIANGLE, HvHelpers::BLACK_DOWN_POINTING_TRIANGLE_Q, u'\u25BC'},
        {HvHelpers::BLACK_RIGHT_POINTING_TRIANGLE, HvHelpers::BLACK_RIGHT_POINTING_TRIANGLE_Q, u'\u25B6'},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.codePoint));
        QString const expected(QChar(static_cast<ushort>(row.codePoint)));
        EXPECT_EQ(row.utf8.size(), 3u);
        EXPECT_EQ(QString::fromUtf8(row.utf8.c_str()), expected);
        EXPECT_EQ(row.qt, expected);
    }
    EXPECT_TRUE(g_strEmpty.empty());
}

// ----------------------------------------------------------------------------------------------------------
// Conversions, quoting, case
// -----------------------------------------------------------------------------------------------------------

TEST(HvHelpers, QuoteWrapsInTypographicQuotes) {
    EXPECT_EQ(HvHelpers::Quote("Body"), OQ + "Body" + CQ);
    EXPECT_EQ(HvHelpers::Quote(std::string("Body")), OQ + "Body" + CQ);
    EXPECT_EQ(HvHelpers::Quote(""), OQ + CQ);
    EXPECT_EQ(HvHelpers::Quote(std::string()), OQ + CQ);
    EXPECT_EQ(HvHelpers::QuoteQ("Body"), QString::fromUtf8("“Body”"));
}

TEST(HvHelpers, Utf8ConversionsRoundTripAndStopAtNul) {
    std::string const utf8 = "\xC3\xA4\xE2\x86\x92x";  // a-umlaut, arrow, x
    QString const q = HvHelpers::ToQString(utf8);
    ASSERT_EQ(q.size(), 3);
    EXPECT_EQ(q[0], QChar(0x00E4));
    EXPECT_EQ(q[1], QChar(0x2192));
    EXPECT_EQ(HvHelpers::ToStdString(q), utf8);

    EXPECT_EQ(HvHelpers::ToQString(std::string("ab\0cd", 5)), QStringLiteral("ab"));
    QString withNul = QStringLiteral("ab");
    withNul += QChar(0);
    withNul += QStringLiteral("cd");
    EXPECT_EQ(HvHelpers::ToStdString(withNul), "ab");
}

TEST(HvHelpers, CaseChangesAsciiAndLeavesBytesAbove127Alone) {
    // Bytes above 127 are negative as plain char: they must reach tolower/toupper as unsigned char.
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) {
        high += static_cast<char>(b);
    }
    EXPECT_EQ(HvHelpers::ToLower("AbC-1 Z"), "abc-1 z");
    EXPECT_EQ(HvHelpers::ToUpper("AbC-1 z"), "ABC-1 Z");
    EXPECT_EQ(HvHelpers::ToLower(high), high);
    EXPECT_EQ(HvHelpers::ToUpper(high), high);
    EXPECT_EQ(HvHelpers::ToLower("\xC3\x84X"), "\xC3\x84x");
}

// ----------------------------------------------------------------------------------------------------------
// Splitting and joining
// -----------------------------------------------------------------------------------------------------------

enum class Way { Split, Join, Both };

struct TextCase {
    char const* name;
    Way way;
    std::string text;
    std::string separator;
    bool trim;
    bool keepEmpty;
    std::vector<std::string> pieces;
};

void PrintTo(TextCase const& c, std::ostream* os) {
    *os << c.name;
}

class SplitJoin : public ::testing::TestWithParam<TextCase> {};

TEST_P(SplitJoin, FollowsTheRules) {
    TextCase const& c = GetParam();
    std::set<std::string> const pieceSet(c.pieces.begin(), c.pieces.end());
    if (c.way != Way::Join) {
        EXPECT_EQ(HvHelpers::ExplodeVector(c.text, c.separator, c.trim, c.keepEmpty), c.pieces);
        EXPECT_EQ(HvHelpers::ExplodeSet(c.text, c.separator, c.trim, c.keepEmpty), pieceSet);
        if (!c.trim && c.keepEmpty) {
            // ForEachSubstring hands on exactly what the collector keeps when it keeps everything.
            std::vector<std::string> handed;
            ForEachSubstring(c.text, c.separator, [&](std::string const& piece) { handed.push_back(piece); });
            EXPECT_EQ(handed, c.pieces);
        }
    }
    if (c.way != Way::Split) {
        EXPECT_EQ(HvHelpers::Implode(c.separator, c.pieces), c.text);
        EXPECT_EQ(HvHelpers::ImplodeQ(c.separator, c.pieces), QString::fromUtf8(c.text.c_str()));
        // The set forms join in ascending order: compare where the pieces already are.
        if (std::vector<std::string>(pieceSet.begin(), pieceSet.end()) == c.pieces) {
            EXPECT_EQ(HvHelpers::Implode(c.separator, pieceSet), c.text);
            EXPECT_EQ(HvHelpers::ImplodeQ(c.separator, pieceSet), QString::fromUtf8(c.text.c_str()));
        }
    }
}

using V = std::vector<std::string>;
std::string const ARROW = "\xE2\x86\x92";

INSTANTIATE_TEST_SUITE_P(
    HvHelpers, SplitJoin,
    ::testing::Values(
        // Splitting
        TextCase{"DropsEmptyPieces", Way::Split, "a,b,,c,", ",", false, false, V{"a", "b", "c"}},
        TextCase{"KeepsOnlyTheTrailingEmpty", Way::Split, "a,b,,c,", ",", false, true, V{"a", "b", "c", ""}},
        TextCase{"TrimsAfterTheEmptyTest", Way::Split, "a, ,b", ",", true, false, V{"a", "", "b"}},
        TextCase{"UntrimmedBlankPiece", Way::Split, "a, ,b", ",", false, false, V{"a", " ", "b"}},
        TextCase{"TrimsEachPiece", Way::Split, " x ;\ty\n", ";", true, false, V{"x", "y"}},
        TextCase{"EmptyTextGivesNothing", Way::Split, "", ",", false, false, V{}},
        TextCase{"EmptyTextKeptAsOnePiece", Way::Split, "", ",", false, true, V{""}},
        TextCase{"NoEmptyBeforeTheFirstSeparator", Way::Split, ",,a", ",", false, true, V{"a"}},
        TextCase{"OnlySeparators", Way::Split, ",,,", ",", false, true, V{""}},
        TextCase{"NoSeparatorInText", Way::Split, "abc", ",", false, false, V{"abc"}},
        TextCase{"LongSeparator", Way::Split, "a--b----c-", "--", false, true, V{"a", "b", "c-"}},
        TextCase{"Utf8Separator", Way::Split, "x" + ARROW + "y", ARROW, false, false, V{"x", "y"}},
        TextCase{"SetCollapsesDuplicates", Way::Split, "b,a,b", ",", false, false, V{"b", "a", "b"}},
        // An empty separator hands over the whole text instead of looping.
        TextCase{"EmptySeparatorWholeText", Way::Split, "a,b", "", false, false, V{"a,b"}},
        TextCase{"EmptySeparatorTrimmed", Way::Split, " a ", "", true, false, V{"a"}},
        TextCase{"EmptySeparatorEmptyText", Way::Split, "", "", false, false, V{}},
        TextCase{"EmptySeparatorEmptyTextKept", Way::Split, "", "", false, true, V{""}},
        // Joining
        TextCase{"JoinNothing", Way::Join, "", ",", false, false, V{}},
        TextCase{"JoinOnePiece", Way::Join, "a", ",", false, false, V{"a"}},
        TextCase{"JoinKeepsEmptyPieces", Way::Join, ",a,,b", ",", false, false, V{"", "a", "", "b"}},
        TextCase{"JoinLongSeparator", Way::Join, "x, y, z", ", ", false, false, V{"x", "y", "z"}},
        TextCase{"JoinUtf8", Way::Join, "\xC3\xA4" + ARROW + "\xC3\xB6", ARROW, false, false,
                 V{"\xC3\xA4", "\xC3\xB6"}},
        // Both ways
        TextCase{"RoundTrip", Way::Both, "a;b;c", ";", false, true, V{"a", "b", "c"}}),
    [](::testing::TestParamInfo<TextCase> const& info) { return std::string(info.param.name); });

TEST(HvHelpers, ImplodeNumbersInDecimal) {
    EXPECT_EQ(HvHelpers::Implode(", ", std::vector<int>{1, -20, 300}), "1, -20, 300");
    EXPECT_EQ(HvHelpers::Implode(",", std::vector<int>{}), "");
    EXPECT_EQ(HvHelpers::Implode(",", std::vector<int>{INT_MIN}), "-2147483648");
}

TEST(HvHelpers, TrimmingUsesIsspaceOnUnsignedBytes) {
    std::string a = " \t\n\v\f\r a b \r\n";
    ltrim(a);
    EXPECT_EQ(a, "a b \r\n");
    rtrim(a);
    EXPECT_EQ(a, "a b");

    std::string b = "  x  ";
    trim(b);
    EXPECT_EQ(b, "x");
    EXPECT_EQ(trimmed("  y "), "y");
    EXPECT_EQ(trimmed(" \t "), "");
    EXPECT_EQ(trimmed(""), "");
    // A no-break space in Latin-1 (0xA0) and UTF-8 (C2 A0) bytes are not C-locale space.
    EXPECT_EQ(trimmed("\xA0x\xA0"), "\xA0x\xA0");
    EXPECT_EQ(trimmed(" \xC2\xA0 "), "\xC2\xA0");
}

// ----------------------------------------------------------------------------------------------------------
// Plural forms, numbers, sizes, times
// -----------------------------------------------------------------------------------------------------------

TEST(HvHelpers, PluralizeReplacesEveryLowerCasePercentD) {
    struct Row {
        unsigned long count;
        char const* singular;
        char const* plural;
        char const* expected;
    };
    Row const rows[] = {
        {1, "one vertex", "%d vertices", "one vertex"},
        {0, "one vertex", "%d vertices", "0 vertices"},
        {1234, "one vertex", "%d vertices", "1,234 vertices"},
        {2, "one vertex", "%d vertices", "2 vertices"},
        {1, "%d vertex", "%d vertices", "%d vertex"},
        {3, "one", "%d of %d, not %D", "3 of 3, not %D"},
        {5, "one", "many", "many"},
        {7, "ein Stück", "%d Stücke", "7 Stücke"},
    };
    for (Row const& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(HvHelpers::PluralizeQ(r.count, r.singular, r.plural), QString::fromUtf8(r.expected));
        EXPECT_EQ(HvHelpers::Pluralize(r.count, r.singular, r.plural), r.expected);
    }
}

TEST(HvHelpers, FormatNumberWithThousands) {
    EXPECT_EQ(HvHelpers::FormatNumberWithThousands(0), "0");
    EXPECT_EQ(HvHelpers::FormatNumberWithThousands(999), "999");
    EXPECT_EQ(HvHelpers::FormatNumberWithThousands(1000), "1,000");
    EXPECT_EQ(HvHelpers::FormatNumberWithThousands(1234567), "1,234,567");
    EXPECT_EQ(HvHelpers::FormatNumberWithThousands(100000), "100,000");
    if (sizeof(unsigned long) == 8) {
        EXPECT_EQ(HvHelpers::FormatNumberWithThousands(std::numeric_limits<unsigned long>::max()),
                  "18,446,744,073,709,551,615");
    }
}

TEST(HvHelpers, FormatBytes) {
    struct Row {
        uint64_t bytes;
        char const* expected;
    };
    Row const rows[] = {
        {0, "0 bytes"},          {512, "512 bytes"},
        {1023, "1023 bytes"},    {1024, "1.00 KB"},
        {1536, "1.50 KB"},       {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},    {(1ull << 30) - 1, "1024.00 MB"},
        {1ull << 30, "1.00 GB"}, {5ull << 29, "2.50 GB"},
        {1ull << 40, "1.00 TB"}, {1ull << 50, "1.00 PB"},
        {1ull << 60, "1.00 EB"}, {std::numeric_limits<uint64_t>::max(), "16.00 EB"},
    };
    for (Row const& r : rows) {
        if (r.bytes > std::numeric_limits<unsigned long>::max()) {
            continue;
        }
        SCOPED_TRACE(r.bytes);
        EXPECT_EQ(HvHelpers::FormatBytes(static_cast<unsigned long>(r.bytes)), r.expected);
    }
}

TEST(HvHelpers, FormatSecondsElapsed) {
    struct Row {
        unsigned long seconds;
        char const* expected;
    };
    Row const rows[] = {
        {3725, "1:02:05 hours"}, {3600, "1:00:00 hours"}, {360000, "100:00:00 hours"},
        {3599, "59:59 minutes"}, {125, "2:05 minutes"},   {60, "1:00 minutes"},
        {59, "59 seconds"},      {1, "1 seconds"},        {0, "0 seconds"},
    };
    for (Row const& r : rows) {
        EXPECT_EQ(HvHelpers::FormatSecondsElapsedQ(r.seconds), QString::fromUtf8(r.expected)) << r.seconds;
    }
}

TEST(HvHelpers, FormatMilliSecondsElapsedShowsThreeDigitsAfterThePoint) {
    struct Row {
        unsigned long ms;
        char const* expected;
    };
    Row const rows[] = {
        {1005, "1.005 seconds"},    {1500, "1.500 seconds"},    {1050, "1.050 seconds"},
        {0, "0.000 seconds"},       {999, "0.999 seconds"},     {59999, "59.999 seconds"},
        {60000, "1:00 minutes"},    {125999, "2:05 minutes"},   {3599999, "59:59 minutes"},
        {3600000, "1:00:00 hours"}, {3725000, "1:02:05 hours"}, {36000000, "10:00:00 hours"},
    };
    for (Row const& r : rows) {
        EXPECT_EQ(HvHelpers::FormatMilliSecondsElapsedQ(r.ms), QString::fromUtf8(r.expected)) << r.ms;
    }
}

// ----------------------------------------------------------------------------------------------------------
// Paths, choices, identifiers, prefixes
// -----------------------------------------------------------------------------------------------------------

TEST(HvHelpers, MakePathJoinsWithOneSlash) {
    struct Row {
        char const* first;
        char const* second;
        char const* expected;
    };
    Row const rows[] = {
        {"C:\\Docs\\Plugins", "Pullform\\Pullform Manual.pdf",
         "C:/Docs/Plugins/Pullform/Pullform Manual.pdf"},
        {"a", "b", "a/b"},
        {"a/", "b", "a/b"},
        {"a", "/b", "a/b"},
        {"a\\", "b", "a/b"},
        {"a", "\\b", "a/b"},
        {"a/", "/b", "a//b"},
        {"", "b", "/b"},
        {"a", "", "a/"},
        {"", "", "/"},
    };
    for (Row const& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(HvHelpers::MakePath(r.first, r.second), r.expected);
        EXPECT_EQ(HvHelpers::MakePathQ(QString::fromUtf8(r.first), QString::fromUtf8(r.second)),
                  QString::fromUtf8(r.expected));
    }
}

TEST(HvHelpers, StringOrOtherPicksTheFirstUnlessEmpty) {
    std::string const a = "a", b = "b", e1, e2;
    EXPECT_EQ(&HvHelpers::StringOrOther(a, b), &a);
    EXPECT_EQ(&HvHelpers::StringOrOther(e1, b), &b);
    EXPECT_EQ(&HvHelpers::StringOrOther(e1, e2), &e2);
    EXPECT_EQ(HvHelpers::StringOrOtherQ(a, b), QStringLiteral("a"));
    EXPECT_EQ(HvHelpers::StringOrOtherQ(e1, b), QStringLiteral("b"));

    QString const qa = QString::fromUtf8("\xC3\xA4"), qb = QStringLiteral("b"), qe1, qe2;
    EXPECT_EQ(&HvHelpers::StringOrOtherQ(qa, qb), &qa);
    EXPECT_EQ(&HvHelpers::StringOrOtherQ(qe1, qb), &qb);
    EXPECT_EQ(&HvHelpers::StringOrOtherQ(qe1, qe2), &qe2);
    EXPECT_EQ(HvHelpers::StringOrOther(qa, qb), "\xC3\xA4");
    EXPECT_EQ(HvHelpers::StringOrOther(qe1, qb), "b");
    EXPECT_EQ(HvHelpers::StringOrOther(qe1, qe2), "");
}

TEST(HvHelpers, UuidFromString) {
    char const* const text = "{6a1c9e7b-3f2d-4e8a-9b0c-1d2e3f405162}";
    QUuid const expected(QStringLiteral("{6a1c9e7b-3f2d-4e8a-9b0c-1d2e3f405162}"));
    ASSERT_FALSE(expected.isNull());
    EXPECT_EQ(HvHelpers::UuidFromString(text), expected);
    EXPECT_EQ(HvHelpers::UuidFromString(QString::fromLatin1(text)), expected);
    EXPECT_EQ(HvHelpers::UuidFromString("{6A1C9E7B-3F2D-4E8A-9B0C-1D2E3F405162}"), expected);
    EXPECT_TRUE(HvHelpers::UuidFromString(static_cast<char const*>(nullptr)).isNull());
    EXPECT_TRUE(HvHelpers::UuidFromString("").isNull());
    EXPECT_TRUE(HvHelpers::UuidFromString(QString()).isNull());
    EXPECT_TRUE(HvHelpers::UuidFromString("not an identifier").isNull());
}

TEST(HvHelpers, StartsWithAndEndsWith) {
    struct Row {
        char const* text;
        char const* part;
        bool starts;
        bool ends;
    };
    Row const rows[] = {
        {"HV_PullformModifier", "HV_", true, false},
        {"HV_PullformModifier", "Modifier", false, true},
        {"abc", "", false, true},
        {"", "", false, true},
        {"abc", "abc", true, true},
        {"ab", "abc", false, false},
        {"abc", "b", false, false},
    };
    for (Row const& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " / " + r.part);
        EXPECT_EQ(HvHelpers::StartsWith(r.text, r.part), r.starts);
        EXPECT_EQ(HvHelpers::EndsWith(r.text, r.part), r.ends);
    }
}

// ----------------------------------------------------------------------------------------------------------
// Help markers and replacing
// -----------------------------------------------------------------------------------------------------------

TEST(HvHelpers, FormatHelpReplacesTheMarkersInOrder) {
    struct Row {
        std::string text;
        std::string expected;
    };
    Row const rows[] = {
        {"}%{", "}" + OQ},
        {"%{%1}%", OQ + "%1" + CQ},
        {"select -> grow", "select " + ARROW + " grow"},
        {"a->b", "a->b"},
        {"a ->b", "a ->b"},
        {"a -> b -> c", "a " + ARROW + " b " + ARROW + " c"},
        {"About %PLUGINNAME%: %{Reset}%", "About Halvorin's Pullform: " + OQ + "Reset" + CQ},
        {"100%", "100%"},
        {"", ""},
    };
    for (Row const& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(HvHelpers::FormatHelp(r.text), r.expected);
        EXPECT_EQ(HvHelpers::FormatHelpQ(QString::fromUtf8(r.text.c_str())),
                  QString::fromUtf8(r.expected.c_str()));
    }
}

TEST(HvHelpers, FindReplaceInPlaceNeverRescansAndIgnoresAnEmptySearch) {
    struct Row {
        char const* text;
        char const* search;
        char const* replacement;
        char const* expected;
    };
    Row const rows[] = {
        {"aaa", "a", "aa", "aaaaaa"},  // would never end if the replacement were scanned again
        {"aaaa", "aa", "b", "bb"},       {"aaa", "aa", "b", "ba"}, {"xax", "x", "", "a"},
        {"abc", "d", "x", "abc"},        {"abc", "", "x", "abc"},  {"", "", "x", ""},
        {"a.b.c", ".", "::", "a::b::c"},
    };
    for (Row const& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " / " + r.search);
        std::string text = r.text;
        HvHelpers::FindReplaceInPlace(text, r.search, r.replacement);
        EXPECT_EQ(text, r.expected);
    }
}

// ----------------------------------------------------------------------------------------------------------
// JSON
// -----------------------------------------------------------------------------------------------------------

std::string jsonMessage(nlohmann::json const& object, char const* key, int index) {
    try {
        HvJsonHelpers::jsonGetStringValue(object, key, index);
    } catch (std::exception const& e) {
        return e.what();
    }
    return "<no exception>";
}

TEST(HvJsonHelpers, ReadsAStringMember) {
    auto const root = nlohmann::json::parse(R"([{"name": "Body", "label": "Arm \u00e4"}])");
    EXPECT_EQ(HvJsonHelpers::jsonGetStringValue(root[0], "name", 0), "Body");
    EXPECT_EQ(HvJsonHelpers::jsonGetStringValue(root[0], "label", 0), "Arm \xC3\xA4");
    EXPECT_EQ(HvJsonHelpers::jsonGetStringValue(nlohmann::json{{"e", ""}}, "e", 0), "");
}

TEST(HvJsonHelpers, MissingAndWrongTypeHaveTheirOwnMessages) {
    auto const root =
        nlohmann::json::parse(R"([{"name": "a"}, {"name": 12, "other": null}, [1, 2], "text"])");
    EXPECT_EQ(jsonMessage(root[0], "label", 0),
              "invalid JSON input data: missing 'label' key in object at root array index 0");
    EXPECT_EQ(jsonMessage(root[1], "name", 1),
              "invalid JSON input data: expected string at 'name' key in object at root array index 1");
    EXPECT_EQ(jsonMessage(root[1], "other", 17),
              "invalid JSON input data: expected string at 'other' key in object at root array index 17");
    // A value that is not an object has no members.
    EXPECT_EQ(jsonMessage(root[2], "name", 2),
              "invalid JSON input data: missing 'name' key in object at root array index 2");
    EXPECT_EQ(jsonMessage(root[3], "name", 3),
              "invalid JSON input data: missing 'name' key in object at root array index 3");
    EXPECT_THROW(HvJsonHelpers::jsonGetStringValue(root[0], "x", 0), HvException);
}

}  // namespace
