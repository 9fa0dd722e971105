#include "os/common/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using os::QuoteIfBlank;
using os::SplitArguments;
using os::SplitCommandLine;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(QuoteIfBlank, LeavesPathsWithoutBlanksAlone) {
    EXPECT_EQ(QuoteIfBlank("C:\\WINDOWS\\system32\\ssbezier.scr"),
              "C:\\WINDOWS\\system32\\ssbezier.scr");
    EXPECT_EQ(QuoteIfBlank(""), "");
}

TEST(QuoteIfBlank, QuotesPathsWithBlanks) {
    EXPECT_EQ(QuoteIfBlank("C:\\Program Files\\Saver.scr"), "\"C:\\Program Files\\Saver.scr\"");
    EXPECT_EQ(QuoteIfBlank("/home/u/My Savers/a b.scr"), "\"/home/u/My Savers/a b.scr\"");
}

TEST(QuoteIfBlank, QuotedPathSplitsBackIntoOneProgram) {
    // Linux names may hold tabs and double quotes, which must not split the path or end it.
    for (const std::string path :
         {"C:\\Program Files\\Saver.scr", "/tmp/x y/z", "C:\\WINDOWS\\system32\\ssbezier.scr",
          "/tmp/tab\there/Updater", "/tmp/say \"hi\"/Updater", "\"lead", "/tmp/q\"\"/x y\"",
          "/tmp/end\\ dir\\"})
        EXPECT_THAT(SplitCommandLine(QuoteIfBlank(path) + " /C 1234"),
                    ElementsAre(path, "/C", "1234"));
}

TEST(SplitCommandLine, ProgramPart) {
    // Unquoted: up to the first blank, so a bare path with a blank names another program.
    EXPECT_THAT(SplitCommandLine("C:\\Program Files\\a.exe /S"),
                ElementsAre("C:\\Program", "Files\\a.exe", "/S"));
    EXPECT_THAT(SplitCommandLine("\"C:\\Program Files\\a.exe\" /S"),
                ElementsAre("C:\\Program Files\\a.exe", "/S"));
    // The program knows no escapes: a folder's final backslash stays.
    EXPECT_THAT(SplitCommandLine("\"C:\\dir\\\" arg"), ElementsAre("C:\\dir\\", "arg"));
    EXPECT_THAT(SplitCommandLine("a\\\"b c"), ElementsAre("a\\\"b", "c"));
    EXPECT_THAT(SplitCommandLine("  \tprog\targ  "), ElementsAre("prog", "arg"));
    EXPECT_THAT(SplitCommandLine("\"unterminated path"), ElementsAre("unterminated path"));
    EXPECT_THAT(SplitCommandLine("\"\" x"), ElementsAre("", "x"));
}

TEST(SplitCommandLine, EmptyOrBlankGivesNothing) {
    EXPECT_THAT(SplitCommandLine(""), IsEmpty());
    EXPECT_THAT(SplitCommandLine(" \t "), IsEmpty());
}

TEST(SplitArguments, BlanksAndQuotes) {
    EXPECT_THAT(SplitArguments("  a  b\tc "), ElementsAre("a", "b", "c"));
    EXPECT_THAT(SplitArguments("\"a b\" c"), ElementsAre("a b", "c"));
    EXPECT_THAT(SplitArguments("x\"a b\"y"), ElementsAre("xa by"));
    EXPECT_THAT(SplitArguments("\"\" b"), ElementsAre("", "b"));
    EXPECT_THAT(SplitArguments("\"open ended"), ElementsAre("open ended"));
    EXPECT_THAT(SplitArguments(""), IsEmpty());
}

TEST(SplitArguments, BackslashesBeforeQuotes) {
    // Backslashes not followed by a quote are literal.
    EXPECT_THAT(SplitArguments("a\\\\b c\\"), ElementsAre("a\\\\b", "c\\"));
    // 2n+1 backslashes: n of them and a literal quote.
    EXPECT_THAT(SplitArguments("a\\\"b"), ElementsAre("a\"b"));
    EXPECT_THAT(SplitArguments("a\\\\\\\"b"), ElementsAre("a\\\"b"));
    // 2n backslashes: n of them, and the quote opens quoting.
    EXPECT_THAT(SplitArguments("a\\\\\"b c\""), ElementsAre("a\\b c"));
    EXPECT_THAT(SplitArguments("\"C:\\dir\\\\\" next"), ElementsAre("C:\\dir\\", "next"));
}

TEST(SplitArguments, DoubledQuotes) {
    EXPECT_THAT(SplitArguments("\"a\"\"b\""), ElementsAre("a\"b"));
    EXPECT_THAT(SplitArguments("\"\"\"quoted\"\"\""), ElementsAre("\"quoted\""));
    // The doubled quote also ends the quoting, as CommandLineToArgvW has it.
    EXPECT_THAT(SplitArguments("\"a \"\"b c\""), ElementsAre("a \"b", "c"));
}
