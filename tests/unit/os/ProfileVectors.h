// The profile-file behaviour the program relies on, as test vectors that every profile store
// must pass: the portable engine here, the system's own profile functions in the Windows tests.
// A store kind gives Make(windows folder) and three facts where stores may differ without
// harm to the program (each kind says why), and is instantiated with
// INSTANTIATE_TYPED_TEST_SUITE_P(Name, ProfileVectors, Kind):
//   KeepsBlankLines      a write keeps the file's blank lines
//   ListsLinesWithoutEquals  the key-name list holds lines that have no '='
//   IgnoresSemicolonLines    a line starting with ';' is never read as a key
#pragma once

#include "FakePlatform.h"
#include "os/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace profiletest {

namespace fs = std::filesystem;

template <class Kind>
class ProfileVectors : public ::testing::Test {
protected:
    fake::FakePlatform platform;
    std::string windowsDir = platform.Path("Windows");
    std::unique_ptr<os::ProfileStore> owned = Kind::Make([this] { return windowsDir; });
    os::ProfileStore& store = *owned;
    std::string path = platform.Path("Program/test.ini");

    std::string Write(const std::string& content) {
        return platform.WriteFile("Program/test.ini", content);
    }
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& defaultValue = "<default>") {
        return store.GetPrivateProfileString(section, key, defaultValue, path);
    }
    bool Set(const std::string& section, const std::string& key, const std::string& value) {
        return store.WritePrivateProfileString(section, key, value, path);
    }
    std::string Content() const { return platform.ReadFile(path); }
    std::size_t EntriesIn(const std::string& folder) const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
            ++n;
        return n;
    }
};

TYPED_TEST_SUITE_P(ProfileVectors);

TYPED_TEST_P(ProfileVectors, MatchesSectionsAndKeysWithoutRegardToCase) {
    this->Write("[Settings]\r\nWorkPeriod=25\r\n[other]\r\nKey=x\r\n");
    EXPECT_EQ(this->Get("settings", "WORKPERIOD"), "25");
    EXPECT_EQ(this->Get("OTHER", "key"), "x");
    EXPECT_EQ(this->Get("Settings", "Key"), "<default>"); // belongs to the next section
}

TYPED_TEST_P(ProfileVectors, RemovesBlanksAndOnePairOfEnclosingQuotes) {
    this->Write("[S]\n"
                "  Plain   =   a b c  \n"
                "Double=\"quoted value\"\n"
                "Single=  'single'  \n"
                "Twice=\"\"inner\"\"\n"
                "Mixed=\"open'\n"
                "Lone=\"\n"
                "Empty=\n"
                "EmptyQuotes=\"\"\n"
                "\tTabbed\t=\tx\t\n");
    EXPECT_EQ(this->Get("S", "Plain"), "a b c");
    EXPECT_EQ(this->Get("S", "Double"), "quoted value");
    EXPECT_EQ(this->Get("S", "Single"), "single");
    EXPECT_EQ(this->Get("S", "Twice"), "\"inner\"");
    EXPECT_EQ(this->Get("S", "Mixed"), "\"open'");
    EXPECT_EQ(this->Get("S", "Lone"), "\"");
    EXPECT_EQ(this->Get("S", "Empty"), ""); // present but empty is not missing
    EXPECT_EQ(this->Get("S", "EmptyQuotes"), "");
    EXPECT_EQ(this->Get("S", "Tabbed"), "x");
}

TYPED_TEST_P(ProfileVectors, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(this->Get("S", "K", "fallback"), "fallback");
    this->Write("[S]\r\nK=1\r\nNoEquals\r\n; K2=comment\r\n");
    EXPECT_EQ(this->Get("T", "K", "fallback"), "fallback");
    EXPECT_EQ(this->Get("S", "Other", "fallback"), "fallback");
    EXPECT_EQ(this->Get("S", "NoEquals", "fallback"), "fallback");
    EXPECT_EQ(this->Get("S", "; K2", "fallback"),
              TypeParam::IgnoresSemicolonLines ? "fallback" : "comment");
    // A folder in place of the file reads like a missing file.
    fs::create_directories(this->platform.Path("Program/folder.ini"));
    EXPECT_EQ(this->store.GetPrivateProfileString("S", "K", "d",
                                                  this->platform.Path("Program/folder.ini")),
              "d");
}

TYPED_TEST_P(ProfileVectors, ReadsEveryKindOfLineEnd) {
    this->Write("[A]\r\nOne=1\r\n[B]\nTwo=2\n[C]\rThree=3\r[D]\r\nFour=4");
    EXPECT_EQ(this->Get("A", "One"), "1");
    EXPECT_EQ(this->Get("B", "Two"), "2");
    EXPECT_EQ(this->Get("C", "Three"), "3");
    EXPECT_EQ(this->Get("D", "Four"), "4");
}

TYPED_TEST_P(ProfileVectors, FirstOfRepeatedSectionsAndKeysCounts) {
    this->Write("[S]\nK=first\nK=second\n[S]\nK=third\nOnlyLater=x\n");
    EXPECT_EQ(this->Get("S", "K"), "first");
    EXPECT_EQ(this->Get("S", "OnlyLater"), "<default>");
}

TYPED_TEST_P(ProfileVectors, ValuesAreCutAt2047Characters) {
    std::string longValue(3000, 'v');
    this->Write("[S]\nLong=" + longValue + "\nExact=" + std::string(2047, 'e') + "\n");
    EXPECT_EQ(this->Get("S", "Long"), std::string(2047, 'v'));
    EXPECT_EQ(this->Get("S", "Exact"), std::string(2047, 'e'));
    EXPECT_EQ(this->Get("S", "Missing", longValue), std::string(2047, 'v'));
}

TYPED_TEST_P(ProfileVectors, KeyNamesComeInFileOrderWithoutCommentsOrBlankLines) {
    this->Write("[Other]\nX=1\n[Form]\nMThanks.Line2=b\n\n; note=no\nMThanks.Line1=a\nBare\n"
                "  Spaced  = c\n[Next]\nY=2\n");
    std::vector<std::string> expected{"MThanks.Line2", "MThanks.Line1", "Bare", "Spaced"};
    if (!TypeParam::ListsLinesWithoutEquals)
        expected.erase(expected.begin() + 2);
    EXPECT_EQ(this->store.GetPrivateProfileKeyNames("form", this->path), expected);
    EXPECT_TRUE(this->store.GetPrivateProfileKeyNames("Missing", this->path).empty());
    EXPECT_TRUE(this->store.GetPrivateProfileKeyNames("Form", this->path + ".none").empty());
}

TYPED_TEST_P(ProfileVectors, KeyNamesStopWhereTheBufferIsFull) {
    // Names of seven characters take eight bytes each; with the list's final zero byte,
    // 2047 of them fill 16377 of the 16384 bytes and the 2048th no longer fits.
    std::string content = "[S]\n";
    for (int i = 0; i < 2100; ++i) {
        std::string number = std::to_string(1000 + i);
        content += "Key" + number + "=" + number + "\n";
    }
    this->Write(content);
    auto names = this->store.GetPrivateProfileKeyNames("S", this->path);
    ASSERT_EQ(names.size(), 2047u);
    EXPECT_EQ(names.front(), "Key1000");
    EXPECT_EQ(names.back(), "Key3046");
}

TYPED_TEST_P(ProfileVectors, FirstWriteCreatesTheFileWithCrLf) {
    ASSERT_TRUE(this->Set("Settings", "AlertMethod", "3"));
    ASSERT_TRUE(this->Set("Settings", "AutoRun", "1"));
    EXPECT_EQ(this->Content(), "[Settings]\r\nAlertMethod=3\r\nAutoRun=1\r\n");
    ASSERT_TRUE(this->Set("Update", "LastUpdate", "x"));
    EXPECT_EQ(this->Content(),
              "[Settings]\r\nAlertMethod=3\r\nAutoRun=1\r\n[Update]\r\nLastUpdate=x\r\n");
}

TYPED_TEST_P(ProfileVectors, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
    this->Write("; settings of one user\r\n"
                "\r\n"
                "[Settings]\r\n"
                "  workperiod = 50 \r\n"
                "; keep me\r\n"
                "RestPeriod=10\r\n"
                "\r\n"
                "[Update]\r\n"
                "LastUpdate=01/02/2025 10:00:00\r\n");
    ASSERT_TRUE(this->Set("SETTINGS", "WorkPeriod", "25"));
    ASSERT_TRUE(this->Set("Settings", "Language", "Deutsch - 1031"));
    const std::string blank = TypeParam::KeepsBlankLines ? "\r\n" : "";
    EXPECT_EQ(this->Content(), "; settings of one user\r\n" + blank +
                                   "[Settings]\r\n"
                                   "workperiod=25\r\n"
                                   "; keep me\r\n"
                                   "RestPeriod=10\r\n"
                                   "Language=Deutsch - 1031\r\n" +
                                   blank +
                                   "[Update]\r\n"
                                   "LastUpdate=01/02/2025 10:00:00\r\n");
    EXPECT_EQ(this->Get("Settings", "WorkPeriod"), "25");
}

TYPED_TEST_P(ProfileVectors, WriteKeepsTheTextOfOtherLinesAndEndsThemWithCrLf) {
    this->Write("\xEF\xBB\xBF[S]\nA=1\n[T]\rB=2");
    ASSERT_TRUE(this->Set("T", "C", "3"));
    EXPECT_EQ(this->Content(), "\xEF\xBB\xBF[S]\r\nA=1\r\n[T]\r\nB=2\r\nC=3\r\n");
    EXPECT_EQ(this->Get("S", "A"), "1");
}

TYPED_TEST_P(ProfileVectors, ALineBreakInAValueCannotAddLines) {
    ASSERT_TRUE(this->Set("S", "MusicFile", "a.mid\r\n[Settings]\r\nWorkPeriod=1"));
    EXPECT_EQ(this->Content(), "[S]\r\nMusicFile=a.mid\r\n");
}

TYPED_TEST_P(ProfileVectors, WriteFailsWhenTheFolderIsAFile) {
    std::string notAFolder = this->platform.WriteFile("Program/plain", "data");
    EXPECT_FALSE(
        this->store.WritePrivateProfileString("S", "K", "v", notAFolder + os::PathDelim + "x.ini"));
    EXPECT_EQ(this->platform.ReadFile(notAFolder), "data");
}

TYPED_TEST_P(ProfileVectors, WriteFailsWhenTheFileIsAFolder) {
    fs::create_directories(this->path);
    this->platform.WriteFile("Program/test.ini/inside", "data");
    EXPECT_FALSE(this->Set("S", "K", "v"));
    EXPECT_TRUE(fs::is_directory(this->path));
    EXPECT_EQ(this->platform.ReadFile(this->path + os::PathDelim + "inside"), "data");
    EXPECT_EQ(this->EntriesIn(this->platform.Path("Program")), 1u);
}

REGISTER_TYPED_TEST_SUITE_P(ProfileVectors, MatchesSectionsAndKeysWithoutRegardToCase,
                            RemovesBlanksAndOnePairOfEnclosingQuotes,
                            MissingFileSectionOrKeyGivesTheDefault, ReadsEveryKindOfLineEnd,
                            FirstOfRepeatedSectionsAndKeysCounts, ValuesAreCutAt2047Characters,
                            KeyNamesComeInFileOrderWithoutCommentsOrBlankLines,
                            KeyNamesStopWhereTheBufferIsFull, FirstWriteCreatesTheFileWithCrLf,
                            WriteReplacesInPlaceAndKeepsEveryOtherLine,
                            WriteKeepsTheTextOfOtherLinesAndEndsThemWithCrLf,
                            ALineBreakInAValueCannotAddLines, WriteFailsWhenTheFolderIsAFile,
                            WriteFailsWhenTheFileIsAFolder);

} // namespace profiletest
