#include "os/common/ProfileFile.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    fake::FakePlatform platform;
    std::string windowsDir = platform.Root + "/Windows";
    os::ProfileFileStore store{[this] { return windowsDir; }};
    std::string path = platform.Root + "/Program/test.ini";

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

// Lowers the largest file this process may write, as a full disk would stop a write part-way.
// Root is bound by it too. Writes beyond the limit fail with EFBIG instead of a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

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
    fs::create_directories(platform.Root + "/Program/folder.ini");
    EXPECT_EQ(store.GetPrivateProfileString("S", "K", "d", platform.Root + "/Program/folder.ini"),
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

// Reads share one parse of the file; every change to it, by this store or from outside, shows
// at the next read. The file is dated in the past, as a language file is, so its parse is kept.
TEST_F(ProfileFileTest, ReadsSeeEveryChangeToTheFile) {
    auto dated = [&](int minutesAgo) {
        fs::last_write_time(path,
                            fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
    };
    Write("[S]\nA=1\nB=2\n[T]\nA=t\n");
    dated(60);
    EXPECT_EQ(Get("S", "A"), "1");
    EXPECT_EQ(Get("t", "a"), "t");
    EXPECT_EQ(store.GetPrivateProfileKeyNames("S", path), (std::vector<std::string>{"A", "B"}));

    ASSERT_TRUE(Set("S", "A", "one"));
    EXPECT_EQ(Get("S", "A"), "one") << "a write through the store";
    ASSERT_TRUE(Set("S", "C", "3"));
    EXPECT_EQ(store.GetPrivateProfileKeyNames("S", path),
              (std::vector<std::string>{"A", "B", "C"}));
    dated(50);
    EXPECT_EQ(Get("S", "B"), "2");

    // Another program rewrites the file in place, to the same size.
    std::string before = Content();
    std::string after = before;
    after.replace(after.find("B=2"), 3, "B=9");
    {
        std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out << after;
    }
    dated(40);
    EXPECT_EQ(Get("S", "B"), "9") << "an edit in place from outside";

    // ... or replaces it by another file of the same size and date.
    std::string other = path + ".new";
    {
        std::ofstream out(other, std::ios::binary);
        out << before;
    }
    fs::last_write_time(other, fs::last_write_time(path));
    fs::rename(other, path);
    EXPECT_EQ(Get("S", "B"), "2") << "a replacement from outside";

    fs::remove(path);
    EXPECT_EQ(Get("S", "B"), "<default>") << "a file removed from outside";
    EXPECT_TRUE(store.GetPrivateProfileKeyNames("S", path).empty());
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

TEST_F(ProfileFileTest, WriteLeavesNoTemporaryFileAndKeepsPermissions) {
    Write("[S]\r\nA=1\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_EQ(EntriesIn(platform.Root + "/Program"), 1u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileFileTest, WriteThroughASymbolicLinkKeepsTheLink) {
    std::string real = platform.WriteFile("Elsewhere/real.ini", "[S]\r\nA=1\r\n");
    fs::create_symlink(real, path);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(platform.ReadFile(real), "[S]\r\nA=2\r\n");
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
    EXPECT_EQ(EntriesIn(platform.Root + "/Program"), 1u);
}

TEST_F(ProfileFileTest, AWriteCutShortLeavesTheOldFileWhole) {
    std::string old = "[S]\r\nA=1\r\n";
    for (int i = 0; i < 100; ++i)
        old += "; a comment line that makes the file larger than the limit\r\n";
    Write(old);
    bool written = true;
    {
        FileSizeLimit limit(1024);
        written = Set("S", "A", "2");
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(Content(), old);
    EXPECT_EQ(EntriesIn(platform.Root + "/Program"), 1u);
    EXPECT_TRUE(Set("S", "A", "2")); // with room again the same write succeeds
    EXPECT_EQ(Get("S", "A"), "2");
}

} // namespace
