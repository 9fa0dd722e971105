#include "FileSizeLimit.h"
#include "ProfileFileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using profiletest::ProfileFileTest;

namespace profiletest {
INSTANTIATE_TYPED_TEST_SUITE_P(Engine, ProfileVectors, EngineStore);
} // namespace profiletest

namespace {

TEST_F(ProfileFileTest, BareFileNameIsLookedUpInTheWindowsFolder) {
    platform.WriteFile("Windows/system.ini", "[boot]\r\nSCRNSAVE.EXE=ssbezier.scr\r\n");
    EXPECT_EQ(store.GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini"),
              "ssbezier.scr");
    windowsDir += os::PathDelim; // a folder given with its separator is not doubled
    EXPECT_EQ(store.GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini"),
              "ssbezier.scr");
}

TEST_F(ProfileFileTest, ALineOfOneZeroByteIsNoKeyName) {
    // A hand-edited language file: the memo scans read this list.
    Write(std::string("[Form]\nMThanks.Line1=a\n") + '\0' + "\nMThanks.Line2\nMThanks.Line3=c\n");
    EXPECT_EQ(store.GetPrivateProfileKeyNames("Form", path),
              (std::vector<std::string>{"MThanks.Line1", "MThanks.Line3"}));
}

TEST_F(ProfileFileTest, AnEmptySectionNameEndsWhereTheNextSectionBegins) {
    Write("[]\r\nA=1\r\n[Next]\r\nB=2\r\n");
    EXPECT_EQ(store.GetPrivateProfileKeyNames("", path), (std::vector<std::string>{"A"}));
    EXPECT_EQ(Get("", "B"), "<default>");
    EXPECT_EQ(Get("Next", "B"), "2");
}

TEST_F(ProfileFileTest, WriteLeavesNoTemporaryFile) {
    Write("[S]\r\nA=1\r\n");
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
    EXPECT_EQ(Get("S", "A"), "2");
}

TEST_F(ProfileFileTest, AWriteClearsWhatAKilledWriteLeftOfItsFileOnly) {
    Write("[S]\r\nA=1\r\n");
    // A process killed between writing its temporary file and renaming it left these.
    platform.WriteFile("Program/test.ini.~5f3a9c.tmp", "[S]\r\nA=");
    platform.WriteFile("Program/test.ini.~77.tmp", "");
    std::string other = platform.WriteFile("Program/other.ini.~5f3a9c.tmp", "x");
    std::string note = platform.WriteFile("Program/test.ini.~note", "x");
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_EQ(Content(), "[S]\r\nA=2\r\n");
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 3u);
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(note));
}

TEST_F(ProfileFileTest, AWriteCutShortLeavesTheOldFileWhole) {
    if (!fake::FileSizeLimit::Supported())
        GTEST_SKIP() << "no file-size limit on this system to stand in for a full disk";
    std::string old = "[S]\r\nA=1\r\n";
    for (int i = 0; i < 100; ++i)
        old += "; a comment line that makes the file larger than the limit\r\n";
    Write(old);
    bool written = true;
    {
        fake::FileSizeLimit limit(1024);
        written = Set("S", "A", "2");
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(Content(), old);
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
    EXPECT_TRUE(Set("S", "A", "2")); // with room again the same write succeeds
    EXPECT_EQ(Get("S", "A"), "2");
}

} // namespace
