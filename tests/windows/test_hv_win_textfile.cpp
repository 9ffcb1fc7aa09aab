#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hv_win32_standin.h"
#include "hv_win_textfile.h"

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        HvWin32StandIn::Reset();
        char pattern[] = "/tmp/hv_textfile_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        HvWin32StandIn::Reset();
        std::string const command = "rm -rf '" + m_dir + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string path(std::string const& name) const { return m_dir + "/" + name; }

    static std::string Read(std::string const& fileName) {
        std::ifstream in(fileName, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static std::string ErrorOf(std::vector<std::string> const& lines, std::string const& fileName) {
        try {
            WriteLinesToTextFileOrThrow(lines, fileName);
        } catch (std::exception const& e) {
            return e.what();
        }
        return "no error";
    }

    std::string m_dir;
};

TEST_F(TextFileTest, WritesLinesInTextMode) {
    struct Case {
        char const* why;
        std::vector<std::string> lines;
        std::string bytes;
    };
    std::vector<Case> const cases = {
        {"three lines", {"a", "b", "c"}, "a\r\nb\r\nc\r\n"},
        {"a newline inside a line", {"x\ny", "z"}, "x\r\ny\r\nz\r\n"},
        {"empty lines stay", {"", "b", ""}, "\r\nb\r\n\r\n"},
        {"an empty list truncates to nothing", {}, ""},
        {"UTF-8 passes as bytes",
         {"Gr\xC3\xB6\xC3\x9F"
          "e"},
         "Gr\xC3\xB6\xC3\x9F"
         "e\r\n"},
    };
    for (Case const& c : cases) {
        std::string const fileName = path("out.txt");
        std::ofstream(fileName) << "an older and longer content that must go";
        ASSERT_NO_THROW(WriteLinesToTextFileOrThrow(c.lines, fileName)) << c.why;
        EXPECT_EQ(Read(fileName), c.bytes) << c.why;
    }
    EXPECT_EQ(HvWin32StandIn::NarrowOpenCount(), static_cast<int>(cases.size()));
    EXPECT_EQ(HvWin32StandIn::WideOpenCount(), 0);
}

TEST_F(TextFileTest, FailuresAreReportedWithTheFileName) {
    std::ofstream(path("a-file")) << "x";
    struct Case {
        char const* why;
        std::string fileName;
        long diskSpace;
        std::string message;
    };
    // Root may write anywhere, so an unwritable place is a path under a file, which no one can open.
    std::string const underFile = path("a-file/out.txt");
    std::string const badUtf8 = path("bad\xC3(.txt");
    std::vector<Case> const cases = {
        {"no folder to write in", underFile, -1, "cannot open file " + underFile + " for writing"},
        {"no name", "", -1, "cannot open file  for writing"},
        {"a name that is not UTF-8", badUtf8, -1, "cannot open file " + badUtf8 + " for writing"},
        {"a full disk", path("full.txt"), 0, "cannot write file " + path("full.txt")},
        {"the disk runs full halfway", path("half.txt"), 5, "cannot write file " + path("half.txt")},
        {"the system's full device", "/dev/full", -1, "cannot write file /dev/full"},
    };
    for (Case const& c : cases) {
        HvWin32StandIn::SetDiskSpace(c.diskSpace);
        EXPECT_EQ(ErrorOf({"a", "b", "c"}, c.fileName), c.message) << c.why;
    }
}

TEST_F(TextFileTest, ANonAsciiNameIsOpenedWideUnderThatName) {
    std::string const name = path(
        "Gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80.txt");
    WriteLinesToTextFileOrThrow({"a"}, name);
    EXPECT_EQ(HvWin32StandIn::WideOpenCount(), 1);
    EXPECT_EQ(HvWin32StandIn::NarrowOpenCount(), 0);
    EXPECT_EQ(HvWin32StandIn::LastOpenedName(), name);
    EXPECT_EQ(Read(name), "a\r\n");
}

}  // namespace
