// The profile engine and what only POSIX systems give a test: file modes, symbolic links, and
// file identities that tell a replaced file from the one that was there.
#include "ProfileFileTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using profiletest::ProfileFileTest;

namespace {

TEST_F(ProfileFileTest, WriteLeavesNoTemporaryFileAndKeepsPermissions) {
    Write("[S]\r\nA=1\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileFileTest, AReadOnlyFileIsNeitherWrittenNorReplaced) {
    const std::string old = "[S]\r\nA=1\r\n";
    Write(old);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(Set("S", "A", "2"));
    EXPECT_FALSE(Set("S", "New", "x"));
    EXPECT_EQ(Content(), old);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
    fs::permissions(path, fs::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_TRUE(Set("S", "A", "2")); // writable again, the same write succeeds
    EXPECT_EQ(Get("S", "A"), "2");
}

TEST_F(ProfileFileTest, WriteThroughASymbolicLinkKeepsTheLink) {
    std::string real = platform.WriteFile("Elsewhere/real.ini", "[S]\r\nA=1\r\n");
    fs::create_symlink(real, path);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(platform.ReadFile(real), "[S]\r\nA=2\r\n");
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

} // namespace
