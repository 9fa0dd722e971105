#include "os/linux/LinuxAutoRun.h"

#include "LinuxTestSupport.h"

#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace ostest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

class LinuxAutoRunTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
    os::LinuxAutoRun store;
    std::string Autostart() const { return dir / "config/autostart"; }
};

} // namespace

TEST_F(LinuxAutoRunTest, WritesADesktopEntryWhoseExecIsTheQuotedPath) {
    ASSERT_TRUE(store.OpenRunKey());
    EXPECT_TRUE(Exists(Autostart()));
    const std::string data = "\"/opt/My Programs/Vistrel\"";
    ASSERT_TRUE(store.SetRunValue("Vistrel", data));
    store.CloseRunKey();

    const auto lines = Lines(ReadText(Autostart() + "/Vistrel.desktop"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "[Desktop Entry]");
    EXPECT_THAT(lines, ::testing::Contains("Type=Application"));
    EXPECT_THAT(lines, ::testing::Contains("Name=Vistrel"));
    EXPECT_THAT(lines, ::testing::Contains("Exec=" + data));
    EXPECT_THAT(EntriesOf(Autostart()), ElementsAre("Vistrel.desktop"));

    std::string back;
    ASSERT_TRUE(store.QueryRunValue("Vistrel", back));
    EXPECT_EQ(back, data);
}

TEST_F(LinuxAutoRunTest, ReservedCharactersAreEscapedAndReadBack) {
    ASSERT_TRUE(store.OpenRunKey());
    const std::string data = "\"/opt/a$b/100%/back\\slash/`q`/Vistrel\"";
    ASSERT_TRUE(store.SetRunValue("Vistrel", data));
    // Quoting escapes $, ` and \ with a backslash, every backslash is escaped once more as
    // in all string values, and % is doubled.
    EXPECT_THAT(ReadText(Autostart() + "/Vistrel.desktop"),
                HasSubstr("\nExec=\"/opt/a\\\\$b/100%%/back\\\\\\\\slash/\\\\`q\\\\`/Vistrel\"\n"));
    std::string back;
    ASSERT_TRUE(store.QueryRunValue("Vistrel", back));
    EXPECT_EQ(back, data);
}

TEST_F(LinuxAutoRunTest, ArgumentsSurviveTheRoundTrip) {
    ASSERT_TRUE(store.OpenRunKey());
    const std::string data = "\"/opt/Vistrel\" /silent \"two words\"";
    ASSERT_TRUE(store.SetRunValue("Vistrel", data));
    std::string back;
    ASSERT_TRUE(store.QueryRunValue("Vistrel", back));
    EXPECT_EQ(back, data);
}

TEST_F(LinuxAutoRunTest, SettingAgainReplacesTheEntry) {
    ASSERT_TRUE(store.OpenRunKey());
    ASSERT_TRUE(store.SetRunValue("Vistrel", "\"/old/Vistrel\""));
    ASSERT_TRUE(store.SetRunValue("Vistrel", "\"/new/Vistrel\""));
    const std::string text = ReadText(Autostart() + "/Vistrel.desktop");
    EXPECT_THAT(text, HasSubstr("Exec=\"/new/Vistrel\""));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("/old/")));
    EXPECT_THAT(EntriesOf(Autostart()), ElementsAre("Vistrel.desktop"));
}

TEST_F(LinuxAutoRunTest, DeleteRemovesTheEntryAndAMissingOneIsNoError) {
    ASSERT_TRUE(store.OpenRunKey());
    EXPECT_TRUE(store.DeleteRunValue("Vistrel"));
    ASSERT_TRUE(store.SetRunValue("Vistrel", "\"/opt/Vistrel\""));
    EXPECT_TRUE(store.DeleteRunValue("Vistrel"));
    EXPECT_FALSE(Exists(Autostart() + "/Vistrel.desktop"));
    std::string back;
    EXPECT_FALSE(store.QueryRunValue("Vistrel", back));
}

TEST_F(LinuxAutoRunTest, OpenFailsWhenTheFolderCannotBeMade) {
    WriteText(dir / "config", "a file where the folder should be");
    EXPECT_FALSE(store.OpenRunKey());
    EXPECT_FALSE(store.SetRunValue("Vistrel", "\"/opt/Vistrel\""));
}

TEST_F(LinuxAutoRunTest, SetFailsWhenTheEntryCannotBeReplaced) {
    ASSERT_TRUE(store.OpenRunKey());
    ::mkdir((Autostart() + "/Vistrel.desktop").c_str(), 0755);
    EXPECT_FALSE(store.SetRunValue("Vistrel", "\"/opt/Vistrel\""));
    // Nothing half-written stays behind.
    EXPECT_THAT(EntriesOf(Autostart()), ElementsAre("Vistrel.desktop"));
    EXPECT_FALSE(store.SetRunValue("../escape", "\"/opt/Vistrel\""));
    EXPECT_FALSE(store.SetRunValue("", "\"/opt/Vistrel\""));
    EXPECT_FALSE(Exists(dir / "config/escape.desktop"));
}
