#include "FileSizeLimit.h"
#include "ProfileFileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using profiletest::ProfileFileTest;

namespace {

TEST_F(ProfileFileTest, MatchesSectionsAndKeysWithoutRegardToCase) {
    Write("[Settings]\r\nWorkPeriod=25\r\n[other]\r\nKey=x\r\n");
    EXPECT_EQ(Get("settings", "WORKPERIOD"), "25");
    EXPECT_EQ(Get("OTHER", "key"), "x");
    EXPECT_EQ(Get("Settings", "Key"), "<default>"); // belongs to the next section
}

TEST_F(ProfileFileTest, RemovesBlanksAndOnePairOfEnclosingQuotes) {
    Write("[S]\n"
          "  Plain   =   a b c  \n"
          "Double=\"quoted value\"\n"
          "Single=  'single'  \n"
          "Twice=\"\"inner\"\"\n"
          "Mixed=\"open'\n"
          "Lone=\"\n"
          "Empty=\n"
          "EmptyQuotes=\"\"\n"
          "\tTabbed\t=\tx\t\n");
    EXPECT_EQ(Get("S", "Plain"), "a b c");
    EXPECT_EQ(Get("S", "Double"), "quoted value");
    EXPECT_EQ(Get("S", "Single"), "single");
    EXPECT_EQ(Get("S", "Twice"), "\"inner\"");
    EXPECT_EQ(Get("S", "Mixed"), "\"open'");
    EXPECT_EQ(Get("S", "Lone"), "\"");
    EXPECT_EQ(Get("S", "Empty"), ""); // present but empty is not missing
    EXPECT_EQ(Get("S", "EmptyQuotes"), "");
    EXPECT_EQ(Get("S", "Tabbed"), "x");
}

TEST_F(ProfileFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Get("S", "K", "fallback"), "fallback");
    Write("[S]\r\nK=1\r\nNoEquals\r\n; K2=comment\r\n");
    EXPECT_EQ(Get("T", "K", "fallback"), "fallback");
    EXPECT_EQ(Get("S", "Other", "fallback"), "fallback");
    EXPECT_EQ(Get("S", "NoEquals", "fallback"), "fallback");
    EXPECT_EQ(Get("S", "; K2", "fallback"), "fallback");
    // A folder in place of the file reads like a missing file.
    fs::create_directories(platform.Path("Program/folder.ini"));
    EXPECT_EQ(store.GetPrivateProfileString("S", "K", "d", platform.Path("Program/folder.ini")),
              "d");
}

TEST_F(ProfileFileTest, ReadsEveryKindOfLineEnd) {
    Write("[A]\r\nOne=1\r\n[B]\nTwo=2\n[C]\rThree=3\r[D]\r\nFour=4");
    EXPECT_EQ(Get("A", "One"), "1");
    EXPECT_EQ(Get("B", "Two"), "2");
    EXPECT_EQ(Get("C", "Three"), "3");
    EXPECT_EQ(Get("D", "Four"), "4");
}

TEST_F(ProfileFileTest, FirstOfRepeatedSectionsAndKeysCounts) {
    Write("[S]\nK=first\nK=second\n[S]\nK=third\nOnlyLater=x\n");
    EXPECT_EQ(Get("S", "K"), "first");
    EXPECT_EQ(Get("S", "OnlyLater"), "<default>");
}

TEST_F(ProfileFileTest, ValuesAreCutAt2047Characters) {
    std::string longValue(3000, 'v');
    Write("[S]\nLong=" + longValue + "\nExact=" + std::string(2047, 'e') + "\n");
    EXPECT_EQ(Get("S", "Long"), std::string(2047, 'v'));
    EXPECT_EQ(Get("S", "Exact"), std::string(2047, 'e'));
    EXPECT_EQ(Get("S", "Missing", longValue), std::string(2047, 'v'));
}

TEST_F(ProfileFileTest, BareFileNameIsLookedUpInTheWindowsFolder) {
    platform.WriteFile("Windows/system.ini", "[boot]\r\nSCRNSAVE.EXE=ssbezier.scr\r\n");
    EXPECT_EQ(store.GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini"),
              "ssbezier.scr");
    windowsDir += "/"; // a folder given with its separator is not doubled
    EXPECT_EQ(store.GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini"),
              "ssbezier.scr");
}

TEST_F(ProfileFileTest, KeyNamesComeInFileOrderWithoutCommentsOrBlankLines) {
    Write("[Other]\nX=1\n[Form]\nMThanks.Line2=b\n\n; note=no\nMThanks.Line1=a\nBare\n"
          "  Spaced  = c\n[Next]\nY=2\n");
    EXPECT_EQ(store.GetPrivateProfileKeyNames("form", path),
              (std::vector<std::string>{"MThanks.Line2", "MThanks.Line1", "Bare", "Spaced"}));
    EXPECT_TRUE(store.GetPrivateProfileKeyNames("Missing", path).empty());
    EXPECT_TRUE(store.GetPrivateProfileKeyNames("Form", path + ".none").empty());
}

TEST_F(ProfileFileTest, KeyNamesStopWhereTheBufferIsFull) {
    // Names of seven characters take eight bytes each; with the list's final zero byte,
    // 2047 of them fill 16377 of the 16384 bytes and the 2048th no longer fits.
    std::string content = "[S]\n";
    for (int i = 0; i < 2100; ++i) {
        std::string number = std::to_string(1000 + i);
        content += "Key" + number + "=" + number + "\n";
    }
    Write(content);
    auto names = store.GetPrivateProfileKeyNames("S", path);
    ASSERT_EQ(names.size(), 2047u);
    EXPECT_EQ(names.front(), "Key1000");
    EXPECT_EQ(names.back(), "Key3046");
}

TEST_F(ProfileFileTest, FirstWriteCreatesTheFileWithCrLf) {
    ASSERT_TRUE(Set("Settings", "AlertMethod", "3"));
    ASSERT_TRUE(Set("Settings", "AutoRun", "1"));
    EXPECT_EQ(Content(), "[Settings]\r\nAlertMethod=3\r\nAutoRun=1\r\n");
    ASSERT_TRUE(Set("Update", "LastUpdate", "x"));
    EXPECT_EQ(Content(),
              "[Settings]\r\nAlertMethod=3\r\nAutoRun=1\r\n[Update]\r\nLastUpdate=x\r\n");
}

TEST_F(ProfileFileTest, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
    Write("; settings of one user\r\n"
          "\r\n"
          "[Settings]\r\n"
          "  workperiod = 50 \r\n"
          "; keep me\r\n"
          "RestPeriod=10\r\n"
          "\r\n"
          "[Update]\r\n"
          "LastUpdate=01/02/2025 10:00:00\r\n");
    ASSERT_TRUE(Set("SETTINGS", "WorkPeriod", "25"));
    ASSERT_TRUE(Set("Settings", "Language", "Deutsch - 1031"));
    EXPECT_EQ(Content(), "; settings of one user\r\n"
                         "\r\n"
                         "[Settings]\r\n"
                         "workperiod=25\r\n"
                         "; keep me\r\n"
                         "RestPeriod=10\r\n"
                         "Language=Deutsch - 1031\r\n"
                         "\r\n"
                         "[Update]\r\n"
                         "LastUpdate=01/02/2025 10:00:00\r\n");
    EXPECT_EQ(Get("Settings", "WorkPeriod"), "25");
}

TEST_F(ProfileFileTest, WriteKeepsTheTextOfOtherLinesAndEndsThemWithCrLf) {
    Write("\xEF\xBB\xBF[S]\nA=1\n[T]\rB=2");
    ASSERT_TRUE(Set("T", "C", "3"));
    EXPECT_EQ(Content(), "\xEF\xBB\xBF[S]\r\nA=1\r\n[T]\r\nB=2\r\nC=3\r\n");
    EXPECT_EQ(Get("S", "A"), "1");
}

TEST_F(ProfileFileTest, ALineBreakInAValueCannotAddLines) {
    ASSERT_TRUE(Set("S", "MusicFile", "a.mid\r\n[Settings]\r\nWorkPeriod=1"));
    EXPECT_EQ(Content(), "[S]\r\nMusicFile=a.mid\r\n");
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

TEST_F(ProfileFileTest, WriteFailsWhenTheFolderIsAFile) {
    std::string notAFolder = platform.WriteFile("Program/plain", "data");
    EXPECT_FALSE(store.WritePrivateProfileString("S", "K", "v", notAFolder + "/x.ini"));
    EXPECT_EQ(platform.ReadFile(notAFolder), "data");
}

TEST_F(ProfileFileTest, WriteFailsWhenTheFileIsAFolder) {
    fs::create_directories(path);
    platform.WriteFile("Program/test.ini/inside", "data");
    EXPECT_FALSE(Set("S", "K", "v"));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(platform.ReadFile(path + "/inside"), "data");
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
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
