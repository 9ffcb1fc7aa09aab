// The character constants read from another translation unit's static initialiser. This file's objects are
// linked before the framework library's, so its initialisers run first: the constants must already hold
// their characters then, whatever order the loader picks.
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "hv_base.h"

namespace {

struct ReadAtStaticInit {
    std::string utf8;
    QString qt;
    std::string quoted;
    std::string help;
    bool emptyHasText = false;

    ReadAtStaticInit()
        : utf8(std::string(HvHelpers::OPEN_QUOTE) + HvHelpers::EM_DASH +
               HvHelpers::BLACK_RIGHT_POINTING_TRIANGLE),
          qt(QString(HvHelpers::OPEN_QUOTE_Q) + HvHelpers::EM_DASH_Q +
             HvHelpers::BLACK_RIGHT_POINTING_TRIANGLE_Q),
          quoted(HvHelpers::Quote("x")),
          help(HvHelpers::FormatHelp("%{a}% -> b")),
          emptyHasText(g_strEmpty.c_str() != nullptr && g_strEmpty.empty()) {}
};

ReadAtStaticInit const s_readAtStaticInit;

}  // namespace

TEST(HvHelpersConstants, HoldTheirCharactersForAStaticInitialiserOfAnotherFile) {
    EXPECT_EQ(s_readAtStaticInit.utf8, "\xE2\x80\x9C\xE2\x80\x94\xE2\x96\xB6");
    EXPECT_EQ(s_readAtStaticInit.qt, QString::fromUtf8("\xE2\x80\x9C\xE2\x80\x94\xE2\x96\xB6"));
    EXPECT_EQ(s_readAtStaticInit.quoted, "\xE2\x80\x9Cx\xE2\x80\x9D");
    EXPECT_EQ(s_readAtStaticInit.help,
              "\xE2\x80\x9C"
              "a\xE2\x80\x9D \xE2\x86\x92 b");
    EXPECT_TRUE(s_readAtStaticInit.emptyHasText);
}
